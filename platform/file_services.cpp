// Files and folders: attributes, the program's folder, folder creation, short paths.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>

#include "platform/platform.h"
#include "platform/short_paths.h"
#include "platform/text_buffer.h"

namespace platform {
namespace {

constexpr int32_t kFileAttributeNormal = 128;

}  // namespace

int32_t GetFileAttributes(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        return -1;
    }
    return S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : kFileAttributeNormal;
}

std::string ProgramFolder() {
    std::string executable(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", executable.data(), executable.size());
    if (length <= 0) {
        return ".";
    }
    executable.resize(static_cast<std::size_t>(length));
    const std::size_t slash = executable.find_last_of('/');
    return slash == 0 ? "/" : executable.substr(0, slash);
}

bool CreateFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0755) == 0;
}

uint32_t GetShortPathName(const std::string& longPath, char* buffer, uint32_t length) {
    if (GetFileAttributes(longPath) == -1) {
        return 0;
    }
    const std::string shortForm = ShortPaths().shortFormOf(longPath);
    const auto size = static_cast<uint32_t>(shortForm.size());
    if (size >= length) {
        return size + 1;  // the size needed, terminating NUL included
    }
    CopyToBuffer(shortForm, buffer, length);
    return size;
}

}  // namespace platform
