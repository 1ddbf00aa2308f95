// CPU: an offline render of a 3-device mix (two mp3 decks with speed changes, one wav
// sample retriggered) as a multiple of real time, against `ffmpeg -i file -f null -`
// decoding the same files in the same run.

#include <sys/resource.h>

#include <cstdio>
#include <vector>

#include "bench_media.h"
#include "engine/mixer_engine.h"
#include "engine/offline_output.h"

namespace {

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main() {
    using Clock = std::chrono::steady_clock;
    const std::string deckA = bench::songMp3Vbr(), deckB = bench::songMp3Cbr(),
                      sample = bench::sampleWav();
    constexpr int kRate = 48000;
    constexpr double kSeconds = 120;

    auto offline = std::make_unique<engine::OfflineOutput>(kRate, 256);
    engine::OfflineOutput* output = offline.get();
    engine::MixerEngine engine(std::move(offline));
    const auto a = engine.open(deckA, 0).device;
    const auto b = engine.open(deckB, 0).device;
    const auto s = engine.open(sample, 0).device;
    engine.play(a, 0, engine.lengthMs(a));
    engine.play(b, 10000, engine.lengthMs(b));
    engine.setLevels(b, 700, 700);
    std::vector<float> buffer(2 * 4800);
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    const auto start = Clock::now();
    for (int step = 0; step < static_cast<int>(kSeconds * 10); ++step) {
        if (step % 10 == 0) {
            engine.setSpeed(a, 1000 + (step / 10 % 7) * 15 - 45);
            engine.setSpeed(b, 1000 - (step / 10 % 5) * 10 + 20);
        }
        if (step % 20 == 0) {
            engine.play(s, 0, engine.lengthMs(s));  // the sample pad, again
        }
        output->render(buffer.data(), 4800);
    }
    const double wall = bench::seconds(Clock::now() - start);
    const double cpu = cpuSeconds(RUSAGE_SELF) - cpuBefore;

    const auto ffmpegStart = Clock::now();
    const double childBefore = cpuSeconds(RUSAGE_CHILDREN);
    for (const auto& path : {deckA, deckB}) {
        bench::run("ffmpeg -nostdin -v error -t " + std::to_string(kSeconds) + " -i '" + path +
                   "' -f null -");
    }
    bench::run("ffmpeg -nostdin -v error -stream_loop " +
               std::to_string(static_cast<int>(kSeconds / 2)) + " -i '" + sample + "' -f null -");
    const double ffmpegWall = bench::seconds(Clock::now() - ffmpegStart);
    const double ffmpegCpu = cpuSeconds(RUSAGE_CHILDREN) - childBefore;

    std::printf(
        "offline 3-device mix, %.0f s of output: wall %.2f s (%.0fx real time), CPU %.2f s "
        "(all threads; %.0fx real time, %.2f%% of one core in real time)\n",
        kSeconds, wall, kSeconds / wall, cpu, kSeconds / cpu, 100 * cpu / kSeconds);
    std::printf(
        "ffmpeg -f null decoding the same %.0f s of each file: wall %.2f s, CPU %.2f s "
        "(%.0fx real time); the engine costs %.2fx ffmpeg's decoding CPU\n",
        kSeconds, ffmpegWall, ffmpegCpu, kSeconds / ffmpegCpu, cpu / ffmpegCpu);
}
