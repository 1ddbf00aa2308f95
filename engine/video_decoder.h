#pragma once
// The pictures of one file: its video stream (cover art is no video) decoded on a thread of
// its own, a few frames ahead of the one shown, in bounded memory. The presenter names a
// start (at open, after a seek or a play from elsewhere) and takes the frames in order;
// the first frame after a start is the one showing at that exact time, not the key frame
// before it. Frame times are milliseconds on the device timeline, whose origin the sound's
// scan fixed for the whole file (see PictureTimeline): pictures that start after the sound
// start that much later.
//
// Threads: open() on any one thread (under the input's stall deadline: a file read ahead
// of its open is opened on its reading's thread), the destructor on any one thread (a
// closed picture's is freed on the engine's reaper);
// restart(), takeDue() and the waits
// on the presenter's thread; decoding on the decoder's own thread.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "engine/media_input.h"
#include "engine/source.h"

struct AVCodecContext;
struct AVPacket;
struct AVFrame;

namespace engine {

struct FrameDeleter {
    void operator()(AVFrame* frame) const;
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

struct DecodedFrame {
    int64_t ms = 0;  // when it shows
    FramePtr frame;
};

class VideoDecoder {
  public:
    static constexpr size_t kFramesAhead = 4;

    // nullptr when the file has no video stream, or none that decodes.
    static std::unique_ptr<VideoDecoder> open(const std::string& path,
                                              const PictureTimeline& timeline);
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // Immutable after open: the size the picture has on screen (pixel aspect applied), and
    // how long one frame shows at normal speed.
    int displayWidth() const { return displayWidth_; }
    int displayHeight() const { return displayHeight_; }
    int64_t frameMs() const { return frameMs_; }

    // Presenter thread. Drops what is waiting and decodes from the frame showing at `ms`;
    // `request` tags the frames that answer it.
    void restart(uint64_t request, int64_t ms);
    // The newest waiting frame of `request` due at `ms`; `skipped` counts the older due
    // ones dropped with it. Nothing when none is due yet.
    std::optional<DecodedFrame> takeDue(uint64_t request, int64_t ms, size_t& skipped);
    // When the next waiting frame shows; nothing when none is waiting.
    std::optional<int64_t> nextMs() const;
    // The stream's end is decoded and nothing more is coming for the current start.
    bool atEnd() const { return drained_.load(std::memory_order_acquire); }
    // Waits at most `limit` for a new frame.
    void waitForFrame(std::chrono::microseconds limit);

  private:
    VideoDecoder() = default;
    bool openCodec(int stream, const PictureTimeline& timeline);
    void run();
    void seekTo(int64_t ms);
    bool decodeSome();
    void deliver(AVFrame* frame);
    void push(int64_t ms, FramePtr frame);

    // Immutable after open.
    int stream_ = -1;
    int displayWidth_ = 0, displayHeight_ = 0;
    int64_t frameMs_ = 40;
    int64_t originPts_ = 0;  // the device timeline's frame 0, in the stream's time base

    // Decoder thread (the UI thread during open); interrupt() from any.
    std::unique_ptr<MediaInput> input_;
    AVCodecContext* codec_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    int64_t seekTargetMs_ = -1;  // after a restart: frames before it are not delivered
    FramePtr candidate_;         // the latest frame at or before the target
    int64_t candidateMs_ = 0;
    int64_t lastMs_ = 0;  // time of the frame delivered last

    // Shared: presenter <-> decoder (neither is realtime, so a mutex is fine here).
    mutable std::mutex mutex_;
    std::condition_variable wakeDecoder_, frameArrived_;
    std::deque<DecodedFrame> ready_;   // guarded; at most about kFramesAhead
    uint64_t request_ = 0;             // guarded: the start the frames in ready_ answer
    int64_t requestMs_ = 0;            // guarded
    bool requestChanged_ = false;      // guarded: decode from requestMs_ next
    bool quit_ = false;                // guarded
    std::atomic<bool> drained_{true};  // written by the decoder thread; idle until a start

    std::thread thread_;  // last: started after everything above exists
};

}  // namespace engine
