#pragma once
// The video area's way to the projector: a double-click opens or closes it; a right-click
// opens a menu of places for it (each screen by name, "In a window") and "Close projector",
// followed by the sound devices' submenus (see output_views.h).
// The area's own events go on as before.

#include <QObject>

class QWidget;

namespace gui {

class Projector;

class ProjectorMenu final : public QObject {
  public:
    ProjectorMenu(QWidget& videoArea, Projector& projector);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void showMenu(const QPoint& where);

    Projector& projector_;
};

}  // namespace gui
