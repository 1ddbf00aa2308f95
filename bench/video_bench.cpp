// Pictures in real time on the clocked null output, shown in a 177x137 picture that
// draws nothing:
// - CPU seconds per second of playback of a 640x360 and a 1280x720 H.264 file with sound,
//   against `ffmpeg -f null` decoding the same stretch of the same file in the same run;
//   and the picture's own share (the same file played without a picture as the baseline)
//   against ffmpeg decoding the video stream alone;
// - frames shown, dropped and late over one minute at speed 1000 and 1500, and how long
//   after its time each frame was shown (the picture's offset from the sound);
// - open to first picture of the 5-minute 720p file (median of 5).

#include <sys/resource.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench_media.h"
#include "engine/mixer_engine.h"
#include "engine/null_output.h"
#include "windowing/window_registry.h"

namespace {

using Clock = std::chrono::steady_clock;

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A host whose pictures only note that a frame came.
class CountingHost final : public windowing::WindowHost {
  public:
    CountingHost() : handle(windowing::RegisterWindowHost(*this)) {}
    ~CountingHost() override { windowing::UnregisterWindowHost(handle); }
    windowing::Rect outerRect() const override { return {0, 0, 177, 137}; }
    std::unique_ptr<windowing::Picture> createPicture() override {
        return std::make_unique<CountingPicture>(frames);
    }
    std::atomic<int> frames{0};
    const int32_t handle;

  private:
    class CountingPicture final : public windowing::Picture {
      public:
        explicit CountingPicture(std::atomic<int>& frames) : frames_(frames) {}
        void place(int32_t, int32_t, int32_t, int32_t) override {}
        void show(std::shared_ptr<const windowing::VideoFrame> frame) override {
            frames_ += frame ? 1 : 0;
        }

      private:
        std::atomic<int>& frames_;
    };
};

std::unique_ptr<engine::MixerEngine> realTimeEngine() {
    return std::make_unique<engine::MixerEngine>(std::make_unique<engine::NullOutput>(48000, 256));
}

// CPU seconds per second of playing `seconds` of wall time from 10 s in, sound only.
double playWithoutPicture(const std::string& path, double seconds) {
    auto engine = realTimeEngine();
    const auto deck = engine->open(path, 0).device;
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    engine->play(deck, 10000, engine->lengthMs(deck));
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    return (cpuSeconds(RUSAGE_SELF) - cpuBefore) / seconds;
}

// Plays `seconds` of wall time at `speed` from 10 s in with a picture; prints its figures
// and returns the CPU seconds per second it took.
double play(const std::string& label, const std::string& path, int32_t speed, double seconds) {
    CountingHost host;
    auto engine = realTimeEngine();
    const auto deck = engine->open(path, host.handle).device;
    engine->placeVideo(deck, 0, 0, 177, 137);
    engine->setSpeed(deck, speed);
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    engine->play(deck, 10000, engine->lengthMs(deck));
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const engine::VideoStats stats = engine->videoStats(deck);
    const double cpu = cpuSeconds(RUSAGE_SELF) - cpuBefore;
    engine->close(deck);
    uint64_t counted = 0, median = 0, worst = 0;
    for (size_t ms = 0; ms < stats.showDelayMs.size(); ++ms) {
        if (counted * 2 < stats.shown && (counted + stats.showDelayMs[ms]) * 2 >= stats.shown) {
            median = ms;
        }
        counted += stats.showDelayMs[ms];
        worst = stats.showDelayMs[ms] > 0 ? ms : worst;
    }
    std::printf(
        "%s at speed %d, %.0f s: %llu frames shown, %llu dropped, %llu late (more than a frame "
        "after their time); shown after their time by a median %llu ms, at most %llu ms%s; "
        "CPU %.3f s per second\n",
        label.c_str(), speed, seconds, static_cast<unsigned long long>(stats.shown),
        static_cast<unsigned long long>(stats.dropped), static_cast<unsigned long long>(stats.late),
        static_cast<unsigned long long>(median), static_cast<unsigned long long>(worst),
        worst + 1 == stats.showDelayMs.size() ? " or more" : "", cpu / seconds);
    return cpu / seconds;
}

double ffmpegCpuPerSecond(const std::string& path, double seconds, const std::string& streams) {
    const double before = cpuSeconds(RUSAGE_CHILDREN);
    bench::run("ffmpeg -nostdin -v error -ss 10 -t " + std::to_string(seconds) + " -i '" + path +
               "' " + streams + " -f null -");
    return (cpuSeconds(RUSAGE_CHILDREN) - before) / seconds;
}

void openToFirstPicture(const std::string& path) {
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        CountingHost host;
        auto engine = realTimeEngine();
        const auto start = Clock::now();
        const auto deck = engine->open(path, host.handle).device;
        engine->play(deck, 0, engine->lengthMs(deck));
        while (host.frames.load() == 0 && Clock::now() - start < std::chrono::seconds(20)) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        times.push_back(bench::seconds(Clock::now() - start) * 1000);
        engine->close(deck);
    }
    std::printf("5-minute 1280x720 H.264 file, open to first picture: median %.0f ms\n",
                bench::median(times));
}

}  // namespace

int main() {
    constexpr double kSeconds = 60;
    for (const auto& [label, path] : {std::pair{std::string("640x360"), bench::songVideo()},
                                      std::pair{std::string("1280x720"), bench::songVideo720()}}) {
        const double engineCpu = play(label, path, 1000, kSeconds);
        const double soundOnlyCpu = playWithoutPicture(path, kSeconds / 2);
        const double ffmpegCpu = ffmpegCpuPerSecond(path, kSeconds, "");
        const double ffmpegVideoCpu = ffmpegCpuPerSecond(path, kSeconds, "-an");
        std::printf(
            "%s: ffmpeg -f null decoding the same %.0f s: CPU %.3f s per second; the engine costs "
            "%.2fx ffmpeg's decoding CPU. Without a picture the engine takes %.3f s per second; "
            "the picture's share, %.3f s, is %.2fx ffmpeg decoding the video alone (%.3f s)\n",
            label.c_str(), kSeconds, ffmpegCpu, engineCpu / ffmpegCpu, soundOnlyCpu,
            engineCpu - soundOnlyCpu, (engineCpu - soundOnlyCpu) / ffmpegVideoCpu, ffmpegVideoCpu);
    }
    play("1280x720", bench::songVideo720(), 1500, kSeconds);
    openToFirstPicture(bench::songVideo720());
}
