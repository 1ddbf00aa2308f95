#include "engine/mpeg_frame_header.h"

#include <array>

namespace engine {
namespace {

// Layer III bitrates in kbit/s by index; 0 and 15 (free format, forbidden) state none.
constexpr std::array<int, 16> kMpeg1LayerThreeKbps = {0,   32,  40,  48,  56,  64,  80,  96,
                                                      112, 128, 160, 192, 224, 256, 320, 0};
constexpr std::array<int, 16> kMpeg2LayerThreeKbps = {0,  8,  16, 24,  32,  40,  48,  56,
                                                      64, 80, 96, 112, 128, 144, 160, 0};

}  // namespace

std::optional<MpegFrameHeader> ParseMpegFrameHeader(std::span<const uint8_t> bytes) {
    if (bytes.size() < 4 || bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0) {
        return std::nullopt;
    }
    const int version = (bytes[1] >> 3) & 3;    // 0: 2.5, 2: 2, 3: 1
    const int layerBits = (bytes[1] >> 1) & 3;  // 1: III, 2: II, 3: I
    const int rateIndex = (bytes[2] >> 2) & 3;
    if (version == 1 || layerBits == 0 || rateIndex == 3) {
        return std::nullopt;
    }
    constexpr std::array<int, 3> kRates = {44100, 48000, 32000};
    MpegFrameHeader header;
    header.mpeg1 = version == 3;
    header.layer = 4 - layerBits;
    header.mono = (bytes[3] >> 6) == 3;
    header.sampleRate = kRates[rateIndex] / (header.mpeg1 ? 1 : (version == 2 ? 2 : 4));
    header.samplesPerFrame =
        header.layer == 1 ? 384 : (header.layer == 2 || header.mpeg1 ? 1152 : 576);
    if (header.layer == 3) {
        const int kbps =
            (header.mpeg1 ? kMpeg1LayerThreeKbps : kMpeg2LayerThreeKbps)[bytes[2] >> 4];
        const int padding = (bytes[2] >> 1) & 1;
        header.bytes =
            kbps > 0 ? (header.mpeg1 ? 144 : 72) * kbps * 1000 / header.sampleRate + padding : 0;
    }
    return header;
}

}  // namespace engine
