#pragma once
// What the media service offers the view beyond the command channel: the pictures of its
// devices for views of their own, and the end of its life, for the program's last moments.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "windowing/frame_tap.h"

namespace platform {

// What the picture of the device open under `alias` shows now, at its decoded size;
// nullptr when nothing with a picture is open under it. UI thread, like the commands.
std::shared_ptr<const windowing::FrameTap> FrameTapOf(const std::string& alias);

// Reads what opening `path` needs off the UI thread and waits up to `wait` for it: true when
// the file has answered, so that its open command is as quick as a local file's; otherwise
// `answered` runs on another thread once it has. UI thread.
bool ReadAhead(const std::string& path, std::chrono::milliseconds wait,
               std::function<void()> answered);

// Stops every media device and the sound output, joining their threads. Runs on the UI
// thread after the last command, before the windows that show pictures are destroyed.
void ShutDownMediaService();

}  // namespace platform
