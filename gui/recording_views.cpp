#include "gui/recording_views.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>

#include "gui/mix_capture.h"
#include "gui/mixer_window.h"
#include "gui/window_log.h"
#include "platform/recording.h"

namespace gui {
namespace {

constexpr int kIndicatorTickMs = 500;

// Beside the window and not modal: the decks stay in the user's hands.
void tell(QWidget& window, const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Warning, "Rotavox", text, QMessageBox::Ok, &window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

QString elapsed(const platform::RecordingStatus& status) {
    const qint64 seconds =
        status.sampleRate > 0 ? static_cast<qint64>(status.frames) / status.sampleRate : 0;
    const QString minutesAndSeconds =
        QString("%1:%2").arg(seconds / 60 % 60).arg(seconds % 60, 2, 10, QChar('0'));
    return seconds < 3600
               ? minutesAndSeconds
               : QString("%1:%2").arg(seconds / 3600).arg(minutesAndSeconds.rightJustified(5, '0'));
}

// A recording that stopped on its own is finished here and told about once.
void reportFailure(QWidget& window) {
    const platform::RecordingStatus status = platform::StopRecording();
    qCWarning(windowLog, "the recording stopped: %s", status.failure.c_str());
    tell(window,
         QString("The recording stopped: %1.\nThe file holds what was recorded until "
                 "then:\n%2")
             .arg(QString::fromStdString(status.failure), QString::fromStdString(status.path)));
}

// The red dot and the time, in the area's top right corner, letting every click through.
void addIndicator(MixerWindow& window) {
    QWidget& videoArea = window.videoArea();
    auto* indicator = new QLabel(&videoArea);
    indicator->setObjectName("recordingIndicator");
    indicator->setAttribute(Qt::WA_TransparentForMouseEvents);
    indicator->setStyleSheet("color: white; background: rgba(0, 0, 0, 160); padding: 2px 4px;");
    indicator->hide();
    auto* timer = new QTimer(indicator);
    QObject::connect(timer, &QTimer::timeout, indicator, [indicator, &window, &videoArea] {
        const platform::RecordingStatus status = platform::CurrentRecording();
        if (!status.failure.empty()) {
            reportFailure(window);
        }
        indicator->setVisible(status.recording);
        if (status.recording) {
            indicator->setText("<span style='color: red'>\u25CF</span> " + elapsed(status));
            indicator->adjustSize();
            indicator->move(videoArea.width() - indicator->width() - 4, 4);
            indicator->raise();  // above pictures made since
        }
    });
    timer->start(kIndicatorTickMs);
}

// While a recording takes pictures, the mix drawn off screen at the file's picture rate.
void feedPictures(MixerWindow& window) {
    auto* timer = new QTimer(&window);
    timer->setTimerType(Qt::PreciseTimer);
    auto capture = std::make_shared<std::unique_ptr<MixCapture>>();
    QObject::connect(timer, &QTimer::timeout, &window, [&window, capture] {
        const platform::RecordingStatus status = platform::CurrentRecording();
        if (!status.recording || !status.pictures) {
            capture->reset();
            return;
        }
        if (!*capture) {
            *capture = std::make_unique<MixCapture>(platform::kRecordedPictureWidth,
                                                    platform::kRecordedPictureHeight);
        }
        platform::RecordPicture((*capture)->capture(window.mix()));
    });
    timer->start(1000 / platform::kRecordedPicturesPerSecond);
}

void askAndRecord(MixerWindow& window) {
    const QString proposed = DefaultRecordingPath(QDateTime::currentDateTime());
    QDir().mkpath(QFileInfo(proposed).absolutePath());
    QString path =
        QFileDialog::getSaveFileName(&window, "Record the mix", proposed,
                                     "FLAC or WAV sound, or Matroska video (*.flac *.wav *.mkv)");
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) {
        path += ".flac";  // a name typed without its extension
    }
    if (!path.isEmpty()) {
        RecordInto(window, path);
    }
}

void addMenuEntries(MixerWindow& window, QMenu& menu) {
    const bool recording = platform::CurrentRecording().recording;
    QAction* record = menu.addAction("Record the mix\u2026");
    record->setEnabled(!recording);
    QObject::connect(record, &QAction::triggered, &window, [&window] { askAndRecord(window); });
    QAction* stop = menu.addAction("Stop recording");
    stop->setEnabled(recording);
    QObject::connect(stop, &QAction::triggered, &window, [] { platform::StopRecording(); });
}

}  // namespace

QString DefaultRecordingPath(const QDateTime& now) {
    QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (music.isEmpty()) {
        music = QDir::home().filePath("Music");
    }
    return QDir(music).filePath("Rotavox/Rotavox " + now.toString("yyyy-MM-dd HH-mm") + ".flac");
}

void RecordInto(MixerWindow& window, const QString& path) {
    const std::string refusal = platform::StartRecording(path.toStdString());
    if (!refusal.empty()) {
        std::fprintf(stderr, "rotavox: %s\n", refusal.c_str());
        tell(window, QString::fromStdString(refusal));
    }
}

void InstallRecordingViews(MixerWindow& window) {
    addIndicator(window);
    feedPictures(window);
    window.videoAreaMenu().addEntries([&window](QMenu& menu) { addMenuEntries(window, menu); });
}

}  // namespace gui
