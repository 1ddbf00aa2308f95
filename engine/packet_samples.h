#pragma once
// How many samples a sound packet holds, from what the codec fixes rather than from the
// container's clock. A container that counts in milliseconds (ASF, Matroska, FLV) or at
// 90 kHz (MPEG) rounds a packet's duration; at rates that divide its clock the rounded
// value still looks whole, so "the duration is a whole number of samples" proves nothing.
//
// Pure functions over FFmpeg structures; called by the source's scan at open.

#include <cstdint>

struct AVPacket;
struct AVCodecParameters;
struct AVRational;

namespace engine {

struct PacketSamples {
    int64_t count = -1;  // -1: only the decoder can say
    int rate = 0;        // the rate they play at
};

// The samples a packet holds, where they are known without decoding: PCM from its size;
// MPEG audio from its frame header, at the frame's own rate (a rate can change inside a
// file; a packet with no header, such as a tag between joined files, holds what the decoder
// says); a fixed frame size where the container's (rounded) duration agrees with it; else
// the container's duration where its tick divides a sample period at `sampleRate` (MP4 at
// the sound's own rate, Ogg, WAV).
PacketSamples packetSamples(const AVPacket& packet, const AVCodecParameters& codec,
                            AVRational timeBase, int sampleRate);

// How many packets before a seek target a decoder needs to warm up so that its output from
// the target on equals straight decoding.
int PrerollPackets(const AVCodecParameters& codec);

}  // namespace engine
