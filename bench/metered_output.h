#pragma once
// A clocked null output that times every callback into a histogram of the part of the run
// under way (0 warming up, then up to 3 parts a benchmark compares) and adds up the callbacks'
// CPU time; and the process's CPU time, for the work outside the callback.

#include <sys/resource.h>
#include <time.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>

#include "duration_histogram.h"
#include "watched_null_output.h"

namespace bench {

inline int64_t threadCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

inline double processCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// One line on the callbacks of a part: how many, the median, the 99.99th percentile and
// the longest, also as a share of the period; `after` ends the line.
inline void PrintCallbacks(const char* label, const DurationHistogram& d, double periodUs,
                           const char* after = "") {
    std::printf(
        "%s: %llu periods, median %.0f us, 99.99 %% %.0f us, longest %.0f us = %.1f %% "
        "of the %.0f us period%s\n",
        label, static_cast<unsigned long long>(d.count()), d.quantileUs(0.5), d.quantileUs(0.9999),
        d.longestUs(), 100 * d.longestUs() / periodUs, periodUs, after);
}

class MeteredOutput final : public WatchedNullOutput {
  public:
    MeteredOutput(int sampleRate, size_t periodFrames)
        : WatchedNullOutput(sampleRate, periodFrames) {}
    void beginPart(int part) { part_.store(part, std::memory_order_relaxed); }
    const DurationHistogram& durations(int part) const { return durations_[part]; }
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
    std::array<DurationHistogram, 4> durations_;
    std::atomic<int> part_{0};
    std::atomic<int64_t> lastNs_{0};
    std::atomic<int64_t> cpuNs_{0};
};

}  // namespace bench
