// Opening, playing, pausing, resuming, stopping, seeking and closing a device.

#include <array>

#include "media/Media.h"
#include "media/command_sending.h"
#include "platform/platform.h"

namespace Media {
namespace {

using detail::kCommandFieldWidth;
using detail::kOpenFieldWidth;

constexpr int32_t kChildWindowStyle = 1073741824;

// The short form of `path`, or "" when there is none or it does not fit the buffer.
std::string shortPathOf(const std::string& path) {
    std::array<char, kOpenFieldWidth> buffer{};
    const uint32_t length =
        platform::GetShortPathName(path, buffer.data(), static_cast<uint32_t>(buffer.size()));
    if (length == 0 || length >= buffer.size()) {
        return "";
    }
    return std::string(buffer.data(), length);
}

}  // namespace

std::string OpenMedia(int32_t parentWindow, const std::string& alias, const std::string& path,
                      const std::string& deviceType) {
    const std::string command = "open " + shortPathOf(path) + " type " + deviceType + " Alias " +
                                alias + " parent " + std::to_string(parentWindow) + " Style " +
                                std::to_string(kChildWindowStyle);
    return detail::SendInField(command, kOpenFieldWidth);
}

std::string PlayMedia(const std::string& alias, const std::string& from, const std::string& to) {
    const std::string start = from.empty() ? "0" : from;
    const std::string end = to.empty() ? std::to_string(GetLengthFrames(alias)) : to;
    return detail::SendInField("play " + alias + " from " + start + " to " + end,
                               kCommandFieldWidth);
}

std::string CloseMedia(const std::string& alias) {
    return detail::Send("Close " + alias);
}

std::string PauseMedia(const std::string& alias) {
    return detail::Send("Pause " + alias);
}

std::string StopMedia(const std::string& alias) {
    return detail::Send("Stop " + alias);
}

std::string ResumeMedia(const std::string& alias) {
    return detail::Send("Resume " + alias);
}

std::string SeekAndPlay(const std::string& alias, int32_t positionFrames) {
    const uint32_t seekCode =
        detail::SendCode("seek " + alias + " to " + std::to_string(positionFrames));
    const uint32_t playCode = detail::SendCode("Play " + alias);
    // A play that fails after a good seek must not be reported as success.
    return detail::ResultText(seekCode != 0 ? seekCode : playCode);
}

}  // namespace Media
