#pragma once
// A clocked null output: runs the callback on its own thread every period, paced on
// std::chrono::steady_clock from a frame count, so positions advance in true real time
// on machines without a sound card (SDL's dummy driver sleeps whole milliseconds and
// drifts). The rendered sound is dropped.
//
// Threads: start/stop on the owning (UI) thread; the callback runs on the clock thread.

#include <atomic>
#include <thread>

#include "engine/output.h"

namespace engine {

class NullOutput final : public Output {
  public:
    NullOutput(int sampleRate, size_t periodFrames);
    ~NullOutput() override;
    bool start(RenderCallback& callback) override;
    void stop() override;
    int sampleRate() const override { return sampleRate_; }
    size_t periodFrames() const override { return periodFrames_; }

  private:
    void run(RenderCallback& callback);

    // Immutable after construction.
    const int sampleRate_;
    const size_t periodFrames_;
    // Owning thread only.
    std::thread thread_;
    // Shared.
    std::atomic<bool> running_{false};
};

}  // namespace engine
