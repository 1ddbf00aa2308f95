#pragma once
// The road from the master output's callback to the headphones' (cue) output, which runs on
// a clock of its own. The master callback pushes each period of the headphones' sound with
// the time it was rendered; the headphones' callback pulls it through a resampler whose
// ratio follows the distance between the two streams, so that the headphones stay a fixed
// few milliseconds behind the master: no running dry, no piling up, however far the two
// sound cards' crystals disagree (a correction of up to 0.09 %). At the same stated rates
// that resampler is the short DriftResampler; the windowed-sinc Resampler converts
// between different ones.
//
// Units: "frames" are master frames, numbered from the first ever pushed (the timeline
// the resampler runs on); "ns" are on the outputs' common clock (Output::clockNs).
//
// Threads: configure and restart on the UI thread while the headphones' output is stopped;
// push on the master callback, renderPeriod on the headphones' callback; dryRuns on any
// thread. The callbacks never lock, allocate, log or do I/O.

#include <atomic>
#include <cstdint>

#include "engine/drift_resampler.h"
#include "engine/frame_fifo.h"
#include "engine/output.h"
#include "engine/resampler.h"
#include "engine/spsc_ring.h"

namespace engine {

class CueLink final : public RenderCallback {
  public:
    // UI thread, the headphones stopped: the rates and periods of both ends, and the output
    // whose clock the headphones' callback reads. Starts over as restart() does.
    void configure(int masterRate, size_t masterPeriod, const Output& headphones);
    // UI thread, the headphones stopped: what is queued is dropped, and the headphones wait
    // for fresh sound to line up again.
    void restart();

    // Master callback: one period of the headphones' sound, rendered at `nowNs`. Dropped
    // while the headphones do not take it (stopped, lost).
    void push(const float* stereo, size_t frames, int64_t nowNs) noexcept;

    // Headphones' callback.
    void renderPeriod(float* out, size_t frames, bool waitForData) noexcept override;

    // Any thread: the times the headphones, lined up, found the sound they needed missing.
    uint64_t dryRuns() const { return dryRuns_.load(std::memory_order_relaxed); }

  private:
    static constexpr size_t kQueueFrames = 16384;  // 0.34 s at 48 kHz
    enum class Phase { Flush, LineUp, Running };

    void readStamp();
    double masterFrameAt(int64_t nowNs) const;
    void lineUp(int64_t nowNs);
    void followClock(int64_t nowNs, size_t frames);
    size_t resample(float* out, size_t frames);
    template <class AnyResampler>
    size_t pull(AnyResampler& resampler, float* out, size_t frames);
    double playTime() const;  // frames: the resampler's output time

    // Immutable while the headphones run.
    int masterRate_ = 48000;
    int headphoneRate_ = 48000;
    bool sameRates_ = true;    // the drift resampler's case
    double nominalRatio_ = 1;  // headphone frames per master frame, by the stated rates
    double targetFrames_ = 0;  // how far behind the master the headphones play
    const Output* headphones_ = nullptr;

    // Master -> headphones.
    FrameFifo<kQueueFrames> queue_;
    // Each push's first frame and time; the headphones keep the newest. A stamp that finds
    // the ring full is dropped: the one before it serves as well.
    struct Stamp {
        uint64_t frame = 0;
        int64_t ns = 0;
    };
    SpscRing<Stamp, 64> stamps_;
    std::atomic<uint64_t> dryRuns_{0};  // written by the headphones' callback only

    // Headphones' callback only (and the UI thread while it is stopped).
    Phase phase_ = Phase::Flush;
    bool stamped_ = false;  // a stamp has been read
    uint64_t lastFrame_ = 0;
    int64_t lastNs_ = 0;
    double smoothedError_ = 0;  // seconds the headphones lag beyond the target, smoothed
    float fade_ = 0;            // gain of the fade-in after lining up
    float fadeStep_ = 1.0f / 256;
    DriftResampler drift_;  // while sameRates_
    Resampler resampler_;   // otherwise
};

}  // namespace engine
