// Playlist files: one dropped, chosen or named adds the files it lists; a deck's
// playlist saved as one.

#include "app/Decks.h"
#include "app/device_names.h"
#include "util/log.h"
#include "util/playlist_file.h"

namespace app {

// Read off the window's thread: a list on a slow share holds up only what comes after it.
void Decks::addListedFiles(int16_t deck, const std::string& playlistFile) {
    const std::optional<useful::PlaylistListing> listing = files_.Listed(
        playlistFile, [this, deck, playlistFile](const useful::PlaylistListing& listed) {
            std::optional<std::deque<std::string>>& waiting = addsAfterList_[DeckIndex(deck)];
            const std::deque<std::string> after =
                std::move(waiting).value_or(std::deque<std::string>{});
            waiting.reset();
            addListing(deck, playlistFile, listed);
            for (const std::string& path : after) {
                addToPlaylist(deck, path);  // waits again behind another slow list
            }
        });
    if (!listing) {
        addsAfterList_[DeckIndex(deck)].emplace();
        return;
    }
    addListing(deck, playlistFile, *listing);
}

// Each listed file by the rule for one path. What could not be added is only counted.
void Decks::addListing(int16_t deck, const std::string& playlistFile,
                       const useful::PlaylistListing& listing) {
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
