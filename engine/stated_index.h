#pragma once
// What a file states of itself in its header, as an index to play it from its start at once
// while the full index is built in the background (background_index.h): an mp3's Xing or
// Info header with its LAME tag (mp3_header.h) gives the exact length; a WMA's or WMV's ASF
// header its play duration, to the millisecond. The index holds the first sound packet only:
// reading from the start needs no more, a seek waits for the full index.
//
// Threads: the UI thread, during open.

#include <optional>
#include <string>

#include "engine/sound_index.h"

namespace engine {

class MediaInput;

// Nothing when the file states nothing usable (then only the full scan can tell). Reads the
// file's first packet from `input`; the reader seeks back to it.
std::optional<SoundIndex> StatedIndex(MediaInput& input, const SoundStream& sound,
                                      const std::string& path);

// Nothing, or for a sound-only file an index as StatedIndex's on an estimated length (see
// mp3_estimate.h): a file whose scan takes too long to wait for plays from its start at once.
std::optional<SoundIndex> EstimatedIndex(MediaInput& input, const SoundStream& sound,
                                         const std::string& path);

}  // namespace engine
