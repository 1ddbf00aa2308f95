// Seek accuracy: samples after a seek against the same samples decoded straight through,
// for mp3 CBR, VBR with and without a header, and AAC (5-minute files, random targets).

#include <cstdio>
#include <random>
#include <vector>

#include "bench_media.h"
#include "engine/ffmpeg_source.h"

int main() {
    using Clock = std::chrono::steady_clock;
    for (const auto& [label, path] : {std::pair{"mp3 CBR", bench::songMp3Cbr()},
                                      std::pair{"mp3 VBR (Xing)", bench::songMp3Vbr()},
                                      std::pair{"mp3 VBR, no header", bench::songMp3Bare()},
                                      std::pair{"AAC (m4a), PNS", bench::songAac()},
                                      std::pair{"AAC (m4a), no PNS", bench::songAacNoPns()}}) {
        engine::OpenError error;
        auto source = engine::FfmpegSource::open(path, error);
        if (!source) {
            std::printf("%s: does not open\n", label);
            continue;
        }
        std::vector<float> straight;
        std::vector<float> buffer(2 * 4096);
        while (size_t n = source->read(buffer.data(), 4096)) {
            straight.insert(straight.end(), buffer.begin(),
                            buffer.begin() + static_cast<long>(2 * n));
        }
        std::mt19937 random(1);
        const int64_t length = source->lengthFrames();
        int identical = 0, seeks = 0;
        int64_t worstFrames = 0;
        std::vector<double> seekMs;
        for (; seeks < 200; ++seeks) {
            const int64_t target = std::uniform_int_distribution<int64_t>(0, length - 4096)(random);
            const auto start = Clock::now();
            source->seek(target);
            const size_t n = source->read(buffer.data(), 4096);
            seekMs.push_back(bench::seconds(Clock::now() - start) * 1000);
            int64_t differing = 0;
            for (size_t i = 0; i < 2 * n; ++i) {
                differing += buffer[i] != straight[static_cast<size_t>(2 * target) + i] ? 1 : 0;
            }
            identical += differing == 0 && n == 4096 ? 1 : 0;
            worstFrames = std::max(worstFrames, differing);
        }
        std::printf(
            "%-20s %d of %d seeks give identical samples (4096 frames each; worst: %lld samples "
            "differ); seek + first 4096 frames: median %.2f ms\n",
            label, identical, seeks, static_cast<long long>(worstFrames), bench::median(seekMs));
    }
}
