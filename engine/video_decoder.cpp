#include "engine/video_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>

#include "util/log.h"

namespace engine {
namespace {

constexpr AVRational kMs{1, 1000};

}  // namespace

void FrameDeleter::operator()(AVFrame* frame) const {
    av_frame_free(&frame);
}

std::unique_ptr<VideoDecoder> VideoDecoder::open(const std::string& path,
                                                 const PictureTimeline& timeline) {
    std::unique_ptr<VideoDecoder> decoder(new VideoDecoder);
    OpenError error = OpenError::None;
    decoder->input_ = MediaInput::open(path, error);
    decoder->packet_ = av_packet_alloc();
    decoder->frame_ = av_frame_alloc();
    if (!decoder->input_ || !decoder->packet_ || !decoder->frame_) {
        return nullptr;
    }
    const int stream = PictureStream(decoder->input_->format());
    if (stream < 0) {
        return nullptr;
    }
    if (!decoder->openCodec(stream, timeline)) {
        useful::Log("video", "%s: the picture's decoder does not start", path.c_str());
        return nullptr;
    }
    decoder->input_->endDeadline();
    decoder->thread_ = std::thread([d = decoder.get()] { d->run(); });
    return decoder;
}

bool VideoDecoder::openCodec(int stream, const PictureTimeline& timeline) {
    AVFormatContext* format = input_->format();
    AVStream* video = format->streams[stream];
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
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        format->streams[i]->discard =
            static_cast<int>(i) == stream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    }
    stream_ = stream;
    originPts_ =
        av_rescale_q(timeline.originFrames, AVRational{1, timeline.rate}, video->time_base);
    displayWidth_ = video->codecpar->width;
    displayHeight_ = video->codecpar->height;
    const AVRational aspect = av_guess_sample_aspect_ratio(format, video, nullptr);
    if (aspect.num > 0 && aspect.den > 0 && aspect.num != aspect.den) {
        displayWidth_ = static_cast<int>(av_rescale(displayWidth_, aspect.num, aspect.den));
    }
    const AVRational rate = av_guess_frame_rate(format, video, nullptr);
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
    if (input_) {
        input_->interrupt();
    }
    wakeDecoder_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
    ready_.clear();
    candidate_.reset();
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
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
    AVFormatContext* format = input_->format();
    const AVStream* video = format->streams[stream_];
    const int64_t target = originPts_ + av_rescale_q(ms, kMs, video->time_base);
    if (av_seek_frame(format, stream_, target, AVSEEK_FLAG_BACKWARD) < 0) {
        const int64_t first = video->start_time != AV_NOPTS_VALUE ? video->start_time : 0;
        av_seek_frame(format, stream_, first, AVSEEK_FLAG_BACKWARD);
    }
    avcodec_flush_buffers(codec_);
    drained_.store(false, std::memory_order_release);
    seekTargetMs_ = ms;
    candidate_.reset();
}

// Reads one packet of the stream and delivers what it decodes to. false at the end.
bool VideoDecoder::decodeSome() {
    const int read = av_read_frame(input_->format(), packet_);
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
            ? av_rescale_q(pts - originPts_, input_->format()->streams[stream_]->time_base, kMs)
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
