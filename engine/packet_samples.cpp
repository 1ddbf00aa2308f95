#include "engine/packet_samples.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>
#include <cstdlib>

#include "engine/mpeg_frame_header.h"
#include "util/checked_arithmetic.h"

namespace engine {
namespace {

bool isMpegAudio(AVCodecID id) {
    return id == AV_CODEC_ID_MP1 || id == AV_CODEC_ID_MP2 || id == AV_CODEC_ID_MP3;
}

int64_t exactContainerSamples(const AVPacket& packet, AVRational timeBase, int sampleRate) {
    const int64_t ticksPerSample = static_cast<int64_t>(timeBase.num) * sampleRate;
    if (packet.duration <= 0 || ticksPerSample <= 0 || timeBase.den % ticksPerSample != 0) {
        return -1;
    }
    return useful::CheckedMultiply64(packet.duration, ticksPerSample) / timeBase.den;
}

int64_t fixedSamples(const AVPacket& packet, const AVCodecParameters& codec, AVRational timeBase,
                     int sampleRate) {
    if (av_get_exact_bits_per_sample(codec.codec_id) > 0) {
        const int samples =
            av_get_audio_frame_duration2(const_cast<AVCodecParameters*>(&codec), packet.size);
        return samples > 0 ? samples : -1;
    }
    if (codec.frame_size <= 0 || packet.duration <= 0 || timeBase.den <= 0) {
        return -1;
    }
    // The rounded duration agrees with one frame when it is off by less than one tick.
    const double stated =
        static_cast<double>(packet.duration) * timeBase.num * sampleRate / timeBase.den;
    const double tick = static_cast<double>(timeBase.num) * sampleRate / timeBase.den;
    return std::abs(stated - codec.frame_size) < tick + 0.5 ? codec.frame_size : -1;
}

}  // namespace

PacketSamples packetSamples(const AVPacket& packet, const AVCodecParameters& codec,
                            AVRational timeBase, int sampleRate) {
    if (isMpegAudio(codec.codec_id)) {
        const auto frame =
            ParseMpegFrameHeader({packet.data, static_cast<size_t>(std::max(packet.size, 0))});
        return frame ? PacketSamples{frame->samplesPerFrame, frame->sampleRate} : PacketSamples{};
    }
    int64_t count = fixedSamples(packet, codec, timeBase, sampleRate);
    if (count < 0) {
        count = exactContainerSamples(packet, timeBase, sampleRate);
    }
    return count >= 0 ? PacketSamples{count, sampleRate} : PacketSamples{};
}

int PrerollPackets(const AVCodecParameters& codec) {
    switch (codec.codec_id) {
        case AV_CODEC_ID_MP3:
        case AV_CODEC_ID_MP2:
        case AV_CODEC_ID_MP1:
            // Bit reservoir and overlap: several frames of warm-up. Below 32 kHz (MPEG-2 and
            // 2.5) a quiet frame holds a few bytes of its own, and the reservoir's 255 bytes
            // reach back over dozens of them.
            return codec.sample_rate < 32000 ? 64 : 10;
        case AV_CODEC_ID_OPUS:
            return 40;  // its decoder state takes long to match straight decoding
        case AV_CODEC_ID_PCM_S16LE:
        case AV_CODEC_ID_PCM_S24LE:
        case AV_CODEC_ID_PCM_S32LE:
        case AV_CODEC_ID_PCM_F32LE:
        case AV_CODEC_ID_PCM_U8:
            return 0;
        default:
            return 4;
    }
}

}  // namespace engine
