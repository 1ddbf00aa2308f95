// Adding and removing playlist entries: names, paths, and the two lists in step.

#include <gtest/gtest.h>

#include <fstream>

#include "decks_test.h"
#include "temp_folder.h"

namespace {

class Playlists : public DecksTest {
  protected:
    Commands names(int16_t deck) { return controls.lstPlaylist[deck].List; }
    Commands paths(int16_t deck) { return controls.lstPlayListPath[deck].List; }
};

TEST_F(Playlists, TheDialogAddsOneNamedEntryPerChosenFile) {
    struct Case {
        const char* chosen;
        const char* shown;  // nullptr: nothing is added
    };
    const Case cases[] = {
        {"C:\\Music\\song.mp3", "song"}, {"C:\\Video\\clip.mpeg", "clip."},
        {"D:\\My.Music\\readme", "re"},  {"/home/dj/Música/Canción de cuna.mp3", "Canción de cuna"},
        {"/home/dj/a.mp", ""},           {"C:\\Music", nullptr},
        {"C:\\x.y\\ab", nullptr},        {"", nullptr},
    };
    for (const Case& c : cases) {
        controls.lstPlaylist[0].List.clear();
        controls.lstPlayListPath[0].List.clear();
        dialog.fileName = c.chosen;
        decks.cmdAddPlaylist_Click(0);
        EXPECT_EQ(names(0), c.shown ? Commands{c.shown} : Commands{}) << c.chosen;
        EXPECT_EQ(paths(0), c.shown ? Commands{c.chosen} : Commands{}) << c.chosen;
    }
    EXPECT_TRUE(names(1).empty());
}

TEST_F(Playlists, CancellingTheDialogAddsNothingEvenWithAFileChosenBefore) {
    dialog.fileName = "/music/song.mp3";
    decks.cmdAddPlaylist_Click(1);
    decks.cmdAddPlaylist_Click(1);
    dialog.confirms = false;
    decks.cmdAddPlaylist_Click(1);
    EXPECT_EQ(names(1), (Commands{"song", "song"}));
    EXPECT_EQ(paths(1), (Commands{"/music/song.mp3", "/music/song.mp3"}));
}

TEST_F(Playlists, ADropSkipsAPathThatCannotBeNamedAndAddsTheRestInOrder) {
    addEntries(0, {"/music/one.mp3", "/x.y/ab", "/music", "/music/three.wav"});
    EXPECT_EQ(names(0), (Commands{"one", "three"}));
    EXPECT_EQ(paths(0), (Commands{"/music/one.mp3", "/music/three.wav"}));
    addEntries(0, {});
    EXPECT_EQ(names(0).size(), 2u);
}

TEST_F(Playlists, APlaylistFileDroppedOrChosenAddsTheFilesItListsInItsPlace) {
    const TempFolder made("listed");
    const std::filesystem::path& folder = made.path();
    for (const char* name : {"one.mp3", "two.wav"}) {
        std::ofstream(folder / name) << "x";
    }
    const std::string list = (folder / "set.m3u").string();
    std::ofstream(list) << "two.wav\nmissing.mp3\none.mp3\n";

    addEntries(0, {"/m/first.mp3", list, "/m/last.mp3"});
    EXPECT_EQ(names(0), (Commands{"first", "two", "one", "last"}));
    EXPECT_EQ(paths(0), (Commands{"/m/first.mp3", (folder / "two.wav").string(),
                                  (folder / "one.mp3").string(), "/m/last.mp3"}));
    dialog.fileName = list;
    decks.cmdAddPlaylist_Click(1);
    EXPECT_EQ(names(1), (Commands{"two", "one"}));
}

// A playlist file on a slow share: what it lists lands in its place once it has answered,
// and whatever was added to that deck after it waits for it; the other deck does not.
TEST_F(Playlists, AListThatAnswersLateKeepsItsPlaceAndWhatCameAfterWaitsForIt) {
    const TempFolder made("listed");
    const std::filesystem::path& folder = made.path();
    std::ofstream(folder / "one.mp3") << "x";
    const std::string list = (folder / "set.m3u").string();
    std::ofstream(list) << "one.mp3\n";
    files.slowLists.insert(list);

    addEntries(0, {"/m/first.mp3", list, "/m/last.mp3"});
    dialog.fileName = "/m/chosen later.mp3";
    decks.cmdAddPlaylist_Click(0);
    addEntries(1, {"/m/other deck.mp3"});
    EXPECT_EQ(names(0), (Commands{"first"}));
    EXPECT_EQ(names(1), (Commands{"other deck"}));

    files.answer(list);
    EXPECT_EQ(names(0), (Commands{"first", "one", "last", "chosen later"}));
    EXPECT_EQ(paths(0).size(), names(0).size());
    addEntries(0, {"/m/after.mp3"});
    EXPECT_EQ(names(0).back(), "after");
}

TEST_F(Playlists, RemovingTakesTheSamePositionFromBothLists) {
    addEntries(0, {"/m/one.mp3", "/m/two.mp3", "/m/three.mp3"});
    decks.cmdRemovePlaylist_Click(0);  // nothing selected
    EXPECT_EQ(names(0).size(), 3u);
    controls.lstPlaylist[0].ListIndex = 1;
    decks.cmdRemovePlaylist_Click(0);
    EXPECT_EQ(names(0), (Commands{"one", "three"}));
    EXPECT_EQ(paths(0), (Commands{"/m/one.mp3", "/m/three.mp3"}));
    EXPECT_EQ(controls.lstPlaylist[0].ListIndex, -1);
    controls.lstPlaylist[0].ListIndex = 1;
    decks.lstPlaylist_DblClick(0);
    EXPECT_EQ(controls.lblTrack[0].Caption, "Unknown - three");
}

TEST_F(Playlists, AnEntryWithAnEmptyNameCanBePlayedStartedWithEnterAndRemoved) {
    platform().addFile("/m/.mp3");
    addEntries(0, {"/m/.mp3"});
    ASSERT_EQ(names(0), Commands{""});
    controls.lstPlaylist[0].ListIndex = 0;
    decks.lstPlaylist_DblClick(0);
    EXPECT_EQ(controls.lblTrack[0].Caption, "Unknown - ");
    platform().sent.clear();
    decks.lstPlaylist_KeyDown(0, 13, 0);
    EXPECT_EQ(sent().front(), "Close a");
    decks.cmdRemovePlaylist_Click(0);
    EXPECT_TRUE(names(0).empty());
    EXPECT_TRUE(paths(0).empty());
}

}  // namespace
