#pragma once
// One media file decoded through FFmpeg to interleaved stereo float at the file's own
// sample rate, on an exact timeline of "source frames". Opening runs in steps: the input
// (media_input.h), the sound stream and its decoder, the scan that builds the file's index
// and timeline (sound_index.h), and a probe that some sound really decodes (a text file or
// a corrupt header may demux into packets that decode to nothing: such a file opens as a
// silent video, or is refused). Reading is SoundReader's (sound_reader.h).
//
// Threads: open() and the accessors on the UI thread (the accessors are immutable after
// open); after open, seek() and read() belong to one reader thread; interrupt() from any.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/media_engine.h"
#include "engine/media_input.h"
#include "engine/sound_index.h"
#include "engine/sound_reader.h"
#include "engine/source.h"

namespace engine {

class FfmpegSource final : public Source {
  public:
    static std::unique_ptr<FfmpegSource> open(const std::string& path, OpenError& error);
    ~FfmpegSource() override = default;
    FfmpegSource(const FfmpegSource&) = delete;
    FfmpegSource& operator=(const FfmpegSource&) = delete;

    // Immutable after open.
    int sampleRate() const override { return index_.sampleRate; }
    int64_t lengthFrames() const override { return index_.lengthFrames; }  // longest stream
    int64_t soundFrames() const { return index_.soundFrames; }  // decoded sound, delay removed
    bool hasSound() const { return index_.hasSound(); }
    std::optional<PictureTimeline> pictureTimeline() const override;

    // Reader thread. The next read() starts exactly at `frame` (0..lengthFrames).
    void seek(int64_t frame) override { reader_->seek(frame); }
    // Fills up to `frames` stereo frames; fewer only at the length; 0 once there.
    size_t read(float* stereo, size_t frames) override { return reader_->read(stereo, frames); }

    // Any thread: makes blocked I/O give up (the device is closing).
    void interrupt() override { input_->interrupt(); }

  private:
    FfmpegSource(std::unique_ptr<MediaInput> input, SoundIndex index);
    bool soundDecodes();

    // Immutable after open.
    std::unique_ptr<MediaInput> input_;
    SoundIndex index_;
    bool hasPictures_ = false;

    std::unique_ptr<SoundReader> reader_;  // reader thread (the UI thread during open)
};

}  // namespace engine
