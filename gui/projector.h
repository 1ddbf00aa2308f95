#pragma once
// The projector's life: where its window opens, the place the user chose remembered for
// the next start, the video area's preview while it is open, and its end when its screen
// goes away (a projector unplugged). Closing it never touches the media devices.
//
// Where: with two or more screens, full screen and frameless on a screen other than the
// main window's (or the one chosen), the cursor hidden over it; with one screen, or when
// the user chose so, an ordinary resizable window.
//
// Threads: UI thread only.

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "gui/mix_renderer.h"

class QScreen;
class QWidget;

namespace gui {

class ProjectorWindow;
class VideoAreaViews;

class Projector final : public QObject {
  public:
    Projector(QWidget& mainWindow, VideoAreaViews& videoArea, std::function<MixPictures()> mix);
    ~Projector() override;

    // `place`: a screen's name, or "" for an ordinary window; it is remembered. Without one,
    // the remembered place, else the first screen the main window is not on.
    void open(const std::optional<QString>& place = std::nullopt);
    void close();
    void toggle() { isOpen() ? close() : open(); }
    bool isOpen() const { return window_ != nullptr; }
    // The screen it fills; nullptr while closed or in an ordinary window.
    QScreen* screen() const { return screen_; }

  private:
    QScreen* screenFor(const std::optional<QString>& place) const;
    void screenRemoved(QScreen* screen);

    QWidget& mainWindow_;
    VideoAreaViews& videoArea_;
    std::function<MixPictures()> mix_;
    std::unique_ptr<ProjectorWindow> window_;
    QScreen* screen_ = nullptr;
};

}  // namespace gui
