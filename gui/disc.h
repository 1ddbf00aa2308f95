#pragma once
// A deck's disc: a circle as wide as the smaller side of its box, centred in it, with a
// yellow border, a light-blue face and a yellow diagonal cross-hatch, in vector strokes
// so it stays crisp on high-density screens. A click on it is reported; while its deck is
// on the headphones (when the window says so) the border is green.

#include <QWidget>
#include <functional>

#include "gui/control_events.h"

namespace gui {

class Disc final : public QWidget, public ControlView {
  public:
    Disc(app::Control& control, ControlEvents& events, QWidget& window);
    void refreshFromModel() override;
    // Whether the disc shows its deck on the headphones; asked at every refresh.
    void setCueShown(std::function<bool()> cueShown) { cueShown_ = std::move(cueShown); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    app::Control& control_;
    ControlEvents& events_;
    std::function<bool()> cueShown_;
    bool showingCue_ = false;
};

}  // namespace gui
