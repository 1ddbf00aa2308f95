#include "gui/check_box.h"

#include "gui/fonts.h"
#include "gui/model_geometry.h"
#include "gui/widget_sync.h"

namespace gui {

CheckBox::CheckBox(app::Control& control, ControlEvents& events, QWidget& window)
    : QCheckBox(&window), control_(control) {
    setObjectName(WidgetName(control));
    setFont(ControlFont(control.TextFont));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);  // buttons fill with Button by default
    if (control.TextAlignment == app::Alignment::Right) {
        setLayoutDirection(Qt::RightToLeft);  // the box at the right-hand end
    }
    QPalette colours = palette();
    const QColor highlight = colours.color(QPalette::Highlight);
    colours.setColor(QPalette::Window,
                     ModelColour(control.BackColor, colours.color(QPalette::Window), highlight));
    colours.setColor(
        QPalette::WindowText,
        ModelColour(control.ForeColor, colours.color(QPalette::WindowText), highlight));
    setPalette(colours);
    connect(this, &QCheckBox::clicked, this, [&control, &events] {
        control.Value = control.Value == 1 ? 0 : 1;
        events.click(control);
    });
}

void CheckBox::refreshFromModel() {
    PlaceAt(*this, WindowRect(control_));
    const QString caption = QString::fromStdString(control_.Caption);
    if (text() != caption) {
        setText(caption);
    }
    const bool ticked = control_.Value == 1;
    if (isChecked() != ticked) {
        setChecked(ticked);
    }
}

}  // namespace gui
