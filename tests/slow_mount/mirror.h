#pragma once
// A slow or stalled network mount for tests and benchmarks: slow_mount (a FUSE file system,
// built where libfuse3 is) mirrors a folder at ./slow-mount-<pid>, every call answering after
// a delay; stall() makes it stop answering, answer() brings it back. mounted() is false where
// FUSE cannot mount (no /dev/fuse or fusermount3).

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace slowmount {

class Mirror {
  public:
    Mirror(const std::string& folder, int delayMs)
        : point_(std::filesystem::absolute("slow-mount-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(point_);
        child_ = fork();
        if (child_ == 0) {
            const std::string delay = std::to_string(delayMs);
            execl(ROTAVOX_SLOW_MOUNT, "slow_mount", folder.c_str(), point_.c_str(), delay.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 100 && !mounted() && !ended(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~Mirror() {
        answer();
        // Lazily if need be (a file may still be open); the file system then ends without
        // waiting for it.
        const std::string point = "'" + point_.string() + "'";
        static_cast<void>(
            std::system(("fusermount3 -u " + point + " 2>/dev/null || fusermount3 -u -z " + point +
                         " 2>/dev/null")
                            .c_str()));
        if (!ended_) {
            kill(child_, SIGTERM);
            waitpid(child_, nullptr, 0);
        }
        std::error_code ignored;
        std::filesystem::remove(point_, ignored);
    }
    Mirror(const Mirror&) = delete;
    Mirror& operator=(const Mirror&) = delete;

    bool mounted() const {
        struct stat inside {
        }, outside{};
        return stat(point_.c_str(), &inside) == 0 &&
               stat(point_.parent_path().c_str(), &outside) == 0 && inside.st_dev != outside.st_dev;
    }
    std::string mirror(const std::string& path) const {
        return (point_ / std::filesystem::path(path).filename()).string();
    }
    void stall() const { send(SIGUSR1); }
    void answer() const { send(SIGUSR2); }

  private:
    void send(int number) const {
        if (!ended_) {
            kill(child_, number);
        }
    }
    bool ended() {
        ended_ = ended_ || waitpid(child_, nullptr, WNOHANG) == child_;
        return ended_;
    }

    std::filesystem::path point_;
    pid_t child_ = -1;
    bool ended_ = false;  // reaped: it could not mount
};

}  // namespace slowmount
