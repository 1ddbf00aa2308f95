#pragma once
// An in-memory media engine: devices are records a test can read and steer
// (lengths, the play clock), and every call that breaks the engine's contract
// (an unknown or closed device, a play range or value the caller should have
// checked) is written down as a breach instead of being carried out.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/media_engine.h"

namespace fake {

struct FakeDevice {
    std::string path;
    int32_t parentWindow = 0;
    int64_t lengthMs = 0;
    int64_t positionMs = 0;
    int64_t playToMs = 0;
    engine::Mode mode = engine::Mode::Stopped;
    int32_t left = 1000, right = 1000, speed = 1000;
    bool cued = false;
    int32_t cueLevel = 0;
    int32_t x = 0, y = 0, cx = 0, cy = 0;
    bool open = true;
};

class FakeMediaEngine : public engine::MediaEngine {
  public:
    // What opening `path` gives: its length, or an error. Unknown paths open with
    // the default length.
    void addFile(const std::string& path, int64_t lengthMs);
    void refuseFile(const std::string& path, engine::OpenError error);

    // Runs the play clock of a playing device; it stops at the end of its range.
    void advance(engine::DeviceId device, int64_t ms);

    const FakeDevice& deviceAt(engine::DeviceId device) const { return devices_.at(device); }
    // The device most recently opened on `path`; throws when there is none.
    const FakeDevice& deviceOf(const std::string& path) const;
    int openDeviceCount() const;
    const std::vector<std::string>& breaches() const { return breaches_; }

    engine::OpenResult open(const std::string& path, int32_t parentWindow) override;
    void close(engine::DeviceId device) override;
    int64_t lengthMs(engine::DeviceId device) const override;
    int64_t positionMs(engine::DeviceId device) const override;
    engine::Mode mode(engine::DeviceId device) const override;
    void play(engine::DeviceId device, int64_t fromMs, int64_t toMs) override;
    void pause(engine::DeviceId device) override;
    void resume(engine::DeviceId device) override;
    void stop(engine::DeviceId device) override;
    void seek(engine::DeviceId device, int64_t positionMs) override;
    void setLevels(engine::DeviceId device, int32_t left, int32_t right) override;
    bool setSpeed(engine::DeviceId device, int32_t speed) override;
    void placeVideo(engine::DeviceId device, int32_t x, int32_t y, int32_t cx, int32_t cy) override;
    void setCue(engine::DeviceId device, bool cued, int32_t level) override;

    static constexpr int64_t kDefaultLengthMs = 180000;

  private:
    // The open device, or a breach noted and a scratch record to act on. The
    // engine's const queries note breaches too, hence the mutable records.
    FakeDevice& live(engine::DeviceId device, const char* call) const;
    void expect(bool kept, const std::string& breach);

    std::map<std::string, int64_t> lengths_;
    std::map<std::string, engine::OpenError> refusals_;
    mutable std::map<engine::DeviceId, FakeDevice> devices_;
    engine::DeviceId lastId_ = 0;
    mutable std::vector<std::string> breaches_;
    mutable FakeDevice scratch_;
};

}  // namespace fake
