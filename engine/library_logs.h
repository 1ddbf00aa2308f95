#pragma once
// Where FFmpeg's and FluidSynth's own messages go: into the program's log (util/log.h)
// while it is on, their warnings and worse; else nowhere, as the user gets an OpenError
// or a device that plays what it can instead. Their messages come from the reader
// threads, never from the audio callback.

namespace engine {

// Reads the log's switch once, at the first call; later calls do nothing. The engine
// calls it before it opens a file, so the switch must be set before the first open.
void RouteLibraryLogs();

}  // namespace engine
