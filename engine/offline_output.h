#pragma once
// The offline output for tests and benchmarks: nothing runs on its own; render() runs
// the engine's callback on the caller's thread, without real time. Before a device is
// short of decoded sound, the callback waits for its reader (bounded), so a render is
// deterministic.
//
// Threads: everything on the thread that owns the engine (the test's thread).

#include "engine/output.h"

namespace engine {

class OfflineOutput final : public Output {
  public:
    explicit OfflineOutput(int sampleRate = 48000, size_t periodFrames = 256)
        : sampleRate_(sampleRate), periodFrames_(periodFrames) {}
    bool start(RenderCallback& callback) override {
        callback_ = &callback;
        return true;
    }
    void stop() override { callback_ = nullptr; }
    int sampleRate() const override { return sampleRate_; }
    size_t periodFrames() const override { return periodFrames_; }

    // Renders `frames` interleaved stereo float frames into `interleavedStereo`, in
    // callbacks of at most one period each. Silence when the engine is not attached.
    void render(float* interleavedStereo, size_t frames);

  private:
    const int sampleRate_;
    const size_t periodFrames_;
    RenderCallback* callback_ = nullptr;
};

}  // namespace engine
