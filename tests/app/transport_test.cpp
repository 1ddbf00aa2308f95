// Play, pause, double-click and Enter on a deck, from each state.

#include <gtest/gtest.h>

#include <algorithm>

#include "decks_test.h"

namespace {

class Transport : public DecksTest {
  protected:
    bool wasSent(const std::string& command) {
        const Commands all = sent();
        return std::find(all.begin(), all.end(), command) != all.end();
    }
};

struct TransportCase {
    const char* name;
    const char* mode;  // what "status a mode" answers; "" for a device that is not open
    bool pausedBefore;
    int32_t selected;
    void (*act)(app::Decks&);
    bool resumes, loads, pausedAfter;
};

void play(app::Decks& decks) {
    decks.picPlay_Click(0);
}
void pause(app::Decks& decks) {
    decks.picPause_Click(0);
}
void doubleClick(app::Decks& decks) {
    decks.lstPlaylist_DblClick(0);
}
void enterWithShift(app::Decks& decks) {
    decks.lstPlaylist_KeyDown(0, 13, 1);
}

const TransportCase kCases[] = {
    {"play a selected entry on an empty deck", "", false, 0, play, false, true, false},
    {"play with nothing selected", "", false, -1, play, false, false, false},
    {"pause while playing", "playing", false, 0, pause, false, false, true},
    {"pause while paused", "paused", true, 0, pause, false, false, true},
    {"play while paused resumes", "paused", true, 0, play, true, false, false},
    {"double-click while paused keeps the mark", "paused", true, 0, doubleClick, false, true, true},
    {"enter while paused keeps the mark", "paused", true, 0, enterWithShift, false, true, true},
    {"play after the end loads again", "stopped", true, 0, play, false, true, false},
    {"play while playing restarts", "playing", false, 0, play, false, true, false},
};

TEST_F(Transport, EachActionFromEachState) {
    platform().addFile("/music/one.mp3");
    addEntries(0, {"/music/one.mp3"});
    for (const TransportCase& c : kCases) {
        platform().answer("status a mode", std::string(c.mode).empty() ? 263 : 0, c.mode);
        state.pausedA = c.pausedBefore;
        controls.lstPlaylist[0].ListIndex = c.selected;
        platform().sent.clear();
        c.act(decks);
        EXPECT_EQ(wasSent("Resume a"), c.resumes) << c.name;
        EXPECT_EQ(wasSent("Close a"), c.loads) << c.name;
        EXPECT_EQ(wasSent("Pause a"), c.act == pause) << c.name;
        EXPECT_EQ(state.pausedA, c.pausedAfter) << c.name;
        EXPECT_FALSE(state.pausedB) << c.name;
    }
}

TEST_F(Transport, PlayWithNothingSelectedStillSendsBothDecksVolumes) {
    decks.picPlay_Click(1);
    EXPECT_EQ(sent(),
              (Commands{"status b mode", "setaudio a Volume to 1000", "setaudio b Volume to 0"}));
}

TEST_F(Transport, AMisalignedPathListEndsTheDoubleClickQuietly) {
    addEntries(0, {"/music/one.mp3"});
    controls.lstPlayListPath[0].List.clear();
    controls.lstPlaylist[0].ListIndex = 0;
    decks.lstPlaylist_DblClick(0);
    EXPECT_TRUE(platform().sent.empty());
    EXPECT_FALSE(controls.tmrPlay.Enabled);
}

}  // namespace
