#pragma once
// What a widget reports to the window: the user's events on the control it shows, in
// the units the handlers take. The window routes each to its handler.

#include <QPoint>
#include <cstdint>

#include "app/controls.h"
#include "app/toolkit_services.h"

namespace gui {

enum class PointerAction { Down, Move, Up };

// Button: left 1, right 2, middle 4. Shift: Shift 1, Ctrl 2, Alt 4. X and Y in the
// units the handler expects (a track's scale, or twips).
struct PointerEvent {
    PointerAction action = PointerAction::Down;
    int16_t button = 0;
    int16_t shift = 0;
    float x = 0.0f;
    float y = 0.0f;
};

class ControlEvents {
  public:
    virtual ~ControlEvents() = default;
    virtual void click(app::Control& control) = 0;
    virtual void doubleClick(app::Control& control) = 0;
    virtual void keyDown(app::Control& control, int16_t keyCode, int16_t shift) = 0;
    virtual void drop(app::Control& control, const app::DropData& data,
                      const PointerEvent& where) = 0;
    virtual void pointer(app::Control& control, const PointerEvent& event) = 0;
    // A right-click menu asked for over the control, at a point of the screen.
    virtual void contextMenu(app::Control& control, const QPoint& screenPosition) = 0;
};

// A widget that shows one control and redraws itself from the model.
class ControlView {
  public:
    virtual ~ControlView() = default;
    virtual void refreshFromModel() = 0;
};

}  // namespace gui
