// The projector over two 1080p25 H.264 decks (noise-textured, about 8 Mbit/s, so that
// decoding costs what real video costs), mid-crossfade, at 1920x1080, in real time on the
// clocked null output. Needs a display (Xvfb: OpenGL is Mesa's llvmpipe there):
// - CPU seconds per second of the process: the decks playing without the projector, then
//   for 60 s with it, against `ffmpeg -f null` decoding both files in the same run; the
//   difference is the projector's (uploads and GL drawing, on the CPU with llvmpipe) less
//   the scaling of the video area's pictures, which nobody sees while it is open; with it,
//   the split between the drawing (the GUI thread and llvmpipe's) and the rest;
// - frames shown, dropped and late per deck, and how long after its time each frame was
//   shown (the picture against the sound), with the projector open;
// - the projector's drawing time (wall clock, a 1920x1080 drawing and the preview);
// - a new file on a playing deck (its device closed, opened and played, as a double-click
//   on its entry does) to its first picture drawn in the projector (median of 5).
//
//     Xvfb :9 -screen 0 1920x1080x24 & DISPLAY=:9 ./projector_bench

#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_media.h"
#include "engine/mixer_engine.h"
#include "engine/null_output.h"
#include "gui/projector_window.h"
#include "windowing/window_registry.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSeconds = 60;

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// CPU seconds of this process's threads so far: the drawing's (the GUI thread, which
// drives OpenGL, and llvmpipe's), and all the others' (the decks' decoding and presenting,
// the sound).
struct CpuSplit {
    double drawing = 0, decks = 0;
};
CpuSplit threadCpu() {
    CpuSplit split;
    const std::string self = std::to_string(getpid());
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        std::ifstream in(task.path() / "stat");
        std::string line;
        std::getline(in, line);
        const size_t open = line.find('('), close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos) {
            continue;  // the thread ended meanwhile
        }
        const std::string name = line.substr(open + 1, close - open - 1);
        std::istringstream fields(line.substr(close + 2));
        std::string field;
        for (int i = 0; i < 11; ++i) {
            fields >> field;  // state ... cmajflt
        }
        double utime = 0, stime = 0;
        fields >> utime >> stime;
        const double cpu = (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
        const bool drawing = task.path().filename() == self || name.starts_with("llvmpipe");
        (drawing ? split.drawing : split.decks) += cpu;
    }
    return split;
}

std::string deckVideo(const std::string& name, int seed) {
    return bench::media(name,
                        "-f lavfi -i \"testsrc2=size=1920x1080:rate=25:duration=75,"
                        "noise=alls=30:allf=t+u:all_seed=" +
                            std::to_string(seed) +
                            "\" -f lavfi -i \"sine=f=440:duration=75\" -c:v libx264 "
                            "-preset veryfast -b:v 8M -maxrate 8M -bufsize 16M "
                            "-pix_fmt yuv420p -c:a aac");
}

// The video area: its pictures are scaled to 177x137 and drawn nowhere; while the projector
// is open they are not seen (the area shows the projector's preview in their place).
class AreaHost final : public windowing::WindowHost {
  public:
    AreaHost() : handle(windowing::RegisterWindowHost(*this)) {}
    ~AreaHost() override { windowing::UnregisterWindowHost(handle); }
    windowing::Rect outerRect() const override { return {0, 0, 177, 137}; }
    std::unique_ptr<windowing::Picture> createPicture() override {
        return std::make_unique<Nowhere>(picturesSeen);
    }
    const int32_t handle;
    std::atomic<bool> picturesSeen{true};

  private:
    struct Nowhere final : windowing::Picture {
        explicit Nowhere(const std::atomic<bool>& seen) : seen_(seen) {}
        void place(int32_t, int32_t, int32_t, int32_t) override {}
        void show(std::shared_ptr<const windowing::VideoFrame>) override {}
        bool seen() const override { return seen_.load(std::memory_order_relaxed); }
        const std::atomic<bool>& seen_;
    };
};

// Runs the event loop for `seconds`.
void runFor(double seconds) {
    QTimer::singleShot(static_cast<int>(seconds * 1000), qApp, &QCoreApplication::quit);
    QApplication::exec();
}

struct Rig {
    AreaHost host;
    engine::MixerEngine engine{std::make_unique<engine::NullOutput>(48000, 256)};
    std::array<engine::DeviceId, 2> decks{};

    void load(size_t deck, const std::string& path) {
        engine.close(decks[deck]);
        decks[deck] = engine.open(path, host.handle).device;
        engine.placeVideo(decks[deck], 0, 0, 177, 137);
        engine.play(decks[deck], 0, engine.lengthMs(decks[deck]));
    }
    gui::MixPictures mix() const {
        gui::MixPictures mix;
        mix.weights = {0.5f, 0.5f};
        for (size_t deck = 0; deck < 2; ++deck) {
            const auto tap = engine.frameTap(decks[deck]);
            mix.decks[deck] = tap ? tap->latest() : nullptr;
        }
        return mix;
    }
};

void printStats(const char* deck, const engine::VideoStats& stats) {
    uint64_t within = 0;
    int worst = 0;
    for (size_t ms = 0; ms < stats.showDelayMs.size(); ++ms) {
        within += ms <= 40 ? stats.showDelayMs[ms] : 0;
        worst = stats.showDelayMs[ms] > 0 ? static_cast<int>(ms) : worst;
    }
    std::printf(
        "%s: %llu frames shown, %llu dropped, %llu late; %.1f%% shown within 40 ms "
        "(a frame) of their time, the latest %d ms%s\n",
        deck, static_cast<unsigned long long>(stats.shown),
        static_cast<unsigned long long>(stats.dropped), static_cast<unsigned long long>(stats.late),
        stats.shown > 0 ? 100.0 * static_cast<double>(within) / static_cast<double>(stats.shown)
                        : 0.0,
        worst, worst + 1 >= static_cast<int>(stats.showDelayMs.size()) ? " or more" : "");
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const std::string a = deckVideo("deck-1080-a.mp4", 1);
    const std::string b = deckVideo("deck-1080-b.mp4", 2);

    const double ffmpegBefore = cpuSeconds(RUSAGE_CHILDREN);
    bench::run("ffmpeg -nostdin -v error -t " + std::to_string(kSeconds) + " -i '" + a + "' -t " +
               std::to_string(kSeconds) + " -i '" + b + "' -map 0 -map 1 -f null -");
    const double ffmpegCpu = (cpuSeconds(RUSAGE_CHILDREN) - ffmpegBefore) / kSeconds;

    Rig rig;
    rig.load(0, a);
    rig.load(1, b);
    runFor(2);  // past the start
    double before = cpuSeconds(RUSAGE_SELF);
    runFor(20);
    const double withoutProjector = (cpuSeconds(RUSAGE_SELF) - before) / 20;

    Clock::time_point drawStart;
    std::vector<double> drawMs;
    std::shared_ptr<const windowing::DecodedPicture> drawing, drawn;  // deck 0's picture
    gui::ProjectorWindow projector(gui::ProjectorWindow::Links{
        [&] {
            drawStart = Clock::now();
            gui::MixPictures mix = rig.mix();
            drawing = mix.decks[0];
            return mix;
        },
        [] { return QSize(173, 133); },
        [&](QImage) {  // right after the drawing, which read the mix last
            drawMs.push_back(bench::seconds(Clock::now() - drawStart) * 1000);
            drawn = drawing;
        },
        [] {}});
    projector.resize(1920, 1080);
    projector.show();
    rig.host.picturesSeen = false;
    runFor(2);
    const std::array<engine::VideoStats, 2> statsBefore = {rig.engine.videoStats(rig.decks[0]),
                                                           rig.engine.videoStats(rig.decks[1])};
    drawMs.clear();
    before = cpuSeconds(RUSAGE_SELF);
    const CpuSplit splitBefore = threadCpu();
    runFor(kSeconds);
    const double withProjector = (cpuSeconds(RUSAGE_SELF) - before) / kSeconds;
    const CpuSplit splitAfter = threadCpu();
    const double decksWith = (splitAfter.decks - splitBefore.decks) / kSeconds;
    const double drawingWith = (splitAfter.drawing - splitBefore.drawing) / kSeconds;
    for (size_t deck = 0; deck < 2; ++deck) {
        engine::VideoStats stats = rig.engine.videoStats(rig.decks[deck]);
        stats.shown -= statsBefore[deck].shown;
        stats.dropped -= statsBefore[deck].dropped;
        stats.late -= statsBefore[deck].late;
        for (size_t ms = 0; ms < stats.showDelayMs.size(); ++ms) {
            stats.showDelayMs[ms] -= statsBefore[deck].showDelayMs[ms];
        }
        printStats(deck == 0 ? "deck 0" : "deck 1", stats);
    }
    std::printf("ffmpeg -f null decoding both files for %d s: CPU %.3f s per second\n", kSeconds,
                ffmpegCpu);
    std::printf("the decks without the projector: CPU %.3f s per second, %.2fx ffmpeg\n",
                withoutProjector, withoutProjector / ffmpegCpu);
    std::printf(
        "with the projector at 1920x1080: CPU %.3f s per second; its share (uploads and "
        "llvmpipe's drawing) %.3f s per second\n",
        withProjector, withProjector - withoutProjector);
    std::printf(
        "  of which the decks (all threads but the GUI thread and llvmpipe's) %.3f s per "
        "second, %.2fx ffmpeg; the drawing %.3f s per second\n",
        decksWith, decksWith / ffmpegCpu, drawingWith);
    std::printf("%zu drawings in %d s, each %.1f ms (median; drawing and preview, wall)\n",
                drawMs.size(), kSeconds, bench::median(drawMs));

    std::vector<double> toPicture;
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        // The drawings read deck 0's tap afresh: any picture of it drawn from now on is the
        // new file's. (Its newest picture changes more often than a slow llvmpipe draws.)
        drawn.reset();
        rig.load(0, run % 2 == 0 ? b : a);
        while (Clock::now() - start < std::chrono::seconds(10) && !drawn) {
            QApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        toPicture.push_back(bench::seconds(Clock::now() - start) * 1000);
    }
    std::printf(
        "a new file on a playing deck to its first picture in the projector: median %.0f "
        "ms of 5\n",
        bench::median(toPicture));
    return 0;
}
