#include "engine/picture_sharer.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace engine {
namespace {

// Luma and two chroma planes of 8 bits, one byte a sample, in planes 0, 1 and 2.
bool IsPlanarYuv8(AVPixelFormat format) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    if (d == nullptr || d->nb_components < 3 ||
        (d->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BE)) != 0 ||
        (d->flags & AV_PIX_FMT_FLAG_PLANAR) == 0) {
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        if (d->comp[i].plane != i || d->comp[i].depth != 8 || d->comp[i].step != 1) {
            return false;
        }
    }
    return true;
}

bool IsFullRange(const AVFrame& frame) {
    const auto format = static_cast<AVPixelFormat>(frame.format);
    return frame.color_range == AVCOL_RANGE_JPEG || format == AV_PIX_FMT_YUVJ420P ||
           format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P ||
           format == AV_PIX_FMT_YUVJ440P;
}

void FreeFrame(void* frame) {
    auto* f = static_cast<AVFrame*>(frame);
    av_frame_free(&f);
}

}  // namespace

PictureSharer::~PictureSharer() {
    sws_freeContext(context_);
}

std::shared_ptr<const windowing::DecodedPicture> PictureSharer::share(const AVFrame& frame,
                                                                      int32_t displayWidth,
                                                                      int32_t displayHeight) {
    const bool planar = IsPlanarYuv8(static_cast<AVPixelFormat>(frame.format));
    AVFrame* shared = planar ? av_frame_clone(&frame) : toPlanar(frame);
    if (shared == nullptr) {
        return nullptr;
    }
    auto picture = std::make_shared<windowing::DecodedPicture>();
    picture->owner = std::shared_ptr<void>(shared, FreeFrame);
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(shared->format));
    picture->width = shared->width;
    picture->height = shared->height;
    picture->chromaWidth = AV_CEIL_RSHIFT(shared->width, d->log2_chroma_w);
    picture->chromaHeight = AV_CEIL_RSHIFT(shared->height, d->log2_chroma_h);
    picture->displayWidth = displayWidth;
    picture->displayHeight = displayHeight;
    for (size_t i = 0; i < 3; ++i) {
        picture->planes[i] = shared->data[i];
        picture->strides[i] = shared->linesize[i];
    }
    // Untagged pictures follow the usual practice: HD sizes are BT.709, smaller ones BT.601.
    const bool hd = frame.colorspace == AVCOL_SPC_BT709 ||
                    (frame.colorspace == AVCOL_SPC_UNSPECIFIED && frame.height >= 720);
    picture->matrix = planar && hd ? windowing::DecodedPicture::Matrix::Bt709
                                   : windowing::DecodedPicture::Matrix::Bt601;
    picture->fullRange = planar && IsFullRange(frame);
    return picture;
}

// libswscale writes BT.601 at limited range, which share() then states.
AVFrame* PictureSharer::toPlanar(const AVFrame& frame) {
    context_ = sws_getCachedContext(
        context_, frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), frame.width,
        frame.height, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
    AVFrame* planar = av_frame_alloc();
    if (context_ == nullptr || planar == nullptr) {
        av_frame_free(&planar);
        return nullptr;
    }
    planar->format = AV_PIX_FMT_YUV420P;
    planar->width = frame.width;
    planar->height = frame.height;
    if (av_frame_get_buffer(planar, 0) < 0 ||
        sws_scale(context_, frame.data, frame.linesize, 0, frame.height, planar->data,
                  planar->linesize) <= 0) {
        av_frame_free(&planar);
        return nullptr;
    }
    return planar;
}

}  // namespace engine
