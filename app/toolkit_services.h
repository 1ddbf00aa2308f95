#pragma once
// What the handlers need from the window toolkit beyond the control model. The
// view implements these; tests fake them.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "util/playlist_file.h"

namespace app {

// The shared modal file-open dialog: no filter, no title, one file at a time.
class OpenFileDialog {
  public:
    virtual ~OpenFileDialog() = default;
    // Shows the dialog and returns when the user closes it: true when a file was
    // chosen, false when the dialog was cancelled.
    virtual bool ShowOpen() = 0;
    // The full path of the file chosen last.
    virtual std::string FileName() const = 0;
};

// The names of the plain files of a folder (hidden and system files left out).
class FolderListing {
  public:
    virtual ~FolderListing() = default;
    virtual std::vector<std::string> PlainFilesIn(const std::string& folder) = 0;
};

// The data of a drop: the dropped files' paths, numbered from 1 in the source's order.
class DropData {
  public:
    virtual ~DropData() = default;
    // 0 when the drop carries no file list (dragged text, say).
    virtual int32_t FileCount() const = 0;
    virtual std::string File(int32_t number) const = 0;
};

// Files that may answer slowly, as on a network mount: the view reads what opening one
// needs off the window's thread, so that a load waits for the file, not the window.
class FileAnswers {
  public:
    virtual ~FileAnswers() = default;
    // True when `path` opens without waiting on it (it answered within a short wait);
    // otherwise `then` runs as a handler once it has answered.
    virtual bool Answered(const std::string& path, std::function<void()> then) = 0;
    // What `playlistFile` lists (see useful::ReadPlaylistFile) when it was read within a short
    // wait; otherwise nothing, and `then` runs as a handler with it once it has been read.
    virtual std::optional<useful::PlaylistListing> Listed(
        const std::string& playlistFile,
        std::function<void(const useful::PlaylistListing& listing)> then) = 0;
};

// For views without slow files: every file is read at its open.
class FilesReadAtOpen : public FileAnswers {
  public:
    bool Answered(const std::string& /*path*/, std::function<void()> /*then*/) override {
        return true;
    }
    std::optional<useful::PlaylistListing> Listed(
        const std::string& playlistFile,
        std::function<void(const useful::PlaylistListing&)> /*then*/) override {
        return useful::ReadPlaylistFile(playlistFile);
    }
};

}  // namespace app
