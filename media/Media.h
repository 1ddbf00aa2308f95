#pragma once
// The command layer: every media command text the mixer sends, built byte for
// byte, and the answers read back. Free functions without state, UI thread only.
//
// Command routines return exactly "Success" when the platform accepted the
// command, else the platform's description of the failure. Queries return -1
// (or "ERROR" for the mode) when the device gives no answer.

#include <cstdint>
#include <string>

namespace Media {

inline constexpr const char* kSuccess = "Success";

// --- Transport -------------------------------------------------------------
std::string OpenMedia(int32_t parentWindow, const std::string& alias, const std::string& path,
                      const std::string& deviceType);
std::string PlayMedia(const std::string& alias, const std::string& from, const std::string& to);
std::string CloseMedia(const std::string& alias);
std::string PauseMedia(const std::string& alias);
std::string StopMedia(const std::string& alias);
std::string ResumeMedia(const std::string& alias);
// The result is the seek's; a failed play after a successful seek reports the play's.
std::string SeekAndPlay(const std::string& alias, int32_t positionFrames);

// --- Status and time -------------------------------------------------------
std::string GetMediaMode(const std::string& alias);
int32_t GetLengthFrames(const std::string& alias);
int32_t GetLengthMs(const std::string& alias);
int32_t GetPosition(const std::string& alias);
int32_t GetPercentPlayed(const std::string& alias);
// Throws useful::ArithmeticFailure when the length in ms is 0 (or the rate does
// not fit 32 bits); the only routine that passes a failure on.
int32_t GetFrameRate(const std::string& alias);

// --- Audio and video settings ----------------------------------------------
// volume 0..100; "left"/"right" in any case pick one channel, anything else both.
std::string SetChannelVolume(const std::string& alias, const std::string& channel, int32_t volume);
std::string SetSpeed(const std::string& alias, int32_t speed);
std::string PlaceVideoWindow(int32_t videoWindow, const std::string& alias, int32_t x, int32_t y,
                             int32_t cx, int32_t cy);

}  // namespace Media
