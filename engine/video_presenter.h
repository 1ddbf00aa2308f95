#pragma once
// Shows a device's video frames in its picture when the device's clock reaches them:
// the newest frame whose time has come, scaled to the picture's size. Paused, the paused
// frame stays; after a seek the frame at the target shows. A picture that a `put` has
// placed keeps its last frame when the device stops or ends; one that no `put` placed (a
// video sample at its own size) shows only while its device plays or is paused, so that
// it does not cover the window once the sample is over. What the picture shows, the frame
// tap offers at the decoded size, by reference, to views beside the picture; while nobody
// sees the picture, only the tap gets the frames.
//
// Threads: the constructor, resize() and the destructor on the UI thread; stats() from
// any; the presenter's own thread reads the clock, takes the decoder's frames and calls
// Picture::show.

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "engine/device_clock.h"
#include "engine/frame_scaler.h"
#include "engine/picture_sharer.h"
#include "engine/video_decoder.h"
#include "windowing/frame_tap.h"
#include "windowing/picture.h"

namespace engine {

// What the pictures of one device did while it played.
struct VideoStats {
    uint64_t shown = 0;    // frames shown
    uint64_t dropped = 0;  // frames whose time came but that a newer one overtook
    uint64_t late = 0;     // frames shown more than one frame's time after theirs
    // Frames by how many ms after their time they were shown (the last: that many or more).
    std::array<uint64_t, 64> showDelayMs{};
};

class VideoPresenter {
  public:
    // Starts showing at once; `width` x `height` is the picture's size until resize().
    VideoPresenter(VideoDecoder& decoder, const DeviceClock& clock, windowing::Picture& picture,
                   windowing::FrameTap& tap, int32_t width, int32_t height);
    ~VideoPresenter();
    VideoPresenter(const VideoPresenter&) = delete;
    VideoPresenter& operator=(const VideoPresenter&) = delete;

    // UI thread: a `put` has placed the picture at this size.
    void resize(int32_t width, int32_t height);
    VideoStats stats() const;

  private:
    void run();
    ClockReading step();
    void takeFrame(const ClockReading& now);  // the newest frame the clock has reached
    void present(const ClockReading& now);    // shows it, or nothing, as the rules say
    void count(const ClockReading& now, int64_t frameMs, size_t skipped);

    // Immutable after construction.
    VideoDecoder& decoder_;
    const DeviceClock& clock_;
    windowing::Picture& picture_;
    windowing::FrameTap& tap_;

    // Shared: UI -> presenter.
    std::atomic<uint64_t> size_;  // width << 32 | height
    std::atomic<bool> placed_{false};
    std::atomic<bool> quit_{false};
    // Shared: presenter -> any.
    mutable std::mutex statsMutex_;
    VideoStats stats_;  // guarded by statsMutex_

    // Presenter thread only.
    uint32_t epoch_ = 0;
    uint64_t request_ = 0;
    std::optional<DecodedFrame> current_;  // the frame the clock has reached
    bool currentShown_ = false;            // current_ is what the tap offers
    bool pictureCurrent_ = false;          // and what the picture shows, at shownSize_
    uint64_t shownSize_ = 0;
    bool visible_ = false;  // the picture shows a frame, not nothing
    FrameScaler scaler_;
    PictureSharer sharer_;

    std::thread thread_;  // last: started after everything above exists
};

}  // namespace engine
