#include "engine/open_ahead.h"

#include <sys/stat.h>

#include <algorithm>
#include <exception>
#include <new>

namespace engine {

OpenAhead::Reading::~Reading() {
    if (thread.joinable()) {
        thread.join();
    }
}

bool OpenAhead::start(const std::string& path, std::chrono::milliseconds wait,
                      std::function<void()> answered) {
    Readings stale;
    std::unique_lock lock(mutex_);
    stale = forgetStale();
    std::shared_ptr<Reading> reading = find(path);
    if (!reading) {
        reading = std::make_shared<Reading>(path);
        readings_.insert(readings_.begin(), reading);
        // The reading outlives its thread (its destructor joins), so the thread holds no
        // share of it: the last share never goes on that thread.
        reading->thread = std::thread([this, raw = reading.get()] { run(*raw); });
    }
    const bool read = done_.wait_for(lock, wait, [&reading] { return reading->file.has_value(); });
    if (!read) {
        reading->answered.push_back(std::move(answered));
    }
    lock.unlock();
    stale.clear();  // joins, unlocked: a stale reading's thread may still be answering
    return read;
}

std::optional<ReadFile> OpenAhead::take(const std::string& path) {
    std::shared_ptr<Reading> reading;
    {
        std::lock_guard lock(mutex_);
        reading = find(path);
        if (!reading || !reading->file || Clock::now() - reading->doneAt > kFresh) {
            return std::nullopt;
        }
        std::erase(readings_, reading);
    }
    return std::move(reading->file);
}

void OpenAhead::forgetAll() {
    Readings all;
    {
        std::lock_guard lock(mutex_);
        all.swap(readings_);
    }
}

void OpenAhead::abandon() {
    Readings done;
    {
        std::lock_guard lock(mutex_);
        std::erase_if(readings_, [&done](const std::shared_ptr<Reading>& reading) {
            reading->answered.clear();
            if (reading->file) {
                done.push_back(reading);
            }
            return reading->file.has_value();
        });
    }
}

void OpenAhead::run(Reading& reading) {
    ReadFile file;
    try {
        file = read_(reading.path);
    } catch (const std::bad_alloc&) {
        file = ReadFile::Failed(OpenError::OutOfMemory);
    } catch (const std::exception&) {
        file = ReadFile::Failed(OpenError::Internal);  // a thread that cannot start, say
    }
    // The window looks the file up once more when it opens it (for its short name); looked up
    // here last, that is answered from the system's attribute cache, not by the mount.
    struct stat attributes {};
    ::stat(reading.path.c_str(), &attributes);
    std::vector<std::function<void()>> answered;
    {
        std::lock_guard lock(mutex_);
        reading.file = std::move(file);
        reading.doneAt = Clock::now();
        answered.swap(reading.answered);
    }
    done_.notify_all();
    for (const auto& answer : answered) {
        answer();
    }
}

std::shared_ptr<OpenAhead::Reading> OpenAhead::find(const std::string& path) const {
    const auto it = std::find_if(readings_.begin(), readings_.end(),
                                 [&path](const auto& reading) { return reading->path == path; });
    return it == readings_.end() ? nullptr : *it;
}

OpenAhead::Readings OpenAhead::forgetStale() {
    Readings stale;
    const auto now = Clock::now();
    size_t kept = 0;
    std::erase_if(readings_, [&](const std::shared_ptr<Reading>& reading) {
        if (!reading->file) {
            return false;  // still reading: its caller is waiting for it
        }
        if (now - reading->doneAt <= kFresh && ++kept <= kKeptReadings) {
            return false;
        }
        stale.push_back(reading);
        return true;
    });
    return stale;
}

}  // namespace engine
