// What recording the mix costs: two decks (speeds 1030/970) play on a real-time clocked null
// output (this machine has no sound card), in rounds of a stretch alone, a stretch recorded
// into a .flac file and one into an .mkv file, handed a changing 1280x720 picture 25 times a
// second (the window's drawing of the mix is not part of it). Prints, as medians over the
// rounds, the CPU time of the callbacks and of the whole process (the writer's encoding
// included) while recording as a ratio to the mix alone, and the longest callback of each
// kind as a share of the period.
//
//     recording_bench [rounds, 5 by default] [seconds a stretch, 6 by default]

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
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
constexpr int kPicturesPerSecond = 25;

struct Cost {
    double callbackMs = 0;
    double processMs = 0;
};

// A few 1280x720 pictures of a gradient that moves from one to the next.
std::vector<std::shared_ptr<const windowing::VideoFrame>> movingPictures() {
    std::vector<std::shared_ptr<const windowing::VideoFrame>> pictures;
    for (uint32_t shift = 0; shift < 5; ++shift) {
        auto picture = std::make_shared<windowing::VideoFrame>();
        picture->width = 1280;
        picture->height = 720;
        picture->pixels.resize(1280 * 720);
        for (size_t i = 0; i < picture->pixels.size(); ++i) {
            const auto x = static_cast<uint32_t>(i % 1280), y = static_cast<uint32_t>(i / 1280);
            picture->pixels[i] = 0xFF000000u | ((x + 40 * shift) & 0xFF) << 16 | (y & 0xFF) << 8;
        }
        pictures.push_back(std::move(picture));
    }
    return pictures;
}

// The CPU time the callbacks and the process take over `seconds` of playing, the pictures
// (if any) handed to the recording 25 times a second.
Cost measure(engine::MixerEngine& engine, const bench::MeteredOutput& output, int seconds,
             const std::vector<std::shared_ptr<const windowing::VideoFrame>>& pictures) {
    const double callbackBefore = output.cpuMs();
    const double processBefore = bench::processCpuMs();
    const auto start = std::chrono::steady_clock::now();
    for (int tick = 0; tick < seconds * kPicturesPerSecond; ++tick) {
        if (!pictures.empty()) {
            engine.recordPicture(pictures[static_cast<size_t>(tick) % pictures.size()]);
        }
        std::this_thread::sleep_until(start +
                                      tick * std::chrono::milliseconds(1000) / kPicturesPerSecond);
    }
    return {output.cpuMs() - callbackBefore, bench::processCpuMs() - processBefore};
}

struct Format {
    const char* extension;
    int part;  // of the output's callback timings
    std::vector<double> callbackRatios, processRatios;
    uint64_t gaps = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 6;
    auto owned = std::make_unique<bench::MeteredOutput>(kRate, kPeriod);
    bench::MeteredOutput& output = *owned;
    engine::MixerEngine engine(std::move(owned));
    bench::PlayTwoDecks(engine);
    const auto pictures = movingPictures();

    constexpr int kAlone = 1;
    std::array<Format, 2> formats{{{".flac", 2, {}, {}, 0}, {".mkv", 3, {}, {}, 0}}};
    const auto folder = std::filesystem::temp_directory_path();
    for (int round = 0; round < rounds; ++round) {
        output.beginPart(kAlone);
        const Cost alone = measure(engine, output, seconds, {});
        for (Format& format : formats) {
            const std::string path =
                (folder / (std::string("rotavox-recording-bench") + format.extension)).string();
            if (const std::string refusal = engine.startRecording(path); !refusal.empty()) {
                std::fprintf(stderr, "recording_bench: %s\n", refusal.c_str());
                return 1;
            }
            output.beginPart(format.part);
            const Cost recording = measure(engine, output, seconds, pictures);
            output.beginPart(0);
            format.gaps += engine.stopRecording().gaps;
            std::filesystem::remove(path);
            format.callbackRatios.push_back(recording.callbackMs / alone.callbackMs);
            format.processRatios.push_back(recording.processMs / alone.processMs);
        }
    }
    engine.stopOutput();

    std::printf(
        "two decks (speeds 1030/970), %d rounds of %d s alone, recorded into .flac and "
        "into .mkv:\n",
        rounds, seconds);
    bench::PrintCallbacks("callbacks, the mix alone", output.durations(kAlone), kPeriodUs);
    for (const Format& format : formats) {
        const std::string label = std::string("callbacks, recording ") + format.extension;
        bench::PrintCallbacks(label.c_str(), output.durations(format.part), kPeriodUs);
        std::printf(
            "CPU recording %s against the mix alone (medians of the rounds): callbacks "
            "x%.3f, process (decoding and encoding included) x%.3f; gaps in the files: "
            "%llu\n",
            format.extension, bench::median(format.callbackRatios),
            bench::median(format.processRatios), static_cast<unsigned long long>(format.gaps));
    }
    return 0;
}
