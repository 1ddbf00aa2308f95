#include "util/playlist_text.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace useful {
namespace {

constexpr std::string_view kBlanks = " \t\r";
constexpr std::string_view kHexDigits = "0123456789ABCDEF";
constexpr std::size_t kLongestEntryNumber = 9;  // keeps the number within 32 bits

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> found;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        found.push_back(trimmed(text.substr(0, end)));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return found;
}

char lowerCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char p, char t) { return p == lowerCase(t); });
}

std::vector<std::string> m3uLocations(std::string_view text) {
    std::vector<std::string> locations;
    for (std::string_view line : lines(text)) {
        if (!line.empty() && line.front() != '#') {
            locations.emplace_back(line);
        }
    }
    return locations;
}

// "File12=..." gives 12 and the value; other keys (TitleN, LengthN, Version) give nothing.
bool plsFileEntry(std::string_view line, uint32_t& number, std::string_view& value) {
    const std::size_t equals = line.find('=');
    const std::string_view key = trimmed(line.substr(0, std::min(equals, line.size())));
    if (equals == std::string_view::npos || !startsWithNoCase(key, "file")) {
        return false;
    }
    const std::string_view digits = key.substr(4);
    if (digits.empty() || digits.size() > kLongestEntryNumber ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    number = static_cast<uint32_t>(std::stoul(std::string(digits)));
    value = trimmed(line.substr(equals + 1));
    return !value.empty();
}

std::vector<std::string> plsLocations(std::string_view text) {
    std::vector<std::pair<uint32_t, std::string>> numbered;
    for (std::string_view line : lines(text)) {
        uint32_t number = 0;
        std::string_view value;
        if (plsFileEntry(line, number, value)) {
            numbered.emplace_back(number, value);
        }
    }
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> locations;
    for (auto& [number, location] : numbered) {
        locations.push_back(std::move(location));
    }
    return locations;
}

// 0 to 15, or -1 for a character that is no hexadecimal digit.
int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = lowerCase(c);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

std::string percentDecoded(std::string_view text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool escape = text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                            hexValue(text[i + 2]) >= 0;
        if (escape) {
            decoded += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// Every byte but letters, digits, "/", "-", ".", "_" and "~" as %XX.
std::string fileUrl(std::string_view path) {
    std::string url = "file://";
    for (char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                           (c >= 'A' && c <= 'Z') ||
                           std::string_view("/-._~").find(c) != std::string_view::npos;
        url += plain ? std::string(1, c)
                     : std::string{'%', kHexDigits[byte >> 4], kHexDigits[byte & 0xF]};
    }
    return url;
}

// A line holds an absolute path as it is unless reading it back would change it.
bool fitsOnALine(std::string_view path) {
    return path.find_first_of("\n\r") == std::string_view::npos && trimmed(path) == path;
}

std::string oneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text;
}

}  // namespace

std::vector<std::string> PlaylistLocations(std::string_view text, PlaylistKind kind) {
    return kind == PlaylistKind::Pls ? plsLocations(text) : m3uLocations(text);
}

std::string M3u8Text(const std::vector<PlaylistEntry>& entries) {
    std::string text = "#EXTM3U\n";
    for (const PlaylistEntry& entry : entries) {
        text += "#EXTINF:-1," + oneLine(entry.name) + "\n";
        text += (fitsOnALine(entry.path) ? entry.path : fileUrl(entry.path)) + "\n";
    }
    return text;
}

std::string PathOfFileUrl(std::string_view url) {
    if (!startsWithNoCase(url, "file:")) {
        return "";
    }
    std::string_view rest = url.substr(5);
    if (rest.substr(0, 2) == "//") {  // an authority: none, or this machine
        rest.remove_prefix(2);
        const std::size_t slash = std::min(rest.find('/'), rest.size());
        const std::string_view host = rest.substr(0, slash);
        if (!host.empty() && !(host.size() == 9 && startsWithNoCase(host, "localhost"))) {
            return "";
        }
        rest.remove_prefix(slash);
    }
    return percentDecoded(rest);
}

}  // namespace useful
