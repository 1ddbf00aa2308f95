// Deck volumes, the crossfader, the speaker boxes and the sample volume. The
// volume routine is the only place where deck volumes are sent.

#include "app/Decks.h"
#include "app/device_names.h"
#include "app/failure_kinds.h"
#include "media/Media.h"
#include "util/checked_arithmetic.h"

namespace app {
namespace {

constexpr float kLowestKnobPlace = 100.0f;  // volume 0, crossfader all of deck 1

float limitedTo100(float position) {
    return position > kLowestKnobPlace ? kLowestKnobPlace : position;
}

int32_t volumeAt(float top) {
    return useful::RoundToInt32(100.0f - top);
}

bool ticked(const Control& checkBox) {
    return checkBox.Value == 1;
}

// A ticked speaker box keeps one channel at the deck's own volume; the other
// channel (or both, unticked) follows the crossfader.
void sendDeck(const std::string& alias, bool keepOwnChannel, const char* ownChannel,
              const char* otherChannel, int32_t ownVolume, int32_t fadedLevel) {
    if (keepOwnChannel) {
        Media::SetChannelVolume(alias, ownChannel, ownVolume);
        Media::SetChannelVolume(alias, otherChannel, fadedLevel);
    } else {
        Media::SetChannelVolume(alias, "both", fadedLevel);
    }
}

}  // namespace

void Decks::picVolume_MouseDown(int16_t Index, int16_t, int16_t, float, float Y) {
    EndQuietlyOnFailure([&] {
        const int16_t deck = DeckOf(Index);
        float& top = controls.lblVolume[deck].Top;
        top = limitedTo100(Y);
        state.volume(deck) = volumeAt(top);
        sendDeckVolumes();
    });
}

void Decks::sendDeckVolumes() {
    const float crossfade = controls.lblCrossfade.Left;
    const int16_t weightOfDeck0 = useful::RoundToInt16(100.0f - crossfade);
    const int32_t fadedA = useful::RoundToInt32(state.volumeA / 100.0 * weightOfDeck0);
    const int32_t fadedB = useful::RoundToInt32(state.volumeB / 100.0 * crossfade);
    sendDeck("a", ticked(controls.chkLeft), "left", "right", state.volumeA, fadedA);
    sendDeck("b", ticked(controls.chkRight), "right", "left", state.volumeB, fadedB);
    sendCueLevels();
}

void Decks::runVolumeRoutineInPlace() {
    picVolume_MouseDown(0, 1, 0, 0.0f, controls.lblVolume[0].Top);
}

void Decks::picCrossfade_MouseDown(int16_t, int16_t, float X, float) {
    controls.lblCrossfade.Left = limitedTo100(X);
    runVolumeRoutineInPlace();
}

void Decks::chkLeft_Click() {
    runVolumeRoutineInPlace();
}

void Decks::chkRight_Click() {
    runVolumeRoutineInPlace();
}

void Decks::picSampleVolume_MouseDown(int16_t, int16_t, float, float Y) {
    EndQuietlyOnFailure([&] {
        float& top = controls.lblSampleVolume.Top;
        top = limitedTo100(Y);
        state.sampleVolume = volumeAt(top);
        Media::SetChannelVolume(kSampleAlias, "both", state.sampleVolume);
    });
}

}  // namespace app
