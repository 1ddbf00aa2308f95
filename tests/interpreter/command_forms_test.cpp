// Every command text the mixer sends is accepted, however it is padded or cased,
// and reaches the engine with the values it carries.

#include <ostream>
#include <string>

#include "interpreter_test.h"
#include "platform/short_paths.h"

namespace {

struct FormCase {
    const char* name;
    std::string command;
    std::string answer;
};
// ctest lists a case by its name, not its bytes.
void PrintTo(const FormCase& c, std::ostream* os) {
    *os << c.name;
}

class MixerForms : public InterpreterTest, public ::testing::WithParamInterface<FormCase> {};

// The mixer's own texts, byte for byte, padding included, in an order a deck
// really goes through: open, length queries, play, transport, settings.
std::vector<FormCase> mixerForms() {
    return {
        {"SetFramesFormat", "set a time format frames", ""},
        {"StatusLength", "status a length", "5120"},
        {"SetMsFormat", "set a time format ms", ""},
        {"StatusPosition", "status a position", "0"},
        {"StatusMode", "status a mode", "stopped"},
        {"PlayInField", padded("play a from 0 to 5120", 128), ""},
        {"PlayFromTo", padded("play a from 100 to 200", 128), ""},
        {"SetAudioLeft", padded("setaudio a left Volume to 500", 128), ""},
        {"SetAudioRightCapitals", padded("setaudio a RIGHT Volume to 0", 128), ""},
        {"SetAudioBoth", padded("setaudio a Volume to 1000", 128), ""},
        {"SetSpeed", padded("set a speed 1000", 128), ""},
        {"SetSpeedSlowest", padded("set a speed 20", 128), ""},
        {"SetSpeedFastest", padded("set a speed 2000", 128), ""},
        {"PutWindow", "put a window at 0 0 320 240", ""},
        {"Seek", "seek a to 2500", ""},
        {"PlayCapitalised", "Play a", ""},
        {"Stop", "Stop a", ""},
        {"Close", "Close a", ""},
    };
}

TEST_P(MixerForms, AreAccepted) {
    EXPECT_EQ(send(GetParam().command), 0u);
    EXPECT_EQ(answer, GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(Interpreter, MixerForms, ::testing::ValuesIn(mixerForms()),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(InterpreterTest, OpenInItsFieldOpensTheFileUnderItsAliasInItsParent) {
    engine.addFile("/music/Deep Song.mp3", 9000);
    const std::string shortForm = platform::ShortPaths().shortFormOf("/music/Deep Song.mp3");
    ASSERT_TRUE(shortForm.starts_with('~'));
    EXPECT_EQ(send(padded("open " + shortForm +
                              " type MPEGVideo Alias b parent 1234 Style "
                              "1073741824",
                          255)),
              0u);
    EXPECT_EQ(engine.deviceOf("/music/Deep Song.mp3").parentWindow, 1234);
    EXPECT_EQ(ask("status b length"), "9000");
}

TEST_F(InterpreterTest, WordsIgnoreCaseAndBlanksWhilePathsKeepTheirCase) {
    EXPECT_EQ(send("OPEN \"/Music/Mixed Case.MP3\"  ALIAS  Deck  \r\n"), 0u);
    EXPECT_EQ(engine.deviceOf("/Music/Mixed Case.MP3").path, "/Music/Mixed Case.MP3");
    EXPECT_EQ(ask("sTaTuS   dEcK    MoDe        "), "stopped");
    EXPECT_EQ(send("PLAY deck FROM 10 TO 20"), 0u);
    EXPECT_EQ(ask("status DECK mode"), "playing");
}

TEST_F(InterpreterTest, AQuotedOptionWordIsAFileAndAnUnaliasedDeviceIsNamedByItsFile) {
    EXPECT_EQ(send("open \"alias\""), 0u);
    EXPECT_EQ(engine.deviceOf("alias").path, "alias");
    EXPECT_EQ(ask("status ALIAS length"), std::to_string(fake::FakeMediaEngine::kDefaultLengthMs));
    EXPECT_EQ(send("open /music/b.mp3 wait"), 0u);
    EXPECT_EQ(ask("status /MUSIC/B.MP3 mode"), "stopped");
}

TEST_F(InterpreterTest, OpenAcceptsEveryOptionInAnyOrder) {
    EXPECT_EQ(send("open /music/c.mp3 style child wait parent -7 alias c type mpegvideo"), 0u);
    EXPECT_EQ(engine.deviceOf("/music/c.mp3").parentWindow, -7);
    EXPECT_EQ(send("open /music/d.mp3 alias d style 4294967295"), 0u);
}

TEST_F(InterpreterTest, TheTextEndsAtItsFirstNul) {
    EXPECT_EQ(send(std::string("status a mode\0 and more", 23)), 0u);
    EXPECT_EQ(answer, "stopped");
}

}  // namespace
