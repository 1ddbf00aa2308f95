#pragma once
// Turns decoded video frames into pictures of a given size (libswscale): 32-bit pixels
// 0xFFRRGGBB, as windowing::VideoFrame holds them.
//
// Threads: one thread at a time (the presenter's).

#include <array>
#include <cstdint>
#include <memory>

#include "windowing/picture.h"

struct AVFrame;
struct SwsContext;

namespace engine {

class FrameScaler {
  public:
    // No side of a picture is larger than this: a `put` may ask for any size, and the
    // host stretches a picture to its place anyway.
    static constexpr int32_t kLargestSide = 4096;

    FrameScaler() = default;
    ~FrameScaler();
    FrameScaler(const FrameScaler&) = delete;
    FrameScaler& operator=(const FrameScaler&) = delete;

    // `frame` scaled to width x height (each 1..kLargestSide); nullptr when it cannot be.
    std::shared_ptr<const windowing::VideoFrame> scale(const AVFrame& frame, int32_t width,
                                                       int32_t height);

  private:
    std::shared_ptr<windowing::VideoFrame> freePicture(int32_t width, int32_t height);

    SwsContext* context_ = nullptr;
    // Pictures handed out before: one the host has let go of is filled again rather than
    // allocated and cleared anew for every frame.
    std::array<std::shared_ptr<windowing::VideoFrame>, 3> pool_;
    size_t nextSlot_ = 0;
};

}  // namespace engine
