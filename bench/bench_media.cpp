#include "bench_media.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace bench {

bool run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

std::string media(const std::string& name, const std::string& inputsAndOptions) {
    std::filesystem::create_directories("bench-media");
    const std::string path = std::filesystem::absolute("bench-media/" + name).string();
    if (!std::filesystem::exists(path)) {
        std::fprintf(stderr, "making %s ...\n", path.c_str());
        if (!run("ffmpeg -nostdin -y -v error " + inputsAndOptions + " '" + path + "'")) {
            std::fprintf(stderr, "ffmpeg failed for %s\n", name.c_str());
            std::exit(1);
        }
    }
    return path;
}

std::string songWav() {
    return media(
        "song.wav",
        "-f lavfi -i \"aevalsrc=0.2*sin(2*PI*220*t)+0.15*sin(2*PI*277.2*t)+0.1*sin(2*PI*329.6*t)"
        "|-0.2*sin(2*PI*220*t)-0.1*sin(2*PI*440*t):s=44100:d=300:c=stereo\" "
        "-f lavfi -i \"anoisesrc=color=pink:amplitude=0.2:d=300:r=44100\" "
        "-filter_complex \"[1]aformat=channel_layouts=stereo[n];[0][n]amix=inputs=2:normalize=0\" "
        "-c:a pcm_s16le");
}
std::string songMp3Vbr() {
    return media("song-vbr.mp3", "-i '" + songWav() + "' -c:a libmp3lame -q:a 2");
}
std::string songMp3Cbr() {
    return media("song-cbr.mp3", "-i '" + songWav() + "' -c:a libmp3lame -b:a 192k");
}
std::string songMp3Bare() {
    return media("song-bare.mp3", "-i '" + songWav() + "' -c:a libmp3lame -q:a 2 -write_xing 0");
}
std::string songAac() {
    return media("song.m4a", "-i '" + songWav() + "' -c:a aac -b:a 192k");
}
std::string songAacNoPns() {
    return media("song-nopns.m4a", "-i '" + songWav() + "' -c:a aac -aac_pns 0 -b:a 192k");
}
namespace {

std::string songVideoSized(const std::string& name, const std::string& size,
                           const std::string& bitRate) {
    return media(name, "-f lavfi -i testsrc2=size=" + size + ":rate=25:duration=300 -i '" +
                           songWav() + "' -c:v libx264 -preset ultrafast -b:v " + bitRate +
                           " -c:a aac -b:a 192k");
}

}  // namespace

std::string songVideo() {
    return songVideoSized("song-video.mp4", "640x360", "1500k");
}
std::string songVideo720() {
    return songVideoSized("song-video-720.mp4", "1280x720", "4000k");
}
std::string sampleWav() {
    return media("sample.wav",
                 "-f lavfi -i "
                 "\"aevalsrc=0.6*sin(2*PI*880*t)*exp(-3*t)|-0.6*sin(2*PI*880*t)*exp(-3*t):s=48000:"
                 "d=2:c=stereo\" -c:a pcm_s16le");
}

std::pair<long long, long long> bytesRead() {
    long long rchar = 0, disk = 0;
    if (FILE* f = std::fopen("/proc/self/io", "r")) {
        char key[64];
        long long value = 0;
        while (std::fscanf(f, "%63s %lld", key, &value) == 2) {
            rchar = std::string_view(key) == "rchar:" ? value : rchar;
            disk = std::string_view(key) == "read_bytes:" ? value : disk;
        }
        std::fclose(f);
    }
    return {rchar, disk};
}

int64_t decodedFrames(const std::string& path) {
    const std::string countFile = path + ".decoded-bytes";
    if (!std::filesystem::exists(countFile)) {
        run("ffmpeg -nostdin -v error -i '" + path + "' -f f32le - | wc -c > '" + countFile + "'");
    }
    long long bytes = 0;
    if (FILE* f = std::fopen(countFile.c_str(), "r")) {
        if (std::fscanf(f, "%lld", &bytes) != 1) {
            bytes = 0;
        }
        std::fclose(f);
    }
    return bytes / 8;
}

bool dropPageCache() {
    return run("sync; echo 3 > /proc/sys/vm/drop_caches 2>/dev/null");
}

double seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace bench
