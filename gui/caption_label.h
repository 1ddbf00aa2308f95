#pragma once
// A label that shows its caption in the model's font, colours and alignment, wrapped at
// word breaks, on a transparent or filled back. A click on it is reported.

#include <QWidget>

#include "gui/control_events.h"

namespace gui {

class CaptionLabel final : public QWidget, public ControlView {
  public:
    CaptionLabel(app::Control& control, ControlEvents& events, QWidget& window);
    void refreshFromModel() override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    app::Control& control_;
    ControlEvents& events_;
    QString shown_;
};

}  // namespace gui
