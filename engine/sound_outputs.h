#pragma once
// Which sound devices the process-wide engine plays on: the master (what the room hears)
// and the headphones (the cue), with the period of both.
//
// Threads: UI thread.

#include <cstddef>
#include <string>
#include <vector>

namespace engine {

struct OutputChoice {
    std::string master;      // a device's name as PlaybackDeviceNames() gives it; "" default
    std::string headphones;  // "" for no headphones
    size_t periodFrames = 256;
};

// The playback devices the sound system offers, by name.
std::vector<std::string> PlaybackDeviceNames();

// Before the process engine's first use: what it starts with. Afterwards: applied at once
// (the master moves at its rate; the headphones open, move or close).
void ChooseOutputs(const OutputChoice& choice);
OutputChoice ChosenOutputs();

struct OutputState {
    bool masterOnDevice = false;      // false: no sound output, the decks play unheard
    bool headphonesOnDevice = false;  // chosen and present
};
// Starts the process engine when it has not started yet.
OutputState CurrentOutputs();

}  // namespace engine
