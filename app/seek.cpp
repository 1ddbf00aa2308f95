// The seek bars: a press or a drag step plays from the chosen second. The knob
// itself is left to the play timer.

#include "app/Decks.h"
#include "app/device_names.h"
#include "app/failure_kinds.h"
#include "media/Media.h"
#include "util/checked_arithmetic.h"

namespace app {

void Decks::picProgress_MouseDown(int16_t Index, int16_t, int16_t, float X, float) {
    if (controls.lblTrack[DeckOf(Index)].Caption.empty()) {
        return;
    }
    // A device that reports no length cannot give a frame rate: the seek ends here.
    EndQuietlyOnFailure([&] {
        const std::string alias = AliasOf(Index);
        const int32_t position =
            useful::RoundToInt32(static_cast<double>(X) * Media::GetFrameRate(alias));
        Media::SeekAndPlay(alias, position);
        if (state.paused(DeckOf(Index))) {
            Media::PauseMedia(alias);
        }
    });
}

}  // namespace app
