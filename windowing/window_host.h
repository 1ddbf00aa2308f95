#pragma once
// A window host: a widget that can parent video pictures and answers its rectangle.

#include <cstdint>
#include <memory>

#include "windowing/picture.h"

namespace windowing {

struct Rect {
    int32_t left, top, right, bottom;
};

class WindowHost {
  public:
    virtual ~WindowHost() = default;
    // Outer rectangle in logical pixels.
    virtual Rect outerRect() const = 0;
    // A new picture at the top-left corner, initially empty. UI thread.
    virtual std::unique_ptr<Picture> createPicture() = 0;
};

}  // namespace windowing
