#include "engine/video_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>

namespace engine {
namespace {

constexpr AVRational kMs{1, 1000};

bool isRealVideo(const AVStream* stream) {
    return stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
           (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0;
}

// The largest real video stream of a known size.
int pickStream(const AVFormatContext* format) {
    int best = -1;
    int64_t bestArea = 0;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        const int64_t area = int64_t{stream->codecpar->width} * stream->codecpar->height;
        if (isRealVideo(stream) && stream->codecpar->width > 0 && area > bestArea) {
            best = static_cast<int>(i);
            bestArea = area;
        }
    }
    return best;
}

bool anyRealVideo(const AVFormatContext* format) {
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (isRealVideo(format->streams[i])) {
            return true;
        }
    }
    return false;
}

}  // namespace

void FrameDeleter::operator()(AVFrame* frame) const {
    av_frame_free(&frame);
}

int VideoDecoder::interruptCallback(void* self) {
    return static_cast<VideoDecoder*>(self)->interrupted_.load(std::memory_order_relaxed) ? 1 : 0;
}

std::unique_ptr<VideoDecoder> VideoDecoder::open(const std::string& path) {
    std::unique_ptr<VideoDecoder> decoder(new VideoDecoder);
    if (!decoder->openFile(path)) {
        return nullptr;
    }
    decoder->thread_ = std::thread([d = decoder.get()] { d->run(); });
    return decoder;
}

bool VideoDecoder::openFile(const std::string& path) {
    format_ = avformat_alloc_context();
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    if (format_ == nullptr || packet_ == nullptr || frame_ == nullptr) {
        return false;
    }
    format_->interrupt_callback.callback = &VideoDecoder::interruptCallback;
    format_->interrupt_callback.opaque = this;
    format_->probesize = 2 << 20;
    if (avformat_open_input(&format_, path.c_str(), nullptr, nullptr) < 0) {
        return false;
    }
    // Formats that declare their streams up front and have no video need no probing: a
    // sound file costs only its header here.
    const bool declared = (format_->ctx_flags & AVFMTCTX_NOHEADER) == 0;
    if ((declared && !anyRealVideo(format_)) || avformat_find_stream_info(format_, nullptr) < 0) {
        return false;
    }
    const int stream = pickStream(format_);
    return stream >= 0 && openCodec(stream);
}

bool VideoDecoder::openCodec(int stream) {
    AVStream* video = format_->streams[stream];
    const AVCodec* decoder = avcodec_find_decoder(video->codecpar->codec_id);
    if (decoder == nullptr) {
        return false;
    }
    codec_ = avcodec_alloc_context3(decoder);
    if (codec_ == nullptr || avcodec_parameters_to_context(codec_, video->codecpar) < 0) {
        return false;
    }
    codec_->pkt_timebase = video->time_base;
    // A picture up to 720p decodes with the least CPU on one thread (no hand-offs between
    // frame threads); larger ones need the cores.
    codec_->thread_count =
        int64_t{video->codecpar->width} * video->codecpar->height > 1280 * 720 ? 0 : 1;
    if (avcodec_open2(codec_, decoder, nullptr) < 0) {
        return false;
    }
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        format_->streams[i]->discard =
            static_cast<int>(i) == stream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    }
    stream_ = stream;
    startPts_ = video->start_time != AV_NOPTS_VALUE ? video->start_time : 0;
    displayWidth_ = video->codecpar->width;
    displayHeight_ = video->codecpar->height;
    const AVRational aspect = av_guess_sample_aspect_ratio(format_, video, nullptr);
    if (aspect.num > 0 && aspect.den > 0 && aspect.num != aspect.den) {
        displayWidth_ = static_cast<int>(av_rescale(displayWidth_, aspect.num, aspect.den));
    }
    const AVRational rate = av_guess_frame_rate(format_, video, nullptr);
    if (rate.num > 0 && rate.den > 0) {
        frameMs_ = std::max<int64_t>(1, av_rescale(1000, rate.den, rate.num));
    }
    return displayWidth_ > 0;
}

VideoDecoder::~VideoDecoder() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    interrupted_.store(true, std::memory_order_relaxed);
    wakeDecoder_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
    ready_.clear();
    candidate_.reset();
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
    avformat_close_input(&format_);
}

// ---------------------------------------------------------------- presenter thread

void VideoDecoder::restart(uint64_t request, int64_t ms) {
    {
        std::lock_guard lock(mutex_);
        ready_.clear();
        request_ = request;
        requestMs_ = ms;
        requestChanged_ = true;
    }
    wakeDecoder_.notify_one();
}

std::optional<DecodedFrame> VideoDecoder::takeDue(uint64_t request, int64_t ms, size_t& skipped) {
    std::optional<DecodedFrame> due;
    skipped = 0;
    {
        std::lock_guard lock(mutex_);
        if (request != request_) {
            return std::nullopt;
        }
        while (!ready_.empty() && ready_.front().ms <= ms) {
            skipped += due.has_value() ? 1 : 0;
            due = std::move(ready_.front());
            ready_.pop_front();
        }
    }
    if (due) {
        wakeDecoder_.notify_one();  // room for more
    }
    return due;
}

std::optional<int64_t> VideoDecoder::nextMs() const {
    std::lock_guard lock(mutex_);
    return ready_.empty() ? std::nullopt : std::optional<int64_t>(ready_.front().ms);
}

void VideoDecoder::waitForFrame(std::chrono::microseconds limit) {
    std::unique_lock lock(mutex_);
    const size_t waiting = ready_.size();
    frameArrived_.wait_for(lock, limit, [&] { return ready_.size() > waiting; });
}

// ---------------------------------------------------------------- decoder thread

void VideoDecoder::run() {
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wakeDecoder_.wait(lock, [&] {
                return quit_ || requestChanged_ || (!atEnd() && ready_.size() < kFramesAhead);
            });
            if (quit_) {
                return;
            }
            if (requestChanged_) {
                requestChanged_ = false;
                const int64_t ms = requestMs_;
                lock.unlock();
                seekTo(ms);
                continue;
            }
        }
        if (!decodeSome()) {
            drained_.store(true, std::memory_order_release);
        }
    }
}

void VideoDecoder::seekTo(int64_t ms) {
    AVStream* video = format_->streams[stream_];
    const int64_t target = startPts_ + av_rescale_q(ms, kMs, video->time_base);
    if (av_seek_frame(format_, stream_, target, AVSEEK_FLAG_BACKWARD) < 0) {
        av_seek_frame(format_, stream_, startPts_, AVSEEK_FLAG_BACKWARD);
    }
    avcodec_flush_buffers(codec_);
    drained_.store(false, std::memory_order_release);
    seekTargetMs_ = ms;
    candidate_.reset();
}

// Reads one packet of the stream and delivers what it decodes to. false at the end.
bool VideoDecoder::decodeSome() {
    const int read = av_read_frame(format_, packet_);
    if (read >= 0 && packet_->stream_index != stream_) {
        av_packet_unref(packet_);
        return true;
    }
    // At the end, an empty packet drains the frames the decoder still holds.
    const int sent = avcodec_send_packet(codec_, read >= 0 ? packet_ : nullptr);
    av_packet_unref(packet_);
    while (avcodec_receive_frame(codec_, frame_) >= 0) {
        deliver(frame_);
    }
    if (read < 0 || sent == AVERROR_EOF) {
        if (candidate_) {
            push(candidateMs_, std::move(candidate_));  // the target is past the last frame
        }
        return false;
    }
    return true;  // a corrupt packet is skipped: the picture waits for the next good one
}

void VideoDecoder::deliver(AVFrame* decoded) {
    const int64_t pts = decoded->best_effort_timestamp;
    const int64_t ms =
        pts != AV_NOPTS_VALUE
            ? av_rescale_q(pts - startPts_, format_->streams[stream_]->time_base, kMs)
            : lastMs_ + frameMs_;
    lastMs_ = ms;
    FramePtr frame(av_frame_alloc());
    if (!frame) {
        av_frame_unref(decoded);
        return;
    }
    av_frame_move_ref(frame.get(), decoded);
    if (seekTargetMs_ >= 0) {
        if (ms <= seekTargetMs_) {
            candidate_ = std::move(frame);  // might be the one showing at the target
            candidateMs_ = ms;
            return;
        }
        seekTargetMs_ = -1;
        if (candidate_) {
            push(candidateMs_, std::move(candidate_));
        }
    }
    push(ms, std::move(frame));
}

void VideoDecoder::push(int64_t ms, FramePtr frame) {
    {
        std::lock_guard lock(mutex_);
        if (requestChanged_) {
            return;  // decoded for a start that is no longer wanted
        }
        ready_.push_back({ms, std::move(frame)});
    }
    frameArrived_.notify_all();
}

}  // namespace engine
