#pragma once
// SIGTERM (a logout, a shutdown, `kill`) and SIGINT (Ctrl+C in a terminal) close the
// program as closing its window does. The signal handler only writes the signal's number
// into a pipe; the UI thread reads it there and calls `close`. A second signal while
// that runs ends the program at once, as the signal asks. One object at a time.

#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace gui {

class QuitSignals final {
  public:
    // Needs the application object. Replaces whatever handled the two signals before
    // (SDL leaves a handler that is not the default one alone).
    explicit QuitSignals(std::function<void()> close);
    ~QuitSignals();  // the handlers from before back
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

  private:
    std::function<void()> close_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace gui
