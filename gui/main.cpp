// Starts the mixer's window.

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include "gui/command_line.h"
#include "gui/folder_listing.h"
#include "gui/mixer_window.h"
#include "gui/open_dialog.h"
#include "gui/output_choice.h"
#include "gui/output_views.h"
#include "gui/window_log.h"
#include "platform/media_service.h"
#include "util/log.h"

int main(int argc, char* argv[]) {
    QApplication::setApplicationName("Rotavox");
    QApplication::setApplicationVersion(ROTAVOX_VERSION);
    gui::CommandLine commandLine;
    {  // without a window yet, so that --help and --version need no display
        const QCoreApplication arguments(argc, argv);
        commandLine = gui::ReadCommandLine(QCoreApplication::arguments());
    }
    if (commandLine.verbose) {
        useful::SetLogEnabled(true);
    }
    gui::ApplyOutputOptions(commandLine.outputs);
    gui::RouteWindowLog();
    QApplication application(argc, argv);
    // Installed, the desktop entry and the icon carry this name.
    QGuiApplication::setDesktopFileName("example.quillfen.Rotavox");
    QApplication::setWindowIcon(QIcon::fromTheme("example.quillfen.Rotavox"));
    gui::OpenDialog dialog;
    gui::FolderFiles folders;
    gui::MixerWindow window(dialog, folders, platform::ShutDownMediaService);
    dialog.setOwner(&window);
    gui::InstallOutputViews(window);
    try {
        window.load();
    } catch (const app::StartupFailure& failure) {
        qCCritical(gui::windowLog, "start-up failed: %s", failure.what());
        QMessageBox::critical(nullptr, "Rotavox", QString::fromUtf8(failure.what()));
        return 1;
    }
    window.openFiles(commandLine.files);
    window.show();
    return QApplication::exec();
}
