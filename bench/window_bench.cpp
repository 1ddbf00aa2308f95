// The window's speed, on the real platform and engine:
// - launch to first painted window: this program started anew in its first-paint mode,
//   from before the start to the end of the window's first paint, median of 10;
// - the UI thread's time for one play-timer tick with two playing decks: the handler
//   and the redraw from the model, then with the painting it causes.
// Off screen when no display is set.

#include <time.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench_media.h"
#include "gui/folder_listing.h"
#include "gui/mixer_window.h"
#include "gui/open_dialog.h"
#include "platform/media_service.h"

namespace {

int64_t monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

// Prints the moment the window's first paint has finished, and ends at once.
class FirstPaint final : public QObject {
  protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            QTimer::singleShot(0, [] {  // after the whole paint pass
                std::printf("%lld\n", static_cast<long long>(monotonicNs()));
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return false;
    }
};

int showUntilFirstPaint(int argc, char* argv[]) {
    QApplication application(argc, argv);
    gui::OpenDialog dialog;
    gui::FolderFiles folders;
    gui::MixerWindow window(dialog, folders, platform::ShutDownMediaService);
    FirstPaint watch;
    window.installEventFilter(&watch);
    window.load();
    window.show();
    return QApplication::exec();
}

void printFigure(const char* what, std::vector<double> values, const char* unit) {
    std::sort(values.begin(), values.end());
    std::printf("%-52s median %8.3f %s  (min %.3f, max %.3f, n %zu)\n", what, bench::median(values),
                unit, values.front(), values.back(), values.size());
}

void measureLaunches(const char* self) {
    std::vector<double> ms;
    for (int i = 0; i < 10; ++i) {
        const int64_t start = monotonicNs();
        FILE* child = popen((std::string("'") + self + "' --first-paint").c_str(), "r");
        long long paintedAt = 0;
        if (child == nullptr || std::fscanf(child, "%lld", &paintedAt) != 1) {
            std::fprintf(stderr, "the window did not paint\n");
            std::exit(1);
        }
        pclose(child);
        ms.push_back(static_cast<double>(paintedAt - start) / 1e6);
    }
    printFigure("launch to first painted window", ms, "ms");
}

void measureTicks(int argc, char* argv[]) {
    const std::string left = bench::songMp3Vbr();
    const std::string right = bench::songMp3Cbr();
    QApplication application(argc, argv);
    gui::OpenDialog dialog;
    gui::FolderFiles folders;
    gui::MixerWindow window(dialog, folders, platform::ShutDownMediaService);
    window.load();
    window.show();
    window.decks().PlaySong(left, 0);
    window.decks().PlaySong(right, 1);
    std::vector<double> tick;
    std::vector<double> tickAndPaint;
    for (int i = 0; i < 200; ++i) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const auto start = std::chrono::steady_clock::now();
        window.timerTick();
        const auto ticked = std::chrono::steady_clock::now();
        QCoreApplication::processEvents();  // the repaint the tick asked for
        const auto painted = std::chrono::steady_clock::now();
        tick.push_back(bench::seconds(ticked - start) * 1e3);
        tickAndPaint.push_back(bench::seconds(painted - start) * 1e3);
    }
    printFigure("timer tick, two playing decks (handler + redraw)", tick, "ms");
    printFigure("timer tick with the painting it causes", tickAndPaint, "ms");
    window.close();
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (qEnvironmentVariableIsEmpty("ROTAVOX_HOME")) {
        qputenv("ROTAVOX_HOME", "bench-home");  // its samples folder, not the user's
    }
    if (argc > 1 && std::string(argv[1]) == "--first-paint") {
        return showUntilFirstPaint(argc, argv);
    }
    measureLaunches(argv[0]);
    measureTicks(argc, argv);
    return 0;
}
