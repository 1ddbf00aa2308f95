// Files and folders: attributes, the program's own folder, folder creation, short paths.

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "platform/short_paths.h"
#include "platform/text_buffer.h"

namespace platform {
namespace {

constexpr int32_t kFileAttributeNormal = 128;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string homeFolder() {
    const std::string home = environment("HOME");
    if (!home.empty()) {
        return home;
    }
    const passwd* user = ::getpwuid(::getuid());
    return user != nullptr && user->pw_dir != nullptr ? user->pw_dir : "/tmp";
}

// Linux programs keep their data in the user's data folder, not beside the executable,
// which an installed copy cannot write to and a rebuild wipes.
std::string programFolderPath() {
    const std::string own = environment("ROTAVOX_HOME");
    if (!own.empty()) {
        return withoutTrailingSlashes(own);
    }
    const std::string data = environment("XDG_DATA_HOME");
    if (data.starts_with('/')) {  // relative values are to be ignored
        return withoutTrailingSlashes(data) + "/rotavox";
    }
    return withoutTrailingSlashes(homeFolder()) + "/.local/share/rotavox";
}

}  // namespace

int32_t GetFileAttributes(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        return -1;
    }
    return S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : kFileAttributeNormal;
}

std::string ProgramFolder() {
    const std::string folder = programFolderPath();
    std::error_code cannotMake;  // start-up then fails to make its samples folder inside
    std::filesystem::create_directories(folder, cannotMake);
    return folder;
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
