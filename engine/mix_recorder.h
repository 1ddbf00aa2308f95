#pragma once
// A recording of the master output: the audio callback copies each period into a lock-free
// ring; a writer thread of its own takes it from there into a RecordingFile. The callback never
// waits for the writer: when the ring is full the frames that do not fit are lost, and the
// writer puts silence of the same length in their place, so the file keeps the output's
// time; each such gap is counted and logged. A failed write (a full disk) ends the recording
// and leaves the file as far as it got; the failure waits in status() for the window.
//
// Threads: start, stop and pushPicture on the UI thread; push on the audio callback only (it
// never locks, allocates, logs or does I/O); status on any thread.

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine/frame_fifo.h"
#include "engine/recording_file.h"
#include "engine/spsc_ring.h"

namespace engine {

struct RecordingStatus {
    bool recording = false;   // started and not stopped
    std::string path;         // the file, while recording or after a failure
    uint64_t frames = 0;      // of the output, since the start
    int sampleRate = 0;       // the output's and the file's
    uint64_t gaps = 0;        // runs of frames lost to a full ring
    uint64_t lostFrames = 0;  // their total length
    std::string failure;      // why the recording stopped on its own, "" when it did not
    bool pictures = false;    // an .mkv: it takes the mix's pictures
};

class MixRecorder final {
  public:
    // Tests: run by the writer before each write, to make it slow.
    using WriteHook = std::function<void()>;

    // Recording into `path` at `sampleRate` from now; nullptr and `error` when the file
    // cannot be made.
    static std::unique_ptr<MixRecorder> start(const std::string& path, int sampleRate,
                                              std::string& error, WriteHook beforeWrite = {});
    ~MixRecorder();  // stop()
    MixRecorder(const MixRecorder&) = delete;
    MixRecorder& operator=(const MixRecorder&) = delete;

    // Audio callback: one period of the master's sound.
    void push(const float* stereo, size_t frames) noexcept;

    // UI thread: the picture the mix shows now; nothing unless the file takes pictures.
    void pushPicture(std::shared_ptr<const windowing::VideoFrame> picture);

    // UI thread, once push is no longer called: writes what is queued, finishes the file and
    // ends the writer.
    void stop();

    RecordingStatus status() const;

  private:
    static constexpr size_t kRingFrames = size_t{1} << 18;  // 5.5 s at 48 kHz
    static constexpr size_t kPicturesQueued = 8;            // 1280x720 each: 30 MB at most
    struct Gap {
        uint64_t at = 0;  // the ring's frame index before which the lost frames belong
        uint64_t frames = 0;
    };

    MixRecorder(std::unique_ptr<RecordingFile> file, std::string path, int sampleRate,
                WriteHook beforeWrite);
    void writerLoop();
    bool drain();  // writer: what the ring holds, gaps in place
    bool writeUpTo(uint64_t end);
    bool writeSound(const float* stereo, size_t frames);  // nullptr: silence
    bool writePictures();                                 // every picture due by the sound written
    void failWith(const std::string& reason);

    const std::string path_;
    const int sampleRate_;
    const WriteHook beforeWrite_;
    std::unique_ptr<RecordingFile> file_;  // writer thread only, once started
    const bool takesPictures_;

    // Callback -> writer.
    FrameFifo<kRingFrames> ring_;
    SpscRing<Gap, 64> gapMarks_;
    std::atomic<uint64_t> frames_{0};
    std::atomic<uint64_t> gaps_{0};
    std::atomic<uint64_t> lostFrames_{0};
    std::atomic<bool> accepting_{true};  // writer -> callback: false once a write failed

    // Callback only (and the writer after stop's hand-over).
    uint64_t pendingGap_ = 0;  // frames lost since the last gap mark went out

    // UI -> writer.
    struct StampedPicture {
        std::shared_ptr<const windowing::VideoFrame> picture;
        uint64_t atFrame = 0;  // frames_ when it was shown
    };
    std::mutex picturesMutex_;
    std::deque<StampedPicture> pictures_;

    // Writer only.
    uint64_t soundWritten_ = 0;  // frames in the file, silence included
    int64_t picturesWritten_ = 0;
    std::shared_ptr<const windowing::VideoFrame> shown_;  // the latest picture due

    std::atomic<bool> stopping_{false};
    mutable std::mutex failureMutex_;
    std::string failure_;
    std::thread writer_;
};

}  // namespace engine
