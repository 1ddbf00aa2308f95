// The window's speed, on the real platform and engine:
// - launch to first painted window: this program started anew in its first-paint mode,
//   from before the start to the end of the window's first paint, median of 10;
// - the UI thread's time for one play-timer tick with two playing decks: the handler
//   and the redraw from the model, then with the painting it causes;
// - a playlist file of 5,000 songs put on the left deck: the UI thread's time from the
//   drop to the painted list (all of it: the window answers nothing else meanwhile), and
//   a timer tick with that list shown.
// Off screen when no display is set.

#include <time.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_media.h"
#include "bench_window.h"
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

void measureTicks(gui::MixerWindow& window) {
    window.decks().PlaySong(bench::songMp3Vbr(), 0);
    window.decks().PlaySong(bench::songMp3Cbr(), 1);
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
}

// 5,000 entries by relative path, with their #EXTINF lines; the files exist (empty: a
// listed file is only looked up, not opened).
std::string bigPlaylist() {
    const std::filesystem::path folder = std::filesystem::absolute("bench-media/playlist");
    std::filesystem::create_directories(folder);
    const std::filesystem::path list = folder / "5000 songs.m3u8";
    std::ofstream text(list);
    text << "#EXTM3U\n";
    for (int i = 0; i < 5000; ++i) {
        const std::string name =
            "Artist " + std::to_string(i % 97) + " - Song " + std::to_string(i) + ".mp3";
        if (!std::filesystem::exists(folder / name)) {
            std::ofstream(folder / name).flush();
        }
        text << "#EXTINF:215," << name << "\n" << name << "\n";
    }
    return list.string();
}

void measurePlaylistLoad(gui::MixerWindow& window) {
    const std::string list = bigPlaylist();
    app::Controls& controls = window.decks().controls;
    std::vector<double> load;
    std::vector<double> tick;
    for (int round = 0; round < 5; ++round) {
        controls.lstPlaylist[0].List.clear();
        controls.lstPlayListPath[0].List.clear();
        window.timerTick();
        QCoreApplication::processEvents();
        const auto start = std::chrono::steady_clock::now();
        window.openFiles({list});
        QCoreApplication::processEvents();
        load.push_back(bench::seconds(std::chrono::steady_clock::now() - start) * 1e3);
        const auto ticked = std::chrono::steady_clock::now();
        window.timerTick();
        tick.push_back(bench::seconds(std::chrono::steady_clock::now() - ticked) * 1e3);
    }
    if (controls.lstPlaylist[0].List.size() != 5000) {
        std::fprintf(stderr, "the playlist holds %zu entries\n",
                     controls.lstPlaylist[0].List.size());
        std::exit(1);
    }
    printFigure("5,000-entry playlist file to the painted list", load, "ms");
    printFigure("timer tick with 5,000 entries shown", tick, "ms");
}

void measureWindow(int argc, char* argv[]) {
    bench::ShownWindow shown(argc, argv);
    measureTicks(shown.window);
    measurePlaylistLoad(shown.window);
}

}  // namespace

int main(int argc, char* argv[]) {
    bench::chooseWindowPlaces();
    if (argc > 1 && std::string(argv[1]) == "--first-paint") {
        return showUntilFirstPaint(argc, argv);
    }
    measureLaunches(argv[0]);
    measureWindow(argc, argv);
    return 0;
}
