#include "gui/mix_capture.h"

#include <algorithm>

#include "gui/window_log.h"

namespace gui {

MixCapture::MixCapture(int width, int height) : width_(width), height_(height) {
    if (!context_.create()) {
        qCWarning(windowLog, "no OpenGL context for the recording's pictures");
        return;
    }
    surface_.setFormat(context_.format());
    surface_.create();
    if (!context_.makeCurrent(&surface_)) {
        qCWarning(windowLog, "no OpenGL surface for the recording's pictures");
        return;
    }
    target_ = std::make_unique<QOpenGLFramebufferObject>(width_, height_);
    renderer_ = std::make_unique<MixRenderer>();
    if (!renderer_->initialize()) {
        renderer_.reset();
    }
}

MixCapture::~MixCapture() {
    if (renderer_ && context_.makeCurrent(&surface_)) {
        renderer_.reset();  // its textures go with the context current
        target_.reset();
        context_.doneCurrent();
    }
}

std::shared_ptr<const windowing::VideoFrame> MixCapture::capture(const MixPictures& mix) {
    if (!renderer_ || !context_.makeCurrent(&surface_)) {
        return nullptr;
    }
    target_->bind();
    renderer_->draw(mix, width_, height_);
    auto picture = std::make_shared<windowing::VideoFrame>();
    picture->width = width_;
    picture->height = height_;
    picture->pixels.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_));
    // 0xFFRRGGBB in native order is BGRA in memory. OpenGL's rows run bottom up, the
    // file's top down.
    context_.functions()->glReadPixels(0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_BYTE,
                                       picture->pixels.data());
    const size_t row = static_cast<size_t>(width_);
    for (size_t top = 0, bottom = static_cast<size_t>(height_) - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(&picture->pixels[top * row], &picture->pixels[(top + 1) * row],
                         &picture->pixels[bottom * row]);
    }
    target_->release();
    return picture;
}

}  // namespace gui
