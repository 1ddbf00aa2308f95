#pragma once
// A picture box: a sunken two-pixel border around a client area. Fader tracks report
// presses on their client area in the track's units (a double-click's second press
// too, then the double-click); knobs and video pictures live in the client area, which
// clips them.

#include <QWidget>

#include "gui/control_events.h"

namespace gui {

class PictureBox final : public QWidget, public ControlView {
  public:
    PictureBox(app::Control& control, ControlEvents& events, QWidget& window);

    QWidget& client() { return *client_; }
    void refreshFromModel() override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    app::Control& control_;
    QWidget* client_;  // owned by this widget
};

}  // namespace gui
