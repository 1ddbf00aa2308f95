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

namespace {

void discardAllBut(AVFormatContext* format, int stream) {
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (static_cast<int>(i) != stream) {
            format->streams[i]->discard = AVDISCARD_ALL;
        }
    }
}

}  // namespace

// The index open starts with: the header's, the scan's, or for a large file whose scan takes
// longer than open may wait, an estimate's; the full index follows in the background.
FfmpegSource::FirstIndex FfmpegSource::firstIndex(MediaInput& input, const SoundStream& sound,
                                                  const std::string& path, ScanAtOpen scanAtOpen) {
    if (auto stated = StatedIndex(input, sound, path)) {
        return {std::move(stated), Basis::Stated, nullptr};  // the scan starts once open is done
    }
    if (avio_size(input.format()->pb) <= scanAtOpen.bytes) {
        return {ScanFile(input, sound), Basis::Scanned, nullptr};
    }
    auto background = std::make_unique<BackgroundIndex>(path, sound);
    if (!background->endsWithin(scanAtOpen.wait)) {
        if (auto estimated = EstimatedIndex(input, sound, path)) {
            useful::Log("open", "%s: started from an estimated length", path.c_str());
            return {std::move(estimated), Basis::Estimated, std::move(background)};
        }
    }
    const std::shared_ptr<const SoundIndex> scanned = background->wait();
    discardAllBut(input.format(), sound.stream);
    return {scanned ? std::optional(*scanned) : std::nullopt, Basis::Scanned, nullptr};
}

std::unique_ptr<FfmpegSource> FfmpegSource::open(const std::string& path, OpenError& error,
                                                 ScanAtOpen scanAtOpen) {
    std::unique_ptr<MediaInput> input = MediaInput::open(path, error);
    if (!input) {
        return nullptr;
    }
    const SoundStream sound = FindSoundStream(input->format());
    FirstIndex first = firstIndex(*input, sound, path, scanAtOpen);
    const std::optional<SoundIndex>& index = first.index;
    if (!index || !LastsAMillisecond(index->lengthFrames, index->sampleRate) ||
        !FitsTheDeviceClock(index->lengthFrames, index->sampleRate)) {
        useful::Log("open", "%s: %s", path.c_str(),
                    index ? "a length under a millisecond or beyond the device's clock"
                          : "the scan stalled or was stopped");
        error = OpenError::InvalidFile;
        return nullptr;
    }
    std::unique_ptr<FfmpegSource> source(
        new FfmpegSource(std::move(input), std::move(*first.index)));
    source->basis_ = first.basis;
    source->estimatedLength_ = first.basis == Basis::Estimated;
    source->background_ = std::move(first.background);
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
    if (first.basis == Basis::Stated) {
        // Not before: on a cold disk its reading would hold up open's own.
        source->background_ = std::make_unique<BackgroundIndex>(path, sound);
    }
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

int64_t FfmpegSource::lengthFrames() const {
    if (estimatedLength_) {
        if (const auto full = fullIndex()) {
            return full->lengthFrames;
        }
    }
    return openLength_;
}

// The length is final at open: where the frames disagree with the header (a WMA's
// milliseconds, a WMV's pictures that outlast its sound, a damaged file), the header's length
// holds, and the sound is cut or followed by silence to it.
void FfmpegSource::takeFullIndex(std::shared_ptr<const SoundIndex> full) {
    if (basis_ == Basis::Stated && full->lengthFrames != openLength_) {
        auto fitted = std::make_shared<SoundIndex>(*full);
        fitted->lengthFrames = openLength_;
        fitted->soundFrames =
            std::clamp<int64_t>(openLength_ - full->leadFrames, 0, full->soundFrames);
        full = std::move(fitted);
    }
    reader_.reset();
    index_ = std::move(full);
    reader_ = std::make_unique<SoundReader>(input_->format(), *index_);
    basis_ = Basis::Scanned;
}

void FfmpegSource::seek(int64_t frame) {
    if (basis_ != Basis::Scanned && frame > 0) {
        background_->wait();  // the first index knows only the start
    }
    if (const auto full = basis_ != Basis::Scanned ? fullIndex() : nullptr) {
        takeFullIndex(full);
    }
    reader_->seek(frame);
}

size_t FfmpegSource::read(float* stereo, size_t frames) {
    // Where the sound ends, the first index and the decoded frames may disagree (by a codec
    // frame for a header, by the estimate's error): the last second is read as the full
    // index places it, whenever the index comes.
    if (basis_ != Basis::Scanned &&
        reader_->position() + static_cast<int64_t>(frames) + sampleRate_ >= index_->lengthFrames) {
        background_->wait();
    }
    if (const auto full = basis_ != Basis::Scanned ? fullIndex() : nullptr) {
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
