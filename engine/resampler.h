#pragma once
// A stereo band-limited resampler for the audio callback: windowed-sinc interpolation at
// any ratio, changed smoothly, with the passband at 91 % of the lower rate's Nyquist.
// Wherever an output frame falls exactly on an input frame at a ratio of 1 or more, it is
// that input frame, bit for bit: at ratio 1 from a fresh start the resampler is a copy,
// and leaving or re-entering that copy needs no warming and makes no seam.
//
// Units: "frames" are input frames on the device timeline; output frames are counted as
// such. The ratio is output frames per input frame.
//
// Threads: constructed on the UI thread; everything else runs on the audio callback and
// never locks, allocates, logs or does I/O. Its buffers are fixed arrays for that reason.

#include <cstddef>
#include <cstdint>

#include "engine/sinc_filter.h"
#include "engine/step_ramp.h"

namespace engine {

class Resampler {
  public:
    Resampler();

    // Starts over at `frame` with silence before it; a pending ratio ramp ends at once.
    void reset(int64_t frame);
    // Moves to `ratio` (output frames per input frame) over `rampFrames` output frames.
    void setRatio(double ratio, size_t rampFrames) { ramp_.setRatio(ratio, rampFrames); }

    struct Progress {
        size_t used;  // input frames taken from `input`
        size_t made;  // output frames written to `output`
    };
    // Takes interleaved stereo input as it needs it and writes up to `outputFrames`
    // interleaved stereo frames, stopping before the output time reaches `endFrame` (by
    // default, never).
    Progress process(const float* input, size_t inputFrames, float* output, size_t outputFrames,
                     int64_t endFrame = INT64_MAX);

    // Frames: the timeline position of the next output frame.
    double time() const {
        return static_cast<double>(origin_ + static_cast<int64_t>(centre_)) + frac_;
    }

    // Beyond this much slower output than input the filter stops widening.
    static constexpr int kMaxNarrowing = 16;
    static constexpr size_t kMaxHalfTaps = SincFilter::kHalfTaps * kMaxNarrowing;

  private:
    static constexpr size_t kCapacity = 4096;  // input frames buffered, per channel
    struct Shape {
        double cutoff;    // of the filter, as a share of the input's Nyquist frequency
        size_t halfTaps;  // input frames used on each side of the output time
    };
    Shape shape() const;
    size_t take(const float* input, size_t frames);
    void makeRoom();
    void interpolate(const Shape& shape, float* frame);
    void interpolateNarrowed(const Shape& shape, float* frame);
    void advance();

    const SincFilter& filter_;
    // Zeroed when built, on the UI thread, so the callback never touches a page first (a
    // page fault there can cost milliseconds on a virtual machine).
    float left_[kCapacity]{};
    float right_[kCapacity]{};
    size_t fill_ = 0;     // buffered frames
    size_t centre_ = 0;   // buffer index of the input frame at or just before the output time
    int64_t origin_ = 0;  // timeline frame of buffer index 0
    double frac_ = 0;     // output time past the centre frame, 0 <= frac_ < 1
    StepRamp ramp_;
    float coefficients_[2 * kMaxHalfTaps]{};
};

}  // namespace engine
