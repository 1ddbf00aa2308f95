#pragma once
// The mixer's window: draws the control model of `Decks`, turns every user event into
// its handler call and redraws from the model after each handler and each timer tick.
// Widgets hold no state of their own that the model holds.
//
// Life: load() registers the main window and the video area as window hosts, writes
// their handles into the model and runs Form_Load before the window is first shown.
// Closing the window runs Form_Unload, then `afterUnload` (which stops the media service
// and its threads) while every widget still exists.
//
// Beyond the controls: the video area opens the projector (see ProjectorMenu), which mixes
// the pictures that `frameTaps` offers for each device alias by the crossfader.

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Decks.h"
#include "gui/control_events.h"
#include "gui/event_routes.h"
#include "gui/file_answers.h"
#include "gui/mix_renderer.h"
#include "gui/projector.h"
#include "gui/projector_menu.h"
#include "gui/video_area_views.h"
#include "gui/widget_window_host.h"
#include "windowing/frame_tap.h"

namespace gui {

// What the picture of the device open under an alias shows; nullptr for none.
using FrameTaps =
    std::function<std::shared_ptr<const windowing::FrameTap>(const std::string& alias)>;

class MixerWindow final : public QWidget, private ControlEvents {
  public:
    MixerWindow(app::OpenFileDialog& dialog, app::FolderListing& folders,
                std::function<void()> afterUnload = {}, FrameTaps frameTaps = {});
    ~MixerWindow() override;

    // Throws app::StartupFailure as Form_Load does. Once, before show().
    void load();
    // Files the program was started with: they join the left deck's playlist as a drop
    // of them there would.
    void openFiles(const std::vector<std::string>& paths);
    // Files a later start of the program handed over: opened so, and the window raised.
    void openHandedFiles(const std::vector<std::string>& paths);
    // One tick of tmrPlay: the handler, then the redraw.
    void timerTick();

    app::Decks& decks() { return decks_; }
    Projector& projector() { return *projector_; }
    // The video area's right-click menu, for features that add entries to it.
    ProjectorMenu& videoAreaMenu() { return *projectorMenu_; }
    int32_t videoAreaHandle() const { return videoHost_->handle(); }
    QWidget& videoArea() { return *videoArea_; }
    // The decks' and the sample's pictures now, weighted by the crossfader.
    MixPictures mix() const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void click(app::Control& control) override;
    void doubleClick(app::Control& control) override;
    void keyDown(app::Control& control, int16_t keyCode, int16_t shift) override;
    void drop(app::Control& control, const app::DropData& dropped,
              const PointerEvent& where) override;
    void pointer(app::Control& control, const PointerEvent& event) override;
    void contextMenu(app::Control& control, const QPoint& screenPosition) override;

    // Runs the control's handler for one kind of event, when it has one.
    template <typename Handler, typename... Arguments>
    void dispatch(const app::Control& control, Handler Route::*handler,
                  const Arguments&... arguments) {
        const Route* route = routes_.find(control);
        if (route != nullptr && route->*handler) {
            run([&] { (route->*handler)(arguments...); });
        }
    }
    // Runs one handler, then redraws every widget from the model.
    void run(const std::function<void()>& handler);
    void refresh();
    void unload();

    FileAnswers files_{*this, [this](const std::function<void()>& handler) { run(handler); }};
    app::Decks decks_;
    EventRoutes routes_{decks_};
    std::vector<ControlView*> views_;
    FrameTaps frameTaps_;
    std::unique_ptr<VideoAreaViews> videoViews_;
    std::unique_ptr<Projector> projector_;
    ProjectorMenu* projectorMenu_ = nullptr;  // owned by the video area
    std::unique_ptr<WidgetWindowHost> mainHost_;
    std::unique_ptr<WidgetWindowHost> videoHost_;
    QWidget* videoArea_ = nullptr;  // a child widget
    QTimer playTimer_;
    std::function<void()> afterUnload_;
    bool loaded_ = false;
    bool unloaded_ = false;
};

}  // namespace gui
