// tmrPlay_Timer: ten times a second, both decks' seek knobs and time labels
// follow their devices. It only displays; it never starts or stops anything.

#include "app/Decks.h"
#include "app/device_names.h"
#include "app/failure_kinds.h"
#include "app/track_texts.h"
#include "media/Media.h"
#include "util/checked_arithmetic.h"

namespace app {

// Each call asks the device afresh, as every step of a tick does.
double Decks::secondsPlayed(int16_t deck) {
    return useful::CheckedDivide(Media::GetPosition(AliasOf(deck)), state.frameRate(deck));
}

void Decks::tmrPlay_Timer() {
    int32_t elapsedSeconds[2] = {0, 0};
    auto centreKnob = [&](int16_t deck) {
        Control& knob = controls.lblProgress[deck];
        knob.Left = static_cast<float>(secondsPlayed(deck) - knob.Width / 2.0);
    };
    auto countSeconds = [&](int16_t deck) {
        elapsedSeconds[deck] = useful::RoundToInt32(secondsPlayed(deck));
    };
    SkipFailingSteps({
        [&] { centreKnob(0); },
        [&] { countSeconds(0); },
        [&] { centreKnob(1); },
        [&] { countSeconds(1); },
    });
    for (int16_t deck : {0, 1}) {
        controls.lblTime[deck].Caption =
            MinutesAndSeconds(elapsedSeconds[deck]) + " / " + state.totalTime(deck);
    }
}

}  // namespace app
