#include "gui/caption_label.h"

#include <QMouseEvent>
#include <QPainter>

#include "gui/fonts.h"
#include "gui/model_geometry.h"
#include "gui/widget_sync.h"

namespace gui {
namespace {

Qt::Alignment textAlignment(app::Alignment alignment) {
    switch (alignment) {
        case app::Alignment::Centre:
            return Qt::AlignHCenter;
        case app::Alignment::Right:
            return Qt::AlignRight;
        case app::Alignment::Left:
            break;
    }
    return Qt::AlignLeft;
}

}  // namespace

CaptionLabel::CaptionLabel(app::Control& control, ControlEvents& events, QWidget& window)
    : QWidget(&window), control_(control), events_(events) {
    setObjectName(WidgetName(control));
    setFont(ControlFont(control.TextFont));
}

void CaptionLabel::refreshFromModel() {
    PlaceAt(*this, WindowRect(control_));
    const QString caption = QString::fromStdString(control_.Caption);
    if (caption != shown_) {
        shown_ = caption;
        update();
    }
}

void CaptionLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QColor highlight = palette().color(QPalette::Highlight);
    if (!control_.BackTransparent) {
        painter.fillRect(
            rect(), ModelColour(control_.BackColor, palette().color(QPalette::Button), highlight));
    }
    painter.setPen(
        ModelColour(control_.ForeColor, palette().color(QPalette::ButtonText), highlight));
    painter.drawText(
        rect(), textAlignment(control_.TextAlignment) | Qt::AlignTop | Qt::TextWordWrap, shown_);
}

void CaptionLabel::mousePressEvent(QMouseEvent* event) {
    event->accept();  // so that the release, and with it the click, comes here
}

void CaptionLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (rect().contains(event->position().toPoint())) {
        events_.click(control_);
    }
}

}  // namespace gui
