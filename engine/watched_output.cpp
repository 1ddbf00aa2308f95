#include "engine/watched_output.h"

#include <SDL.h>

#include <chrono>
#include <cstdio>

#include "util/log.h"

namespace engine {
namespace {

constexpr auto kWatchInterval = std::chrono::milliseconds(100);
constexpr int kRetryTicks = 10;  // a missing device is tried again once a second

const char* shown(const std::string& name) {
    return name.empty() ? "the default device" : name.c_str();
}

}  // namespace

WatchedOutput::WatchedOutput(Role role, DeviceChoice choice, int rate)
    : role_(role), choice_(std::move(choice)) {
    const int wanted = rate > 0 ? rate : 48000;
    bool opened = sdl_.open(choice_.name, wanted, choice_.periodFrames, rate <= 0);
    if (!opened && role_ == Role::Master && !choice_.name.empty()) {
        useful::Log("audio", "%s is missing: the master plays on the default device instead",
                    choice_.name.c_str());
        choice_.name.clear();
        opened = sdl_.open("", wanted, choice_.periodFrames, rate <= 0);
    }
    rate_ = opened ? sdl_.sampleRate() : wanted;
    period_ = opened ? sdl_.periodFrames() : choice_.periodFrames;
    if (role_ == Role::Master) {
        null_ = std::make_unique<NullOutput>(rate_, period_);
    }
    onDevice_.store(opened, std::memory_order_relaxed);
    if (!opened) {
        announce(false);
    }
}

WatchedOutput::~WatchedOutput() {
    stop();
}

bool WatchedOutput::start(RenderCallback& callback) {
    {
        std::lock_guard state(stateMutex_);
        callback_ = &callback;
        running_ = true;
        if (onDevice_.load(std::memory_order_relaxed)) {
            sdl_.start(callback);
        } else if (null_) {
            null_->start(callback);
        }
    }
    {
        std::lock_guard lock(wakeMutex_);
        stopping_ = false;
    }
    watchdog_ = std::thread([this] { watch(); });
    return true;
}

void WatchedOutput::stop() {
    {
        std::lock_guard lock(wakeMutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (watchdog_.joinable()) {
        watchdog_.join();
    }
    std::lock_guard state(stateMutex_);
    sdl_.stop();
    onDevice_.store(false, std::memory_order_relaxed);
    if (null_) {
        null_->stop();
    }
    running_ = false;
}

void WatchedOutput::switchTo(const DeviceChoice& choice) {
    std::lock_guard state(stateMutex_);
    choice_ = choice;
    if (onDevice_.load(std::memory_order_relaxed)) {
        sdl_.stop();
        onDevice_.store(false, std::memory_order_relaxed);
        if (null_ && running_) {
            null_->start(*callback_);
        }
    }
    openDevice();
    if (!onDevice_.load(std::memory_order_relaxed)) {
        announce(false);
    }
}

void WatchedOutput::watch() {
    std::unique_lock lock(wakeMutex_);
    int ticks = 0;
    while (!wake_.wait_for(lock, kWatchInterval, [this] { return stopping_; })) {
        std::lock_guard state(stateMutex_);
        if (onDevice_.load(std::memory_order_relaxed)) {
            if (sdl_.lost()) {
                deviceGone();
            }
        } else if (++ticks % kRetryTicks == 0) {
            openDevice();
        }
    }
    // SDL keeps its error text in storage of each thread that calls it; this thread is not
    // one of SDL's, so that storage is let go here.
    SDL_TLSCleanup();
}

void WatchedOutput::deviceGone() {
    sdl_.stop();  // its callback has returned for good
    onDevice_.store(false, std::memory_order_relaxed);
    if (null_ && running_) {
        null_->start(*callback_);
    }
    announce(false);
}

void WatchedOutput::openDevice() {
    if (!sdl_.open(choice_.name, rate_, choice_.periodFrames, false)) {
        return;
    }
    if (null_) {
        null_->stop();
    }
    if (running_) {
        sdl_.start(*callback_);
    }
    onDevice_.store(true, std::memory_order_relaxed);
    announce(true);
}

void WatchedOutput::announce(bool onDevice) {
    const char* device = shown(choice_.name);
    if (role_ == Role::Headphones) {
        useful::Log("audio", onDevice ? "headphones on %s" : "headphones: %s is missing, waiting",
                    device);
        return;
    }
    if (onDevice) {
        useful::Log("audio", "sound output back on %s", device);
        std::fprintf(stderr, "rotavox: sound output back on %s\n", device);
    } else {
        useful::Log("audio", "no sound output (%s): the decks play on without sound", device);
        std::fprintf(stderr, "rotavox: no sound output (%s): the decks play on without sound\n",
                     device);
    }
}

}  // namespace engine
