// Malformed and out-of-range commands get the code of their fault, an empty
// answer, and change nothing.

#include <cstring>
#include <string>

#include "interpreter_test.h"
#include "platform/platform.h"

namespace {

struct ErrorCase {
    std::string command;
    uint32_t code;
};

void PrintTo(const ErrorCase& error, std::ostream* out) {
    *out << '"' << error.command << "\" -> " << error.code;
}

class RefusedCommands : public InterpreterTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(RefusedCommands, GetTheirCodeAndAnEmptyAnswer) {
    char buffer[32] = "leftover";
    EXPECT_EQ(interpreter.send(GetParam().command, buffer, sizeof buffer), GetParam().code);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(ask("status a mode"), "stopped");
    EXPECT_EQ(ask("status a position"), "0");
    EXPECT_EQ(engine.openDeviceCount(), 1);
}

// Device "a" is open and stopped at 0; its length is 5120.
INSTANTIATE_TEST_SUITE_P(
    Words, RefusedCommands,
    ::testing::Values(ErrorCase{"", 267}, ErrorCase{"      ", 267}, ErrorCase{"frobnicate a", 261},
                      ErrorCase{"\"play\" a", 261}, ErrorCase{"play", 292},
                      ErrorCase{"play \"\"", 292}, ErrorCase{"play zz", 263},
                      ErrorCase{"play all", 279}, ErrorCase{"play a sideways", 259},
                      ErrorCase{"play a from 1 from 2", 295}, ErrorCase{"close a now", 259},
                      ErrorCase{"close zz", 263}));

INSTANTIATE_TEST_SUITE_P(
    Numbers, RefusedCommands,
    ::testing::Values(ErrorCase{"play a from", 273}, ErrorCase{"play a from x", 270},
                      ErrorCase{"play a from 1.5", 270}, ErrorCase{"play a from +5", 270},
                      ErrorCase{"play a from -", 270}, ErrorCase{"play a from 1-2", 270},
                      ErrorCase{"play a from 99999999999999999999", 282},
                      ErrorCase{"play a from 0 to 5121", 282}, ErrorCase{"play a from -1", 282},
                      ErrorCase{"play a from 10 to 5", 282}, ErrorCase{"play a from 5121", 282},
                      ErrorCase{"seek a to 5121", 282}, ErrorCase{"seek a to -1", 282},
                      ErrorCase{"seek a to middle", 270}, ErrorCase{"seek a", 273},
                      ErrorCase{"seek a to", 273}));

INSTANTIATE_TEST_SUITE_P(
    Items, RefusedCommands,
    ::testing::Values(
        ErrorCase{"pause a", 302}, ErrorCase{"resume a", 302}, ErrorCase{"status a", 273},
        ErrorCase{"status a colour", 259}, ErrorCase{"status a mode now", 305},
        ErrorCase{"status a time", 273}, ErrorCase{"status a time zone", 259},
        ErrorCase{"set a", 273}, ErrorCase{"set a colour", 259},
        ErrorCase{"set a time format smpte", 293}, ErrorCase{"set a time format", 273},
        ErrorCase{"set a speed 9", 282}, ErrorCase{"set a speed 3001", 282},
        ErrorCase{"set a speed 1000 now", 305}, ErrorCase{"setaudio a volume to 1001", 282},
        ErrorCase{"setaudio a left volume to -1", 282}, ErrorCase{"setaudio a volume 500", 259},
        ErrorCase{"setaudio a", 273}, ErrorCase{"setaudio a bass to 5", 259},
        ErrorCase{"setaudio a volume to", 273}, ErrorCase{"put a window at 0 0 320", 273},
        ErrorCase{"put a window at 0 0 320 240 7", 305},
        ErrorCase{"put a window at 0 0 -1 240", 282},
        ErrorCase{"put a destination at 0 0 1 1", 259}));

INSTANTIATE_TEST_SUITE_P(
    Open, RefusedCommands,
    ::testing::Values(ErrorCase{"open \"/music/x.mp3 alias q", 294},
                      ErrorCase{"open /music/my song.mp3 alias q", 259},
                      ErrorCase{"open  type MPEGVideo Alias q parent 1 Style 1073741824", 304},
                      ErrorCase{"open \"\" alias q", 304}, ErrorCase{"open", 292},
                      ErrorCase{"open /x.mp3 type waveaudio alias q", 263},
                      ErrorCase{"open /x.mp3 alias q parent", 273},
                      ErrorCase{"open /x.mp3 alias q parent 2147483648", 282},
                      ErrorCase{"open /x.mp3 alias q style popup", 270},
                      ErrorCase{"open /x.mp3 alias q style -1", 282},
                      ErrorCase{"open /x.mp3 alias A", 289},
                      ErrorCase{"open /x.mp3 alias all", 279},
                      ErrorCase{"open /x.mp3 alias q alias r", 295},
                      ErrorCase{"open /x.mp3 alias q sideways", 259}));

struct OpenErrorCase {
    engine::OpenError error;
    uint32_t code;
};

class RefusedFiles : public InterpreterTest, public ::testing::WithParamInterface<OpenErrorCase> {};

TEST_P(RefusedFiles, GetTheirCodeAndLeaveTheAliasFree) {
    engine.refuseFile("/music/bad.mp3", GetParam().error);
    EXPECT_EQ(send("open /music/bad.mp3 alias b"), GetParam().code);
    EXPECT_EQ(send("status b mode"), 263u);
    EXPECT_EQ(send("open /music/good.mp3 alias b"), 0u);
}

INSTANTIATE_TEST_SUITE_P(Interpreter, RefusedFiles,
                         ::testing::Values(OpenErrorCase{engine::OpenError::FileNotFound, 275},
                                           OpenErrorCase{engine::OpenError::InvalidFile, 296},
                                           OpenErrorCase{engine::OpenError::OutOfMemory, 264},
                                           OpenErrorCase{engine::OpenError::Internal, 277}));

TEST_F(InterpreterTest, EveryCodeTheInterpreterGivesHasADescription) {
    for (uint32_t code : {259u, 261u, 263u, 264u, 267u, 270u, 273u, 275u, 277u, 279u,
                          282u, 289u, 292u, 293u, 294u, 295u, 296u, 302u, 304u, 305u}) {
        char description[256];
        ASSERT_TRUE(platform::mciGetErrorString(code, description, sizeof description)) << code;
        EXPECT_LE(std::strlen(description), 127u) << code;
    }
}

}  // namespace
