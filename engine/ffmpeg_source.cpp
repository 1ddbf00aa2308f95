#include "engine/ffmpeg_source.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <string_view>

namespace engine {
namespace {

// Opening gives up after this long without progress: a file on a stalled network mount
// must not hang the UI thread. The probe has this long in all; the scan this long per
// packet, so a big video on a slow but working disk still opens.
constexpr auto kOpenTimeLimit = std::chrono::seconds(10);

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

// Decoded samples beyond this magnitude (+24 dB over full scale) are no sound a file means
// to make: a hostile float file's infinities, NaNs and 1e38s would poison the resampler's
// state and the mix for good. Sound within it passes untouched.
constexpr float kLoudestSample = 16.0f;

void tameSamples(float* samples, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const float s = samples[i];
        samples[i] = std::isnan(s) ? 0.0f : std::clamp(s, -kLoudestSample, kLoudestSample);
    }
}

}  // namespace

int FfmpegSource::interruptCallback(void* self) {
    auto* source = static_cast<FfmpegSource*>(self);
    if (source->quit_.load(std::memory_order_relaxed)) {
        return 1;
    }
    const int64_t deadline = source->deadlineNs_.load(std::memory_order_relaxed);
    return deadline != 0 && nowNs() > deadline ? 1 : 0;
}

std::unique_ptr<FfmpegSource> FfmpegSource::open(const std::string& path, OpenError& error) {
    // FFmpeg's own messages (bit-rate estimates, corrupt frames) are not for the user: the
    // engine answers with OpenError or a device that plays what it can.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_FATAL); });
    std::unique_ptr<FfmpegSource> source(new FfmpegSource);
    error = source->openFile(path);
    source->deadlineNs_.store(0, std::memory_order_relaxed);
    if (error != OpenError::None) {
        return nullptr;
    }
    return source;
}

FfmpegSource::~FfmpegSource() {
    swr_free(&swr_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
    avformat_close_input(&format_);
}

OpenError FfmpegSource::openFile(const std::string& path) {
    // Only regular files: a folder, a FIFO or a device node (/dev/zero named like a song,
    // through a link too) would block or never end.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        ::access(path.c_str(), R_OK) != 0) {
        return OpenError::FileNotFound;
    }
    if (info.st_size == 0) {
        return OpenError::InvalidFile;
    }
    deadlineNs_.store(nowNs() + std::chrono::nanoseconds(kOpenTimeLimit).count(),
                      std::memory_order_relaxed);

    format_ = avformat_alloc_context();
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    if (format_ == nullptr || packet_ == nullptr || frame_ == nullptr) {
        return OpenError::OutOfMemory;
    }
    format_->interrupt_callback.callback = &FfmpegSource::interruptCallback;
    format_->interrupt_callback.opaque = this;
    format_->probesize = 2 << 20;  // bounded probe: 2 MB
    if (avformat_open_input(&format_, path.c_str(), nullptr, nullptr) < 0) {
        return OpenError::InvalidFile;  // format_ is freed by FFmpeg on failure
    }
    if (refusedFormat(format_->iformat) || avformat_find_stream_info(format_, nullptr) < 0) {
        return OpenError::InvalidFile;
    }

    const AVCodec* decoder = nullptr;
    const int best = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (best >= 0 && decoder != nullptr) {
        AVStream* stream = format_->streams[best];
        codec_ = avcodec_alloc_context3(decoder);
        if (codec_ == nullptr) {
            return OpenError::OutOfMemory;
        }
        if (avcodec_parameters_to_context(codec_, stream->codecpar) >= 0 &&
            codec_->sample_rate > 0) {
            codec_->pkt_timebase = stream->time_base;
            // We trim encoder delay and padding ourselves, from the scan, so that seeks and
            // straight decoding share one timeline.
            codec_->flags2 |= AV_CODEC_FLAG2_SKIP_MANUAL;
            if (avcodec_open2(codec_, decoder, nullptr) >= 0) {
                audioStream_ = best;
                sampleRate_ = codec_->sample_rate;
            }
        }
        if (audioStream_ < 0) {
            avcodec_free_context(&codec_);
        }
    }
    if (audioStream_ >= 0) {
        const std::string_view name = format_->iformat->name;
        byteSeek_ = name == "mp3" || name == "wav";
        switch (codec_->codec_id) {
            case AV_CODEC_ID_MP3:
            case AV_CODEC_ID_MP2:
            case AV_CODEC_ID_MP1:
                prerollPackets_ = 10;  // bit reservoir and overlap: several frames of warm-up
                break;
            case AV_CODEC_ID_PCM_S16LE:
            case AV_CODEC_ID_PCM_S24LE:
            case AV_CODEC_ID_PCM_S32LE:
            case AV_CODEC_ID_PCM_F32LE:
            case AV_CODEC_ID_PCM_U8:
                prerollPackets_ = 0;
                break;
            default:
                prerollPackets_ = 4;
                break;
        }
    }
    if (!scan()) {
        return OpenError::InvalidFile;
    }
    if (!lastsAMillisecond()) {
        return OpenError::InvalidFile;
    }
    if (audioStream_ >= 0) {
        // Some sound must actually decode: a text file or a corrupt header may demux into
        // packets that decode to nothing.
        seek(0);
        std::vector<float> probe(2 * 4096);
        read(probe.data(), std::min<int64_t>(4096, lengthFrames_));
        if (framesDecoded_ == 0) {
            if (videoFrames_ == 0) {
                return OpenError::InvalidFile;
            }
            avcodec_free_context(&codec_);
            audioStream_ = -1;
            soundFrames_ = 0;
            lengthFrames_ = videoFrames_;
        }
        seek(0);
    }
    return lastsAMillisecond() ? OpenError::None : OpenError::InvalidFile;
}

bool FfmpegSource::lastsAMillisecond() const {
    // Devices count whole milliseconds, to the nearest: under half of one, a file's length
    // reads as 0 and no play could ever sound.
    return lengthFrames_ >= (static_cast<int64_t>(sampleRate_) + 1999) / 2000;
}

bool FfmpegSource::scan() {
    struct VideoSpan {
        int64_t first = std::numeric_limits<int64_t>::max();
        int64_t end = std::numeric_limits<int64_t>::min();
    };
    std::vector<VideoSpan> video(format_->nb_streams);
    std::vector<bool> isVideo(format_->nb_streams, false);
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        AVStream* stream = format_->streams[i];
        const bool picture = (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0;
        isVideo[i] = stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !picture;
        if (!isVideo[i] && static_cast<int>(i) != audioStream_) {
            stream->discard = AVDISCARD_ALL;
        }
    }

    int64_t raw = 0, startSkip = 0, endSkip = 0;
    const AVRational sampleBase{1, sampleRate_};
    int result = 0;
    while ((result = av_read_frame(format_, packet_)) >= 0) {
        const int index = packet_->stream_index;
        AVStream* stream = format_->streams[index];
        if (index == audioStream_) {
            // A packet's length in samples, when its container says so exactly. ASF (and
            // other millisecond clocks) round it: then the decoder counts.
            int64_t duration = 0;
            const int64_t scaled =
                packet_->duration * stream->time_base.num * static_cast<int64_t>(sampleRate_);
            if (packet_->duration > 0 && scaled % stream->time_base.den == 0) {
                duration = scaled / stream->time_base.den;
            }
            if (duration <= 0) {
                // Unknown or inexact packet length: decode this one to count it.
                if (avcodec_send_packet(codec_, packet_) >= 0) {
                    while (avcodec_receive_frame(codec_, frame_) >= 0) {
                        duration += frame_->nb_samples;
                        av_frame_unref(frame_);
                    }
                }
            }
            size_t size = 0;
            const uint8_t* skip = av_packet_get_side_data(packet_, AV_PKT_DATA_SKIP_SAMPLES, &size);
            if (skip != nullptr && size >= 8) {
                startSkip += AV_RL32(skip);
                endSkip += AV_RL32(skip + 4);
            }
            const int64_t pts = packet_->pts != AV_NOPTS_VALUE ? packet_->pts : packet_->dts;
            index_.push_back({packet_->pos, pts, raw});
            raw += std::max<int64_t>(duration, 0);
        } else if (isVideo[index]) {
            const int64_t pts = packet_->pts != AV_NOPTS_VALUE ? packet_->pts : packet_->dts;
            if (pts != AV_NOPTS_VALUE) {
                video[index].first = std::min(video[index].first, pts);
                video[index].end =
                    std::max(video[index].end, pts + std::max<int64_t>(packet_->duration, 0));
            }
        }
        av_packet_unref(packet_);
        deadlineNs_.store(nowNs() + std::chrono::nanoseconds(kOpenTimeLimit).count(),
                          std::memory_order_relaxed);
    }
    if (result == AVERROR_EXIT) {
        return false;  // timed out or interrupted
    }
    if (audioStream_ >= 0) {
        avcodec_flush_buffers(codec_);
    }

    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        if (isVideo[i]) {
            format_->streams[i]->discard = AVDISCARD_ALL;  // the video issue decodes pictures
            if (video[i].end > video[i].first) {
                const AVRational base = format_->streams[i]->time_base;
                videoFrames_ = std::max(
                    videoFrames_, av_rescale_q(video[i].end - video[i].first, base, sampleBase));
            }
        }
    }
    rawTotal_ = raw;
    startSkip_ = std::min(startSkip, raw);
    soundFrames_ = std::max<int64_t>(0, raw - startSkip_ - endSkip);
    if (soundFrames_ == 0 && audioStream_ >= 0) {
        avcodec_free_context(&codec_);
        audioStream_ = -1;
        index_.clear();
    }
    if (audioStream_ < 0) {
        sampleRate_ = 48000;  // a silent video plays silence at the usual output rate
        videoFrames_ = 0;
        for (unsigned i = 0; i < format_->nb_streams; ++i) {
            if (isVideo[i] && video[i].end > video[i].first) {
                videoFrames_ = std::max(videoFrames_, av_rescale_q(video[i].end - video[i].first,
                                                                   format_->streams[i]->time_base,
                                                                   AVRational{1, sampleRate_}));
            }
        }
    }
    lengthFrames_ = std::max(soundFrames_, videoFrames_);
    return true;
}

void FfmpegSource::seek(int64_t frame) {
    position_ = std::clamp<int64_t>(frame, 0, lengthFrames_);
    pending_.clear();
    pendingRead_ = 0;
    pendingSilence_ = 0;
    if (audioStream_ < 0 || index_.empty() || position_ >= soundFrames_) {
        soundEnded_ = true;
        return;
    }
    soundEnded_ = false;
    decoderDrained_ = false;
    const int64_t rawTarget = position_ + startSkip_;
    auto after = std::upper_bound(index_.begin(), index_.end(), rawTarget,
                                  [](int64_t r, const PacketEntry& e) { return r < e.rawStart; });
    const size_t k = after == index_.begin() ? 0 : static_cast<size_t>(after - index_.begin()) - 1;
    const size_t first = k > static_cast<size_t>(prerollPackets_) ? k - prerollPackets_ : 0;
    firstDecoded_ = first;
    dropBeforeRaw_ = rawTarget;
    nextRaw_ = index_[first].rawStart;
    fellBack_ = false;
    positionDemuxer(first);
}

void FfmpegSource::resetDecoder() {
    // A fresh decoder rather than avcodec_flush_buffers: some decoders (WMA) keep overlap
    // from before a flush, and a seek must give the samples of straight decoding.
    AVCodecContext* fresh = avcodec_alloc_context3(codec_->codec);
    if (fresh == nullptr ||
        avcodec_parameters_to_context(fresh, format_->streams[audioStream_]->codecpar) < 0) {
        avcodec_free_context(&fresh);
        avcodec_flush_buffers(codec_);
        return;
    }
    fresh->pkt_timebase = codec_->pkt_timebase;
    fresh->flags2 = codec_->flags2;
    if (avcodec_open2(fresh, codec_->codec, nullptr) < 0) {
        avcodec_free_context(&fresh);
        avcodec_flush_buffers(codec_);
        return;
    }
    avcodec_free_context(&codec_);
    codec_ = fresh;
}

void FfmpegSource::positionDemuxer(size_t packet) {
    resetDecoder();
    const PacketEntry& entry = index_[packet];
    int result = -1;
    if (byteSeek_ && entry.pos >= 0) {
        result = av_seek_frame(format_, -1, entry.pos, AVSEEK_FLAG_BYTE);
    } else if (entry.pts != AV_NOPTS_VALUE) {
        result = av_seek_frame(format_, audioStream_, entry.pts, AVSEEK_FLAG_BACKWARD);
    }
    if (result < 0 && packet != 0) {
        positionDemuxer(0);
        fellBack_ = true;
        return;
    }
    nextPacket_ = packet;
    matching_ = true;
}

bool FfmpegSource::decodeMore() {
    for (;;) {
        const int result = av_read_frame(format_, packet_);
        if (result < 0) {
            if (!decoderDrained_) {
                decoderDrained_ = true;
                avcodec_send_packet(codec_, nullptr);
                while (avcodec_receive_frame(codec_, frame_) >= 0) {
                    emitFrame(frame_, nextRaw_);
                    av_frame_unref(frame_);
                }
            }
            return false;
        }
        if (packet_->stream_index != audioStream_) {
            av_packet_unref(packet_);
            continue;
        }
        if (matching_) {
            // Find the packet the seek aimed at, by byte position (raw formats, whose
            // timestamps after a byte seek are estimates) or by timestamp (indexed ones).
            const PacketEntry& want = index_[nextPacket_];
            const int64_t pts = packet_->pts != AV_NOPTS_VALUE ? packet_->pts : packet_->dts;
            const bool same = byteSeek_ ? packet_->pos == want.pos : pts == want.pts;
            if (!same) {
                const bool before = byteSeek_ ? (packet_->pos >= 0 && packet_->pos < want.pos)
                                              : (pts != AV_NOPTS_VALUE && pts < want.pts);
                av_packet_unref(packet_);
                if (before) {
                    continue;
                }
                if (!fellBack_ && nextPacket_ != 0) {
                    // Landed past it: read from the start instead (slow but exact).
                    fellBack_ = true;
                    positionDemuxer(0);
                    continue;
                }
                return false;  // the file no longer matches its scan: end of sound
            }
            matching_ = false;
        }
        const size_t number = nextPacket_++;
        if (number < firstDecoded_) {
            av_packet_unref(packet_);  // before the warm-up: not decoded at all
            continue;
        }
        const int64_t rawStart = number < index_.size() ? index_[number].rawStart : nextRaw_;
        int sent = avcodec_send_packet(codec_, packet_);
        av_packet_unref(packet_);
        if (sent < 0 && sent != AVERROR(EAGAIN)) {
            continue;  // a corrupt packet: its samples read as silence (gap filled below)
        }
        int64_t offset = 0;
        bool any = false;
        while (avcodec_receive_frame(codec_, frame_) >= 0) {
            emitFrame(frame_, rawStart + offset);
            offset += frame_->nb_samples;
            av_frame_unref(frame_);
            any = true;
        }
        if (any || pending_.size() / 2 > pendingRead_) {
            return true;
        }
    }
}

void FfmpegSource::emitFrame(const AVFrame* frame, int64_t rawStart) {
    const int channels = frame->ch_layout.nb_channels;
    const int count = frame->nb_samples;
    if (channels <= 0 || count <= 0) {
        return;
    }
    if (swr_ == nullptr || swrInFormat_ != frame->format || swrInChannels_ != channels) {
        swr_free(&swr_);
        AVChannelLayout in{};
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
            av_channel_layout_default(&in, channels);
        } else {
            av_channel_layout_copy(&in, &frame->ch_layout);
        }
        // Mono is converted to mono and duplicated by hand: swresample would spread it at
        // -3 dB per side, and a mono file must sound at its own level on both channels.
        AVChannelLayout out{};
        av_channel_layout_default(&out, channels == 1 ? 1 : 2);
        const int made = swr_alloc_set_opts2(&swr_, &out, AV_SAMPLE_FMT_FLT, sampleRate_, &in,
                                             static_cast<AVSampleFormat>(frame->format),
                                             sampleRate_, 0, nullptr);
        av_channel_layout_uninit(&in);
        if (made < 0 || swr_init(swr_) < 0) {
            swr_free(&swr_);
            return;
        }
        swrInFormat_ = frame->format;
        swrInChannels_ = channels;
    }
    convert_.resize(static_cast<size_t>(count) * 2);
    uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(convert_.data())};
    const int converted = swr_convert(swr_, outPlanes, count,
                                      const_cast<const uint8_t**>(frame->extended_data), count);
    if (converted <= 0) {
        return;
    }
    tameSamples(convert_.data(), static_cast<size_t>(converted) * (channels == 1 ? 1 : 2));
    if (channels == 1) {
        for (int i = converted - 1; i >= 0; --i) {
            const float s = convert_[static_cast<size_t>(i)];
            convert_[2 * static_cast<size_t>(i)] = s;
            convert_[2 * static_cast<size_t>(i) + 1] = s;
        }
    }
    ++framesDecoded_;
    appendRaw(convert_.data(), rawStart, converted);
}

void FfmpegSource::appendRaw(const float* stereo, int64_t rawStart, int64_t count) {
    if (rawStart > nextRaw_) {
        appendSilence(nextRaw_, rawStart - nextRaw_);  // a packet that did not decode
    }
    // The timeline keeps raw samples [startSkip_, startSkip_ + soundFrames_), from the seek
    // target on; an overlap with what was already produced is dropped.
    const int64_t from = std::max({rawStart, nextRaw_, dropBeforeRaw_, startSkip_});
    const int64_t to = std::min(rawStart + count, startSkip_ + soundFrames_);
    if (to > from) {
        const float* begin = stereo + 2 * (from - rawStart);
        pending_.insert(pending_.end(), begin, begin + 2 * (to - from));
    }
    nextRaw_ = std::max(nextRaw_, rawStart + count);
}

void FfmpegSource::appendSilence(int64_t rawStart, int64_t count) {
    const int64_t from = std::max({rawStart, dropBeforeRaw_, startSkip_});
    const int64_t to = std::min(rawStart + count, startSkip_ + soundFrames_);
    if (to > from && pending_.size() / 2 == pendingRead_) {
        // Counted, not stored: a hostile index can put the next packet hours later.
        pendingSilence_ += to - from;
    } else if (to > from) {
        pending_.insert(pending_.end(), static_cast<size_t>(2 * (to - from)), 0.0f);
    }
    nextRaw_ = std::max(nextRaw_, rawStart + count);
}

size_t FfmpegSource::read(float* stereo, size_t frames) {
    size_t done = 0;
    while (done < frames && position_ < lengthFrames_) {
        const size_t available = pending_.size() / 2 - pendingRead_;
        const size_t room =
            std::min<size_t>(frames - done, static_cast<size_t>(lengthFrames_ - position_));
        if (pendingSilence_ > 0) {
            const size_t n = std::min<size_t>(room, static_cast<size_t>(pendingSilence_));
            std::fill(stereo + 2 * done, stereo + 2 * (done + n), 0.0f);
            pendingSilence_ -= static_cast<int64_t>(n);
            position_ += static_cast<int64_t>(n);
            done += n;
            continue;
        }
        if (available > 0) {
            const size_t n = std::min(available, room);
            std::memcpy(stereo + 2 * done, pending_.data() + 2 * pendingRead_,
                        n * 2 * sizeof(float));
            pendingRead_ += n;
            position_ += static_cast<int64_t>(n);
            done += n;
            if (pendingRead_ * 2 == pending_.size()) {
                pending_.clear();
                pendingRead_ = 0;
            }
            continue;
        }
        if (!soundEnded_) {
            if (!decodeMore()) {
                soundEnded_ = true;
            }
            continue;
        }
        // No more sound (the end, a truncated file, a longer video): silence to the length.
        std::fill(stereo + 2 * done, stereo + 2 * (done + room), 0.0f);
        position_ += static_cast<int64_t>(room);
        done += room;
    }
    return done;
}

}  // namespace engine
