#pragma once
// The length an mp3 states in its first frame: a Xing or Info header's frame count with the
// encoder delay and padding of its LAME tag (as LAME and FFmpeg write them). The statement
// is taken only where it describes the whole file: its byte count must match the audio
// between the leading ID3v2 tags and the trailing ID3v1 and APE tags, which a file joined
// from two (whose first header speaks of the first part only) does not.
//
// Pure parsing of bytes read by the caller.

#include <cstdint>
#include <optional>
#include <span>

namespace engine {

struct Mp3Header {
    int sampleRate = 0;
    int64_t rawSamples = 0;    // decoded samples of the frames after the header frame
    int64_t skipSamples = 0;   // encoder delay and the decoder's own delay
    int64_t soundSamples = 0;  // rawSamples less the delays and the padding
};

// Bytes an ID3v2 tag takes, from its first 10; 0 where they start no tag. The first frame
// follows the leading tags.
int64_t Id3v2TagSize(std::span<const uint8_t> header);

// Bytes the trailing ID3v1 and APE tags take, from the file's last `tail` bytes.
int64_t TrailingTagsSize(std::span<const uint8_t> tail);

// `frame` starts at the first frame; `audioBytes` is the size between the tags.
std::optional<Mp3Header> ParseMp3Header(std::span<const uint8_t> frame, int64_t audioBytes);

}  // namespace engine
