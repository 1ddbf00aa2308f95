// Starts the mixer's window.

#include <QApplication>
#include <QMessageBox>

#include "gui/folder_listing.h"
#include "gui/mixer_window.h"
#include "gui/open_dialog.h"
#include "platform/media_service.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Rotavox");
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
    window.show();
    return QApplication::exec();
}
