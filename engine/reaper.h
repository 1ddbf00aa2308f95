#pragma once
// Frees, on a thread of its own, what may wait on a file to go: the reader of a closed device
// and the decoder of a closed picture can be held in a read from a mount that stopped
// answering, and freeing them joins those threads. The window's thread hands them over and
// goes on. They are freed in the order they were handed over.
//
// Threads: bury() from any thread; the freeing on the reaper's own.

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace engine {

class Reaper {
  public:
    Reaper() : thread_([this] { run(); }) {}
    // Frees what is left, waiting for it.
    ~Reaper();
    Reaper(const Reaper&) = delete;
    Reaper& operator=(const Reaper&) = delete;

    void bury(std::shared_ptr<void> thing);

  private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::shared_ptr<void>> pending_;
    bool quit_ = false;
    std::thread thread_;  // last: it starts once the rest is made
};

}  // namespace engine
