#pragma once
// The offline output for tests and benchmarks: nothing runs on its own; render() runs
// the engine's callback on the caller's thread, without real time. Before a device is
// short of decoded sound, the callback waits for its reader (bounded), so a render is
// deterministic.
//
// Threads: everything on the thread that owns the engine (the test's thread).

#include <cstdint>

#include "engine/output.h"

namespace engine {

class OfflineOutput final : public Output {
  public:
    // `clockRate`: the frames a second its simulated clock counts, when its crystal is meant
    // to disagree with the stated rate (as two sound cards' do); the stated rate otherwise.
    explicit OfflineOutput(int sampleRate = 48000, size_t periodFrames = 256, double clockRate = 0)
        : sampleRate_(sampleRate),
          periodFrames_(periodFrames),
          clockRate_(clockRate > 0 ? clockRate : sampleRate) {}
    bool start(RenderCallback& callback) override {
        callback_ = &callback;
        return true;
    }
    void stop() override { callback_ = nullptr; }
    int sampleRate() const override { return sampleRate_; }
    size_t periodFrames() const override { return periodFrames_; }
    // The simulated time: the frames rendered so far at the clock's rate.
    int64_t clockNs() const noexcept override {
        return static_cast<int64_t>(static_cast<double>(rendered_) * 1e9 / clockRate_);
    }

    // Renders `frames` interleaved stereo float frames into `interleavedStereo`, in
    // callbacks of at most one period each. Silence when the engine is not attached.
    void render(float* interleavedStereo, size_t frames);

    // Lets `frames` of time pass without a callback, as a device that has gone away.
    void idle(size_t frames) { rendered_ += static_cast<int64_t>(frames); }

  private:
    const int sampleRate_;
    const size_t periodFrames_;
    const double clockRate_;
    int64_t rendered_ = 0;  // frames
    RenderCallback* callback_ = nullptr;
};

}  // namespace engine
