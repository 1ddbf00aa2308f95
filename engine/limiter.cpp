#include "engine/limiter.h"

#include <algorithm>
#include <cmath>

#include "engine/float_vec.h"

namespace engine {
namespace {

constexpr double kAttackSeconds = 0.005;  // for the gain to fall all the way
constexpr double kReleaseSeconds = 0.1;   // time constant of the recovery
constexpr float kUnityDistance = 1e-6f;   // a smaller reduction is none (-120 dB)

// The largest magnitude of `count` samples, a vector at a time (the check runs on every
// period of every mix).
float peakOf(const float* samples, size_t count) {
    simd::Vec peak{};
    size_t i = 0;
    for (; i + simd::kLanes <= count; i += simd::kLanes) {
        const simd::Vec v = simd::load(samples + i);
        const simd::Vec magnitude = v < 0 ? -v : v;
        peak = magnitude > peak ? magnitude : peak;
    }
    float result = std::max(std::max(peak[0], peak[1]), std::max(peak[2], peak[3]));
    for (; i < count; ++i) {
        result = std::max(result, std::fabs(samples[i]));
    }
    return result;
}

}  // namespace

Limiter::Limiter(int sampleRate)
    : attackStep_(static_cast<float>(1 / (kAttackSeconds * sampleRate))),
      keep_(static_cast<float>(std::exp(-1 / (kReleaseSeconds * sampleRate)))) {}

void Limiter::process(float* stereo, size_t frames) noexcept {
    while (frames > 0) {
        const size_t n = std::min(frames, kSpan);
        if (reduction_ > 0 || peakOf(stereo, 2 * n) > 1) {
            limit(stereo, n);
        }
        stereo += 2 * n;
        frames -= n;
    }
}

void Limiter::limit(float* stereo, size_t frames) {
    // Backwards: the gain each frame may have so that every over after it is met, falling
    // towards an over by at most attackStep_ a frame. Beyond the span nothing is known.
    float allowed = 1;
    for (size_t i = frames; i-- > 0;) {
        const float loudest = std::max(std::fabs(stereo[2 * i]), std::fabs(stereo[2 * i + 1]));
        allowed = std::min(allowed + attackStep_, loudest > 1 ? 1 / loudest : 1.0f);
        ceiling_[i] = allowed;
    }
    // Forwards: recover towards 1, never above the ceiling.
    for (size_t i = 0; i < frames; ++i) {
        reduction_ = std::max(1 - ceiling_[i], reduction_ * keep_);
        const float gain = 1 - reduction_;
        stereo[2 * i] = std::clamp(stereo[2 * i] * gain, -1.0f, 1.0f);
        stereo[2 * i + 1] = std::clamp(stereo[2 * i + 1] * gain, -1.0f, 1.0f);
    }
    if (reduction_ < kUnityDistance) {
        reduction_ = 0;
    }
}

}  // namespace engine
