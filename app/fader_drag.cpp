// The drag protocol shared by every fader knob: a press takes hold, each move is
// a drag step that calls the track's press handler, a release lets go.

#include "app/Decks.h"
#include "app/device_names.h"
#include "app/failure_kinds.h"
#include "util/checked_arithmetic.h"

namespace app {

Decks::Fader Decks::volumeFader(int16_t Index) {
    const int16_t deck = DeckOf(Index);
    auto press = [this, Index](float top) { picVolume_MouseDown(Index, 1, 0, 0.0f, top); };
    return Fader(controls.picVolume[deck], controls.lblVolume[deck], Axis::Vertical,
                 state.draggingVolume, state.grabVolume, press, false, deck);
}

Decks::Fader Decks::speedFader(int16_t Index) {
    const int16_t deck = DeckOf(Index);
    auto press = [this, Index](float top) { picSpeed_MouseDown(Index, 1, 0, 0.0f, top); };
    return Fader(controls.picSpeed[deck], controls.lblSpeed[deck], Axis::Vertical,
                 state.draggingSpeed, state.grabSpeed, press, false, deck);
}

Decks::Fader Decks::seekFader(int16_t Index) {
    const int16_t deck = DeckOf(Index);
    auto press = [this, Index](float left) { picProgress_MouseDown(Index, 1, 0, left, 0.0f); };
    return Fader(controls.picProgress[deck], controls.lblProgress[deck], Axis::Horizontal,
                 state.draggingSeek, state.grabSeek, press, true, deck);
}

Decks::Fader Decks::crossfadeFader() {
    auto press = [this](float left) { picCrossfade_MouseDown(1, 0, left, 0.0f); };
    return Fader(controls.picCrossfade, controls.lblCrossfade, Axis::Horizontal,
                 state.draggingCrossfade, state.grabCrossfade, press, false, 0);
}

Decks::Fader Decks::sampleVolumeFader() {
    auto press = [this](float top) { picSampleVolume_MouseDown(1, 0, 0.0f, top); };
    return Fader(controls.picSampleVolume, controls.lblSampleVolume, Axis::Vertical,
                 state.draggingSampleVolume, state.grabSampleVolume, press, false, 0);
}

void Decks::pressKnob(const Fader& fader, float X, float Y) {
    if (fader.needsTitle && controls.lblTrack[fader.deck].Caption.empty()) {
        return;
    }
    EndQuietlyOnFailure([&] {
        fader.dragging = kTrue16;
        fader.grab = useful::RoundToInt16(fader.axis == Axis::Vertical ? Y : X);
    });
}

void Decks::dragKnob(const Fader& fader, float X, float Y) {
    if (fader.dragging == kFalse16) {
        return;
    }
    EndQuietlyOnFailure([&] {
        float& position = KnobPosition(fader.knob, fader.axis);
        const float pointer = fader.axis == Axis::Vertical ? Y : X;
        position =
            KeptOnTrack(position + pointer - static_cast<float>(fader.grab),
                        KnobSize(fader.knob, fader.axis), ScaleExtent(fader.track, fader.axis));
        fader.pressTrackAt(position);
    });
}

void Decks::releaseKnob(const Fader& fader) {
    fader.dragging = kFalse16;
}

// clang-format off
void Decks::lblVolume_MouseDown(int16_t Index, int16_t, int16_t, float X, float Y) { pressKnob(volumeFader(Index), X, Y); }
void Decks::lblVolume_MouseMove(int16_t Index, int16_t, int16_t, float X, float Y) { dragKnob(volumeFader(Index), X, Y); }
void Decks::lblVolume_MouseUp(int16_t Index, int16_t, int16_t, float, float) { releaseKnob(volumeFader(Index)); }
void Decks::lblSpeed_MouseDown(int16_t Index, int16_t, int16_t, float X, float Y) { pressKnob(speedFader(Index), X, Y); }
void Decks::lblSpeed_MouseMove(int16_t Index, int16_t, int16_t, float X, float Y) { dragKnob(speedFader(Index), X, Y); }
void Decks::lblSpeed_MouseUp(int16_t Index, int16_t, int16_t, float, float) { releaseKnob(speedFader(Index)); }
void Decks::lblProgress_MouseDown(int16_t Index, int16_t, int16_t, float X, float Y) { pressKnob(seekFader(Index), X, Y); }
void Decks::lblProgress_MouseMove(int16_t Index, int16_t, int16_t, float X, float Y) { dragKnob(seekFader(Index), X, Y); }
void Decks::lblProgress_MouseUp(int16_t Index, int16_t, int16_t, float, float) { releaseKnob(seekFader(Index)); }
void Decks::lblCrossfade_MouseDown(int16_t, int16_t, float X, float Y) { pressKnob(crossfadeFader(), X, Y); }
void Decks::lblCrossfade_MouseMove(int16_t, int16_t, float X, float Y) { dragKnob(crossfadeFader(), X, Y); }
void Decks::lblCrossfade_MouseUp(int16_t, int16_t, float, float) { releaseKnob(crossfadeFader()); }
void Decks::lblSampleVolume_MouseDown(int16_t, int16_t, float X, float Y) { pressKnob(sampleVolumeFader(), X, Y); }
void Decks::lblSampleVolume_MouseMove(int16_t, int16_t, float X, float Y) { dragKnob(sampleVolumeFader(), X, Y); }
void Decks::lblSampleVolume_MouseUp(int16_t, int16_t, float, float) { releaseKnob(sampleVolumeFader()); }
// clang-format on

}  // namespace app
