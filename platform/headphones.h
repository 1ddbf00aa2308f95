#pragma once
// The headphones (cue) level of a media device, beside the command language: the window
// puts a deck on the headphones at its own volume, before the crossfader.

#include <cstdint>
#include <string>

namespace platform {

// The device open under `alias` plays in the headphones at `level` (0..1000 on both
// channels) while `cued`, and not otherwise. Nothing for an alias with no device open.
void SetCue(const std::string& alias, bool cued, int32_t level);

}  // namespace platform
