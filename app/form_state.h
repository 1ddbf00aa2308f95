#pragma once
// The window's own state shared between handlers. Per-deck fields carry the
// suffix A (deck 0) or B (deck 1); the accessors pick one by deck index.

#include <cstdint>
#include <string>

namespace app {

// The 16-bit truth values of the drag flags.
inline constexpr int16_t kTrue16 = -1;
inline constexpr int16_t kFalse16 = 0;

struct FormState {
    int32_t volumeA = 100;
    int32_t volumeB = 100;
    int32_t sampleVolume = 100;
    int16_t frameRateA = 0;  // whole frames per second of the deck's track
    int16_t frameRateB = 0;
    std::string totalTimeA = "0:00";
    std::string totalTimeB = "0:00";
    bool pausedA = false;  // paused by the deck's pause button
    bool pausedB = false;

    // One flag and one grab offset per fader kind, shared by both decks' knobs.
    int16_t draggingVolume = kFalse16;
    int16_t draggingSpeed = kFalse16;
    int16_t draggingSeek = kFalse16;
    int16_t draggingCrossfade = kFalse16;
    int16_t draggingSampleVolume = kFalse16;
    int16_t grabVolume = 0;
    int16_t grabSpeed = 0;
    int16_t grabSeek = 0;
    int16_t grabCrossfade = 0;
    int16_t grabSampleVolume = 0;

    int32_t& volume(int16_t deck) { return deck == 0 ? volumeA : volumeB; }
    int16_t& frameRate(int16_t deck) { return deck == 0 ? frameRateA : frameRateB; }
    std::string& totalTime(int16_t deck) { return deck == 0 ? totalTimeA : totalTimeB; }
    bool& paused(int16_t deck) { return deck == 0 ? pausedA : pausedB; }
};

}  // namespace app
