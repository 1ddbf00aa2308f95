#pragma once
// Playlist files on the disk: M3U, M3U8 and PLS read, M3U8 written.

#include <cstdint>
#include <string>
#include <vector>

#include "util/playlist_text.h"

namespace useful {

// True for a name ending in .m3u, .m3u8 or .pls, in any case.
bool IsPlaylistFile(const std::string& path);

struct PlaylistListing {
    std::vector<std::string> files;  // absolute paths, in the list's order
    int32_t skipped = 0;             // entries missing, not playable or not on this machine
};

// The playable files a playlist file lists that exist. Relative entries are taken from
// the playlist's folder, file:// URLs decoded; text that is not UTF-8 is read as
// Latin-1. A file that cannot be read lists nothing.
PlaylistListing ReadPlaylistFile(const std::string& path);

// Writes the entries as an M3U8 with absolute paths, replacing any file at `path` only
// once the whole new one is on the disk. Returns "" on success, else what failed and why.
std::string WritePlaylistFile(const std::string& path, std::vector<PlaylistEntry> entries);

}  // namespace useful
