#include "engine/frame_scaler.h"

extern "C" {
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>

namespace engine {

FrameScaler::~FrameScaler() {
    sws_freeContext(context_);
}

std::shared_ptr<const windowing::VideoFrame> FrameScaler::scale(const AVFrame& frame, int32_t width,
                                                                int32_t height) {
    width = std::clamp(width, 1, kLargestSide);
    height = std::clamp(height, 1, kLargestSide);
    const auto format = static_cast<AVPixelFormat>(frame.format);
    // RGB32 is 0xAARRGGBB in native byte order, the layout of VideoFrame.
    context_ = sws_getCachedContext(context_, frame.width, frame.height, format, width, height,
                                    AV_PIX_FMT_RGB32, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (context_ == nullptr) {
        return nullptr;
    }
    const std::shared_ptr<windowing::VideoFrame> picture = freePicture(width, height);
    uint8_t* planes[4] = {reinterpret_cast<uint8_t*>(picture->pixels.data()), nullptr, nullptr,
                          nullptr};
    const int strides[4] = {width * 4, 0, 0, 0};
    if (sws_scale(context_, frame.data, frame.linesize, 0, frame.height, planes, strides) <= 0) {
        return nullptr;
    }
    const AVPixFmtDescriptor* description = av_pix_fmt_desc_get(format);
    if (description != nullptr && (description->flags & AV_PIX_FMT_FLAG_ALPHA) != 0) {
        // A picture is opaque: a video's own transparency does not show through to the window.
        for (uint32_t& pixel : picture->pixels) {
            pixel |= 0xFF000000u;
        }
    }
    return picture;
}

std::shared_ptr<windowing::VideoFrame> FrameScaler::freePicture(int32_t width, int32_t height) {
    // use_count 1: only the pool holds it, and only this thread hands out copies.
    for (const auto& kept : pool_) {
        if (kept && kept.use_count() == 1 && kept->width == width && kept->height == height) {
            return kept;
        }
    }
    auto picture = std::make_shared<windowing::VideoFrame>();
    picture->width = width;
    picture->height = height;
    picture->pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    pool_[nextSlot_] = picture;
    nextSlot_ = (nextSlot_ + 1) % pool_.size();
    return picture;
}

}  // namespace engine
