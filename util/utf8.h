#pragma once
// Counting in Unicode code points of UTF-8 text, so that "the last three
// characters" or "a field of 255 characters" never splits a character.

#include <cstddef>
#include <string>
#include <string_view>

namespace useful {

std::size_t CodePointCount(std::string_view text);

// The first `count` code points (the whole text when it has fewer).
std::string FirstCodePoints(std::string_view text, std::size_t count);

// The last `count` code points (the whole text when it has fewer).
std::string LastCodePoints(std::string_view text, std::size_t count);

// Fills with blanks on the right, or cuts, to exactly `width` code points.
std::string FitToField(std::string_view text, std::size_t width);

// True when the text is well-formed UTF-8: no stray or missing continuation bytes, no
// overlong forms, no surrogates, nothing beyond U+10FFFF.
bool IsUtf8(std::string_view text);

// Latin-1 text (one character a byte) in UTF-8.
std::string Latin1ToUtf8(std::string_view text);

}  // namespace useful
