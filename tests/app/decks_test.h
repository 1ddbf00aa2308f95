#pragma once
// A started window `Decks` over the scripted platform, with faked toolkit services.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/Decks.h"
#include "fakes/platform_test.h"

class FakeDialog : public app::OpenFileDialog {
  public:
    bool ShowOpen() override { return confirms; }
    std::string FileName() const override { return fileName; }
    bool confirms = true;
    std::string fileName;
};

class FakeFolders : public app::FolderListing {
  public:
    std::vector<std::string> PlainFilesIn(const std::string& folder) override {
        listed.push_back(folder);
        return files;
    }
    std::vector<std::string> files;
    std::vector<std::string> listed;
};

class FakeDrop : public app::DropData {
  public:
    explicit FakeDrop(std::vector<std::string> paths) : paths_(std::move(paths)) {}
    int32_t FileCount() const override { return static_cast<int32_t>(paths_.size()); }
    std::string File(int32_t number) const override { return paths_.at(number - 1); }

  private:
    std::vector<std::string> paths_;
};

// Files answer at once, but for the playlist files made slow: those answer on answer().
class FakeFileAnswers : public app::FilesReadAtOpen {
  public:
    std::optional<useful::PlaylistListing> Listed(
        const std::string& playlistFile,
        std::function<void(const useful::PlaylistListing&)> then) override {
        if (!slowLists.contains(playlistFile)) {
            return FilesReadAtOpen::Listed(playlistFile, then);
        }
        waiting[playlistFile] = std::move(then);
        return std::nullopt;
    }
    void answer(const std::string& playlistFile) {
        slowLists.erase(playlistFile);
        const auto then = std::move(waiting.at(playlistFile));
        waiting.erase(playlistFile);
        then(useful::ReadPlaylistFile(playlistFile));
    }
    std::set<std::string> slowLists;
    std::map<std::string, std::function<void(const useful::PlaylistListing&)>> waiting;
};

using Commands = std::vector<std::string>;

class DecksTest : public PlatformTest {
  protected:
    static constexpr int32_t kVideoWindow = 7;
    static constexpr int32_t kMainWindow = 3;

    void SetUp() override {
        PlatformTest::SetUp();
        platform().addFolder("/opt/rotavox/samples");
        decks.controls.picVideo.hWnd = kVideoWindow;
        decks.controls.Decks.hWnd = kMainWindow;
        decks.Form_Load();
        platform().sent.clear();
    }

    // A device under `alias` that answers a length of `milliseconds` (1000 frames a second).
    void scriptLength(const std::string& alias, int32_t milliseconds) {
        platform().answer("status " + alias + " length", 0, std::to_string(milliseconds));
    }
    void scriptPosition(const std::string& alias, int32_t milliseconds) {
        platform().answer("status " + alias + " position", 0, std::to_string(milliseconds));
    }
    // Loads a file that opens and lasts `milliseconds`, then forgets the commands.
    void loadTrack(const std::string& path, int16_t deck, int32_t milliseconds) {
        platform().addFile(path);
        scriptLength(deck == 0 ? "a" : "b", milliseconds);
        decks.PlaySong(path, deck);
        platform().sent.clear();
    }
    void addEntries(int16_t deck, const std::vector<std::string>& paths) {
        int32_t effect = 0;
        decks.lstPlaylist_OLEDragDrop(deck, FakeDrop(paths), effect, 1, 0, 0.0f, 0.0f);
    }
    Commands sent() { return platform().commands(); }

    FakeDialog dialog;
    FakeFolders folders;
    FakeFileAnswers files;
    app::Decks decks{dialog, folders, files};
    app::Controls& controls = decks.controls;
    app::FormState& state = decks.state;
};
