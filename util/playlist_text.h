#pragma once
// The text of playlist files: the entries an M3U or PLS lists, and an M3U8 to write.
// Text only: no files are looked at.

#include <string>
#include <string_view>
#include <vector>

namespace useful {

enum class PlaylistKind { M3u, Pls };

// The entries as the text writes them (paths, relative paths or URLs), in order: an
// M3U's lines without blank, comment and #EXTINF lines; a PLS's FileN values by N.
// Blanks around an entry are dropped.
std::vector<std::string> PlaylistLocations(std::string_view text, PlaylistKind kind);

struct PlaylistEntry {
    std::string name;  // for the #EXTINF line
    std::string path;
};

// An extended M3U in UTF-8: "#EXTM3U", then per entry "#EXTINF:-1," + name and the path
// (the length is not known). Absolute paths; one that a line cannot hold goes as a
// file:// URL.
std::string M3u8Text(const std::vector<PlaylistEntry>& entries);

// The local path a file:// URL names (percent escapes decoded), "" for another host.
std::string PathOfFileUrl(std::string_view url);

}  // namespace useful
