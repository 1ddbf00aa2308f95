#pragma once
// A decoded picture and the child picture that shows it: what the engine hands to the
// view without seeing the toolkit.

#include <cstdint>
#include <memory>
#include <vector>

namespace windowing {

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
    // Any thread: whether anyone sees the picture now. While not (its host shows another
    // view in its place), frames need not be scaled for it; once seen again it must get
    // the current one.
    virtual bool seen() const { return true; }
};

}  // namespace windowing
