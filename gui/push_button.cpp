#include "gui/push_button.h"

#include "gui/fonts.h"
#include "gui/model_geometry.h"
#include "gui/widget_sync.h"

namespace gui {

PushButton::PushButton(app::Control& control, ControlEvents& events, QWidget& window)
    : QPushButton(&window), control_(control) {
    setObjectName(WidgetName(control));
    setFont(ControlFont(control.TextFont));
    setFocusPolicy(Qt::TabFocus);  // a click leaves the keyboard with the playlist
    connect(this, &QPushButton::clicked, this, [&control, &events] { events.click(control); });
}

void PushButton::refreshFromModel() {
    PlaceAt(*this, WindowRect(control_));
    const QString caption = DisplayText(control_);
    if (text() != caption) {
        setText(caption);
    }
}

}  // namespace gui
