#include "engine/video_presenter.h"

#include <algorithm>
#include <chrono>

namespace engine {
namespace {

// A decoder this far behind the clock starts again at the clock rather than catching up
// frame by frame (a render that jumped, a machine too slow for the speed).
constexpr int64_t kCatchUpMs = 1000;
// How long the presenter sleeps at most: the delay of a seek or a stop reaching the picture.
constexpr auto kLongestWait = std::chrono::milliseconds(20);

uint64_t packSize(int32_t width, int32_t height) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(width)) << 32) |
           static_cast<uint32_t>(height);
}

}  // namespace

VideoPresenter::VideoPresenter(VideoDecoder& decoder, const DeviceClock& clock,
                               windowing::Picture& picture, windowing::FrameTap& tap, int32_t width,
                               int32_t height)
    : decoder_(decoder),
      clock_(clock),
      picture_(picture),
      tap_(tap),
      size_(packSize(width, height)) {
    thread_ = std::thread([this] { run(); });
}

VideoPresenter::~VideoPresenter() {
    quit_.store(true, std::memory_order_relaxed);
    thread_.join();
}

void VideoPresenter::resize(int32_t width, int32_t height) {
    size_.store(packSize(width, height), std::memory_order_relaxed);
    placed_.store(true, std::memory_order_relaxed);
}

VideoStats VideoPresenter::stats() const {
    std::lock_guard lock(statsMutex_);
    return stats_;
}

void VideoPresenter::run() {
    while (!quit_.load(std::memory_order_relaxed)) {
        const ClockReading now = step();
        auto wait = std::chrono::duration_cast<std::chrono::microseconds>(kLongestWait);
        const std::optional<int64_t> next = decoder_.nextMs();
        if (now.mode == Mode::Playing && next && now.speed > 0) {
            // Sleep until the next frame's time, at the device's speed.
            const int64_t us = (*next - now.positionMs) * 1'000'000 / now.speed;
            wait = std::clamp(std::chrono::microseconds(us), std::chrono::microseconds(500), wait);
        }
        decoder_.waitForFrame(wait);
    }
}

ClockReading VideoPresenter::step() {
    const ClockReading now = clock_.readClock();
    takeFrame(now);
    present(now);
    return now;
}

void VideoPresenter::takeFrame(const ClockReading& now) {
    if (now.epoch != epoch_) {
        epoch_ = now.epoch;
        decoder_.restart(++request_, now.epochStartMs);
    }
    size_t skipped = 0;
    std::optional<DecodedFrame> due = decoder_.takeDue(request_, now.positionMs, skipped);
    if (!due) {
        return;
    }
    current_ = std::move(due);
    currentShown_ = false;
    if (now.mode == Mode::Playing) {
        count(now, current_->ms, skipped);
    }
    if (current_->ms + kCatchUpMs < now.positionMs && !decoder_.nextMs() && !decoder_.atEnd()) {
        decoder_.restart(++request_, now.positionMs);
    }
}

void VideoPresenter::present(const ClockReading& now) {
    const bool visible = placed_.load(std::memory_order_relaxed) || now.mode != Mode::Stopped;
    if (visible && current_) {
        if (!currentShown_ || !visible_) {
            tap_.publish(
                sharer_.share(*current_->frame, decoder_.displayWidth(), decoder_.displayHeight()));
            currentShown_ = true;
            visible_ = true;
            pictureCurrent_ = false;
        }
        // Scaling is most of the presenter's work: none for a picture nobody sees.
        const uint64_t size = size_.load(std::memory_order_relaxed);
        if ((!pictureCurrent_ || size != shownSize_) && picture_.seen()) {
            picture_.show(scaler_.scale(*current_->frame, static_cast<int32_t>(size >> 32),
                                        static_cast<int32_t>(size & 0xFFFFFFFF)));
            pictureCurrent_ = true;
            shownSize_ = size;
        }
    } else if (!visible && visible_) {
        picture_.show(nullptr);  // nothing to show: the window beneath shows through
        tap_.publish(nullptr);
        visible_ = false;
    }
}

void VideoPresenter::count(const ClockReading& now, int64_t frameMs, size_t skipped) {
    const int64_t delay = std::max<int64_t>(0, now.positionMs - frameMs);
    std::lock_guard lock(statsMutex_);
    ++stats_.shown;
    stats_.dropped += skipped;
    stats_.late += delay > decoder_.frameMs() ? 1 : 0;
    ++stats_.showDelayMs[static_cast<size_t>(
        std::min<int64_t>(delay, static_cast<int64_t>(stats_.showDelayMs.size()) - 1))];
}

}  // namespace engine
