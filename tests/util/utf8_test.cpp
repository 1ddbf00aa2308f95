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

TEST(Utf8, TellsWellFormedTextFromLatin1AndBrokenSequences) {
    EXPECT_TRUE(useful::IsUtf8("Caf\xC3\xA9 \xE2\x99\xAA \xF0\x9F\x8E\xB5"));
    EXPECT_TRUE(useful::IsUtf8(""));
    // Latin-1, a cut sequence, a stray continuation, overlong, a surrogate, past U+10FFFF.
    for (const char* broken :
         {"Caf\xE9", "ab\xC3", "\x80", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"}) {
        EXPECT_FALSE(useful::IsUtf8(broken)) << broken;
    }
    EXPECT_EQ(useful::Latin1ToUtf8("Caf\xE9 \xFF"), "Caf\xC3\xA9 \xC3\xBF");
}
