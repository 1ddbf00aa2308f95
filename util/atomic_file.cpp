#include "util/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace useful {
namespace {

constexpr int kNameTries = 16;

std::string failure(const std::string& path) {
    return "Cannot save " + path + ": " + std::strerror(errno);
}

// A new file of this process beside `path`, with the permissions a new file gets (or
// the old file's); -1 when none can be made.
int createBeside(const std::string& path, std::string& name) {
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
        name = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(tick);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            struct stat old {};
            if (fd >= 0 && ::stat(path.c_str(), &old) == 0) {
                ::fchmod(fd, old.st_mode & 07777);
            }
            return fd;
        }
    }
    return -1;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written == 0) {
            errno = EIO;  // no progress and no reason given
        }
        if (written <= 0 && errno != EINTR) {
            return false;
        }
        bytes.remove_prefix(written < 0 ? 0 : static_cast<std::size_t>(written));
    }
    return true;
}

// The rename itself on the disk too.
void flushFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

std::string ReplaceFile(const std::string& path, std::string_view bytes) {
    std::string temporary;
    const int fd = createBeside(path, temporary);
    if (fd < 0) {
        return failure(path);
    }
    std::string error;
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0) {
        error = failure(path);
    }
    if (::close(fd) != 0 && error.empty()) {
        error = failure(path);
    }
    if (error.empty() && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = failure(path);
    }
    if (!error.empty()) {
        ::unlink(temporary.c_str());
        return error;
    }
    flushFolderOf(path);
    return "";
}

}  // namespace useful
