#pragma once
// The window registry: widgets that can parent a video picture register here as
// window hosts and get a 32-bit handle, which the control model carries as hWnd.
// The engine shows video through these interfaces and never sees the toolkit.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/platform.h"

namespace platform {

// One decoded picture: 32-bit pixels 0xFFRRGGBB in native byte order (the
// toolkit's RGB32 and FFmpeg's BGRA on little-endian machines), rows packed.
struct VideoFrame {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
};

// A child picture inside a host. Never takes mouse or keyboard input: clicks
// pass through to the controls beneath.
class Picture {
  public:
    virtual ~Picture() = default;
    // Position and size in the parent's logical pixels. UI thread.
    virtual void place(int32_t x, int32_t y, int32_t cx, int32_t cy) = 0;
    // Any thread; the host marshals the frame to the UI thread. An empty pointer shows
    // nothing: the parent shows through.
    virtual void show(std::shared_ptr<const VideoFrame> frame) = 0;
};

class WindowHost {
  public:
    virtual ~WindowHost() = default;
    // Outer rectangle in logical pixels.
    virtual Rect outerRect() const = 0;
    // A new picture at the top-left corner, initially empty. UI thread.
    virtual std::unique_ptr<Picture> createPicture() = 0;
};

// Handles start at 1; 0 is never a window. The host must outlive its registration.
int32_t RegisterWindowHost(WindowHost& host);
void UnregisterWindowHost(int32_t window);

// Runs `use` with the host of `window`; false when no host has that handle.
bool WithWindowHost(int32_t window, const std::function<void(WindowHost&)>& use);

}  // namespace platform
