#include "engine/mix_recorder.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>

#include "util/log.h"

namespace engine {
namespace {

using Clock = std::chrono::steady_clock;
// The callback cannot wake the writer: it looks at the ring this often.
constexpr auto kWriterPoll = std::chrono::milliseconds(10);
// What a killed process leaves readable: the file is flushed at least this often.
constexpr auto kFlushEvery = std::chrono::seconds(1);
constexpr int kWriterNiceness = 10;

}  // namespace

std::unique_ptr<MixRecorder> MixRecorder::start(const std::string& path, int sampleRate,
                                                std::string& error, WriteHook beforeWrite) {
    std::unique_ptr<RecordingFile> file = RecordingFile::create(path, sampleRate, error);
    if (!file) {
        return nullptr;
    }
    return std::unique_ptr<MixRecorder>(
        new MixRecorder(std::move(file), path, sampleRate, std::move(beforeWrite)));
}

MixRecorder::MixRecorder(std::unique_ptr<RecordingFile> file, std::string path, int sampleRate,
                         WriteHook beforeWrite)
    : path_(std::move(path)),
      sampleRate_(sampleRate),
      beforeWrite_(std::move(beforeWrite)),
      file_(std::move(file)),
      takesPictures_(file_->hasPictures()) {
    writer_ = std::thread([this] { writerLoop(); });
}

MixRecorder::~MixRecorder() {
    stop();
}

void MixRecorder::push(const float* stereo, size_t frames) noexcept {
    if (!accepting_.load(std::memory_order_relaxed)) {
        return;
    }
    frames_.fetch_add(frames, std::memory_order_relaxed);
    if (pendingGap_ > 0) {
        // The gap goes out (where it belongs, before these frames) only with room for them.
        if (ring_.room() < frames || !gapMarks_.tryPush({ring_.written(), pendingGap_})) {
            pendingGap_ += frames;
            lostFrames_.fetch_add(frames, std::memory_order_relaxed);
            return;
        }
        pendingGap_ = 0;
    }
    const size_t fitted = ring_.write(stereo, frames);
    if (fitted < frames) {
        pendingGap_ = frames - fitted;
        gaps_.fetch_add(1, std::memory_order_relaxed);
        lostFrames_.fetch_add(pendingGap_, std::memory_order_relaxed);
    }
}

void MixRecorder::writerLoop() {
    // Encoding (pictures above all) gives way to the audio callback and the window.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kWriterNiceness);
    auto lastFlush = Clock::now();
    for (;;) {
        const bool last = stopping_.load(std::memory_order_acquire);
        bool written = drain();
        if (written && last && pendingGap_ > 0) {
            written = writeSound(nullptr, pendingGap_);  // lost up to the very end
        }
        written = written && writePictures();
        if (written && !last && Clock::now() - lastFlush >= kFlushEvery) {
            written = file_->flush();
            lastFlush = Clock::now();
        }
        if (!written) {
            failWith(file_->error());
            break;
        }
        if (last) {
            break;
        }
        std::this_thread::sleep_for(kWriterPoll);
    }
    if (!file_->finish()) {
        failWith(file_->error());
    }
}

bool MixRecorder::drain() {
    // The frames first: a gap that lies among them was marked before they were written.
    const uint64_t end = ring_.headIndex() + ring_.size();
    for (Gap* gap = gapMarks_.front(); gap != nullptr && gap->at <= end; gap = gapMarks_.front()) {
        if (!writeUpTo(gap->at)) {
            return false;
        }
        useful::Log("record", "%s: a gap of %llu frames (the writer fell behind)", path_.c_str(),
                    static_cast<unsigned long long>(gap->frames));
        if (!writeSound(nullptr, gap->frames)) {
            return false;
        }
        gapMarks_.pop();
    }
    return writeUpTo(end);
}

bool MixRecorder::writeUpTo(uint64_t end) {
    while (ring_.headIndex() < end) {
        size_t frames = 0;
        const float* stereo = ring_.readable(frames);
        frames = std::min<uint64_t>(frames, end - ring_.headIndex());
        if (beforeWrite_) {
            beforeWrite_();
        }
        if (!writeSound(stereo, frames)) {
            return false;
        }
        ring_.consume(frames);
    }
    return true;
}

bool MixRecorder::writeSound(const float* stereo, size_t frames) {
    soundWritten_ += frames;
    return stereo != nullptr ? file_->write(stereo, frames) : file_->writeSilence(frames);
}

void MixRecorder::pushPicture(std::shared_ptr<const windowing::VideoFrame> picture) {
    if (!takesPictures_) {
        return;
    }
    const uint64_t now = frames_.load(std::memory_order_relaxed);
    std::lock_guard lock(picturesMutex_);
    if (pictures_.size() == kPicturesQueued) {
        pictures_.pop_front();  // the writer is far behind: its oldest goes
    }
    pictures_.push_back({std::move(picture), now});
}

// Picture n stands for the sound from frame n * rate / 25 on: it is the latest picture shown
// by the middle of its time, written once the sound has passed there.
bool MixRecorder::writePictures() {
    if (!takesPictures_) {
        return true;
    }
    const uint64_t rate = static_cast<uint64_t>(sampleRate_);
    const uint64_t perSecond = RecordingFile::kPicturesPerSecond;
    for (;;) {
        const uint64_t due =
            (2 * static_cast<uint64_t>(picturesWritten_) + 1) * rate / (2 * perSecond);
        if (due >= soundWritten_) {
            return true;
        }
        {
            std::lock_guard lock(picturesMutex_);
            while (!pictures_.empty() && pictures_.front().atFrame <= due) {
                shown_ = std::move(pictures_.front().picture);
                pictures_.pop_front();
            }
        }
        if (!file_->writePicture(shown_.get())) {
            return false;
        }
        ++picturesWritten_;
    }
}

void MixRecorder::failWith(const std::string& reason) {
    accepting_.store(false, std::memory_order_relaxed);
    std::lock_guard lock(failureMutex_);
    if (failure_.empty()) {
        failure_ = reason;
        useful::Log("record", "%s: stopped: %s", path_.c_str(), reason.c_str());
    }
}

void MixRecorder::stop() {
    stopping_.store(true, std::memory_order_release);
    if (writer_.joinable()) {
        writer_.join();
    }
}

RecordingStatus MixRecorder::status() const {
    RecordingStatus status;
    status.path = path_;
    status.frames = frames_.load(std::memory_order_relaxed);
    status.sampleRate = sampleRate_;
    status.pictures = takesPictures_;
    status.gaps = gaps_.load(std::memory_order_relaxed);
    status.lostFrames = lostFrames_.load(std::memory_order_relaxed);
    std::lock_guard lock(failureMutex_);
    status.failure = failure_;
    status.recording = failure_.empty() && !stopping_.load(std::memory_order_relaxed);
    return status;
}

}  // namespace engine
