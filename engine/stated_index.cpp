#include "engine/stated_index.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <array>
#include <string_view>
#include <vector>

#include "engine/file_bytes.h"
#include "engine/media_input.h"
#include "engine/mp3_estimate.h"
#include "engine/mp3_header.h"

namespace engine {
namespace {

// Enough for a Xing or Info frame with its LAME tag, and for the trailing tags' footers.
constexpr size_t kFrameBytes = 2048;
constexpr size_t kTailBytes = 160;
// Packets of other streams (cover art) read before the first sound packet, at the most.
constexpr int kPacketsToFirstSound = 64;

// Where an mp3's audio lies: after its leading ID3v2 tags, before its trailing tags.
struct AudioSpan {
    int64_t start = 0;
    int64_t end = 0;
};

std::optional<AudioSpan> mp3AudioSpan(const FileBytes& file) {
    const int64_t size = file.size();
    int64_t start = 0;
    while (start >= 0 && start < size) {
        const int64_t tag = Id3v2TagSize(file.read(start, 10));
        if (tag == 0) {
            break;
        }
        start += tag;
    }
    if (size <= 0 || start >= size) {
        return std::nullopt;
    }
    const int64_t tailAt = std::max(start, size - static_cast<int64_t>(kTailBytes));
    const int64_t tags = TrailingTagsSize(file.read(tailAt, static_cast<size_t>(size - tailAt)));
    return AudioSpan{start, size - tags};
}

std::optional<Mp3Header> readMp3Header(const std::string& path) {
    const FileBytes file(path);
    const std::optional<AudioSpan> audio = mp3AudioSpan(file);
    return audio ? ParseMp3Header(file.read(audio->start, kFrameBytes), audio->end - audio->start)
                 : std::nullopt;
}

struct StatedSound {
    int sampleRate = 0;
    int64_t rawSamples = 0;
    int64_t skipSamples = 0;
    int64_t soundSamples = 0;
};

// The first sound packet: where the reader starts.
std::optional<SoundPacket> firstSoundPacket(AVFormatContext* format, int stream) {
    AVPacket* packet = av_packet_alloc();
    std::optional<SoundPacket> first;
    for (int i = 0; packet != nullptr && i < kPacketsToFirstSound && !first; ++i) {
        if (av_read_frame(format, packet) < 0) {
            break;
        }
        if (packet->stream_index == stream && packet->pos >= 0) {
            first = SoundPacket{packet->pos, packet->pts, 0};
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    return first;
}

// What an mp3's Xing or Info header states; nothing where it states no exact length.
std::optional<StatedSound> mp3Sound(const AVStream* stream, const std::string& path) {
    const std::optional<Mp3Header> header = readMp3Header(path);
    // FFmpeg trims the padding only where it trusts the frame count too, and its duration
    // then is that count's: otherwise the scan's length is another.
    if (!header || header->sampleRate != stream->codecpar->sample_rate ||
        av_rescale_q(stream->duration, stream->time_base, {1, header->sampleRate}) !=
            header->rawSamples) {
        return std::nullopt;
    }
    return StatedSound{header->sampleRate, header->rawSamples, header->skipSamples,
                       header->soundSamples};
}

// What an ASF file (WMA) states: its play duration less the preroll, which FFmpeg gives as
// the stream's duration in milliseconds. The codec records no delay: every decoded sample
// counts, and the millisecond rounds the length by less than a millisecond's samples.
std::optional<StatedSound> asfSound(const AVStream* stream) {
    const int rate = stream->codecpar->sample_rate;
    if (rate <= 0 || stream->duration <= 0 || stream->start_time != 0) {
        return std::nullopt;
    }
    const int64_t samples = av_rescale_q(stream->duration, stream->time_base, {1, rate});
    return StatedSound{rate, samples, 0, samples};
}

// A WMV's play duration covers its pictures too: every stream of the file is timed from the
// end of the preroll, the sound from its very start (asfSound), the pictures no earlier.
bool picturesWithinPlayDuration(const AVFormatContext* format) {
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        if (IsRealVideo(stream) &&
            (stream->start_time == AV_NOPTS_VALUE || stream->start_time < 0 ||
             stream->start_time >= stream->duration)) {
            return false;
        }
    }
    return true;
}

// An estimate for a sound-only file that states no exact length: an mp3's from samples of
// its frames (FFmpeg's own takes the first frame's bitrate, which a VBR file's swings make
// minutes wrong in an hour), any other's from the container's duration.
std::optional<StatedSound> estimatedSound(const AVFormatContext* format, const AVStream* stream,
                                          const std::string& path) {
    if (std::string_view(format->iformat->name) == "mp3") {
        const FileBytes file(path);
        const std::optional<AudioSpan> audio = mp3AudioSpan(file);
        const std::optional<Mp3Estimate> estimate =
            audio ? EstimateMp3Samples(file, audio->start, audio->end) : std::nullopt;
        if (!estimate || estimate->sampleRate != stream->codecpar->sample_rate) {
            return std::nullopt;
        }
        return StatedSound{estimate->sampleRate, estimate->samples, 0, estimate->samples};
    }
    const int rate = stream->codecpar->sample_rate;
    const int64_t duration =
        stream->duration > 0 ? av_rescale_q(stream->duration, stream->time_base, {1, rate})
        : format->duration > 0
            ? av_rescale_q(format->duration, AVRational{1, AV_TIME_BASE}, {1, rate})
            : 0;
    if (rate <= 0 || duration <= 0) {
        return std::nullopt;
    }
    return StatedSound{rate, duration, 0, duration};
}

// An index that plays the file from its start on what it states, and discards every other
// stream of `format` (the picture's decoder has its own input).
std::optional<SoundIndex> indexFrom(AVFormatContext* format, const SoundStream& sound,
                                    const std::optional<StatedSound>& stated) {
    const std::optional<SoundPacket> first =
        stated ? firstSoundPacket(format, sound.stream) : std::nullopt;
    if (!first) {
        return std::nullopt;
    }
    SoundIndex index;
    index.sound = sound;
    index.sampleRate = stated->sampleRate;
    index.soundFrames = stated->soundSamples;
    index.lengthFrames = stated->soundSamples;
    index.skipFrames = stated->skipSamples;
    index.packets = {*first};
    index.videoFrames = PictureStream(format) >= 0 ? index.lengthFrames : 0;
    index.segments.append(stated->rawSamples, stated->sampleRate);
    index.segments.place();
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (static_cast<int>(i) != sound.stream) {
            format->streams[i]->discard = AVDISCARD_ALL;
        }
    }
    return index;
}

}  // namespace

std::optional<SoundIndex> StatedIndex(MediaInput& input, const SoundStream& sound,
                                      const std::string& path) {
    AVFormatContext* format = input.format();
    if (sound.stream < 0) {
        return std::nullopt;
    }
    const AVStream* stream = format->streams[sound.stream];
    const std::string_view name = format->iformat->name;
    const bool pictures = PictureStream(format) >= 0;
    const std::optional<StatedSound> stated = name == "mp3" && !pictures ? mp3Sound(stream, path)
                                              : name == "asf" && picturesWithinPlayDuration(format)
                                                  ? asfSound(stream)
                                                  : std::nullopt;
    return indexFrom(format, sound, stated);
}

std::optional<SoundIndex> EstimatedIndex(MediaInput& input, const SoundStream& sound,
                                         const std::string& path) {
    AVFormatContext* format = input.format();
    if (sound.stream < 0 || PictureStream(format) >= 0) {
        return std::nullopt;
    }
    return indexFrom(format, sound, estimatedSound(format, format->streams[sound.stream], path));
}

}  // namespace engine
