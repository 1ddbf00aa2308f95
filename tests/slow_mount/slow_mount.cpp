// A read-only mirror of a folder whose every file-system call answers after a delay, as a
// slow network mount does: `slow_mount FOLDER MOUNTPOINT DELAY_MS` (in the foreground; end
// it with `fusermount3 -u MOUNTPOINT`). SIGUSR1 makes it stop answering, as a server gone
// away; SIGUSR2 makes it answer again. See mirror.h.

#define FUSE_USE_VERSION 31
#include <dirent.h>
#include <fcntl.h>
#include <fuse3/fuse.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

namespace {

std::string gFolder;
std::chrono::milliseconds gDelay{0};
std::atomic<bool> gStalled{false};  // lock-free: set from signal handlers

// Every call is one round trip to the server, and none comes back while it is away.
void roundTrip() {
    std::this_thread::sleep_for(gDelay);
    while (gStalled.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string mirrored(const char* path) {
    roundTrip();
    return gFolder + path;
}

int getAttributes(const char* path, struct stat* info, fuse_file_info* /*file*/) {
    return ::lstat(mirrored(path).c_str(), info) == 0 ? 0 : -errno;
}

int readFolder(const char* path, void* buffer, fuse_fill_dir_t fill, off_t /*offset*/,
               fuse_file_info* /*file*/, fuse_readdir_flags /*flags*/) {
    DIR* folder = ::opendir(mirrored(path).c_str());
    if (folder == nullptr) {
        return -errno;
    }
    while (const dirent* entry = ::readdir(folder)) {
        fill(buffer, entry->d_name, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    }
    ::closedir(folder);
    return 0;
}

int openFile(const char* path, fuse_file_info* file) {
    const int descriptor = ::open(mirrored(path).c_str(), file->flags);
    if (descriptor < 0) {
        return -errno;
    }
    file->fh = static_cast<uint64_t>(descriptor);
    return 0;
}

int readFile(const char* /*path*/, char* buffer, size_t size, off_t offset, fuse_file_info* file) {
    roundTrip();
    const ssize_t got = ::pread(static_cast<int>(file->fh), buffer, size, offset);
    return got < 0 ? -errno : static_cast<int>(got);
}

int releaseFile(const char* /*path*/, fuse_file_info* file) {
    ::close(static_cast<int>(file->fh));
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: slow_mount FOLDER MOUNTPOINT DELAY_MS\n");
        return 2;
    }
    std::signal(SIGUSR1, [](int) { gStalled.store(true); });
    std::signal(SIGUSR2, [](int) { gStalled.store(false); });
    gFolder = argv[1];
    gDelay = std::chrono::milliseconds(std::stoi(argv[3]));
    fuse_operations operations{};
    operations.getattr = getAttributes;
    operations.readdir = readFolder;
    operations.open = openFile;
    operations.read = readFile;
    operations.release = releaseFile;
    // Attributes cached for a second, as FUSE and NFS do by default.
    std::string self = argv[0];
    std::string mountPoint = argv[2];
    std::string foreground = "-f";
    std::string option = "-o";
    std::string options = "ro,attr_timeout=1,entry_timeout=1";
    char* arguments[] = {self.data(),   mountPoint.data(), foreground.data(),
                         option.data(), options.data(),    nullptr};
    return fuse_main(5, arguments, &operations, nullptr);
}
