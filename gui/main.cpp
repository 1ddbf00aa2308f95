// Starts the mixer's window, or hands the files to the one already running.

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include "gui/command_line.h"
#include "gui/folder_listing.h"
#include "gui/mixer_window.h"
#include "gui/open_dialog.h"
#include "gui/output_choice.h"
#include "gui/output_views.h"
#include "gui/quit_signals.h"
#include "gui/recording_views.h"
#include "gui/single_instance.h"
#include "gui/window_log.h"
#include "platform/media_service.h"
#include "util/log.h"

int main(int argc, char* argv[]) {
    QApplication::setApplicationName("Rotavox");
    QApplication::setApplicationVersion(ROTAVOX_VERSION);
    gui::CommandLine command;
    gui::SingleInstance instance;
    {  // without a window yet, so that --help, --version and a hand-over need no display
        const QCoreApplication arguments(argc, argv);
        command = gui::ReadCommandLine(QCoreApplication::arguments());
        if (!command.newWindow && !instance.claim(command.files)) {
            return 0;
        }
    }
    if (command.verbose) {
        useful::SetLogEnabled(true);
    }
    gui::ApplyOutputOptions(command.outputs);
    gui::RouteWindowLog();
    QApplication application(argc, argv);
    // Installed, the desktop entry and the icon carry this name.
    QGuiApplication::setDesktopFileName("example.quillfen.Rotavox");
    QApplication::setWindowIcon(QIcon::fromTheme("example.quillfen.Rotavox"));
    gui::OpenDialog dialog;
    gui::FolderFiles folders;
    gui::MixerWindow window(dialog, folders, platform::ShutDownMediaService, platform::FrameTapOf);
    dialog.setOwner(&window);
    // A logout, a shutdown, `kill` or Ctrl+C close as the window's close button does; the
    // exit also leaves a modal dialog's loop.
    const gui::QuitSignals quitSignals([&window] {
        window.close();
        QCoreApplication::exit(0);
    });
    gui::InstallOutputViews(window);
    gui::InstallRecordingViews(window);
    try {
        window.load();
    } catch (const app::StartupFailure& failure) {
        qCCritical(gui::windowLog, "start-up failed: %s", failure.what());
        QMessageBox::critical(nullptr, "Rotavox", QString::fromUtf8(failure.what()));
        return 1;
    }
    window.openFiles(command.files);
    instance.listen([&window](const auto& files) { window.openHandedFiles(files); });
    window.show();
    if (command.projector) {
        window.projector().open(
            command.projector->empty()
                ? std::nullopt
                : std::optional<QString>(QString::fromStdString(*command.projector)));
    }
    if (command.record) {
        gui::RecordInto(window, QString::fromStdString(*command.record));
    }
    return QApplication::exec();
}
