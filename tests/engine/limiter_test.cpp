// The limiter's gain around a single over in a steady signal: how it falls ahead of the
// over, how it recovers after it, and that it lets go completely.

#include "engine/limiter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr int kRate = 48000;
constexpr float kLevel = 0.5f;     // the steady signal, within full scale
constexpr float kOverLevel = 2;    // the over: gain 1/2 brings it to full scale
constexpr size_t kOver = 600;      // its frame, well inside the limiter's look-ahead
constexpr size_t kAttack = 240;    // frames for the gain to fall all the way: 5 ms
constexpr size_t kRelease = 4800;  // the recovery's time constant: 100 ms

// The gain the limiter applied to each of `frames` frames, processed in one call.
std::vector<float> gainsAroundAnOver(size_t frames) {
    std::vector<float> stereo(2 * frames, kLevel);
    stereo[2 * kOver] = stereo[2 * kOver + 1] = kOverLevel;
    engine::Limiter limiter(kRate);
    limiter.process(stereo.data(), frames);
    std::vector<float> gains(frames);
    for (size_t i = 0; i < frames; ++i) {
        EXPECT_EQ(stereo[2 * i], stereo[2 * i + 1]) << "one gain for both channels";
        gains[i] = stereo[2 * i] / (i == kOver ? kOverLevel : kLevel);
    }
    return gains;
}

TEST(Limiter, LowersTheGainGraduallyAheadOfAnOver) {
    const auto gains = gainsAroundAnOver(kOver + 1);
    EXPECT_EQ(gains[kOver], 0.5f) << "the over meets full scale exactly";
    for (size_t i = 0; i + kAttack < kOver; ++i) {
        ASSERT_EQ(gains[i], 1.0f) << "untouched before the attack, at frame " << i;
    }
    for (size_t i = kOver - kAttack; i < kOver; ++i) {
        ASSERT_LE(gains[i] - gains[i + 1], 1.001f / kAttack) << "a click at frame " << i + 1;
    }
}

TEST(Limiter, RecoversOverATenthOfASecondThenPassesBitForBit) {
    const auto gains = gainsAroundAnOver(2 * kRate);
    EXPECT_NEAR(gains[kOver + 1], 0.5f, 0.001f) << "no jump back after the over";
    EXPECT_NEAR(gains[kOver + kRelease], 1 - 0.5f / std::exp(1.0f), 0.001f)
        << "a time constant later";
    const size_t recovered = kOver + 15 * kRelease;  // 0.5 e^-15: below -120 dB
    for (size_t i = recovered; i < gains.size(); ++i) {
        ASSERT_EQ(gains[i], 1.0f) << "within full scale, yet changed at frame " << i;
    }
}

}  // namespace
