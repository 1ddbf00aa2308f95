#include "engine/media_input.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string_view>

#include "util/log.h"

namespace engine {
namespace {

// Opening gives up after this long without progress: a file on a stalled network mount
// must not hang the UI thread. The probe has this long in all; a scan this long per
// packet, so a big video on a slow but working disk still opens.
constexpr auto kStallLimit = std::chrono::seconds(10);

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Demuxers that turn text or single pictures into "video": not media files for a deck.
bool refusedFormat(const AVInputFormat* format) {
    const std::string_view name = format->name;
    return name == "tty" || name == "image2" || name.find("_pipe") != std::string_view::npos ||
           name == "srt" || name == "ass" || name == "webvtt" || name == "lrc" ||
           name == "subviewer" || name == "microdvd" || name == "jacosub" || name == "mpl2";
}

}  // namespace

std::unique_ptr<MediaInput> MediaInput::open(const std::string& path, OpenError& error) {
    std::unique_ptr<MediaInput> input(new MediaInput);
    error = input->openFile(path);
    return error == OpenError::None ? std::move(input) : nullptr;
}

// Says why FFmpeg gave up on a file, in its own words.
OpenError MediaInput::refuse(const std::string& path, const char* step, int ffmpegResult) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(ffmpegResult, text, sizeof text);
    useful::Log("open", "%s: %s failed: %s", path.c_str(), step, text);
    return OpenError::InvalidFile;
}

MediaInput::~MediaInput() {
    avformat_close_input(&format_);
}

void MediaInput::madeProgress() {
    deadlineNs_.store(nowNs() + std::chrono::nanoseconds(kStallLimit).count(),
                      std::memory_order_relaxed);
}

bool MediaInput::gaveUp(int ffmpegResult) {
    return ffmpegResult == AVERROR_EXIT;
}

int MediaInput::interruptCallback(void* self) {
    auto* input = static_cast<MediaInput*>(self);
    if (input->quit_.load(std::memory_order_relaxed)) {
        return 1;
    }
    const int64_t deadline = input->deadlineNs_.load(std::memory_order_relaxed);
    return deadline != 0 && nowNs() > deadline ? 1 : 0;
}

OpenError MediaInput::openFile(const std::string& path) {
    // Only regular files: a folder, a FIFO or a device node (/dev/zero named like a song,
    // through a link too) would block or never end.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        ::access(path.c_str(), R_OK) != 0) {
        useful::Log("open", "%s: not a readable regular file", path.c_str());
        return OpenError::FileNotFound;
    }
    if (info.st_size == 0) {
        useful::Log("open", "%s: empty", path.c_str());
        return OpenError::InvalidFile;
    }
    madeProgress();
    format_ = avformat_alloc_context();
    if (format_ == nullptr) {
        return OpenError::OutOfMemory;
    }
    format_->interrupt_callback.callback = &MediaInput::interruptCallback;
    format_->interrupt_callback.opaque = this;
    format_->probesize = 2 << 20;  // bounded probe: 2 MB
    // format_ is freed by FFmpeg on failure.
    if (const int opened = avformat_open_input(&format_, path.c_str(), nullptr, nullptr);
        opened < 0) {
        return refuse(path, "reading the format", opened);
    }
    if (refusedFormat(format_->iformat)) {
        useful::Log("open", "%s: %s is no media for a deck", path.c_str(), format_->iformat->name);
        return OpenError::InvalidFile;
    }
    if (const int found = avformat_find_stream_info(format_, nullptr); found < 0) {
        return refuse(path, "finding the streams", found);
    }
    return OpenError::None;
}

bool IsRealVideo(const AVStream* stream) {
    return stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
           (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0;
}

int PictureStream(const AVFormatContext* format) {
    int best = -1;
    int64_t bestArea = 0;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        const int64_t area = int64_t{stream->codecpar->width} * stream->codecpar->height;
        if (IsRealVideo(stream) && stream->codecpar->width > 0 && area > bestArea) {
            best = static_cast<int>(i);
            bestArea = area;
        }
    }
    return best;
}

}  // namespace engine
