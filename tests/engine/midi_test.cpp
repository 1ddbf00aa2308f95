// MIDI files through FluidSynth: the length from the tempo map, the sound of a held note
// at its pitch, seeks that strike the notes sounding at the target, and a clear error
// without a sound font.

#include <gtest/gtest.h>

#include <cmath>

#include "engine/midi_source.h"
#include "test_media.h"

namespace enginetest {
namespace {

constexpr int kRate = 48000;

// The pitch of a tone rich in overtones (zero crossings would count those): the first
// autocorrelation peak near the highest, between 100 Hz and 2 kHz.
double pitchHz(const std::vector<float>& stereo, size_t from, size_t to) {
    const auto correlation = [&](size_t lag) {
        double sum = 0;
        for (size_t i = from; i + lag < to; ++i) {
            sum += static_cast<double>(stereo[2 * i]) * stereo[2 * (i + lag)];
        }
        return sum / static_cast<double>(to - from - lag);
    };
    const size_t shortest = kRate / 2000, longest = kRate / 100;
    std::vector<double> r(longest + 2);
    double highest = 0;
    for (size_t lag = shortest - 1; lag <= longest + 1; ++lag) {
        r[lag] = correlation(lag);
        highest = std::max(highest, r[lag]);
    }
    for (size_t lag = shortest; lag <= longest; ++lag) {
        if (r[lag] >= 0.9 * highest && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
            const double bend = r[lag - 1] - 2 * r[lag] + r[lag + 1];
            const double offset = bend != 0 ? 0.5 * (r[lag - 1] - r[lag + 1]) / bend : 0;
            return kRate / (static_cast<double>(lag) + offset);
        }
    }
    return 0;
}

class Midi : public ::testing::Test {
  protected:
    engine::DeviceId openSong() {
        const auto result = rig.engine->open(midiSong(), 0);
        EXPECT_EQ(result.error, engine::OpenError::None);
        return result.device;
    }
    OfflineRig rig{kRate, 256};
};

TEST_F(Midi, LengthFollowsTheTempoChanges) {
    EXPECT_EQ(rig.engine->lengthMs(openSong()), kMidiSongMs);
}

TEST_F(Midi, PlaysTheHeldNoteAtItsPitchAndStopsAtTheEnd) {
    const auto song = openSong();
    rig.engine->play(song, 0, kMidiSongMs);
    const std::vector<float> mix = rig.render(kRate * 2);
    EXPECT_GT(rms(mix, 0, kRate / 4, kRate), 0.01);
    EXPECT_NEAR(pitchHz(mix, kRate / 4, kRate), kMidiSongHz, 4.0);
    EXPECT_EQ(rig.engine->mode(song), engine::Mode::Stopped);
    EXPECT_EQ(rig.engine->positionMs(song), kMidiSongMs);
}

TEST_F(Midi, ASeekStrikesTheNoteSoundingThereAndSpeedRaisesItsPitch) {
    const auto song = openSong();
    rig.engine->seek(song, 1000);
    rig.engine->setSpeed(song, 1250);
    rig.engine->play(song, 1000, kMidiSongMs);
    const std::vector<float> mix = rig.render(kRate / 3);
    EXPECT_GT(rms(mix, 0, kRate / 20, kRate / 3), 0.01);
    EXPECT_NEAR(pitchHz(mix, kRate / 20, kRate / 3), kMidiSongHz * 1.25, 6.0);
}

TEST_F(Midi, WithoutASoundFontTheOpenFailsClearly) {
    engine::OpenError error = engine::OpenError::None;
    EXPECT_EQ(engine::MidiSource::open(midiSong(), mediaFolder() + "/none.sf2", error), nullptr);
    EXPECT_EQ(error, engine::OpenError::NoSoundFont);
}

}  // namespace
}  // namespace enginetest
