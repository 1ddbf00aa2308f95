#include "gui/projector_menu.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>

#include "gui/projector.h"

namespace gui {

ProjectorMenu::ProjectorMenu(QWidget& videoArea, Projector& projector)
    : QObject(&videoArea), projector_(projector) {
    videoArea.installEventFilter(this);
}

bool ProjectorMenu::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        projector_.toggle();
        return true;
    }
    if (event->type() == QEvent::ContextMenu) {
        showMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void ProjectorMenu::showMenu(const QPoint& where) {
    QMenu menu;
    for (QScreen* screen : QGuiApplication::screens()) {
        QAction* action = menu.addAction(screen->name());
        action->setCheckable(true);
        action->setChecked(projector_.screen() == screen);
        const QString name = screen->name();
        connect(action, &QAction::triggered, this, [this, name] { projector_.open(name); });
    }
    QAction* window = menu.addAction("In a window");
    window->setCheckable(true);
    window->setChecked(projector_.isOpen() && projector_.screen() == nullptr);
    connect(window, &QAction::triggered, this, [this] { projector_.open(QString()); });
    menu.addSeparator();
    QAction* close = menu.addAction("Close projector");
    close->setEnabled(projector_.isOpen());
    connect(close, &QAction::triggered, this, [this] { projector_.close(); });
    for (const auto& addTo : moreEntries_) {
        menu.addSeparator();
        addTo(menu);
    }
    menu.exec(where);
}

}  // namespace gui
