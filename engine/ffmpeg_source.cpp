#include "engine/ffmpeg_source.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <vector>

#include "engine/sound_decoder.h"
#include "engine/stated_index.h"
#include "util/log.h"

namespace engine {

std::unique_ptr<FfmpegSource> FfmpegSource::open(const std::string& path, OpenError& error) {
    std::unique_ptr<MediaInput> input = MediaInput::open(path, error);
    if (!input) {
        return nullptr;
    }
    const SoundStream sound = FindSoundStream(input->format());
    std::optional<SoundIndex> index = StatedIndex(*input, sound, path);
    const bool stated = index.has_value();
    if (!stated) {
        index = ScanFile(*input, sound);
    }
    if (!index || !LastsAMillisecond(index->lengthFrames, index->sampleRate) ||
        !FitsTheDeviceClock(index->lengthFrames, index->sampleRate)) {
        useful::Log("open", "%s: %s", path.c_str(),
                    index ? "a length under a millisecond or beyond the device's clock"
                          : "the scan stalled or was stopped");
        error = OpenError::InvalidFile;
        return nullptr;
    }
    std::unique_ptr<FfmpegSource> source(new FfmpegSource(std::move(input), std::move(*index)));
    if (stated) {
        source->stated_ = true;
        source->background_ = std::make_unique<BackgroundIndex>(path, sound);
    }
    if (!source->soundDecodes()) {
        useful::Log("open", "%s: no sound decodes and there are no pictures", path.c_str());
        error = OpenError::InvalidFile;
        return nullptr;
    }
    if (PictureStream(source->input_->format()) >= 0) {
        source->pictures_ = PictureTimeline{source->index_->originFrames, source->sampleRate_};
    }
    source->openLength_ = source->index_->lengthFrames;
    source->input_->endDeadline();
    source->seek(0);  // read() may follow at once, silent videos too
    error = OpenError::None;
    return source;
}

FfmpegSource::FfmpegSource(std::unique_ptr<MediaInput> input, SoundIndex index)
    : input_(std::move(input)),
      sampleRate_(index.sampleRate),
      index_(std::make_shared<const SoundIndex>(std::move(index))),
      reader_(std::make_unique<SoundReader>(input_->format(), *index_)) {}

// Some sound must actually decode. Where none does, a file with pictures plays them in
// silence; false for one without.
bool FfmpegSource::soundDecodes() {
    if (!index_->hasSound()) {
        return true;
    }
    reader_->seek(index_->leadFrames);
    std::vector<float> probe(2 * 4096);
    reader_->read(probe.data(), static_cast<size_t>(std::min<int64_t>(
                                    4096, index_->lengthFrames - index_->leadFrames)));
    if (reader_->decodedAny()) {
        return true;
    }
    if (index_->videoFrames == 0) {
        return false;
    }
    reader_.reset();
    index_ = std::make_shared<const SoundIndex>(index_->withoutSound());
    reader_ = std::make_unique<SoundReader>(input_->format(), *index_);
    return LastsAMillisecond(index_->lengthFrames, index_->sampleRate);
}

// The background's full index where it is built and plays on the same timeline rate.
std::shared_ptr<const SoundIndex> FfmpegSource::fullIndex() const {
    std::shared_ptr<const SoundIndex> full = background_ ? background_->ready() : nullptr;
    return full && full->sampleRate == sampleRate_ ? full : nullptr;
}

// The length is final at open: where the frames disagree with the header (a WMA's
// milliseconds, a WMV's pictures that outlast its sound, a damaged file), the header's length
// holds, and the sound is cut or followed by silence to it.
void FfmpegSource::takeFullIndex(std::shared_ptr<const SoundIndex> full) {
    if (full->lengthFrames != openLength_) {
        auto fitted = std::make_shared<SoundIndex>(*full);
        fitted->lengthFrames = openLength_;
        fitted->soundFrames =
            std::clamp<int64_t>(openLength_ - full->leadFrames, 0, full->soundFrames);
        full = std::move(fitted);
    }
    reader_.reset();
    index_ = std::move(full);
    reader_ = std::make_unique<SoundReader>(input_->format(), *index_);
    stated_ = false;
}

void FfmpegSource::seek(int64_t frame) {
    if (stated_ && frame > 0) {
        background_->wait();  // the header's index knows only the start
    }
    if (const auto full = stated_ ? fullIndex() : nullptr) {
        takeFullIndex(full);
    }
    reader_->seek(frame);
}

size_t FfmpegSource::read(float* stereo, size_t frames) {
    // Where the sound ends, the header and the decoded frames may disagree by a codec frame:
    // the last second is read as the full index places it, whenever the index comes.
    if (stated_ &&
        reader_->position() + static_cast<int64_t>(frames) + sampleRate_ >= openLength_) {
        background_->wait();
    }
    if (const auto full = stated_ ? fullIndex() : nullptr) {
        // The same samples from here on, now with the index a seek needs.
        const int64_t at = reader_->position();
        takeFullIndex(full);
        reader_->seek(at);
    }
    return reader_->read(stereo, frames);
}

void FfmpegSource::interrupt() {
    input_->interrupt();
    if (background_) {
        background_->interrupt();
    }
}

}  // namespace engine
