#include "util/utf8.h"

#include <cstdint>

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

// Bytes of the UTF-8 sequence that `lead` starts; 0 when it starts none.
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if ((lead >> 5) == 0x6) {
        return 2;
    }
    if ((lead >> 4) == 0xE) {
        return 3;
    }
    return (lead >> 3) == 0x1E ? 4 : 0;
}

// True when the `length` bytes at the start of `text` are one well-formed code point.
bool isOneCodePoint(std::string_view text, std::size_t length) {
    constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};  // by length: no overlong
    uint32_t code = static_cast<unsigned char>(text[0]) & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80) {
            return false;
        }
        code = (code << 6) | (byte & 0x3Fu);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return length == 1 || (code >= kSmallest[length] && code <= 0x10FFFF && !surrogate);
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

bool IsUtf8(std::string_view text) {
    std::size_t offset = 0;
    while (offset < text.size()) {
        const std::size_t length = sequenceLength(static_cast<unsigned char>(text[offset]));
        if (length == 0 || length > text.size() - offset ||
            !isOneCodePoint(text.substr(offset), length)) {
            return false;
        }
        offset += length;
    }
    return true;
}

std::string Latin1ToUtf8(std::string_view text) {
    std::string utf8;
    utf8.reserve(text.size() * 2);
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (byte >> 6));
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return utf8;
}

}  // namespace useful
