#include "util/playlist_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>

#include "util/atomic_file.h"
#include "util/extension.h"
#include "util/useful.h"
#include "util/utf8.h"

namespace useful {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// By the extension; none for another file.
std::optional<PlaylistKind> kindOf(const std::string& path) {
    std::string extension = ExtensionOf(path);
    std::transform(extension.begin(), extension.end(), extension.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    if (extension == "m3u" || extension == "m3u8") {
        return PlaylistKind::M3u;
    }
    return extension == "pls" ? std::optional(PlaylistKind::Pls) : std::nullopt;
}

// The file's text in UTF-8, without a byte order mark.
std::string textOf(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (std::string_view(bytes).substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        bytes.erase(0, kByteOrderMark.size());
    }
    return IsUtf8(bytes) ? bytes : Latin1ToUtf8(bytes);
}

// A scheme ("http:", "file:"): two or more letters before the first colon. One letter is a
// drive (C:\Music\a.mp3), which names nothing on this system.
bool isUrl(const std::string& location) {
    const std::size_t colon = location.find(':');
    return colon != std::string::npos && colon >= 2 &&
           std::all_of(location.begin(), location.begin() + static_cast<std::ptrdiff_t>(colon),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

// The absolute path an entry names; "" for a web address or another machine's file.
std::string pathOf(const std::string& location, const fs::path& folder) {
    const fs::path entry(isUrl(location) ? PathOfFileUrl(location) : location);
    if (entry.empty()) {
        return "";
    }
    return (entry.is_absolute() ? entry : folder / entry).lexically_normal().string();
}

bool isPlayableFileOnDisk(const std::string& path) {
    std::error_code error;
    return !path.empty() && IsPlayableFile(path) && fs::is_regular_file(path, error);
}

}  // namespace

bool IsPlaylistFile(const std::string& path) {
    return kindOf(path).has_value();
}

PlaylistListing ReadPlaylistFile(const std::string& path) {
    std::error_code error;
    const fs::path folder = fs::absolute(path, error).parent_path();
    const PlaylistKind kind = kindOf(path).value_or(PlaylistKind::M3u);
    PlaylistListing listing;
    for (const std::string& location : PlaylistLocations(textOf(path), kind)) {
        const std::string file = pathOf(location, folder);
        if (isPlayableFileOnDisk(file)) {
            listing.files.push_back(file);
        } else {
            ++listing.skipped;
        }
    }
    return listing;
}

std::string WritePlaylistFile(const std::string& path, std::vector<PlaylistEntry> entries) {
    for (PlaylistEntry& entry : entries) {
        std::error_code error;
        const fs::path absolute = fs::absolute(entry.path, error);
        entry.path = error ? entry.path : absolute.lexically_normal().string();
    }
    return ReplaceFile(path, M3u8Text(entries));
}

}  // namespace useful
