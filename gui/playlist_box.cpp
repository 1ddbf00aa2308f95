#include "gui/playlist_box.h"

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QKeyEvent>

#include "gui/input_codes.h"
#include "gui/model_geometry.h"
#include "gui/url_drop.h"

namespace gui {

PlaylistBox::PlaylistBox(app::Control& control, ControlEvents& events, QWidget& window)
    : ListView(control, events, window) {
    setAcceptDrops(control.AcceptsDrops);
    viewport()->setAcceptDrops(control.AcceptsDrops);
    setDragDropMode(QAbstractItemView::DropOnly);
}

void PlaylistBox::keyPressEvent(QKeyEvent* event) {
    events_.keyDown(control_, KeyCode(event->key()), ShiftCode(event->modifiers()));
    QListWidget::keyPressEvent(event);  // arrows and the like keep moving the selection
}

// Any drag may land: one without local files is handed on and adds nothing.
void PlaylistBox::dragEnterEvent(QDragEnterEvent* event) {
    event->acceptProposedAction();
}

void PlaylistBox::dragMoveEvent(QDragMoveEvent* event) {
    event->acceptProposedAction();
}

void PlaylistBox::dropEvent(QDropEvent* event) {
    const UrlDrop files(*event->mimeData());
    const QPointF twips = Twips(event->position());
    events_.drop(control_, files,
                 {PointerAction::Up, ButtonCodes(event->buttons()), ShiftCode(event->modifiers()),
                  static_cast<float>(twips.x()), static_cast<float>(twips.y())});
    event->acceptProposedAction();
}

void PlaylistBox::contextMenuEvent(QContextMenuEvent* event) {
    events_.contextMenu(control_, event->globalPos());
    event->accept();
}

}  // namespace gui
