// Playlist files on a real disk: what each kind lists, a saved list read back, and a
// save that fails half-way.

#include "util/playlist_file.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>

#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

// A folder of songs: a.mp3, "sub/b song.wav", ü.mp3 and notes.txt.
class PlaylistFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(folder / "sub");
        fs::create_directories(folder / "lists");
        for (const char* name : {"a.mp3", "sub/b song.wav", "\xC3\xBC.mp3", "notes.txt"}) {
            write(name, "x");
        }
    }

    void write(const std::string& name, const std::string& bytes) {
        std::ofstream(folder / name, std::ios::binary) << bytes;
    }
    std::string read(const std::string& name) {
        std::ifstream file(folder / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }
    std::string at(const std::string& name) { return (folder / name).string(); }

    const TempFolder made{"playlists"};
    const fs::path& folder = made.path();
};

struct Listing {
    const char* name;  // of the test case
    const char* file;  // of the playlist, in the folder
    std::string text;  // "@" stands for the folder
    std::vector<std::string> listed;
    int32_t skipped;
};
// ctest lists a case by its name, not its bytes.
void PrintTo(const Listing& c, std::ostream* os) {
    *os << c.name;
}

class ReadingPlaylists : public PlaylistFolder, public ::testing::WithParamInterface<Listing> {};

TEST_P(ReadingPlaylists, ListPlayableFilesThatExistInOrder) {
    std::string text = GetParam().text;
    for (std::size_t at = text.find('@'); at != std::string::npos; at = text.find('@')) {
        text.replace(at, 1, folder.string());
    }
    write(GetParam().file, text);
    const useful::PlaylistListing listing = useful::ReadPlaylistFile(at(GetParam().file));
    std::vector<std::string> expected;
    for (const std::string& name : GetParam().listed) {
        expected.push_back(at(name));
    }
    EXPECT_EQ(listing.files, expected);
    EXPECT_EQ(listing.skipped, GetParam().skipped);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ReadingPlaylists,
    ::testing::Values(
        // Latin-1 (ü is one byte), Windows line ends, blanks around an entry.
        Listing{"M3uInLatin1",
                "old.m3u",
                "#EXTM3U\r\n#EXTINF:12,A\r\na.mp3\r\n\r\n  sub/b song.wav \r\n@/\xFC.mp3\r\n"
                "missing.mp3\r\nnotes.txt\r\nhttp://example.com/web.mp3\r\n# a comment\r\n",
                {"a.mp3", "sub/b song.wav", "\xC3\xBC.mp3"},
                3},
        // UTF-8 with a byte order mark, from a folder beside the songs, with URLs.
        Listing{"M3u8WithUrls",
                "lists/new.M3U8",
                "\xEF\xBB\xBF#EXTM3U\n../\xC3\xBC.mp3\nfile://@/sub/b%20song.wav\n"
                "FILE://@/sub/../a.mp3\nfile://elsewhere@/a.mp3\n../lists/../a.mp3",
                {"\xC3\xBC.mp3", "sub/b song.wav", "a.mp3", "a.mp3"},
                1},
        // By entry number, not by line; other keys and cases of "File" alike.
        Listing{"PlsByNumber",
                "lists/mix.pls",
                "[playlist]\nFile10=missing.mp3\nFile2=../sub/b song.wav\nTitle2=B\n"
                "file1=file://localhost@/a.mp3\nFile3 = @/\xC3\xBC.mp3\nNumberOfEntries=4\n"
                "Version=2\n",
                {"a.mp3", "sub/b song.wav", "\xC3\xBC.mp3"},
                1}),
    [](const ::testing::TestParamInfo<Listing>& kind) { return kind.param.name; });

TEST_F(PlaylistFolder, AnUnreadablePlaylistListsNothing) {
    const useful::PlaylistListing listing = useful::ReadPlaylistFile(at("gone.m3u"));
    EXPECT_TRUE(listing.files.empty());
    EXPECT_EQ(listing.skipped, 0);
}

TEST_F(PlaylistFolder, ASavedPlaylistReadsBackAsTheSameListAndKeepsThePermissions) {
    for (const char* name : {"100% #1.mp3", "line\nbreak.mp3"}) {
        write(name, "x");
    }
    const std::vector<std::string> paths = {at("a.mp3"), at("100% #1.mp3"), at("sub/b song.wav"),
                                            at("line\nbreak.mp3"), at("\xC3\xBC.mp3")};
    std::vector<useful::PlaylistEntry> entries;
    for (const std::string& path : paths) {
        entries.push_back({"Caf\xC3\xA9 \xE2\x99\xAA", path});
    }
    write("lists/set.m3u8", "old");
    fs::permissions(folder / "lists/set.m3u8", fs::perms::owner_read | fs::perms::owner_write);

    ASSERT_EQ(useful::WritePlaylistFile(at("lists/set.m3u8"), entries), "");
    const std::string start = "#EXTM3U\n#EXTINF:-1,Caf\xC3\xA9 \xE2\x99\xAA\n" + at("a.mp3") + "\n";
    EXPECT_EQ(read("lists/set.m3u8").substr(0, start.size()), start);
    const useful::PlaylistListing listing = useful::ReadPlaylistFile(at("lists/set.m3u8"));
    EXPECT_EQ(listing.files, paths);
    EXPECT_EQ(listing.skipped, 0);
    EXPECT_EQ(fs::status(folder / "lists/set.m3u8").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
}

// A disk that fills up half-way, made by a limit on file sizes.
TEST_F(PlaylistFolder, ASaveThatFailsHalfWayLeavesTheOldFileAsItWas) {
    const std::string old = "#EXTM3U\n" + at("a.mp3") + "\n";
    write("set.m3u8", old);
    std::vector<useful::PlaylistEntry> entries(500, {"a song", at("a.mp3")});

    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit small = before;
    small.rlim_cur = 4096;
    const auto signalBefore = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string failure = useful::WritePlaylistFile(at("set.m3u8"), entries);
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, signalBefore);

    EXPECT_NE(failure.find(at("set.m3u8")), std::string::npos) << failure;
    EXPECT_EQ(read("set.m3u8"), old);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder)) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"a.mp3", "lists", "notes.txt", "set.m3u8", "sub",
                                              "\xC3\xBC.mp3"}));
}

}  // namespace
