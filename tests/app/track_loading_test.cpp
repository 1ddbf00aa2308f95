// PlaySong: the commands of a load in order, the captions, the seek-bar scale
// and the total time.

#include <gtest/gtest.h>

#include "app/track_texts.h"
#include "decks_test.h"

namespace {

class TrackLoading : public DecksTest {};

// What every open of a file that lasts 183.5 s on "a" sends up to its speed.
const Commands kOpenAndMeasure = {
    "Close a",
    "open /music/ARTIST~1.MP3 type MPEGVideo Alias a parent 7 Style 1073741824",
    "set a time format frames",
    "status a length",
    "play a from 0 to 183500",
    "set a time format ms",
    "status a length",
    "set a time format frames",  // frame rate
    "set a time format frames",
    "status a length",
    "set a time format frames",
    "status a length",  // seek-bar scale
    "set a time format frames",
    "status a length",  // total seconds
};

Commands with(Commands commands, const Commands& more) {
    commands.insert(commands.end(), more.begin(), more.end());
    return commands;
}

TEST_F(TrackLoading, ASoundFileStartsMeasuredTitledAtTheFadersSpeedAndVolume) {
    platform().addFile("/music/Artist - Song.mp3");
    platform().setShortPath("/music/Artist - Song.mp3", "/music/ARTIST~1.MP3");
    scriptLength("a", 183500);
    decks.picSpeed_MouseDown(0, 1, 0, 0, 50.0f);
    platform().sent.clear();

    decks.PlaySong("/music/Artist - Song.mp3", 0);

    EXPECT_EQ(sent(), with(kOpenAndMeasure, {"set a speed 1500", "setaudio a Volume to 1000",
                                             "setaudio b Volume to 0"}));
    EXPECT_TRUE(controls.tmrPlay.Enabled);
    EXPECT_EQ(state.frameRateA, 1000);
    EXPECT_FLOAT_EQ(controls.picProgress[0].ScaleWidth, 183.5f);
    EXPECT_NEAR(controls.lblProgress[0].Width, 135.0f * 183.5f / 2595.0f, 1e-4);
    EXPECT_EQ(state.totalTimeA, "3:04");  // 183.5 s: the half goes to the even 184
    EXPECT_EQ(controls.lblTime[0].Caption, "3:04");
    EXPECT_EQ(controls.lblTrack[0].Caption, "Artist  - Song");
    EXPECT_EQ(controls.picVideo.BackColor, app::kSystemColour);
    EXPECT_EQ(state.totalTimeB, "0:00");
}

TEST_F(TrackLoading, AVideoFileBlackensTheVideoAreaAndIsPlacedInItInPixels) {
    platform().addFile("/video/clip.mpeg");
    scriptLength("b", 600000);
    decks.PlaySong("/video/clip.mpeg", 1);
    const Commands all = sent();
    const Commands tail(all.end() - 4, all.end());
    EXPECT_EQ(tail, (Commands{"put b window at 0 0 177 137", "set b speed 1000",
                              "setaudio a Volume to 1000", "setaudio b Volume to 0"}));
    EXPECT_EQ(controls.picVideo.BackColor, app::kBlack);
    EXPECT_EQ(controls.lblTrack[1].Caption, "Unknown - clip");
    EXPECT_EQ(state.totalTimeB, "10:00");
}

TEST_F(TrackLoading, ARefusedFileOnlyStartsTheTimer) {
    decks.PlaySong("/docs/notes.txt", 0);
    EXPECT_TRUE(controls.tmrPlay.Enabled);
    EXPECT_TRUE(platform().sent.empty());
    EXPECT_EQ(controls.lblTrack[0].Caption, "READY");
}

TEST_F(TrackLoading, AFileThatDoesNotOpenLeavesTheDeckShownEmpty) {
    loadTrack("/music/first.mp3", 1, 61000);
    decks.tmrPlay_Timer();
    platform().answer("open  type MPEGVideo Alias b parent 7 Style 1073741824", 275);
    decks.PlaySong("/music/gone.mp3", 1);
    EXPECT_EQ(state.frameRateB, 0);
    EXPECT_EQ(state.totalTimeB, "0:00");
    EXPECT_FLOAT_EQ(controls.picProgress[1].ScaleWidth, 200.0f);
    EXPECT_FLOAT_EQ(controls.lblProgress[1].Left, 0.0f);
    EXPECT_EQ(controls.lblTrack[1].Caption, "Unknown - gone");
    decks.tmrPlay_Timer();
    EXPECT_EQ(controls.lblTime[1].Caption, "0:00 / 0:00");
    EXPECT_FLOAT_EQ(controls.lblProgress[1].Left, 0.0f);
}

TEST_F(TrackLoading, ATrackBeyond32767SecondsShowsItsTrueLength) {
    loadTrack("/music/long night.mp3", 0, 40000000);
    EXPECT_EQ(state.totalTimeA, "666:40");
    EXPECT_FLOAT_EQ(controls.picProgress[0].ScaleWidth, 40000.0f);
}

TEST_F(TrackLoading, ATrackOfNoLengthKeepsThePreviousRateAndScale) {
    loadTrack("/music/first.mp3", 0, 61000);
    loadTrack("/music/empty.mp3", 0, 0);
    EXPECT_EQ(state.frameRateA, 1000);
    EXPECT_FLOAT_EQ(controls.picProgress[0].ScaleWidth, 61.0f);  // a zero scale is refused
    EXPECT_EQ(state.totalTimeA, "0:00");
}

TEST(TrackTexts, CaptionsSplitAtTheFirstDashAndDropTheFileExtension) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Music\\Artist - Song.mp3", "Artist  - Song"},
        {"/m/A - B - C.mp3", "A  - B - C"},
        {"/m/Plain Name.wav", "Unknown - Plain Name"},
        {"/m/X - ab", "X  - ab"},
        {"/m/Édith - Café.mp3", "Édith  - Café"},
        {"/m/Band - Song.mp3x", "Band  - Song"},
        {"/m/Vol. 2 - Intro.tar.mpeg", "Vol. 2  - Intro.tar"},
        {"/m/Live at No. 5 mp3", "Unknown - Live at No. 5 mp3"},  // no extension to drop
        {"/m/Take - .mp3", "Take  - "},
    };
    for (const auto& [path, caption] : cases) {
        EXPECT_EQ(app::TrackCaption(path), caption) << path;
    }
}

}  // namespace
