#include "fake_media_engine.h"

#include <algorithm>
#include <stdexcept>

namespace fake {

using engine::DeviceId;
using engine::Mode;

void FakeMediaEngine::addFile(const std::string& path, int64_t lengthMs) {
    lengths_[path] = lengthMs;
}

void FakeMediaEngine::refuseFile(const std::string& path, engine::OpenError error) {
    refusals_[path] = error;
}

void FakeMediaEngine::advance(DeviceId device, int64_t ms) {
    FakeDevice& playing = live(device, "advance");
    if (playing.mode != Mode::Playing) {
        return;
    }
    playing.positionMs = std::min(playing.positionMs + ms, playing.playToMs);
    if (playing.positionMs == playing.playToMs) {
        playing.mode = Mode::Stopped;
    }
}

const FakeDevice& FakeMediaEngine::deviceOf(const std::string& path) const {
    for (auto device = devices_.rbegin(); device != devices_.rend(); ++device) {
        if (device->second.path == path) {
            return device->second;
        }
    }
    throw std::out_of_range("no device opened on " + path);
}

int FakeMediaEngine::openDeviceCount() const {
    return static_cast<int>(std::count_if(devices_.begin(), devices_.end(),
                                          [](const auto& device) { return device.second.open; }));
}

engine::OpenResult FakeMediaEngine::open(const std::string& path, int32_t parentWindow) {
    if (const auto refused = refusals_.find(path); refused != refusals_.end()) {
        return {0, refused->second};
    }
    const auto length = lengths_.find(path);
    FakeDevice device;
    device.path = path;
    device.parentWindow = parentWindow;
    device.lengthMs = length != lengths_.end() ? length->second : kDefaultLengthMs;
    devices_[++lastId_] = device;
    return {lastId_, engine::OpenError::None};
}

void FakeMediaEngine::close(DeviceId device) {
    live(device, "close").open = false;
}

int64_t FakeMediaEngine::lengthMs(DeviceId device) const {
    return live(device, "lengthMs").lengthMs;
}

int64_t FakeMediaEngine::positionMs(DeviceId device) const {
    return live(device, "positionMs").positionMs;
}

Mode FakeMediaEngine::mode(DeviceId device) const {
    return live(device, "mode").mode;
}

void FakeMediaEngine::play(DeviceId device, int64_t fromMs, int64_t toMs) {
    FakeDevice& played = live(device, "play");
    expect(0 <= fromMs && fromMs <= toMs && toMs <= played.lengthMs,
           "play range " + std::to_string(fromMs) + ".." + std::to_string(toMs));
    played.positionMs = fromMs;
    played.playToMs = toMs;
    played.mode = Mode::Playing;
}

void FakeMediaEngine::pause(DeviceId device) {
    FakeDevice& paused = live(device, "pause");
    if (paused.mode == Mode::Playing) {
        paused.mode = Mode::Paused;
    }
}

void FakeMediaEngine::resume(DeviceId device) {
    FakeDevice& resumed = live(device, "resume");
    if (resumed.mode == Mode::Paused) {
        resumed.mode = Mode::Playing;
    }
}

void FakeMediaEngine::stop(DeviceId device) {
    live(device, "stop").mode = Mode::Stopped;
}

void FakeMediaEngine::seek(DeviceId device, int64_t positionMs) {
    FakeDevice& moved = live(device, "seek");
    expect(0 <= positionMs && positionMs <= moved.lengthMs, "seek " + std::to_string(positionMs));
    moved.mode = Mode::Stopped;
    moved.positionMs = positionMs;
}

void FakeMediaEngine::setLevels(DeviceId device, int32_t left, int32_t right) {
    FakeDevice& levelled = live(device, "setLevels");
    expect(left >= 0 && left <= 1000 && right >= 0 && right <= 1000, "levels out of range");
    levelled.left = left;
    levelled.right = right;
}

void FakeMediaEngine::setCue(DeviceId device, bool cued, int32_t level) {
    FakeDevice& cuedDevice = live(device, "setCue");
    expect(level >= 0 && level <= 1000, "cue level out of range");
    cuedDevice.cued = cued;
    cuedDevice.cueLevel = level;
}

bool FakeMediaEngine::setSpeed(DeviceId device, int32_t speed) {
    FakeDevice& sped = live(device, "setSpeed");
    expect(speed > 0, "speed " + std::to_string(speed));
    sped.speed = speed;
    return true;
}

void FakeMediaEngine::placeVideo(DeviceId device, int32_t x, int32_t y, int32_t cx, int32_t cy) {
    FakeDevice& placed = live(device, "placeVideo");
    placed.x = x;
    placed.y = y;
    placed.cx = cx;
    placed.cy = cy;
}

FakeDevice& FakeMediaEngine::live(DeviceId device, const char* call) const {
    const auto found = devices_.find(device);
    if (found != devices_.end() && found->second.open) {
        return found->second;
    }
    breaches_.push_back(std::string(call) + " on device " + std::to_string(device));
    scratch_ = FakeDevice{};
    return scratch_;
}

void FakeMediaEngine::expect(bool kept, const std::string& breach) {
    if (!kept) {
        breaches_.push_back(breach);
    }
}

}  // namespace fake
