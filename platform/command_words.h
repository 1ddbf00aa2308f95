#pragma once
// The words of a command text, and the numbers written in them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct CommandWord {
    std::string text;
    bool quoted = false;  // a quoted word is an argument, never a keyword
};

// Splits a command into words. Runs of blanks (space, tab, CR, LF) separate words,
// so padded fields and doubled blanks read like single ones. A word that begins
// with a double quote runs to the next double quote, blanks included, and ends
// there; a quote inside a word is an ordinary character. The text ends at its
// first NUL, as the C string it stands for would. Throws CommandError 294 for a
// quote that is never closed.
std::vector<CommandWord> SplitCommandWords(std::string_view command);

// Whether `word` is the keyword, compared without regard to case.
bool IsKeyword(const CommandWord& word, std::string_view keyword);

// ASCII letters in lower case; device names and keywords ignore case.
std::string LowerCase(std::string_view text);

// An optional minus sign and decimal digits, nothing else. Throws CommandError
// 270 when the text is not such a number, 282 when it does not fit 64 bits.
int64_t ParseInteger(std::string_view text);

}  // namespace platform
