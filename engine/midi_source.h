#pragma once
// A MIDI file played through FluidSynth with a General MIDI sound font, rendered at 48 kHz.
// The file is read whole at open (midi_file.h), so the length is exact and final; the
// events go to the synthesizer sample-accurately between rendered stretches. A seek sets
// up every channel as the song has it at the target (programs, controllers, bends) and
// strikes the notes that sound there.
//
// Threads: as every Source (source.h).

#include <array>
#include <memory>
#include <string>

#include "engine/midi_file.h"
#include "engine/source.h"

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;

namespace engine {

class MidiSource final : public Source {
  public:
    // The system's General MIDI sound font, through the link its packages keep.
    static constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";
    static constexpr int kRate = 48000;

    // OpenError::NoSoundFont when `soundFont` is missing or does not load.
    static std::unique_ptr<MidiSource> open(const std::string& path, const std::string& soundFont,
                                            OpenError& error);
    ~MidiSource() override;
    MidiSource(const MidiSource&) = delete;
    MidiSource& operator=(const MidiSource&) = delete;

    int sampleRate() const override { return kRate; }
    int64_t lengthFrames() const override { return song_.lengthFrames; }
    void seek(int64_t frame) override;
    size_t read(float* stereo, size_t frames) override;
    void interrupt() override {}  // nothing here blocks

  private:
    explicit MidiSource(MidiSong song) : song_(std::move(song)) {}
    OpenError startSynth(const std::string& soundFont);
    void send(const MidiEvent& event);

    // Immutable after open.
    const MidiSong song_;

    // Reader thread (the UI thread during open).
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    size_t next_ = 0;       // the first event not yet sent
    int64_t position_ = 0;  // frame that read() returns next
};

}  // namespace engine
