// Device, UI thread: construction, the transport commands and the queries. Each command
// settles the mode and position the callback reported, changes them synchronously and
// publishes the new transport for the callback.

#include <algorithm>

#include "engine/device.h"

namespace engine {
namespace {

uint32_t packLevels(int32_t left, int32_t right) {
    const auto clampLevel = [](int32_t v) { return static_cast<uint32_t>(std::clamp(v, 0, 1000)); };
    return (clampLevel(left) << 16) | clampLevel(right);
}

}  // namespace

Device::Device(std::unique_ptr<Source> source, int outputRate, size_t periodFrames)
    : fileRate_(source->sampleRate()),
      outputRate_(outputRate),
      periodFrames_(periodFrames),
      source_(std::move(source)),
      callback_(periodFrames) {
    callback_.ratio = static_cast<double>(outputRate_) / fileRate_;
    resampler_.setRatio(callback_.ratio, 0);
    uiEnd_ = endOf(lengthFrames());
    anchor_ = uiAnchor();
    // The reader starts at epoch 1, frame 0, so that a play from 0 right after open finds
    // its sound already decoded. The callback starts there with the first transport.
    reader_ = std::thread([this] { readerLoop(); });
}

Device::~Device() {
    {
        std::lock_guard lock(requestMutex_);
        quitReader_ = true;
    }
    source_->interrupt();
    requestChanged_.notify_all();
    if (reader_.joinable()) {
        reader_.join();
    }
}

int64_t Device::lengthFrames() const {
    return source_->lengthFrames();
}

// Where a play to `frame` ends: there, or where the sound ends when that is the end of a
// length still estimated.
int64_t Device::endOf(int64_t frame) const {
    return frame >= lengthFrames() && !source_->lengthIsFinal() ? kOpenEnd : frame;
}

int64_t Device::msToFrames(int64_t ms) const {
    return std::clamp<int64_t>((ms * fileRate_ + 500) / 1000, 0, lengthFrames());
}

int64_t Device::framesToMs(int64_t frames) const {
    return (frames * 1000 + fileRate_ / 2) / fileRate_;
}

int64_t Device::lengthMs() const {
    return framesToMs(lengthFrames());
}

Device::Snapshot Device::snapshotAt(const Anchor& anchor) const {
    if (anchor.mode != Mode::Playing) {
        return {anchor.mode, anchor.frame};
    }
    // endedSeq_ first: the callback publishes the position before the end, so a matching
    // end guarantees the position read next is the final one.
    const bool ended = endedSeq_.load(std::memory_order_acquire) == anchor.seq;
    const uint64_t word = published_.load(std::memory_order_acquire);
    const bool reflectsUs = (word >> 48) == (anchor.seq & 0xFFFF);
    const int64_t frame = reflectsUs ? static_cast<int64_t>(word & kPositionMask) : anchor.frame;
    if (ended) {
        return {Mode::Stopped, reflectsUs ? frame : std::min(anchor.end, lengthFrames())};
    }
    return {Mode::Playing, frame};
}

Device::Anchor Device::uiAnchor() const {
    return {uiSeq_, uiMode_, uiFrame_, uiEnd_, uiEpoch_, uiEpochStart_};
}

Device::Snapshot Device::current() const {
    return snapshotAt(uiAnchor());
}

ClockReading Device::readClock() const {
    Anchor anchor;
    {
        std::lock_guard lock(anchorMutex_);
        anchor = anchor_;
    }
    const Snapshot now = snapshotAt(anchor);
    return {now.mode, framesToMs(now.frame), anchor.epoch, framesToMs(anchor.epochStart),
            speed_.load(std::memory_order_relaxed)};
}

void Device::settle() {
    const Snapshot now = current();
    uiMode_ = now.mode;
    uiFrame_ = now.frame;
}

int64_t Device::positionMs() const {
    return framesToMs(current().frame);
}

Mode Device::mode() const {
    return current().mode;
}

// Seqlock without fences (ThreadSanitizer does not model them): the version turns odd,
// each field is stored with release (so the odd version is visible before any new field),
// then the version turns even with release. The reader loads the fields with acquire, so
// its second load of the version cannot move before them; a torn read shows as a changed
// version and is retried next period.
void Device::publishTransport() {
    ++uiSeq_;
    const uint32_t version = transportVersion_.load(std::memory_order_relaxed);
    transportVersion_.store(version + 1, std::memory_order_relaxed);
    transportSeq_.store(uiSeq_, std::memory_order_release);
    transportMode_.store(static_cast<uint32_t>(uiMode_), std::memory_order_release);
    transportEpoch_.store(uiEpoch_, std::memory_order_release);
    transportStart_.store(uiEpochStart_, std::memory_order_release);
    transportEnd_.store(uiEnd_, std::memory_order_release);
    transportVersion_.store(version + 2, std::memory_order_release);
    std::lock_guard lock(anchorMutex_);
    anchor_ = uiAnchor();
}

void Device::requestReader(uint32_t epoch, int64_t startFrame) {
    {
        std::lock_guard lock(requestMutex_);
        requestEpoch_ = epoch;
        requestStart_ = startFrame;
    }
    requestChanged_.notify_one();
}

void Device::play(int64_t fromMs, int64_t toMs) {
    settle();
    const int64_t from = msToFrames(fromMs);
    const int64_t to = std::max(from, msToFrames(toMs));
    if (!(uiEpochFresh_ && from == uiEpochStart_)) {
        ++uiEpoch_;
        uiEpochStart_ = from;
        requestReader(uiEpoch_, from);
    }
    uiEpochFresh_ = false;
    uiEnd_ = endOf(to);
    uiFrame_ = from;
    uiMode_ = from < to ? Mode::Playing : Mode::Stopped;
    publishTransport();
}

void Device::pause() {
    switchMode(Mode::Playing, Mode::Paused);
}

void Device::resume() {
    switchMode(Mode::Paused, Mode::Playing);
}

// A transport change that applies only in mode `from`; in any other it changes nothing.
void Device::switchMode(Mode from, Mode to) {
    settle();
    if (uiMode_ != from) {
        return;
    }
    uiMode_ = to;
    publishTransport();
}

void Device::stop() {
    settle();
    if (uiMode_ == Mode::Stopped) {
        return;
    }
    uiMode_ = Mode::Stopped;
    publishTransport();
}

void Device::seek(int64_t positionMs) {
    settle();
    const int64_t frame = msToFrames(positionMs);
    ++uiEpoch_;
    uiEpochStart_ = frame;
    uiEpochFresh_ = true;
    requestReader(uiEpoch_, frame);  // decode ahead now: a play from here starts at once
    uiFrame_ = frame;
    uiEnd_ = endOf(lengthFrames());
    uiMode_ = Mode::Stopped;
    publishTransport();
}

void Device::setLevels(int32_t left, int32_t right) {
    levels_.store(packLevels(left, right), std::memory_order_relaxed);
}

void Device::setCue(bool cued, int32_t level) {
    uiCued_ = cued;
    cueLevel_.store(cued ? std::clamp(level, 0, 1000) : 0, std::memory_order_relaxed);
}

double Device::ratioAt(int32_t speed) const {
    return static_cast<double>(outputRate_) * 1000.0 /
           (static_cast<double>(fileRate_) * std::max(speed, 1));
}

bool Device::setSpeed(int32_t speed) {
    const double ratio = ratioAt(speed);
    if (speed <= 0 || !WithinResamplerReach(ratio)) {
        return false;
    }
    speed_.store(speed, std::memory_order_relaxed);
    return true;
}

void Device::requestClose() {
    closing_.store(true, std::memory_order_release);
    // The reader may stop now: the fade-out uses what is already decoded.
    {
        std::lock_guard lock(requestMutex_);
        quitReader_ = true;
    }
    source_->interrupt();
    requestChanged_.notify_one();
}

}  // namespace engine
