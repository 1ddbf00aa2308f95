// Mode, length, position and the values derived from them.

#include "media/Media.h"
#include "media/command_sending.h"
#include "util/checked_arithmetic.h"

namespace Media {

std::string GetMediaMode(const std::string& alias) {
    const detail::Answer answer = detail::Query("status " + alias + " mode");
    return answer.code == 0 ? answer.text : "ERROR";
}

int32_t GetLengthFrames(const std::string& alias) {
    detail::Query("set " + alias + " time format frames");
    return detail::NumericAnswer("status " + alias + " length");
}

int32_t GetLengthMs(const std::string& alias) {
    detail::Query("set " + alias + " time format ms");
    const int32_t length = detail::NumericAnswer("status " + alias + " length");
    // Back to frames whatever the length query did: every caller counts in frames.
    detail::SendCode("set " + alias + " time format frames");
    return length;
}

int32_t GetPosition(const std::string& alias) {
    return detail::NumericAnswer("status " + alias + " position");
}

int32_t GetPercentPlayed(const std::string& alias) {
    const int32_t length = GetLengthFrames(alias);
    const int32_t position = GetPosition(alias);
    if (length == -1 || position == -1) {
        return -1;
    }
    try {
        const int32_t hundredfold = useful::CheckedMultiply(position, 100);
        return useful::RoundToInt32(useful::CheckedDivide(hundredfold, length));
    } catch (const useful::ArithmeticFailure&) {
        return 0;
    }
}

int32_t GetFrameRate(const std::string& alias) {
    const int32_t milliseconds = GetLengthMs(alias);
    const int32_t frames = GetLengthFrames(alias);
    if (milliseconds == -1 || frames == -1) {
        return -1;
    }
    const double seconds = milliseconds / 1000.0;
    return useful::RoundToInt32(useful::CheckedDivide(frames, seconds));
}

}  // namespace Media
