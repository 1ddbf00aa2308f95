#pragma once
// The recording of what the process engine's master output plays (see MixRecorder).
//
// Threads: UI thread.

#include <string>

#include "engine/mix_recorder.h"

namespace engine {

// Starts recording into `path` (.flac or .wav): "" or why not; nothing changes then.
std::string StartRecording(const std::string& path);
// Finishes the file; what the recording did (nothing in it when there was none).
RecordingStatus StopRecording();
RecordingStatus CurrentRecording();

}  // namespace engine
