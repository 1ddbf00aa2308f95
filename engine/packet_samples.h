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

// Samples the codec fixes for this packet at `sampleRate`: PCM from its size, MPEG audio
// from its frame header (-1 for a frame at another rate), a fixed frame size where the
// container's (rounded) duration agrees with it. -1 when the codec alone cannot say.
int64_t codecSamples(const AVPacket& packet, const AVCodecParameters& codec, AVRational timeBase,
                     int sampleRate);

// The container's duration in samples when its clock can state it exactly (its tick
// divides a sample period, as in MP4 at the sound's own rate, Ogg, WAV); else -1.
int64_t exactContainerSamples(const AVPacket& packet, AVRational timeBase, int sampleRate);

}  // namespace engine
