// Playlist files: one dropped, chosen or named adds the files it lists; a deck's
// playlist saved as one.

#include "app/Decks.h"
#include "app/device_names.h"
#include "util/log.h"
#include "util/playlist_file.h"

namespace app {

// Each listed file by the rule for one path. What could not be added is only counted.
void Decks::addListedFiles(int16_t deck, const std::string& playlistFile) {
    const useful::PlaylistListing listing = useful::ReadPlaylistFile(playlistFile);
    for (const std::string& file : listing.files) {
        addToPlaylist(deck, file);
    }
    if (listing.skipped > 0) {
        useful::Log("playlist", "%s: skipped %zu of its entries (missing or not playable)",
                    playlistFile.c_str(), static_cast<size_t>(listing.skipped));
    }
}

std::string Decks::SavePlaylist(int16_t Index, const std::string& file) const {
    const int16_t deck = DeckOf(Index);
    const std::vector<std::string>& names = controls.lstPlaylist[deck].List;
    const std::vector<std::string>& paths = controls.lstPlayListPath[deck].List;
    std::vector<useful::PlaylistEntry> entries;
    for (std::size_t i = 0; i < paths.size() && i < names.size(); ++i) {
        entries.push_back({names[i], paths[i]});
    }
    return useful::WritePlaylistFile(file, std::move(entries));
}

}  // namespace app
