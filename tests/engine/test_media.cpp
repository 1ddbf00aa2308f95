#include "test_media.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

namespace enginetest {

const std::string& mediaFolder() {
    static const std::string folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "rotavox-engine-XXXXXX").string();
        const char* made = ::mkdtemp(pattern.data());
        std::string path = made != nullptr ? std::string(made) : std::string("/tmp");
        static std::string forCleanup = path;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(forCleanup, ignored);
        });
        return path;
    }();
    return folder;
}

bool run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

std::string makeMedia(const std::string& name, const std::string& inputsAndOptions) {
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    const std::string path = mediaFolder() + "/" + name;
    if (std::filesystem::exists(path)) {
        return path;
    }
    const std::string command =
        "ffmpeg -nostdin -y -v error " + inputsAndOptions + " '" + path + "'";
    if (!run(command)) {
        ADD_FAILURE() << "could not make test media: " << command;
        return "";
    }
    return path;
}

std::string toneInput(double frequency, double amplitude, double seconds, int rate) {
    std::ostringstream text;
    text << "-f lavfi -i \"aevalsrc=" << amplitude << "*sin(2*PI*" << frequency << "*t)|-"
         << amplitude << "*sin(2*PI*" << frequency << "*t):s=" << rate << ":d=" << seconds
         << ":c=stereo\"";
    return text.str();
}

std::string wav48() {
    return makeMedia("tone48.wav", toneInput(1000, 0.5, 3, 48000) + " -c:a pcm_s16le");
}
std::string wav44() {
    return makeMedia("tone44.wav", toneInput(1000, 0.5, 3, 44100) + " -c:a pcm_s16le");
}
std::string mp3Cbr() {
    return makeMedia("cbr.mp3", "-i '" + wav44() + "' -c:a libmp3lame -b:a 128k");
}
std::string mp3Vbr() {
    return makeMedia("vbr.mp3", "-i '" + wav44() + "' -c:a libmp3lame -q:a 4");
}
std::string mp3VbrBare() {
    return makeMedia("vbr-bare.mp3", "-i '" + wav44() + "' -c:a libmp3lame -q:a 4 -write_xing 0");
}
std::string m4aAac() {
    return makeMedia("aac.m4a", "-i '" + wav44() + "' -c:a aac -aac_pns 0 -b:a 128k");
}
std::string wma() {
    return makeMedia("tone.wma", "-i '" + wav44() + "' -c:a wmav2 -b:a 128k");
}
std::string mp4Video() {
    return makeMedia("video.mp4", "-f lavfi -i testsrc=size=160x120:rate=25:duration=3 -i '" +
                                      wav44() + "' -c:v mpeg4 -c:a aac -aac_pns 0 -shortest");
}
std::string aviVideo() {
    return makeMedia("video.avi", "-f lavfi -i testsrc=size=160x120:rate=25:duration=3 -i '" +
                                      wav44() + "' -c:v mpeg4 -c:a libmp3lame");
}

namespace {

const std::string kCountedFrames =
    "-f lavfi -i \"color=black:s=128x16:r=25:d=4,format=yuv420p,"
    "geq=lum='if(bitand(N\\,pow(2\\,floor(X/16)))\\,235\\,16)':cb=128:cr=128\"";
const std::string kCountedCoding = " -c:v mpeg4 -q:v 2 -g 50";

}  // namespace

std::string countedVideo() {
    return makeMedia("counted.mp4", kCountedFrames + " " + toneInput(1000, 0.5, 4, 48000) +
                                        kCountedCoding + " -c:a aac -aac_pns 0");
}

std::string countedVideoOnly() {
    return makeMedia("counted-silent.mp4", kCountedFrames + kCountedCoding);
}

int countedFrameNumber(const windowing::VideoFrame* frame) {
    if (frame == nullptr || frame->width <= 0 || frame->height <= 0) {
        return -1;
    }
    int number = 0;
    const size_t row = static_cast<size_t>(frame->height / 2) * static_cast<size_t>(frame->width);
    for (int bit = 0; bit < 8; ++bit) {
        const uint32_t pixel =
            frame->pixels[row + static_cast<size_t>((2 * bit + 1) * frame->width / 16)];
        number |= ((pixel >> 8) & 0xFF) > 128 ? 1 << bit : 0;  // green
    }
    return number;
}

namespace {

std::string bigEndian(uint32_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return out;
}

std::string chunk(const std::string& id, const std::string& body) {
    return id + bigEndian(static_cast<uint32_t>(body.size()), 4) + body;
}

}  // namespace

std::string midiFile(uint16_t division, const std::vector<std::string>& tracks) {
    std::string bytes = chunk("MThd", bigEndian(tracks.size() == 1 ? 0 : 1, 2) +
                                          bigEndian(static_cast<uint32_t>(tracks.size()), 2) +
                                          bigEndian(division, 2));
    for (const std::string& track : tracks) {
        bytes += chunk("MTrk", track);
    }
    return bytes;
}

std::string midiSong() {
    const std::string path = mediaFolder() + "/song.mid";
    if (!std::filesystem::exists(path)) {
        // 96 ticks a quarter; deltas below 128 are one byte. 120 beats a minute, then 240.
        const std::string tempo = std::string("\0\xFF\x51\x03", 4) + bigEndian(500000, 3) +
                                  std::string("\x81\x40\xFF\x51\x03", 5) + bigEndian(250000, 3) +
                                  std::string("\x81\x40\xFF\x2F\0", 5);
        const std::string notes(
            "\0\xC0\x49"      // flute
            "\0\x90\x45\x64"  // A4 on
            "\x83\x00\x45\0"  // off (running status, velocity 0)
            "\0\xFF\x2F\0",
            15);
        std::ofstream(path, std::ios::binary) << midiFile(96, {tempo, notes});
    }
    return path;
}

std::vector<float> ffmpegDecode(const std::string& path) {
    static int counter = 0;
    const std::string raw = mediaFolder() + "/decoded-" + std::to_string(++counter) + ".f32";
    std::vector<float> samples;
    if (!run("ffmpeg -nostdin -y -v error -i '" + path + "' -f f32le -c:a pcm_f32le '" + raw +
             "'")) {
        ADD_FAILURE() << "ffmpeg could not decode " << path;
        return samples;
    }
    std::ifstream in(raw, std::ios::binary);
    in.seekg(0, std::ios::end);
    samples.resize(static_cast<size_t>(in.tellg()) / sizeof(float));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(samples.data()),
            static_cast<std::streamsize>(samples.size() * sizeof(float)));
    std::filesystem::remove(raw);
    return samples;
}

OfflineRig::OfflineRig(int rate, size_t period) {
    auto offline = std::make_unique<engine::OfflineOutput>(rate, period);
    output = offline.get();
    engine = std::make_unique<engine::MixerEngine>(std::move(offline));
}

std::vector<float> OfflineRig::render(size_t frames) {
    std::vector<float> out(frames * 2);
    output->render(out.data(), frames);
    return out;
}

double measureFrequency(const std::vector<float>& stereo, int channel, int rate, size_t from,
                        size_t to) {
    // Rising zero crossings, interpolated, first to last.
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = from + 1; i < to; ++i) {
        const float a = stereo[2 * (i - 1) + channel], b = stereo[2 * i + channel];
        if (a < 0 && b >= 0) {
            const double at = static_cast<double>(i - 1) + a / (a - b);
            if (first < 0) {
                first = at;
            } else {
                ++crossings;
            }
            last = at;
        }
    }
    return crossings > 0 ? crossings * rate / (last - first) : 0;
}

double rms(const std::vector<float>& stereo, int channel, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) {
        sum += static_cast<double>(stereo[2 * i + channel]) * stereo[2 * i + channel];
    }
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0;
}

float largestStep(const std::vector<float>& stereo, size_t* at) {
    float largest = 0;
    for (size_t i = 2; i < stereo.size(); ++i) {
        const float step = std::fabs(stereo[i] - stereo[i - 2]);
        if (step > largest) {
            largest = step;
            if (at != nullptr) {
                *at = i / 2;
            }
        }
    }
    return largest;
}

}  // namespace enginetest
