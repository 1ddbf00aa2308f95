#include "engine/gain_ramp.h"

#include <cmath>

namespace engine {

void LevelRamp::rampTo(float left, float right) {
    targetLeft_ = left;
    targetRight_ = right;
    framesLeft_ = periodFrames_;
    stepLeft_ = (targetLeft_ - left_) / static_cast<float>(periodFrames_);
    stepRight_ = (targetRight_ - right_) / static_cast<float>(periodFrames_);
}

FadeEnvelope::FadeEnvelope(size_t periodFrames) : step_(1.0f / static_cast<float>(periodFrames)) {}

size_t FadeEnvelope::clipToFadeOut(size_t frames) const {
    if (value_ == target_ || target_ != 0) {
        return frames;
    }
    // The steps to 0, and one more for their rounding.
    return std::min(frames, static_cast<size_t>(std::ceil(value_ / step_)) + 1);
}

}  // namespace engine
