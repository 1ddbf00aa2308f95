#pragma once
// The recording of the media service's mix, beside the command language: the window starts
// and stops it and shows how it goes. UI thread.

#include <memory>
#include <string>

#include "engine/recording.h"

namespace platform {

using engine::RecordingStatus;
// The pictures of an .mkv recording: their size and how many a second.
inline constexpr int kRecordedPictureWidth = engine::RecordingFile::kPictureWidth;
inline constexpr int kRecordedPictureHeight = engine::RecordingFile::kPictureHeight;
inline constexpr int kRecordedPicturesPerSecond = engine::RecordingFile::kPicturesPerSecond;

// "" or why not (already recording, an unknown extension, a folder that cannot be written).
std::string StartRecording(const std::string& path);
RecordingStatus StopRecording();
RecordingStatus CurrentRecording();
// The picture the mix shows now, for a recording that takes pictures (.mkv).
void RecordPicture(std::shared_ptr<const windowing::VideoFrame> picture);

}  // namespace platform
