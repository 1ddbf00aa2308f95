#pragma once
// The end of the media service's life, for the program's last moments.

namespace platform {

// Stops every media device and the sound output, joining their threads. Runs on the UI
// thread after the last command, before the windows that show pictures are destroyed.
void ShutDownMediaService();

}  // namespace platform
