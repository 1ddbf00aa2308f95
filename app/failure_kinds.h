#pragma once
// The two ways handlers meet a failing step (an arithmetic failure, a property
// that cannot be set). Start-up has none of its own: its failures propagate.

#include <exception>
#include <functional>
#include <initializer_list>

namespace app {

// Track loading and the play timer: a failing step is skipped and the next runs;
// what it would have set keeps its value.
inline void SkipFailingSteps(std::initializer_list<std::function<void()>> steps) {
    for (const auto& step : steps) {
        try {
            step();
        } catch (const std::exception&) {
            // skipped, as designed
        }
    }
}

// Playlist and fader handlers: the first failure ends the handler quietly,
// keeping what it had done.
template <typename Body>
void EndQuietlyOnFailure(Body&& body) {
    try {
        body();
    } catch (const std::exception&) {
        // ended quietly, as designed
    }
}

}  // namespace app
