#pragma once
// The window registry: widgets that can parent a video picture register here as
// window hosts and get a 32-bit handle, which the control model carries as hWnd.
// The engine shows video through these interfaces and never sees the toolkit.

#include <cstdint>
#include <functional>

#include "windowing/window_host.h"

namespace windowing {

// Handles start at 1; 0 is never a window. The host must outlive its registration.
int32_t RegisterWindowHost(WindowHost& host);
void UnregisterWindowHost(int32_t window);

// Runs `use` with the host of `window`; false when no host has that handle.
bool WithWindowHost(int32_t window, const std::function<void(WindowHost&)>& use);

}  // namespace windowing
