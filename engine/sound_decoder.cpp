#include "engine/sound_decoder.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include "util/log.h"

namespace engine {

SoundStream FindSoundStream(const AVFormatContext* format) {
    const AVCodec* codec = nullptr;
    const int best = av_find_best_stream(const_cast<AVFormatContext*>(format), AVMEDIA_TYPE_AUDIO,
                                         -1, -1, &codec, 0);
    if (best >= 0) {
        return {best, codec};
    }
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVCodecParameters* parameters = format->streams[i]->codecpar;
        codec = avcodec_find_decoder(parameters->codec_id);
        if (parameters->codec_type == AVMEDIA_TYPE_AUDIO && codec != nullptr) {
            return {static_cast<int>(i), codec};
        }
    }
    return {};
}

AVCodecContext* OpenSoundDecoder(const AVStream* stream, const AVCodec* codec) {
    AVCodecContext* decoder = codec != nullptr ? avcodec_alloc_context3(codec) : nullptr;
    if (decoder == nullptr || avcodec_parameters_to_context(decoder, stream->codecpar) < 0) {
        avcodec_free_context(&decoder);
        return nullptr;
    }
    decoder->codec_id = codec->id;  // the stream may have restated its codec since open
    decoder->pkt_timebase = stream->time_base;
    decoder->flags2 |= AV_CODEC_FLAG2_SKIP_MANUAL;
    if (avcodec_open2(decoder, codec, nullptr) < 0) {
        useful::Log("decode", "the %s decoder does not start", codec->name);
        avcodec_free_context(&decoder);
    }
    return decoder;
}

void RenewSoundDecoder(AVCodecContext*& decoder, const AVStream* stream) {
    AVCodecContext* fresh = OpenSoundDecoder(stream, decoder->codec);
    if (fresh == nullptr) {
        avcodec_flush_buffers(decoder);
        return;
    }
    avcodec_free_context(&decoder);
    decoder = fresh;
}

DecodedCount DecodeAndCount(AVCodecContext* decoder, const AVPacket* packet, AVFrame* frame) {
    DecodedCount count;
    if (avcodec_send_packet(decoder, packet) >= 0) {
        while (avcodec_receive_frame(decoder, frame) >= 0) {
            count.samples += frame->nb_samples;
            count.rate = frame->sample_rate;
            av_frame_unref(frame);
        }
    }
    return count;
}

}  // namespace engine
