#pragma once
// The header of an MPEG audio frame (layers I to III, MPEG-1, 2 and 2.5): the one reading of
// its bits that the packet counts, the mp3 header and the mp3 length estimate share.
//
// Pure parsing.

#include <cstdint>
#include <optional>
#include <span>

namespace engine {

struct MpegFrameHeader {
    bool mpeg1 = false;  // else MPEG-2 or 2.5
    int layer = 0;       // 1, 2 or 3
    bool mono = false;
    int sampleRate = 0;
    int samplesPerFrame = 0;
    int bytes = 0;  // the whole frame's, layer III only; 0 where the bitrate does not say
};

// Nothing where `bytes` does not start with a frame header.
std::optional<MpegFrameHeader> ParseMpegFrameHeader(std::span<const uint8_t> bytes);

}  // namespace engine
