#include "engine/mp3_estimate.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <vector>

namespace engine {
namespace {

// Spread samples: 1 MB read, asked of the disk at once so that a cold open waits for one
// round of reads rather than many in turn. Many small samples follow a file whose bitrate
// changes part by part (a quiet intro, files joined) better than a few large ones.
constexpr int kSamples = 64;
constexpr size_t kSampleBytes = 16 * 1024;
constexpr int kChained = 4;

struct FrameHeader {
    int sampleRate = 0;
    int samplesPerFrame = 0;
    int bytes = 0;
};

// A layer III frame header at `at`, with the frame's size.
std::optional<FrameHeader> frameHeaderAt(std::span<const uint8_t> bytes, size_t at) {
    if (at + 4 > bytes.size() || bytes[at] != 0xFF || (bytes[at + 1] & 0xE0) != 0xE0) {
        return std::nullopt;
    }
    const int version = (bytes[at + 1] >> 3) & 3;  // 0: 2.5, 2: 2, 3: 1
    const int layer = (bytes[at + 1] >> 1) & 3;    // 1: III
    const int bitrateIndex = bytes[at + 2] >> 4;
    const int rateIndex = (bytes[at + 2] >> 2) & 3;
    if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) {
        return std::nullopt;
    }
    constexpr std::array<int, 15> kMpeg1Kbps = {0,   32,  40,  48,  56,  64,  80, 96,
                                                112, 128, 160, 192, 224, 256, 320};
    constexpr std::array<int, 15> kMpeg2Kbps = {0,  8,  16, 24,  32,  40,  48, 56,
                                                64, 80, 96, 112, 128, 144, 160};
    constexpr std::array<int, 3> kRates = {44100, 48000, 32000};
    const bool mpeg1 = version == 3;
    const int rate = kRates[rateIndex] / (mpeg1 ? 1 : (version == 2 ? 2 : 4));
    const int kbps = (mpeg1 ? kMpeg1Kbps : kMpeg2Kbps)[bitrateIndex];
    const int padding = (bytes[at + 2] >> 1) & 1;
    return FrameHeader{rate, mpeg1 ? 1152 : 576, (mpeg1 ? 144 : 72) * kbps * 1000 / rate + padding};
}

// Whole frames from `at` on, hopping header to header while they agree on the rate.
Mp3FrameSample framesFrom(std::span<const uint8_t> bytes, size_t at) {
    Mp3FrameSample sample;
    while (const auto header = frameHeaderAt(bytes, at)) {
        if ((sample.frames > 0 && header->sampleRate != sample.sampleRate) ||
            at + static_cast<size_t>(header->bytes) > bytes.size()) {
            break;
        }
        sample.sampleRate = header->sampleRate;
        sample.samplesPerFrame = header->samplesPerFrame;
        ++sample.frames;
        sample.bytes += header->bytes;
        at += static_cast<size_t>(header->bytes);
    }
    return sample;
}

std::vector<uint8_t> readAt(int file, int64_t offset, size_t count) {
    std::vector<uint8_t> bytes(count);
    const ssize_t got = pread(file, bytes.data(), count, offset);
    bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return bytes;
}

}  // namespace

Mp3FrameSample SampleMp3Frames(std::span<const uint8_t> bytes) {
    for (size_t at = 0; at + 4 <= bytes.size(); ++at) {
        const Mp3FrameSample sample = framesFrom(bytes, at);
        if (sample.frames >= kChained) {
            return sample;
        }
    }
    return {};
}

std::optional<Mp3Estimate> EstimateMp3Samples(const std::string& path, int64_t audioStart,
                                              int64_t audioEnd) {
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return std::nullopt;
    }
    const int64_t span = audioEnd - audioStart;
    // Samples side by side, never overlapping: a small file is read whole.
    const int64_t step = std::max<int64_t>(span / kSamples, kSampleBytes);
    for (int64_t at = audioStart; at < audioEnd; at += step) {
        posix_fadvise(file, at, static_cast<off_t>(kSampleBytes), POSIX_FADV_WILLNEED);
    }
    Mp3FrameSample total;
    bool agree = true;
    for (int64_t at = audioStart; at < audioEnd && agree; at += step) {
        const auto length = static_cast<size_t>(std::min<int64_t>(kSampleBytes, audioEnd - at));
        const Mp3FrameSample sample = SampleMp3Frames(readAt(file, at, length));
        agree = total.frames == 0 || sample.frames == 0 ||
                (sample.sampleRate == total.sampleRate &&
                 sample.samplesPerFrame == total.samplesPerFrame);
        if (sample.frames > 0) {
            total = {sample.sampleRate, sample.samplesPerFrame, total.frames + sample.frames,
                     total.bytes + sample.bytes};
        }
    }
    ::close(file);
    if (!agree || total.frames == 0) {
        return std::nullopt;
    }
    // Frames in the whole audio at the mean size seen.
    const auto frames = std::llround(static_cast<double>(span) * static_cast<double>(total.frames) /
                                     static_cast<double>(total.bytes));
    return Mp3Estimate{total.sampleRate, frames * total.samplesPerFrame};
}

}  // namespace engine
