#include "engine/mixer_engine.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace engine {
namespace {

// Soft limiter: unity below the knee, then a rational curve (slope 1 at the knee, so no
// corner) that approaches full scale but never reaches it, so a sum of loud decks bends
// instead of wrapping or clipping hard. (tanh would round to exactly 1 in float.)
constexpr float kKnee = 0.8f;

inline float softLimit(float x) {
    const float magnitude = std::fabs(x);
    if (magnitude <= kKnee) {
        return x;
    }
    const float over = (magnitude - kKnee) / (1.0f - kKnee);
    const float bent = kKnee + (1.0f - kKnee) * over / (1.0f + over);
    return std::copysign(bent, x);
}

void addGaps(SoundGaps& total, const SoundGaps& more) {
    total.dropouts += more.dropouts;
    total.lateStarts += more.lateStarts;
}

}  // namespace

MixerEngine::MixerEngine(std::unique_ptr<Output> output)
    : sampleRate_(output->sampleRate()),
      periodFrames_(output->periodFrames()),
      output_(std::move(output)) {
    output_->start(*this);
}

MixerEngine::~MixerEngine() {
    stopOutput();
    // The callback is gone: devices can be freed directly.
    open_.clear();
    closing_.clear();
}

void MixerEngine::stopOutput() {
    std::lock_guard lock(mutex_);
    if (output_) {
        output_->stop();
    }
}

void MixerEngine::shutdown() {
    stopOutput();
    std::lock_guard lock(mutex_);
    // The callback is gone for good: free every device and join its reader here.
    open_.clear();
    closing_.clear();
}

Device* MixerEngine::find(DeviceId device) const {
    const auto it = open_.find(device);
    return it == open_.end() ? nullptr : it->second.get();
}

void MixerEngine::collectRetired() {
    Device* done = nullptr;
    while (retired_.tryPop(done)) {
        const auto it = std::find_if(closing_.begin(), closing_.end(),
                                     [done](const auto& d) { return d.get() == done; });
        if (it != closing_.end()) {
            addGaps(freedGaps_, done->gaps());
            closing_.erase(it);  // joins the reader thread, here and not in the callback
        }
    }
}

OpenResult MixerEngine::open(const std::string& path, int32_t /*parentWindow*/) {
    OpenError error = OpenError::None;
    std::unique_ptr<FfmpegSource> source;
    try {
        source = FfmpegSource::open(path, error);
    } catch (const std::bad_alloc&) {
        return {0, OpenError::OutOfMemory};
    }
    if (error != OpenError::None) {
        return {0, error};
    }
    std::lock_guard lock(mutex_);
    collectRetired();
    std::unique_ptr<Device> device;
    try {
        device = std::make_unique<Device>(std::move(source), sampleRate_, periodFrames_);
    } catch (const std::bad_alloc&) {
        return {0, OpenError::OutOfMemory};
    }
    if (!added_.tryPush(device.get())) {
        return {0, OpenError::Internal};  // the callback has not taken the last 256 opens
    }
    const DeviceId id = nextId_++;
    open_.emplace(id, std::move(device));
    return {id, OpenError::None};
}

void MixerEngine::close(DeviceId device) {
    std::lock_guard lock(mutex_);
    const auto it = open_.find(device);
    if (it == open_.end()) {
        return;
    }
    it->second->requestClose();
    closing_.push_back(std::move(it->second));
    open_.erase(it);
    collectRetired();
}

SoundGaps MixerEngine::gaps() const {
    std::lock_guard lock(mutex_);
    SoundGaps total = freedGaps_;
    for (const auto& [id, device] : open_) {
        addGaps(total, device->gaps());
    }
    for (const auto& device : closing_) {
        addGaps(total, device->gaps());
    }
    return total;
}

int64_t MixerEngine::lengthMs(DeviceId device) const {
    return ask(device, &Device::lengthMs, int64_t{0});
}

int64_t MixerEngine::positionMs(DeviceId device) const {
    return ask(device, &Device::positionMs, int64_t{0});
}

Mode MixerEngine::mode(DeviceId device) const {
    return ask(device, &Device::mode, Mode::Stopped);
}

void MixerEngine::play(DeviceId device, int64_t fromMs, int64_t toMs) {
    tell(device, [=](Device& d) { d.play(fromMs, toMs); });
}

void MixerEngine::pause(DeviceId device) {
    tell(device, [](Device& d) { d.pause(); });
}

void MixerEngine::resume(DeviceId device) {
    tell(device, [](Device& d) { d.resume(); });
}

void MixerEngine::stop(DeviceId device) {
    tell(device, [](Device& d) { d.stop(); });
}

void MixerEngine::seek(DeviceId device, int64_t positionMs) {
    tell(device, [=](Device& d) { d.seek(positionMs); });
}

void MixerEngine::setLevels(DeviceId device, int32_t left, int32_t right) {
    tell(device, [=](Device& d) { d.setLevels(left, right); });
}

void MixerEngine::setSpeed(DeviceId device, int32_t speed) {
    tell(device, [=](Device& d) { d.setSpeed(speed); });
}

void MixerEngine::placeVideo(DeviceId /*device*/, int32_t, int32_t, int32_t, int32_t) {
    // Pictures come with the video issue; the rectangle has nothing to place yet.
}

void MixerEngine::renderPeriod(float* out, size_t frames, bool waitForData) noexcept {
    std::fill(out, out + 2 * frames, 0.0f);
    while (activeCount_ < kMaxDevices) {
        Device* added = nullptr;
        if (!added_.tryPop(added)) {
            break;
        }
        active_[activeCount_++] = added;
    }
    for (size_t i = 0; i < activeCount_;) {
        Device* device = active_[i];
        if (device->mixInto(out, frames, waitForData) && retired_.tryPush(device)) {
            active_[i] = active_[--activeCount_];  // order does not matter in a sum
            continue;
        }
        ++i;
    }
    for (size_t i = 0; i < 2 * frames; ++i) {
        out[i] = softLimit(out[i]);
    }
}

}  // namespace engine
