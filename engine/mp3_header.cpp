#include "engine/mp3_header.h"

#include <algorithm>
#include <cstring>

#include "engine/mpeg_frame_header.h"

namespace engine {
namespace {

// The decoder's own delay, which FFmpeg adds to the LAME tag's encoder delay.
constexpr int64_t kDecoderDelay = 529;
// The byte count may differ from the audio's size by about a frame (a final frame cut).
constexpr int64_t kByteSlack = 2 * 1441;

uint32_t bigEndian(std::span<const uint8_t> bytes, size_t at, size_t count) {
    uint32_t value = 0;
    for (size_t i = 0; i < count; ++i) {
        value = (value << 8) | bytes[at + i];
    }
    return value;
}

uint32_t littleEndian32(std::span<const uint8_t> bytes, size_t at) {
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
           (static_cast<uint32_t>(bytes[at + 3]) << 24);
}

bool startsWith(std::span<const uint8_t> bytes, size_t at, const char* text) {
    const size_t length = std::strlen(text);
    return at + length <= bytes.size() && std::memcmp(bytes.data() + at, text, length) == 0;
}

// Where a Xing or Info tag starts in a layer III frame: after the header and the side
// information.
size_t tagOffset(const MpegFrameHeader& header) {
    return 4 + (header.mpeg1 ? (header.mono ? 17 : 32) : (header.mono ? 9 : 17));
}

}  // namespace

int64_t Id3v2TagSize(std::span<const uint8_t> header) {
    if (header.size() < 10 || !startsWith(header, 0, "ID3")) {
        return 0;
    }
    const int64_t body = (header[6] & 0x7F) << 21 | (header[7] & 0x7F) << 14 |
                         (header[8] & 0x7F) << 7 | (header[9] & 0x7F);
    const bool footer = (header[5] & 0x10) != 0;
    return 10 + body + (footer ? 10 : 0);
}

int64_t TrailingTagsSize(std::span<const uint8_t> tail) {
    int64_t size = 0;
    if (tail.size() >= 128 && startsWith(tail, tail.size() - 128, "TAG")) {
        size += 128;
    }
    // An APE tag's footer: "APETAGEX", version, size of the items and footer, count, flags.
    const auto footer = static_cast<int64_t>(tail.size()) - size - 32;
    if (footer >= 0 && startsWith(tail, static_cast<size_t>(footer), "APETAGEX")) {
        const auto at = static_cast<size_t>(footer);
        const bool hasHeader = (littleEndian32(tail, at + 20) & 0x80000000u) != 0;
        size += littleEndian32(tail, at + 12) + (hasHeader ? 32 : 0);
    }
    return size;
}

std::optional<Mp3Header> ParseMp3Header(std::span<const uint8_t> frame, int64_t audioBytes) {
    const std::optional<MpegFrameHeader> layout = ParseMpegFrameHeader(frame);
    if (!layout || layout->layer != 3) {
        return std::nullopt;
    }
    size_t at = tagOffset(*layout);
    if (!startsWith(frame, at, "Xing") && !startsWith(frame, at, "Info")) {
        return std::nullopt;
    }
    constexpr uint32_t kFrames = 1, kBytes = 2, kToc = 4, kQuality = 8;
    if (at + 8 > frame.size()) {
        return std::nullopt;
    }
    const uint32_t flags = bigEndian(frame, at + 4, 4);
    if ((flags & kFrames) == 0 || (flags & kBytes) == 0) {
        return std::nullopt;
    }
    at += 8;
    const size_t tagEnd =
        at + 8 + ((flags & kToc) != 0 ? 100 : 0) + ((flags & kQuality) != 0 ? 4 : 0) + 24;
    if (tagEnd > frame.size()) {
        return std::nullopt;
    }
    const int64_t frames = bigEndian(frame, at, 4);
    const int64_t bytes = bigEndian(frame, at + 4, 4);
    at = tagEnd - 24;  // the LAME tag: encoder version, then delay and padding at 21
    const bool knownEncoder = startsWith(frame, at, "LAME") || startsWith(frame, at, "Lavf") ||
                              startsWith(frame, at, "Lavc");
    if (!knownEncoder || frames == 0 || bytes < audioBytes - kByteSlack ||
        bytes > audioBytes + kByteSlack) {
        return std::nullopt;
    }
    const uint32_t delays = bigEndian(frame, at + 21, 3);
    Mp3Header header;
    header.sampleRate = layout->sampleRate;
    header.rawSamples = frames * layout->samplesPerFrame;
    header.skipSamples = (delays >> 12) + kDecoderDelay;
    // Padding shorter than the decoder's delay: the sound's end lies beyond the last frame.
    const int64_t endSamples = std::max<int64_t>(delays & 0xFFF, kDecoderDelay) - kDecoderDelay;
    header.soundSamples = header.rawSamples - header.skipSamples - endSamples;
    if (header.soundSamples <= 0) {
        return std::nullopt;
    }
    return header;
}

}  // namespace engine
