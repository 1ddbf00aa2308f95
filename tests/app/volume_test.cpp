// The volume routine over the speaker boxes and crossfader positions.

#include <gtest/gtest.h>

#include "decks_test.h"

namespace {

class Volumes : public DecksTest {
  protected:
    // Deck volumes and crossfader through their own tracks.
    void setLevels(float volumeA, float volumeB, float crossfade) {
        decks.picVolume_MouseDown(1, 1, 0, 0, 100.0f - volumeB);
        decks.picCrossfade_MouseDown(1, 0, crossfade, 0);
        decks.picVolume_MouseDown(0, 1, 0, 0, 100.0f - volumeA);
        platform().sent.clear();
    }
};

struct SpeakerCase {
    int16_t left, right;
    Commands sent;
};

TEST_F(Volumes, TheSpeakerBoxesTakeOneChannelOfOneDeckOffTheCrossfader) {
    const SpeakerCase cases[] = {
        {0, 0, {"setaudio a Volume to 600", "setaudio b Volume to 150"}},
        {1,
         0,
         {"setaudio a left Volume to 800", "setaudio a right Volume to 600",
          "setaudio b Volume to 150"}},
        {0,
         1,
         {"setaudio a Volume to 600", "setaudio b right Volume to 600",
          "setaudio b left Volume to 150"}},
        {1,
         1,
         {"setaudio a left Volume to 800", "setaudio a right Volume to 600",
          "setaudio b right Volume to 600", "setaudio b left Volume to 150"}},
    };
    setLevels(80, 60, 25);
    for (const SpeakerCase& c : cases) {
        controls.chkLeft.Value = c.left;
        controls.chkRight.Value = c.right;
        platform().sent.clear();
        decks.chkLeft_Click();
        EXPECT_EQ(sent(), c.sent) << c.left << c.right;
        platform().sent.clear();
        decks.chkRight_Click();
        EXPECT_EQ(sent(), c.sent) << c.left << c.right;
    }
}

TEST_F(Volumes, CrossfaderPositionsScaleBothDecks) {
    struct Case {
        float volumeA, volumeB, crossfade;
        Commands sent;
    };
    const Case cases[] = {
        {75, 75, 50, {"setaudio a Volume to 380", "setaudio b Volume to 380"}},
        {100, 100, 0, {"setaudio a Volume to 1000", "setaudio b Volume to 0"}},
        {100, 90, 100, {"setaudio a Volume to 0", "setaudio b Volume to 900"}},
    };
    for (const Case& c : cases) {
        setLevels(c.volumeA, c.volumeB, c.crossfade);
        decks.chkRight_Click();
        EXPECT_EQ(sent(), c.sent) << c.crossfade;
    }
}

TEST_F(Volumes, MovingDeck1ResendsDeck0Unchanged) {
    setLevels(80, 60, 25);
    decks.picVolume_MouseDown(1, 1, 0, 0, 20.0f);
    EXPECT_EQ(state.volumeB, 80);
    EXPECT_EQ(sent(), (Commands{"setaudio a Volume to 600", "setaudio b Volume to 200"}));
}

// The headphones are beside the command language: a cue sends no command text, and the
// specified volume commands stay as they are.
TEST_F(Volumes, ACuedDeckGoesToTheHeadphonesAtItsOwnVolume) {
    using fake::CueCall;
    setLevels(80, 60, 0);
    platform().cueCalls.clear();
    decks.toggleCue(1);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(platform().cueCalls, (std::vector<CueCall>{{"a", false, 800}, {"b", true, 600}}));

    platform().cueCalls.clear();
    decks.picVolume_MouseDown(1, 1, 0, 0, 60.0f);
    EXPECT_EQ(sent(), (Commands{"setaudio a Volume to 800", "setaudio b Volume to 0"}));
    EXPECT_EQ(platform().cueCalls, (std::vector<CueCall>{{"a", false, 800}, {"b", true, 400}}));

    platform().cueCalls.clear();
    decks.toggleCue(1);
    EXPECT_EQ(platform().cueCalls, (std::vector<CueCall>{{"a", false, 800}, {"b", false, 400}}));
}

}  // namespace
