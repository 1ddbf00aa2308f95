#pragma once
// What the scan at open learns of a file, once: the exact length (encoder delay and padding
// removed, as FFmpeg's skip-samples side data says), the length of its real video, where
// the timeline starts, and an index of every sound packet (file position, timestamp, first
// sample). A packet's sample count comes from the codec (see packet_samples.h), never from a
// rounded container clock; a decoder counts the first and last packets, and any the codec
// cannot size. MP4, MOV and AVI with an index give the sound's index from their container
// index, without reading the data.
//
// Every stream sits on one timeline: frame 0 is where the earliest stream (sound or real
// video) starts, so sound that starts after the pictures starts that much later, and
// pictures that start after the sound show that much later.
//
// Threads: built on the UI thread during open; immutable afterwards (the reader thread and
// the picture's decoder read it).

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/rate_segments.h"
#include "engine/sound_decoder.h"

namespace engine {

class MediaInput;

struct SoundPacket {
    int64_t pos;       // byte position in the file (-1 unknown)
    int64_t pts;       // in the stream's time base (AV_NOPTS_VALUE unknown)
    int64_t rawStart;  // first raw (undelayed) sample of this packet
};

struct SoundIndex {
    SoundStream sound;         // no stream: the file plays silence
    int sampleRate = 48000;    // the timeline's: the sound's highest (48 kHz for silence)
    int64_t lengthFrames = 0;  // the longest stream
    int64_t soundFrames = 0;   // decoded sound, delay and padding removed
    int64_t leadFrames = 0;    // silence on the timeline before the sound starts
    int64_t skipFrames = 0;    // codec delay: decoded frames before the timeline's
    int64_t videoFrames = 0;   // the longest real video stream, from the timeline's start
    // The file's time at timeline frame 0, in 1/sampleRate units of the streams' clock.
    int64_t originFrames = 0;
    std::vector<SoundPacket> packets;
    RateSegments segments;  // raw samples to timeline frames

    bool hasSound() const { return sound.stream >= 0; }
    // The same file read as a silent video (its sound turned out not to decode).
    SoundIndex withoutSound() const;
};

// Scans `input` for `sound` (no stream: none) and the real video streams.
// Nothing when the scan stalled past the input's deadline or was interrupted, or when the
// file's times or counts overflow the arithmetic (a damaged or hostile file). Leaves every
// stream but the sound discarded in `input`, positioned anywhere.
std::optional<SoundIndex> ScanFile(MediaInput& input, const SoundStream& sound);

}  // namespace engine
