// What the headphones cost: two decks (speeds 1030/970) and a sample retriggered every
// second play for a while on the master alone, then as long again with the right deck cued
// on headphones, each output a real-time clocked null output (this machine has no sound
// card). Prints the longest callback of each output as a share of the period, beside the
// stand-in thread of the soak (the machine's own stalls), and the CPU time of the callbacks
// and of the whole process (decoding included) in each half.
//
//     headphones_bench [seconds a half, 20 by default]

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "bench_media.h"
#include "duration_histogram.h"
#include "engine/mixer_engine.h"
#include "stand_in_callback.h"
#include "watched_null_output.h"

namespace {

constexpr int kRate = 48000;
constexpr size_t kPeriod = 256;
constexpr double kPeriodUs = kPeriod * 1e6 / kRate;

int64_t threadCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

double processCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Times every callback (wall time into a histogram) and adds up its CPU time.
class MeteredOutput final : public bench::WatchedNullOutput {
  public:
    MeteredOutput() : WatchedNullOutput(kRate, kPeriod) {}
    // Callbacks are timed into the histogram of the part of the run under way: 0 warming
    // up, 1 the master alone, 2 with headphones.
    void beginPart(int part) { part_.store(part, std::memory_order_relaxed); }
    const bench::DurationHistogram& durations(int part) const { return durations_[part]; }
    const std::atomic<int64_t>& lastNs() const { return lastNs_; }
    double cpuMs() const { return static_cast<double>(cpuNs_.load()) / 1e6; }

  private:
    void renderPeriod(float* out, size_t frames, bool waitForData) noexcept override {
        const int64_t cpuStart = threadCpuNs();
        const auto start = std::chrono::steady_clock::now();
        engineCallback().renderPeriod(out, frames, waitForData);
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
        durations_[part_.load(std::memory_order_relaxed)].record(ns);
        lastNs_.store(ns, std::memory_order_relaxed);
        cpuNs_.store(cpuNs_.load(std::memory_order_relaxed) + threadCpuNs() - cpuStart,
                     std::memory_order_relaxed);
    }
    std::array<bench::DurationHistogram, 3> durations_;
    std::atomic<int> part_{0};
    std::atomic<int64_t> lastNs_{0};
    std::atomic<int64_t> cpuNs_{0};
};

void report(const char* label, const bench::DurationHistogram& d) {
    std::printf(
        "%s: %llu periods, median %.0f us, 99.99 %% %.0f us, longest %.0f us = %.1f %% "
        "of the %.0f us period (goal < 25 %%)\n",
        label, static_cast<unsigned long long>(d.count()), d.quantileUs(0.5), d.quantileUs(0.9999),
        d.longestUs(), 100 * d.longestUs() / kPeriodUs, kPeriodUs);
}

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

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    auto masterOwned = std::make_unique<MeteredOutput>();
    MeteredOutput& master = *masterOwned;
    engine::MixerEngine engine(std::move(masterOwned));
    const bench::StandInCallback standIn(
        master.lastNs(), std::chrono::nanoseconds(kPeriod * 1'000'000'000LL / kRate));
    const auto a = engine.open(bench::songMp3Vbr(), 0).device;
    const auto b = engine.open(bench::songMp3Cbr(), 0).device;
    const auto sample = engine.open(bench::sampleWav(), 0).device;
    engine.setSpeed(a, 1030);
    engine.setSpeed(b, 970);
    engine.play(a, 0, engine.lengthMs(a));
    engine.play(b, 0, engine.lengthMs(b));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    master.beginPart(1);
    const double masterBefore = master.cpuMs();
    const double processBefore = processCpuMs();
    play(engine, a, sample, seconds);
    const double alone = master.cpuMs() - masterBefore;
    const double processAlone = processCpuMs() - processBefore;

    auto phonesOwned = std::make_unique<MeteredOutput>();
    const MeteredOutput& phones = *phonesOwned;
    engine.setHeadphones(std::move(phonesOwned));
    engine.setCue(b, true, 1000);
    master.beginPart(2);
    const double masterWith = master.cpuMs();
    const double processWith = processCpuMs();
    play(engine, a, sample, seconds);
    const double withCue = master.cpuMs() - masterWith;
    const double processWithCue = processCpuMs() - processWith;
    const double phonesMs = phones.cpuMs();
    const uint64_t dry = engine.headphoneDryRuns();
    engine.stopOutput();

    std::printf(
        "two decks (speeds 1030/970), a sample every second, %d s on the master alone, "
        "then %d s with the right deck cued on headphones:\n",
        seconds, seconds);
    report("master callbacks, alone", master.durations(1));
    report("master callbacks, with headphones", master.durations(2));
    report("headphone callbacks", phones.durations(0));
    report("stand-in (no engine work; time the machine took beyond its spin)", standIn.stalls());
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
