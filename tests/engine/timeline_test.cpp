// Files whose sound is easy to lay on a wrong timeline: containers that round packet
// durations, a rate change inside the file, codec skips, tiny files, late sound, sound
// beyond the probe. For each: the
// length is the decoded sample count, a tone plays without gaps at its pitch, sound starts
// where the file says, and seeks give the samples of straight decoding.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>

#include "engine/ffmpeg_source.h"
#include "test_media.h"

namespace enginetest {
namespace {

using engine::FfmpegSource;
using engine::OpenError;

std::vector<float> readAll(FfmpegSource& source) {
    std::vector<float> all, buffer(2 * 1023);
    while (const size_t n = source.read(buffer.data(), 1023)) {
        all.insert(all.end(), buffer.begin(), buffer.begin() + static_cast<long>(2 * n));
    }
    return all;
}

std::string tone(const std::string& name, int rate, double seconds, const std::string& options) {
    return makeMedia(name, toneInput(1000, 0.5, seconds, rate) + " " + options);
}

struct Timeline {
    const char* name;
    std::function<std::string()> make;
    int64_t decodedFrames;   // what the ffmpeg tool decodes (skips applied), -1: not compared
    double toneSeconds;      // a 1 kHz tone of 0.5 this long, 0 for none
    double soundStartMs;     // where the sound starts on the file's timeline
    double joinSeconds = 0;  // where a second part at another rate starts, 0 for none
};
// ctest lists a case by its name, not its bytes.
void PrintTo(const Timeline& c, std::ostream* os) {
    *os << c.name;
}

class Timelines : public ::testing::TestWithParam<Timeline> {};

TEST_P(Timelines, SoundLiesOnTheFilesTimeline) {
    const Timeline& file = GetParam();
    OpenError error = OpenError::None;
    auto source = FfmpegSource::open(file.make(), error);
    ASSERT_TRUE(source) << static_cast<int>(error);
    const std::vector<float> straight = readAll(*source);
    const int rate = source->sampleRate();
    ASSERT_EQ(static_cast<int64_t>(straight.size() / 2), source->lengthFrames());
    if (file.decodedFrames >= 0) {
        EXPECT_EQ(source->soundFrames(), file.decodedFrames);
    }

    size_t first = 0;
    while (first < straight.size() / 2 && std::fabs(straight[2 * first]) < 0.05f) {
        ++first;
    }
    // Late by at most an encoder delay the file does not declare (WMA: 64 ms at 32 kHz).
    const double firstMs = static_cast<double>(first) * 1000 / rate;
    EXPECT_GE(firstMs, file.soundStartMs - 1.0);
    EXPECT_LT(firstMs, file.soundStartMs + 70.0);
    if (file.toneSeconds > 0) {
        const size_t from = first + static_cast<size_t>(rate / 20);
        const size_t to = first + static_cast<size_t>((file.toneSeconds - 0.05) * rate);
        const std::vector<float> sound(straight.begin() + static_cast<long>(2 * from),
                                       straight.begin() + static_cast<long>(2 * to));
        size_t at = 0;
        EXPECT_LT(largestStep(sound, &at), 0.1f) << "a gap at frame " << from + at;
        // Each part of a joined file on its own: between them lie the first's padding and
        // the second's encoder delay.
        const size_t join = first + static_cast<size_t>(file.joinSeconds * rate);
        const size_t partEnd = file.joinSeconds > 0 ? join - static_cast<size_t>(rate / 10) : to;
        EXPECT_NEAR(measureFrequency(straight, 0, rate, from, partEnd), 1000.0, 1.0);
        if (file.joinSeconds > 0) {
            EXPECT_NEAR(
                measureFrequency(straight, 0, rate, join + static_cast<size_t>(rate / 10), to),
                1000.0, 1.0)
                << "the part after the rate change";
        }
    }

    const int64_t length = source->lengthFrames();
    std::vector<float> buffer(2 * 1025);
    for (const int64_t target : {int64_t{0}, length / 3, length / 2 + 7, length - 1}) {
        source->seek(target);
        const size_t n = source->read(buffer.data(), 1025);
        ASSERT_EQ(static_cast<int64_t>(n), std::min<int64_t>(1025, length - target));
        for (size_t i = 0; i < 2 * n; ++i) {
            ASSERT_EQ(buffer[i], straight[static_cast<size_t>(2 * target) + i])
                << "seek to " << target << " differs at frame " << target + i / 2;
        }
    }
}

const std::string kVideo = "-f lavfi -i testsrc=size=160x120:rate=25:duration=2 ";

// Two 3 s tones in mp3 at different rates, one file after the other.
std::string joined(int firstRate, int secondRate) {
    const std::string a = tone("part" + std::to_string(firstRate) + ".mp3", firstRate, 3, "");
    const std::string b = tone("part" + std::to_string(secondRate) + ".mp3", secondRate, 3, "");
    const std::string path = mediaFolder() + "/joined-" + std::to_string(firstRate) + "-" +
                             std::to_string(secondRate) + ".mp3";
    EXPECT_TRUE(run("cat '" + a + "' '" + b + "' > '" + path + "'"));
    return path;
}

// Rounded clocks: ASF and Matroska count milliseconds, which every packet duration at 32
// and 48 kHz passes for whole samples. Joined mp3s: the timeline runs at the higher rate;
// every decoded frame counts at its header's rate (the ffmpeg tool labels the first frame
// after a change with the old rate, one frame's difference), the first part's encoder
// delay is skipped, the rest of both parts plays as decoded. Ogg: Opus pre-skip, Vorbis's silent
// first packet and wrapped durations of tiny files. MP4 whose sound starts late. MPEG-TS whose
// first sound packet lies far beyond the probe (and late, too).
const Timeline kTimelines[] = {
    {"wma32", [] { return tone("t32.wma", 32000, 2, "-c:a wmav2"); }, -1, 2, 0},
    {"wma48", [] { return tone("t48.wma", 48000, 2, "-c:a wmav2"); }, -1, 2, 0},
    {"wmv48", [] { return tone("t48.wmv", 48000, 2, kVideo + "-c:v wmv2 -c:a wmav2"); }, -1, 2, 0},
    {"aacInMkv48", [] { return tone("t48.mkv", 48000, 2, "-c:a aac"); }, 97280, 2, 0},
    // (116 * 1152 - 1105) / 44100 s + 126 * 1152 / 48000 s at 48 kHz.
    {"mp3Joined44and48", [] { return joined(44100, 48000); }, 289399, 6, 0, 3.02},
    // (117 * 576 - 1105) / 22050 s + 116 * 1152 / 44100 s at 44.1 kHz.
    {"mp3Joined22and44", [] { return joined(22050, 44100); }, 266206, 6, 0, 3.03},
    // (126 * 1152 - 1105) / 48000 s + 116 * 1152 / 44100 s at 48 kHz: resampled after the join.
    {"mp3Joined48and44", [] { return joined(48000, 44100); }, 289497, 6, 0, 3.02},
    {"opus", [] { return tone("t.opus", 48000, 2, "-c:a libopus"); }, 96000, 2, 0},
    {"vorbis", [] { return tone("t.ogg", 44100, 2, "-c:a libvorbis"); }, 88200, 2, 0},
    {"vorbis5ms", [] { return tone("5ms.ogg", 44100, 0.005, "-c:a libvorbis"); }, 93, 0, 0},
    {"vorbis1ms", [] { return tone("1ms.ogg", 44100, 0.001, "-c:a libvorbis"); }, 128, 0, 0},
    {"opus5ms", [] { return tone("5ms.opus", 48000, 0.005, "-c:a libopus"); }, 240, 0, 0},
    {"lateSoundMp4",
     [] {
         return makeMedia("late.mp4", kVideo + "-itsoffset 0.5 " + toneInput(1000, 0.5, 1, 44100) +
                                          " -c:v mpeg4 -c:a pcm_s16le -f mov");
     },
     44100, 1, 500},
    {"soundBeyondTheProbe",
     [] {
         return makeMedia("late.ts",
                          "-f lavfi -i testsrc2=size=640x480:rate=25:duration=2 -itsoffset 1.2 " +
                              toneInput(1000, 0.5, 0.8, 48000) +
                              " -c:v mpeg2video -b:v 30M -minrate 30M -maxrate 30M -bufsize 8M "
                              "-c:a mp2 -b:a 192k");
     },
     -1, 0.8, 1200},
};

INSTANTIATE_TEST_SUITE_P(Files, Timelines, ::testing::ValuesIn(kTimelines),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace enginetest
