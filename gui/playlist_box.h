#pragma once
// A deck's playlist: a list view that also reports key presses, drops and requests for
// its right-click menu. Both Enter keys report key code 13; a drop reports the dropped
// local files in the source's order.

#include "gui/list_view.h"

namespace gui {

class PlaylistBox final : public ListView {
  public:
    PlaylistBox(app::Control& control, ControlEvents& events, QWidget& window);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};

}  // namespace gui
