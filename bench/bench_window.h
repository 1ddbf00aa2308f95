#pragma once
// The mixer's window for benchmarks, on the real platform and engine, loaded and shown:
// off screen when no display is set, its samples folder in ./bench-home.

#include <QApplication>

#include "gui/folder_listing.h"
#include "gui/mixer_window.h"
#include "gui/open_dialog.h"
#include "platform/media_service.h"

namespace bench {

// Before the application: where the window shows and keeps its samples.
inline void chooseWindowPlaces() {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (qEnvironmentVariableIsEmpty("ROTAVOX_HOME")) {
        qputenv("ROTAVOX_HOME", "bench-home");  // its samples folder, not the user's
    }
}

// After chooseWindowPlaces().
struct ShownWindow {
    ShownWindow(int& argc, char* argv[]) : application(argc, argv) {
        window.load();
        window.show();
    }
    ~ShownWindow() { window.close(); }

    QApplication application;
    gui::OpenDialog dialog;
    gui::FolderFiles folders;
    gui::MixerWindow window{dialog, folders, platform::ShutDownMediaService};
};

}  // namespace bench
