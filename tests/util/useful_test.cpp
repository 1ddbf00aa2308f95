#include "util/useful.h"

#include "case_name.h"
#include "fakes/platform_test.h"

namespace {

struct TypeCase {
    const char* path;
    bool playable;
    bool video;
};

// Also the case's name.
void PrintTo(const TypeCase& c, std::ostream* out) {
    *out << testnames::caseName(c.path) << (c.playable ? "_is_playable" : "_is_not_playable")
         << (c.video ? "_video" : "");
}

class FileTypes : public ::testing::TestWithParam<TypeCase> {};

TEST_P(FileTypes, AreDecidedByTheLastThreeCharactersLowerCased) {
    EXPECT_EQ(useful::IsPlayableFile(GetParam().path), GetParam().playable) << GetParam().path;
    EXPECT_EQ(useful::IsVideoFile(GetParam().path), GetParam().video) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Keys, FileTypes,
    ::testing::Values(TypeCase{"C:/Music/Song.MP3", true, false},
                      TypeCase{"Song.mp3x", false, false}, TypeCase{"clip.mpeg", true, true},
                      TypeCase{"photo.jpeg", true, true}, TypeCase{"nodotmp3", true, false},
                      TypeCase{"a.wav", true, false}, TypeCase{"a.wma", true, false},
                      TypeCase{"a.mid", true, false}, TypeCase{"a.m4a", true, false},
                      TypeCase{"a.mpg", true, true}, TypeCase{"a.wmv", true, true},
                      TypeCase{"a.mp4", true, true}, TypeCase{"a.MOV", true, true},
                      TypeCase{"a.avi", true, true}, TypeCase{"a.vob", true, true},
                      TypeCase{"a.txt", false, false}, TypeCase{"mp", false, false},
                      TypeCase{"", false, false}, TypeCase{"C:\\Music\\", false, false},
                      TypeCase{"caf\xC3\xA9.mp3", true, false},
                      // A multi-byte last character is one character of the key.
                      TypeCase{"song.mp\xC3\xA9", false, false}),
    ::testing::PrintToStringParamName());

TEST(FileNameOf, TakesThePartAfterTheLastSlashOfEitherKind) {
    EXPECT_EQ(useful::FileNameOf("C:/Music/Song.mp3"), "Song.mp3");
    EXPECT_EQ(useful::FileNameOf("C:\\Music\\Song.mp3"), "Song.mp3");
    EXPECT_EQ(useful::FileNameOf("/home/dj/Mixed\\Song.mp3"), "Song.mp3");
    EXPECT_EQ(useful::FileNameOf("Song.mp3"), "Song.mp3");
    EXPECT_EQ(useful::FileNameOf("C:\\Music\\"), "");
    EXPECT_EQ(useful::FileNameOf(""), "");
}

class UsefulWithPlatform : public PlatformTest {};

TEST_F(UsefulWithPlatform, IsFolderNeedsAnExistingFolder) {
    platform().addFolder("/music");
    platform().addFile("/music/song.mp3");
    EXPECT_TRUE(useful::IsFolder("/music"));
    EXPECT_FALSE(useful::IsFolder("/music/song.mp3"));
    EXPECT_FALSE(useful::IsFolder("/nowhere"));
    platform().addFile("/odd", 16 | 1);  // read-only folder: the bit still counts
    EXPECT_TRUE(useful::IsFolder("/odd"));
}

TEST_F(UsefulWithPlatform, ShellOpenUsesTheOpenVerbWithEmptyParameters) {
    useful::ShellOpen("https://example.org/rotavox", 7);
    ASSERT_EQ(platform().shellCalls.size(), 1u);
    const fake::ShellCall& call = platform().shellCalls.front();
    EXPECT_EQ(call.owner, 7);
    EXPECT_EQ(call.verb, "Open");
    EXPECT_EQ(call.file, "https://example.org/rotavox");
    EXPECT_EQ(call.parameters, "");
    EXPECT_EQ(call.directory, "");
    EXPECT_EQ(call.showCommand, 1);
}

}  // namespace
