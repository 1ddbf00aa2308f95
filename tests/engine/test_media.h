#pragma once
// Media made at test time with ffmpeg, cached for one run of the test binary in a
// temporary folder that is removed at exit; and an offline engine rig.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/mixer_engine.h"
#include "engine/offline_output.h"
#include "windowing/picture.h"

namespace enginetest {

// The run's temporary folder.
const std::string& mediaFolder();
// Makes `name` in the folder with `ffmpeg -y -v error <inputsAndOptions> <path>` once per
// run and returns its path. Fails the test (and returns "") when ffmpeg fails.
std::string makeMedia(const std::string& name, const std::string& inputsAndOptions);
// Runs a shell command; true on exit status 0.
bool run(const std::string& command);

// Every stereo test tone: left = +amplitude * sin, right = -amplitude * sin (opposite
// signs, so a leak between channels shows), `seconds` long at `rate`.
std::string toneInput(double frequency, double amplitude, double seconds, int rate);

// Common files (made on first use).
std::string wav48();       // 1 kHz, 0.5, 3 s, 48 kHz
std::string wav44();       // 1 kHz, 0.5, 3 s, 44.1 kHz
std::string mp3Cbr();      // from wav44, 128 kb/s with LAME/Info header
std::string mp3Vbr();      // from wav44, VBR with Xing header
std::string mp3VbrBare();  // from wav44, VBR without Xing header
std::string m4aAac();      // from wav44, AAC in MP4
std::string wma();         // from wav44, WMA v2
std::string mp4Video();    // 3 s video with 3 s of the tone
std::string aviVideo();    // 3 s video with 3 s of the tone (mp3)

// Counted-frame videos: 4 s at 25 frames a second (40 ms each), 128x16, key frames 2 s
// apart; frame n shows n in binary as 8 bars of 16 pixels, bit 0 at the left, white for 1.
// One with 4 s of the tone in MP4, one without sound.
std::string countedVideo();
std::string countedVideoOnly();
constexpr int64_t kCountedFrameMs = 40;
// The number a counted frame shows, from the middle row of each bar; -1 for no picture.
int countedFrameNumber(const windowing::VideoFrame* frame);

// The bytes of a Standard MIDI File (format 0 for one track, else 1) with this time
// division, each track body (closed by its own end-of-track event) in its chunk.
std::string midiFile(uint16_t division, const std::vector<std::string>& tracks);
// A MIDI file written byte by byte: a flute holding A4 (440 Hz) from 0 to its end at
// 1500 ms, two beats at 120 beats a minute, then two at 240 (a tempo change).
std::string midiSong();
constexpr double kMidiSongHz = 440.0;
constexpr int64_t kMidiSongMs = 1500;

// `ffmpeg` decoding of the whole file to interleaved stereo float at its own rate.
std::vector<float> ffmpegDecode(const std::string& path);

// An engine on the offline output.
struct OfflineRig {
    explicit OfflineRig(int rate = 48000, size_t period = 256);
    std::vector<float> render(size_t frames);  // interleaved stereo
    engine::OfflineOutput* output;
    std::unique_ptr<engine::MixerEngine> engine;
};

// Frequency of a sine in `channel` of interleaved stereo, from zero crossings.
double measureFrequency(const std::vector<float>& stereo, int channel, int rate, size_t from,
                        size_t to);
double rms(const std::vector<float>& stereo, int channel, size_t from, size_t to);
// Largest |x[i+1] - x[i]| over the buffer, either channel; where it is in `at`.
float largestStep(const std::vector<float>& stereo, size_t* at = nullptr);

}  // namespace enginetest
