#pragma once
// The recording of the media service's mix, beside the command language: the window starts
// and stops it and shows how it goes. UI thread.

#include <string>

#include "engine/recording.h"

namespace platform {

using engine::RecordingStatus;

// "" or why not (already recording, an unknown extension, a folder that cannot be written).
std::string StartRecording(const std::string& path);
RecordingStatus StopRecording();
RecordingStatus CurrentRecording();

}  // namespace platform
