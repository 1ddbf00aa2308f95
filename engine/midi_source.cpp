#include "engine/midi_source.h"

#include "engine/library_logs.h"

#include <fluidsynth.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace engine {
namespace {

constexpr std::uintmax_t kLargestMidiFile = 16 << 20;  // far beyond any real song

bool readWhole(const std::string& path, std::string& bytes) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kLargestMidiFile) {
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return static_cast<bool>(in) || in.eof();
}

bool isNoteOn(const MidiEvent& event) {
    return (event.status & 0xF0) == 0x90;
}

bool isNoteOff(const MidiEvent& event) {
    return (event.status & 0xF0) == 0x80;
}

}  // namespace

std::unique_ptr<MidiSource> MidiSource::open(const std::string& path, const std::string& soundFont,
                                             OpenError& error) {
    std::string bytes;
    if (!readWhole(path, bytes)) {
        error = OpenError::FileNotFound;
        return nullptr;
    }
    std::optional<MidiSong> song = ReadMidiFile(bytes, kRate);
    if (!song || !LastsAMillisecond(song->lengthFrames, kRate) ||
        !FitsTheDeviceClock(song->lengthFrames, kRate)) {
        error = OpenError::InvalidFile;
        return nullptr;
    }
    std::unique_ptr<MidiSource> source(new MidiSource(std::move(*song)));
    error = source->startSynth(soundFont);
    return error == OpenError::None ? std::move(source) : nullptr;
}

OpenError MidiSource::startSynth(const std::string& soundFont) {
    std::error_code missing;
    if (!std::filesystem::is_regular_file(soundFont, missing)) {
        return OpenError::NoSoundFont;  // also a default-GM link to a removed package
    }
    RouteLibraryLogs();
    settings_ = new_fluid_settings();
    if (settings_ == nullptr) {
        return OpenError::OutOfMemory;
    }
    fluid_settings_setnum(settings_, "synth.sample-rate", kRate);
    fluid_settings_setint(settings_, "synth.lock-memory", 0);  // no mlock of the samples
    fluid_settings_setint(settings_, "synth.cpu-cores", 1);    // it runs on the reader thread
    synth_ = new_fluid_synth(settings_);
    if (synth_ == nullptr) {
        return OpenError::OutOfMemory;
    }
    if (fluid_synth_sfload(synth_, soundFont.c_str(), 1) == FLUID_FAILED) {
        return OpenError::NoSoundFont;
    }
    return OpenError::None;
}

MidiSource::~MidiSource() {
    if (synth_ != nullptr) {
        delete_fluid_synth(synth_);
    }
    if (settings_ != nullptr) {
        delete_fluid_settings(settings_);
    }
}

void MidiSource::send(const MidiEvent& event) {
    const int channel = event.status & 0x0F;
    switch (event.status & 0xF0) {
        case 0x80:
            fluid_synth_noteoff(synth_, channel, event.data1);
            break;
        case 0x90:
            fluid_synth_noteon(synth_, channel, event.data1, event.data2);
            break;
        case 0xA0:
            fluid_synth_key_pressure(synth_, channel, event.data1, event.data2);
            break;
        case 0xB0:
            fluid_synth_cc(synth_, channel, event.data1, event.data2);
            break;
        case 0xC0:
            fluid_synth_program_change(synth_, channel, event.data1);
            break;
        case 0xD0:
            fluid_synth_channel_pressure(synth_, channel, event.data1);
            break;
        case 0xE0:
            fluid_synth_pitch_bend(synth_, channel, event.data1 | (event.data2 << 7));
            break;
        default:
            break;
    }
}

void MidiSource::seek(int64_t frame) {
    position_ = std::clamp<int64_t>(frame, 0, song_.lengthFrames);
    fluid_synth_system_reset(synth_);
    // Everything before the target but the notes sets the channels up as they are there;
    // the notes still held there are struck at the target itself.
    std::array<std::array<uint8_t, 128>, 16> held{};  // velocity by channel and key
    next_ = 0;
    for (; next_ < song_.events.size() && song_.events[next_].frame < position_; ++next_) {
        const MidiEvent& event = song_.events[next_];
        if (isNoteOn(event) || isNoteOff(event)) {
            held[event.status & 0x0F][event.data1] = isNoteOn(event) ? event.data2 : 0;
        } else {
            send(event);
        }
    }
    for (int channel = 0; channel < 16; ++channel) {
        for (int key = 0; key < 128; ++key) {
            if (held[channel][key] > 0) {
                fluid_synth_noteon(synth_, channel, key, held[channel][key]);
            }
        }
    }
}

size_t MidiSource::read(float* stereo, size_t frames) {
    size_t done = 0;
    while (done < frames && position_ < song_.lengthFrames) {
        while (next_ < song_.events.size() && song_.events[next_].frame <= position_) {
            send(song_.events[next_++]);
        }
        const int64_t until = next_ < song_.events.size()
                                  ? std::min(song_.events[next_].frame, song_.lengthFrames)
                                  : song_.lengthFrames;
        const auto count = static_cast<size_t>(
            std::min<int64_t>(until - position_, static_cast<int64_t>(frames - done)));
        float* out = stereo + 2 * done;
        fluid_synth_write_float(synth_, static_cast<int>(count), out, 0, 2, out, 1, 2);
        done += count;
        position_ += static_cast<int64_t>(count);
    }
    return done;
}

}  // namespace engine
