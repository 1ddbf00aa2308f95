#pragma once
// Files read before they are opened. Opening a file reads it (its header, its first
// packets, a video's second input), and from a slow or stalled network mount that takes as
// long as the mount does. The window starts that reading here, on a thread of the file's
// own, and opens the file once it has answered: the open then takes what was read instead
// of reading again, and the window's thread never waits on the mount.
//
// A reading is kept until it is taken, for a short while only (a file being written is
// read again later), and only the newest few finished ones.
//
// Threads: start() and take() from any thread; `answered` runs on the reading thread.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/media_engine.h"
#include "engine/source.h"
#include "engine/video_decoder.h"

namespace engine {

// What opening a file reads: its sound and, for a file with pictures, their decoder.
struct ReadFile {
    std::unique_ptr<Source> source;
    std::unique_ptr<VideoDecoder> pictures;
    OpenError error = OpenError::None;

    static ReadFile Failed(OpenError error) {
        ReadFile file;
        file.error = error;
        return file;
    }
};

class OpenAhead {
  public:
    using Reader = std::function<ReadFile(const std::string& path)>;
    static constexpr std::chrono::seconds kFresh{2};
    static constexpr size_t kKeptReadings = 4;

    explicit OpenAhead(Reader read) : read_(std::move(read)) {}
    // Waits for the readings still going (each bounded by the input's stall deadline, but a
    // mount that stops answering can hold a read in the kernel).
    ~OpenAhead() { forgetAll(); }
    void forgetAll();
    // The process is ending: frees what was read, tells nobody of the readings still going
    // and leaves them to end on their own, without waiting for a mount that may never answer.
    void abandon();
    OpenAhead(const OpenAhead&) = delete;
    OpenAhead& operator=(const OpenAhead&) = delete;

    // Starts reading `path` unless a fresh reading of it is kept, and waits up to `wait`
    // for it. True when it is read; otherwise `answered` runs once it is.
    bool start(const std::string& path, std::chrono::milliseconds wait,
               std::function<void()> answered);
    // What was read of `path` when its reading is done and fresh; it is then forgotten.
    std::optional<ReadFile> take(const std::string& path);

  private:
    using Clock = std::chrono::steady_clock;
    struct Reading {
        explicit Reading(std::string name) : path(std::move(name)) {}
        ~Reading();  // joins the thread, which is done or about to be
        const std::string path;
        std::optional<ReadFile> file;  // set when done
        Clock::time_point doneAt;
        std::vector<std::function<void()>> answered;
        std::thread thread;
    };
    using Readings = std::vector<std::shared_ptr<Reading>>;

    void run(Reading& reading);
    std::shared_ptr<Reading> find(const std::string& path) const;  // mutex_ held
    // mutex_ held: takes out the readings kept no longer; the caller frees them unlocked.
    Readings forgetStale();

    const Reader read_;
    std::mutex mutex_;
    std::condition_variable done_;
    Readings readings_;  // newest first
};

}  // namespace engine
