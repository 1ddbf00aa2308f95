#pragma once
// The sound stream of a file and fresh decoders for it. Decoders are opened to leave
// encoder delay and padding in the output: the scan counts them and the reader trims them
// itself, so that seeks and straight decoding share one timeline.
//
// Threads: whichever thread owns the file's MediaInput.

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstdint>

struct AVFormatContext;
struct AVStream;

namespace engine {

struct SoundStream {
    int stream = -1;
    // Chosen once, at open: reading may restate the stream's codec (an MPEG parser naming
    // layer II what the program table called layer III), and every decoder of the file must
    // be the same one for seeks to match straight decoding.
    const AVCodec* codec = nullptr;
};

// The stream a deck plays: FFmpeg's best, or else the first one a container announces whose
// first packet lies beyond the probe (an MPEG program table). No stream when none has a
// decoder.
SoundStream FindSoundStream(const AVFormatContext* format);

// A decoder of `codec` for `stream`, opened; nullptr when it cannot be. A stream found
// beyond the probe has no sample rate yet: its first decoded frame gives it.
AVCodecContext* OpenSoundDecoder(const AVStream* stream, const AVCodec* codec);

// A fresh decoder in place of `decoder` (some, such as WMA, keep overlap from before a
// flush, and a seek must give the samples of straight decoding); flushed when none opens.
void RenewSoundDecoder(AVCodecContext*& decoder, const AVStream* stream);

struct DecodedCount {
    int64_t samples = 0;
    int rate = 0;  // of the last frame; 0 when nothing decoded or the stream states none
};
// Decodes `packet` (nullptr drains) and counts what comes out; `frame` is scratch.
DecodedCount DecodeAndCount(AVCodecContext* decoder, const AVPacket* packet, AVFrame* frame);

}  // namespace engine
