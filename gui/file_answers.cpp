#include "gui/file_answers.h"

#include <QCoreApplication>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/media_service.h"

namespace gui {
namespace {

// A playlist file's reading, shared by the window's thread, which waits for it a while, and
// the reading's thread, which hands it on if the wait ended first.
struct ListReading {
    std::mutex mutex;
    std::condition_variable read;
    std::optional<useful::PlaylistListing> listing;
    bool waitedOut = false;
};

// Posts `handler` to run as a handler of `window`, if the window still exists by then. From
// any thread; posted to the application, which outlives the window, and checked there.
void runLater(const QPointer<QObject>& window, const FileAnswers::RunHandler& run,
              std::function<void()> handler) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) {
        return;  // the program is ending
    }
    QMetaObject::invokeMethod(
        application,
        [window, run, handler = std::move(handler)] {
            if (window) {
                run(handler);
            }
        },
        Qt::QueuedConnection);
}

}  // namespace

bool FileAnswers::Answered(const std::string& path, std::function<void()> then) {
    return platform::ReadAhead(path, kWait,
                               [window = window_, run = runHandler_, then = std::move(then)] {
                                   runLater(window, run, then);
                               });
}

std::optional<useful::PlaylistListing> FileAnswers::Listed(
    const std::string& playlistFile, std::function<void(const useful::PlaylistListing&)> then) {
    const auto reading = std::make_shared<ListReading>();
    // Detached: a share that never answers must not hold the program's exit either.
    std::thread([window = window_, run = runHandler_, reading, playlistFile,
                 then = std::move(then)] {
        useful::PlaylistListing listing = useful::ReadPlaylistFile(playlistFile);
        std::unique_lock lock(reading->mutex);
        if (!reading->waitedOut) {
            reading->listing = std::move(listing);
            reading->read.notify_one();
            return;
        }
        lock.unlock();
        runLater(window, run, [then, listing] { then(listing); });
    }).detach();
    std::unique_lock lock(reading->mutex);
    if (!reading->read.wait_for(lock, kWait, [&reading] { return reading->listing.has_value(); })) {
        reading->waitedOut = true;
    }
    return reading->listing;
}

}  // namespace gui
