#pragma once
// A deck's disc: a circle as wide as the smaller side of its box, centred in it, with a
// yellow border, a light-blue face and a yellow diagonal cross-hatch, in vector strokes
// so it stays crisp on high-density screens.

#include <QWidget>

#include "gui/control_events.h"

namespace gui {

class Disc final : public QWidget, public ControlView {
  public:
    Disc(const app::Control& control, QWidget& window);
    void refreshFromModel() override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const app::Control& control_;
};

}  // namespace gui
