#include "gui/video_picture.h"

#include <QImage>
#include <QMetaObject>
#include <QPainter>

namespace gui {

// Draws one frame scaled to its own size; an empty picture draws nothing.
class FrameWidget final : public QWidget {
  public:
    explicit FrameWidget(QWidget& parent) : QWidget(&parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        setGeometry(0, 0, 0, 0);
    }
    void setFrame(std::shared_ptr<const windowing::VideoFrame> frame) {
        frame_ = std::move(frame);
        update();
    }

  protected:
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
};

VideoPicture::VideoPicture(QWidget& parent) : widget_(new FrameWidget(parent)) {
    widget_->show();
    widget_->raise();  // above the host's own controls
}

VideoPicture::~VideoPicture() {
    delete widget_;  // drops its queued deliveries with it
}

void VideoPicture::place(int32_t x, int32_t y, int32_t cx, int32_t cy) {
    widget_->setGeometry(x, y, cx, cy);
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

QWidget& VideoPicture::widget() {
    return *widget_;
}

}  // namespace gui
