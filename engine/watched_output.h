#pragma once
// A real-time output on a chosen sound device that outlives the device: a watchdog notices
// when the device goes away (unplugged, its sound server ended) and tries it again every
// second until it is back. Meanwhile the master keeps its clock on a clocked null output,
// so playback, positions and pictures go on; the headphones wait in silence.
//
// Each change is logged; while the master has no device a line on standard error says so,
// and another when a device is back.
//
// Threads: construction, start, stop and switchTo on the UI thread; the watchdog on its
// own thread; onDevice from any thread. The callback runs on SDL's or the null output's
// thread, one at a time.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine/null_output.h"
#include "engine/output.h"
#include "engine/sdl_output.h"

namespace engine {

struct DeviceChoice {
    std::string name;  // as SDL lists it; "" for the system's default
    size_t periodFrames = 256;
};

class WatchedOutput final : public Output {
  public:
    enum class Role { Master, Headphones };
    // Opens the device. The master falls back to the default when the named device is
    // missing, and to the null output when none opens; its rate is the device's own. The
    // headphones open at `rate` (SDL converts) and wait for a missing device.
    WatchedOutput(Role role, DeviceChoice choice, int rate = 0);
    ~WatchedOutput() override;

    bool start(RenderCallback& callback) override;
    void stop() override;
    int sampleRate() const override { return rate_; }
    size_t periodFrames() const override { return period_; }

    // Moves to another device (or period) at the same rate, keeping the callback.
    void switchTo(const DeviceChoice& choice);
    // Any thread: the sound goes out on a device (not the null output, not waiting).
    bool onDevice() const { return onDevice_.load(std::memory_order_relaxed); }

  private:
    void watch();
    void openDevice();  // stateMutex_ held
    void deviceGone();  // stateMutex_ held
    void announce(bool onDevice);

    const Role role_;
    DeviceChoice choice_;  // UI thread and watchdog, under stateMutex_
    int rate_ = 48000;     // immutable after construction
    size_t period_ = 256;  // immutable after construction
    std::atomic<bool> onDevice_{false};

    std::mutex stateMutex_;  // the device's state: choice_, sdl_, null_, callback_, running_
    SdlOutput sdl_;
    std::unique_ptr<NullOutput> null_;  // master only
    RenderCallback* callback_ = nullptr;
    bool running_ = false;

    std::mutex wakeMutex_;
    std::condition_variable wake_;
    bool stopping_ = false;  // guarded by wakeMutex_
    std::thread watchdog_;
};

}  // namespace engine
