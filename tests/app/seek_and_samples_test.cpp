// Seeking on a deck's bar, and firing samples.

#include <gtest/gtest.h>

#include "decks_test.h"

namespace {

class Seeking : public DecksTest {
  protected:
    // The device on `alias` reports 25 frames a second for the next frame-rate query.
    void scriptTwentyFiveFramesASecond(const std::string& alias) {
        platform().answerOnce("status " + alias + " length", 0, "10000");  // ms
        platform().answerOnce("status " + alias + " length", 0, "250");    // frames
    }
    // The commands sent, without the frame-rate queries.
    Commands transport() {
        Commands kept;
        for (const std::string& command : sent()) {
            if (command.rfind("set ", 0) != 0 && command.rfind("status ", 0) != 0) {
                kept.push_back(command);
            }
        }
        return kept;
    }
};

TEST_F(Seeking, APressPlaysFromTheFrameAtXAndAPausedDeckStaysPaused) {
    struct Case {
        int16_t deck;
        float x;
        bool pausedA, pausedB;
        Commands sent;
    };
    const Case cases[] = {
        {0, 30.0f, false, true, {"seek a to 750", "Play a"}},
        {0, 30.0f, true, false, {"seek a to 750", "Play a", "Pause a"}},
        {0, 10.5f, false, false, {"seek a to 262", "Play a"}},
        {0, 11.5f, false, false, {"seek a to 288", "Play a"}},
        {1, 2.0f, true, false, {"seek b to 50", "Play b"}},
    };
    for (const Case& c : cases) {
        state.pausedA = c.pausedA;
        state.pausedB = c.pausedB;
        scriptTwentyFiveFramesASecond(c.deck == 0 ? "a" : "b");
        platform().sent.clear();
        decks.picProgress_MouseDown(c.deck, 1, 0, c.x, 0.0f);
        EXPECT_EQ(transport(), c.sent) << c.deck << " " << c.x;
    }
}

TEST_F(Seeking, NothingHappensWithoutATitleOrWithoutALength) {
    controls.lblTrack[0].Caption = "";
    decks.picProgress_MouseDown(0, 1, 0, 3.0f, 0.0f);
    decks.lblProgress_MouseDown(0, 1, 0, 3.0f, 0.0f);
    EXPECT_TRUE(platform().sent.empty());
    EXPECT_EQ(state.draggingSeek, app::kFalse16);

    decks.picProgress_MouseDown(1, 1, 0, 3.0f, 0.0f);  // a length of 0 gives no frame rate
    EXPECT_TRUE(transport().empty());
}

class Samples : public DecksTest {
  protected:
    void select(const std::string& name) {
        controls.file1.FileName = name;
        platform().addFile("/opt/rotavox/samples/" + name);
        platform().answer("status c length", 0, "1500");
    }
};

TEST_F(Samples, ADoubleClickCutsTheLastSampleAndPlaysTheSelectedOneAtTheSampleVolume) {
    decks.picSampleVolume_MouseDown(1, 0, 0.0f, 70.0f);
    select("air horn.wav");
    platform().sent.clear();
    decks.file1_DblClick();
    EXPECT_EQ(sent(), (Commands{"Close c",
                                "open /opt/rotavox/samples/air horn.wav type MPEGVideo Alias c "
                                "parent 3 Style 1073741824",
                                "set c time format frames", "status c length",
                                "play c from 0 to 1500", "setaudio c Volume to 300"}));
}

TEST_F(Samples, NothingHappensForAnUnplayableFileOrWithNothingSelected) {
    select("readme.txt");
    decks.file1_DblClick();
    controls.file1.FileName = "";
    decks.file1_DblClick();
    EXPECT_TRUE(platform().sent.empty());
}

}  // namespace
