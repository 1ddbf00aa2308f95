// Start-up, shut-down and the credit line.

#include "app/Decks.h"
#include "app/device_names.h"
#include "media/Media.h"
#include "platform/platform.h"
#include "util/useful.h"

namespace app {

Decks::Decks(OpenFileDialog& comDialog, FolderListing& folders, FileAnswers& files)
    : comDialog_(comDialog), folders_(folders), files_(files) {}

std::string Decks::samplesFolder() const {
    return platform::ProgramFolder() + "/samples";
}

void Decks::Form_Load() {
    const std::string samples = samplesFolder();
    if (!useful::IsFolder(samples) && !platform::CreateFolder(samples)) {
        throw StartupFailure("Cannot create the samples folder " + samples);
    }
    // Scales first: the knobs below are placed in these units.
    for (int16_t deck : {0, 1}) {
        SetTrackScale(controls.picVolume[deck], controls.lblVolume[deck], Axis::Vertical, 110.0f);
    }
    SetTrackScale(controls.picSampleVolume, controls.lblSampleVolume, Axis::Vertical, 110.0f);
    for (int16_t deck : {0, 1}) {
        SetTrackScale(controls.picSpeed[deck], controls.lblSpeed[deck], Axis::Vertical, 200.0f);
    }
    SetTrackScale(controls.picCrossfade, controls.lblCrossfade, Axis::Horizontal, 107.0f);
    state.volumeA = state.volumeB = state.sampleVolume = 100;
    controls.lblSpeed[0].Top = controls.lblSpeed[1].Top = 100.0f;
    state.totalTimeA = state.totalTimeB = "0:00";
    controls.file1.Path = samples;
    controls.file1.List = folders_.PlainFilesIn(samples);
}

void Decks::Form_Unload() {
    for (const char* alias : {"a", "b", kSampleAlias}) {
        Media::StopMedia(alias);
    }
    for (const char* alias : {"a", "b", kSampleAlias}) {
        Media::CloseMedia(alias);
    }
}

void Decks::lblCopyright_Click() {
    useful::ShellOpen(kMakerAddress, controls.Decks.hWnd);
}

}  // namespace app
