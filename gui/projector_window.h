#pragma once
// The projector: a top-level OpenGL window that shows the pictures' mix, for the room.
// It draws again whenever the mix changes (a new picture on a deck, the crossfader
// moved), in step with the screen's refresh, double-buffered; after each drawing it hands
// a small copy of the same drawing to `preview`, the DJ's view of it. Esc or a double-click
// asks `closeRequested` to close it.
//
// Threads: UI thread only.

#include <QImage>
#include <QOpenGLFramebufferObject>
#include <QOpenGLWindow>
#include <QTimer>
#include <functional>
#include <memory>

#include "gui/mix_renderer.h"

namespace gui {

class ProjectorWindow final : public QOpenGLWindow {
  public:
    struct Links {
        std::function<MixPictures()> mix;      // what to draw, read before each drawing
        std::function<QSize()> previewSize;    // empty: no preview wanted
        std::function<void(QImage)> preview;   // the drawing at previewSize
        std::function<void()> closeRequested;  // Esc or a double-click
    };

    explicit ProjectorWindow(Links links);
    ~ProjectorWindow() override;

  protected:
    void initializeGL() override;
    void paintGL() override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void poll();
    void drawPreview();

    Links links_;
    std::unique_ptr<MixRenderer> renderer_;  // made and freed with the context current
    std::unique_ptr<QOpenGLFramebufferObject> previewTarget_;
    MixPictures drawn_;  // what the last drawing showed
    QTimer poll_;
};

}  // namespace gui
