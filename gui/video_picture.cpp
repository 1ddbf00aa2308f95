#include "gui/video_picture.h"

#include <QImage>
#include <QMetaObject>
#include <QPainter>
#include <QShowEvent>
#include <atomic>

#include "gui/picture_mix.h"

namespace gui {

// Draws one frame scaled to its own size; an empty picture draws nothing.
class FrameWidget final : public QWidget {
  public:
    FrameWidget(QWidget& parent, bool onTop) : QWidget(&parent), onTop_(onTop) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        setGeometry(0, 0, 0, 0);
    }
    // Shown, and its parents too (the view stack hides the layer of pictures under the
    // projector's preview). The window system's own hiding (minimizing) does not count.
    bool seen() const { return seen_.load(std::memory_order_relaxed); }
    void setFrame(std::shared_ptr<const windowing::VideoFrame> frame) {
        frame_ = std::move(frame);
        if (onTop_ && frame_) {
            raise();  // above deck pictures made since
        }
        update();
    }

  protected:
    void showEvent(QShowEvent* event) override {
        if (!event->spontaneous()) {
            seen_.store(true, std::memory_order_relaxed);
        }
    }
    void hideEvent(QHideEvent* event) override {
        if (!event->spontaneous()) {
            seen_.store(false, std::memory_order_relaxed);
        }
    }
    void paintEvent(QPaintEvent* /*event*/) override {
        if (!frame_ || frame_->width <= 0 || frame_->height <= 0) {
            return;
        }
        const QImage image(reinterpret_cast<const uchar*>(frame_->pixels.data()), frame_->width,
                           frame_->height, frame_->width * 4, QImage::Format_RGB32);
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), image);
    }

  private:
    std::shared_ptr<const windowing::VideoFrame> frame_;
    bool onTop_;
    std::atomic<bool> seen_{false};  // read by the presenter's thread
};

VideoPicture::VideoPicture(QWidget& parent, Placing placing)
    : widget_(new FrameWidget(parent, placing == Placing::Fitted)), placing_(placing) {
    widget_->show();
    widget_->raise();  // above the host's own controls
}

VideoPicture::~VideoPicture() {
    delete widget_;  // drops its queued deliveries with it
}

void VideoPicture::place(int32_t x, int32_t y, int32_t cx, int32_t cy) {
    if (placing_ == Placing::Fitted) {
        const QWidget& parent = *widget_->parentWidget();
        const FitRect fit = Letterbox(cx, cy, parent.width(), parent.height());
        widget_->setGeometry(fit.x, fit.y, fit.width, fit.height);
    } else {
        widget_->setGeometry(x, y, cx, cy);
    }
}

void VideoPicture::show(std::shared_ptr<const windowing::VideoFrame> frame) {
    {
        std::lock_guard lock(mailbox_->mutex);
        mailbox_->newest = std::move(frame);
        if (mailbox_->deliveryQueued) {
            return;  // the delivery on its way will take this newer frame
        }
        mailbox_->deliveryQueued = true;
    }
    QMetaObject::invokeMethod(
        widget_,
        [mailbox = mailbox_, target = widget_] {
            std::shared_ptr<const windowing::VideoFrame> newest;
            {
                std::lock_guard lock(mailbox->mutex);
                newest = std::move(mailbox->newest);
                mailbox->deliveryQueued = false;
            }
            target->setFrame(std::move(newest));
        },
        Qt::QueuedConnection);
}

bool VideoPicture::seen() const {
    return widget_->seen();
}

QWidget& VideoPicture::widget() {
    return *widget_;
}

}  // namespace gui
