#pragma once
// The projector's mix drawn off screen, for a recording that takes pictures: an OpenGL
// context of its own on an offscreen surface, so that it draws whether the projector is
// open or not, read back as 32-bit pixels.
//
// Threads: UI thread.

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <memory>

#include "gui/mix_renderer.h"
#include "windowing/picture.h"

namespace gui {

class MixCapture final {
  public:
    MixCapture(int width, int height);
    ~MixCapture();
    MixCapture(const MixCapture&) = delete;
    MixCapture& operator=(const MixCapture&) = delete;

    // The mix as the projector would show it at this size; nullptr without OpenGL.
    std::shared_ptr<const windowing::VideoFrame> capture(const MixPictures& mix);

  private:
    const int width_;
    const int height_;
    QOpenGLContext context_;
    QOffscreenSurface surface_;
    std::unique_ptr<QOpenGLFramebufferObject> target_;
    std::unique_ptr<MixRenderer> renderer_;
};

}  // namespace gui
