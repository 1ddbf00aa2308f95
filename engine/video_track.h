#pragma once
// The picture of one device: a child picture in the window host named at open, its
// decoder and its presenter. Without a `put` the picture has the video's own size at the
// host's top-left corner. Closing the device (destroying this) removes the picture.
//
// Threads: everything here on the UI thread, stats() aside (any thread).

#include <cstdint>
#include <memory>
#include <string>

#include "engine/device_clock.h"
#include "engine/video_decoder.h"
#include "engine/video_presenter.h"
#include "windowing/frame_tap.h"
#include "windowing/window_registry.h"

namespace engine {

class VideoTrack {
  public:
    // Whether `parentWindow` names a window host, where a picture can live.
    static bool CanShowIn(int32_t parentWindow);
    // The picture of `decoder` (see VideoDecoder::open) in `parentWindow`; nullptr when that
    // names no window host: the device then plays without a picture. `clock` must outlive
    // the track.
    static std::unique_ptr<VideoTrack> open(std::unique_ptr<VideoDecoder> decoder,
                                            int32_t parentWindow, const DeviceClock& clock);
    ~VideoTrack() = default;
    VideoTrack(const VideoTrack&) = delete;
    VideoTrack& operator=(const VideoTrack&) = delete;

    // Stops showing and hands over the decoder, which may be held in a read of the file, to
    // be freed elsewhere; the track is then only to be destroyed.
    std::unique_ptr<VideoDecoder> stopAndReleaseDecoder();

    // Position and size in the host's pixels; a cx or cy of 0 keeps that side's size.
    void place(int32_t x, int32_t y, int32_t cx, int32_t cy);
    VideoStats stats() const { return presenter_->stats(); }
    // What the picture shows, at its decoded size; outlives the track in its holders.
    std::shared_ptr<const windowing::FrameTap> tap() const { return tap_; }

  private:
    VideoTrack() = default;

    // Destroyed in reverse: the presenter stops showing before the picture goes.
    std::unique_ptr<windowing::Picture> picture_;
    std::shared_ptr<windowing::FrameTap> tap_ = std::make_shared<windowing::FrameTap>();
    std::unique_ptr<VideoDecoder> decoder_;
    std::unique_ptr<VideoPresenter> presenter_;
    int32_t width_ = 0, height_ = 0;
};

}  // namespace engine
