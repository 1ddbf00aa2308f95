// Open-to-first-sound for a 5-minute mp3 (median over runs), and the length's error
// against the decoded sample count. With --big: open time and bytes read for a 1 GB mp4
// and a 1 GB avi with an index. With --long: hour-long files (see long_open.h).

#include <cstdio>
#include <string_view>
#include <utility>
#include <vector>

#include "bench_media.h"
#include "engine/ffmpeg_source.h"
#include "engine/mixer_engine.h"
#include "engine/offline_output.h"
#include "long_open.h"

namespace {

// Opening a 1 GB-class file: from the page cache (median of 5) and, where this machine lets
// the page cache be dropped (root), from the disk.
void openBig(const char* label, const std::string& big) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> warm;
    long long warmBytes = 0;
    for (int run = 0; run < 5; ++run) {
        engine::OpenError error;
        const auto before = bench::bytesRead();
        const auto start = Clock::now();
        auto source = engine::FfmpegSource::open(big, error);
        warm.push_back(bench::seconds(Clock::now() - start) * 1000);
        warmBytes = bench::bytesRead().first - before.first;
    }
    std::printf("%s (%s)\n  page cache: open %.1f ms (median of 5), %.1f MB read\n", label,
                big.c_str(), bench::median(warm), warmBytes / 1e6);
    if (!bench::dropPageCache()) {
        std::printf("  cold: cannot drop the page cache here (needs root)\n");
        return;
    }
    engine::OpenError error;
    const auto before = bench::bytesRead();
    const auto start = Clock::now();
    auto source = engine::FfmpegSource::open(big, error);
    const double cold = bench::seconds(Clock::now() - start) * 1000;
    const auto after = bench::bytesRead();
    std::printf(
        "  cold (sync; echo 3 > /proc/sys/vm/drop_caches): open %.1f ms, %.1f MB read, "
        "%.1f MB from the disk\n",
        cold, (after.first - before.first) / 1e6, (after.second - before.second) / 1e6);
}

// The same picture and sound as MP4 and as AVI (with its index).
void openBigFiles() {
    // Noise keeps the picture from compressing: about 245 MB per 10 s, four times over.
    const std::string clip = bench::media(
        "clip-noise.mp4",
        "-f lavfi -i testsrc2=size=1280x720:rate=25:duration=10 -f lavfi -i "
        "\"sine=frequency=1000:sample_rate=44100:d=10\" -vf noise=alls=40:allf=t -c:v mpeg4 "
        "-q:v 2 -c:a aac -b:a 128k");
    const std::string loop = "-stream_loop 3 -i '" + clip + "' -c copy";
    openBig("1 GB mp4", bench::media("big-1g.mp4", loop));
    openBig("1 GB avi", bench::media("big-1g.avi", loop));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string_view(argv[1]) == "--big") {
        openBigFiles();
        return 0;
    }
    if (argc > 1 && std::string_view(argv[1]) == "--long") {
        bench::openLongFiles();
        return 0;
    }
    using Clock = std::chrono::steady_clock;
    for (const auto& [label, path] : {std::pair{"mp3 VBR (Xing)", bench::songMp3Vbr()},
                                      std::pair{"mp3 CBR", bench::songMp3Cbr()},
                                      std::pair{"mp3 VBR, no header", bench::songMp3Bare()},
                                      std::pair{"AAC (m4a)", bench::songAac()},
                                      std::pair{"mp4 video + AAC", bench::songVideo()}}) {
        std::vector<double> openTimes, firstSoundTimes;
        int64_t lengthFrames = 0;
        int rate = 0;
        for (int run = 0; run < 11; ++run) {
            auto offline = std::make_unique<engine::OfflineOutput>(48000, 256);
            engine::OfflineOutput* output = offline.get();
            engine::MixerEngine engine(std::move(offline));
            const auto start = Clock::now();
            const auto opened = engine.open(path, 0);
            const auto afterOpen = Clock::now();
            engine.play(opened.device, 0, engine.lengthMs(opened.device));
            std::vector<float> period(512);
            size_t frames = 0;
            bool sound = false;
            while (!sound && frames < 48000) {
                output->render(period.data(), 256);
                for (float s : period) {
                    sound = sound || s != 0.0f;
                }
                frames += 256;
            }
            const auto firstSound = Clock::now();
            openTimes.push_back(bench::seconds(afterOpen - start) * 1000);
            // In real time the first period after play is the no-blurt wait: add it.
            firstSoundTimes.push_back(bench::seconds(firstSound - start) * 1000 +
                                      256 * 1000.0 / 48000);
        }
        engine::OpenError error;
        auto source = engine::FfmpegSource::open(path, error);
        lengthFrames = source->lengthFrames();
        rate = source->sampleRate();
        // The ffmpeg tool's own decoded sample count (it trims what the file records).
        const int64_t decoded = bench::decodedFrames(path);
        std::vector<float> buffer(2 * 4096);
        const auto decodeStart = Clock::now();
        while (source->read(buffer.data(), 4096) != 0) {
        }
        const double decodeMs = bench::seconds(Clock::now() - decodeStart) * 1000;
        std::printf(
            "%-20s open %.1f ms, open-to-first-sound %.1f ms (median of 11, incl. one 5.3 ms "
            "period); "
            "length %lld frames vs %lld decoded by ffmpeg: error %lld frames (%.3f ms), vs the "
            "13230000-frame "
            "source: %lld; a full decode at open would cost %.0f ms\n",
            label, bench::median(openTimes), bench::median(firstSoundTimes),
            static_cast<long long>(lengthFrames), static_cast<long long>(decoded),
            static_cast<long long>(lengthFrames - decoded),
            (lengthFrames - decoded) * 1000.0 / rate,
            static_cast<long long>(lengthFrames - 13230000), decodeMs);
    }
}
