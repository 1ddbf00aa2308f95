#pragma once
// A push button showing its caption in its own font; a click is reported.

#include <QPushButton>

#include "gui/control_events.h"

namespace gui {

class PushButton final : public QPushButton, public ControlView {
  public:
    PushButton(app::Control& control, ControlEvents& events, QWidget& window);
    void refreshFromModel() override;

  private:
    const app::Control& control_;
};

}  // namespace gui
