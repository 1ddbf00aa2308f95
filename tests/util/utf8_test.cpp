#include "util/utf8.h"

#include <gtest/gtest.h>

TEST(Utf8, CountsAndCutsWholeCodePoints) {
    const std::string text = "Beyonc\xC3\xA9 \xE2\x99\xAA.mp3";  // "Beyoncé ♪.mp3"
    EXPECT_EQ(useful::CodePointCount(text), 13u);
    EXPECT_EQ(useful::FirstCodePoints(text, 6), "Beyonc");
    EXPECT_EQ(useful::FirstCodePoints(text, 7), "Beyonc\xC3\xA9");
    EXPECT_EQ(useful::LastCodePoints(text, 5), "\xE2\x99\xAA.mp3");
    EXPECT_EQ(useful::LastCodePoints("ab", 3), "ab");
    EXPECT_EQ(useful::LastCodePoints("", 3), "");
}

TEST(Utf8, FitToFieldPadsOrCutsToTheWidthInCharacters) {
    EXPECT_EQ(useful::FitToField("abc", 5), "abc  ");
    EXPECT_EQ(useful::FitToField("abcdef", 4), "abcd");
    EXPECT_EQ(useful::FitToField("\xC3\xA9\xC3\xA9\xC3\xA9", 2), "\xC3\xA9\xC3\xA9");
    EXPECT_EQ(useful::CodePointCount(useful::FitToField("\xC3\xA9", 4)), 4u);
    EXPECT_EQ(useful::FitToField("", 3), "   ");
}
