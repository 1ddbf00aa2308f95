// The window's thread while a file on a slow network mount loads: each kind of file is put
// on the left deck by the handler a double-click runs, from a mirror of ./bench-media whose
// every call answers after a delay (tests/slow_mount, a FUSE file system: 20 ms and 100 ms a
// round trip). Measured: the longest gap between ticks of a 2-ms timer on the window's
// thread from the load until the deck plays (the longest the window was held), the time
// until the deck plays, and what the same file's open took on the window's thread when the
// window opened files where it stood (the engine's open, timed alone); then a 100-entry
// playlist file dropped from the mount. Last, the mount stops answering while a deck plays
// from it, and the deck is given another file from it and then a local one. Needs /dev/fuse
// and fusermount3; off screen when no display is set.
//   slow_open_bench [DELAY_MS ...]

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench_media.h"
#include "bench_window.h"
#include "engine/media_engine.h"
#include "slow_mount/mirror.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Kind {
    const char* name;
    std::string path;  // in ./bench-media
};

std::vector<Kind> kinds() {
    const std::string song = "-i '" + bench::songWav() + "'";
    return {
        {"mp3 CBR 192k, Info header (5 min)", bench::songMp3Cbr()},
        {"mp3 VBR, no header (5 min)", bench::songMp3Bare()},
        {"AAC in MP4 (5 min)", bench::songAac()},
        {"WMA v2 (5 min)", bench::media("song.wma", song + " -c:a wmav2 -b:a 128k")},
        {"WAV (5 min)", bench::songWav()},
        {"H.264 640x360 MP4 (5 min)", bench::songVideo()},
    };
}

// The longest gap between ticks of a fine timer on this thread, while it runs.
class Heartbeat {
  public:
    Heartbeat() {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            longestMs_ = std::max(longestMs_, static_cast<double>(since_.nsecsElapsed()) / 1e6);
            since_.restart();
        });
    }
    void start() {
        longestMs_ = 0;
        since_.start();
        timer_.start(2);
    }
    double stop() {
        timer_.stop();
        return longestMs_;
    }

  private:
    QTimer timer_;
    QElapsedTimer since_;
    double longestMs_ = 0;
};

// Runs the event loop until `done` or `limit`; false when the limit came first.
template <typename Done>
bool spinUntil(Done done, std::chrono::seconds limit) {
    const auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > end) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Loads `path` on the left deck by the handler a double-click runs, and watches the window's
// thread until the deck plays it and 300 ms on (or `limit`): the longest it was held, and
// how long until the deck played it (nullopt: it never did).
struct Load {
    double longestHeldMs = 0;
    std::optional<double> playingAfterMs;
};
Load watchLoad(gui::MixerWindow& window, const std::string& path, std::chrono::seconds limit) {
    app::Controls& controls = window.decks().controls;
    controls.lblTrack[0].Caption.clear();  // to see the load land
    Heartbeat heartbeat;
    heartbeat.start();
    QCoreApplication::processEvents();
    const auto start = Clock::now();
    window.decks().PlaySong(path, 0);
    Load load;
    if (spinUntil([&] { return !controls.lblTrack[0].Caption.empty(); }, limit)) {
        load.playingAfterMs = bench::seconds(Clock::now() - start) * 1e3;
    }
    const auto playing = Clock::now();
    spinUntil([&] { return Clock::now() - playing > std::chrono::milliseconds(300); },
              std::chrono::seconds(1));
    load.longestHeldMs = heartbeat.stop();
    return load;
}

void loadEachKind(gui::MixerWindow& window, const slowmount::Mirror& mount) {
    for (const Kind& kind : kinds()) {
        const std::string path = mount.mirror(kind.path);
        // As the window opened files before: the engine's open on this thread, alone.
        const auto openStart = Clock::now();
        const engine::OpenResult opened =
            engine::ProcessEngine().open(path, window.videoAreaHandle());
        const double syncMs = bench::seconds(Clock::now() - openStart) * 1e3;
        engine::ProcessEngine().close(opened.device);

        std::this_thread::sleep_for(std::chrono::milliseconds(1200));  // attributes forgotten
        const Load load = watchLoad(window, path, std::chrono::seconds(60));
        std::printf(
            "  %-36s open on the window's thread as before %7.0f ms | now: playing after "
            "%6.0f ms, longest the window was held %5.1f ms\n",
            kind.name, syncMs, load.playingAfterMs.value_or(-1), load.longestHeldMs);
    }
}

// A playlist file of 100 entries dropped on the left playlist from the mount: the longest
// the window was held, and when its entries were there.
void dropList(gui::MixerWindow& window, const slowmount::Mirror& mount) {
    const std::string list = fs::absolute("bench-media/set-100.m3u8").string();
    if (!fs::exists(list)) {
        std::ofstream text(list);
        for (int i = 0; i < 100; ++i) {
            text << fs::path(bench::songMp3Cbr()).filename().string() << "\n";
        }
    }
    const std::vector<std::string>& entries = window.decks().controls.lstPlaylist[0].List;
    const size_t before = entries.size();
    Heartbeat heartbeat;
    heartbeat.start();
    QCoreApplication::processEvents();
    const auto start = Clock::now();
    window.openFiles({mount.mirror(list)});
    const bool listed =
        spinUntil([&] { return entries.size() >= before + 100; }, std::chrono::seconds(60));
    const double listedMs = bench::seconds(Clock::now() - start) * 1e3;
    std::printf(
        "  a 100-entry playlist file dropped: listed after %.0f ms%s, longest the window "
        "was held %.1f ms\n",
        listedMs, listed ? "" : " (never)", heartbeat.stop());
}

// The mount stops answering while the deck plays from it: a second file from it, then a
// local one, loaded on that deck.
void loadWhileStalled(gui::MixerWindow& window, const slowmount::Mirror& mount) {
    const Load playing =
        watchLoad(window, mount.mirror(bench::songMp3Cbr()), std::chrono::seconds(60));
    mount.stall();
    const Load stalled = watchLoad(window, mount.mirror(bench::songAac()), std::chrono::seconds(3));
    const Load local = watchLoad(window, bench::songWav(), std::chrono::seconds(10));
    mount.answer();
    std::printf(
        "the mount stops answering while the deck plays from it (playing after %.0f ms):\n"
        "  another file from it: %s, longest the window was held %.1f ms in 3 s\n"
        "  then a local file: playing after %.0f ms, longest the window was held %.1f ms\n",
        playing.playingAfterMs.value_or(-1),
        stalled.playingAfterMs ? "played (the mount answered?)" : "waits for the mount",
        stalled.longestHeldMs, local.playingAfterMs.value_or(-1), local.longestHeldMs);
}

}  // namespace

int main(int argc, char* argv[]) {
    bench::chooseWindowPlaces();
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) {
        qputenv("SDL_AUDIODRIVER", "dummy");
    }
    std::vector<int> delays;
    for (int i = 1; i < argc; ++i) {
        delays.push_back(std::stoi(argv[i]));
    }
    if (delays.empty()) {
        delays = {20, 100};
    }
    kinds();  // made before any mount
    bench::ShownWindow shown(argc, argv);
    gui::MixerWindow& window = shown.window;
    for (const int delay : delays) {
        const slowmount::Mirror mount(fs::absolute("bench-media").string(), delay);
        if (!mount.mounted()) {
            std::printf("cannot mount the slow mirror here (needs /dev/fuse and fusermount3)\n");
            return 1;
        }
        std::printf("every call on the mount answers after %d ms:\n", delay);
        loadEachKind(window, mount);
        dropList(window, mount);
        if (delay == delays.back()) {
            loadWhileStalled(window, mount);
        }
        // Nothing left open on the mount: a local file on the deck, the closed ones freed.
        window.decks().PlaySong(bench::songWav(), 0);
        spinUntil([] { return false; }, std::chrono::seconds(1));
    }
    return 0;
}
