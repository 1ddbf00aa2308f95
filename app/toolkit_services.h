#pragma once
// What the handlers need from the window toolkit beyond the control model. The
// view implements these; tests fake them.

#include <cstdint>
#include <string>
#include <vector>

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

}  // namespace app
