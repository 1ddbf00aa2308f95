#pragma once
// The SDL2 output: float stereo, 48 kHz (or the device's rate), 256-frame periods.
//
// Threads: open/start/stop/lost on the owning (UI or watchdog) thread; the callback runs
// on SDL's audio thread.

#include <cstdint>

#include "engine/output.h"

namespace engine {

class SdlOutput final : public Output {
  public:
    SdlOutput() = default;
    ~SdlOutput() override;
    // Opens the default device; false when none opens (no sound card, no server).
    bool open(int wantedRate = 48000, size_t wantedPeriod = 256);
    bool start(RenderCallback& callback) override;
    void stop() override;
    int sampleRate() const override { return sampleRate_; }
    size_t periodFrames() const override { return periodFrames_; }
    // True once the device has gone away (unplugged, server died) while open; each
    // such answer is logged. Opening logs its outcome.
    bool lost() const;

  private:
    static void audioCallback(void* self, uint8_t* stream, int bytes);

    uint32_t device_ = 0;
    int sampleRate_ = 48000;
    size_t periodFrames_ = 256;
    RenderCallback* callback_ = nullptr;  // written before SDL starts calling, read by SDL
};

}  // namespace engine
