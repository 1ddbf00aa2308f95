#pragma once
// The texts the decks show for a track: times, titles and playlist names.

#include <cstdint>
#include <optional>
#include <string>

namespace app {

// Minutes without padding, ":", two-digit seconds; minutes never carry into hours.
std::string MinutesAndSeconds(int32_t seconds);

// "artist - title" from a file name: split at the first " - " (the artist keeps
// its trailing blank; "Unknown" without one), the title less the file's extension
// ("clip.mpeg" shows as "clip").
std::string TrackCaption(const std::string& fileName);

// The name a path shows in a playlist: its file name less the last four
// characters. None when the path holds no "." or its file name is shorter.
std::optional<std::string> PlaylistName(const std::string& path);

}  // namespace app
