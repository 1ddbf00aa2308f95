// Adding files to a deck's playlist and removing the selected entry. The shown
// names and the hidden paths stay two lists of equal length and order.

#include "app/Decks.h"
#include "app/device_names.h"
#include "app/failure_kinds.h"
#include "app/track_texts.h"
#include "util/playlist_file.h"

namespace app {
namespace {

constexpr int16_t kEnterKey = 13;

}  // namespace

// A path without a playlist name is passed over; both lists are touched only after.
// A playlist file adds the files it lists instead; while it has not answered, what is added
// after it waits for it.
void Decks::addToPlaylist(int16_t deck, const std::string& path) {
    if (std::optional<std::deque<std::string>>& waiting = addsAfterList_[DeckIndex(deck)]) {
        waiting->push_back(path);
        return;
    }
    if (useful::IsPlaylistFile(path)) {
        addListedFiles(deck, path);
        return;
    }
    const std::optional<std::string> name = PlaylistName(path);
    if (!name) {
        return;
    }
    controls.lstPlaylist[deck].AddItem(*name);
    controls.lstPlayListPath[deck].AddItem(path);
}

void Decks::cmdAddPlaylist_Click(int16_t Index) {
    EndQuietlyOnFailure([&] {
        // A cancelled dialog adds nothing, whatever name it still holds.
        const std::string chosen = comDialog_.ShowOpen() ? comDialog_.FileName() : "";
        if (!chosen.empty()) {
            addToPlaylist(DeckOf(Index), chosen);
        }
    });
}

void Decks::cmdRemovePlaylist_Click(int16_t Index) {
    const int16_t deck = DeckOf(Index);
    EndQuietlyOnFailure([&] {
        Control& playlist = controls.lstPlaylist[deck];
        if (!playlist.HasSelection()) {
            return;
        }
        const int32_t position = playlist.ListIndex;
        controls.lstPlayListPath[deck].RemoveItem(position);
        playlist.RemoveItem(position);
    });
}

void Decks::lstPlaylist_KeyDown(int16_t Index, int16_t KeyCode, int16_t) {
    if (KeyCode == kEnterKey) {
        lstPlaylist_DblClick(Index);
    }
}

void Decks::lstPlaylist_OLEDragDrop(int16_t Index, const DropData& Data, int32_t&, int16_t, int16_t,
                                    float, float) {
    EndQuietlyOnFailure([&] {
        for (int32_t number = 1; number <= Data.FileCount(); ++number) {
            addToPlaylist(DeckOf(Index), Data.File(number));
        }
    });
}

}  // namespace app
