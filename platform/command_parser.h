#pragma once
// The forms of the media command language that the interpreter runs, and the
// reading of a command text into one of them. Reading checks everything that does
// not depend on a device: the words, the numbers and their fixed ranges.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace platform {

// Every device counts 1000 frames a second, so both formats give the same numbers;
// the format only changes what `status ... time format` answers.
enum class TimeFormat { Milliseconds, Frames };
enum class StatusItem { Mode, Length, Position, TimeFormat, Ready, Volume, Speed };
enum class Channels { Both, Left, Right };
enum class TransportVerb { Pause, Resume, Stop };

// Device names are kept in lower case: the language ignores their case.
struct OpenCommand {
    std::string path;  // as written: a short form is resolved when the file is opened
    std::string deviceName;
    int32_t parentWindow = 0;
};
struct CloseCommand {
    std::string deviceName;  // "all" closes every device
};
struct PlayCommand {
    std::string deviceName;
    std::optional<int64_t> from;  // nothing: the current position
    std::optional<int64_t> to;    // nothing: the end
};
struct TransportCommand {
    std::string deviceName;
    TransportVerb verb;
};
struct SeekCommand {
    std::string deviceName;
    std::optional<int64_t> position;  // nothing: the end
};
struct StatusCommand {
    std::string deviceName;
    StatusItem item;
};
struct SetTimeFormatCommand {
    std::string deviceName;
    TimeFormat format;
};
struct SetSpeedCommand {
    std::string deviceName;
    int32_t speed;
};
struct SetAudioCommand {
    std::string deviceName;
    Channels channels;
    int32_t level;
};
struct PutWindowCommand {
    std::string deviceName;
    int32_t x, y, cx, cy;
};

using Command = std::variant<OpenCommand, CloseCommand, PlayCommand, TransportCommand, SeekCommand,
                             StatusCommand, SetTimeFormatCommand, SetSpeedCommand, SetAudioCommand,
                             PutWindowCommand>;

// Levels are linear amplitude per channel; speed is per mille of normal.
constexpr int32_t kLowestLevel = 0;
constexpr int32_t kHighestLevel = 1000;
constexpr int32_t kSlowestSpeed = 10;
constexpr int32_t kFastestSpeed = 3000;

// Reads one command text. Throws CommandError with the code of the first fault.
Command ParseCommand(std::string_view text);

}  // namespace platform
