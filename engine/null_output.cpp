#include "engine/null_output.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace engine {

NullOutput::NullOutput(int sampleRate, size_t periodFrames)
    : sampleRate_(sampleRate), periodFrames_(periodFrames) {}

NullOutput::~NullOutput() {
    stop();
}

bool NullOutput::start(RenderCallback& callback) {
    stop();
    running_.store(true, std::memory_order_relaxed);
    thread_ = std::thread([this, &callback] { run(callback); });
    return true;
}

void NullOutput::stop() {
    running_.store(false, std::memory_order_relaxed);
    if (thread_.joinable()) {
        thread_.join();
    }
}

void NullOutput::run(RenderCallback& callback) {
    using Clock = std::chrono::steady_clock;
    // Like SDL's audio thread, ask for real-time scheduling; without the privilege the
    // thread simply keeps its normal priority.
    sched_param param{};
    param.sched_priority = std::max(1, sched_get_priority_min(SCHED_FIFO));
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    std::vector<float> buffer(periodFrames_ * 2);  // allocated once, before the clock starts
    Clock::time_point origin = Clock::now();
    int64_t framesDone = 0;
    while (running_.load(std::memory_order_relaxed)) {
        callback.renderPeriod(buffer.data(), periodFrames_, false);
        framesDone += static_cast<int64_t>(periodFrames_);
        // Deadlines come from the frame count, not from adding rounded periods: no drift.
        const auto deadline =
            origin + std::chrono::nanoseconds(framesDone * 1'000'000'000LL / sampleRate_);
        const auto now = Clock::now();
        if (now - deadline > std::chrono::milliseconds(200)) {
            origin = now;  // the machine stalled: start a new timeline rather than racing
            framesDone = 0;
            continue;
        }
        std::this_thread::sleep_until(deadline);
    }
}

}  // namespace engine
