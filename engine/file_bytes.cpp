#include "engine/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace engine {

FileBytes::FileBytes(const std::string& path) : file_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    struct stat info {};
    if (file_ >= 0 && ::fstat(file_, &info) == 0) {
        size_ = static_cast<int64_t>(info.st_size);
    }
}

FileBytes::~FileBytes() {
    if (file_ >= 0) {
        ::close(file_);
    }
}

std::vector<uint8_t> FileBytes::read(int64_t offset, size_t count) const {
    std::vector<uint8_t> bytes(count);
    const ssize_t got = file_ >= 0 ? ::pread(file_, bytes.data(), count, offset) : -1;
    bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return bytes;
}

void FileBytes::prefetch(int64_t offset, size_t count) const {
    if (file_ >= 0) {
        ::posix_fadvise(file_, offset, static_cast<off_t>(count), POSIX_FADV_WILLNEED);
    }
}

}  // namespace engine
