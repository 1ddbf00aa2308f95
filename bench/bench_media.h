#pragma once
// Media for the benchmarks, made once with ffmpeg into ./bench-media (kept between runs).

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace bench {

std::string media(const std::string& name, const std::string& inputsAndOptions);
// A 5-minute stereo "song" (a chord over pink noise), as WAV at 44.1 kHz.
std::string songWav();
std::string songMp3Vbr();    // VBR with Xing header
std::string songMp3Cbr();    // 192 kb/s
std::string songMp3Bare();   // VBR without Xing header
std::string songAac();       // AAC in MP4 (the encoder's default: noise substitution on)
std::string songAacNoPns();  // AAC in MP4 without perceptual noise substitution
std::string songVideo();     // the song under 5 minutes of 640x360 H.264 video in MP4
std::string songVideo720();  // the same at 1280x720
std::string sampleWav();     // a 2 s one-shot, 48 kHz
// This process's bytes read so far: through read calls ("rchar", page cache included) and
// from the disk ("read_bytes").
std::pair<long long, long long> bytesRead();
// Stereo frames the ffmpeg tool decodes from `path` (it trims what the file records), kept
// beside the file once counted.
int64_t decodedFrames(const std::string& path);
// Drops the page cache (needs root); false where this machine does not let it.
bool dropPageCache();
double seconds(std::chrono::steady_clock::duration d);
double median(std::vector<double> values);
bool run(const std::string& command);

}  // namespace bench
