#include "util/useful.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "platform/platform.h"
#include "util/utf8.h"

namespace useful {
namespace {

constexpr std::array<std::string_view, 12> kPlayableKeys = {
    "mp3", "wma", "mpg", "wav", "wmv", "mid", "mp4", "m4a", "mov", "avi", "vob", "peg"};
constexpr std::array<std::string_view, 7> kVideoKeys = {"mpg", "peg", "mov", "wmv",
                                                        "avi", "vob", "mp4"};
constexpr int32_t kShowNormally = 1;

std::string typeKey(const std::string& path) {
    std::string key = LastCodePoints(path, 3);
    std::transform(key.begin(), key.end(), key.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return key;
}

template <std::size_t N>
bool hasKeyIn(const std::string& path, const std::array<std::string_view, N>& keys) {
    try {
        const std::string key = typeKey(path);
        return std::find(keys.begin(), keys.end(), key) != keys.end();
    } catch (...) {
        return false;
    }
}

}  // namespace

bool IsFolder(const std::string& path) {
    try {
        const int32_t attributes = platform::GetFileAttributes(path);
        return attributes != -1 && (attributes & platform::FILE_ATTRIBUTE_DIRECTORY) != 0;
    } catch (...) {
        return false;
    }
}

std::string FileNameOf(const std::string& path) {
    try {
        const std::size_t last = path.find_last_of("/\\");
        return last == std::string::npos ? path : path.substr(last + 1);
    } catch (...) {
        return "";
    }
}

bool IsPlayableFile(const std::string& path) {
    return hasKeyIn(path, kPlayableKeys);
}

bool IsVideoFile(const std::string& path) {
    return hasKeyIn(path, kVideoKeys);
}

void ShellOpen(const std::string& documentOrAddress, int32_t ownerWindow) {
    try {
        platform::ShellExecute(ownerWindow, "Open", documentOrAddress, "", "", kShowNormally);
    } catch (...) {
        // The shell's failures are dropped, as for a refused address.
    }
}

}  // namespace useful
