#pragma once
// The window `Decks`: its controls, its state and every handler. The view calls
// a handler for each event, after writing what the user changed (a selection's
// ListIndex, a check box's Value, the samples list's FileName) into `controls`,
// and repaints from `controls` afterwards. Before Form_Load the view writes the
// window handles of the main window and the video area from the window registry
// into controls.Decks.hWnd and controls.picVideo.hWnd. UI thread only.

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/fader_geometry.h"
#include "app/form_state.h"
#include "app/layout.h"
#include "app/toolkit_services.h"

namespace app {

inline constexpr const char* kMakerAddress = "https://quillfen.example/rotavox";

// The speed in percent that a speed knob standing at `top` shows.
int32_t SpeedAt(float top);

// Start-up could not prepare the samples folder; what() says which.
class StartupFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class Decks {
  public:
    // `files` must outlive the decks.
    Decks(OpenFileDialog& comDialog, FolderListing& folders, FileAnswers& files = readAtOpen_);

    Controls controls = BuildControls();
    FormState state;

    // Start-up and shut-down. Form_Load throws StartupFailure when the samples
    // folder cannot be made; the view shows its text and ends the program.
    void Form_Load();
    void Form_Unload();
    void lblCopyright_Click();

    // Track loading, the play timer and the transport.
    void PlaySong(const std::string& fileName, int16_t deck);
    void tmrPlay_Timer();
    void lstPlaylist_DblClick(int16_t Index);
    void picPlay_Click(int16_t Index);
    void picPause_Click(int16_t Index);

    // Playlist editing.
    void cmdAddPlaylist_Click(int16_t Index);
    void cmdRemovePlaylist_Click(int16_t Index);
    void lstPlaylist_KeyDown(int16_t Index, int16_t KeyCode, int16_t Shift);
    void lstPlaylist_OLEDragDrop(int16_t Index, const DropData& Data, int32_t& Effect,
                                 int16_t Button, int16_t Shift, float X, float Y);
    // The playlist's right-click menu: the deck's entries saved as an M3U8 file.
    // Returns "" on success, else what failed and why.
    std::string SavePlaylist(int16_t Index, const std::string& file) const;

    // Samples.
    void file1_DblClick();

    // Presses on fader tracks. picVolume_MouseDown is also the volume routine
    // that sends every deck channel volume again.
    void picVolume_MouseDown(int16_t Index, int16_t Button, int16_t Shift, float X, float Y);
    void picSpeed_MouseDown(int16_t Index, int16_t Button, int16_t Shift, float X, float Y);
    // A double-click on a speed track or knob: the deck back to normal speed.
    void picSpeed_DblClick(int16_t Index);
    void lblSpeed_DblClick(int16_t Index);
    void picProgress_MouseDown(int16_t Index, int16_t Button, int16_t Shift, float X, float Y);
    void picCrossfade_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
    void picSampleVolume_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
    void chkLeft_Click();
    void chkRight_Click();

    // Beyond the window's own events: a click on a deck's disc or title puts that deck on
    // the headphones (at its own volume, before the crossfader) or takes it off.
    void toggleCue(int16_t Index);
    bool cued(int16_t deck) const { return cued_[DeckIndex(deck)]; }

    // Knob drags: press, move, release. X and Y are relative to the knob.
    void lblVolume_MouseDown(int16_t Index, int16_t Button, int16_t Shift, float X, float Y);
    void lblVolume_MouseMove(int16_t Index, int16_t Button, int16_t Shift, float X, float Y);
    void lblVolume_MouseUp(int16_t Index, int16_t Button, int16_t Shift, float X, float Y);
    void lblSpeed_MouseDown(int16_t Index, int16_t Button, int16_t Shift, float X, float Y);
    void lblSpeed_MouseMove(int16_t Index, int16_t Button, int16_t Shift, float X, float Y);
    void lblSpeed_MouseUp(int16_t Index, int16_t Button, int16_t Shift, float X, float Y);
    void lblProgress_MouseDown(int16_t Index, int16_t Button, int16_t Shift, float X, float Y);
    void lblProgress_MouseMove(int16_t Index, int16_t Button, int16_t Shift, float X, float Y);
    void lblProgress_MouseUp(int16_t Index, int16_t Button, int16_t Shift, float X, float Y);
    void lblCrossfade_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
    void lblCrossfade_MouseMove(int16_t Button, int16_t Shift, float X, float Y);
    void lblCrossfade_MouseUp(int16_t Button, int16_t Shift, float X, float Y);
    void lblSampleVolume_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
    void lblSampleVolume_MouseMove(int16_t Button, int16_t Shift, float X, float Y);
    void lblSampleVolume_MouseUp(int16_t Button, int16_t Shift, float X, float Y);

  private:
    // One fader's parts for the drag protocol shared by all five kinds.
    struct Fader {
        Control& track;
        Control& knob;
        Axis axis;
        int16_t& dragging;
        int16_t& grab;
        std::function<void(float position)> pressTrackAt;
        bool needsTitle;  // the seek bar: only while the deck's title is not empty
        int16_t deck;
    };
    Fader volumeFader(int16_t Index);
    Fader speedFader(int16_t Index);
    Fader seekFader(int16_t Index);
    Fader crossfadeFader();
    Fader sampleVolumeFader();
    void pressKnob(const Fader& fader, float X, float Y);
    void dragKnob(const Fader& fader, float X, float Y);
    static void releaseKnob(const Fader& fader);

    void sendDeckVolumes();
    void sendCueLevels();
    void runVolumeRoutineInPlace();
    void showTrackLength(int16_t deck);
    void showEmptyDeck(int16_t deck);
    double secondsPlayed(int16_t deck);
    void addToPlaylist(int16_t deck, const std::string& path);
    void addListedFiles(int16_t deck, const std::string& playlistFile);
    void addListing(int16_t deck, const std::string& playlistFile,
                    const useful::PlaylistListing& listing);
    std::string samplesFolder() const;

    static size_t DeckIndex(int16_t deck) { return deck == 0 ? 0 : 1; }
    std::array<bool, 2> cued_{};  // the decks on the headphones
    // Per deck, the number of its latest load: a load that waits for its file is dropped
    // when a later one comes first.
    std::array<uint64_t, 2> loads_{};
    // Per deck, while a playlist file added to it has not answered: what was added after it,
    // in order, to be added once it has.
    std::array<std::optional<std::deque<std::string>>, 2> addsAfterList_;
    OpenFileDialog& comDialog_;
    FolderListing& folders_;
    FileAnswers& files_;
    static inline FilesReadAtOpen readAtOpen_;
};

}  // namespace app
