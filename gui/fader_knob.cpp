#include "gui/fader_knob.h"

#include <QMouseEvent>

#include "gui/input_codes.h"
#include "gui/model_geometry.h"
#include "gui/widget_sync.h"

namespace gui {

FaderKnob::FaderKnob(app::Control& knob, const app::Control& track, ControlEvents& events,
                     QWidget& trackClient)
    : QWidget(&trackClient), knob_(knob), track_(track), events_(events) {
    setObjectName(WidgetName(knob));
    setAutoFillBackground(true);
}

void FaderKnob::refreshFromModel() {
    PlaceAt(*this, KnobRect(knob_, track_));
    FillWith(*this, ModelColour(knob_.BackColor, palette().color(QPalette::Button),
                                palette().color(QPalette::Highlight)));
}

void FaderKnob::mousePressEvent(QMouseEvent* event) {
    report(PointerAction::Down, ButtonCode(event->button()), *event);
}

void FaderKnob::mouseMoveEvent(QMouseEvent* event) {
    report(PointerAction::Move, ButtonCodes(event->buttons()), *event);
}

void FaderKnob::mouseReleaseEvent(QMouseEvent* event) {
    report(PointerAction::Up, ButtonCode(event->button()), *event);
}

void FaderKnob::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
    events_.doubleClick(knob_);
}

void FaderKnob::report(PointerAction action, int16_t button, const QMouseEvent& event) {
    // From the model's corner, not the rounded pixel one, so a grab never drifts.
    const QPointF inTrack = TrackUnits(mapToParent(event.position()), track_);
    events_.pointer(knob_, {action, button, ShiftCode(event.modifiers()),
                            static_cast<float>(inTrack.x() - knob_.Left),
                            static_cast<float>(inTrack.y() - knob_.Top)});
}

}  // namespace gui
