#pragma once
// A check box drawn from the model's Value. A click writes the new Value into the model
// before it is reported, as the handler expects; the widget's own tick follows the model.

#include <QCheckBox>

#include "gui/control_events.h"

namespace gui {

class CheckBox final : public QCheckBox, public ControlView {
  public:
    CheckBox(app::Control& control, ControlEvents& events, QWidget& window);
    void refreshFromModel() override;

  private:
    app::Control& control_;
};

}  // namespace gui
