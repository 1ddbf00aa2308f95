// MIDI files through FluidSynth: the length from the tempo map, the sound of a held note
// at its pitch, seeks that strike the notes sounding at the target, and a clear error
// without a sound font. The file reader's events: running status, SMPTE time.

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "engine/midi_file.h"
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

// Each event as {frame, status, data1, data2}, and the length last as {frames, 0, 0, 0}.
std::vector<std::array<int64_t, 4>> eventsRead(const std::string& bytes) {
    const auto song = engine::ReadMidiFile(bytes, kRate);
    std::vector<std::array<int64_t, 4>> read;
    if (!song) {
        return read;
    }
    for (const engine::MidiEvent& e : song->events) {
        read.push_back({e.frame, e.status, e.data1, e.data2});
    }
    read.push_back({song->lengthFrames, 0, 0, 0});
    return read;
}

// Notes in the middle of a track that carry no status byte take the one before: the
// velocity-0 ones are note-offs. 96 ticks a quarter at 120 beats a minute: 0x60 is 0.5 s.
TEST(MidiFile, RunningStatusCarriesThroughTheMiddleOfATrack) {
    const std::string track(
        "\0\x90\x3C\x64"    // C4 on
        "\x60\x3E\x64"      // D4 on
        "\x60\x3C\0"        // C4 off
        "\x60\x3E\0"        // D4 off
        "\x60\x90\x40\x64"  // E4 on, its own status
        "\x60\x80\x40\x40"  // E4 off
        "\0\xFF\x2F\0",
        25);
    const std::vector<std::array<int64_t, 4>> expected{
        {0, 0x90, 60, 100},    {24000, 0x90, 62, 100}, {48000, 0x80, 60, 64},
        {72000, 0x80, 62, 64}, {96000, 0x90, 64, 100}, {120000, 0x80, 64, 64},
        {120000, 0, 0, 0}};
    EXPECT_EQ(eventsRead(midiFile(96, {track})), expected);
}

// SMPTE time: 25 frames a second of 40 ticks each, a millisecond a tick; the tempo event
// (240 beats a minute) does not apply.
TEST(MidiFile, SmpteTimeCountsFramesAndTicksNotQuarterNotes) {
    const std::string track(
        "\0\xFF\x51\x03\x03\xD0\x90"  // tempo: 250000 us a quarter
        "\0\x90\x45\x64"              // A4 on
        "\x83\x74\x80\x45\x40"        // off 500 ticks later
        "\x87\x68\xFF\x2F\0",         // the end 1000 ticks after that
        21);
    const std::vector<std::array<int64_t, 4>> expected{
        {0, 0x90, 69, 100}, {24000, 0x80, 69, 64}, {72000, 0, 0, 0}};
    EXPECT_EQ(eventsRead(midiFile(0xE728, {track})), expected);  // -25, 40
}

}  // namespace
}  // namespace enginetest
