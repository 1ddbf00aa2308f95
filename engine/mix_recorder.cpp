#include "engine/mix_recorder.h"

#include <chrono>

#include "util/log.h"

namespace engine {
namespace {

using Clock = std::chrono::steady_clock;
// The callback cannot wake the writer: it looks at the ring this often.
constexpr auto kWriterPoll = std::chrono::milliseconds(10);
// What a killed process leaves readable: the file is flushed at least this often.
constexpr auto kFlushEvery = std::chrono::seconds(1);

}  // namespace

std::unique_ptr<MixRecorder> MixRecorder::start(const std::string& path, int sampleRate,
                                                std::string& error, WriteHook beforeWrite) {
    std::unique_ptr<SoundFile> file = SoundFile::create(path, sampleRate, error);
    if (!file) {
        return nullptr;
    }
    return std::unique_ptr<MixRecorder>(
        new MixRecorder(std::move(file), path, sampleRate, std::move(beforeWrite)));
}

MixRecorder::MixRecorder(std::unique_ptr<SoundFile> file, std::string path, int sampleRate,
                         WriteHook beforeWrite)
    : path_(std::move(path)),
      sampleRate_(sampleRate),
      beforeWrite_(std::move(beforeWrite)),
      file_(std::move(file)) {
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
    auto lastFlush = Clock::now();
    for (;;) {
        const bool last = stopping_.load(std::memory_order_acquire);
        bool written = drain();
        if (written && last && pendingGap_ > 0) {
            written = file_->writeSilence(pendingGap_);  // lost up to the very end
        }
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
        if (!file_->writeSilence(gap->frames)) {
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
        if (!file_->write(stereo, frames)) {
            return false;
        }
        ring_.consume(frames);
    }
    return true;
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
    status.gaps = gaps_.load(std::memory_order_relaxed);
    status.lostFrames = lostFrames_.load(std::memory_order_relaxed);
    std::lock_guard lock(failureMutex_);
    status.failure = failure_;
    status.recording = failure_.empty() && !stopping_.load(std::memory_order_relaxed);
    return status;
}

}  // namespace engine
