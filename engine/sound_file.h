#pragma once
// A sound file being written with FFmpeg: `.flac` (24-bit) or `.wav` (32-bit float, RF64 past
// 4 GB), stereo at one rate, from interleaved float frames. The header written at the start
// leaves the length open, so a file cut short (a killed process, a full disk) still reads up
// to its last flushed frame; finish() states the length.
//
// Threads: one thread at a time (the recorder's writer).

#include <memory>
#include <string>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;

namespace engine {

class SoundFile final {
  public:
    // The file at `path`, its format by the extension; nullptr and `error` when the
    // extension is unknown or the file cannot be made.
    static std::unique_ptr<SoundFile> create(const std::string& path, int sampleRate,
                                             std::string& error);
    ~SoundFile();
    SoundFile(const SoundFile&) = delete;
    SoundFile& operator=(const SoundFile&) = delete;

    // false (and error()) once a write has failed; nothing is written after that.
    bool write(const float* stereo, size_t frames);
    bool writeSilence(size_t frames);
    // What is buffered goes to the file.
    bool flush();
    // The last frames, the trailer (the stated length), the file closed. Also after a failure,
    // as far as the file takes it.
    bool finish();
    const std::string& error() const { return error_; }

  private:
    SoundFile() = default;
    bool open(const std::string& path, int sampleRate, bool flac);
    bool encode(const float* stereo, size_t frames);
    bool sendFrame(AVFrame* frame);  // nullptr: the encoder's end
    bool fail(const char* what, int code);

    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    size_t frameSize_ = 0;  // frames per codec frame
    size_t filled_ = 0;     // frames in frame_ so far
    int64_t nextPts_ = 0;
    bool failed_ = false;
    bool finished_ = false;
    std::string error_;
};

}  // namespace engine
