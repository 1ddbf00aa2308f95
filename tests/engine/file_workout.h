#pragma once
// A hostile file's workout: what a DJ does with one file on a fresh offline engine. Opens
// it, plays a second, seeks to the start, the middle and past the end, plays there at other
// speeds and levels, pauses, resumes and closes, checking the engine's contract after each
// step. Shared by the media fuzz target and the regression files' test, so that a finding
// replays exactly as the fuzzer met it.

#include <cstdint>
#include <string>

namespace enginetest {

// "" when the file was refused cleanly or every step kept the contract; else what broke.
// `knob` picks the speeds and levels.
std::string workOut(const std::string& path, uint8_t knob);

}  // namespace enginetest
