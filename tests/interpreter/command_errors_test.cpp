// Malformed and out-of-range commands get the code of their fault, an empty
// answer, and change nothing.

#include <cstring>
#include <string>
#include <vector>

#include "case_name.h"
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
const std::vector<ErrorCase> kRefused{
    // Verbs, device names and options.
    {"", 267},
    {"      ", 267},
    {"frobnicate a", 261},
    {"\"play\" a", 261},
    {"play", 292},
    {"play \"\"", 292},
    {"play zz", 263},
    {"play all", 279},
    {"play a sideways", 259},
    {"play a from 1 from 2", 295},
    {"close a now", 259},
    {"close zz", 263},
    // Numbers and positions against the length 5120.
    {"play a from", 273},
    {"play a from x", 270},
    {"play a from 1.5", 270},
    {"play a from +5", 270},
    {"play a from -", 270},
    {"play a from 1-2", 270},
    {"play a from 99999999999999999999", 282},
    {"play a from 0 to 5121", 282},
    {"play a from -1", 282},
    {"play a from 10 to 5", 282},
    {"play a from 5121", 282},
    {"seek a to 5121", 282},
    {"seek a to -1", 282},
    {"seek a to middle", 270},
    {"seek a", 273},
    {"seek a to", 273},
    // Modes, status and settings.
    {"pause a", 302},
    {"resume a", 302},
    {"status a", 273},
    {"status a colour", 259},
    {"status a mode now", 305},
    {"status a time", 273},
    {"status a time zone", 259},
    {"set a", 273},
    {"set a colour", 259},
    {"set a time format smpte", 293},
    {"set a time format", 273},
    {"set a speed 9", 282},
    {"set a speed 3001", 282},
    {"set a speed 1000 now", 305},
    {"setaudio a volume to 1001", 282},
    {"setaudio a left volume to -1", 282},
    {"setaudio a volume 500", 259},
    {"setaudio a", 273},
    {"setaudio a bass to 5", 259},
    {"setaudio a volume to", 273},
    {"put a window at 0 0 320", 273},
    {"put a window at 0 0 320 240 7", 305},
    {"put a window at 0 0 -1 240", 282},
    {"put a destination at 0 0 1 1", 259},
    // Opening.
    {"open \"/music/x.mp3 alias q", 294},
    {"open /music/my song.mp3 alias q", 259},
    {"open  type MPEGVideo Alias q parent 1 Style 1073741824", 304},
    {"open \"\" alias q", 304},
    {"open", 292},
    {"open /x.mp3 type waveaudio alias q", 263},
    {"open /x.mp3 alias q parent", 273},
    {"open /x.mp3 alias q parent 2147483648", 282},
    {"open /x.mp3 alias q style popup", 270},
    {"open /x.mp3 alias q style -1", 282},
    {"open /x.mp3 alias A", 289},
    {"open /x.mp3 alias all", 279},
    {"open /x.mp3 alias q alias r", 295},
    {"open /x.mp3 alias q sideways", 259},
};

INSTANTIATE_TEST_SUITE_P(Interpreter, RefusedCommands, ::testing::ValuesIn(kRefused),
                         [](const ::testing::TestParamInfo<ErrorCase>& row) {
                             return testnames::caseName(row.param.command) + "_gives_" +
                                    std::to_string(row.param.code);
                         });

struct OpenErrorCase {
    const char* name;
    engine::OpenError error;
    uint32_t code;
};

// Also the case's name.
void PrintTo(const OpenErrorCase& c, std::ostream* out) {
    *out << c.name << "_gives_" << c.code;
}

class RefusedFiles : public InterpreterTest, public ::testing::WithParamInterface<OpenErrorCase> {};

TEST_P(RefusedFiles, GetTheirCodeAndLeaveTheAliasFree) {
    engine.refuseFile("/music/bad.mp3", GetParam().error);
    EXPECT_EQ(send("open /music/bad.mp3 alias b"), GetParam().code);
    EXPECT_EQ(send("status b mode"), 263u);
    EXPECT_EQ(send("open /music/good.mp3 alias b"), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Interpreter, RefusedFiles,
    ::testing::Values(OpenErrorCase{"FileNotFound", engine::OpenError::FileNotFound, 275},
                      OpenErrorCase{"InvalidFile", engine::OpenError::InvalidFile, 296},
                      OpenErrorCase{"OutOfMemory", engine::OpenError::OutOfMemory, 264},
                      OpenErrorCase{"Internal", engine::OpenError::Internal, 277}),
    ::testing::PrintToStringParamName());

TEST_F(InterpreterTest, EveryCodeTheInterpreterGivesHasADescription) {
    for (uint32_t code : {259u, 261u, 263u, 264u, 267u, 270u, 273u, 275u, 277u, 279u,
                          282u, 289u, 292u, 293u, 294u, 295u, 296u, 302u, 304u, 305u}) {
        char description[256];
        ASSERT_TRUE(platform::mciGetErrorString(code, description, sizeof description)) << code;
        EXPECT_LE(std::strlen(description), 127u) << code;
    }
}

}  // namespace
