// Starts the mixer's window.

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include "gui/command_line.h"
#include "gui/folder_listing.h"
#include "gui/mixer_window.h"
#include "gui/open_dialog.h"
#include "platform/media_service.h"

int main(int argc, char* argv[]) {
    QApplication::setApplicationName("Rotavox");
    QApplication::setApplicationVersion(ROTAVOX_VERSION);
    std::vector<std::string> files;
    {  // without a window yet, so that --help and --version need no display
        const QCoreApplication arguments(argc, argv);
        files = gui::FilesToOpen(QCoreApplication::arguments());
    }
    QApplication application(argc, argv);
    // Installed, the desktop entry and the icon carry this name.
    QGuiApplication::setDesktopFileName("example.quillfen.Rotavox");
    QApplication::setWindowIcon(QIcon::fromTheme("example.quillfen.Rotavox"));
    gui::OpenDialog dialog;
    gui::FolderFiles folders;
    gui::MixerWindow window(dialog, folders, platform::ShutDownMediaService);
    dialog.setOwner(&window);
    try {
        window.load();
    } catch (const app::StartupFailure& failure) {
        QMessageBox::critical(nullptr, "Rotavox", QString::fromUtf8(failure.what()));
        return 1;
    }
    window.openFiles(files);
    window.show();
    return QApplication::exec();
}
