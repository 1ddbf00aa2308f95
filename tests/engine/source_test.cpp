// The FFmpeg source: exact lengths across formats, and seeks that give the same samples
// as decoding straight through (and as the ffmpeg tool decodes them).

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>
#include <random>

#include "engine/ffmpeg_source.h"
#include "test_media.h"

namespace enginetest {
namespace {

using engine::FfmpegSource;
using engine::OpenError;

std::unique_ptr<FfmpegSource> openSource(const std::string& path) {
    OpenError error = OpenError::None;
    auto source = FfmpegSource::open(path, error);
    EXPECT_EQ(error, OpenError::None) << path;
    return source;
}

std::vector<float> readAll(FfmpegSource& source, size_t chunk = 1023) {
    std::vector<float> all;
    std::vector<float> buffer(chunk * 2);
    for (;;) {
        const size_t n = source.read(buffer.data(), chunk);
        if (n == 0) {
            break;
        }
        all.insert(all.end(), buffer.begin(), buffer.begin() + static_cast<long>(2 * n));
    }
    return all;
}

struct Format {
    const char* name;
    std::function<std::string()> make;
    int64_t expectedFrames;   // the tone's own length
    int64_t toleranceFrames;  // 0 where the file records delay and padding exactly
    bool compareWithFfmpeg;   // straight decoding gives the ffmpeg tool's samples
    bool ffmpegTrimsPadding;  // ... and the ffmpeg tool's length
};
// ctest lists a case by its name, not its bytes.
void PrintTo(const Format& c, std::ostream* os) {
    *os << c.name;
}

class SourceFormats : public ::testing::TestWithParam<Format> {};

// The length is exact: it equals the frames a straight decode yields, the ffmpeg tool's
// decode, and (where the format records delay and padding) the tone's own length.
TEST_P(SourceFormats, LengthIsTheDecodedLength) {
    const Format& format = GetParam();
    const std::string path = format.make();
    auto source = openSource(path);
    ASSERT_TRUE(source);
    const std::vector<float> straight = readAll(*source);
    EXPECT_EQ(static_cast<int64_t>(straight.size() / 2), source->lengthFrames());
    EXPECT_NEAR(source->lengthFrames(), format.expectedFrames, format.toleranceFrames);
    if (format.compareWithFfmpeg) {
        const std::vector<float> reference = ffmpegDecode(path);
        if (format.ffmpegTrimsPadding) {
            EXPECT_EQ(source->soundFrames(), static_cast<int64_t>(reference.size() / 2));
        } else {
            EXPECT_LE(source->soundFrames(), static_cast<int64_t>(reference.size() / 2));
        }
        const size_t common = std::min(reference.size(), straight.size());
        size_t mismatches = 0, first = common;
        for (size_t i = 0; i < common; ++i) {
            if (std::fabs(reference[i] - straight[i]) > 1e-6f) {
                if (mismatches++ == 0) {
                    first = i / 2;
                }
            }
        }
        EXPECT_EQ(mismatches, 0u) << "first mismatch at frame " << first;
    }
}

// Seeks land on the exact sample: what follows equals the straight decode from there.
TEST_P(SourceFormats, SeekGivesTheSamplesOfStraightDecoding) {
    const Format& format = GetParam();
    auto source = openSource(format.make());
    ASSERT_TRUE(source);
    const std::vector<float> straight = readAll(*source);
    const int64_t length = source->lengthFrames();
    std::mt19937 random(42);
    std::vector<int64_t> targets = {0,    1,    1151,       1152,          1153,
                                    2047, 4096, length / 2, length - 1500, length - 1};
    for (int i = 0; i < 12; ++i) {
        targets.push_back(std::uniform_int_distribution<int64_t>(0, length - 1)(random));
    }
    std::vector<float> buffer(1025 * 2);
    for (int64_t target : targets) {
        source->seek(target);
        const size_t n = source->read(buffer.data(), 1025);
        ASSERT_EQ(static_cast<int64_t>(n), std::min<int64_t>(1025, length - target)) << target;
        for (size_t i = 0; i < 2 * n; ++i) {
            ASSERT_EQ(buffer[i], straight[static_cast<size_t>(2 * target) + i])
                << format.name << ": seek to " << target << " differs at frame " << target + i / 2;
        }
    }
}

// Achieved: wav, mp3 with a LAME/Xing header (CBR and VBR) and AAC in MP4 give the
// tone's length to the sample. An mp3 without a header cannot say its delay and padding:
// its length is every decoded frame (the ffmpeg tool's count), up to ~2 frames long. WMA
// records no delay either: every decoded frame, about 19 ms more than the tone (the ffmpeg
// tool drops a first frame and so ~28 ms of the tone). Video containers: to the sample.
const Format kFormats[] = {
    {"wav48", wav48, 144000, 0, true, true},
    {"wav44", wav44, 132300, 0, true, true},
    {"mp3cbr", mp3Cbr, 132300, 0, true, true},
    {"mp3vbr", mp3Vbr, 132300, 0, true, true},
    {"mp3vbrbare", mp3VbrBare, 132300, 2 * 1152 + 576, true, true},
    {"aac", m4aAac, 132300, 0, true, false},
    {"wma", wma, 132300, 2048, false, false},
    {"mp4", mp4Video, 132300, 0, false, false},
    {"avi", aviVideo, 132300, 2 * 1152 + 576, false, false},
};

INSTANTIATE_TEST_SUITE_P(Formats, SourceFormats, ::testing::ValuesIn(kFormats),
                         [](const auto& param) { return std::string(param.param.name); });

// An AVI opens from its index without reading the data. One whose index is lost (a
// recording cut short) has only a guess of its length: it is read through instead, and
// plays the same.
TEST(SourceIndex, AnAviWithoutItsIndexPlaysAsWithIt) {
    const std::string indexed = aviVideo();
    const std::string bare = mediaFolder() + "/video-noindex.avi";
    // The index is the file's last chunk, "idx1": cut the file there.
    ASSERT_TRUE(run("head -c $(grep -obUa idx1 '" + indexed + "' | tail -1 | cut -d: -f1) '" +
                    indexed + "' > '" + bare + "'"));
    auto withIndex = openSource(indexed);
    auto without = openSource(bare);
    ASSERT_TRUE(withIndex && without);
    EXPECT_EQ(without->lengthFrames(), withIndex->lengthFrames());
    EXPECT_TRUE(readAll(*without) == readAll(*withIndex));
}

// An MP4 cut short (a copy or a download that stopped half-way) keeps the index of its whole
// length: it lasts what it holds, and its sound goes on to that end.
TEST(SourceIndex, AnMp4CutShortLastsWhatItHolds) {
    const std::string whole =
        makeMedia("six-seconds.mp4", "-f lavfi -i testsrc=size=160x120:rate=25:duration=6 " +
                                         toneInput(1000, 0.5, 6, 44100) +
                                         " -c:v mpeg4 -c:a aac -aac_pns 0 -movflags +faststart");
    const std::string cut = mediaFolder() + "/six-seconds-cut.mp4";
    ASSERT_TRUE(
        run("head -c $(($(stat -c %s '" + whole + "') / 2)) '" + whole + "' > '" + cut + "'"));
    auto source = openSource(cut);
    ASSERT_TRUE(source);
    const int64_t length = source->lengthFrames();
    EXPECT_GT(length, 44100 * 2);
    EXPECT_LT(length, 44100 * 4);
    const std::vector<float> all = readAll(*source);
    ASSERT_EQ(static_cast<int64_t>(all.size() / 2), length);
    EXPECT_GT(rms(all, 0, all.size() / 2 - 44100 / 5, all.size() / 2 - 44100 / 20), 0.3);
}

}  // namespace
}  // namespace enginetest
