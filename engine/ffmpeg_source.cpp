#include "engine/ffmpeg_source.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <mutex>
#include <vector>

#include "engine/sound_decoder.h"

namespace engine {

std::unique_ptr<FfmpegSource> FfmpegSource::open(const std::string& path, OpenError& error) {
    // FFmpeg's own messages (bit-rate estimates, corrupt frames) are not for the user: the
    // engine answers with OpenError or a device that plays what it can.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_FATAL); });
    std::unique_ptr<MediaInput> input = MediaInput::open(path, error);
    if (!input) {
        return nullptr;
    }
    std::optional<SoundIndex> index = ScanFile(*input, FindSoundStream(input->format()));
    if (!index || !LastsAMillisecond(index->lengthFrames, index->sampleRate) ||
        !FitsTheDeviceClock(index->lengthFrames, index->sampleRate)) {
        error = OpenError::InvalidFile;
        return nullptr;
    }
    std::unique_ptr<FfmpegSource> source(new FfmpegSource(std::move(input), std::move(*index)));
    if (!source->soundDecodes()) {
        error = OpenError::InvalidFile;
        return nullptr;
    }
    source->input_->endDeadline();
    source->seek(0);  // read() may follow at once, silent videos too
    error = OpenError::None;
    return source;
}

FfmpegSource::FfmpegSource(std::unique_ptr<MediaInput> input, SoundIndex index)
    : input_(std::move(input)),
      index_(std::move(index)),
      hasPictures_(PictureStream(input_->format()) >= 0),
      reader_(std::make_unique<SoundReader>(input_->format(), index_)) {}

// Some sound must actually decode. Where none does, a file with pictures plays them in
// silence; false for one without.
bool FfmpegSource::soundDecodes() {
    if (!index_.hasSound()) {
        return true;
    }
    reader_->seek(index_.leadFrames);
    std::vector<float> probe(2 * 4096);
    reader_->read(probe.data(), static_cast<size_t>(std::min<int64_t>(
                                    4096, index_.lengthFrames - index_.leadFrames)));
    if (reader_->decodedAny()) {
        return true;
    }
    if (index_.videoFrames == 0) {
        return false;
    }
    reader_.reset();
    index_ = index_.withoutSound();
    reader_ = std::make_unique<SoundReader>(input_->format(), index_);
    return LastsAMillisecond(index_.lengthFrames, index_.sampleRate);
}

std::optional<PictureTimeline> FfmpegSource::pictureTimeline() const {
    if (!hasPictures_) {
        return std::nullopt;
    }
    return PictureTimeline{index_.originFrames, index_.sampleRate};
}

}  // namespace engine
