#pragma once
// What the media service offers the view beyond the command channel: the pictures of its
// devices for views of their own, and the end of its life, for the program's last moments.

#include <memory>
#include <string>

#include "windowing/frame_tap.h"

namespace platform {

// What the picture of the device open under `alias` shows now, at its decoded size;
// nullptr when nothing with a picture is open under it. UI thread, like the commands.
std::shared_ptr<const windowing::FrameTap> FrameTapOf(const std::string& alias);

// Stops every media device and the sound output, joining their threads. Runs on the UI
// thread after the last command, before the windows that show pictures are destroyed.
void ShutDownMediaService();

}  // namespace platform
