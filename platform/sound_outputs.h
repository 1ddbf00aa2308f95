#pragma once
// The sound devices the media service plays on: the master (what the room hears) and the
// headphones (the cue), their period, and whether they are there. UI thread.

#include <string>
#include <vector>

#include "engine/sound_outputs.h"

namespace platform {

using engine::OutputChoice;
using engine::OutputState;

// The playback devices the sound system offers, by name.
std::vector<std::string> SoundOutputNames();
// Before the first media command: what the service starts with; afterwards, applied at once.
void ChooseSoundOutputs(const OutputChoice& choice);
OutputChoice ChosenSoundOutputs();
// Starts the media service when it has not started.
OutputState SoundOutputState();

}  // namespace platform
