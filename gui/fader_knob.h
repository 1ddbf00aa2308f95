#pragma once
// A fader's knob: a bar in the highlight colour inside its track's client area. Its
// presses, moves and release go to the handlers in the track's units, relative to the
// knob's own top-left corner; the toolkit's implicit grab keeps the pointer with the
// pressed knob until the last button goes up, wherever the pointer goes. The second press
// of a double-click is a press like any, then reported as a double-click too.

#include <QWidget>

#include "gui/control_events.h"

namespace gui {

class FaderKnob final : public QWidget, public ControlView {
  public:
    FaderKnob(app::Control& knob, const app::Control& track, ControlEvents& events,
              QWidget& trackClient);
    void refreshFromModel() override;

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void report(PointerAction action, int16_t button, const QMouseEvent& event);

    app::Control& knob_;
    const app::Control& track_;
    ControlEvents& events_;
};

}  // namespace gui
