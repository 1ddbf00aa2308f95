// Channel volume, speed, and the place of the video picture.

#include <cctype>

#include "media/Media.h"
#include "media/command_sending.h"
#include "platform/platform.h"
#include "util/checked_arithmetic.h"

namespace Media {
namespace {

constexpr int32_t kLowestVolume = 0;
constexpr int32_t kHighestVolume = 100;
constexpr int32_t kPlatformUnitsPerStep = 10;

bool namesOneChannel(const std::string& channel) {
    std::string lower = channel;
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower == "left" || lower == "right";
}

}  // namespace

std::string SetChannelVolume(const std::string& alias, const std::string& channel, int32_t volume) {
    if (volume < kLowestVolume || volume > kHighestVolume) {
        return "out of volume";
    }
    const std::string level = std::to_string(volume * kPlatformUnitsPerStep);
    const std::string command = namesOneChannel(channel)
                                    ? "setaudio " + alias + " " + channel + " Volume to " + level
                                    : "setaudio " + alias + " Volume to " + level;
    return detail::SendInField(command, detail::kCommandFieldWidth);
}

std::string SetSpeed(const std::string& alias, int32_t speed) {
    int32_t platformSpeed = 0;
    try {
        platformSpeed = useful::CheckedMultiply(speed, kPlatformUnitsPerStep);
    } catch (const useful::ArithmeticFailure&) {
        return "speed out of range";  // nothing sent: the text would not be a 32-bit number
    }
    return detail::SendInField("set " + alias + " speed " + std::to_string(platformSpeed),
                               detail::kCommandFieldWidth);
}

std::string PlaceVideoWindow(int32_t videoWindow, const std::string& alias, int32_t x, int32_t y,
                             int32_t cx, int32_t cy) {
    if (cx == 0 || cy == 0) {
        platform::Rect rect{0, 0, 0, 0};
        platform::GetWindowRect(videoWindow, rect);
        cx = rect.right - rect.left;
        cy = rect.bottom - rect.top;
    }
    return detail::Send("put " + alias + " window at " + std::to_string(x) + " " +
                        std::to_string(y) + " " + std::to_string(cx) + " " + std::to_string(cy));
}

}  // namespace Media
