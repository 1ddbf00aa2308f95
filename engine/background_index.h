#pragma once
// A file's full index (see sound_index.h), built on a thread of its own from its own
// MediaInput while the file already plays from what its header states. The reader thread
// takes it once it is there, and waits for it where it needs it (a seek).
//
// Threads: made and destroyed on the UI thread; ready() and interrupt() from any; wait()
// on the reader thread, endsWithin() on the UI thread during open.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine/sound_index.h"

namespace engine {

class MediaInput;

class BackgroundIndex {
  public:
    // Starts scanning `path` for `sound`, which the file's first opening chose.
    BackgroundIndex(std::string path, SoundStream sound);
    ~BackgroundIndex();  // interrupts the scan and joins it
    BackgroundIndex(const BackgroundIndex&) = delete;
    BackgroundIndex& operator=(const BackgroundIndex&) = delete;

    // The index once built; nullptr before, and for good when the scan failed.
    std::shared_ptr<const SoundIndex> ready() const;
    // Until the scan ends: the index, or nullptr when it failed or was interrupted.
    std::shared_ptr<const SoundIndex> wait();
    // Whether the scan ended within `limit`.
    bool endsWithin(std::chrono::milliseconds limit);
    // Makes a scan and every wait give up (the device is closing).
    void interrupt();
    // After the scan: how long it took from the start, and the CPU its thread used.
    struct Cost {
        std::chrono::steady_clock::duration elapsed{};
        std::chrono::nanoseconds cpu{};
    };
    Cost cost() const;

  private:
    void run();

    const std::string path_;
    const SoundStream sound_;
    const std::chrono::steady_clock::time_point started_;
    mutable std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;                        // guarded by mutex_
    bool quit_ = false;                        // guarded by mutex_
    MediaInput* input_ = nullptr;              // guarded by mutex_: while the scan runs
    std::shared_ptr<const SoundIndex> index_;  // guarded by mutex_
    Cost cost_;                                // guarded by mutex_
    std::thread thread_;                       // last: started after everything above
};

}  // namespace engine
