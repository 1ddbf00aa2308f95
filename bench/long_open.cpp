#include "long_open.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench_media.h"
#include "engine/ffmpeg_source.h"
#include "engine/media_input.h"
#include "engine/mixer_engine.h"
#include "engine/offline_output.h"
#include "engine/sound_decoder.h"
#include "engine/stated_index.h"

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

// A chord over pink noise (it encodes as music does, unlike silence), `seconds` long, as the
// filter output [song] (kSong maps it).
std::string songInput(int seconds) {
    const std::string d = std::to_string(seconds);
    return "-f lavfi -i \"aevalsrc=0.2*sin(2*PI*220*t)+0.15*sin(2*PI*277.2*t)+0.1*sin(2*PI*"
           "329.6*t)|-0.2*sin(2*PI*220*t)-0.1*sin(2*PI*440*t):s=44100:d=" +
           d + ":c=stereo\" -f lavfi -i \"anoisesrc=color=pink:amplitude=0.2:d=" + d +
           ":r=44100\" -filter_complex \"[1]aformat=channel_layouts=stereo[n];[0][n]amix=inputs="
           "2:normalize=0[song]\"";
}
constexpr const char* kSong = " -map \"[song]\"";

struct LongFile {
    const char* label;
    std::string path;
};

std::vector<LongFile> longFiles() {
    const std::string hour = songInput(3600) + kSong;
    const std::string cbr = media("long-cbr.mp3", hour + " -c:a libmp3lame -b:a 192k");
    return {
        {"1 h mp3 CBR 192k, Info header", cbr},
        {"1 h mp3 VBR, Xing header", media("long-vbr.mp3", hour + " -c:a libmp3lame -q:a 2")},
        {"1 h mp3 VBR, no header",
         media("long-vbr-bare.mp3", hour + " -c:a libmp3lame -q:a 2 -write_xing 0")},
        {"1 h WMA v2 128k", media("long.wma", hour + " -c:a wmav2 -b:a 128k")},
        {"1 h WMV (wmv2 320x180, WMA v2)",
         media("long.wmv", songInput(3600) +
                               " -f lavfi -i testsrc2=size=320x180:rate=5:duration=3600" + kSong +
                               " -map 2:v -c:v wmv2 -b:v 200k -c:a wmav2 -b:a 128k")},
        // The hour three times over, copied: the same frames, one Info header for all.
        {"3 h mp3 CBR 192k, Info header",
         media("long-3h.mp3", "-stream_loop 2 -i '" + cbr + "' -c copy")},
    };
}

// The longest any one call took, on this (the UI) thread.
struct Stall {
    double longestMs = 0;
    template <typename Call>
    auto operator()(Call call) {
        const auto start = Clock::now();
        auto result = call();
        longestMs = std::max(longestMs, seconds(Clock::now() - start) * 1000);
        return result;
    }
};

// From the disk: open, then what a DJ does at once (play, seek to the middle, play there,
// status), each timed on this thread while the reader thread decodes and the index builds.
void openCold(const LongFile& file) {
    if (!dropPageCache()) {
        std::printf("  cold: cannot drop the page cache here (needs root)\n");
        return;
    }
    engine::MixerEngine engine(std::make_unique<engine::OfflineOutput>(48000, 256));
    Stall stall;
    const auto before = bytesRead();
    const auto start = Clock::now();
    const auto opened = stall([&] { return engine.open(file.path, 0); });
    const double openMs = seconds(Clock::now() - start) * 1000;
    const auto after = bytesRead();
    const int64_t length = stall([&] { return engine.lengthMs(opened.device); });
    stall([&] { return (engine.play(opened.device, 0, length), 0); });
    stall([&] { return (engine.seek(opened.device, length / 2), 0); });
    stall([&] { return (engine.play(opened.device, length / 2, length), 0); });
    for (int i = 0; i < 20; ++i) {
        stall([&] { return engine.positionMs(opened.device); });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::printf(
        "  cold: open %.1f ms, %.2f MB read (%.2f MB from the disk); longest UI-thread call "
        "over open, play, seek, play and 1 s of status: %.1f ms\n",
        openMs, (after.first - before.first) / 1e6, (after.second - before.second) / 1e6,
        stall.longestMs);
}

// From the page cache: open (median of 3), bytes read, the background index's time and CPU,
// and the length against the decoded count.
void openWarm(const LongFile& file) {
    std::vector<double> opens;
    long long bytes = 0;
    std::unique_ptr<engine::FfmpegSource> source;
    for (int run = 0; run < 3; ++run) {
        engine::OpenError error;
        source.reset();
        const auto before = bytesRead();
        const auto start = Clock::now();
        source = engine::FfmpegSource::open(file.path, error);
        opens.push_back(seconds(Clock::now() - start) * 1000);
        bytes = bytesRead().first - before.first;
    }
    std::printf("  page cache: open %.1f ms (median of 3), %.2f MB read\n", median(opens),
                bytes / 1e6);
    if (const engine::BackgroundIndex* index = source->backgroundIndex()) {
        const_cast<engine::BackgroundIndex*>(index)->wait();
        const auto cost = index->cost();
        std::printf("  full index in the background: done %.0f ms after open began, %.0f ms CPU\n",
                    seconds(cost.elapsed) * 1000, cost.cpu.count() / 1e6);
    } else {
        std::printf("  full index: scanned at open (no usable header)\n");
    }
}

// The length a file states in its header, or else the estimate open starts from when the
// scan is slow; nothing where there is neither.
struct FirstLength {
    const char* kind;
    int64_t frames = 0;
};

std::optional<FirstLength> firstLength(const std::string& path) {
    engine::OpenError error;
    const auto input = engine::MediaInput::open(path, error);
    if (!input) {
        return std::nullopt;
    }
    const auto sound = engine::FindSoundStream(input->format());
    if (const auto stated = engine::StatedIndex(*input, sound, path)) {
        return FirstLength{"the header's", stated->lengthFrames};
    }
    if (const auto estimated = engine::EstimatedIndex(*input, sound, path)) {
        return FirstLength{"the estimate's", estimated->lengthFrames};
    }
    return std::nullopt;
}

// The length open gives against the ffmpeg tool's decoded count and against the full index,
// which counts every decoded sample (the tool drops a WMA's first frame), and the error of
// the header's length or of the estimate.
void printLengthError(const char* label, const std::string& path) {
    engine::OpenError error;
    auto source = engine::FfmpegSource::open(path, error);
    if (!source) {
        std::printf("  %-34s refused\n", label);
        return;
    }
    const int64_t decoded = decodedFrames(path);
    std::optional<int64_t> scanned;
    if (const engine::BackgroundIndex* index = source->backgroundIndex()) {
        const auto full = const_cast<engine::BackgroundIndex*>(index)->wait();
        scanned = full ? full->lengthFrames : 0;
    }
    const int64_t length = source->lengthFrames();
    const int64_t exact = scanned.value_or(length);
    std::printf("  %-34s length %lld frames, ffmpeg decodes %lld (%+.3f ms)", label,
                static_cast<long long>(length), static_cast<long long>(decoded),
                (length - decoded) * 1000.0 / source->sampleRate());
    if (const auto first = firstLength(path)) {
        std::printf(
            "; %s against the full index: %+lld frames (%+.4f %%)", first->kind,
            static_cast<long long>(first->frames - exact),
            100.0 * static_cast<double>(first->frames - exact) / static_cast<double>(exact));
    }
    std::printf("\n");
}

// Real-world-like 5-minute files: tags, joined files, the Windows Media kinds.
void lengthsOfFiveMinuteFiles() {
    const std::string five = songInput(300) + kSong;
    const std::string cbr = songMp3Cbr();
    const std::string tagged = "bench-media/song-tagged.mp3";
    // A 4 kB APE tag (one binary item), then an ID3v1 tag, behind the encoder's ID3v2 tag.
    run("[ -e " + tagged + " ] || { cp '" + cbr + "' " + tagged +
        " && printf '\\240\\017\\0\\0\\002\\0\\0\\0Blob\\0' >> " + tagged +
        " && head -c 4000 /dev/zero >> " + tagged +
        " && printf 'APETAGEX\\320\\007\\0\\0\\315\\017\\0\\0\\001' >> " + tagged +
        " && head -c 15 /dev/zero >> " + tagged + " && printf TAG >> " + tagged +
        " && head -c 125 /dev/zero >> " + tagged + "; }");
    const std::string joined = "bench-media/song-joined.mp3";
    run("[ -e " + joined + " ] || cat '" + cbr + "' '" + songMp3Vbr() + "' > " + joined);
    const std::vector<LongFile> files = {
        {"mp3 CBR, Info header", cbr},
        {"mp3 VBR, Xing header", songMp3Vbr()},
        {"mp3 VBR, no header", songMp3Bare()},
        {"mp3 VBR, no header, quiet first half",
         media("song-bare-quiet-half.mp3",
               "-i '" + songWav() +
                   "' -af \"volume='if(lt(t,150),0.01,1)':eval=frame\" -c:a libmp3lame -q:a 2 "
                   "-write_xing 0")},
        {"mp3 with ID3v2, APE and ID3v1 tags", std::filesystem::absolute(tagged).string()},
        {"mp3 joined (CBR then VBR)", std::filesystem::absolute(joined).string()},
        {"WMA v1", media("song-v1.wma", five + " -c:a wmav1 -b:a 128k")},
        {"WMA v2", media("song-v2.wma", five + " -c:a wmav2 -b:a 128k")},
        {"WMV", media("song.wmv",
                      songInput(300) + " -f lavfi -i testsrc2=size=320x180:rate=5:duration=300" +
                          kSong + " -map 2:v -c:v wmv2 -b:v 200k -c:a wmav2 -b:a 128k")},
    };
    for (const LongFile& file : files) {
        printLengthError(file.label, file.path);
    }
}

}  // namespace

void openLongFiles() {
    const std::vector<LongFile> files = longFiles();
    // The libraries' code is paged in once: a cold open measures the file, not the program's
    // first use of its decoders.
    for (const LongFile& file : files) {
        engine::OpenError error;
        engine::FfmpegSource::open(file.path, error);
    }
    for (const LongFile& file : files) {
        std::printf("%s (%s, %.0f MB)\n", file.label, file.path.c_str(),
                    static_cast<double>(std::filesystem::file_size(file.path)) / 1e6);
        openCold(file);
        openWarm(file);
        printLengthError("length", file.path);
    }
    std::printf("Lengths of 5-minute files against the ffmpeg tool's decode:\n");
    lengthsOfFiveMinuteFiles();
}

}  // namespace bench
