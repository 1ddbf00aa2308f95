#include "engine/sound_reader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cstring>
#include <string_view>

#include "engine/packet_samples.h"
#include "engine/sound_decoder.h"
#include "util/log.h"

namespace engine {
namespace {

int64_t packetTime(const AVPacket* packet) {
    return packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
}

bool isFormat(const AVFormatContext* format, std::string_view name) {
    return name == format->iformat->name;
}

}  // namespace

SoundReader::SoundReader(AVFormatContext* format, const SoundIndex& index)
    : format_(format),
      index_(index),
      prerollPackets_(
          index.hasSound() ? PrerollPackets(*format->streams[index.sound.stream]->codecpar) : 0),
      byteSeek_(isFormat(format, "mp3") || isFormat(format, "wav")),
      // Ogg stamps the packets after a seek by its page's granule, several packets off:
      // demux from the start (without decoding) instead.
      demuxFromStart_(isFormat(format, "ogg")),
      packet_(av_packet_alloc()),
      frame_(av_frame_alloc()) {
    if (index.hasSound()) {
        decoder_ = OpenSoundDecoder(format->streams[index.sound.stream], index.sound.codec);
    }
}

SoundReader::~SoundReader() {
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&decoder_);
}

void SoundReader::seek(int64_t frame) {
    position_ = std::clamp<int64_t>(frame, 0, index_.lengthFrames);
    pending_.clear();
    pendingRead_ = 0;
    pendingSilence_ = 0;
    if (decoder_ == nullptr || packet_ == nullptr || frame_ == nullptr || index_.packets.empty() ||
        position_ >= index_.leadFrames + index_.soundFrames) {
        soundEnded_ = true;
        return;
    }
    soundEnded_ = false;
    decoderDrained_ = false;
    dropBeforeFrame_ = std::max<int64_t>(position_ - index_.leadFrames, 0) + index_.skipFrames;
    feedFromRaw_ = index_.segments.warmStart(index_.segments.toRaw(dropBeforeFrame_));
    resampler_.stop();
    const auto& packets = index_.packets;
    auto after = std::upper_bound(packets.begin(), packets.end(), feedFromRaw_,
                                  [](int64_t r, const SoundPacket& e) { return r < e.rawStart; });
    const size_t k =
        after == packets.begin() ? 0 : static_cast<size_t>(after - packets.begin()) - 1;
    const size_t first = k > static_cast<size_t>(prerollPackets_) ? k - prerollPackets_ : 0;
    firstDecoded_ = first;
    nextRaw_ = packets[first].rawStart;
    fellBack_ = false;
    positionDemuxer(demuxFromStart_ ? 0 : first);
}

void SoundReader::positionDemuxer(size_t packet) {
    RenewSoundDecoder(decoder_, format_->streams[index_.sound.stream]);
    const SoundPacket& entry = index_.packets[packet];
    int result = -1;
    if (byteSeek_ && entry.pos >= 0) {
        result = av_seek_frame(format_, -1, entry.pos, AVSEEK_FLAG_BYTE);
    } else if (entry.pts != AV_NOPTS_VALUE) {
        result = av_seek_frame(format_, index_.sound.stream, entry.pts, AVSEEK_FLAG_BACKWARD);
    }
    if (result < 0 && packet != 0) {
        useful::Log("seek", "the demuxer cannot seek to packet %zu: reading from the start",
                    packet);
        positionDemuxer(0);
        fellBack_ = true;
        return;
    }
    nextPacket_ = packet;
    matching_ = true;
}

// After a seek: whether packet_ is the one the seek aimed at, by byte position (raw
// formats, whose timestamps after a byte seek are estimates) or by timestamp (indexed
// ones). Unreferences packet_ when it is not. Sets soundEnded_ when the file no longer
// matches its scan.
bool SoundReader::matchesSeekTarget() {
    const SoundPacket& want = index_.packets[nextPacket_];
    const int64_t pts = packetTime(packet_);
    if (byteSeek_ ? packet_->pos == want.pos : pts == want.pts) {
        matching_ = false;
        return true;
    }
    const bool before = byteSeek_ ? (packet_->pos >= 0 && packet_->pos < want.pos)
                                  : (pts != AV_NOPTS_VALUE && pts < want.pts);
    av_packet_unref(packet_);
    if (before) {
        return false;
    }
    if (!fellBack_ && nextPacket_ != 0) {
        // Landed past it: read from the start instead (slow but exact).
        useful::Log("seek", "landed past packet %zu: reading from the start", nextPacket_);
        fellBack_ = true;
        positionDemuxer(0);
        return false;
    }
    useful::Log("seek", "packet %zu is not where the scan found it: the sound ends here",
                nextPacket_);
    soundEnded_ = true;
    return false;
}

void SoundReader::drainDecoder() {
    if (decoderDrained_) {
        return;
    }
    decoderDrained_ = true;
    avcodec_send_packet(decoder_, nullptr);
    while (avcodec_receive_frame(decoder_, frame_) >= 0) {
        emitFrame(frame_, nextRaw_);
        av_frame_unref(frame_);
    }
    endResampling();
}

// Decodes until some sound is pending; false at the end of the sound.
bool SoundReader::decodeMore() {
    while (!soundEnded_) {
        if (av_read_frame(format_, packet_) < 0) {
            drainDecoder();
            return false;
        }
        if (packet_->stream_index != index_.sound.stream) {
            av_packet_unref(packet_);
            continue;
        }
        if (matching_ && !matchesSeekTarget()) {
            continue;
        }
        const size_t number = nextPacket_++;
        if (number < firstDecoded_) {
            av_packet_unref(packet_);  // before the warm-up: not decoded at all
            continue;
        }
        const auto& packets = index_.packets;
        const int64_t rawStart = number < packets.size() ? packets[number].rawStart : nextRaw_;
        const int sent = avcodec_send_packet(decoder_, packet_);
        av_packet_unref(packet_);
        if (sent < 0 && sent != AVERROR(EAGAIN)) {
            continue;  // a corrupt packet: its samples read as silence (gap filled below)
        }
        int64_t offset = 0;
        bool any = false;
        while (avcodec_receive_frame(decoder_, frame_) >= 0) {
            emitFrame(frame_, rawStart + offset);
            offset += frame_->nb_samples;
            av_frame_unref(frame_);
            any = true;
        }
        if (any || pending_.size() / 2 > pendingRead_) {
            return true;
        }
    }
    return false;
}

void SoundReader::emitFrame(const AVFrame* frame, int64_t rawStart) {
    const int64_t converted = converter_.convert(frame, index_.sampleRate, convert_);
    if (converted > 0) {
        ++framesDecoded_;
        appendRaw(convert_.data(), rawStart, converted, false);
    }
}

// `silence` places `count` frames of silence, counted where it can be (stereo then holds
// at least that many zeros, for segments that are resampled).
void SoundReader::appendRaw(const float* stereo, int64_t rawStart, int64_t count, bool silence) {
    if (rawStart > nextRaw_) {
        appendSilence(nextRaw_, rawStart - nextRaw_);  // a packet that did not decode
    }
    // From the warm start on; an overlap with what was already produced is dropped.
    const int64_t from = std::max({rawStart, nextRaw_, feedFromRaw_});
    if (rawStart + count > from) {
        placeRaw(stereo + 2 * (from - rawStart), from, rawStart + count - from, silence);
    }
    nextRaw_ = std::max(nextRaw_, rawStart + count);
}

// A hostile index can put the next packet hours later: the silence goes in bounded pieces,
// and on the timeline's own rate it is counted rather than stored (see placeSilence).
void SoundReader::appendSilence(int64_t rawStart, int64_t count) {
    constexpr int64_t kPiece = 4096;
    const std::vector<float> piece(static_cast<size_t>(2 * std::min(count, kPiece)), 0.0f);
    for (int64_t done = 0; done < count; done += kPiece) {
        appendRaw(piece.data(), rawStart + done, std::min(kPiece, count - done), true);
    }
}

// Raw samples onto the timeline, segment by segment: at the timeline's rate as they are,
// at another rate through the resampler.
void SoundReader::placeRaw(const float* stereo, int64_t raw, int64_t count, bool silence) {
    const RateSegments& segments = index_.segments;
    while (count > 0) {
        const RateSegment& segment = segments.segmentOf(raw);
        const int64_t n = segments.isLast(segment) ? count : std::min(count, segment.rawEnd - raw);
        if (segment.rate == index_.sampleRate) {
            endResampling();
            const int64_t frame = segment.frameStart + raw - segment.rawStart;
            silence ? placeSilence(frame, n) : placeFrames(stereo, frame, n);
        } else {
            if (resampler_.segment() != &segment) {
                endResampling();
                if (!resampler_.start(segment, index_.sampleRate, segments.toFrame(raw))) {
                    useful::Log("decode", "no resampler from %d Hz: that part reads as silence",
                                segment.rate);
                }
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

void SoundReader::resample(const RateSegment& segment, const float* stereo, int64_t count) {
    if (resampler_.segment() == &segment) {
        const int64_t frame = resampler_.convert(stereo, count, scratch_);
        placeFrames(scratch_.data(), frame, static_cast<int64_t>(scratch_.size() / 2));
    }
}

void SoundReader::endResampling() {
    if (resampler_.segment() != nullptr) {
        const int64_t frame = resampler_.finish(scratch_);
        placeFrames(scratch_.data(), frame, static_cast<int64_t>(scratch_.size() / 2));
    }
}

// The timeline keeps frames [skipFrames, skipFrames + soundFrames) from the seek target on.
void SoundReader::placeFrames(const float* stereo, int64_t frame, int64_t count) {
    const int64_t from = std::max({frame, dropBeforeFrame_, index_.skipFrames});
    const int64_t to = std::min(frame + count, index_.skipFrames + index_.soundFrames);
    if (to > from) {
        const float* begin = stereo + 2 * (from - frame);
        pending_.insert(pending_.end(), begin, begin + 2 * (to - from));
    }
}

// Silence with nothing unread before it is counted, not stored.
void SoundReader::placeSilence(int64_t frame, int64_t count) {
    const int64_t from = std::max({frame, dropBeforeFrame_, index_.skipFrames});
    const int64_t to = std::min(frame + count, index_.skipFrames + index_.soundFrames);
    if (to > from && pending_.size() / 2 == pendingRead_) {
        pendingSilence_ += to - from;
    } else if (to > from) {
        pending_.insert(pending_.end(), static_cast<size_t>(2 * (to - from)), 0.0f);
    }
}

// Up to `room` frames of what is pending; 0 when nothing is.
size_t SoundReader::readPending(float* stereo, size_t room) {
    if (pendingSilence_ > 0) {
        const size_t n = std::min(room, static_cast<size_t>(pendingSilence_));
        std::fill(stereo, stereo + 2 * n, 0.0f);
        pendingSilence_ -= static_cast<int64_t>(n);
        return n;
    }
    const size_t n = std::min(pending_.size() / 2 - pendingRead_, room);
    if (n == 0) {
        return 0;
    }
    std::memcpy(stereo, pending_.data() + 2 * pendingRead_, n * 2 * sizeof(float));
    pendingRead_ += n;
    if (pendingRead_ * 2 == pending_.size()) {
        pending_.clear();
        pendingRead_ = 0;
    }
    return n;
}

size_t SoundReader::read(float* stereo, size_t frames) {
    size_t done = 0;
    while (done < frames && position_ < index_.lengthFrames) {
        const size_t room =
            std::min<size_t>(frames - done, static_cast<size_t>(index_.lengthFrames - position_));
        size_t n = 0;
        if (position_ < index_.leadFrames) {
            // Sound that starts after the file's start: silence before it.
            n = std::min(room, static_cast<size_t>(index_.leadFrames - position_));
            std::fill(stereo + 2 * done, stereo + 2 * (done + n), 0.0f);
        } else if ((n = readPending(stereo + 2 * done, room)) == 0) {
            if (soundEnded_) {
                // No more sound (the end, a truncated file, a longer video): silence.
                n = room;
                std::fill(stereo + 2 * done, stereo + 2 * (done + n), 0.0f);
            } else if (!decodeMore()) {
                soundEnded_ = true;  // what the last decoding left is read first
            }
        }
        position_ += static_cast<int64_t>(n);
        done += n;
    }
    return done;
}

}  // namespace engine
