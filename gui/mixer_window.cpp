#include "gui/mixer_window.h"

#include <QCloseEvent>
#include <QMimeData>
#include <QUrl>

#include "app/device_names.h"
#include "gui/control_widgets.h"
#include "gui/fonts.h"
#include "gui/model_geometry.h"
#include "gui/picture_mix.h"
#include "gui/playlist_menu.h"
#include "gui/projector_menu.h"
#include "gui/url_drop.h"
#include "gui/widget_sync.h"
#include "gui/window_log.h"

namespace gui {

MixerWindow::MixerWindow(app::OpenFileDialog& dialog, app::FolderListing& folders,
                         std::function<void()> afterUnload, FrameTaps frameTaps)
    : decks_(dialog, folders, files_),
      frameTaps_(std::move(frameTaps)),
      afterUnload_(std::move(afterUnload)) {
    const app::Control& form = decks_.controls.Decks;
    setObjectName(WidgetName(form));
    // A fixed single border: no resizing, no minimize or maximize button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(WindowRect(form).size());
    setFont(ControlFont(form.TextFont));
    setAutoFillBackground(true);
    FillWith(*this, ModelColour(form.BackColor, palette().color(QPalette::Window),
                                palette().color(QPalette::Highlight)));

    ControlWidgets widgets = CreateControlWidgets(decks_.controls, *this, *this);
    views_ = std::move(widgets.views);
    videoArea_ = widgets.videoArea;
    QWidget& videoArea = widgets.videoArea->client();
    videoViews_ = std::make_unique<VideoAreaViews>(videoArea);
    // A picture in the main window (a video sample's) shows fitted in the video area, over
    // the decks' pictures, rather than over the controls.
    mainHost_ = std::make_unique<WidgetWindowHost>(*this, videoViews_->pictureLayer(),
                                                   VideoPicture::Placing::Fitted);
    videoHost_ =
        std::make_unique<WidgetWindowHost>(*widgets.videoArea, videoViews_->pictureLayer());
    projector_ = std::make_unique<Projector>(*this, *videoViews_, [this] { return mix(); });
    projectorMenu_ = new ProjectorMenu(videoArea, *projector_);  // owned by the area
    connect(&playTimer_, &QTimer::timeout, this, &MixerWindow::timerTick);
}

MixerWindow::~MixerWindow() {
    unload();
}

void MixerWindow::load() {
    decks_.controls.Decks.hWnd = mainHost_->handle();
    decks_.controls.picVideo.hWnd = videoHost_->handle();
    decks_.Form_Load();
    loaded_ = true;
    refresh();
}

void MixerWindow::openFiles(const std::vector<std::string>& paths) {
    QList<QUrl> urls;
    for (const std::string& path : paths) {
        urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
    }
    QMimeData files;
    files.setUrls(urls);
    drop(decks_.controls.lstPlaylist[0], UrlDrop(files), {});
}

void MixerWindow::openHandedFiles(const std::vector<std::string>& paths) {
    openFiles(paths);
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}

void MixerWindow::timerTick() {
    run([this] { decks_.tmrPlay_Timer(); });
}

void MixerWindow::closeEvent(QCloseEvent* event) {
    unload();
    event->accept();  // unloading never cancels the closing
}

void MixerWindow::unload() {
    if (!loaded_ || unloaded_) {
        return;
    }
    unloaded_ = true;
    playTimer_.stop();
    projector_->close();
    decks_.Form_Unload();
    if (afterUnload_) {
        afterUnload_();
    }
}

MixPictures MixerWindow::mix() const {
    MixPictures mix;
    mix.weights = PictureWeights(decks_.controls.lblCrossfade.Left);
    if (!frameTaps_ || unloaded_) {
        return mix;
    }
    const auto latest = [this](const std::string& alias) {
        const std::shared_ptr<const windowing::FrameTap> tap = frameTaps_(alias);
        return tap ? tap->latest() : nullptr;
    };
    mix.decks = {latest(app::AliasOf(0)), latest(app::AliasOf(1))};
    mix.sample = latest(app::kSampleAlias);
    return mix;
}

void MixerWindow::click(app::Control& control) {
    dispatch(control, &Route::click);
}

void MixerWindow::doubleClick(app::Control& control) {
    dispatch(control, &Route::doubleClick);
}

void MixerWindow::keyDown(app::Control& control, int16_t keyCode, int16_t shift) {
    dispatch(control, &Route::keyDown, keyCode, shift);
}

void MixerWindow::drop(app::Control& control, const app::DropData& dropped,
                       const PointerEvent& where) {
    dispatch(control, &Route::drop, dropped, where);
}

void MixerWindow::pointer(app::Control& control, const PointerEvent& event) {
    dispatch(control, &Route::pointer, event);
}

void MixerWindow::contextMenu(app::Control& control, const QPoint& screenPosition) {
    for (int16_t deck : {0, 1}) {
        if (&control == &decks_.controls.lstPlaylist[deck] && !unloaded_) {
            ShowPlaylistMenu(*this, decks_, deck, screenPosition);
        }
    }
}

void MixerWindow::run(const std::function<void()>& handler) {
    if (unloaded_) {
        return;  // events still queued while the window closes
    }
    try {
        handler();
    } catch (const std::exception& failure) {
        // The handlers deal with their own failures; an unforeseen one must not take the
        // window, and the set the user is playing, down with it.
        qCWarning(windowLog, "a handler failed: %s", failure.what());
    }
    refresh();
}

void MixerWindow::refresh() {
    const app::Control& form = decks_.controls.Decks;
    const QString caption = QString::fromStdString(form.Caption);
    if (windowTitle() != caption) {
        setWindowTitle(caption);
    }
    for (ControlView* view : views_) {
        view->refreshFromModel();
    }
    const app::Control& timer = decks_.controls.tmrPlay;
    if (timer.Enabled && !playTimer_.isActive()) {
        playTimer_.start(timer.Interval);
    } else if (!timer.Enabled && playTimer_.isActive()) {
        playTimer_.stop();
    }
}

}  // namespace gui
