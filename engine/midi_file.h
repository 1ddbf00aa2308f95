#pragma once
// A Standard MIDI File read into one list of channel events on a timeline of frames at a
// given rate, tempo changes applied, so that a player needs no tempo map of its own.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace engine {

struct MidiEvent {
    int64_t frame = 0;   // when it sounds, at the song's rate
    uint8_t status = 0;  // a channel message: kind in the high nibble, channel in the low one
    uint8_t data1 = 0;
    uint8_t data2 = 0;
};

struct MidiSong {
    std::vector<MidiEvent> events;  // in time order; a note-on of velocity 0 reads as a note-off
    int64_t lengthFrames = 0;       // to the last track's end
};

// Reads the bytes of a MIDI file (formats 0, 1 and 2, metrical or SMPTE time). Nothing when
// they are not one, or when no note sounds in them. A damaged track keeps what came before
// the damage.
std::optional<MidiSong> ReadMidiFile(std::string_view bytes, int framesPerSecond);

}  // namespace engine
