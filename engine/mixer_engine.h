#pragma once
// The engine: the devices, the mix, the master output and, when chosen, the headphones'.
// engine::MixerEngine implements MediaEngine on any Output: SdlOutput or NullOutput for real time
// (ProcessEngine() picks them), OfflineOutput for tests and benchmarks:
//
//     auto offline = std::make_unique<engine::OfflineOutput>(48000, 256);
//     engine::OfflineOutput* output = offline.get();
//     engine::MixerEngine mixer(std::move(offline));
//     ... mixer.open / play / setLevels ...
//     output->render(interleavedStereo, frames);  // the mix, without real time
//
// The mix is the sum of the devices; a sum within full scale passes untouched, one beyond
// it meets a gain limiter (see limiter.h). The headphones (an output with a clock of its
// own) carry the sum of the cued devices at their cue levels, limited likewise, or the
// master when none is cued; the callback pushes it through a CueLink. A recording takes the
// master's final sound, after the limiter, through a MixRecorder.
//
// Threads: the MediaEngine members run on the UI thread (a mutex serialises callers that
// are not, but the audio callback never takes it); renderPeriod runs on the output's
// audio thread and never locks, allocates, logs or does I/O.

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "engine/cue_link.h"
#include "engine/device.h"
#include "engine/limiter.h"
#include "engine/media_engine.h"
#include "engine/mix_recorder.h"
#include "engine/open_ahead.h"
#include "engine/output.h"
#include "engine/reaper.h"
#include "engine/spsc_ring.h"
#include "engine/video_track.h"

namespace engine {

class MixerEngine final : public MediaEngine, private RenderCallback {
  public:
    // Starts `output` at once, calling back into this engine.
    explicit MixerEngine(std::unique_ptr<Output> output);
    ~MixerEngine() override;

    OpenResult open(const std::string& path, int32_t parentWindow) override;
    bool readAhead(const std::string& path, std::chrono::milliseconds wait,
                   std::function<void()> answered) override;
    void close(DeviceId device) override;
    int64_t lengthMs(DeviceId device) const override;
    int64_t positionMs(DeviceId device) const override;
    Mode mode(DeviceId device) const override;
    void play(DeviceId device, int64_t fromMs, int64_t toMs) override;
    void pause(DeviceId device) override;
    void resume(DeviceId device) override;
    void stop(DeviceId device) override;
    void seek(DeviceId device, int64_t positionMs) override;
    void setLevels(DeviceId device, int32_t left, int32_t right) override;
    bool setSpeed(DeviceId device, int32_t speed) override;
    void placeVideo(DeviceId device, int32_t x, int32_t y, int32_t cx, int32_t cy) override;
    std::shared_ptr<const windowing::FrameTap> frameTap(DeviceId device) const override;

    void setCue(DeviceId device, bool cued, int32_t level) override;

    // The headphones' output (started here, at once), or none (nullptr). Any rate and period.
    void setHeadphones(std::unique_ptr<Output> headphones);
    // Any thread: how often the headphones ran dry once lined up (see CueLink).
    uint64_t headphoneDryRuns() const { return cue_.dryRuns(); }

    // Records the master output into `path` (.flac, .wav or .mkv) from the next period on: "" or
    // why not (already recording, an unknown extension, a file that cannot be made).
    std::string startRecording(const std::string& path, MixRecorder::WriteHook beforeWrite = {});
    // Finishes the file with all that was played up to now; what the recording did. A
    // status with nothing in it when not recording.
    RecordingStatus stopRecording();
    RecordingStatus recording() const;
    // The picture the mix shows now, for a recording that takes pictures.
    void recordPicture(std::shared_ptr<const windowing::VideoFrame> picture);

    // What the device's pictures did (all zero for a device without one).
    VideoStats videoStats(DeviceId device) const;

    int sampleRate() const { return sampleRate_; }
    size_t periodFrames() const { return periodFrames_; }
    // Stops the output for good; the engine stays usable but silent.
    void stopOutput();
    // Process exit: stops the output and frees every device (their reader threads end); the
    // files still being read ahead of an open are left to end on their own.
    void shutdown();
    // UI thread: the sound gaps of every device, open or closed, since the engine started.
    // For benchmarks and soak runs.
    SoundGaps gaps() const;

  private:
    static constexpr size_t kMaxDevices = 256;
    static constexpr size_t kMaxChunk = 4096;  // frames mixed at once

    void renderPeriod(float* out, size_t frames, bool waitForData) noexcept override;
    void renderChunk(float* out, size_t frames, bool waitForData, int64_t nowNs) noexcept;
    void takeAddedDevices() noexcept;
    float* startCueSum(size_t frames) noexcept;
    void feedHeadphones(const float* master, float* cue, size_t frames, int64_t nowNs) noexcept;
    void feedRecorder(const float* master, size_t frames) noexcept;
    void noteCueing();                    // UI thread, mutex held
    Device* find(DeviceId device) const;  // UI thread, mutex held

    // UI thread: a query of an open device, or `unknown` for an id that is not open.
    template <typename Answer>
    Answer ask(DeviceId device, Answer (Device::*query)() const, Answer unknown) const {
        std::lock_guard lock(mutex_);
        const Device* d = find(device);
        return d != nullptr ? (d->*query)() : unknown;
    }
    // UI thread: a command to an open device; ignored for an id that is not open.
    template <typename Command>
    void tell(DeviceId device, Command command) {
        std::lock_guard lock(mutex_);
        if (Device* d = find(device)) {
            command(*d);
        }
    }
    void collectRetired();  // UI thread, mutex held: closed devices to the reaper
    // What opening `path` reads, on any thread; the decoder of its pictures if asked.
    ReadFile readFile(const std::string& path, bool withPictures) const;

    // Immutable after construction.
    const int sampleRate_;
    const size_t periodFrames_;

    // UI thread only (under mutex_).
    mutable std::mutex mutex_;
    std::unordered_map<DeviceId, std::unique_ptr<Device>> open_;
    std::vector<std::unique_ptr<Device>> closing_;  // fading out in the callback
    // The pictures of the open devices that have one; each reads its device's clock, so
    // it goes before its device does.
    std::unordered_map<DeviceId, std::unique_ptr<VideoTrack>> videos_;
    DeviceId nextId_ = 1;
    SoundGaps freedGaps_;  // of devices already freed
    std::unique_ptr<Output> output_;
    std::unique_ptr<Output> headphones_;
    std::unique_ptr<MixRecorder> recorder_;

    // Shared: rings rather than containers, since the callback may not allocate or lock.
    SpscRing<Device*, kMaxDevices> added_;    // UI -> callback: devices to mix
    SpscRing<Device*, kMaxDevices> retired_;  // callback -> UI: devices done, to free
    std::atomic<bool> headphonesOn_{false};   // UI -> callback: feed the cue link
    std::atomic<bool> cueing_{false};         // UI -> callback: some device is cued
    CueLink cue_;                             // callback -> headphones
    // UI -> callback: the recorder to feed. The callback raises tapping_ while it may use
    // it, so the UI thread, having taken it away, waits out that one push before freeing it.
    std::atomic<MixRecorder*> recorderTap_{nullptr};
    std::atomic<bool> tapping_{false};

    // Callback only.
    std::array<Device*, kMaxDevices> active_{};
    size_t activeCount_ = 0;
    Limiter limiter_;
    Limiter cueLimiter_;
    LevelRamp cueBlend_;  // 1: the cued sum, 0: the master, in the headphones
    float cueBlendTarget_ = 0;
    std::array<float, 2 * kMaxChunk> cueMix_{};

    Reaper reaper_;  // frees closed devices and pictures' decoders

    // Last: its readings use the members above, so it goes first.
    OpenAhead openAhead_{[this](const std::string& path) { return readFile(path, true); }};
};

}  // namespace engine
