#include "platform/command_words.h"

#include <charconv>

#include "platform/mci_errors.h"

namespace platform {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char lowerCaseLetter(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Reads the word at `begin` (not a blank) and returns where it ends.
std::size_t readWord(std::string_view text, std::size_t begin, CommandWord& word) {
    if (text[begin] != '"') {
        std::size_t end = begin;
        while (end < text.size() && !isBlank(text[end])) {
            ++end;
        }
        word = {std::string(text.substr(begin, end - begin)), false};
        return end;
    }
    const std::size_t closing = text.find('"', begin + 1);
    if (closing == std::string_view::npos) {
        throw CommandError{kMciNoClosingQuote};
    }
    word = {std::string(text.substr(begin + 1, closing - begin - 1)), true};
    return closing + 1;
}

}  // namespace

std::vector<CommandWord> SplitCommandWords(std::string_view command) {
    const std::string_view text = command.substr(0, command.find('\0'));
    std::vector<CommandWord> words;
    std::size_t cursor = 0;
    while (cursor < text.size()) {
        if (isBlank(text[cursor])) {
            ++cursor;
            continue;
        }
        CommandWord word;
        cursor = readWord(text, cursor, word);
        words.push_back(std::move(word));
    }
    return words;
}

bool IsKeyword(const CommandWord& word, std::string_view keyword) {
    return !word.quoted && LowerCase(word.text) == keyword;
}

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = lowerCaseLetter(c);
    }
    return lower;
}

int64_t ParseInteger(std::string_view text) {
    const std::size_t digits = text.starts_with('-') ? 1 : 0;
    if (text.size() == digits ||
        text.find_first_not_of("0123456789", digits) != std::string_view::npos) {
        throw CommandError{kMciBadInteger};
    }
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        throw CommandError{kMciOutOfRange};
    }
    return value;
}

}  // namespace platform
