// The sound is transparent: a mix within full scale passes untouched, a louder one meets a
// gain limiter that does not distort, and resampling keeps the audible band, sounds where
// it says it is and folds nothing back.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <ostream>
#include <string>

#include "engine/resampler.h"
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

std::string bandName(const ::testing::TestParamInfo<Band>& param) {
    return "Speed" + std::to_string(param.param.speed) + "At" +
           std::to_string(static_cast<int>(param.param.outputHz)) + "Hz";
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
                         bandName);

// The resampler alone, on a sine from timeline frame 0 (a sine on the left, a cosine on the
// right), played one output frame at a time to learn where the resampler says each one lies.
class Player {
  public:
    explicit Player(double hz) : w_(2 * std::numbers::pi * hz / kRate), input_(2 * 8192) {
        for (size_t i = 0; i < input_.size() / 2; ++i) {
            const double phase = w_ * static_cast<double>(i);
            input_[2 * i] = static_cast<float>(kAmplitude * std::sin(phase));
            input_[2 * i + 1] = static_cast<float>(kAmplitude * std::cos(phase));
        }
    }

    // Plays up to `frames` more output frames: fewer when the input runs out.
    void play(size_t frames) {
        float frame[2];
        for (size_t made = 0; made < frames; ++made) {
            const double time = resampler.time();
            const auto done =
                resampler.process(input_.data() + 2 * used_, input_.size() / 2 - used_, frame, 1,
                                  std::numeric_limits<int64_t>::max());
            used_ += done.used;
            if (done.made == 0) {
                return;
            }
            times.push_back(time);
            out.insert(out.end(), frame, frame + 2);
        }
    }

    // The RMS difference between the output and `gain` times the input's sine at the times
    // the resampler states, over the sine's RMS, in dB. Left out: the frames whose filter
    // reaches into the silence before frame 0.
    double differenceFrom(double gain) const {
        double sum = 0;
        size_t count = 0;
        for (size_t j = 0; j < times.size(); ++j) {
            if (times[j] < engine::Resampler::kMaxHalfTaps) {
                continue;
            }
            const double phase = w_ * times[j];
            const double left = out[2 * j] - gain * kAmplitude * std::sin(phase);
            const double right = out[2 * j + 1] - gain * kAmplitude * std::cos(phase);
            sum += left * left + right * right;
            count += 2;
        }
        return decibels(std::sqrt(sum / static_cast<double>(count)) * std::numbers::sqrt2 /
                        kAmplitude);
    }

    engine::Resampler resampler;
    std::vector<double> times;  // where each output frame lies, as the resampler states
    std::vector<float> out;     // interleaved stereo

  private:
    static constexpr double kAmplitude = 0.5;
    double w_;  // radians per input frame
    std::vector<float> input_;
    size_t used_ = 0;
};

class ResamplerFilter : public ::testing::TestWithParam<Band> {};

// Sound and stated time agree: the output is the input's sine at the time the resampler
// states, no fitted phase or level, whichever filter serves the speed.
TEST_P(ResamplerFilter, SoundsWhereItSaysItIs) {
    const Band band = GetParam();
    const double speed = band.speed / 1000.0;
    Player player(band.outputHz / speed);
    player.resampler.setRatio(1 / speed, 0);
    player.play(kRate);
    EXPECT_LT(player.differenceFrom(1), -90);
}

INSTANTIATE_TEST_SUITE_P(Speeds, ResamplerFilter,
                         ::testing::Values(Band{700, 14000}, Band{1500, 21000}), bandName);

// At 1.5 times the speed, 20 kHz would come out at 30 kHz, beyond the output's Nyquist
// frequency, and fold back to 18 kHz: the filter removes it instead.
TEST(Resampler, RemovesWhatASpeedUpWouldFoldBack) {
    Player player(20000);
    player.resampler.setRatio(1 / 1.5, 0);
    player.play(kRate);
    EXPECT_LT(player.differenceFrom(0), -90);
}

// A new speed is reached gradually over the ramp, the sound following the time all along.
TEST(Resampler, RampsToANewSpeed) {
    constexpr size_t kBefore = 1000, kRamp = 256;
    Player player(10000);
    player.play(kBefore);
    player.resampler.setRatio(1 / 1.5, kRamp);
    player.play(2 * kRamp);
    const auto step = [&](size_t j) { return player.times[j + 1] - player.times[j]; };
    for (size_t j = 0; j + 2 < player.times.size(); ++j) {
        ASSERT_LE(std::fabs(step(j + 1) - step(j)), 1.001 * 0.5 / kRamp) << "a jump at " << j;
    }
    EXPECT_EQ(step(kBefore - 2), 1.0);
    EXPECT_NEAR(step(kBefore + kRamp), 1.5, 1e-9);
    EXPECT_LT(player.differenceFrom(1), -90);
}

}  // namespace
}  // namespace enginetest
