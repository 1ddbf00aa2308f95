#include "gui/widget_window_host.h"

#include "windowing/window_registry.h"

namespace gui {

WidgetWindowHost::WidgetWindowHost(QWidget& outer, QWidget& client, VideoPicture::Placing placing)
    : outer_(outer),
      client_(client),
      placing_(placing),
      handle_(windowing::RegisterWindowHost(*this)) {}

WidgetWindowHost::~WidgetWindowHost() {
    windowing::UnregisterWindowHost(handle_);
}

windowing::Rect WidgetWindowHost::outerRect() const {
    const QRect frame = outer_.isWindow() ? outer_.frameGeometry() : outer_.geometry();
    const QPoint topLeft =
        outer_.isWindow() ? frame.topLeft() : outer_.parentWidget()->mapToGlobal(frame.topLeft());
    return {topLeft.x(), topLeft.y(), topLeft.x() + frame.width(), topLeft.y() + frame.height()};
}

std::unique_ptr<windowing::Picture> WidgetWindowHost::createPicture() {
    return std::make_unique<VideoPicture>(client_, placing_);
}

}  // namespace gui
