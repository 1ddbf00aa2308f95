#pragma once
// The recording of the mix in the window: "Record the mix…" (a save dialog proposing a dated
// file in the music folder) and "Stop recording" in the video area's right-click menu, a red
// dot with the time recorded in the area's corner while it runs, and a message when it could
// not start or stopped on its own (a full disk), shown beside the window, never in the way of
// the mix. For an .mkv, the projector's mix drawn off screen 25 times a second goes to the
// recording. Closing the window finishes the file (the media service stops it).

#include <QDateTime>
#include <QString>

namespace gui {

class MixerWindow;

// After the window's widgets exist; they live as long as the window.
void InstallRecordingViews(MixerWindow& window);

// Starts recording into `path` (--record); a refusal shows as the menu's would, and on
// standard error.
void RecordInto(MixerWindow& window, const QString& path);

// `~/Music/Rotavox/Rotavox YYYY-MM-DD HH-MM.flac`, in the user's music folder where one is set.
QString DefaultRecordingPath(const QDateTime& now);

}  // namespace gui
