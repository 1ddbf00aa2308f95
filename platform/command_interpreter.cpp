#include "platform/command_interpreter.h"

#include <algorithm>
#include <exception>
#include <new>
#include <variant>

#include "platform/command_words.h"
#include "platform/mci_errors.h"
#include "platform/short_paths.h"
#include "platform/text_buffer.h"

namespace platform {
namespace {

uint32_t openErrorCode(engine::OpenError error) {
    switch (error) {
        case engine::OpenError::None:
            return kMciOk;
        case engine::OpenError::FileNotFound:
            return kMciFileNotFound;
        case engine::OpenError::InvalidFile:
            return kMciInvalidFile;
        case engine::OpenError::OutOfMemory:
            return kMciOutOfMemory;
        case engine::OpenError::NoSoundFont:
            return kMciCannotLoadDriver;
        case engine::OpenError::Internal:
            break;
    }
    return kMciInternal;
}

std::string modeText(engine::Mode mode) {
    switch (mode) {
        case engine::Mode::Playing:
            return "playing";
        case engine::Mode::Paused:
            return "paused";
        case engine::Mode::Stopped:
            break;
    }
    return "stopped";
}

// One number for two channels: their mean, halves to the even neighbour as every
// rounding in the mixer goes.
int32_t meanLevel(int32_t left, int32_t right) {
    const int32_t sum = left + right;
    const int32_t half = sum / 2;
    return (sum % 2 != 0 && half % 2 != 0) ? half + 1 : half;
}

void checkPosition(int64_t position, int64_t length) {
    if (position < 0 || position > length) {
        throw CommandError{kMciOutOfRange};
    }
}

}  // namespace

CommandInterpreter::CommandInterpreter(engine::MediaEngine& engine) : engine_(engine) {}

uint32_t CommandInterpreter::execute(const std::string& command, std::string& answer) {
    answer.clear();
    try {
        answer =
            std::visit([this](const auto& parsed) { return run(parsed); }, ParseCommand(command));
    } catch (const CommandError& error) {
        return error.code;
    } catch (const std::bad_alloc&) {
        return kMciOutOfMemory;
    } catch (const std::exception&) {
        // The channel stands for a C interface: a failure is a code, never a throw.
        return kMciInternal;
    }
    return kMciOk;
}

uint32_t CommandInterpreter::send(const std::string& command, char* returnBuffer,
                                  uint32_t returnLength) {
    std::string answer;
    const uint32_t code = execute(command, answer);
    CopyToBuffer(answer, returnBuffer, returnLength);
    return code;
}

std::shared_ptr<const windowing::FrameTap> CommandInterpreter::frameTap(
    const std::string& name) const {
    const auto open = devices_.find(name);
    return open == devices_.end() ? nullptr : engine_.frameTap(open->second.id);
}

void CommandInterpreter::setCue(const std::string& name, bool cued, int32_t level) {
    const auto open = devices_.find(LowerCase(name));
    if (open != devices_.end()) {
        engine_.setCue(open->second.id, cued, std::clamp(level, 0, kHighestLevel));
    }
}

CommandInterpreter::Device& CommandInterpreter::device(const std::string& name) {
    const auto open = devices_.find(name);
    if (open == devices_.end()) {
        throw CommandError{kMciInvalidDeviceName};
    }
    return open->second;
}

std::string CommandInterpreter::run(const OpenCommand& open) {
    if (devices_.contains(open.deviceName)) {
        throw CommandError{kMciDuplicateAlias};
    }
    const engine::OpenResult opened = engine_.open(ResolveShortPath(open.path), open.parentWindow);
    if (opened.error != engine::OpenError::None) {
        throw CommandError{openErrorCode(opened.error)};
    }
    devices_[open.deviceName] = Device{opened.device};
    return "";
}

std::string CommandInterpreter::run(const CloseCommand& close) {
    if (close.deviceName == "all") {
        for (const auto& [name, open] : devices_) {
            engine_.close(open.id);
        }
        devices_.clear();
        return "";
    }
    engine_.close(device(close.deviceName).id);
    devices_.erase(close.deviceName);
    return "";
}

// Both ends are checked against the length that `status length` reports, so a
// play to exactly that length is always accepted.
std::string CommandInterpreter::run(const PlayCommand& play) {
    const engine::DeviceId id = device(play.deviceName).id;
    const int64_t length = engine_.lengthMs(id);
    const int64_t from = play.from.value_or(engine_.positionMs(id));
    const int64_t to = play.to.value_or(length);
    checkPosition(from, length);
    checkPosition(to, length);
    if (from > to) {
        throw CommandError{kMciOutOfRange};
    }
    engine_.play(id, from, to);
    return "";
}

// Pause and resume need something begun: on a stopped device they are 302, so a
// caller that resumes an ended track learns to play it again. On a device already
// in the mode they ask for they change nothing.
std::string CommandInterpreter::run(const TransportCommand& transport) {
    const engine::DeviceId id = device(transport.deviceName).id;
    const engine::Mode mode = engine_.mode(id);
    if (transport.verb == TransportVerb::Stop) {
        engine_.stop(id);
    } else if (mode == engine::Mode::Stopped) {
        throw CommandError{kMciNotApplicable};
    } else if (transport.verb == TransportVerb::Pause && mode == engine::Mode::Playing) {
        engine_.pause(id);
    } else if (transport.verb == TransportVerb::Resume && mode == engine::Mode::Paused) {
        engine_.resume(id);
    }
    return "";
}

std::string CommandInterpreter::run(const SeekCommand& seek) {
    const engine::DeviceId id = device(seek.deviceName).id;
    const int64_t length = engine_.lengthMs(id);
    const int64_t target = seek.position.value_or(length);
    checkPosition(target, length);
    engine_.seek(id, target);
    return "";
}

std::string CommandInterpreter::run(const StatusCommand& status) {
    return statusAnswer(device(status.deviceName), status.item);
}

// Frames and milliseconds are the same numbers (1000 frames a second), so lengths
// and positions need no conversion.
std::string CommandInterpreter::statusAnswer(const Device& open, StatusItem item) const {
    switch (item) {
        case StatusItem::Mode:
            return modeText(engine_.mode(open.id));
        case StatusItem::Length:
            return std::to_string(engine_.lengthMs(open.id));
        case StatusItem::Position:
            return std::to_string(engine_.positionMs(open.id));
        case StatusItem::TimeFormat:
            return open.timeFormat == TimeFormat::Frames ? "frames" : "milliseconds";
        case StatusItem::Ready:
            // Every command completes before it returns: an open device is always ready.
            return "true";
        case StatusItem::Volume:
            return std::to_string(meanLevel(open.left, open.right));
        case StatusItem::Speed:
            break;
    }
    return std::to_string(open.speed);
}

std::string CommandInterpreter::run(const SetTimeFormatCommand& set) {
    device(set.deviceName).timeFormat = set.format;
    return "";
}

std::string CommandInterpreter::run(const SetSpeedCommand& set) {
    Device& open = device(set.deviceName);
    if (!engine_.setSpeed(open.id, set.speed)) {
        throw CommandError{kMciOutOfRange};  // beyond what this file can do: speed unchanged
    }
    open.speed = set.speed;
    return "";
}

std::string CommandInterpreter::run(const SetAudioCommand& set) {
    Device& open = device(set.deviceName);
    if (set.channels != Channels::Right) {
        open.left = set.level;
    }
    if (set.channels != Channels::Left) {
        open.right = set.level;
    }
    engine_.setLevels(open.id, open.left, open.right);
    return "";
}

std::string CommandInterpreter::run(const PutWindowCommand& put) {
    engine_.placeVideo(device(put.deviceName).id, put.x, put.y, put.cx, put.cy);
    return "";
}

}  // namespace platform
