// Play, pause and starting the selected playlist entry.

#include "app/Decks.h"
#include "app/device_names.h"
#include "app/failure_kinds.h"
#include "media/Media.h"

namespace app {

void Decks::lstPlaylist_DblClick(int16_t Index) {
    const int16_t deck = DeckOf(Index);
    EndQuietlyOnFailure([&] {
        // Selected by position: an entry with an empty name is still an entry.
        const Control& playlist = controls.lstPlaylist[deck];
        if (!playlist.HasSelection()) {
            return;
        }
        Control& paths = controls.lstPlayListPath[deck];
        paths.Select(playlist.ListIndex);
        PlaySong(paths.Text(), Index);
    });
}

void Decks::picPlay_Click(int16_t Index) {
    const std::string alias = AliasOf(Index);
    if (Media::GetMediaMode(alias) == "paused") {
        Media::ResumeMedia(alias);
    } else {
        lstPlaylist_DblClick(Index);
    }
    state.paused(DeckOf(Index)) = false;
    runVolumeRoutineInPlace();
}

void Decks::picPause_Click(int16_t Index) {
    Media::PauseMedia(AliasOf(Index));
    state.paused(DeckOf(Index)) = true;
}

}  // namespace app
