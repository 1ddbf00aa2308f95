// The sound is transparent: a mix within full scale passes untouched, a louder one meets a
// gain limiter that does not distort, and resampling keeps the audible band.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>

#include "test_media.h"
#include "tone_fit.h"

namespace enginetest {
namespace {

using tonefit::decibels;
using tonefit::fitTone;

constexpr int kRate = 48000;
constexpr size_t kPeriod = 256;

float peakOf(const std::vector<float>& stereo) {
    float peak = 0;
    for (float s : stereo) {
        peak = std::max(peak, std::fabs(s));
    }
    return peak;
}

TEST(Limiter, AFullScaleDeckPassesBitForBit) {
    const auto loud = makeMedia("full-scale.wav", toneInput(1000, 1, 1, kRate) + " -c:a pcm_f32le");
    OfflineRig rig(kRate, kPeriod);
    const auto deck = rig.engine->open(loud, 0).device;
    rig.engine->play(deck, 0, 1000);
    const auto out = rig.render(kRate / 2);
    const auto reference = ffmpegDecode(loud);
    ASSERT_EQ(peakOf(reference), 1.0f) << "the tone touches full scale";
    for (size_t i = 2 * kPeriod; i < out.size(); ++i) {
        ASSERT_EQ(out[i], reference[i - 2 * kPeriod]) << "frame " << i / 2;
    }
}

TEST(Limiter, DecksSummingOverFullScaleStayWithinItWithoutDistortion) {
    const auto tone = makeMedia("loud.wav", toneInput(1000, 0.75, 1, kRate) + " -c:a pcm_f32le");
    OfflineRig rig(kRate, kPeriod);
    for (int i = 0; i < 2; ++i) {
        const auto deck = rig.engine->open(tone, 0).device;
        rig.engine->play(deck, 0, 1000);  // together: 1.5 times full scale
    }
    const auto out = rig.render(kRate / 2);
    EXPECT_LE(peakOf(out), 1.0f);
    EXPECT_GT(peakOf(out), 0.99f);
    for (size_t i = kPeriod + 1; i < out.size() / 2; ++i) {
        ASSERT_LE(out[2 * i] * out[2 * i + 1], 0.0f) << "never wrapped, at frame " << i;
    }
    const auto fit = fitTone(out, 1, kRate, 1000, kRate / 10, kRate / 2);
    EXPECT_LT(fit.residual, 0.01) << "THD+N " << 100 * fit.residual << " %";
}

struct Band {
    int32_t speed;
    double outputHz;  // the tone as it comes out at this speed
};

void PrintTo(const Band& band, std::ostream* out) {
    *out << "speed " << band.speed << ", " << band.outputHz << " Hz out";
}

class Resampling : public ::testing::TestWithParam<Band> {};

// A 44.1 kHz file on a 48 kHz output: the tone keeps its level within 0.1 dB, and
// everything else (images, aliases, noise) stays 90 dB below it.
TEST_P(Resampling, KeepsTheBandWithoutImages) {
    const Band band = GetParam();
    const double fileHz = band.outputHz * 1000 / band.speed;
    const auto tone = makeMedia("band-" + std::to_string(band.speed) + ".wav",
                                toneInput(fileHz, 0.5, 1, 44100) + " -c:a pcm_f32le");
    OfflineRig rig(kRate, kPeriod);
    const auto deck = rig.engine->open(tone, 0).device;
    rig.engine->setSpeed(deck, band.speed);
    rig.engine->play(deck, 0, 1000);
    const auto out = rig.render(kRate / 2);
    for (int channel : {0, 1}) {
        const auto fit = fitTone(out, channel, kRate, band.outputHz, 2 * kPeriod, kRate / 2);
        EXPECT_NEAR(decibels(fit.amplitude / 0.5), 0, 0.1) << "channel " << channel;
        EXPECT_LT(decibels(fit.residual), -90) << "channel " << channel;
    }
}

INSTANTIATE_TEST_SUITE_P(Speeds, Resampling,
                         ::testing::Values(Band{1000, 20000}, Band{1500, 21600}, Band{700, 14000}),
                         [](const ::testing::TestParamInfo<Band>& param) {
                             return "Speed" + std::to_string(param.param.speed) + "At" +
                                    std::to_string(static_cast<int>(param.param.outputHz)) + "Hz";
                         });

}  // namespace
}  // namespace enginetest
