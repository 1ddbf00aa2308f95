// Opening a document or web address with the desktop's opener.

#include <spawn.h>
#include <sys/wait.h>

#include <strings.h>

#include <thread>

#include "platform/platform.h"

extern char** environ;

namespace platform {
namespace {

constexpr int32_t kShellSucceeded = 42;  // any value above 32 means success
constexpr int32_t kShellFileNotFound = 2;

}  // namespace

// The address goes to xdg-open as one argument with no shell in between, so no
// character in it can be taken as a command. The opener is reaped in the
// background, so a slow desktop never holds up the window.
int32_t ShellExecute(int32_t /*owner*/, const std::string& verb, const std::string& file,
                     const std::string& /*parameters*/, const std::string& /*directory*/,
                     int32_t /*showCommand*/) {
    if (::strcasecmp(verb.c_str(), "open") != 0 || file.empty()) {
        return kShellFileNotFound;
    }
    std::string program = "xdg-open";
    std::string argument = file;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t child = 0;
    if (::posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv, environ) != 0) {
        return kShellFileNotFound;
    }
    std::thread([child] { ::waitpid(child, nullptr, 0); }).detach();
    return kShellSucceeded;
}

}  // namespace platform
