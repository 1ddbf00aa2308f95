#pragma once
// The video area's way to the projector: a double-click opens or closes it; a right-click
// opens a menu of places for it (each screen by name, "In a window") and "Close projector",
// followed by any entries added to it (the sound devices', see output_views.h).
// The area's own events go on as before.

#include <QObject>
#include <functional>
#include <vector>

class QMenu;
class QWidget;

namespace gui {

class Projector;

class ProjectorMenu final : public QObject {
  public:
    ProjectorMenu(QWidget& videoArea, Projector& projector);

    // More entries for the same menu, after the projector's (the sound devices').
    void addEntries(std::function<void(QMenu&)> addTo) { moreEntries_.push_back(std::move(addTo)); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void showMenu(const QPoint& where);

    Projector& projector_;
    std::vector<std::function<void(QMenu&)>> moreEntries_;
};

}  // namespace gui
