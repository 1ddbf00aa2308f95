#include "fakes/platform_test.h"
#include "media/Media.h"
#include "util/utf8.h"

namespace {

class Transport : public PlatformTest {};

TEST_F(Transport, SimpleCommandsHaveTheirCapitalsAndNaturalLength) {
    struct Case {
        std::string (*routine)(const std::string&);
        const char* sent;
    };
    const Case cases[] = {{Media::CloseMedia, "Close a"},
                          {Media::PauseMedia, "Pause b"},
                          {Media::StopMedia, "Stop c"},
                          {Media::ResumeMedia, "Resume a"}};
    for (const Case& c : cases) {
        fake::ResetPlatform();
        const std::string alias(1, c.sent[std::string(c.sent).size() - 1]);
        EXPECT_EQ(c.routine(alias), "Success") << c.sent;
        ASSERT_EQ(platform().sent.size(), 1u);
        EXPECT_EQ(platform().sent[0].text, c.sent);
        EXPECT_EQ(platform().sent[0].returnLength, 0u);
    }
}

TEST_F(Transport, AFailureReturnsThePlatformsDescription) {
    platform().answer("Close a", 263);
    EXPECT_EQ(Media::CloseMedia("a"), fake::FakePlatform::describe(263));
    EXPECT_EQ(platform().sent.size(), 1u);
}

TEST_F(Transport, OpenSendsTheShortPathInA255CharacterField) {
    platform().addFile("/home/dj/My Song.mp3");
    platform().setShortPath("/home/dj/My Song.mp3", "~0123456789ABCDEF.mp3");
    EXPECT_EQ(Media::OpenMedia(1234, "a", "/home/dj/My Song.mp3", "MPEGVideo"), "Success");
    ASSERT_EQ(platform().sent.size(), 1u);
    const std::string& sent = platform().sent[0].text;
    EXPECT_EQ(sent.size(), 255u);
    EXPECT_EQ(fake::Trimmed(sent),
              "open ~0123456789ABCDEF.mp3 type MPEGVideo Alias a parent 1234 Style 1073741824");
}

TEST_F(Transport, OpenOfAMissingFileSendsAnEmptyPathAndReportsTheAnswer) {
    const std::string command = "open  type MPEGVideo Alias b parent 0 Style 1073741824";
    platform().answer(command, 275);
    EXPECT_EQ(Media::OpenMedia(0, "b", "/gone.mp3", "MPEGVideo"),
              fake::FakePlatform::describe(275));
    EXPECT_EQ(platform().commands(), std::vector<std::string>{command});
}

TEST_F(Transport, OpenCutsALongCommandTo255Characters) {
    const std::string longShort(240, 'x');
    platform().addFile("/long");
    platform().setShortPath("/long", longShort);
    Media::OpenMedia(1, "a", "/long", "MPEGVideo");
    const std::string& sent = platform().sent[0].text;
    EXPECT_EQ(sent.size(), 255u);
    EXPECT_EQ(sent, "open " + longShort + " type MPEG");
}

TEST_F(Transport, OpenTreatsAShortPathThatDoesNotFitAsNoShortPath) {
    platform().addFile("/huge");
    platform().setShortPath("/huge", std::string(300, 'y'));
    Media::OpenMedia(1, "a", "/huge", "MPEGVideo");
    EXPECT_EQ(fake::Trimmed(platform().sent[0].text),
              "open  type MPEGVideo Alias a parent 1 Style 1073741824");
}

TEST_F(Transport, OpenCountsTheFieldInCharactersNotBytes) {
    platform().addFile("/x");
    Media::OpenMedia(1, "\xC3\xA9", "/x", "MPEGVideo");
    EXPECT_EQ(useful::CodePointCount(platform().sent[0].text), 255u);
}

TEST_F(Transport, PlayWithEmptyRangeRunsFromZeroToTheLengthInFrames) {
    platform().answer("status b length", 0, "5120");
    EXPECT_EQ(Media::PlayMedia("b", "", ""), "Success");
    EXPECT_EQ(platform().commands(),
              (std::vector<std::string>{"set b time format frames", "status b length",
                                        "play b from 0 to 5120"}));
    EXPECT_EQ(platform().sent.back().text.size(), 128u);
}

TEST_F(Transport, PlayWithAFailedLengthQueryPlaysToMinusOne) {
    platform().answer("status a length", 263);
    Media::PlayMedia("a", "", "");
    EXPECT_EQ(platform().commands().back(), "play a from 0 to -1");
}

TEST_F(Transport, PlayWithAGivenRangeSendsItUnchangedWithoutAskingTheLength) {
    Media::PlayMedia("a", "100", "200");
    EXPECT_EQ(platform().commands(), std::vector<std::string>{"play a from 100 to 200"});
}

TEST_F(Transport, SeekAndPlayReportsTheSeekOrElseThePlay) {
    EXPECT_EQ(Media::SeekAndPlay("a", 1500), "Success");
    EXPECT_EQ(platform().commands(), (std::vector<std::string>{"seek a to 1500", "Play a"}));

    fake::ResetPlatform();
    platform().answer("seek a to -3", 282);
    platform().answer("Play a", 263);
    EXPECT_EQ(Media::SeekAndPlay("a", -3), fake::FakePlatform::describe(282));

    fake::ResetPlatform();
    platform().answer("Play a", 302);
    EXPECT_EQ(Media::SeekAndPlay("a", 0), fake::FakePlatform::describe(302));
}

}  // namespace
