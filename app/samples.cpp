// The samples pad: one sample at a time on its own device, at the sample volume.

#include "app/Decks.h"
#include "app/device_names.h"
#include "media/Media.h"
#include "util/useful.h"

namespace app {

void Decks::file1_DblClick() {
    const std::string path = controls.file1.Path + "/" + controls.file1.FileName;
    if (!useful::IsPlayableFile(path)) {
        return;
    }
    Media::CloseMedia(kSampleAlias);
    Media::OpenMedia(controls.Decks.hWnd, kSampleAlias, path, kDeviceType);
    Media::PlayMedia(kSampleAlias, "", "");
    Media::SetChannelVolume(kSampleAlias, "both", state.sampleVolume);
}

}  // namespace app
