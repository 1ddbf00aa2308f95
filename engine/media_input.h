#pragma once
// One media file opened for demuxing through FFmpeg: the open sequence (only regular files,
// a bounded probe, text and picture formats refused) under a stall deadline, so a file on a
// stalled network mount cannot hang the thread that opens it. The sound's source and the
// picture's decoder each open their own MediaInput of the same file; which stream is the
// real video is decided here, once, for both.
//
// Threads: open() on any one thread; afterwards one thread demuxes; interrupt() from any.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/media_engine.h"

struct AVFormatContext;
struct AVStream;

namespace engine {

class MediaInput {
  public:
    // nullptr and `error` set when the file cannot be opened as media.
    static std::unique_ptr<MediaInput> open(const std::string& path, OpenError& error);
    ~MediaInput();
    MediaInput(const MediaInput&) = delete;
    MediaInput& operator=(const MediaInput&) = delete;

    AVFormatContext* format() const { return format_; }

    // Opening steps that read the file call this after each bit of progress: the deadline
    // is a limit on a stall, not on a big file's whole scan.
    void madeProgress();
    // Open is over: reads from now on wait as long as the file takes.
    void endDeadline() { deadlineNs_.store(0, std::memory_order_relaxed); }
    // Any thread: makes blocked I/O give up (the device is closing).
    void interrupt() { quit_.store(true, std::memory_order_relaxed); }
    // Whether the last read gave up because of interrupt() or the deadline.
    static bool gaveUp(int ffmpegResult);

  private:
    MediaInput() = default;
    OpenError openFile(const std::string& path);
    static OpenError refuse(const std::string& path, const char* step, int ffmpegResult);
    static int interruptCallback(void* self);

    AVFormatContext* format_ = nullptr;
    std::atomic<bool> quit_{false};
    std::atomic<int64_t> deadlineNs_{0};  // steady-clock deadline, 0 for none
};

// A video stream that shows moving pictures: cover art (an attached picture) is not one.
bool IsRealVideo(const AVStream* stream);
// The stream the pictures come from: the largest real video of a known size; -1 for none.
int PictureStream(const AVFormatContext* format);

}  // namespace engine
