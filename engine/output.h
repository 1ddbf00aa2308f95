#pragma once
// The output backends the engine drives: SDL2, a clocked null output and an offline
// renderer. A backend only moves periods; policy (mixing, fades, what to do on an
// underrun) lives in the engine above it.

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace engine {

// Implemented by the engine. renderPeriod runs on the output's audio thread (or, offline,
// on the caller's thread); it must not lock, allocate, log or do I/O, except that with
// waitForData (offline rendering only) it may wait for a reader thread to catch up.
class RenderCallback {
  public:
    virtual ~RenderCallback() = default;
    // Writes `frames` interleaved stereo float frames (L, R) into `out`, overwriting it.
    virtual void renderPeriod(float* out, size_t frames, bool waitForData) noexcept = 0;
};

// Called on the thread that owns the engine (the UI thread), never from the callback.
class Output {
  public:
    virtual ~Output() = default;
    // Starts calling `callback` (each call on one thread at a time). false on failure.
    virtual bool start(RenderCallback& callback) = 0;
    // Stops; when it returns the callback is not running and will not run again.
    virtual void stop() = 0;
    virtual int sampleRate() const = 0;       // output frames a second
    virtual size_t periodFrames() const = 0;  // frames per callback (fades last this long)
    // Nanoseconds on the clock all outputs share (steady_clock for real time; an offline
    // output's own simulated time). Any thread, its callback included: it never blocks.
    virtual int64_t clockNs() const noexcept {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

}  // namespace engine
