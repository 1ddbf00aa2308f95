#pragma once
// A recording being written with FFmpeg, its format by the file's extension: `.flac` (24-bit),
// `.wav` (32-bit float, RF64 past 4 GB), or `.mkv` (H.264 pictures, 1280x720 at 25 a second,
// over FLAC sound). Sound is stereo at one rate, from interleaved float frames. The header
// written at the start leaves the length open, so a file cut short (a killed process, a full
// disk) still reads up to its last flushed frame; finish() states the length.
//
// Threads: one thread at a time (the recorder's writer).

#include <cstdint>
#include <memory>
#include <string>

#include "windowing/picture.h"

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace engine {

class RecordingFile final {
  public:
    static constexpr int kPictureWidth = 1280;
    static constexpr int kPictureHeight = 720;
    static constexpr int kPicturesPerSecond = 25;

    // The file at `path`; nullptr and `error` when the extension is unknown or the file
    // cannot be made.
    static std::unique_ptr<RecordingFile> create(const std::string& path, int sampleRate,
                                                 std::string& error);
    ~RecordingFile();
    RecordingFile(const RecordingFile&) = delete;
    RecordingFile& operator=(const RecordingFile&) = delete;

    // false (and error()) once a write has failed; nothing is written after that.
    bool write(const float* stereo, size_t frames);
    bool writeSilence(size_t frames);
    // .mkv only: the next picture (any size, scaled to the file's), black for nullptr.
    bool writePicture(const windowing::VideoFrame* picture);
    bool hasPictures() const { return video_ != nullptr; }
    // What is buffered goes to the file.
    bool flush();
    // The last frames, the trailer (the stated length), the file closed. Also after a failure,
    // as far as the file takes it.
    bool finish();
    const std::string& error() const { return error_; }

  private:
    enum class Kind { Flac, Wav, Matroska };

    RecordingFile() = default;
    bool open(const std::string& path, int sampleRate, Kind kind);
    bool openSound(int sampleRate, Kind kind);
    bool openPictures();
    // Opens the configured encoder and gives it the next stream of the file.
    bool addStream(AVCodecContext* codec);
    bool encode(const float* stereo, size_t frames);
    bool sendSound();  // the filled part of soundFrame_
    // nullptr: the encoder's end.
    bool sendFrame(AVCodecContext* codec, int stream, AVFrame* frame);
    bool fail(const char* what, int code);

    AVFormatContext* format_ = nullptr;
    AVCodecContext* sound_ = nullptr;
    AVFrame* soundFrame_ = nullptr;
    AVCodecContext* video_ = nullptr;  // .mkv only
    AVFrame* videoFrame_ = nullptr;
    SwsContext* scaler_ = nullptr;
    AVPacket* packet_ = nullptr;
    size_t frameSize_ = 0;  // sound frames per codec frame
    size_t filled_ = 0;     // sound frames in soundFrame_ so far
    int64_t nextPts_ = 0;
    int64_t nextPicture_ = 0;
    bool failed_ = false;
    std::string error_;
};

}  // namespace engine
