// What recording the mix costs: two decks (speeds 1030/970) play on a real-time clocked null
// output (this machine has no sound card), in rounds of a stretch alone and a stretch
// recorded into a .flac file. Prints, as medians over the rounds, the CPU time of the
// callbacks and of the whole process (the writer's encoding included) while recording as a
// ratio to the mix alone, and the longest callback of each kind as a share of the period.
//
//     recording_bench [rounds, 5 by default] [seconds a stretch, 6 by default]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench_media.h"
#include "engine/mixer_engine.h"
#include "metered_output.h"
#include "two_decks.h"

namespace {

constexpr int kRate = 48000;
constexpr size_t kPeriod = 256;
constexpr double kPeriodUs = kPeriod * 1e6 / kRate;
constexpr int kAlone = 1;
constexpr int kRecording = 2;

struct Cost {
    double callbackMs = 0;
    double processMs = 0;
};

// The CPU time the callbacks and the process take over `seconds` of playing.
Cost measure(const bench::MeteredOutput& output, int seconds) {
    const double callbackBefore = output.cpuMs();
    const double processBefore = bench::processCpuMs();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    return {output.cpuMs() - callbackBefore, bench::processCpuMs() - processBefore};
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 6;
    auto owned = std::make_unique<bench::MeteredOutput>(kRate, kPeriod);
    bench::MeteredOutput& output = *owned;
    engine::MixerEngine engine(std::move(owned));
    bench::PlayTwoDecks(engine);

    const std::string path =
        (std::filesystem::temp_directory_path() / "rotavox-recording-bench.flac").string();
    std::vector<double> callbackRatios, processRatios;
    uint64_t gaps = 0;
    for (int round = 0; round < rounds; ++round) {
        output.beginPart(kAlone);
        const Cost alone = measure(output, seconds);
        if (const std::string refusal = engine.startRecording(path); !refusal.empty()) {
            std::fprintf(stderr, "recording_bench: %s\n", refusal.c_str());
            return 1;
        }
        output.beginPart(kRecording);
        const Cost recording = measure(output, seconds);
        output.beginPart(0);
        gaps += engine.stopRecording().gaps;
        callbackRatios.push_back(recording.callbackMs / alone.callbackMs);
        processRatios.push_back(recording.processMs / alone.processMs);
    }
    engine.stopOutput();
    std::filesystem::remove(path);

    std::printf(
        "two decks (speeds 1030/970), %d rounds of %d s alone and %d s recorded into "
        ".flac:\n",
        rounds, seconds, seconds);
    bench::PrintCallbacks("callbacks, the mix alone", output.durations(kAlone), kPeriodUs);
    bench::PrintCallbacks("callbacks, recording", output.durations(kRecording), kPeriodUs);
    std::printf(
        "CPU while recording against the mix alone (medians of the rounds): callbacks "
        "x%.3f, process (decoding and encoding included) x%.3f; gaps in the files: "
        "%llu\n",
        bench::median(callbackRatios), bench::median(processRatios),
        static_cast<unsigned long long>(gaps));
    return 0;
}
