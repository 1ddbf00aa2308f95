#include "engine/mixer_engine.h"

#include <algorithm>
#include <new>
#include <thread>

namespace engine {
namespace {

void addGaps(SoundGaps& total, const SoundGaps& more) {
    total.dropouts += more.dropouts;
    total.lateStarts += more.lateStarts;
}

}  // namespace

MixerEngine::MixerEngine(std::unique_ptr<Output> output)
    : sampleRate_(output->sampleRate()),
      periodFrames_(output->periodFrames()),
      output_(std::move(output)),
      limiter_(sampleRate_),
      cueLimiter_(sampleRate_),
      cueBlend_(periodFrames_) {
    cueBlend_.rampTo(0, 0);
    cueBlend_.jump();
    // Room for every device there can be: close, holding a device that only it owns while
    // the callback still mixes it, then hands it over without a chance of bad_alloc.
    closing_.reserve(kMaxDevices);
    output_->start(*this);
}

MixerEngine::~MixerEngine() {
    setHeadphones(nullptr);
    stopOutput();
    stopRecording();
    // The callback is gone: devices can be freed directly.
    videos_.clear();
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
    openAhead_.abandon();
    setHeadphones(nullptr);
    stopOutput();
    stopRecording();
    decltype(videos_) pictures;
    decltype(open_) openDevices;
    decltype(closing_) closingDevices;
    {
        std::lock_guard lock(mutex_);
        pictures.swap(videos_);
        openDevices.swap(open_);
        closingDevices.swap(closing_);
    }
    // The callback is gone for good: free every device and join its threads here, outside
    // the lock, each picture before its device.
    pictures.clear();
    openDevices.clear();
    closingDevices.clear();
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
            // Its reader thread is joined on the reaper, not in the callback nor here: it
            // may be held in a read of the file.
            reaper_.bury(std::move(*it));
            closing_.erase(it);
        }
    }
}

bool MixerEngine::readAhead(const std::string& path, std::chrono::milliseconds wait,
                            std::function<void()> answered) {
    return openAhead_.start(path, wait, std::move(answered));
}

ReadFile MixerEngine::readFile(const std::string& path, bool withPictures) const {
    ReadFile file;
    file.source = OpenSource(path, file.error);
    if (file.error != OpenError::None) {
        return file;
    }
    // A rate beyond the resampler's reach, which only a damaged header states, would play
    // at a wrong pitch.
    if (!WithinResamplerReach(static_cast<double>(sampleRate_) / file.source->sampleRate())) {
        return ReadFile::Failed(OpenError::InvalidFile);
    }
    if (const std::optional<PictureTimeline> pictures = file.source->pictureTimeline();
        pictures && withPictures) {
        file.pictures = VideoDecoder::open(path, *pictures);
    }
    return file;
}

OpenResult MixerEngine::open(const std::string& path, int32_t parentWindow) {
    std::optional<ReadFile> file;
    std::unique_ptr<Device> device;
    std::unique_ptr<VideoTrack> video;
    try {
        file = openAhead_.take(path);
        if (!file) {
            // Without a host for its picture no decoder thread is started for nothing.
            file = readFile(path, VideoTrack::CanShowIn(parentWindow));
        }
        if (file->error != OpenError::None) {
            return {0, file->error};
        }
        // The device and its picture are made before the lock: other commands need not
        // wait for them.
        device = std::make_unique<Device>(std::move(file->source), sampleRate_, periodFrames_);
        if (file->pictures) {
            video = VideoTrack::open(std::move(file->pictures), parentWindow, *device);
        }
    } catch (const std::bad_alloc&) {
        return {0, OpenError::OutOfMemory};
    }
    std::lock_guard lock(mutex_);
    collectRetired();
    if (open_.size() + closing_.size() >= kMaxDevices) {
        // The callback mixes at most kMaxDevices (closing ones fade out there too): a
        // device beyond them would report playing and never sound. Out of resources.
        return {0, OpenError::OutOfMemory};
    }
    if (!added_.tryPush(device.get())) {
        return {0, OpenError::Internal};  // the callback has not taken the last 256 opens
    }
    const DeviceId id = nextId_++;
    if (video) {
        videos_.emplace(id, std::move(video));
    }
    open_.emplace(id, std::move(device));
    return {id, OpenError::None};
}

void MixerEngine::close(DeviceId device) {
    std::unique_ptr<Device> closed;
    std::unique_ptr<VideoTrack> video;
    {
        std::lock_guard lock(mutex_);
        const auto it = open_.find(device);
        if (it == open_.end()) {
            return;
        }
        closed = std::move(it->second);
        open_.erase(it);
        if (const auto picture = videos_.find(device); picture != videos_.end()) {
            video = std::move(picture->second);
            videos_.erase(picture);
        }
    }
    // The picture goes at once, without the lock: its presenter reads the device's clock, so
    // the device is closed (and may be freed) only after. Its decoder, which may be held in a
    // read of the file, is freed on the reaper, before the device.
    if (video) {
        reaper_.bury(video->stopAndReleaseDecoder());
        video.reset();
    }
    std::lock_guard lock(mutex_);
    closed->requestClose();
    closing_.push_back(std::move(closed));
    collectRetired();
    noteCueing();
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

bool MixerEngine::setSpeed(DeviceId device, int32_t speed) {
    bool done = false;
    tell(device, [&](Device& d) { done = d.setSpeed(speed); });
    return done;
}

void MixerEngine::placeVideo(DeviceId device, int32_t x, int32_t y, int32_t cx, int32_t cy) {
    std::lock_guard lock(mutex_);
    if (const auto video = videos_.find(device); video != videos_.end()) {
        video->second->place(x, y, cx, cy);
    }
}

std::shared_ptr<const windowing::FrameTap> MixerEngine::frameTap(DeviceId device) const {
    std::lock_guard lock(mutex_);
    const auto video = videos_.find(device);
    return video != videos_.end() ? video->second->tap() : nullptr;
}

VideoStats MixerEngine::videoStats(DeviceId device) const {
    std::lock_guard lock(mutex_);
    const auto video = videos_.find(device);
    return video != videos_.end() ? video->second->stats() : VideoStats{};
}

void MixerEngine::setCue(DeviceId device, bool cued, int32_t level) {
    std::lock_guard lock(mutex_);
    if (Device* d = find(device)) {
        d->setCue(cued, level);
    }
    noteCueing();
}

void MixerEngine::noteCueing() {
    const bool any = std::any_of(open_.begin(), open_.end(),
                                 [](const auto& entry) { return entry.second->cued(); });
    cueing_.store(any, std::memory_order_relaxed);
}

void MixerEngine::setHeadphones(std::unique_ptr<Output> headphones) {
    std::unique_ptr<Output> old;
    {
        std::lock_guard lock(mutex_);
        headphonesOn_.store(false, std::memory_order_relaxed);
        old.swap(headphones_);
    }
    if (old) {
        old->stop();  // its callback, the cue link's consumer, is over
    }
    if (!headphones) {
        return;
    }
    cue_.configure(sampleRate_, periodFrames_, *headphones);
    headphones->start(cue_);
    std::lock_guard lock(mutex_);
    headphones_ = std::move(headphones);
    headphonesOn_.store(true, std::memory_order_relaxed);
}

void MixerEngine::renderPeriod(float* out, size_t frames, bool waitForData) noexcept {
    const int64_t now = output_->clockNs();
    for (size_t done = 0; done < frames;) {
        const size_t n = std::min(frames - done, kMaxChunk);
        const auto offsetNs = static_cast<int64_t>(static_cast<double>(done) * 1e9 / sampleRate_);
        renderChunk(out + 2 * done, n, waitForData, now + offsetNs);
        done += n;
    }
}

void MixerEngine::takeAddedDevices() noexcept {
    while (activeCount_ < kMaxDevices) {
        Device* added = nullptr;
        if (!added_.tryPop(added)) {
            break;
        }
        active_[activeCount_++] = added;
    }
}

void MixerEngine::renderChunk(float* out, size_t frames, bool waitForData, int64_t nowNs) noexcept {
    std::fill(out, out + 2 * frames, 0.0f);
    const bool headphones = headphonesOn_.load(std::memory_order_relaxed);
    float* cue = headphones ? startCueSum(frames) : nullptr;
    takeAddedDevices();
    for (size_t i = 0; i < activeCount_;) {
        Device* device = active_[i];
        if (device->mixInto(out, cue, frames, waitForData) && retired_.tryPush(device)) {
            active_[i] = active_[--activeCount_];  // order does not matter in a sum
            continue;
        }
        ++i;
    }
    limiter_.process(out, frames);
    feedRecorder(out, frames);
    if (headphones) {
        feedHeadphones(out, cue, frames, nowNs);
    }
}

// The headphones carry the cued sum, or the master while none is cued, crossfaded over a
// period between them. Returns the cued sum, zeroed for the devices to add into; none
// while the headphones carry the master alone (the blend rests on it).
float* MixerEngine::startCueSum(size_t frames) noexcept {
    const float wanted = cueing_.load(std::memory_order_relaxed) ? 1.0f : 0.0f;
    if (wanted != cueBlendTarget_) {
        cueBlendTarget_ = wanted;
        cueBlend_.rampTo(wanted, wanted);
    }
    if (cueBlend_.silent()) {
        return nullptr;
    }
    std::fill(cueMix_.begin(), cueMix_.begin() + static_cast<std::ptrdiff_t>(2 * frames), 0.0f);
    return cueMix_.data();
}

void MixerEngine::feedHeadphones(const float* master, float* cue, size_t frames,
                                 int64_t nowNs) noexcept {
    if (cue == nullptr) {
        cue_.push(master, frames, nowNs);
        return;
    }
    cueLimiter_.process(cue, frames);
    if (cueBlend_.ramping()) {  // otherwise it rests on the cued sum
        for (size_t i = 0; i < 2 * frames; i += 2) {
            cueBlend_.step();
            const float blend = cueBlend_.left();
            cue[i] = blend * cue[i] + (1 - blend) * master[i];
            cue[i + 1] = blend * cue[i + 1] + (1 - blend) * master[i + 1];
        }
    }
    cue_.push(cue, frames, nowNs);
}

std::string MixerEngine::startRecording(const std::string& path,
                                        MixRecorder::WriteHook beforeWrite) {
    {
        std::lock_guard lock(mutex_);
        if (recorder_ && recorder_->status().recording) {
            return "Already recording into " + recorder_->status().path + ".";
        }
    }
    stopRecording();  // one that failed on its own
    std::string error;
    std::unique_ptr<MixRecorder> recorder =
        MixRecorder::start(path, sampleRate_, error, std::move(beforeWrite));
    if (!recorder) {
        return error;
    }
    std::lock_guard lock(mutex_);
    recorder_ = std::move(recorder);
    recorderTap_.store(recorder_.get(), std::memory_order_seq_cst);
    return {};
}

RecordingStatus MixerEngine::stopRecording() {
    std::unique_ptr<MixRecorder> recorder;
    {
        std::lock_guard lock(mutex_);
        recorder.swap(recorder_);
    }
    if (!recorder) {
        return {};
    }
    // Either the callback sees the tap gone, or this sees it tapping (both sequentially
    // consistent): after the wait, it pushes no more.
    recorderTap_.store(nullptr, std::memory_order_seq_cst);
    while (tapping_.load(std::memory_order_seq_cst)) {
        std::this_thread::yield();
    }
    recorder->stop();
    return recorder->status();
}

RecordingStatus MixerEngine::recording() const {
    std::lock_guard lock(mutex_);
    return recorder_ ? recorder_->status() : RecordingStatus{};
}

void MixerEngine::recordPicture(std::shared_ptr<const windowing::VideoFrame> picture) {
    std::lock_guard lock(mutex_);
    if (recorder_) {
        recorder_->pushPicture(std::move(picture));
    }
}

void MixerEngine::feedRecorder(const float* master, size_t frames) noexcept {
    tapping_.store(true, std::memory_order_seq_cst);
    if (MixRecorder* recorder = recorderTap_.load(std::memory_order_seq_cst)) {
        recorder->push(master, frames);
    }
    tapping_.store(false, std::memory_order_seq_cst);
}

}  // namespace engine
