#pragma once
// Readable names for parameterised cases, made from the text a case is about: letters and
// digits kept, the signs that change a meaning spelled out ("+" plus, "-" minus, "." dot,
// '"' quote), a run of non-ASCII bytes "utf8", anything else a word break; words joined
// by "_". So "play a from -1" reads play_a_from_minus_1 and "café.mp3" caf_utf8_dot_mp3.

#include <string>
#include <string_view>

namespace testnames {

inline std::string caseName(std::string_view text) {
    if (text.empty()) {
        return "empty";
    }
    std::string name;
    const auto word = [&name](std::string_view w) {
        if (!name.empty() && name.back() != '_') {
            name += '_';
        }
        name += w;
    };
    bool inWord = false;
    bool inUtf8 = false;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool alnum = (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= 'a' && byte <= 'z');
        if (byte >= 0x80 && !inUtf8) {
            word("utf8");
        } else if (alnum && !inWord) {
            word(std::string(1, c));
        } else if (alnum) {
            name += c;
        } else if (c == '+' || c == '-' || c == '.' || c == '"') {
            word(c == '+' ? "plus" : c == '-' ? "minus" : c == '.' ? "dot" : "quote");
        }
        inWord = alnum;
        inUtf8 = byte >= 0x80;
    }
    return name.empty() ? "blank" : name;
}

}  // namespace testnames
