// The headphones: which decks are cued, and their level there, which is the deck's own
// volume whatever the crossfader and the speaker boxes do. Sent with every run of the volume
// routine (so a newly loaded track gets it too) and on every toggle; no command text.

#include "app/Decks.h"
#include "app/device_names.h"
#include "platform/headphones.h"

namespace app {

void Decks::toggleCue(int16_t Index) {
    cued_[DeckIndex(Index)] = !cued_[DeckIndex(Index)];
    sendCueLevels();
}

void Decks::sendCueLevels() {
    for (int16_t deck = 0; deck < 2; ++deck) {
        platform::SetCue(AliasOf(deck), cued(deck), state.volume(deck) * 10);
    }
}

}  // namespace app
