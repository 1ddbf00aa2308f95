#include "engine/reaper.h"

namespace engine {

Reaper::~Reaper() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void Reaper::bury(std::shared_ptr<void> thing) {
    {
        std::lock_guard lock(mutex_);
        pending_.push_back(std::move(thing));
    }
    wake_.notify_one();
}

void Reaper::run() {
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return quit_ || !pending_.empty(); });
        if (pending_.empty()) {
            return;  // quit, and all freed
        }
        std::shared_ptr<void> next = std::move(pending_.front());
        pending_.pop_front();
        lock.unlock();
        next.reset();
        lock.lock();
    }
}

}  // namespace engine
