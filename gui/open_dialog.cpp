#include "gui/open_dialog.h"

#include <QFileDialog>

namespace gui {

bool OpenDialog::ShowOpen() {
    const QString chosen = QFileDialog::getOpenFileName(owner_.data());
    if (chosen.isEmpty()) {
        return false;
    }
    fileName_ = chosen.toStdString();
    return true;
}

}  // namespace gui
