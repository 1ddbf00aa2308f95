#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/platform.h"

namespace {

TEST(ErrorDescriptions, KnownCodesHaveTextsThatFitTheBuffer) {
    for (uint32_t code : {259u, 261u, 263u, 267u, 270u, 273u, 274u, 275u, 277u, 282u, 289u, 292u,
                          293u, 294u, 302u, 305u}) {
        char buffer[128];
        ASSERT_TRUE(platform::mciGetErrorString(code, buffer, sizeof buffer)) << code;
        EXPECT_GT(std::strlen(buffer), 10u) << code;
    }
    char buffer[8] = "xxxxxxx";
    EXPECT_FALSE(platform::mciGetErrorString(12345, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");
}

TEST(ErrorDescriptions, AreCutToTheBufferLength) {
    char buffer[6];
    ASSERT_TRUE(platform::mciGetErrorString(263, buffer, sizeof buffer));
    EXPECT_EQ(std::strlen(buffer), 5u);
}

TEST(CommandChannel, AnEmptyCommandIsRefusedAndTheAnswerIsEmpty) {
    char answer[16] = "leftover";
    EXPECT_EQ(platform::mciSendString("      ", answer, sizeof answer, 0), 267u);
    EXPECT_STREQ(answer, "");
}

}  // namespace
