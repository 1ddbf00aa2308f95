#include "engine/background_index.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <time.h>

#include "engine/media_input.h"

namespace engine {
namespace {

std::chrono::nanoseconds threadCpu() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// The second opening must see the stream the first one chose.
bool sameSound(const AVFormatContext* format, const SoundStream& sound) {
    return sound.stream >= 0 && static_cast<unsigned>(sound.stream) < format->nb_streams &&
           format->streams[sound.stream]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
}

}  // namespace

BackgroundIndex::BackgroundIndex(std::string path, SoundStream sound)
    : path_(std::move(path)),
      sound_(sound),
      started_(std::chrono::steady_clock::now()),
      thread_([this] { run(); }) {}

BackgroundIndex::~BackgroundIndex() {
    interrupt();
    thread_.join();
}

void BackgroundIndex::run() {
    OpenError error = OpenError::None;
    std::unique_ptr<MediaInput> input = MediaInput::open(path_, error);
    bool scan = false;
    {
        std::lock_guard lock(mutex_);
        scan = input && !quit_;
        input_ = scan ? input.get() : nullptr;
    }
    std::optional<SoundIndex> index;
    if (scan && sameSound(input->format(), sound_)) {
        index = ScanFile(*input, sound_);
    }
    {
        std::lock_guard lock(mutex_);
        input_ = nullptr;
        done_ = true;
        if (index && !quit_) {
            index_ = std::make_shared<const SoundIndex>(std::move(*index));
        }
        cost_ = {std::chrono::steady_clock::now() - started_, threadCpu()};
    }
    finished_.notify_all();
}

std::shared_ptr<const SoundIndex> BackgroundIndex::ready() const {
    std::lock_guard lock(mutex_);
    return index_;
}

std::shared_ptr<const SoundIndex> BackgroundIndex::wait() {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [this] { return done_ || quit_; });
    return index_;
}

bool BackgroundIndex::endsWithin(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return finished_.wait_for(lock, limit, [this] { return done_ || quit_; }) && done_;
}

void BackgroundIndex::interrupt() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        if (input_ != nullptr) {
            input_->interrupt();
        }
    }
    finished_.notify_all();
}

BackgroundIndex::Cost BackgroundIndex::cost() const {
    std::lock_guard lock(mutex_);
    return cost_;
}

}  // namespace engine
