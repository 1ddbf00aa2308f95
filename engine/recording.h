#pragma once
// The recording of what the process engine's master output plays (see MixRecorder).
//
// Threads: UI thread.

#include <memory>
#include <string>

#include "engine/mix_recorder.h"

namespace engine {

// Starts recording into `path` (.flac, .wav or .mkv): "" or why not; nothing changes then.
std::string StartRecording(const std::string& path);
// Finishes the file; what the recording did (nothing in it when there was none).
RecordingStatus StopRecording();
RecordingStatus CurrentRecording();
// The picture the mix shows now, for a recording that takes pictures (.mkv).
void RecordPicture(std::shared_ptr<const windowing::VideoFrame> picture);

}  // namespace engine
