#pragma once
// What the command interpreter drives: one device per open file. The engine
// knows nothing of command texts, aliases or time formats.
//
// Every member is called on the UI thread (the interpreter's caller) and returns
// promptly: no call waits for decoding beyond what opening a file needs. A call
// takes effect synchronously: the next mode() or positionMs() already reflects it.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "windowing/frame_tap.h"

namespace engine {

using DeviceId = uint32_t;

enum class Mode { Stopped, Playing, Paused };

enum class OpenError {
    None,
    FileNotFound,  // missing, unreadable, a folder or a device node
    InvalidFile,   // no decodable sound or picture: empty, text, truncated, corrupt
    OutOfMemory,
    NoSoundFont,  // a MIDI file, but no General MIDI sound font is installed to play it
    Internal,
};

struct OpenResult {
    DeviceId device = 0;  // valid only when error is None
    OpenError error = OpenError::None;
};

class MediaEngine {
  public:
    virtual ~MediaEngine() = default;

    // Opens `path` (already resolved from its short form). The device starts
    // stopped at 0, levels 1000/1000, speed 1000. Its length is exact and final.
    // `parentWindow` is the window registry handle its picture will live in.
    virtual OpenResult open(const std::string& path, int32_t parentWindow) = 0;

    // Starts reading what opening `path` needs off the calling thread and waits up to
    // `wait` for it: true when the file has answered, so that open() takes no longer than a
    // local file's; otherwise `answered` runs (on another thread) once it has. For files on a
    // slow mount, whose open would hold the window. An engine that reads at open says true.
    virtual bool readAhead(const std::string& /*path*/, std::chrono::milliseconds /*wait*/,
                           std::function<void()> /*answered*/) {
        return true;
    }

    // Releases the device at once; its fade-out finishes on its own.
    virtual void close(DeviceId device) = 0;

    // Milliseconds (1000 "frames" a second for every file).
    virtual int64_t lengthMs(DeviceId device) const = 0;
    // What has reached the output; a seek or play-from reads its target at once.
    virtual int64_t positionMs(DeviceId device) const = 0;
    virtual Mode mode(DeviceId device) const = 0;

    // Plays [fromMs, toMs), 0 <= fromMs <= toMs <= lengthMs (checked by the caller);
    // reaching toMs stops the device there.
    virtual void play(DeviceId device, int64_t fromMs, int64_t toMs) = 0;
    virtual void pause(DeviceId device) = 0;   // Playing -> Paused, position frozen
    virtual void resume(DeviceId device) = 0;  // Paused -> Playing
    virtual void stop(DeviceId device) = 0;    // -> Stopped, position kept
    // Stops and moves to positionMs (0..lengthMs), sample-accurately.
    virtual void seek(DeviceId device, int64_t positionMs) = 0;

    // Linear amplitude 0..1000 per channel; ramped over one period once sounding.
    virtual void setLevels(DeviceId device, int32_t left, int32_t right) = 0;
    // Puts the device on the headphones (cued) at `level` (0..1000, both channels: its own
    // volume, before the crossfader), or takes it off. With no device cued the headphones
    // carry the master. The master is the same either way.
    virtual void setCue(DeviceId device, bool cued, int32_t level) = 0;
    // 1000 is normal; pitch follows speed. The caller checks the range. False (nothing
    // changed) when the device cannot play this file at that speed.
    virtual bool setSpeed(DeviceId device, int32_t speed) = 0;
    // Where the picture goes in its parent window, in the parent's logical pixels.
    virtual void placeVideo(DeviceId device, int32_t x, int32_t y, int32_t cx, int32_t cy) = 0;
    // What the device's picture shows, for other views; nullptr without a picture.
    virtual std::shared_ptr<const windowing::FrameTap> frameTap(DeviceId /*device*/) const {
        return nullptr;
    }
};

// The process-wide engine behind the platform's command channel, on the sound
// device (or a clocked null output when none opens). Created on first use.
MediaEngine& ProcessEngine();

// Stops the process-wide engine's output and frees its devices, joining their threads,
// if it was ever created; it stays silent afterwards. UI thread, when the program ends
// and before the windows its pictures live in go away.
void ShutDownProcessEngine();

}  // namespace engine
