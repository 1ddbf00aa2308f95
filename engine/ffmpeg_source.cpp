#include "engine/ffmpeg_source.h"

#include "engine/packet_samples.h"

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

// A packet's stated time, presentation first.
int64_t packetTime(const AVPacket* packet) {
    return packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
}

// A sound stream the container announces (an MPEG program table) but whose first packet
// lies beyond the probe: FFmpeg's choice of the best stream skips it for want of a rate.
int announcedSoundStream(const AVFormatContext* format, const AVCodec** decoder) {
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVCodecParameters* codec = format->streams[i]->codecpar;
        if (codec->codec_type == AVMEDIA_TYPE_AUDIO) {
            *decoder = avcodec_find_decoder(codec->codec_id);
            if (*decoder != nullptr) {
                return static_cast<int>(i);
            }
        }
    }
    return -1;
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
    int best = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (best < 0) {
        best = announcedSoundStream(format_, &decoder);
    }
    if (best >= 0 && decoder != nullptr) {
        AVStream* stream = format_->streams[best];
        codec_ = avcodec_alloc_context3(decoder);
        if (codec_ == nullptr) {
            return OpenError::OutOfMemory;
        }
        // A stream found beyond the probe has no parameters yet: its first decoded frame
        // gives its rate (see decode).
        if (avcodec_parameters_to_context(codec_, stream->codecpar) >= 0) {
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
        // Ogg stamps the packets after a seek by its page's granule, several packets off:
        // demux from the start (without decoding) instead.
        demuxFromStart_ = name == "ogg";
        switch (codec_->codec_id) {
            case AV_CODEC_ID_MP3:
            case AV_CODEC_ID_MP2:
            case AV_CODEC_ID_MP1:
                prerollPackets_ = 10;  // bit reservoir and overlap: several frames of warm-up
                break;
            case AV_CODEC_ID_OPUS:
                prerollPackets_ = 40;  // its decoder state takes long to match straight decoding
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
    if (!LastsAMillisecond(lengthFrames_, sampleRate_)) {
        return OpenError::InvalidFile;
    }
    if (audioStream_ >= 0) {
        // Some sound must actually decode: a text file or a corrupt header may demux into
        // packets that decode to nothing.
        seek(leadFrames_);
        std::vector<float> probe(2 * 4096);
        read(probe.data(), std::min<int64_t>(4096, lengthFrames_ - leadFrames_));
        if (framesDecoded_ == 0) {
            if (videoFrames_ == 0) {
                return OpenError::InvalidFile;
            }
            avcodec_free_context(&codec_);
            audioStream_ = -1;
            soundFrames_ = 0;
            leadFrames_ = 0;
            lengthFrames_ = videoFrames_;
        }
    }
    seek(0);  // read() may follow at once, silent videos too
    return LastsAMillisecond(lengthFrames_, sampleRate_) ? OpenError::None : OpenError::InvalidFile;
}

// What the scan learns of the sound beyond the index; the last two packets are kept to
// count the last one again (see settleLastPacket).
struct FfmpegSource::SoundScan {
    SoundScan() : previous(av_packet_alloc()), last(av_packet_alloc()) {}
    ~SoundScan() {
        av_packet_free(&previous);
        av_packet_free(&last);
    }
    SoundScan(const SoundScan&) = delete;
    SoundScan& operator=(const SoundScan&) = delete;

    int64_t raw = 0;  // raw samples so far
    int64_t startSkip = 0;
    int64_t endSkip = 0;
    int64_t firstTime = kUnknownTime;  // the first timed packet's time, in the stream's base
    int64_t firstTimeRaw = 0;          // its first raw sample
    AVPacket* previous;
    AVPacket* last;
    int64_t lastCount = 0;    // samples counted for the last packet
    int lastRate = 0;         // and their rate
    int64_t lastEndSkip = 0;  // padding its side data states
    bool lastDecoded = false;
    bool rateless = false;  // some sound decoded with no sample rate: it cannot be placed
};

FfmpegSource::Decoded FfmpegSource::decode(const AVPacket* packet) {
    Decoded decoded;
    if (avcodec_send_packet(codec_, packet) >= 0) {
        while (avcodec_receive_frame(codec_, frame_) >= 0) {
            decoded.samples += frame_->nb_samples;
            decoded.rate = frame_->sample_rate;
            if (sampleRate_ == 0) {
                sampleRate_ = frame_->sample_rate;  // the container did not say it
            }
            av_frame_unref(frame_);
        }
    }
    return decoded;
}

void FfmpegSource::addSoundPacket(SoundScan& scan) {
    const AVStream* stream = format_->streams[audioStream_];
    // The first packet counts what a fresh decoder gives (Vorbis gives nothing); later ones
    // what the codec fixes, or an exact container clock, or failing both the decoder. A
    // packet at another rate starts a segment at that rate.
    PacketSamples known;
    if (!index_.empty() && sampleRate_ > 0) {
        known = packetSamples(*packet_, *stream->codecpar, stream->time_base, sampleRate_);
    }
    const bool decoded = known.count < 0;
    if (decoded) {
        const Decoded frames = decode(packet_);
        known = {frames.samples, frames.rate > 0 ? frames.rate : sampleRate_};
    }
    const int64_t count = known.count;
    const int rate = known.rate;
    if (rate <= 0 && count > 0) {
        scan.rateless = true;  // samples with no rate have no place on a timeline
        return;
    }
    int64_t endSkip = 0;
    size_t size = 0;
    const uint8_t* skip = av_packet_get_side_data(packet_, AV_PKT_DATA_SKIP_SAMPLES, &size);
    if (skip != nullptr && size >= 8) {
        scan.startSkip += AV_RL32(skip);
        endSkip = AV_RL32(skip + 4);
    }
    // As FFmpeg's own decoding does: padding longer than the packet is not padding.
    scan.endSkip += endSkip <= count ? endSkip : 0;
    const int64_t time = packetTime(packet_);
    if (scan.firstTime == kUnknownTime && count > 0 && time != AV_NOPTS_VALUE) {
        scan.firstTime = time;
        scan.firstTimeRaw = scan.raw;
    }
    index_.push_back({packet_->pos, time, scan.raw});
    segments_.append(count, rate);
    scan.raw += count;
    av_packet_unref(scan.previous);
    av_packet_move_ref(scan.previous, scan.last);
    av_packet_ref(scan.last, packet_);
    scan.lastCount = count;
    scan.lastRate = rate;
    scan.lastEndSkip = endSkip;
    scan.lastDecoded = decoded;
}

// A container may state its last packet shorter than the frame the decoder gives (MP4 edit
// lists, Ogg granules) and may state the same padding again as side data. The decoder's
// count holds; what the container left out is padding.
void FfmpegSource::settleLastPacket(SoundScan& scan) {
    if (index_.empty() || scan.lastDecoded) {
        return;
    }
    resetDecoder();
    if (scan.previous->size > 0) {
        decode(scan.previous);
    }
    const int64_t actual = decode(scan.last).samples;
    const int64_t stated = scan.lastCount;
    if (actual <= 0 || actual == stated) {
        return;
    }
    // A stated count above the decoder's is a wrapped or wild duration (Ogg files of a
    // few samples): the decoder's count holds then too.
    scan.raw += actual - stated;
    segments_.append(actual - stated, scan.lastRate);
    scan.endSkip -= scan.lastEndSkip <= stated ? scan.lastEndSkip : 0;
    scan.endSkip += std::max(scan.lastEndSkip <= actual ? scan.lastEndSkip : 0, actual - stated);
}

// MP4, MOV and AVI with an index read every packet's position and time into their index at
// open: the sound's index comes from there without reading the data, so opening does not
// take longer with the file's size. False, with nothing changed, where that index cannot
// state every sound packet exactly (then the scan reads the packets).
bool FfmpegSource::readContainerIndex(SoundScan& sound, std::vector<VideoSpan>& video) {
    const std::string_view name = format_->iformat->name;
    const bool avi = name == "avi";
    if (!avi && name.find("mp4") == std::string_view::npos) {
        return false;
    }
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        const AVStream* stream = format_->streams[i];
        if (stream->discard != AVDISCARD_ALL && static_cast<int>(i) != audioStream_) {
            if (stream->start_time == AV_NOPTS_VALUE || stream->duration <= 0) {
                return false;
            }
            video[i] = {stream->start_time, stream->start_time + stream->duration};
        }
    }
    if (audioStream_ < 0) {
        return true;
    }
    AVStream* audio = format_->streams[audioStream_];
    const int count = avformat_index_get_entries_count(audio);
    const AVRational base = audio->time_base;
    // A tick is samplesPerTick / base.den samples. MP4 ticks divide a sample period (its clock
    // runs at the sound's rate, mostly); AVI ticks once a chunk of a fixed number of samples
    // (its header's scale), so its index must hold every chunk, one a tick.
    const int64_t samplesPerTick = static_cast<int64_t>(base.num) * sampleRate_;
    const bool exactClock = samplesPerTick > 0 &&
                            (avi ? samplesPerTick % base.den == 0 : base.den % samplesPerTick == 0);
    if (count <= 0 || !exactClock || audio->start_time == AV_NOPTS_VALUE || audio->duration <= 0) {
        return false;
    }
    const int64_t end = audio->start_time + audio->duration;
    std::vector<PacketEntry> entries;
    int64_t raw = 0;
    for (int i = 0; i < count; ++i) {
        const AVIndexEntry* entry = avformat_index_get_entry(audio, i);
        const int64_t next =
            i + 1 < count ? avformat_index_get_entry(audio, i + 1)->timestamp : end;
        const int64_t span = next - entry->timestamp;
        if (span <= 0 || span * samplesPerTick % base.den != 0 || (avi && span != 1)) {
            return false;
        }
        entries.push_back({entry->pos, entry->timestamp, raw});
        raw += span * samplesPerTick / base.den;
    }
    const int64_t first = avformat_index_get_entry(audio, 0)->timestamp;
    index_ = std::move(entries);
    sound.raw = raw;
    sound.startSkip = std::max<int64_t>(0, (audio->start_time - first) * samplesPerTick / base.den);
    sound.firstTime = first;
    segments_.append(raw, sampleRate_);
    return true;
}

bool FfmpegSource::scan() {
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

    SoundScan sound;
    const bool indexed = readContainerIndex(sound, video);
    int result = 0;
    while (!indexed && (result = av_read_frame(format_, packet_)) >= 0) {
        const int index = packet_->stream_index;
        if (index == audioStream_) {
            addSoundPacket(sound);
        } else if (isVideo[index]) {
            const int64_t time = packetTime(packet_);
            if (time != AV_NOPTS_VALUE) {
                video[index].first = std::min(video[index].first, time);
                video[index].end =
                    std::max(video[index].end, time + std::max<int64_t>(packet_->duration, 0));
            }
        }
        av_packet_unref(packet_);
        deadlineNs_.store(nowNs() + std::chrono::nanoseconds(kOpenTimeLimit).count(),
                          std::memory_order_relaxed);
    }
    if (result == AVERROR_EXIT) {
        return false;  // timed out or interrupted
    }
    if (audioStream_ >= 0 && !indexed) {
        settleLastPacket(sound);
        avcodec_flush_buffers(codec_);
    }

    segments_.place();
    if (!segments_.empty()) {
        sampleRate_ = segments_.timelineRate();
    }
    skipFrames_ = segments_.toFrame(std::min(sound.startSkip, sound.raw));
    soundFrames_ = std::max<int64_t>(0, segments_.toFrame(sound.raw - sound.endSkip) - skipFrames_);
    if (audioStream_ >= 0 && (soundFrames_ == 0 || sampleRate_ <= 0 || sound.rateless)) {
        avcodec_free_context(&codec_);
        audioStream_ = -1;
        index_.clear();
        soundFrames_ = 0;
    }
    if (audioStream_ < 0) {
        sampleRate_ = 48000;  // a silent video plays silence at the usual output rate
    }

    // Every stream on one timeline: position 0 is where the earliest one starts.
    const AVRational sampleBase{1, sampleRate_};
    int64_t origin = std::numeric_limits<int64_t>::max();
    const bool soundTimed = audioStream_ >= 0 && sound.firstTime != kUnknownTime;
    const int64_t soundStart =
        soundTimed
            ? av_rescale_q(sound.firstTime, format_->streams[audioStream_]->time_base, sampleBase) -
                  segments_.toFrame(sound.firstTimeRaw) + skipFrames_
            : 0;
    if (audioStream_ >= 0) {
        origin = soundStart;
    }
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        if (isVideo[i] && video[i].end > video[i].first) {
            origin = std::min(
                origin, av_rescale_q(video[i].first, format_->streams[i]->time_base, sampleBase));
        }
    }
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        if (isVideo[i]) {
            format_->streams[i]->discard = AVDISCARD_ALL;  // the video issue decodes pictures
            if (video[i].end > video[i].first) {
                videoFrames_ = std::max(
                    videoFrames_,
                    av_rescale_q(video[i].end, format_->streams[i]->time_base, sampleBase) -
                        origin);
            }
        }
    }
    leadFrames_ = audioStream_ >= 0 && soundTimed ? soundStart - origin : 0;
    lengthFrames_ = std::max(leadFrames_ + soundFrames_, videoFrames_);
    return true;
}

void FfmpegSource::seek(int64_t frame) {
    position_ = std::clamp<int64_t>(frame, 0, lengthFrames_);
    pending_.clear();
    pendingRead_ = 0;
    pendingSilence_ = 0;
    if (audioStream_ < 0 || index_.empty() || position_ >= leadFrames_ + soundFrames_) {
        soundEnded_ = true;
        return;
    }
    soundEnded_ = false;
    decoderDrained_ = false;
    dropBeforeFrame_ = std::max<int64_t>(position_ - leadFrames_, 0) + skipFrames_;
    feedFromRaw_ = segments_.warmStart(segments_.toRaw(dropBeforeFrame_));
    resampler_.stop();
    auto after = std::upper_bound(index_.begin(), index_.end(), feedFromRaw_,
                                  [](int64_t r, const PacketEntry& e) { return r < e.rawStart; });
    const size_t k = after == index_.begin() ? 0 : static_cast<size_t>(after - index_.begin()) - 1;
    const size_t first = k > static_cast<size_t>(prerollPackets_) ? k - prerollPackets_ : 0;
    firstDecoded_ = first;
    nextRaw_ = index_[first].rawStart;
    fellBack_ = false;
    positionDemuxer(demuxFromStart_ ? 0 : first);
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
                endResampling();
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
            const int64_t pts = packetTime(packet_);
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
        // Normalised downmix: correlated surround channels must not sum to several times
        // full scale (stereo to stereo stays the identity).
        if (made >= 0) {
            av_opt_set_double(swr_, "rematrix_maxval", 1.0, 0);
        }
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
    // From the warm start on; an overlap with what was already produced is dropped.
    const int64_t from = std::max({rawStart, nextRaw_, feedFromRaw_});
    if (rawStart + count > from) {
        placeRaw(stereo + 2 * (from - rawStart), from, rawStart + count - from);
    }
    nextRaw_ = std::max(nextRaw_, rawStart + count);
}

// A hostile index can put the next packet hours later: the silence goes in bounded pieces,
// and on the timeline's own rate it is counted rather than stored (see placeSilence).
void FfmpegSource::appendSilence(int64_t rawStart, int64_t count) {
    constexpr int64_t kPiece = 4096;
    const std::vector<float> piece(static_cast<size_t>(2 * std::min(count, kPiece)), 0.0f);
    placingSilence_ = true;
    for (int64_t done = 0; done < count; done += kPiece) {
        appendRaw(piece.data(), rawStart + done, std::min(kPiece, count - done));
    }
    placingSilence_ = false;
}

// Raw samples onto the timeline, segment by segment: at the timeline's rate as they are,
// at another rate through the resampler.
void FfmpegSource::placeRaw(const float* stereo, int64_t raw, int64_t count) {
    while (count > 0) {
        const RateSegment& segment = segments_.segmentOf(raw);
        const int64_t n = segments_.isLast(segment) ? count : std::min(count, segment.rawEnd - raw);
        if (segment.rate == sampleRate_) {
            endResampling();
            const int64_t frame = segment.frameStart + raw - segment.rawStart;
            placingSilence_ ? placeSilence(frame, n) : placeFrames(stereo, frame, n);
        } else {
            if (resampler_.segment() != &segment) {
                endResampling();
                resampler_.start(segment, sampleRate_, segments_.toFrame(raw));
            }
            resample(segment, stereo, n);
            if (raw + n >= segment.rawEnd) {
                endResampling();
            }
        }
        stereo += 2 * n;
        raw += n;
        count -= n;
    }
}

void FfmpegSource::resample(const RateSegment& segment, const float* stereo, int64_t count) {
    if (resampler_.segment() == &segment) {
        const int64_t frame = resampler_.convert(stereo, count, scratch_);
        placeFrames(scratch_.data(), frame, static_cast<int64_t>(scratch_.size() / 2));
    }
}

void FfmpegSource::endResampling() {
    if (resampler_.segment() != nullptr) {
        const int64_t frame = resampler_.finish(scratch_);
        placeFrames(scratch_.data(), frame, static_cast<int64_t>(scratch_.size() / 2));
    }
}

// The timeline keeps frames [skipFrames_, skipFrames_ + soundFrames_) from the seek target on.
void FfmpegSource::placeFrames(const float* stereo, int64_t frame, int64_t count) {
    const int64_t from = std::max({frame, dropBeforeFrame_, skipFrames_});
    const int64_t to = std::min(frame + count, skipFrames_ + soundFrames_);
    if (to > from) {
        const float* begin = stereo + 2 * (from - frame);
        pending_.insert(pending_.end(), begin, begin + 2 * (to - from));
    }
}

// Silence with nothing unread before it is counted, not stored.
void FfmpegSource::placeSilence(int64_t frame, int64_t count) {
    const int64_t from = std::max({frame, dropBeforeFrame_, skipFrames_});
    const int64_t to = std::min(frame + count, skipFrames_ + soundFrames_);
    if (to > from && pending_.size() / 2 == pendingRead_) {
        pendingSilence_ += to - from;
    } else if (to > from) {
        pending_.insert(pending_.end(), static_cast<size_t>(2 * (to - from)), 0.0f);
    }
}

size_t FfmpegSource::read(float* stereo, size_t frames) {
    size_t done = 0;
    while (done < frames && position_ < lengthFrames_) {
        const size_t available = pending_.size() / 2 - pendingRead_;
        const size_t room =
            std::min<size_t>(frames - done, static_cast<size_t>(lengthFrames_ - position_));
        if (position_ < leadFrames_) {
            // Sound that starts after the file's start: silence before it.
            const size_t n = std::min(room, static_cast<size_t>(leadFrames_ - position_));
            std::fill(stereo + 2 * done, stereo + 2 * (done + n), 0.0f);
            position_ += static_cast<int64_t>(n);
            done += n;
            continue;
        }
        if (pendingSilence_ > 0) {
            const size_t n = std::min(room, static_cast<size_t>(pendingSilence_));
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
