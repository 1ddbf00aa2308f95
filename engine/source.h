#pragma once
// What a device plays, whatever the kind of file: interleaved stereo float at the source's
// own rate, on an exact timeline of "source frames" from 0 to the length. FfmpegSource
// decodes every kind of file but MIDI, which MidiSource renders through FluidSynth;
// OpenSource picks one.
//
// Threads: opening and the accessors on the UI thread (the accessors are immutable after
// open); after open, seek() and read() belong to one reader thread; interrupt() from any.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "engine/media_engine.h"

namespace engine {

// Where a file's pictures sit on its device timeline: the file's time at timeline frame 0,
// in 1/rate seconds of the streams' own clock. Sound and pictures share it, so a picture
// shows with the sound of its time even when one stream starts after the other.
struct PictureTimeline {
    int64_t originFrames = 0;
    int rate = 48000;
};

class Source {
  public:
    virtual ~Source() = default;

    // Immutable after open.
    virtual int sampleRate() const = 0;  // frames a second of read()
    // Any thread. At sampleRate: exact, and final once lengthIsFinal() (a file opened on an
    // estimate of its length has the exact one later).
    virtual int64_t lengthFrames() const = 0;
    virtual bool lengthIsFinal() const { return true; }
    // Files with moving pictures only.
    virtual std::optional<PictureTimeline> pictureTimeline() const { return std::nullopt; }

    // Reader thread. The next read() starts exactly at `frame` (0..lengthFrames).
    virtual void seek(int64_t frame) = 0;
    // Fills up to `frames` stereo frames; fewer only at the length; 0 once there.
    virtual size_t read(float* stereo, size_t frames) = 0;

    // Any thread: makes blocked I/O give up (the device is closing).
    virtual void interrupt() = 0;
};

// Devices count whole milliseconds, to the nearest: a source shorter than half of one reads
// as 0 long, and no play of it could ever sound.
inline bool LastsAMillisecond(int64_t frames, int sampleRate) {
    return frames >= (static_cast<int64_t>(sampleRate) + 1999) / 2000;
}

// Devices count milliseconds in 64 bits from frames at up to the resampler's reach: a length
// whose milliseconds fit 32 bits (24.8 days) keeps that arithmetic far from overflowing. A
// file that states more is damaged.
inline bool FitsTheDeviceClock(int64_t frames, int sampleRate) {
    constexpr int64_t kLongestSeconds = std::numeric_limits<int32_t>::max() / 1000;
    return sampleRate > 0 && frames / sampleRate <= kLongestSeconds;
}

// UI thread. Opens `path` with the source its contents call for; nullptr and `error` set
// when it cannot be played.
std::unique_ptr<Source> OpenSource(const std::string& path, OpenError& error);

}  // namespace engine
