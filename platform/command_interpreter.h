#pragma once
// The interpreter of the media command language: reads a command text and carries
// it out on a media engine, keeping what the engine does not know per device:
// its name, time format, channel levels and speed.
//
// Not thread-safe: one caller at a time (the UI thread, through the command channel).

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "engine/media_engine.h"
#include "platform/command_parser.h"

namespace platform {

class CommandInterpreter {
  public:
    explicit CommandInterpreter(engine::MediaEngine& engine);

    // Carries out one command. 0 on success, else an error code; the answer is
    // "" on any error and for commands that answer nothing.
    uint32_t execute(const std::string& command, std::string& answer);

    // execute() for the command channel: the answer is written NUL-terminated
    // into `returnBuffer`, cut to returnLength - 1 bytes.
    uint32_t send(const std::string& command, char* returnBuffer, uint32_t returnLength);

    // What the picture of the device open under `name` (lower case) shows; nullptr when
    // nothing with a picture is open under it.
    std::shared_ptr<const windowing::FrameTap> frameTap(const std::string& name) const;
    // Puts the device open under `name` on the headphones at `level` (0..1000) or takes it
    // off (see MediaEngine::setCue); nothing when no device is open under it.
    void setCue(const std::string& name, bool cued, int32_t level);

  private:
    struct Device {
        engine::DeviceId id = 0;
        TimeFormat timeFormat = TimeFormat::Milliseconds;
        int32_t left = kHighestLevel;
        int32_t right = kHighestLevel;
        int32_t speed = 1000;
    };

    Device& device(const std::string& name);  // 263 when nothing is open under it

    std::string run(const OpenCommand& open);
    std::string run(const CloseCommand& close);
    std::string run(const PlayCommand& play);
    std::string run(const TransportCommand& transport);
    std::string run(const SeekCommand& seek);
    std::string run(const StatusCommand& status);
    std::string run(const SetTimeFormatCommand& set);
    std::string run(const SetSpeedCommand& set);
    std::string run(const SetAudioCommand& set);
    std::string run(const PutWindowCommand& put);

    std::string statusAnswer(const Device& device, StatusItem item) const;

    engine::MediaEngine& engine_;
    std::map<std::string, Device> devices_;  // by lower-case name
};

}  // namespace platform
