// The drag protocol and the limits and rounding of every fader kind.

#include <gtest/gtest.h>

#include "decks_test.h"

namespace {

class Faders : public DecksTest {};

// Press a knob, drag it along its axis by `by`, release it.
struct DragCase {
    const char* name;
    void (*press)(app::Decks&, float along);
    void (*move)(app::Decks&, float along);
    float (*position)(app::Decks&);
    float restPastTheEnd;  // where the knob rests after a drag far past the end
    const char* lastCommandPastTheEnd;
};

// clang-format off
const DragCase kDrags[] = {
    {"volume",
     [](app::Decks& d, float y) { d.lblVolume_MouseDown(0, 1, 0, 0, y); },
     [](app::Decks& d, float y) { d.lblVolume_MouseMove(0, 1, 0, 0, y); },
     [](app::Decks& d) { return d.controls.lblVolume[0].Top; }, 100.0f, "setaudio b Volume to 0"},
    {"sample volume",
     [](app::Decks& d, float y) { d.lblSampleVolume_MouseDown(2, 0, 0, y); },
     [](app::Decks& d, float y) { d.lblSampleVolume_MouseMove(2, 0, 0, y); },
     [](app::Decks& d) { return d.controls.lblSampleVolume.Top; }, 100.0f, "setaudio c Volume to 0"},
    {"crossfader",
     [](app::Decks& d, float x) { d.lblCrossfade_MouseDown(1, 0, x, 0); },
     [](app::Decks& d, float x) { d.lblCrossfade_MouseMove(1, 0, x, 0); },
     [](app::Decks& d) { return d.controls.lblCrossfade.Left; }, 100.0f, "setaudio b Volume to 1000"},
    {"speed",
     [](app::Decks& d, float y) { d.lblSpeed_MouseDown(1, 1, 0, 0, y); },
     [](app::Decks& d, float y) { d.lblSpeed_MouseMove(1, 1, 0, 0, y); },
     [](app::Decks& d) { return d.controls.lblSpeed[1].Top; }, 186.4662f, "set b speed 140"},
    {"seek",
     [](app::Decks& d, float x) { d.lblProgress_MouseDown(1, 1, 0, x, 0); },
     [](app::Decks& d, float x) { d.lblProgress_MouseMove(1, 1, 0, x, 0); },
     [](app::Decks& d) { return d.controls.lblProgress[1].Left; }, 300.0f - 135.0f * 300.0f / 2595.0f,
     "Play b"},
};
// clang-format on

TEST_F(Faders, EveryKnobStaysOnItsTrackAndItsPressHandlerAppliesItsOwnLimit) {
    loadTrack("/music/five minutes.mp3", 1, 300000);
    for (const DragCase& c : kDrags) {
        c.press(decks, 0.0f);
        c.move(decks, -1000.0f);
        EXPECT_FLOAT_EQ(c.position(decks), 0.0f) << c.name;
        platform().sent.clear();
        c.move(decks, 5000.0f);
        EXPECT_NEAR(c.position(decks), c.restPastTheEnd, 1e-3) << c.name;
        EXPECT_EQ(sent().back(), c.lastCommandPastTheEnd) << c.name;
    }
}

TEST_F(Faders, PressAndReleaseWithoutMovingSendsNothingAndAMoveWithoutPressChangesNothing) {
    decks.lblSpeed_MouseMove(0, 0, 0, 0, 40.0f);
    decks.lblVolume_MouseDown(0, 2, 0, 0, 3.0f);
    decks.lblVolume_MouseUp(0, 2, 0, 0, 3.0f);
    decks.lblVolume_MouseMove(0, 0, 0, 0, 40.0f);
    EXPECT_TRUE(platform().sent.empty());
    EXPECT_FLOAT_EQ(controls.lblSpeed[0].Top, 100.0f);
    EXPECT_FLOAT_EQ(controls.lblVolume[0].Top, 0.0f);
    EXPECT_EQ(state.draggingVolume, app::kFalse16);
    EXPECT_EQ(state.grabVolume, 3);
}

TEST_F(Faders, TheGrabOffsetIsRoundedToAWholeUnitSoTheKnobDriftsHalfAUnit) {
    decks.lblVolume_MouseDown(0, 1, 0, 0, 2.5f);
    EXPECT_EQ(state.draggingVolume, app::kTrue16);
    EXPECT_EQ(state.grabVolume, 2);
    decks.lblVolume_MouseMove(0, 1, 0, 0, 2.5f);
    EXPECT_FLOAT_EQ(controls.lblVolume[0].Top, 0.5f);
    EXPECT_EQ(sent(), (Commands{"setaudio a Volume to 1000", "setaudio b Volume to 0"}));
}

TEST_F(Faders, ASpeedKnobPressedBelowTheTrackIsPulledBackByTheNextDragStep) {
    decks.picSpeed_MouseDown(0, 1, 0, 0, 190.0f);
    decks.lblSpeed_MouseDown(0, 1, 0, 0, 0.0f);
    decks.lblSpeed_MouseMove(0, 1, 0, 0, 0.0f);
    EXPECT_NEAR(controls.lblSpeed[0].Top, 186.4662f, 1e-3);
    EXPECT_EQ(sent(), (Commands{"set a speed 100", "set a speed 140"}));
}

struct PressCase {
    const char* name;
    void (*press)(app::Decks&, float along);
    float along;
    float (*position)(app::Decks&);
    float placed;
    Commands sent;
};

// clang-format off
const PressCase kPresses[] = {
    {"volume halves to even down", [](app::Decks& d, float y) { d.picVolume_MouseDown(0, 1, 0, 0, y); }, 50.5f,
     [](app::Decks& d) { return d.controls.lblVolume[0].Top; }, 50.5f,
     {"setaudio a Volume to 500", "setaudio b Volume to 0"}},
    {"volume halves to even up", [](app::Decks& d, float y) { d.picVolume_MouseDown(0, 1, 0, 0, y); }, 51.5f,
     [](app::Decks& d) { return d.controls.lblVolume[0].Top; }, 51.5f,
     {"setaudio a Volume to 480", "setaudio b Volume to 0"}},
    {"volume below the end", [](app::Decks& d, float y) { d.picVolume_MouseDown(0, 1, 0, 0, y); }, 105.0f,
     [](app::Decks& d) { return d.controls.lblVolume[0].Top; }, 100.0f,
     {"setaudio a Volume to 0", "setaudio b Volume to 0"}},
    {"crossfader past the end", [](app::Decks& d, float x) { d.picCrossfade_MouseDown(1, 0, x, 0); }, 104.0f,
     [](app::Decks& d) { return d.controls.lblCrossfade.Left; }, 100.0f,
     {"setaudio a Volume to 0", "setaudio b Volume to 1000"}},
    {"sample volume at the top", [](app::Decks& d, float y) { d.picSampleVolume_MouseDown(1, 0, 0, y); }, 0.0f,
     [](app::Decks& d) { return d.controls.lblSampleVolume.Top; }, 0.0f, {"setaudio c Volume to 1000"}},
    {"speed halves to even up", [](app::Decks& d, float y) { d.picSpeed_MouseDown(1, 1, 0, 0, y); }, 50.5f,
     [](app::Decks& d) { return d.controls.lblSpeed[1].Top; }, 50.5f, {"set b speed 1500"}},
    {"speed halves to even down", [](app::Decks& d, float y) { d.picSpeed_MouseDown(7, 1, 0, 0, y); }, 51.5f,
     [](app::Decks& d) { return d.controls.lblSpeed[1].Top; }, 51.5f, {"set b speed 1480"}},
};
// clang-format on

TEST_F(Faders, ATrackPressPlacesTheKnobLimitsItAndSendsTheRoundedValue) {
    for (const PressCase& c : kPresses) {
        platform().sent.clear();
        c.press(decks, c.along);
        EXPECT_FLOAT_EQ(c.position(decks), c.placed) << c.name;
        EXPECT_EQ(sent(), c.sent) << c.name;
    }
}

}  // namespace
