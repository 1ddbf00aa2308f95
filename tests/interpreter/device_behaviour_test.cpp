// What a device does through a sequence of commands: its mode, position, range,
// levels, speed and name, as the next status reports them and the engine sees them.

#include <string>

#include "interpreter_test.h"

namespace {

using engine::Mode;

class Transport : public InterpreterTest {
  protected:
    void advance(int64_t ms) { engine.advance(1, ms); }
    std::string state() { return ask("status a mode") + " at " + ask("status a position"); }
};

TEST_F(Transport, ModesFollowEveryCommandAtOnce) {
    EXPECT_EQ(state(), "stopped at 0");
    ask("play a from 0 to 5120");
    advance(1000);
    EXPECT_EQ(state(), "playing at 1000");
    ask("Pause a");
    EXPECT_EQ(state(), "paused at 1000");
    ask("Pause a");  // pausing again changes nothing
    EXPECT_EQ(state(), "paused at 1000");
    ask("Resume a");
    advance(500);
    EXPECT_EQ(state(), "playing at 1500");
    ask("Resume a");
    EXPECT_EQ(state(), "playing at 1500");
    ask("Stop a");
    EXPECT_EQ(state(), "stopped at 1500");  // stop does not rewind
    EXPECT_EQ(send("Pause a"), 302u);
    EXPECT_EQ(send("Resume a"), 302u);
}

TEST_F(Transport, AnEndedTrackIsStoppedAtItsEndAndCannotBeResumed) {
    ask("play a from 0 to 5120");
    advance(6000);
    EXPECT_EQ(state(), "stopped at 5120");
    EXPECT_EQ(send("Resume a"), 302u);
    ask("play a from 0 to 5120");
    EXPECT_EQ(state(), "playing at 0");
}

TEST_F(Transport, PlayWithoutFromContinuesAndWithoutToRunsToTheEnd) {
    ask("play a from 1000 to 2000");
    advance(5000);
    EXPECT_EQ(state(), "stopped at 2000");
    ask("play a");
    EXPECT_EQ(deviceA().playToMs, kLengthA);
    advance(500);
    ask("Pause a");
    ask("play a to 4000");
    EXPECT_EQ(state(), "playing at 2500");
    EXPECT_EQ(deviceA().playToMs, 4000);
    EXPECT_EQ(send("play a to 2000"), 282u);  // the current position is past it
    ask("play a from 3000");
    EXPECT_EQ(deviceA().playToMs, kLengthA);
}

TEST_F(Transport, SeekStopsAndMovesAndSeekPlayPauseEndsPausedAtTheTarget) {
    ask("play a from 0 to 5120");
    advance(700);
    ask("seek a to 2000");
    EXPECT_EQ(state(), "stopped at 2000");
    ask("Play a");
    ask("Pause a");
    EXPECT_EQ(state(), "paused at 2000");
    ask("seek a to end");
    EXPECT_EQ(state(), "stopped at 5120");
    ask("seek a to start");
    EXPECT_EQ(state(), "stopped at 0");
}

TEST_F(InterpreterTest, PlayToTheReportedLengthIsAcceptedForEveryLength) {
    int alias = 0;
    for (int64_t length : {0LL, 1LL, 2LL, 999LL, 1000LL, 1001LL, 33333LL, 4294967296LL}) {
        for (const char* format : {"frames", "ms"}) {
            const std::string name = "t" + std::to_string(alias++);
            const std::string path = "/music/" + name + ".mp3";
            engine.addFile(path, length);
            ask("open " + path + " alias " + name);
            ask("set " + name + " time format " + format);
            const std::string reported = ask("status " + name + " length");
            EXPECT_EQ(reported, std::to_string(length));
            EXPECT_EQ(send("play " + name + " from 0 to " + reported), 0u) << length;
            EXPECT_EQ(send("play " + name + " from 0 to " + std::to_string(length + 1)), 282u);
        }
    }
}

TEST_F(InterpreterTest, AnAliasIsTakenUntilCloseGivesItBackAtOnce) {
    engine.addFile("/music/b.mp3", 7000);
    EXPECT_EQ(send("open /music/b.mp3 alias A"), 289u);
    EXPECT_EQ(engine.openDeviceCount(), 1);
    ask("play a from 0 to 100");
    ask("Close a");
    EXPECT_FALSE(deviceA().open);
    EXPECT_EQ(send("status a mode"), 263u);
    ask("open /music/b.mp3 alias a");
    EXPECT_EQ(ask("status a length"), "7000");
    EXPECT_EQ(ask("status a mode"), "stopped");
}

TEST_F(InterpreterTest, CloseAllClosesEveryDeviceAndFreesEveryAlias) {
    ask("open /music/b.mp3 alias b");
    ask("close all");
    EXPECT_EQ(engine.openDeviceCount(), 0);
    EXPECT_EQ(send("status b mode"), 263u);
    ask("open /music/b.mp3 alias b");
    ask("close ALL");
    ask("close all");  // nothing open is nothing to close
}

TEST_F(InterpreterTest, LevelsAreSetPerChannelOrBothAndVolumeAnswersTheirMean) {
    EXPECT_EQ(ask("status a volume"), "1000");
    ask("setaudio a left volume to 500");
    EXPECT_EQ(deviceA().left, 500);
    EXPECT_EQ(deviceA().right, 1000);
    EXPECT_EQ(ask("status a volume"), "750");
    ask("setaudio a right volume to 1");
    EXPECT_EQ(ask("status a volume"), "250");  // 250.5 goes to the even 250
    ask("setaudio a left volume to 2");
    EXPECT_EQ(ask("status a volume"), "2");  // 1.5 goes to the even 2
    ask("setaudio a volume to 0");
    EXPECT_EQ(deviceA().left, 0);
    EXPECT_EQ(deviceA().right, 0);
}

TEST_F(InterpreterTest, SpeedTimeFormatAndPictureAreKeptPerDevice) {
    ask("open /music/b.mp3 alias b");
    EXPECT_EQ(ask("status a speed"), "1000");
    ask("set a speed 10");
    ask("set b speed 3000");
    EXPECT_EQ(ask("status a speed"), "10");
    EXPECT_EQ(deviceA().speed, 10);
    EXPECT_EQ(engine.deviceOf("/music/b.mp3").speed, 3000);
    EXPECT_EQ(ask("status a time format"), "milliseconds");
    ask("set a time format frames");
    EXPECT_EQ(ask("status a time format"), "frames");
    EXPECT_EQ(ask("status b time format"), "milliseconds");
    ask("set a time format milliseconds");
    EXPECT_EQ(ask("status a time format"), "milliseconds");
    EXPECT_EQ(ask("status a ready"), "true");
    ask("put a window at -5 10 320 240");
    EXPECT_EQ(deviceA().x, -5);
    EXPECT_EQ(deviceA().cy, 240);
}

TEST_F(InterpreterTest, AnswersAreCutToTheCallersBuffer) {
    ask("play a from 0 to 5120");
    char buffer[8] = "xxxxxxx";
    EXPECT_EQ(interpreter.send("status a mode", buffer, 4), 0u);
    EXPECT_STREQ(buffer, "pla");
    EXPECT_EQ(interpreter.send("status a mode", buffer, 1), 0u);
    EXPECT_STREQ(buffer, "");
    buffer[0] = 'x';
    EXPECT_EQ(interpreter.send("status a mode", buffer, 0), 0u);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(interpreter.send("Pause a", nullptr, 0), 0u);
    EXPECT_EQ(ask("status a mode"), "paused");
}

}  // namespace
