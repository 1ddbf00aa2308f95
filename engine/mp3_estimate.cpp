#include "engine/mp3_estimate.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/mpeg_frame_header.h"

namespace engine {
namespace {

// Spread samples: 1 MB read, asked of the disk at once so that a cold open waits for one
// round of reads rather than many in turn. Many small samples follow a file whose bitrate
// changes part by part (a quiet intro, files joined) better than a few large ones.
constexpr int kSamples = 64;
constexpr size_t kSampleBytes = 16 * 1024;
constexpr int kChained = 4;

// Whole frames from `at` on, hopping header to header while they agree on the rate.
Mp3FrameSample framesFrom(std::span<const uint8_t> bytes, size_t at) {
    Mp3FrameSample sample;
    while (const auto header = ParseMpegFrameHeader(bytes.subspan(std::min(at, bytes.size())))) {
        if (header->layer != 3 || header->bytes == 0 ||
            (sample.frames > 0 && header->sampleRate != sample.sampleRate) ||
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

std::optional<Mp3Estimate> EstimateMp3Samples(const FileBytes& file, int64_t audioStart,
                                              int64_t audioEnd) {
    const int64_t span = audioEnd - audioStart;
    // Samples side by side, never overlapping: a small file is read whole.
    const int64_t step = std::max<int64_t>(span / kSamples, kSampleBytes);
    for (int64_t at = audioStart; at < audioEnd; at += step) {
        file.prefetch(at, kSampleBytes);
    }
    Mp3FrameSample total;
    bool agree = true;
    for (int64_t at = audioStart; at < audioEnd && agree; at += step) {
        const auto length = static_cast<size_t>(std::min<int64_t>(kSampleBytes, audioEnd - at));
        const Mp3FrameSample sample = SampleMp3Frames(file.read(at, length));
        agree = total.frames == 0 || sample.frames == 0 ||
                (sample.sampleRate == total.sampleRate &&
                 sample.samplesPerFrame == total.samplesPerFrame);
        if (sample.frames > 0) {
            total = {sample.sampleRate, sample.samplesPerFrame, total.frames + sample.frames,
                     total.bytes + sample.bytes};
        }
    }
    if (!agree || total.frames == 0) {
        return std::nullopt;
    }
    // Frames in the whole audio at the mean size seen.
    const auto frames = std::llround(static_cast<double>(span) * static_cast<double>(total.frames) /
                                     static_cast<double>(total.bytes));
    return Mp3Estimate{total.sampleRate, frames * total.samplesPerFrame};
}

}  // namespace engine
