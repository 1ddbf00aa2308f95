#pragma once
// A file read by bytes at given places: the headers and samples that open looks into beside
// FFmpeg's own reading. A read past the end gives what there is; a file that cannot be opened
// has size -1 and reads as empty.

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

class FileBytes {
  public:
    explicit FileBytes(const std::string& path);
    ~FileBytes();
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    int64_t size() const { return size_; }
    std::vector<uint8_t> read(int64_t offset, size_t count) const;
    // Asks the system for these bytes ahead, so that reads of spread places wait for one
    // round of the disk rather than many in turn.
    void prefetch(int64_t offset, size_t count) const;

  private:
    int file_ = -1;
    int64_t size_ = -1;
};

}  // namespace engine
