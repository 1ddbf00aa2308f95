// The engine through the offline render: modes and positions that follow each call at
// once, play ranges ending on the exact sample, levels, speed, the no-blurt rule, fades
// without clicks, odd render sizes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "test_media.h"

namespace enginetest {
namespace {

using engine::Mode;

constexpr int kRate = 48000;
constexpr size_t kPeriod = 256;
// A 1 kHz sine at 0.5 moves at most 0.5 * 2 * pi * 1000 / 48000 = 0.065 per sample.
constexpr float kClick = 0.1f;

class Playback : public ::testing::Test {
  protected:
    engine::DeviceId openOk(const std::string& path) {
        const auto result = rig.engine->open(path, 0);
        EXPECT_EQ(result.error, engine::OpenError::None) << path;
        return result.device;
    }
    OfflineRig rig{kRate, kPeriod};
};

size_t firstNonZero(const std::vector<float>& stereo) {
    for (size_t i = 0; i < stereo.size(); ++i) {
        if (stereo[i] != 0.0f) {
            return i / 2;
        }
    }
    return stereo.size() / 2;
}

size_t lastNonZero(const std::vector<float>& stereo) {
    for (size_t i = stereo.size(); i > 0; --i) {
        if (stereo[i - 1] != 0.0f) {
            return (i - 1) / 2;
        }
    }
    return 0;
}

// What one deck alone on a fresh engine plays: the reference to compare with.
std::vector<float> renderAlone(const std::string& path, int32_t speed, int64_t fromMs, int64_t toMs,
                               size_t frames) {
    OfflineRig other(kRate, kPeriod);
    const auto deck = other.engine->open(path, 0).device;
    other.engine->setSpeed(deck, speed);
    other.engine->play(deck, fromMs, toMs);
    return other.render(frames);
}

TEST_F(Playback, OpensStoppedAtZeroWithItsLength) {
    const auto deck = openOk(wav48());
    EXPECT_EQ(rig.engine->mode(deck), Mode::Stopped);
    EXPECT_EQ(rig.engine->positionMs(deck), 0);
    EXPECT_EQ(rig.engine->lengthMs(deck), 3000);
}

TEST_F(Playback, PositionFollowsTheOutput) {
    const auto deck = openOk(wav48());
    rig.engine->play(deck, 0, 3000);
    EXPECT_EQ(rig.engine->mode(deck), Mode::Playing);
    EXPECT_EQ(rig.engine->positionMs(deck), 0);
    rig.render(kRate);  // one second, of which the first period is the no-blurt wait
    EXPECT_NEAR(rig.engine->positionMs(deck), 1000 - 1000.0 * kPeriod / kRate, 1);
}

TEST_F(Playback, PositionFollowsTheOutputAt44100) {
    const auto deck = openOk(mp3Cbr());
    rig.engine->play(deck, 0, rig.engine->lengthMs(deck));
    rig.render(kRate);
    EXPECT_NEAR(rig.engine->positionMs(deck), 1000 - 1000.0 * kPeriod / kRate, 1);
}

TEST_F(Playback, SeekReadsItsTargetAtOnceAndPlayContinuesFromIt) {
    const auto deck = openOk(wav48());
    rig.engine->play(deck, 0, 3000);
    rig.render(4800);
    rig.engine->seek(deck, 1500);
    EXPECT_EQ(rig.engine->mode(deck), Mode::Stopped);
    EXPECT_EQ(rig.engine->positionMs(deck), 1500);
    rig.render(4800);
    EXPECT_EQ(rig.engine->positionMs(deck), 1500);
    rig.engine->play(deck, 1500, 3000);
    EXPECT_EQ(rig.engine->positionMs(deck), 1500);
    rig.render(kRate / 2);
    EXPECT_NEAR(rig.engine->positionMs(deck), 2000 - 1000.0 * kPeriod / kRate, 1);
}

TEST_F(Playback, SeekPlayPauseEndsPausedAtTheTarget) {
    const auto deck = openOk(wav48());
    rig.engine->seek(deck, 2000);
    rig.engine->play(deck, rig.engine->positionMs(deck), 3000);
    rig.engine->pause(deck);
    EXPECT_EQ(rig.engine->mode(deck), Mode::Paused);
    EXPECT_EQ(rig.engine->positionMs(deck), 2000);
    const auto out = rig.render(9600);
    EXPECT_EQ(rig.engine->mode(deck), Mode::Paused);
    EXPECT_EQ(rig.engine->positionMs(deck), 2000);
    EXPECT_EQ(firstNonZero(out), out.size() / 2) << "a paused device is silent";
}

TEST_F(Playback, PauseFreezesStopKeepsResumeContinues) {
    const auto deck = openOk(wav48());
    rig.engine->play(deck, 0, 3000);
    rig.render(kRate / 2);
    rig.engine->pause(deck);
    const int64_t paused = rig.engine->positionMs(deck);
    EXPECT_NEAR(paused, 500 - 5.3, 1);
    rig.render(kRate / 4);
    EXPECT_EQ(rig.engine->positionMs(deck), paused);
    EXPECT_EQ(rig.engine->mode(deck), Mode::Paused);
    rig.engine->resume(deck);
    EXPECT_EQ(rig.engine->mode(deck), Mode::Playing);
    rig.render(kRate / 4);
    // The fade-out of the pause went out too: the position continues from there.
    EXPECT_NEAR(rig.engine->positionMs(deck), paused + 250, 8);
    rig.engine->stop(deck);
    const int64_t stopped = rig.engine->positionMs(deck);
    rig.render(kRate / 4);
    EXPECT_EQ(rig.engine->mode(deck), Mode::Stopped);
    EXPECT_EQ(rig.engine->positionMs(deck), stopped);
}

TEST_F(Playback, RangeEndsOnTheExactSampleAndStopsThere) {
    const auto deck = openOk(wav48());
    rig.engine->play(deck, 1000, 1200);
    const auto out = rig.render(kRate / 2);
    EXPECT_EQ(rig.engine->mode(deck), Mode::Stopped);
    EXPECT_EQ(rig.engine->positionMs(deck), 1200);
    // The source's sample at 1000 ms is an exact zero crossing; the next is not.
    EXPECT_GE(firstNonZero(out), kPeriod);
    EXPECT_LE(firstNonZero(out), kPeriod + 1);
    // 200 ms at 48 kHz is 9600 frames: the last one sounds, the next does not.
    EXPECT_EQ(lastNonZero(out), kPeriod + 9600 - 1);
}

TEST_F(Playback, AtTheOutputRateAndNormalSpeedSamplesPassBitForBit) {
    const auto deck = openOk(wav48());
    rig.engine->play(deck, 0, 3000);
    const auto out = rig.render(kRate / 2);
    const auto reference = ffmpegDecode(wav48());
    for (size_t i = 2 * kPeriod; i < out.size(); ++i) {
        ASSERT_EQ(out[i], reference[i - 2 * kPeriod]) << "frame " << i / 2;
    }
}

TEST_F(Playback, ReachingTheEndStopsAtTheLength) {
    const auto deck = openOk(mp3Vbr());
    const int64_t length = rig.engine->lengthMs(deck);
    rig.engine->play(deck, length - 100, length);
    rig.render(kRate / 4);
    EXPECT_EQ(rig.engine->mode(deck), Mode::Stopped);
    EXPECT_EQ(rig.engine->positionMs(deck), length);
}

TEST_F(Playback, PlayToTheLengthIsAlwaysAccepted) {
    for (const auto& path : {wav44(), mp3Cbr(), mp3VbrBare(), m4aAac(), wma()}) {
        const auto deck = openOk(path);
        const int64_t length = rig.engine->lengthMs(deck);
        rig.engine->play(deck, length - 20, length);
        EXPECT_EQ(rig.engine->mode(deck), Mode::Playing) << path;
        rig.render(kRate / 10);
        EXPECT_EQ(rig.engine->mode(deck), Mode::Stopped) << path;
        EXPECT_EQ(rig.engine->positionMs(deck), length) << path;
        rig.engine->close(deck);
    }
}

TEST_F(Playback, LevelsPerChannelWithoutLeaks) {
    const auto deck = openOk(wav48());
    rig.engine->setLevels(deck, 1000, 250);
    rig.engine->play(deck, 0, 3000);
    auto out = rig.render(kRate / 10);
    // The tone is 0.5 * sin on the left and -0.5 * sin on the right: RMS 0.3536 at 1000.
    EXPECT_NEAR(rms(out, 0, 1000, 4800), 0.35355, 0.002);
    EXPECT_NEAR(rms(out, 1, 1000, 4800), 0.35355 / 4, 0.001);
    for (size_t i = 1000; i < 4800; ++i) {
        ASSERT_LE(out[2 * i] * out[2 * i + 1], 0.0f) << "the channels keep opposite signs";
    }
    rig.engine->setLevels(deck, 0, 500);
    out = rig.render(kRate / 10);
    EXPECT_LT(rms(out, 0, 1000, 4800), 1e-6);
    EXPECT_NEAR(rms(out, 1, 1000, 4800), 0.35355 / 2, 0.001);
}

TEST_F(Playback, SpeedSetsTheOutputFrequency) {
    for (int speed : {1000, 1500, 500, 2000}) {
        const auto deck = openOk(wav44());
        rig.engine->setSpeed(deck, speed);
        rig.engine->play(deck, 0, 3000);
        const auto out = rig.render(kRate / 5);
        EXPECT_NEAR(measureFrequency(out, 0, kRate, 1000, 9600), speed, 0.5) << speed;
        rig.engine->close(deck);
        rig.render(kPeriod);
    }
}

TEST_F(Playback, SpeedChangesWhilePlayingWithoutClicks) {
    const auto deck = openOk(wav48());
    rig.engine->play(deck, 0, 3000);
    std::vector<float> all = rig.render(4800);
    for (int speed : {1100, 900, 1500, 1000}) {
        rig.engine->setSpeed(deck, speed);
        const auto part = rig.render(4800);
        all.insert(all.end(), part.begin(), part.end());
    }
    size_t at = 0;
    EXPECT_LT(largestStep(all, &at), kClick * 1.5f) << "at frame " << at;
    const auto out = rig.render(4800);
    EXPECT_NEAR(measureFrequency(out, 1, kRate, 100, 4800), 1000, 1);
}

// Leaving the bit-exact copy for the resampler is seamless: the resampler is warmed with
// the frames just copied, so the sine carries on without a step larger than its own.
TEST_F(Playback, TheResamplerTakesOverSeamlessly) {
    const auto deck = openOk(wav48());
    rig.engine->play(deck, 0, 3000);
    auto all = rig.render(4800);
    rig.engine->setSpeed(deck, 1001);
    const auto after = rig.render(4800);
    all.insert(all.end(), after.begin(), after.end());
    size_t at = 0;
    EXPECT_LT(largestStep(all, &at), 0.0660f) << "at frame " << at;  // the sine's own: 0.0654
    EXPECT_NEAR(measureFrequency(after, 0, kRate, 100, 4700), 1001, 1);
}

// A new start while resampling begins from a clean filter: after the old sound's fade-out
// it sounds exactly as a fresh deck started there, nothing of the old position carried over.
TEST_F(Playback, ANewStartWhileResamplingSoundsLikeAFreshDeck) {
    const auto fresh = renderAlone(wav44(), 1100, 1500, 3000, 4800);
    const auto deck = openOk(wav44());
    rig.engine->setSpeed(deck, 1100);
    rig.engine->play(deck, 0, 3000);
    rig.render(4800);
    rig.engine->play(deck, 1500, 3000);
    const auto restarted = rig.render(4800);  // the first period fades the old sound out
    ASSERT_EQ(firstNonZero(fresh), kPeriod);
    for (size_t i = 2 * kPeriod; i < fresh.size(); ++i) {
        ASSERT_EQ(restarted[i], fresh[i]) << "at frame " << i / 2;
    }
}

TEST_F(Playback, AFreshDeckDoesNotBlurt) {
    const auto deck = openOk(wav48());
    rig.engine->play(deck, 0, 3000);
    rig.engine->setLevels(deck, 0, 0);  // the crossfader closed, just after play
    const auto silent = rig.render(kRate / 10);
    EXPECT_EQ(firstNonZero(silent), silent.size() / 2) << "silent from sample 0";

    const auto other = openOk(wav48());
    rig.engine->setSpeed(other, 2000);
    rig.engine->play(other, 0, 3000);
    const auto out = rig.render(kRate / 10);
    EXPECT_EQ(firstNonZero(out), kPeriod) << "one period after play, not before";
    EXPECT_NEAR(measureFrequency(out, 0, kRate, kPeriod, kPeriod + 480), 2000, 20)
        << "speed applies at once, without a ramp";
}

// Every change to a sounding deck ramps or fades: the 1 kHz tone never steps further than
// a click's worth from one sample to the next.
class NoClicks : public Playback {
  protected:
    // The tone playing from its start, heard for 50 ms.
    engine::DeviceId sounding() {
        const auto deck = openOk(wav48());
        rig.engine->play(deck, 0, 3000);
        listen(2400);
        return deck;
    }
    void listen(size_t frames) {
        const auto part = rig.render(frames);
        heard.insert(heard.end(), part.begin(), part.end());
    }
    void expectNoClick() {
        size_t at = 0;
        EXPECT_LT(largestStep(heard, &at), kClick) << "at frame " << at;
    }
    std::vector<float> heard;
};

TEST_F(NoClicks, WhenTheGainsChange) {
    const auto deck = sounding();
    rig.engine->setLevels(deck, 0, 0);
    listen(1023);
    rig.engine->setLevels(deck, 1000, 1000);
    listen(1025);
    rig.engine->setLevels(deck, 1000, 0);
    listen(999);
    rig.engine->setLevels(deck, 200, 1000);
    listen(2400);
    expectNoClick();
}

TEST_F(NoClicks, WhenPausedAndResumed) {
    const auto deck = sounding();
    rig.engine->pause(deck);
    listen(1025);
    rig.engine->resume(deck);
    listen(2400);
    expectNoClick();
}

TEST_F(NoClicks, WhenASeekStopsTheSoundAndPlayStartsItThere) {
    const auto deck = sounding();
    rig.engine->seek(deck, 1234);
    listen(1023);
    rig.engine->play(deck, 1234, 3000);
    listen(2400);
    expectNoClick();
}

TEST_F(NoClicks, WhenANewStartReplacesTheSound) {
    const auto deck = sounding();
    rig.engine->play(deck, 567, 3000);
    listen(2400);
    expectNoClick();
}

TEST_F(NoClicks, WhenClosedWithAFadeOutOfOnePeriod) {
    const auto deck = sounding();
    rig.engine->close(deck);
    listen(2400);
    expectNoClick();
    EXPECT_LE(lastNonZero(heard), heard.size() / 2 - 2400 + kPeriod);
}

TEST_F(Playback, CloseGivesTheIdBackAtOnce) {
    const auto deck = openOk(wav48());
    rig.engine->play(deck, 0, 3000);
    rig.render(2400);
    rig.engine->close(deck);
    EXPECT_EQ(rig.engine->mode(deck), Mode::Stopped);
    EXPECT_EQ(rig.engine->lengthMs(deck), 0);
    const auto again = openOk(wav48());
    EXPECT_NE(again, deck);
    EXPECT_EQ(rig.engine->lengthMs(again), 3000);
    rig.render(2400);
}

TEST_F(Playback, OddRenderSizesGiveTheSameSound) {
    const auto reference = renderAlone(mp3Vbr(), 1100, 100, 1000, 30000);
    const auto deck = openOk(mp3Vbr());
    rig.engine->setSpeed(deck, 1100);
    rig.engine->play(deck, 100, 1000);
    std::vector<float> pieces;
    for (size_t size : {1023u, 1025u, 1u, 255u, 257u}) {
        for (int i = 0; i < 5 && pieces.size() < reference.size(); ++i) {
            const auto part = rig.render(size);
            pieces.insert(pieces.end(), part.begin(), part.end());
        }
    }
    const auto rest = rig.render(30000 - pieces.size() / 2);
    pieces.insert(pieces.end(), rest.begin(), rest.end());
    ASSERT_EQ(pieces.size(), reference.size());
    // Gain ramps and fades run per frame, so how the output is cut does not matter,
    // except that a callback boundary is where new commands are seen (none here).
    size_t differing = 0;
    for (size_t i = 0; i < reference.size(); ++i) {
        differing += std::fabs(pieces[i] - reference[i]) > 1e-6f ? 1 : 0;
    }
    EXPECT_EQ(differing, 0u);
}

TEST_F(Playback, MonoIsDuplicatedAtItsOwnLevel) {
    const auto mono = makeMedia(
        "mono.wav",
        "-f lavfi -i \"sine=frequency=1000:sample_rate=48000:duration=1\" -c:a pcm_f32le");
    const auto deck = openOk(mono);
    rig.engine->play(deck, 0, 1000);
    const auto out = rig.render(4800);
    EXPECT_NEAR(rms(out, 0, 1000, 4800), 0.125 / std::sqrt(2.0), 0.002);  // sine filter: 1/8
    EXPECT_NEAR(rms(out, 1, 1000, 4800), rms(out, 0, 1000, 4800), 1e-6);
}

TEST_F(Playback, SurroundIsMixedDownToStereo) {
    const auto surround = makeMedia(
        "surround.wav",
        "-f lavfi -i \"sine=frequency=1000:sample_rate=48000:duration=1\" -filter_complex "
        "\"[0]asplit=6[a][b][c][d][e][f];[a][b][c][d][e][f]join=inputs=6:channel_layout=5.1\" "
        "-c:a pcm_s16le");
    const auto deck = openOk(surround);
    EXPECT_EQ(rig.engine->lengthMs(deck), 1000);
    rig.engine->play(deck, 0, 1000);
    const auto out = rig.render(4800);
    // Normalised: six correlated channels come out no louder than one of them.
    const double channel = 0.125 / std::sqrt(2.0);
    EXPECT_GT(rms(out, 0, 1000, 4800), 0.05);
    EXPECT_LE(rms(out, 0, 1000, 4800), channel + 0.002);
    EXPECT_NEAR(rms(out, 1, 1000, 4800), rms(out, 0, 1000, 4800), 1e-6);
}

TEST_F(Playback, VideoWithoutSoundPlaysSilenceForItsLength) {
    const auto silent =
        makeMedia("silent.mp4", "-f lavfi -i testsrc=size=160x120:rate=25:duration=2 -c:v mpeg4");
    const auto deck = openOk(silent);
    EXPECT_EQ(rig.engine->lengthMs(deck), 2000);
    rig.engine->play(deck, 1800, 2000);
    rig.render(kRate / 2);
    EXPECT_EQ(rig.engine->mode(deck), Mode::Stopped);
    EXPECT_EQ(rig.engine->positionMs(deck), 2000);
}

TEST_F(Playback, LongerVideoMakesTheLength) {
    const auto video =
        makeMedia("longer-video.mp4", "-f lavfi -i testsrc=size=160x120:rate=25:duration=4 -i '" +
                                          wav44() + "' -c:v mpeg4 -c:a aac -aac_pns 0");
    const auto deck = openOk(video);
    EXPECT_EQ(rig.engine->lengthMs(deck), 4000);
}

}  // namespace
}  // namespace enginetest

namespace enginetest {
namespace {

// A reference two-deck mix: within full scale the mix is exactly the sum of each
// deck rendered alone, through a crossfade made of level changes.
TEST(Mix, TwoDecksCrossfadeIsTheSumOfEachDeckAlone) {
    const auto low = makeMedia("low-a.wav", toneInput(440, 0.3, 2, kRate) + " -c:a pcm_f32le");
    const auto other = makeMedia("low-b.wav", toneInput(660, 0.3, 2, 44100) + " -c:a pcm_f32le");
    const auto session = [&](bool deckA, bool deckB) {
        OfflineRig rig(kRate, kPeriod);
        const auto a = rig.engine->open(low, 0).device;
        const auto b = rig.engine->open(other, 0).device;
        rig.engine->setLevels(b, 0, 0);
        if (deckA) {
            rig.engine->play(a, 0, 2000);
        }
        if (deckB) {
            rig.engine->play(b, 300, 2000);
        }
        std::vector<float> out;
        for (int step = 0; step <= 10; ++step) {
            rig.engine->setLevels(a, 1000 - step * 100, 1000 - step * 100);
            rig.engine->setLevels(b, step * 100, step * 100);
            const auto part = rig.render(2401);
            out.insert(out.end(), part.begin(), part.end());
        }
        return out;
    };
    const auto both = session(true, true);
    const auto onlyA = session(true, false);
    const auto onlyB = session(false, true);
    size_t worstAt = 0;
    float worst = 0;
    for (size_t i = 0; i < both.size(); ++i) {
        const float error = std::fabs(both[i] - (onlyA[i] + onlyB[i]));
        if (error > worst) {
            worst = error;
            worstAt = i / 2;
        }
    }
    EXPECT_LT(worst, 1e-6f) << "at frame " << worstAt;
    EXPECT_GT(rms(both, 0, 0, both.size() / 2), 0.1);
    size_t at = 0;
    EXPECT_LT(largestStep(both, &at), 0.1f) << "at frame " << at;
}

}  // namespace
}  // namespace enginetest
