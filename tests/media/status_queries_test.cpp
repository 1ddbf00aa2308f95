#include "case_name.h"
#include "fakes/platform_test.h"
#include "media/Media.h"
#include "util/checked_arithmetic.h"

namespace {

class StatusQueries : public PlatformTest {};

TEST_F(StatusQueries, ModeIsTheAnswerTextOrError) {
    platform().answer("status a mode", 0, "paused");
    EXPECT_EQ(Media::GetMediaMode("a"), "paused");
    EXPECT_EQ(platform().sent[0].returnLength, 128u);
    platform().answer("status b mode", 263, "ignored");
    EXPECT_EQ(Media::GetMediaMode("b"), "ERROR");
}

struct NumericCase {
    const char* answer;
    int32_t expected;
};

// Also the case's name.
void PrintTo(const NumericCase& c, std::ostream* out) {
    *out << testnames::caseName(c.answer) << "_reads_"
         << testnames::caseName(std::to_string(c.expected));
}

class NumericAnswers : public StatusQueries, public ::testing::WithParamInterface<NumericCase> {};

TEST_P(NumericAnswers, ReadTheLeadingNumberRoundedHalfToEven) {
    platform().answer("status a position", 0, GetParam().answer);
    EXPECT_EQ(Media::GetPosition("a"), GetParam().expected) << '"' << GetParam().answer << '"';
}

INSTANTIATE_TEST_SUITE_P(Answers, NumericAnswers,
                         ::testing::Values(NumericCase{"1500", 1500}, NumericCase{"   42", 42},
                                           NumericCase{"12.5", 12}, NumericCase{"13.5", 14},
                                           NumericCase{"-7", -7}, NumericCase{"+8", 8},
                                           NumericCase{"", 0}, NumericCase{"playing", 0},
                                           NumericCase{"99 frames", 99}, NumericCase{".5", 0},
                                           NumericCase{"1e3", 1000}, NumericCase{"-", 0},
                                           NumericCase{"99999999999", -1}),
                         ::testing::PrintToStringParamName());

TEST_F(StatusQueries, NumericQueriesReturnMinusOneWhenRejected) {
    platform().answer("status a position", 263, "123");
    EXPECT_EQ(Media::GetPosition("a"), -1);
    platform().answer("status a length", 263);
    EXPECT_EQ(Media::GetLengthFrames("a"), -1);
}

TEST_F(StatusQueries, LengthInMsRestoresFramesEvenWhenItsQueryFails) {
    platform().answer("status a length", 263);
    EXPECT_EQ(Media::GetLengthMs("a"), -1);
    EXPECT_EQ(platform().commands(),
              (std::vector<std::string>{"set a time format ms", "status a length",
                                        "set a time format frames"}));
    EXPECT_EQ(platform().sent[2].returnLength, 0u);
}

TEST_F(StatusQueries, PercentPlayedRoundsAndTurnsArithmeticFailureIntoZero) {
    struct Case {
        const char *length, *position;
        int32_t expected;
    };
    const Case cases[] = {{"1000", "995", 100},
                          {"1000", "994", 99},
                          {"8", "1", 12},
                          {"0", "5", 0},
                          {"10", "30000000", 0}};
    for (const Case& c : cases) {
        fake::ResetPlatform();
        platform().answer("status a length", 0, c.length);
        platform().answer("status a position", 0, c.position);
        EXPECT_EQ(Media::GetPercentPlayed("a"), c.expected) << c.length << " " << c.position;
    }
    fake::ResetPlatform();
    platform().answer("status a position", 263);
    EXPECT_EQ(Media::GetPercentPlayed("a"), -1);
    EXPECT_EQ(platform().commands(),
              (std::vector<std::string>{"set a time format frames", "status a length",
                                        "status a position"}));
}

TEST_F(StatusQueries, FrameRateIsFramesPerSecondOfTheLength) {
    platform().answerOnce("status a length", 0, "10000");  // ms, asked first
    platform().answerOnce("status a length", 0, "250");    // frames
    EXPECT_EQ(Media::GetFrameRate("a"), 25);
    EXPECT_EQ(platform().commands(),
              (std::vector<std::string>{"set a time format ms", "status a length",
                                        "set a time format frames", "set a time format frames",
                                        "status a length"}));
}

TEST_F(StatusQueries, FrameRateFailsWithMinusOneOrSignalsAZeroLength) {
    platform().answerOnce("status a length", 263);
    platform().answerOnce("status a length", 0, "250");
    EXPECT_EQ(Media::GetFrameRate("a"), -1);

    platform().answer("status a length", 0, "0");
    EXPECT_THROW(Media::GetFrameRate("a"), useful::ArithmeticFailure);
}

}  // namespace
