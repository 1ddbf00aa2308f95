#pragma once
// A list box drawn from the model's List and ListIndex. A selection the user makes is
// written into the model at once (for the samples list also its FileName); a
// double-click is reported.

#include <QListWidget>

#include "gui/control_events.h"

namespace gui {

class ListView : public QListWidget, public ControlView {
  public:
    ListView(app::Control& control, ControlEvents& events, QWidget& window);
    void refreshFromModel() override;

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

    app::Control& control_;
    ControlEvents& events_;

  private:
    void userSelected(int row);
    void showEntries();
};

}  // namespace gui
