#pragma once
// One media file decoded through FFmpeg to interleaved stereo float at the file's own
// sample rate, on an exact timeline of "source frames". Opening runs in steps: the input
// (media_input.h), the sound stream and its decoder, the file's index and timeline, and a
// probe that some sound really decodes (a text file or a corrupt header may demux into
// packets that decode to nothing: such a file opens as a silent video, or is refused).
// Reading is SoundReader's (sound_reader.h).
//
// The index: where the file states its exact length in its header (stated_index.h), open
// takes that and the full index is built in the background (background_index.h): reading
// from the start goes on meanwhile, the reader takes the full index once it is there, and a
// seek elsewhere waits for it on the reader thread. The header's length is final. Otherwise
// the scan (sound_index.h) runs at open; a large file's runs in the background, and where it
// takes longer than open may wait, the file starts as from a header, on an estimated length
// that the scan's exact one replaces once it is built.
//
// Threads: open() on any one thread (the UI thread, or a reading ahead of the open: see
// open_ahead.h), the accessors on the UI thread (sampleRate(), lengthFrames() and
// pictureTimeline() are immutable after open); after open, seek(), read() and soundFrames()
// belong to one reader thread; interrupt() from any.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/background_index.h"
#include "engine/media_engine.h"
#include "engine/media_input.h"
#include "engine/sound_index.h"
#include "engine/sound_reader.h"
#include "engine/source.h"

namespace engine {

// How long open may wait for a file's scan: files up to `bytes` are scanned at open (a
// megabyte reads in about 15 ms from a cold disk, and an mp3 that small is sampled whole
// anyway), larger ones are waited for up to `wait`.
struct ScanAtOpen {
    int64_t bytes = 1 << 20;
    std::chrono::milliseconds wait{30};
};

class FfmpegSource final : public Source {
  public:
    static std::unique_ptr<FfmpegSource> open(const std::string& path, OpenError& error,
                                              ScanAtOpen scanAtOpen = {});
    ~FfmpegSource() override = default;
    FfmpegSource(const FfmpegSource&) = delete;
    FfmpegSource& operator=(const FfmpegSource&) = delete;

    int sampleRate() const override { return sampleRate_; }
    // The longest stream's; for a file opened from an estimate, the estimate until the full
    // index is built, then the exact length.
    int64_t lengthFrames() const override;
    bool lengthIsFinal() const override { return !estimatedLength_ || fullIndex() != nullptr; }
    std::optional<PictureTimeline> pictureTimeline() const override { return pictures_; }
    // The full index's build, for benchmarks; nullptr where open scanned the file.
    const BackgroundIndex* backgroundIndex() const { return background_.get(); }

    // Reader thread.
    int64_t soundFrames() const { return index_->soundFrames; }  // decoded, delay removed
    bool hasSound() const { return index_->hasSound(); }
    // The next read() starts exactly at `frame` (0..lengthFrames).
    void seek(int64_t frame) override;
    // Fills up to `frames` stereo frames; fewer only at the length; 0 once there.
    size_t read(float* stereo, size_t frames) override;

    // Any thread: makes blocked I/O give up (the device is closing).
    void interrupt() override;

  private:
    // What the index in use rests on; the background builds the full one for the latter two.
    enum class Basis { Scanned, Stated, Estimated };
    struct FirstIndex {
        std::optional<SoundIndex> index;
        Basis basis = Basis::Scanned;
        std::unique_ptr<BackgroundIndex> background;
    };
    static FirstIndex firstIndex(MediaInput& input, const SoundStream& sound,
                                 const std::string& path, ScanAtOpen scanAtOpen);
    FfmpegSource(std::unique_ptr<MediaInput> input, SoundIndex index);
    bool soundDecodes();
    std::shared_ptr<const SoundIndex> fullIndex() const;
    void takeFullIndex(std::shared_ptr<const SoundIndex> full);

    // Immutable after open.
    std::unique_ptr<MediaInput> input_;
    int sampleRate_ = 0;
    int64_t openLength_ = 0;
    bool estimatedLength_ = false;
    std::optional<PictureTimeline> pictures_;

    // Reader thread (the UI thread during open).
    std::shared_ptr<const SoundIndex> index_;  // the first index until the full one is taken
    std::unique_ptr<SoundReader> reader_;
    Basis basis_ = Basis::Scanned;  // written during open, then the reader thread's

    std::unique_ptr<BackgroundIndex> background_;  // last: its scan stops first
};

}  // namespace engine
