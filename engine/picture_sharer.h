#pragma once
// Hands a decoded frame to the views beside a device's own picture (see
// windowing::FrameTap): three 8-bit planes shared by reference. A frame in another layout
// (semi-planar, deeper, RGB, palette) is converted once, at its own size, to 4:2:0.
//
// Threads: one thread at a time (the presenter's).

#include <memory>

#include "windowing/frame_tap.h"

struct AVFrame;
struct SwsContext;

namespace engine {

class PictureSharer {
  public:
    PictureSharer() = default;
    ~PictureSharer();
    PictureSharer(const PictureSharer&) = delete;
    PictureSharer& operator=(const PictureSharer&) = delete;

    // nullptr when the frame cannot be converted. `displayWidth` x `displayHeight` is the
    // shape it has on screen.
    std::shared_ptr<const windowing::DecodedPicture> share(const AVFrame& frame,
                                                           int32_t displayWidth,
                                                           int32_t displayHeight);

  private:
    AVFrame* toPlanar(const AVFrame& frame);  // a new frame, or nullptr

    SwsContext* context_ = nullptr;
};

}  // namespace engine
