// The window's logic over the real platform and engine, in real time: a loaded
// track plays and the time label follows it.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/Decks.h"
#include "engine/test_media.h"
#include "media/Media.h"

namespace {

class NoDialog : public app::OpenFileDialog {
  public:
    bool ShowOpen() override { return false; }
    std::string FileName() const override { return ""; }
};

class NoFolders : public app::FolderListing {
  public:
    std::vector<std::string> PlainFilesIn(const std::string&) override { return {}; }
};

TEST(DecksPlayback, ALoadedTrackPlaysAndTheTimeLabelAdvances) {
    NoDialog dialog;
    NoFolders folders;
    app::Decks decks(dialog, folders);
    decks.Form_Load();
    const std::string track = enginetest::makeMedia("Tester - Three Seconds.wav",
                                                    enginetest::toneInput(440, 0.3, 3.0, 44100));

    decks.PlaySong(track, 0);
    EXPECT_EQ(decks.controls.lblTrack[0].Caption, "Tester  - Three Seconds");
    EXPECT_EQ(decks.controls.lblTime[0].Caption, "0:03");
    EXPECT_EQ(Media::GetMediaMode("a"), "playing");

    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    decks.tmrPlay_Timer();
    EXPECT_EQ(decks.controls.lblTime[0].Caption, "0:01 / 0:03");
    EXPECT_EQ(decks.controls.lblTime[1].Caption, "0:00 / 0:00");
    EXPECT_GT(decks.controls.lblProgress[0].Left, 0.5f);

    decks.picPause_Click(0);
    EXPECT_EQ(Media::GetMediaMode("a"), "paused");
    decks.Form_Unload();
    EXPECT_EQ(Media::GetMediaMode("a"), "ERROR");
}

}  // namespace
