#include "gui/quit_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <stdexcept>

namespace gui {
namespace {

constexpr std::array<int, 2> kQuitSignals = {SIGTERM, SIGINT};

// What the handler may touch: async-signal-safe data only.
volatile sig_atomic_t received = 0;
int pipeEnds[2] = {-1, -1};
std::array<struct sigaction, kQuitSignals.size()> before{};

void onQuitSignal(int signal) {
    if (received != 0) {
        // Blocked while this handler runs, so the raise takes effect as it returns.
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    received = 1;
    const int savedErrno = errno;
    const char number = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &number, 1);
    errno = savedErrno;
}

}  // namespace

QuitSignals::QuitSignals(std::function<void()> close) : close_(std::move(close)) {
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("no pipe for the quit signals");
    }
    received = 0;
    notifier_ = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        char number = 0;
        while (::read(pipeEnds[0], &number, 1) > 0) {
        }
        close_();
    });
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kQuitSignals.size(); ++i) {
        ::sigaction(kQuitSignals[i], &action, &before[i]);
    }
}

QuitSignals::~QuitSignals() {
    for (std::size_t i = 0; i < kQuitSignals.size(); ++i) {
        ::sigaction(kQuitSignals[i], &before[i], nullptr);
    }
    notifier_.reset();
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

}  // namespace gui
