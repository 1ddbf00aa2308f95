#pragma once
// The shared open dialog of the "+" buttons: modal over the window, one file, no filter,
// no title. It keeps the last chosen name, as the handlers may read it after a cancel.

#include <QPointer>
#include <QWidget>

#include "app/toolkit_services.h"

namespace gui {

class OpenDialog final : public app::OpenFileDialog {
  public:
    // The window the dialog is modal over; none until the window exists.
    void setOwner(QWidget* owner) { owner_ = owner; }
    bool ShowOpen() override;
    std::string FileName() const override { return fileName_; }

  private:
    QPointer<QWidget> owner_;
    std::string fileName_;
};

}  // namespace gui
