// The per-frame gains on their own: a level change ramps over exactly one period and lands
// on its target, a fade-out ends on 0 and says so, a fade turns back from where it is; at
// periods whose share is exact in float (256) and ones whose is not.

#include "engine/gain_ramp.h"

#include <gtest/gtest.h>

#include <cmath>

namespace enginetest {
namespace {

constexpr size_t kPeriods[] = {1, 7, 100, 256, 441};

// Steps `levels` through one period: every frame but the last moves each channel strictly
// toward its target without reaching it; the last lands on it exactly, and there it stays.
void expectOnePeriodRamp(engine::LevelRamp& levels, float left, float right, size_t period) {
    const auto toward = [](float before, float now, float target) {
        return std::fabs(now - target) < std::fabs(before - target) && now != target;
    };
    for (size_t frame = 1; frame < period; ++frame) {
        const float beforeLeft = levels.left();
        const float beforeRight = levels.right();
        levels.step();
        ASSERT_TRUE(toward(beforeLeft, levels.left(), left)) << "left, frame " << frame;
        ASSERT_TRUE(toward(beforeRight, levels.right(), right)) << "right, frame " << frame;
    }
    levels.step();
    EXPECT_EQ(levels.left(), left);
    EXPECT_EQ(levels.right(), right);
    levels.step();
    EXPECT_EQ(levels.left(), left) << "the ramp is over";
}

TEST(LevelRamp, AChangeRampsOverExactlyOnePeriodAndLandsOnItsTarget) {
    for (const size_t period : kPeriods) {
        SCOPED_TRACE(period);
        engine::LevelRamp levels(period);
        levels.rampTo(0.3f, 0.77f);
        expectOnePeriodRamp(levels, 0.3f, 0.77f, period);
    }
}

TEST(LevelRamp, AChangeMidRampRampsFromWhereItIsOverAWholePeriod) {
    for (const size_t period : kPeriods) {
        SCOPED_TRACE(period);
        engine::LevelRamp levels(period);
        levels.rampTo(0, 1);
        for (size_t frame = 0; frame < period / 2; ++frame) {
            levels.step();
        }
        levels.rampTo(1, 0);
        expectOnePeriodRamp(levels, 1, 0, period);
        levels.rampTo(0.5f, 0.25f);
        levels.jump();
        EXPECT_EQ(levels.left(), 0.5f);
        EXPECT_EQ(levels.right(), 0.25f);
    }
}

// Frames of `envelope` stepped until it reaches `value`, at most `limit`; checks on the way
// that every frame moves it toward `value` by one period's share at most.
size_t stepsTo(engine::FadeEnvelope& envelope, float value, size_t period, size_t limit) {
    size_t steps = 0;
    while (envelope.value() != value && steps < limit) {
        const float before = envelope.value();
        envelope.step();
        ++steps;
        EXPECT_LE(std::fabs(envelope.value() - before), 1.0 / period + 1e-6) << "step " << steps;
        EXPECT_LT(std::fabs(envelope.value() - value), std::fabs(before - value)) << steps;
    }
    return steps;
}

engine::FadeEnvelope fadingOutFromFull(size_t period) {
    engine::FadeEnvelope envelope(period);
    envelope.jumpTo(1);
    envelope.fadeOut();
    return envelope;
}

TEST(FadeEnvelope, AFadeOutTakesOnePeriodEndsOnZeroAndSaysSo) {
    for (const size_t period : kPeriods) {
        SCOPED_TRACE(period);
        auto envelope = fadingOutFromFull(period);
        EXPECT_FALSE(envelope.fadedOut());
        const size_t clip = envelope.clipToFadeOut(5000);
        EXPECT_EQ(envelope.clipToFadeOut(1), 1u);
        const size_t steps = stepsTo(envelope, 0, period, 5000);
        EXPECT_GE(steps, period);
        EXPECT_LE(steps, period + 1) << "one more at most, for rounding";
        EXPECT_LE(steps, clip) << "a chunk clipped to the fade-out holds all of it";
        EXPECT_TRUE(envelope.fadedOut());
        EXPECT_EQ(envelope.clipToFadeOut(5000), 5000u) << "over: nothing left to clip";
        envelope.step();
        EXPECT_EQ(envelope.value(), 0.0f);
    }
}

TEST(FadeEnvelope, AFadeReversedMidwayTurnsBackFromWhereItIs) {
    for (const size_t period : kPeriods) {
        SCOPED_TRACE(period);
        auto envelope = fadingOutFromFull(period);
        const size_t down = period / 2 + 1;
        for (size_t frame = 0; frame < down; ++frame) {
            envelope.step();
        }
        envelope.fadeIn();
        EXPECT_FALSE(envelope.fadedOut());
        EXPECT_EQ(envelope.clipToFadeOut(5000), 5000u) << "a fade-in clips nothing";
        const size_t up = stepsTo(envelope, 1, period, 5000);
        EXPECT_GE(up + 1, std::min(down, period));
        EXPECT_LE(up, std::min(down, period) + 1);
        // Cut to silence mid-fade-in (sound missing): the fade-in carries on from 0.
        envelope.jumpTo(0);
        EXPECT_FALSE(envelope.fadedOut()) << "still fading in";
        const size_t again = stepsTo(envelope, 1, period, 5000);
        EXPECT_GE(again, period);
        EXPECT_LE(again, period + 1);
    }
}

}  // namespace
}  // namespace enginetest
