#include "gui/widget_sync.h"

namespace gui {

void PlaceAt(QWidget& widget, const QRect& place) {
    if (widget.geometry() != place) {
        widget.setGeometry(place);
    }
}

void FillWith(QWidget& widget, const QColor& colour) {
    if (widget.palette().color(QPalette::Window) != colour) {
        QPalette colours = widget.palette();
        colours.setColor(QPalette::Window, colour);
        widget.setPalette(colours);
    }
}

}  // namespace gui
