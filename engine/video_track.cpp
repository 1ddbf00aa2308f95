#include "engine/video_track.h"

namespace engine {

bool VideoTrack::CanShowIn(int32_t parentWindow) {
    return windowing::WithWindowHost(parentWindow, [](windowing::WindowHost&) {});
}

std::unique_ptr<VideoTrack> VideoTrack::open(std::unique_ptr<VideoDecoder> decoder,
                                             int32_t parentWindow, const DeviceClock& clock) {
    std::unique_ptr<windowing::Picture> picture;
    windowing::WithWindowHost(
        parentWindow, [&picture](windowing::WindowHost& host) { picture = host.createPicture(); });
    if (!picture) {
        return nullptr;
    }
    std::unique_ptr<VideoTrack> track(new VideoTrack);
    track->width_ = decoder->displayWidth();
    track->height_ = decoder->displayHeight();
    picture->place(0, 0, track->width_, track->height_);
    track->picture_ = std::move(picture);
    track->decoder_ = std::move(decoder);
    track->presenter_ = std::make_unique<VideoPresenter>(
        *track->decoder_, clock, *track->picture_, *track->tap_, track->width_, track->height_);
    return track;
}

std::unique_ptr<VideoDecoder> VideoTrack::stopAndReleaseDecoder() {
    presenter_.reset();  // it takes frames from the decoder
    return std::move(decoder_);
}

void VideoTrack::place(int32_t x, int32_t y, int32_t cx, int32_t cy) {
    width_ = cx > 0 ? cx : width_;
    height_ = cy > 0 ? cy : height_;
    picture_->place(x, y, width_, height_);
    presenter_->resize(width_, height_);
}

}  // namespace engine
