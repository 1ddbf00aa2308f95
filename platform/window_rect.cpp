// Window rectangles answer from the window registry.

#include "platform/platform.h"
#include "windowing/window_registry.h"

namespace platform {

bool GetWindowRect(int32_t window, Rect& rect) {
    return windowing::WithWindowHost(
        window, [&rect](windowing::WindowHost& host) { rect = host.outerRect(); });
}

}  // namespace platform
