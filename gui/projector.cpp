#include "gui/projector.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>

#include "gui/projector_window.h"
#include "gui/video_area_views.h"

namespace gui {
namespace {

constexpr const char* kPlaceKey = "projector/screen";
constexpr QSize kWindowSize(960, 540);

// The new features' settings, in ~/.config/rotavox/.
QSettings Settings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "rotavox", "rotavox");
}

}  // namespace

Projector::Projector(QWidget& mainWindow, VideoAreaViews& videoArea,
                     std::function<MixPictures()> mix)
    : mainWindow_(mainWindow), videoArea_(videoArea), mix_(std::move(mix)) {
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &Projector::screenRemoved);
}

Projector::~Projector() {
    close();
}

void Projector::open(const std::optional<QString>& place) {
    close();
    if (place) {
        Settings().setValue(kPlaceKey, *place);
    }
    screen_ = screenFor(place);
    window_ = std::make_unique<ProjectorWindow>(ProjectorWindow::Links{
        mix_, [this] { return videoArea_.previewSize(); },
        [this](QImage image) { videoArea_.setPreview(std::move(image)); },
        // Not from inside the window's own event: it is deleted on closing.
        [this] { QMetaObject::invokeMethod(this, &Projector::close, Qt::QueuedConnection); }});
    videoArea_.showPreview(true);
    if (screen_ == nullptr) {
        window_->resize(kWindowSize);
        window_->show();
        return;
    }
    window_->setScreen(screen_);
    window_->setFlags(Qt::Window | Qt::FramelessWindowHint);
    window_->setGeometry(screen_->geometry());
    window_->setCursor(Qt::BlankCursor);
    window_->showFullScreen();
}

void Projector::close() {
    if (!window_) {
        return;
    }
    window_.reset();
    screen_ = nullptr;
    videoArea_.showPreview(false);
}

QScreen* Projector::screenFor(const std::optional<QString>& place) const {
    const QList<QScreen*> screens = QGuiApplication::screens();
    const QString name = place.value_or(Settings().value(kPlaceKey).toString());
    const bool inAWindow =
        place ? place->isEmpty() : Settings().contains(kPlaceKey) && name.isEmpty();
    if (screens.size() < 2 || inAWindow) {
        return nullptr;
    }
    for (QScreen* screen : screens) {
        if (screen->name() == name) {
            return screen;
        }
    }
    for (QScreen* screen : screens) {
        if (screen != mainWindow_.screen()) {
            return screen;
        }
    }
    return nullptr;
}

void Projector::screenRemoved(QScreen* screen) {
    if (screen == screen_) {
        close();
    }
}

}  // namespace gui
