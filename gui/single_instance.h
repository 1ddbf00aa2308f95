#pragma once
// One mixer per user. The first start holds a lock in the user's runtime folder
// ($XDG_RUNTIME_DIR) and, once its window can take files, listens on a local socket
// beside it; a later start hands its files to that mixer through the socket and ends.
// A lock or socket left by a killed mixer does not count: the lock names a process that
// no longer runs, and the socket is made anew.

#include <QLocalServer>
#include <QLockFile>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace gui {

class SingleInstance final {
  public:
    using Arrived = std::function<void(const std::vector<std::string>& files)>;

    // Needs only a core application; nothing is looked at before. False when the running mixer took
    // `files` (none asks it to come to the front): this process should end. True when this process
    // is to be the mixer: it holds the lock, or no lock can be had, or the running mixer does not
    // answer (stopped or hung; its files would be lost otherwise). Waits while another mixer
    // starts, a few seconds at the most.
    bool claim(const std::vector<std::string>& files);

    // With the lock held: from now on each later start's files go to `arrived`, on the
    // UI thread.
    void listen(Arrived arrived);

  private:
    enum class HandOver { Taken, NotListening, NoAnswer };
    HandOver handOver(const std::vector<std::string>& files) const;
    void serve(class QLocalSocket* connection);

    QString socketPath_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
    Arrived arrived_;
};

}  // namespace gui
