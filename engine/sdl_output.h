#pragma once
// The SDL2 output: float stereo, 48 kHz (or the device's rate), 256-frame periods, on the
// system's default playback device or one named in SDL's list.
//
// Threads: open/start/stop/lost on the owning (UI or watchdog) thread; the callback runs
// on SDL's audio thread.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/output.h"

namespace engine {

class SdlOutput final : public Output {
  public:
    SdlOutput() = default;
    ~SdlOutput() override;
    // The playback devices' names as SDL lists them (with PulseAudio or PipeWire, the
    // sinks' descriptions); empty when SDL's audio does not start.
    static std::vector<std::string> PlaybackDevices();

    // Opens the device named `name` (the default for ""); false when it does not open (no
    // sound card, no server, no such device). Without `rateMayChange` SDL converts to
    // `wantedRate` rather than taking the device's own.
    bool open(const std::string& name = "", int wantedRate = 48000, size_t wantedPeriod = 256,
              bool rateMayChange = true);
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
