// The speed faders: the knob's place is the setting; nothing else stores it.

#include "app/Decks.h"
#include "app/device_names.h"
#include "app/failure_kinds.h"
#include "media/Media.h"
#include "util/checked_arithmetic.h"

namespace app {
namespace {

constexpr float kNormalSpeedTop = 100.0f;

}  // namespace

int32_t SpeedAt(float top) {
    return useful::RoundToInt32(200.0f - top);
}

void Decks::picSpeed_MouseDown(int16_t Index, int16_t, int16_t, float, float Y) {
    EndQuietlyOnFailure([&] {
        float& top = controls.lblSpeed[DeckOf(Index)].Top;
        top = Y;  // no upper limit, unlike the volume-type faders
        Media::SetSpeed(AliasOf(Index), SpeedAt(top));
    });
}

// The press that came with the double-click may have begun a drag; it ends here, so the
// knob stays at normal speed until the next press.
void Decks::picSpeed_DblClick(int16_t Index) {
    state.draggingSpeed = kFalse16;
    picSpeed_MouseDown(Index, 1, 0, 0.0f, kNormalSpeedTop);
}

void Decks::lblSpeed_DblClick(int16_t Index) {
    picSpeed_DblClick(Index);
}

}  // namespace app
