// The headphones (cue) output: what it carries, how it follows its own clock, and what
// happens when it goes away. Everything on offline outputs with simulated clocks.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <ostream>
#include <string>
#include <vector>

#include "engine/cue_link.h"
#include "test_media.h"
#include "tone_fit.h"

namespace enginetest {
namespace {

using tonefit::decibels;
using tonefit::fitTone;

// The master and the headphones, each an offline output whose clock counts
// `headphoneClockRate` against the master's stated rate; render() runs whichever of the
// two is due first, as their sound cards would.
struct TwoClocks {
    static constexpr size_t kPeriod = 256;
    TwoClocks(int rate, double headphoneClockRate) {
        auto master = std::make_unique<engine::OfflineOutput>(rate, kPeriod);
        masterOutput = master.get();
        engine = std::make_unique<engine::MixerEngine>(std::move(master));
        auto cue = std::make_unique<engine::OfflineOutput>(rate, kPeriod, headphoneClockRate);
        headphones = cue.get();
        engine->setHeadphones(std::move(cue));
    }
    // One period of whichever output is due; true when it was the master's.
    bool step(std::vector<float>& masterOut, std::vector<float>& headphonesOut) {
        const bool masterDue = masterOutput->clockNs() <= headphones->clockNs();
        std::vector<float>& out = masterDue ? masterOut : headphonesOut;
        out.resize(2 * kPeriod);
        (masterDue ? masterOutput : headphones)->render(out.data(), kPeriod);
        return masterDue;
    }
    // Both outputs for `seconds`, appended to the two recordings.
    void render(double seconds, std::vector<float>& master, std::vector<float>& cue) {
        std::vector<float> a, b;
        const int64_t end = masterOutput->clockNs() + static_cast<int64_t>(seconds * 1e9);
        while (masterOutput->clockNs() < end || headphones->clockNs() < end) {
            const bool wasMaster = step(a, b);
            (wasMaster ? master : cue)
                .insert((wasMaster ? master : cue).end(), (wasMaster ? a : b).begin(),
                        (wasMaster ? a : b).end());
        }
    }
    engine::OfflineOutput* masterOutput;
    engine::OfflineOutput* headphones;
    std::unique_ptr<engine::MixerEngine> engine;
};

// A tone's amplitude in the left channel over the last three quarters of a second, a whole
// number of cycles of both 440 and 660 Hz (1/20 s holds 22 and 33), so neither leaks into
// the other's measure.
double toneLevel(const std::vector<float>& stereo, double frequency) {
    constexpr size_t kTwentieth = 2400;
    return fitTone(stereo, 0, 48000, frequency, 5 * kTwentieth, 20 * kTwentieth).amplitude;
}

TEST(Headphones, CarryTheCuedDeckBeforeTheCrossfaderOrElseTheMaster) {
    TwoClocks rig(48000, 48000);
    const std::string a =
        makeMedia("cue440.wav", toneInput(440, 0.5, 3, 48000) + " -c:a pcm_f32le");
    const std::string b =
        makeMedia("cue660.wav", toneInput(660, 0.5, 3, 48000) + " -c:a pcm_f32le");
    engine::MixerEngine& mixer = *rig.engine;
    const auto deckA = mixer.open(a, 0).device;
    const auto deckB = mixer.open(b, 0).device;
    mixer.setLevels(deckB, 0, 0);  // the crossfader at the far left
    mixer.setCue(deckB, true, 800);
    mixer.play(deckA, 0, 3000);
    mixer.play(deckB, 0, 3000);
    std::vector<float> master, cue;
    rig.render(1.0, master, cue);
    EXPECT_NEAR(toneLevel(master, 440), 0.5, 1e-3);
    EXPECT_LT(decibels(toneLevel(master, 660) / 0.5), -60);
    EXPECT_NEAR(toneLevel(cue, 660), 0.4, 2e-3);
    EXPECT_LT(decibels(toneLevel(cue, 440) / 0.4), -60);

    mixer.setCue(deckB, false, 800);
    master.clear();
    cue.clear();
    rig.render(1.0, master, cue);
    EXPECT_NEAR(toneLevel(cue, 440), 0.5, 2e-3);
    EXPECT_LT(decibels(toneLevel(cue, 660) / 0.5), -60);
}

// Headphones unplugged for a second (their callback stops) and plugged in again.
TEST(Headphones, LostAndBackWithoutAGapOnTheMaster) {
    TwoClocks rig(48000, 48000);
    engine::MixerEngine& mixer = *rig.engine;
    const auto deck = mixer.open(wav48(), 0).device;
    mixer.play(deck, 0, 3000);
    std::vector<float> master, cue;
    rig.render(0.5, master, cue);
    std::vector<float> alone(2 * 48000);
    rig.masterOutput->render(alone.data(), 48000);
    rig.headphones->idle(48000);
    master.insert(master.end(), alone.begin(), alone.end());
    cue.clear();
    rig.render(0.5, master, cue);
    // The tone's own peak in every 10 ms of the master once it sounds: no gap.
    for (size_t from = 4800; from + 480 <= master.size() / 2; from += 480) {
        float peak = 0;
        for (size_t i = 2 * from; i < 2 * (from + 480); ++i) {
            peak = std::max(peak, std::fabs(master[i]));
        }
        ASSERT_GT(peak, 0.49f) << "at frame " << from;
    }
    // Back in the headphones within a quarter of a second.
    EXPECT_NEAR(fitTone(cue, 0, 48000, 1000, 12000, 24000).amplitude, 0.5, 1e-3);
}

// Finds clicks (lone samples of 0.9, however the resampler spreads them) in a stream fed
// a period at a time: the times, on the stream's clock, of its local peaks above half that.
class ClickFinder {
  public:
    explicit ClickFinder(double clockRate) : clockRate_(clockRate) {}
    void feed(const std::vector<float>& stereo) {
        for (size_t i = 0; i < stereo.size(); i += 2) {
            const float x = stereo[i];
            if (before_ > 0.45f && before_ >= twoBefore_ && before_ > x) {
                times.push_back(static_cast<double>(frame_ - 1) / clockRate_);
            }
            twoBefore_ = before_;
            before_ = x;
            ++frame_;
        }
    }
    std::vector<double> times;

  private:
    const double clockRate_;
    float twoBefore_ = 0, before_ = 0;
    int64_t frame_ = 0;
};

// Runs a cue link from a master of `masterRate` to `headphones` for `seconds` of the
// master's time, each side's callback when its clock is due, as their sound cards would:
// `master(first, period)` fills each period the master pushes (its first frame's number
// given), `heard(period)` takes each period the headphones play.
template <class Master, class Heard>
void runLink(engine::CueLink& link, engine::OfflineOutput& headphones, int masterRate,
             size_t periodFrames, double seconds, Master master, Heard heard) {
    std::vector<float> period(2 * periodFrames);
    const auto end = static_cast<int64_t>(seconds * masterRate);
    for (int64_t masterFrames = 0; masterFrames < end;) {
        const int64_t masterNs = masterFrames * 1'000'000'000 / masterRate;
        if (masterNs <= headphones.clockNs()) {
            master(masterFrames, period);
            link.push(period.data(), periodFrames, masterNs);
            masterFrames += static_cast<int64_t>(periodFrames);
        } else {
            link.renderPeriod(period.data(), periodFrames, false);
            headphones.idle(periodFrames);
            heard(period);
        }
    }
}

// An hour on two sound cards 200 ppm apart, simulated at 1 kHz to be quick (ThreadSanitizer
// slows the resampler tenfold): the master's callback pushes a click a second into the cue link,
// and the headphones' callback, on its own clock, plays each a steady distance later.
TEST(Headphones, FollowTheirOwnClockForAnHour) {
    constexpr int kRate = 1000;
    constexpr size_t kPeriod = 32;
    constexpr double kHeadphoneClock = kRate * (1 + 200e-6);
    engine::OfflineOutput headphones(kRate, kPeriod, kHeadphoneClock);  // for its clock
    engine::CueLink link;
    link.configure(kRate, kPeriod, headphones);
    ClickFinder master(kRate), heard(kHeadphoneClock);
    runLink(
        link, headphones, kRate, kPeriod, 3600,
        [&](int64_t first, std::vector<float>& period) {
            for (size_t i = 0; i < kPeriod; ++i) {
                const bool click = (first + static_cast<int64_t>(i)) % kRate == kRate / 2;
                period[2 * i] = period[2 * i + 1] = click ? 0.9f : 0.0f;
            }
            master.feed(period);
        },
        [&](const std::vector<float>& period) { heard.feed(period); });
    EXPECT_EQ(link.dryRuns(), 0u);
    ASSERT_EQ(master.times.size(), 3600u);
    ASSERT_EQ(heard.times.size(), master.times.size());
    double earliest = 1, latest = -1;
    for (size_t i = 0; i < master.times.size(); ++i) {
        const double offset = heard.times[i] - master.times[i];
        earliest = std::min(earliest, offset);
        latest = std::max(latest, offset);
    }
    EXPECT_GT(earliest, 0);   // the headphones follow
    EXPECT_LT(latest, 0.15);  // by a few periods (32 ms each at this rate)
    EXPECT_LT(latest - earliest, 0.002) << "from " << earliest << " s to " << latest << " s";
}

// Two sound cards whose clocks disagree, and what crosses between them.
struct Crossing {
    int masterRate;
    int headphoneRate;
    double headphonePpm;  // how far the headphones' crystal is off their stated rate
    double toneHz;
};

void PrintTo(const Crossing& c, std::ostream* out) {
    *out << c.masterRate << " Hz to " << c.headphoneRate << " Hz off by " << c.headphonePpm
         << " ppm, a " << c.toneHz << " Hz tone";
}

std::string crossingName(const ::testing::TestParamInfo<Crossing>& param) {
    const Crossing& c = param.param;
    return std::to_string(c.masterRate) + "To" + std::to_string(c.headphoneRate) +
           (c.headphonePpm < 0 ? "Slow" : "Fast") +
           std::to_string(static_cast<int>(std::fabs(c.headphonePpm))) + "ppmAt" +
           std::to_string(static_cast<int>(c.toneHz)) + "Hz";
}

class CueLinkTone : public ::testing::TestWithParam<Crossing> {};

// A tone through the cue link, once the headphones follow their clock (their ratio settles
// within seconds): in every tenth of a second of the last of eight, whatever is not the
// tone (distortion, a seam where the interpolation moves on to the next frame, the images
// of a change of rate) stays below -80 dB.
TEST_P(CueLinkTone, ComesThroughClean) {
    const Crossing c = GetParam();
    constexpr std::array<double, 2> kLevels{0.5, 0.25};  // left, right: each in its place
    const double clock = c.headphoneRate * (1 + c.headphonePpm * 1e-6);
    engine::OfflineOutput headphones(c.headphoneRate, TwoClocks::kPeriod, clock);
    engine::CueLink link;
    link.configure(c.masterRate, TwoClocks::kPeriod, headphones);
    std::vector<float> heard;
    runLink(
        link, headphones, c.masterRate, TwoClocks::kPeriod, 8,
        [&](int64_t first, std::vector<float>& period) {
            for (size_t i = 0; i < period.size() / 2; ++i) {
                const double t =
                    static_cast<double>(first + static_cast<int64_t>(i)) / c.masterRate;
                const double tone = std::sin(2 * std::numbers::pi * c.toneHz * t);
                period[2 * i] = static_cast<float>(kLevels[0] * tone);
                period[2 * i + 1] = static_cast<float>(kLevels[1] * tone);
            }
        },
        [&](const std::vector<float>& period) {
            heard.insert(heard.end(), period.begin(), period.end());
        });
    const size_t tenth = static_cast<size_t>(c.headphoneRate) / 10;
    const double heardHz = c.toneHz * c.headphoneRate / clock;  // on the headphones' count
    for (size_t from = heard.size() / 2 - 10 * tenth; from + tenth <= heard.size() / 2;
         from += tenth) {
        for (int channel = 0; channel < 2; ++channel) {
            const auto fit = fitTone(heard, channel, c.headphoneRate, heardHz, from, from + tenth);
            ASSERT_NEAR(fit.amplitude, kLevels[channel], 1e-3) << "from frame " << from;
            ASSERT_LT(decibels(fit.residual), -80) << "from frame " << from;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Headphones, CueLinkTone,
                         // The same rates; different ones, with a tone whose images only a
                         // long filter keeps down.
                         ::testing::Values(Crossing{48000, 48000, 300, 1000},
                                           Crossing{44100, 48000, -150, 15000}),
                         crossingName);

}  // namespace
}  // namespace enginetest
