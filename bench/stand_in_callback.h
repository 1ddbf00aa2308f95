#pragma once
// A yardstick for the machine beside the engine's callback: a thread on the audio thread's
// footing (real-time priority where allowed, woken once a period) that spins as long as the
// engine's last callback took, at most a quarter period, and does nothing else. Time it
// measures beyond its spin was taken from it by the machine: on a virtual machine, a
// virtual CPU its host deschedules shows up here and in any callback alike.

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "duration_histogram.h"

namespace bench {

class StandInCallback {
  public:
    StandInCallback(const std::atomic<int64_t>& lastCallbackNs, std::chrono::nanoseconds period)
        : lastCallbackNs_(lastCallbackNs), period_(period), thread_([this] { run(); }) {}
    ~StandInCallback() {
        running_.store(false, std::memory_order_relaxed);
        thread_.join();
    }
    StandInCallback(const StandInCallback&) = delete;
    StandInCallback& operator=(const StandInCallback&) = delete;

    // Nanoseconds each period lost beyond its spin.
    const DurationHistogram& stalls() const { return stalls_; }

  private:
    using Clock = std::chrono::steady_clock;

    void run() {
        sched_param param{};
        param.sched_priority = std::max(1, sched_get_priority_min(SCHED_FIFO));
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
        auto wake = Clock::now();
        while (running_.load(std::memory_order_relaxed)) {
            const std::chrono::nanoseconds spin = std::min<std::chrono::nanoseconds>(
                std::chrono::nanoseconds(lastCallbackNs_.load(std::memory_order_relaxed)),
                period_ / 4);
            const auto start = Clock::now();
            auto now = start;
            while (now - start < spin) {
                now = Clock::now();
            }
            stalls_.record((now - start - spin).count());
            wake += period_;
            std::this_thread::sleep_until(wake);
        }
    }

    const std::atomic<int64_t>& lastCallbackNs_;
    const std::chrono::nanoseconds period_;
    DurationHistogram stalls_;
    std::atomic<bool> running_{true};
    std::thread thread_;  // last: starts once everything it reads exists
};

}  // namespace bench
