#include "util/utf8.h"

namespace useful {
namespace {

// A continuation byte (10xxxxxx) never starts a code point. Malformed bytes count
// one each, so every byte belongs to exactly one "character".
bool startsCodePoint(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
}

// Byte offset where the code point numbered `index` (from 0) starts, or size().
std::size_t offsetOfCodePoint(std::string_view text, std::size_t index) {
    std::size_t seen = 0;
    for (std::size_t offset = 0; offset < text.size(); ++offset) {
        if (startsCodePoint(text[offset])) {
            if (seen == index) {
                return offset;
            }
            ++seen;
        }
    }
    return text.size();
}

}  // namespace

std::size_t CodePointCount(std::string_view text) {
    std::size_t count = 0;
    for (char byte : text) {
        count += startsCodePoint(byte) ? 1 : 0;
    }
    return count;
}

std::string FirstCodePoints(std::string_view text, std::size_t count) {
    return std::string(text.substr(0, offsetOfCodePoint(text, count)));
}

std::string LastCodePoints(std::string_view text, std::size_t count) {
    const std::size_t total = CodePointCount(text);
    if (total <= count) {
        return std::string(text);
    }
    return std::string(text.substr(offsetOfCodePoint(text, total - count)));
}

std::string FitToField(std::string_view text, std::size_t width) {
    std::string field = FirstCodePoints(text, width);
    field.append(width - CodePointCount(field), ' ');
    return field;
}

}  // namespace useful
