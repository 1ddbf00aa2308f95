#include "gui/projector_window.h"

#include <QKeyEvent>

#include "gui/window_log.h"

namespace gui {
namespace {

// How often the mix is looked at: a picture due now reaches the next refresh.
constexpr int kPollMs = 4;

}  // namespace

ProjectorWindow::ProjectorWindow(Links links)
    : QOpenGLWindow(QOpenGLWindow::NoPartialUpdate), links_(std::move(links)) {
    setTitle("Rotavox projector");
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setSwapInterval(1);  // swaps wait for the refresh: no tearing
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    setFormat(format);
    poll_.setTimerType(Qt::PreciseTimer);
    connect(&poll_, &QTimer::timeout, this, &ProjectorWindow::poll);
    poll_.start(kPollMs);
}

ProjectorWindow::~ProjectorWindow() {
    makeCurrent();  // the renderer's textures and the preview's target go with the context
    previewTarget_.reset();
    renderer_.reset();
    doneCurrent();
}

void ProjectorWindow::initializeGL() {
    renderer_ = std::make_unique<MixRenderer>();
    if (!renderer_->initialize()) {
        qCWarning(windowLog, "the projector's shaders do not build: it stays black");
    }
}

void ProjectorWindow::poll() {
    if (isExposed() && links_.mix() != drawn_) {
        update();  // several before the drawing make one
    }
}

void ProjectorWindow::paintGL() {
    drawn_ = links_.mix();
    const qreal scale = devicePixelRatio();
    renderer_->draw(drawn_, static_cast<int>(width() * scale), static_cast<int>(height() * scale));
    drawPreview();
}

void ProjectorWindow::drawPreview() {
    const QSize size = links_.previewSize ? links_.previewSize() : QSize();
    if (size.isEmpty()) {
        return;
    }
    if (!previewTarget_ || previewTarget_->size() != size) {
        previewTarget_ = std::make_unique<QOpenGLFramebufferObject>(size);
    }
    previewTarget_->bind();
    renderer_->draw(drawn_, size.width(), size.height());
    links_.preview(previewTarget_->toImage());
    QOpenGLFramebufferObject::bindDefault();
}

void ProjectorWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        links_.closeRequested();
        return;
    }
    QOpenGLWindow::keyPressEvent(event);
}

void ProjectorWindow::mouseDoubleClickEvent(QMouseEvent* /*event*/) {
    links_.closeRequested();
}

}  // namespace gui
