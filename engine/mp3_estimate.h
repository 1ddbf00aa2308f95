#pragma once
// The length of an mp3 that states none (no Xing or Info header: a VBR file from an encoder
// that wrote none), estimated at open from a few spread samples of its frames: the audio's
// bytes over the mean frame size seen, in frames. The full scan in the background then gives
// the exact length. The error is that of the sampled mean: small where the bitrate's swings
// average out over the samples (see EstimateMp3Samples).
//
// Parsing of bytes, and the reading of the samples from a file the caller opened.

#include <cstdint>
#include <optional>
#include <span>

#include "engine/file_bytes.h"

namespace engine {

// Whole layer III frames found chained in a sample of the audio.
struct Mp3FrameSample {
    int sampleRate = 0;
    int samplesPerFrame = 0;
    int64_t frames = 0;
    int64_t bytes = 0;
};

// The frames of `bytes` from the first place where four frame headers follow one another, as
// far as whole frames go; no frames where none chain.
Mp3FrameSample SampleMp3Frames(std::span<const uint8_t> bytes);

struct Mp3Estimate {
    int sampleRate = 0;
    int64_t samples = 0;  // decoded samples, decoder delay included
};

// Reads spread windows of the audio (1 MB in all) between `audioStart` and `audioEnd` (the file's
// tags excluded); nothing where the samples disagree on the rate or find no frames.
std::optional<Mp3Estimate> EstimateMp3Samples(const FileBytes& file, int64_t audioStart,
                                              int64_t audioEnd);

}  // namespace engine
