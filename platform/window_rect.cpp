// Window rectangles answer from the window registry.

#include "platform/platform.h"
#include "platform/windows.h"

namespace platform {

bool GetWindowRect(int32_t window, Rect& rect) {
    return WithWindowHost(window, [&rect](WindowHost& host) { rect = host.outerRect(); });
}

}  // namespace platform
