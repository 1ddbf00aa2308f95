// A file that states its exact length in its header opens from the header, and its full
// index is built in the background: the stated length is the decoded length, and what is
// read before and after the index is there is what straight decoding gives.

#include <gtest/gtest.h>

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
    auto source = engine::FfmpegSource::open(path, error);
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

}  // namespace
}  // namespace enginetest
