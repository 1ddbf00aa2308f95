#include "gui/picture_box.h"

#include <QMouseEvent>
#include <QPainter>

#include "gui/input_codes.h"
#include "gui/model_geometry.h"
#include "gui/widget_sync.h"

namespace gui {
namespace {

// The area inside the border: presses on it are presses on the track.
class ClientArea final : public QWidget {
  public:
    ClientArea(app::Control& control, ControlEvents& events, QWidget& box)
        : QWidget(&box), control_(control), events_(events) {
        setAutoFillBackground(true);
    }

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        const QPointF units = TrackUnits(event->position(), control_);
        events_.pointer(control_, {PointerAction::Down, ButtonCode(event->button()),
                                   ShiftCode(event->modifiers()), static_cast<float>(units.x()),
                                   static_cast<float>(units.y())});
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        mousePressEvent(event);
        events_.doubleClick(control_);
    }

  private:
    app::Control& control_;
    ControlEvents& events_;
};

}  // namespace

PictureBox::PictureBox(app::Control& control, ControlEvents& events, QWidget& window)
    : QWidget(&window), control_(control), client_(new ClientArea(control, events, *this)) {
    setObjectName(WidgetName(control));
}

void PictureBox::refreshFromModel() {
    const QRect outer = WindowRect(control_);
    if (geometry() != outer) {
        setGeometry(outer);
        client_->setGeometry(QRect(QPoint(kBorderPixels, kBorderPixels), ClientSize(control_)));
    }
    FillWith(*client_, ModelColour(control_.BackColor, palette().color(QPalette::Button),
                                   palette().color(QPalette::Highlight)));
}

void PictureBox::paintEvent(QPaintEvent* /*event*/) {
    // The classic sunken edge: shadow above and left, light below and right.
    QPainter painter(this);
    const QRectF outer = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QRectF inner = outer.adjusted(1, 1, -1, -1);
    const auto edge = [&painter](const QRectF& r, QColor topLeft, QColor bottomRight) {
        painter.setPen(topLeft);
        painter.drawLine(r.bottomLeft(), r.topLeft());
        painter.drawLine(r.topLeft(), r.topRight());
        painter.setPen(bottomRight);
        painter.drawLine(r.topRight(), r.bottomRight());
        painter.drawLine(r.bottomRight(), r.bottomLeft());
    };
    edge(outer, QColor(160, 160, 160), QColor(255, 255, 255));
    edge(inner, QColor(105, 105, 105), QColor(227, 227, 227));
}

}  // namespace gui
