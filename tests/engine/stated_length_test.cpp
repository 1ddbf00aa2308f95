// A file that states its exact length in its header opens from the header, and its full
// index is built in the background: the stated length is the decoded length, and what is
// read before and after the index is there is what straight decoding gives.

#include <gtest/gtest.h>

#include <ostream>

#include "engine/background_index.h"
#include "engine/ffmpeg_source.h"
#include "engine/media_input.h"
#include "engine/sound_decoder.h"
#include "engine/stated_index.h"
#include "test_media.h"

namespace enginetest {
namespace {

using engine::OpenError;

struct Lengths {
    std::optional<int64_t> stated;  // the header's
    int64_t scanned = 0;            // the full index's: every decoded sample, trimmed
};

Lengths lengths(const std::string& path) {
    OpenError error = OpenError::None;
    auto input = engine::MediaInput::open(path, error);
    EXPECT_TRUE(input) << path;
    if (!input) {
        return {};
    }
    const engine::SoundStream sound = engine::FindSoundStream(input->format());
    const auto stated = engine::StatedIndex(*input, sound, path);
    const auto scanned = engine::BackgroundIndex(path, sound).wait();
    EXPECT_TRUE(scanned) << path;
    return {stated ? std::optional(stated->lengthFrames) : std::nullopt,
            scanned ? scanned->lengthFrames : 0};
}

struct Stated {
    const char* name;
    std::function<std::string()> make;
    bool statesLength;        // false: the header does not speak for the whole file
    int64_t toleranceFrames;  // 0: exact; WMA states milliseconds
};
// ctest lists a case by its name, not its bytes.
void PrintTo(const Stated& c, std::ostream* os) {
    *os << c.name;
}

class StatedLengths : public ::testing::TestWithParam<Stated> {};

TEST_P(StatedLengths, AreTheDecodedLength) {
    const Lengths found = lengths(GetParam().make());
    ASSERT_EQ(found.stated.has_value(), GetParam().statesLength);
    if (found.stated) {
        EXPECT_NEAR(*found.stated, found.scanned, GetParam().toleranceFrames);
    }
}

const Stated kStated[] = {
    {"InfoCbr", mp3Cbr, true, 0},
    {"XingVbr", mp3Vbr, true, 0},
    {"NoHeader", mp3VbrBare, false, 0},
    {"ApeAndId3v1Tags",
     [] {
         // A 4 kB APE tag (one binary item), then an ID3v1 tag, as taggers leave them.
         const std::string path = mediaFolder() + "/tagged.mp3";
         const std::string song =
             makeMedia("cbr320.mp3", "-i '" + wav44() + "' -c:a libmp3lame -b:a 320k");
         EXPECT_TRUE(run("cp '" + song + "' '" + path +
                         "' && printf '\\240\\017\\0\\0\\002"
                         "\\0\\0\\0Blob\\0' >> '" +
                         path + "' && head -c 4000 /dev/zero >> '" + path +
                         "' && printf 'APETAGEX\\320\\007\\0\\0\\315\\017\\0\\0\\001" +
                         std::string(15, '_') + "' | tr _ '\\000' >> '" + path +
                         "' && printf TAG >> '" + path + "' && head -c 125 /dev/zero >> '" + path +
                         "'"));
         return path;
     },
     true, 0},
    {"Joined",
     [] {
         const std::string joined = mediaFolder() + "/joined.mp3";
         EXPECT_TRUE(run("cat '" + mp3Cbr() + "' '" + mp3Vbr() + "' > '" + joined + "'"));
         return joined;
     },
     false, 0},
    {"WmaV2", wma, true, 44},
    {"WmaV1", [] { return makeMedia("v1.wma", "-i '" + wav44() + "' -c:a wmav1"); }, true, 44},
    {"Wmv",
     [] {
         return makeMedia("video.wmv", "-f lavfi -i testsrc=size=160x120:rate=25:duration=3 -i '" +
                                           wav44() + "' -c:v wmv2 -c:a wmav2");
     },
     true, 44},
};

INSTANTIATE_TEST_SUITE_P(Headers, StatedLengths, ::testing::ValuesIn(kStated),
                         [](const auto& param) { return std::string(param.param.name); });

// Reading from the start goes on while the index is built; a seek far into the file waits
// for it; both give the samples of straight decoding.
TEST(BackgroundIndex, ReadsAndSeeksAsStraightDecoding) {
    const std::string path =
        makeMedia("minute.mp3", toneInput(1000, 0.5, 30, 44100) + " -c:a libmp3lame -b:a 320k");
    const std::vector<float> reference = ffmpegDecode(path);
    OpenError error = OpenError::None;
    auto source = engine::FfmpegSource::open(path, error, {0, std::chrono::milliseconds(0)});
    ASSERT_TRUE(source);
    ASSERT_NE(source->backgroundIndex(), nullptr);
    const auto expectSamples = [&](int64_t from, size_t frames) {
        std::vector<float> buffer(2 * frames);
        ASSERT_EQ(source->read(buffer.data(), frames), frames);
        for (size_t i = 0; i < buffer.size(); ++i) {
            ASSERT_NEAR(buffer[i], reference[static_cast<size_t>(2 * from) + i], 1e-6f)
                << "frame " << from + static_cast<int64_t>(i / 2);
        }
    };
    for (int64_t at = 0; at < 15 * 44100; at += 1024) {
        expectSamples(at, 1024);
    }
    const int64_t far = static_cast<int64_t>(reference.size() / 2) - 44100;
    source->seek(far);
    expectSamples(far, 4096);
    EXPECT_EQ(source->lengthFrames(), static_cast<int64_t>(reference.size() / 2));
}

// A VBR mp3 without a header whose bitrate swings (a quiet minute, then a loud one), at
// MPEG-1 and MPEG-2 rates.
std::string swingingBareMp3(int rate) {
    const std::string input =
        "-f lavfi -i \"aevalsrc='if(lt(t,60),0.001,0.5)*sin(6283*t)+if(lt(t,"
        "60),0,0.3)*(random(0)-0.5)':s=" +
        std::to_string(rate) + ":d=120\"";
    return makeMedia("swing-stereo" + std::to_string(rate) + ".mp3",
                     input + " -ac 2 -c:a libmp3lame -q:a 2 -write_xing 0");
}

class EstimatedLengths : public ::testing::TestWithParam<int> {};

// Open may not wait for the scan: the length starts as an estimate close to the decoded one,
// becomes exact once the scan is done, and reading from the start gives every decoded
// sample, as far as the exact length and no further.
TEST_P(EstimatedLengths, StartCloseAndEndExact) {
    const std::string path = swingingBareMp3(GetParam());
    const std::vector<float> reference = ffmpegDecode(path);
    const auto decoded = static_cast<int64_t>(reference.size() / 2);
    OpenError error = OpenError::None;
    auto source = engine::FfmpegSource::open(path, error, {0, std::chrono::milliseconds(0)});
    ASSERT_TRUE(source);
    const int64_t estimate = source->lengthFrames();
    EXPECT_NEAR(static_cast<double>(estimate), static_cast<double>(decoded), 0.01 * decoded);
    std::vector<float> all, buffer(2 * 4096);
    while (const size_t n = source->read(buffer.data(), 4096)) {
        all.insert(all.end(), buffer.begin(), buffer.begin() + static_cast<long>(2 * n));
    }
    EXPECT_TRUE(source->lengthIsFinal());
    EXPECT_EQ(source->lengthFrames(), decoded);
    ASSERT_EQ(all.size(), reference.size());
    EXPECT_EQ(all, reference);
}

INSTANTIATE_TEST_SUITE_P(Mp3WithoutHeader, EstimatedLengths, ::testing::Values(44100, 22050),
                         [](const auto& param) { return "At" + std::to_string(param.param); });

}  // namespace
}  // namespace enginetest
