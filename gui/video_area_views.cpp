#include "gui/video_area_views.h"

#include <QPainter>
#include <QStackedLayout>

namespace gui {

// The projector's drawing, small; black until the first one arrives.
class MixPreview final : public QWidget {
  public:
    explicit MixPreview(QWidget& area) : QWidget(&area) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    void setImage(QImage image) {
        image_ = std::move(image);
        update();
    }

  protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        if (image_.isNull()) {
            painter.fillRect(rect(), Qt::black);
        } else {
            painter.drawImage(rect(), image_);
        }
    }

  private:
    QImage image_;
};

namespace {

QWidget* PictureLayer(QWidget& area) {
    auto* layer = new QWidget(&area);
    layer->setAttribute(Qt::WA_TransparentForMouseEvents);
    return layer;
}

}  // namespace

VideoAreaViews::VideoAreaViews(QWidget& area)
    : stack_(new QStackedLayout(&area)),
      layer_(PictureLayer(area)),
      preview_(new MixPreview(area)) {
    stack_->setContentsMargins(0, 0, 0, 0);
    stack_->addWidget(layer_);
    stack_->addWidget(preview_);
    stack_->setCurrentWidget(layer_);
}

void VideoAreaViews::showPreview(bool preview) {
    if (!preview) {
        preview_->setImage({});
    }
    stack_->setCurrentWidget(preview ? preview_ : layer_);
}

bool VideoAreaViews::previewShown() const {
    return stack_->currentWidget() == preview_;
}

QSize VideoAreaViews::previewSize() const {
    return preview_->size() * preview_->devicePixelRatioF();
}

void VideoAreaViews::setPreview(QImage image) {
    preview_->setImage(std::move(image));
}

}  // namespace gui
