#pragma once
// A device's clock as its pictures see it: what has reached the output (the sound's
// position, or for a file without sound the silence the device plays in its place, which
// the output's clock advances at the device's speed), the mode, and the start position
// that every play-from and seek begins anew.
//
// Threads: readClock() from any thread; it may take a short lock that the audio callback
// never takes.

#include <cstdint>

#include "engine/media_engine.h"

namespace engine {

struct ClockReading {
    Mode mode = Mode::Stopped;
    int64_t positionMs = 0;
    uint32_t epoch = 0;  // changes with every new start position
    int64_t epochStartMs = 0;
    int32_t speed = 1000;
};

class DeviceClock {
  public:
    virtual ~DeviceClock() = default;
    virtual ClockReading readClock() const = 0;
};

}  // namespace engine
