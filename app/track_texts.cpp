#include "app/track_texts.h"

#include "util/extension.h"
#include "util/useful.h"
#include "util/utf8.h"

namespace app {
namespace {

constexpr std::size_t kExtensionLength = 4;  // the dot and three letters
constexpr const char* kArtistSeparator = " - ";

std::string twoDigits(int32_t value) {
    const std::string digits = std::to_string(value < 0 ? -value : value);
    return (value < 0 ? "-" : "") + (digits.size() < 2 ? "0" + digits : digits);
}

// Fewer characters than the extension leaves nothing to show.
std::optional<std::string> withoutExtension(const std::string& name) {
    const std::size_t length = useful::CodePointCount(name);
    if (length < kExtensionLength) {
        return std::nullopt;
    }
    return useful::FirstCodePoints(name, length - kExtensionLength);
}

// The title less its file's extension and the dot before it; whole when the file has none.
std::string withoutFileExtension(const std::string& title) {
    const std::size_t extension = useful::ExtensionOf(title).size();
    return extension == 0 ? title : title.substr(0, title.size() - extension - 1);
}

}  // namespace

std::string MinutesAndSeconds(int32_t seconds) {
    const int32_t minutes = seconds >= 60 ? seconds / 60 : 0;
    return std::to_string(minutes) + ":" + twoDigits(seconds - minutes * 60);
}

std::string TrackCaption(const std::string& fileName) {
    const std::string name = useful::FileNameOf(fileName);
    const std::size_t dash = name.find(kArtistSeparator);
    const bool hasArtist = dash != std::string::npos;
    const std::string artist = hasArtist ? name.substr(0, dash + 1) : "Unknown";
    const std::string title = hasArtist ? name.substr(dash + 3) : name;
    return artist + kArtistSeparator + withoutFileExtension(title);
}

std::optional<std::string> PlaylistName(const std::string& path) {
    if (path.find('.') == std::string::npos) {
        return std::nullopt;
    }
    return withoutExtension(useful::FileNameOf(path));
}

}  // namespace app
