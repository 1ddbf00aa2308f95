// What the headphones cost: two decks (speeds 1030/970) and a sample retriggered every
// second play for a while on the master alone, then as long again with the right deck cued
// on headphones, each output a real-time clocked null output (this machine has no sound
// card). Prints the longest callback of each output as a share of the period, beside the
// stand-in thread of the soak (the machine's own stalls), and the CPU time of the callbacks
// and of the whole process (decoding included) in each half.
//
//     headphones_bench [seconds a half, 20 by default]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <utility>

#include "bench_media.h"
#include "engine/mixer_engine.h"
#include "metered_output.h"
#include "stand_in_callback.h"
#include "two_decks.h"

namespace {

constexpr int kRate = 48000;
constexpr size_t kPeriod = 256;
constexpr double kPeriodUs = kPeriod * 1e6 / kRate;

// Plays for `seconds`: a sample retriggered every second, deck A's level moving.
void play(engine::MixerEngine& engine, engine::DeviceId a, engine::DeviceId sample, int seconds) {
    for (int i = 0; i < seconds * 4; ++i) {
        if (i % 4 == 0) {
            engine.play(sample, 0, engine.lengthMs(sample));
        }
        engine.setLevels(a, 1000 - (i % 10) * 50, 1000);
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
}

// The master's callback CPU and the process's over a play of `seconds`, in ms.
std::pair<double, double> playMetered(engine::MixerEngine& engine,
                                      const bench::MeteredOutput& master, engine::DeviceId deck,
                                      engine::DeviceId sample, int seconds) {
    const double masterBefore = master.cpuMs();
    const double processBefore = bench::processCpuMs();
    play(engine, deck, sample, seconds);
    return {master.cpuMs() - masterBefore, bench::processCpuMs() - processBefore};
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    auto masterOwned = std::make_unique<bench::MeteredOutput>(kRate, kPeriod);
    bench::MeteredOutput& master = *masterOwned;
    engine::MixerEngine engine(std::move(masterOwned));
    const bench::StandInCallback standIn(
        master.lastNs(), std::chrono::nanoseconds(kPeriod * 1'000'000'000LL / kRate));
    const auto [a, b] = bench::PlayTwoDecks(engine);
    const auto sample = engine.open(bench::sampleWav(), 0).device;

    master.beginPart(1);
    const auto [alone, processAlone] = playMetered(engine, master, a, sample, seconds);

    auto phonesOwned = std::make_unique<bench::MeteredOutput>(kRate, kPeriod);
    const bench::MeteredOutput& phones = *phonesOwned;
    engine.setHeadphones(std::move(phonesOwned));
    engine.setCue(b, true, 1000);
    master.beginPart(2);
    const auto [withCue, processWithCue] = playMetered(engine, master, a, sample, seconds);
    const double phonesMs = phones.cpuMs();
    const uint64_t dry = engine.headphoneDryRuns();
    engine.stopOutput();

    std::printf(
        "two decks (speeds 1030/970), a sample every second, %d s on the master alone, "
        "then %d s with the right deck cued on headphones:\n",
        seconds, seconds);
    bench::PrintCallbacks("master callbacks, alone", master.durations(1), kPeriodUs,
                          " (goal < 25 %)");
    bench::PrintCallbacks("master callbacks, with headphones", master.durations(2), kPeriodUs,
                          " (goal < 25 %)");
    bench::PrintCallbacks("headphone callbacks", phones.durations(0), kPeriodUs, " (goal < 25 %)");
    bench::PrintCallbacks("stand-in (no engine work; time the machine took beyond its spin)",
                          standIn.stalls(), kPeriodUs, " (goal < 25 %)");
    std::printf(
        "callback CPU: master alone %.1f ms; with headphones master %.1f ms + headphones "
        "%.1f ms: the headphones add %.1f %% (goal <= 10 %%); headphones ran dry %llu "
        "times\n",
        alone, withCue, phonesMs, 100 * (withCue + phonesMs - alone) / alone,
        static_cast<unsigned long long>(dry));
    std::printf(
        "process CPU (decoding included): %.1f ms alone, %.1f ms with headphones: they "
        "add %.1f %% (goal <= 10 %%)\n",
        processAlone, processWithCue, 100 * (processWithCue - processAlone) / processAlone);
    return 0;
}
