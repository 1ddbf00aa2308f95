#pragma once
// The window's side of files that answer slowly: a media file's reading goes to the media
// service, which reads it off the UI thread; a playlist file is read on a thread of its own.
// What had to wait for its file runs as a handler of the window once the file has answered,
// unless the window has gone by then.

#include <QObject>
#include <QPointer>
#include <chrono>
#include <functional>

#include "app/toolkit_services.h"

namespace gui {

class FileAnswers final : public app::FileAnswers {
  public:
    // How long a handler waits for a file before it lets the window go on: a local file
    // answers well within it, and the window stays under 50 ms with the open that follows.
    static constexpr std::chrono::milliseconds kWait{30};
    using RunHandler = std::function<void(const std::function<void()>& handler)>;

    // `runHandler` runs a handler of `window`, and only while `window` exists.
    FileAnswers(QObject& window, RunHandler runHandler)
        : window_(&window), runHandler_(std::move(runHandler)) {}

    bool Answered(const std::string& path, std::function<void()> then) override;
    std::optional<useful::PlaylistListing> Listed(
        const std::string& playlistFile,
        std::function<void(const useful::PlaylistListing&)> then) override;

  private:
    QPointer<QObject> window_;
    RunHandler runHandler_;
};

}  // namespace gui
