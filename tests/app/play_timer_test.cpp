// tmrPlay_Timer: both decks' knobs and time labels at every tick.

#include <gtest/gtest.h>

#include "decks_test.h"

namespace {

class PlayTimer : public DecksTest {};

TEST_F(PlayTimer, ElapsedTimeRoundsHalvesToEvenAndCountsMinutesOn) {
    const std::pair<int32_t, const char*> cases[] = {{65500, "1:06 / 80:00"},
                                                     {64500, "1:04 / 80:00"},
                                                     {59600, "1:00 / 80:00"},
                                                     {4799000, "79:59 / 80:00"},
                                                     {0, "0:00 / 80:00"}};
    loadTrack("/music/eighty minutes.mp3", 0, 4800000);
    for (const auto& [position, caption] : cases) {
        scriptPosition("a", position);
        decks.tmrPlay_Timer();
        EXPECT_EQ(controls.lblTime[0].Caption, caption) << position;
    }
}

TEST_F(PlayTimer, ADeckWithoutTrackKeepsItsKnobAndReadsZero) {
    loadTrack("/music/song.mp3", 0, 200000);
    controls.lblProgress[1].Left = 12.0f;
    scriptPosition("b", 5000);
    decks.tmrPlay_Timer();
    EXPECT_FLOAT_EQ(controls.lblProgress[1].Left, 12.0f);
    EXPECT_EQ(controls.lblTime[1].Caption, "0:00 / 0:00");
}

TEST_F(PlayTimer, PositionsBeyond32767SecondsShowTheirTrueTime) {
    loadTrack("/music/long night.mp3", 1, 40000000);
    scriptPosition("b", 39999000);
    decks.tmrPlay_Timer();
    EXPECT_EQ(controls.lblTime[1].Caption, "666:39 / 666:40");
}

TEST_F(PlayTimer, EachTickAsksTwicePerDeckAndReCentresTheKnobEvenDuringADrag) {
    loadTrack("/music/song.mp3", 0, 200000);
    decks.lblProgress_MouseDown(0, 1, 0, 0.0f, 0.0f);
    decks.lblProgress_MouseMove(0, 1, 0, 40.0f, 0.0f);
    scriptPosition("a", 40000);
    platform().sent.clear();
    decks.tmrPlay_Timer();
    EXPECT_EQ(sent(), (Commands{"status a position", "status a position", "status b position",
                                "status b position"}));
    EXPECT_FLOAT_EQ(controls.lblProgress[0].Left, 40.0f - controls.lblProgress[0].Width / 2);
    EXPECT_EQ(state.draggingSeek, app::kTrue16);
}

}  // namespace
