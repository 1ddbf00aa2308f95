#include "gui/disc.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "gui/model_geometry.h"
#include "gui/widget_sync.h"

namespace gui {
namespace {

constexpr double kBorderWidth = 4.0;
constexpr double kHatchSpacing = 8.0;

}  // namespace

Disc::Disc(app::Control& control, ControlEvents& events, QWidget& window)
    : QWidget(&window), control_(control), events_(events) {
    setObjectName(WidgetName(control));
}

void Disc::refreshFromModel() {
    PlaceAt(*this, WindowRect(control_));
    const bool cue = cueShown_ && cueShown_();
    if (cue != showingCue_) {
        showingCue_ = cue;
        update();
    }
}

void Disc::mousePressEvent(QMouseEvent* event) {
    event->accept();  // so that the release, and with it the click, comes here
}

void Disc::mouseReleaseEvent(QMouseEvent* event) {
    if (rect().contains(event->position().toPoint())) {
        events_.click(control_);
    }
}

void Disc::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double diameter = std::min(width(), height());
    QRectF circle(0, 0, diameter, diameter);
    circle.moveCenter(QRectF(rect()).center());
    // The border lies inside the circle's box.
    const QRectF face =
        circle.adjusted(kBorderWidth / 2, kBorderWidth / 2, -kBorderWidth / 2, -kBorderWidth / 2);
    const QColor yellow = ModelColour(control_.ForeColor, Qt::yellow, Qt::yellow);
    QPainterPath outline;
    outline.addEllipse(face);
    painter.fillPath(outline, ModelColour(control_.BackColor, Qt::white, Qt::white));

    painter.save();
    painter.setClipPath(outline);
    painter.setPen(QPen(yellow, 1.0));
    for (double offset = -diameter; offset <= diameter; offset += kHatchSpacing) {
        painter.drawLine(QPointF(circle.left() + offset, circle.top()),
                         QPointF(circle.left() + offset + diameter, circle.bottom()));
        painter.drawLine(QPointF(circle.left() + offset, circle.bottom()),
                         QPointF(circle.left() + offset + diameter, circle.top()));
    }
    painter.restore();

    painter.setPen(QPen(showingCue_ ? QColor(Qt::green) : yellow, kBorderWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(face);
}

}  // namespace gui
