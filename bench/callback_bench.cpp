// The longest audio callback while two decks and a sample play in real time (on the
// clocked null output, this machine has no sound card), as a share of the period.
// Variants (first argument): nosample, noseek, nocontrol, steady (no commands), empty (no
// deck playing: the machine's noise floor), explain (lists the longest callbacks with the
// time since the last batch of UI commands).

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

#include "bench_media.h"
#include "engine/mixer_engine.h"
#include "watched_null_output.h"

namespace {

// An output that times every callback of an inner null output.
class TimedOutput final : public bench::WatchedNullOutput {
  public:
    TimedOutput() : WatchedNullOutput(48000, 256) {
        durationsUs_.reserve(1 << 20);
        cpuUs_.reserve(1 << 20);
        startsUs_.reserve(1 << 20);
    }
    std::vector<double> durations() const { return durationsUs_; }
    std::vector<double> cpuTimes() const { return cpuUs_; }
    std::vector<double> starts() const { return startsUs_; }
    void reset() { resetRequested_ = true; }

  private:
    void renderPeriod(float* out, size_t frames, bool waitForData) noexcept override {
        timespec cpuStart{}, cpuEnd{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpuStart);
        const auto start = std::chrono::steady_clock::now();
        engineCallback().renderPeriod(out, frames, waitForData);
        const double us =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count();
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpuEnd);
        const double cpuUs = static_cast<double>(cpuEnd.tv_sec - cpuStart.tv_sec) * 1e6 +
                             static_cast<double>(cpuEnd.tv_nsec - cpuStart.tv_nsec) / 1e3;
        if (resetRequested_.exchange(false)) {
            durationsUs_.clear();
            cpuUs_.clear();
            startsUs_.clear();
        }
        if (durationsUs_.size() < durationsUs_.capacity()) {
            durationsUs_.push_back(us);  // capacity reserved: no allocation here
            cpuUs_.push_back(cpuUs);
            startsUs_.push_back(
                std::chrono::duration<double, std::micro>(start.time_since_epoch()).count());
        }
    }
    std::vector<double> durationsUs_;
    std::vector<double> cpuUs_;
    std::vector<double> startsUs_;
    std::atomic<bool> resetRequested_{false};
};

}  // namespace

int main(int argc, char** argv) {
    const std::string variant = argc > 1 ? argv[1] : "";
    const std::string deckA = bench::songMp3Vbr(), deckB = bench::songMp3Cbr(),
                      sample = bench::sampleWav();
    auto timed = std::make_unique<TimedOutput>();
    TimedOutput* output = timed.get();
    engine::MixerEngine engine(std::move(timed));
    const auto a = engine.open(deckA, 0).device;
    const auto b = engine.open(deckB, 0).device;
    const auto s = engine.open(sample, 0).device;
    engine.setSpeed(a, 1030);
    engine.setSpeed(b, 970);
    if (variant != "empty") {
        engine.play(a, 0, engine.lengthMs(a));
        engine.play(b, 60000, engine.lengthMs(b));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    output->reset();
    std::vector<double> events;
    const int kSeconds = variant.empty() ? 20 : 8;
    for (int i = 0; i < kSeconds * 4; ++i) {
        events.push_back(std::chrono::duration<double, std::micro>(
                             std::chrono::steady_clock::now().time_since_epoch())
                             .count());
        if (i % 4 == 0 && variant != "nosample" && variant != "steady" && variant != "empty") {
            engine.play(s, 0, engine.lengthMs(s));
        }
        if (variant != "nocontrol" && variant != "steady" && variant != "empty") {
            engine.setLevels(a, 1000 - (i % 10) * 50, 1000);
            engine.setSpeed(b, 970 + (i % 5) * 10);
        }
        if (i % 20 == 10 && variant != "noseek" && variant != "steady" && variant != "empty") {
            engine.seek(a, 30000 + i * 100);
            engine.play(a, 30000 + i * 100, engine.lengthMs(a));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    engine.stopOutput();
    const double period = 256 * 1e6 / 48000;
    if (variant == "explain") {
        const auto cpu = output->cpuTimes();
        const auto starts = output->starts();
        std::vector<size_t> order(cpu.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::sort(order.begin(), order.end(), [&](size_t x, size_t y) { return cpu[x] > cpu[y]; });
        for (size_t k = 0; k < 12 && k < order.size(); ++k) {
            const size_t i = order[k];
            double since = 1e12;
            for (double e : events)
                if (e <= starts[i])
                    since = std::min(since, starts[i] - e);
            std::printf("callback %zu: %.0f us cpu, %.1f ms after the last UI command batch\n", i,
                        cpu[i], since / 1000);
        }
    }
    std::printf(
        "callbacks over %d s with two decks (speed 1030/970 and changing, levels ramping, "
        "a seek) and a retriggered sample, on a normal-priority thread of a 2-core machine:\n",
        kSeconds);
    for (auto [label, d] : {std::pair{"wall time", output->durations()},
                            std::pair{"thread CPU time", output->cpuTimes()}}) {
        std::sort(d.begin(), d.end());
        const auto at = [&](double q) {
            return d[static_cast<size_t>(q * static_cast<double>(d.size() - 1))];
        };
        std::printf(
            "%-16s %zu callbacks: median %.1f us (%.2f%% of the %.0f us period), 99.9%% %.1f us "
            "(%.2f%%), "
            "longest %.1f us (%.2f%%); goal < 25%%\n",
            label, d.size(), at(0.5), 100 * at(0.5) / period, period, at(0.999),
            100 * at(0.999) / period, d.back(), 100 * d.back() / period);
    }
}
