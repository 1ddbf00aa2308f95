#pragma once
// One open file on the engine: its source, a reader thread decoding ahead into a
// lock-free ring of blocks, and the audio callback's playback state (resampler, gains,
// fades, play range, position).
//
// Threads: the public UI members run on the UI thread (the Engine's caller) and never
// wait on the callback; mixInto runs on the audio callback and never locks, allocates,
// logs or does I/O (offline rendering aside, see mixInto); readerLoop runs on the
// device's own reader thread. Fields are grouped below by the thread that owns them, and
// the code by thread: device_transport.cpp (UI), device_reader.cpp, device_render.cpp.
//
// Units: "frames" are source frames at the file's rate (the device timeline), "output
// frames" are frames at the output's rate, "ms" are the interface's milliseconds.
//
// The callback's phases (CallbackState::phase) and what moves between them:
//
//   Idle ------ play where a seek left the reader -> Waiting
//   Idle ------ resume ---------------------------> Sounding, fading in
//   Waiting --- one period of silence ------------> Sounding, fading in (a start at 0: full)
//   Waiting --- pause, stop ----------------------> Idle
//   Sounding -- the range or the file ends -------> Idle; then a pending new start position
//                                                   is taken, a closing device dropped
//   Sounding -- pause, stop, a new start position or close: a fade-out, then (AfterFade)
//       Halt ---------------> Idle
//       StartNewPosition ---> Waiting without the wait when it plays, else Idle
//       Retire -------------> dropped by the callback
//       Nothing ------------> still Sounding: a resume during the fade-out fades back in
//   Idle, Waiting -- a new start position --------> Waiting when it plays, else Idle
//   Idle, Waiting -- close -----------------------> dropped by the callback at once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/device_clock.h"
#include "engine/gain_ramp.h"
#include "engine/media_engine.h"
#include "engine/resampler.h"
#include "engine/source.h"
#include "engine/spsc_ring.h"

namespace engine {

constexpr size_t kBlockFrames = 1024;  // source frames per ring block
constexpr size_t kRingBlocks = 64;     // about 1.4 s of sound at 48 kHz decoded ahead
constexpr size_t kChunkFrames = 256;   // output frames the callback resamples at once
constexpr double kMaxRatio = 256.0;    // the furthest speed takes the rate either way
// A play's end beyond any length: the sound's own end stops it.
constexpr int64_t kOpenEnd = int64_t{1} << 62;

// Whether the resampler reaches `ratio` (output frames per source frame); false for NaN.
inline bool WithinResamplerReach(double ratio) {
    return ratio <= kMaxRatio && ratio >= 1.0 / kMaxRatio;
}

// One block of decoded sound on the device timeline. The reader fills it in place in the
// ring; the callback reads it in place. The headers form one small table and the samples
// live apart (see Device::blockSamples_), so that skipping stale blocks after a seek reads
// that table, which the callback keeps warm, rather than one page per block: on a machine
// under memory pressure a page untouched for a second can take tens of microseconds to
// reach again. Aligned so that the reader filling one header never shares a cache line
// with the header the callback is reading.
struct alignas(64) AudioBlock {
    uint32_t epoch = 0;        // the start position it belongs to (see Transport)
    int64_t startFrame = 0;    // timeline frame of samples[0]
    uint32_t frames = 0;       // valid frames in samples
    bool endOfStream = false;  // the last block of this epoch: the length was reached
    float* samples = nullptr;  // kBlockFrames interleaved stereo frames
};

// Times the callback found a device's sound missing because its reader was behind.
struct SoundGaps {
    uint64_t dropouts = 0;    // sound of a play stopped short: heard as a gap
    uint64_t lateStarts = 0;  // a play's first sound was not decoded yet: it starts later
};

// What the UI thread asks of the callback, published through a seqlock.
struct Transport {
    uint32_t seq = 0;  // counts transport commands
    Mode mode = Mode::Stopped;
    uint32_t epoch = 0;  // changes with every new start position (play from, seek)
    int64_t start = 0;   // frames: where the epoch starts
    int64_t end = 0;     // frames: where playing stops
};

class Device final : public DeviceClock {
  public:
    // UI thread. Starts the reader at frame 0.
    Device(std::unique_ptr<Source> source, int outputRate, size_t periodFrames);
    // UI thread, after the callback has let go of the device (or never had it).
    ~Device() override;
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // UI thread. Each takes effect synchronously for mode() and positionMs().
    int64_t lengthMs() const;
    int64_t positionMs() const;
    Mode mode() const;
    void play(int64_t fromMs, int64_t toMs);
    void pause();
    void resume();
    void stop();
    void seek(int64_t positionMs);
    void setLevels(int32_t left, int32_t right);
    // The headphones' level (0..1000, both channels) while `cued`; off the headphones else.
    void setCue(bool cued, int32_t level);
    bool cued() const { return uiCued_; }
    // False when the resampler cannot reach that speed for this file's rate.
    bool setSpeed(int32_t speed);
    void requestClose();
    // Any thread: how often the callback found this device's sound missing (reader behind).
    SoundGaps gaps() const {
        return {dropouts_.load(std::memory_order_relaxed),
                lateStarts_.load(std::memory_order_relaxed)};
    }

    // Any thread: the clock the device's pictures follow.
    ClockReading readClock() const override;

    // Audio callback: adds `frames` output frames of this device into `mix`, and into `cue`
    // (the headphones' sum, when there is one) at its cue level. Returns true
    // once the device is closed and its fade-out is done: the callback drops it then.
    // With waitForData (offline rendering only) it waits, bounded, for its reader instead
    // of treating a missing block as an underrun.
    bool mixInto(float* mix, float* cue, size_t frames, bool waitForData) noexcept;

  private:
    static constexpr uint32_t kFullLevels = (1000u << 16) | 1000u;  // see levels_
    enum class Phase { Idle, Waiting, Sounding };
    enum class AfterFade { Nothing, Halt, StartNewPosition, Retire };
    struct Snapshot {
        Mode mode;
        int64_t frame;
    };
    // What the transport commands last set; frames.
    struct Anchor {
        uint32_t seq = 0;
        Mode mode = Mode::Stopped;
        int64_t frame = 0;  // where it rests, or where the play began
        int64_t end = 0;
        uint32_t epoch = 1;
        int64_t epochStart = 0;
    };

    // Any thread: mode and position under `anchor`, from what the callback reported.
    Snapshot snapshotAt(const Anchor& anchor) const;

    // UI thread helpers.
    Anchor uiAnchor() const;
    Snapshot current() const;
    void settle();
    void switchMode(Mode from, Mode to);
    void publishTransport();
    void requestReader(uint32_t epoch, int64_t startFrame);
    int64_t lengthFrames() const;
    int64_t endOf(int64_t frame) const;
    int64_t msToFrames(int64_t ms) const;
    double ratioAt(int32_t speed) const;  // output frames per source frame
    int64_t framesToMs(int64_t frames) const;

    // Reader thread.
    void readerLoop();

    // Callback: the state machine.
    bool readTransport(Transport& out) const;
    void pollControls();
    void followSamePosition(const Transport& transport);
    void pollLevelsAndSpeed();
    void pollClose();
    void startNewPosition(bool afterFadeOut);
    void fadeIn();
    void fadeOut(AfterFade then);
    size_t waitToStart(size_t frames);
    bool soundChunk(float* mix, float* cue, size_t frames, bool waitForData);
    bool finishPlay();
    void noteUnderrun();
    bool finishFadeOut();
    void publishPosition();
    // Callback: the sound.
    AudioBlock* usableBlock(bool waitForData);
    size_t produce(float* out, size_t frames, bool waitForData);
    void consumeInput(AudioBlock* block, size_t frames);
    void addWithGains(float* mix, float* cue, size_t frames);
    template <bool kToHeadphones>
    void addFrames(float* mix, float* cue, size_t frames);

    // Immutable after construction.
    const int fileRate_;
    const int outputRate_;
    const size_t periodFrames_;
    // Used by the reader thread only after start; its length is asked from any.
    std::unique_ptr<Source> source_;

    // UI thread only.
    Mode uiMode_ = Mode::Stopped;
    int64_t uiFrame_ = 0;  // position while not playing; until the callback reports, the anchor
    int64_t uiEnd_ = 0;    // end frame of the current play
    uint32_t uiSeq_ = 0;
    uint32_t uiEpoch_ = 1;
    int64_t uiEpochStart_ = 0;
    bool uiEpochFresh_ = true;  // the reader was sent to uiEpochStart_ and nothing played it
    bool uiCued_ = false;

    // Shared: UI -> callback.
    std::atomic<uint32_t> transportVersion_{0};  // seqlock: odd while the UI writes
    std::atomic<uint32_t> transportSeq_{0}, transportMode_{0}, transportEpoch_{0};
    std::atomic<int64_t> transportStart_{0}, transportEnd_{0};
    std::atomic<uint32_t> levels_{kFullLevels};  // left << 16 | right, 0..1000
    std::atomic<int32_t> speed_{1000};
    std::atomic<int32_t> cueLevel_{0};  // 0..1000; 0 while not cued
    std::atomic<bool> closing_{false};
    // Shared: callback -> UI.
    static constexpr uint64_t kPositionMask = (uint64_t{1} << 48) - 1;
    std::atomic<uint64_t> published_{0};   // seq (16 bits) << 48 | position frames (48 bits)
    std::atomic<uint32_t> endedSeq_{~0u};  // seq of the play that reached its end
    std::atomic<uint64_t> dropouts_{0};    // SoundGaps, written by the callback only
    std::atomic<uint64_t> lateStarts_{0};
    // Shared: UI -> any thread reading the clock (not the callback, so a mutex is fine).
    mutable std::mutex anchorMutex_;
    Anchor anchor_;  // guarded by anchorMutex_
    // Shared: UI -> reader (not realtime, so a mutex is fine here).
    std::mutex requestMutex_;
    std::condition_variable requestChanged_;
    uint32_t requestEpoch_ = 1;  // guarded by requestMutex_
    int64_t requestStart_ = 0;   // guarded by requestMutex_
    bool quitReader_ = false;    // guarded by requestMutex_
    std::atomic<bool> readerStopped_{false};
    // Shared: reader -> callback. Fixed blocks: the callback may not allocate. The block in
    // ring slot i keeps its samples in blockSamples_[i].
    SpscRing<AudioBlock, kRingBlocks> ring_;
    std::array<std::array<float, kBlockFrames * 2>, kRingBlocks> blockSamples_;

    // Callback only.
    struct CallbackState {
        explicit CallbackState(size_t periodFrames)
            : levels(periodFrames), cueLevels(periodFrames), envelope(periodFrames) {
            cueLevels.rampTo(0, 0);
            cueLevels.jump();
        }
        Transport requested;  // the transport last read
        uint32_t seq = 0;     // transport seq whose effect the state reflects
        uint32_t epoch = 0;
        Phase phase = Phase::Idle;
        AfterFade afterFade = AfterFade::Nothing;
        size_t startDelay = 0;    // output frames of silence left before a fresh start
        bool fresh = true;        // nothing of this epoch has sounded yet
        bool heard = false;       // some sound of this epoch has gone out
        bool ended = false;       // this epoch reached its end
        bool inputEnded = false;  // the reader's end-of-stream block was consumed
        bool closing = false;
        double position = 0;                // frames: what has reached the output
        int64_t fed = 0;                    // frames handed to the resampler
        int64_t end = 0;                    // frames
        size_t blockOffset = 0;             // frames of the ring's front block already used
        LevelRamp levels;                   // toward levelsSeen
        LevelRamp cueLevels;                // toward cueLevelSeen, both channels alike
        int32_t cueLevelSeen = 0;           // the last cueLevel_ read
        FadeEnvelope envelope;              // play, pause, new start positions, close
        uint32_t levelsSeen = kFullLevels;  // the last levels_ read
        double ratio = 1;                   // output frames per source frame, speed included
        float scratch[kChunkFrames * 2]{};
    } callback_;
    Resampler resampler_;  // callback only (built with the device); at ratio 1 a bit-exact copy

    std::thread reader_;  // last: started after everything above exists
};

}  // namespace engine
