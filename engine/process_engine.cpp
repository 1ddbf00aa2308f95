// The process-wide engine: SDL2 when a device opens, else (or when the device is lost
// while playing) the clocked null output, at the same rate and period.

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "engine/media_engine.h"
#include "engine/mixer_engine.h"
#include "engine/null_output.h"
#include "engine/sdl_output.h"

namespace engine {
namespace {

// Policy over the two real-time backends. Threads: start/stop on the UI thread; the
// watchdog thread swaps SDL for the null output when SDL reports the device gone.
class ProcessOutput final : public Output {
  public:
    ProcessOutput() {
        if (sdl_.open()) {
            usingSdl_ = true;
        }
        null_ = std::make_unique<NullOutput>(sdl_.sampleRate(), sdl_.periodFrames());
    }
    ~ProcessOutput() override { stop(); }

    bool start(RenderCallback& callback) override {
        if (!usingSdl_ || !sdl_.start(callback)) {
            usingSdl_ = false;
            return null_->start(callback);
        }
        watchdog_ = std::thread([this, &callback] { watch(callback); });
        return true;
    }
    void stop() override {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (watchdog_.joinable()) {
            watchdog_.join();
        }
        sdl_.stop();
        null_->stop();
    }
    int sampleRate() const override { return sdl_.sampleRate(); }
    size_t periodFrames() const override { return sdl_.periodFrames(); }

  private:
    void watch(RenderCallback& callback) {
        std::unique_lock lock(mutex_);
        while (
            !wake_.wait_for(lock, std::chrono::milliseconds(100), [this] { return stopping_; })) {
            if (sdl_.lost()) {
                sdl_.stop();  // the callback has returned for good
                null_->start(callback);
                return;
            }
        }
    }

    SdlOutput sdl_;
    std::unique_ptr<NullOutput> null_;
    bool usingSdl_ = false;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;  // guarded by mutex_
    std::thread watchdog_;
};

MixerEngine* gProcessEngine = nullptr;

}  // namespace

MediaEngine& ProcessEngine() {
    static MixerEngine* const engine = [] {
        gProcessEngine = new MixerEngine(std::make_unique<ProcessOutput>());
        // Never destroyed (callers may run during static destruction), but at exit its
        // output stops and its devices are freed, so no thread runs into the teardown.
        std::atexit([] { gProcessEngine->shutdown(); });
        return gProcessEngine;
    }();
    return *engine;
}

void ShutDownProcessEngine() {
    if (gProcessEngine != nullptr) {
        gProcessEngine->shutdown();
    }
}

}  // namespace engine
