// Files whose sound is easy to lay on a wrong timeline: rounded container clocks, a rate
// change inside the file, late sound, codec skips, tiny files, sound beyond the probe,
// multichannel downmix, and requests the engine cannot carry out. For each, the figures a
// listener would notice: length against the decoded sample count, clicks on a tone, pitch,
// where the sound starts, seeks against straight decoding, peaks, refusals.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "bench_media.h"
#include "engine/ffmpeg_source.h"
#include "engine/mixer_engine.h"
#include "engine/offline_output.h"
#include "platform/command_interpreter.h"

namespace {

std::string tone(int rate, double seconds, const std::string& extra = "") {
    return "-f lavfi -i \"aevalsrc=0.5*sin(2*PI*1000*t)|-0.5*sin(2*PI*1000*t):s=" +
           std::to_string(rate) + ":d=" + std::to_string(seconds) + ":c=stereo\" " + extra;
}
std::string chirp(int rate, double seconds) {
    return "-f lavfi -i \"aevalsrc=0.5*sin(2*PI*(200*t+1000*t*t))|-0.5*sin(2*PI*(200*t+1000*t*t))"
           ":s=" +
           std::to_string(rate) + ":d=" + std::to_string(seconds) + ":c=stereo\" ";
}

std::vector<float> readAll(engine::FfmpegSource& source) {
    // At most a minute: a wrapped length must not exhaust memory here.
    std::vector<float> all, buffer(2 * 4096);
    while (all.size() < 120u * static_cast<size_t>(source.sampleRate())) {
        const size_t n = source.read(buffer.data(), 4096);
        if (n == 0) {
            break;
        }
        all.insert(all.end(), buffer.begin(), buffer.begin() + static_cast<long>(2 * n));
    }
    return all;
}

// The ffmpeg tool's decode, converted to its first rate, as interleaved stereo.
std::vector<float> ffmpegDecode(const std::string& path) {
    const std::string raw = "bench-media/decoded.f32";
    bench::run("ffmpeg -nostdin -y -v error -i '" + path + "' -ac 2 -f f32le '" + raw +
               "' 2>/dev/null");
    std::vector<float> samples;
    if (FILE* f = std::fopen(raw.c_str(), "rb")) {
        float value;
        while (std::fread(&value, sizeof value, 1, f) == 1) {
            samples.push_back(value);
        }
        std::fclose(f);
    }
    return samples;
}

// Steps between neighbouring samples far beyond what a 0.5 sine of 1 kHz makes at >= 32 kHz.
int clicks(const std::vector<float>& stereo) {
    int count = 0;
    for (size_t i = 2; i < stereo.size(); ++i) {
        count += std::fabs(stereo[i] - stereo[i - 2]) > 0.2f ? 1 : 0;
    }
    return count;
}

double pitch(const std::vector<float>& stereo, int rate, size_t from, size_t to) {
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = from + 1; i < std::min(to, stereo.size() / 2); ++i) {
        const float a = stereo[2 * (i - 1)], b = stereo[2 * i];
        if (a < 0 && b >= 0) {
            const double at = static_cast<double>(i - 1) + a / (a - b);
            first = first < 0 ? at : first;
            crossings += last >= 0 ? 1 : 0;
            last = at;
        }
    }
    return crossings > 0 ? crossings * rate / (last - first) : 0;
}

// Largest difference between 1025 frames after a seek and the straight decode there.
float seekError(engine::FfmpegSource& source, const std::vector<float>& straight) {
    std::mt19937 random(7);
    std::vector<float> buffer(2 * 1025);
    float worst = 0;
    const int64_t length = source.lengthFrames();
    for (int i = 0; i < 16 && length > 1; ++i) {
        const int64_t target = std::uniform_int_distribution<int64_t>(0, length - 1)(random);
        source.seek(target);
        const size_t n = source.read(buffer.data(), 1025);
        for (size_t k = 0; k < 2 * n && static_cast<size_t>(2 * target) + k < straight.size();
             ++k) {
            worst = std::max(worst, std::fabs(buffer[k] - straight[2 * target + k]));
        }
    }
    return worst;
}

// The shift (in frames) of `ours` against `reference` that matches best, within +-2000.
int bestLag(const std::vector<float>& ours, const std::vector<float>& reference) {
    int best = 0;
    double bestError = 1e300;
    for (int lag = -2000; lag <= 2000; ++lag) {
        double error = 0;
        for (size_t i = 4000; i < 24000 && i < reference.size() / 2; ++i) {
            const long j = static_cast<long>(i) + lag;
            const float o = j >= 0 && static_cast<size_t>(j) < ours.size() / 2 ? ours[2 * j] : 0;
            error += (o - reference[2 * i]) * (o - reference[2 * i]);
        }
        if (error < bestError) {
            bestError = error;
            best = lag;
        }
    }
    return best;
}

std::unique_ptr<engine::FfmpegSource> openOrSay(const char* label, const std::string& path) {
    engine::OpenError error;
    auto source = engine::FfmpegSource::open(path, error);
    if (!source) {
        std::printf("%-22s does not open (error %d)\n", label, static_cast<int>(error));
    }
    return source;
}

// A file read straight through, from a source that stays open for seeks.
struct Straight {
    std::unique_ptr<engine::FfmpegSource> source;
    std::vector<float> samples;  // interleaved stereo
    int rate = 0;
    size_t frames = 0;
};

// Nothing, having said so, when the file does not open.
std::optional<Straight> readStraight(const char* label, const std::string& path) {
    auto source = openOrSay(label, path);
    if (!source) {
        return std::nullopt;
    }
    Straight file{std::move(source), {}, 0, 0};
    file.samples = readAll(*file.source);
    file.rate = file.source->sampleRate();
    file.frames = file.samples.size() / 2;
    return file;
}

// The ffmpeg tool's decode as a length in frames at `rate`: every decoded frame counted at
// the rate it reports (its filter graph would add a resampler's flush at each change).
double ffmpegFramesAt(const std::string& path, int rate) {
    const std::string log = "bench-media/showinfo.txt";
    bench::run("ffmpeg -nostdin -v info -i '" + path + "' -af ashowinfo -f null - 2> '" + log +
               "'");
    double frames = 0;
    if (FILE* f = std::fopen(log.c_str(), "r")) {
        char line[1024];
        while (std::fgets(line, sizeof line, f) != nullptr) {
            const char* at = std::strstr(line, " rate:");
            int fileRate = 0, samples = 0;
            if (at != nullptr &&
                std::sscanf(at, " rate:%d nb_samples:%d", &fileRate, &samples) == 2) {
                frames += static_cast<double>(samples) * rate / fileRate;
            }
        }
        std::fclose(f);
    }
    return frames;
}

// Case 1: tones through rounded clocks.
void toneFile(const char* label, const std::string& path) {
    const std::optional<Straight> file = readStraight(label, path);
    if (!file) {
        return;
    }
    const std::vector<float>& straight = file->samples;
    const int rate = file->rate;
    const size_t frames = file->frames;
    const size_t reference = ffmpegDecode(path).size() / 2;
    std::printf(
        "%-22s rate %d, length %lld frames (ffmpeg decodes %zu), clicks %d, pitch %.1f Hz "
        "from 1/8 to 1/2, %.1f Hz last quarter (1000), seek error %.2g\n",
        label, rate, static_cast<long long>(file->source->lengthFrames()), reference,
        clicks(straight), pitch(straight, rate, frames / 8, frames / 2),
        pitch(straight, rate, frames * 3 / 4, frames),
        static_cast<double>(seekError(*file->source, straight)));
}

// The largest step between neighbouring frames (left channel) in [from, to).
float largestStep(const std::vector<float>& stereo, size_t from, size_t to) {
    float step = 0;
    for (size_t i = from + 1; i < to; ++i) {
        step = std::max(step, std::fabs(stereo[2 * i] - stereo[2 * i - 2]));
    }
    return step;
}

// Case 2: two tone files of 3 s at different rates joined into one. Pitch of each part, the
// largest step around the join, length against the decoded frames counted at their rates.
void joinedFile(const char* label, const std::string& path) {
    if (const std::optional<Straight> file = readStraight(label, path)) {
        const size_t eighth = file->frames / 8;
        std::printf(
            "%-22s rate %d, length %lld frames (ffmpeg decodes %.1f at this rate), clicks %d, "
            "largest step at the join %.3f, pitch %.1f Hz first part, %.1f Hz second part "
            "(1000), seek error %.2g\n",
            label, file->rate, static_cast<long long>(file->source->lengthFrames()),
            ffmpegFramesAt(path, file->rate), clicks(file->samples),
            static_cast<double>(largestStep(file->samples, 3 * eighth, 5 * eighth)),
            pitch(file->samples, file->rate, eighth, 3 * eighth),
            pitch(file->samples, file->rate, 5 * eighth, 7 * eighth),
            static_cast<double>(seekError(*file->source, file->samples)));
    }
}

// Case 3 and 6: where the sound starts on the file's timeline.
void lateSound(const char* label, const std::string& path) {
    auto source = openOrSay(label, path);
    if (!source) {
        return;
    }
    const std::vector<float> straight = readAll(*source);
    size_t first = 0;
    while (first < straight.size() && std::fabs(straight[first]) < 0.05f) {
        ++first;
    }
    std::printf("%-22s sound %s, length %.1f ms, first sound (above 0.05) at %.1f ms\n", label,
                source->hasSound() ? "yes" : "NO",
                source->lengthFrames() * 1000.0 / source->sampleRate(),
                static_cast<double>(first / 2) * 1000.0 / source->sampleRate());
}

// Case 4: codec skips, against the ffmpeg tool (which applies them) and the made length.
void skipFile(const char* label, const std::string& path, int64_t madeFrames) {
    auto source = openOrSay(label, path);
    if (!source) {
        return;
    }
    const std::vector<float> straight = readAll(*source);
    const std::vector<float> reference = ffmpegDecode(path);
    std::printf(
        "%-22s length %lld frames (made %lld, ffmpeg decodes %zu), offset against "
        "ffmpeg %d frames\n",
        label, static_cast<long long>(source->lengthFrames()), static_cast<long long>(madeFrames),
        reference.size() / 2, reference.size() > 48000 ? bestLag(straight, reference) : 0);
}

// Case 7: the peak of a downmix of equal tones (0.5) in every channel, before the limiter.
void downmix(const char* label, const std::string& path) {
    auto source = openOrSay(label, path);
    if (!source) {
        return;
    }
    const std::vector<float> straight = readAll(*source);
    float peak = 0;
    for (float s : straight) {
        peak = std::max(peak, std::fabs(s));
    }
    std::printf("%-22s peak %.2f x the channels' own\n", label, static_cast<double>(peak / 0.5f));
}

// Case 8: what the command channel answers, and what the device then does.
void refusals() {
    auto offline = std::make_unique<engine::OfflineOutput>(48000, 256);
    engine::OfflineOutput* output = offline.get();
    engine::MixerEngine mixer(std::move(offline));
    platform::CommandInterpreter interpreter(mixer);
    std::string answer;
    const std::string low = bench::media("tone8k.wav", tone(8000, 5, "-c:a pcm_s16le"));
    interpreter.execute("open " + low + " alias a", answer);
    const uint32_t code = interpreter.execute("set a speed 10", answer);
    interpreter.execute("play a", answer);
    std::vector<float> period(2 * 256);
    for (int i = 0; i < 48000 / 256; ++i) {
        output->render(period.data(), 256);
    }
    interpreter.execute("status a position", answer);
    const std::string position = answer;
    interpreter.execute("status a speed", answer);
    std::printf(
        "set speed 10 on 8 kHz   answer %u, status speed %s, position after 1 s %s ms "
        "(speed 10 means 10)\n",
        code, answer.c_str(), position.c_str());
    interpreter.execute("close all", answer);

    const std::string tiny = bench::media("tiny.wav", tone(48000, 1, "-c:a pcm_s16le"));
    uint32_t last = 0;
    for (int i = 0; i <= 256; ++i) {
        last = interpreter.execute("open " + tiny + " alias d" + std::to_string(i), answer);
        if (last == 0) {
            interpreter.execute("play d" + std::to_string(i), answer);
        }
        output->render(period.data(), 256);  // the callback runs between opens in real time
    }
    for (int i = 0; i < 20; ++i) {
        output->render(period.data(), 256);
    }
    interpreter.execute("status d256 position", answer);
    std::printf("257th device            open answers %u, its position after 107 ms: %s\n", last,
                last == 0 ? answer.c_str() : "-");
    interpreter.execute("close all", answer);
}

}  // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    using bench::media;
    std::printf("-- rounded clocks\n");
    toneFile("wma 44.1 kHz", media("t44.wma", tone(44100, 2, "-c:a wmav2 -b:a 128k")));
    toneFile("wma 32 kHz", media("t32.wma", tone(32000, 2, "-c:a wmav2 -b:a 128k")));
    toneFile("wma 48 kHz", media("t48.wma", tone(48000, 2, "-c:a wmav2 -b:a 128k")));
    toneFile("wmv, wma 48 kHz",
             media("t48.wmv", "-f lavfi -i testsrc=size=160x120:rate=25:duration=2 " +
                                  tone(48000, 2, "-c:v wmv2 -c:a wmav2 -b:a 128k")));
    toneFile("aac in mkv 48 kHz", media("t48.mkv", tone(48000, 2, "-c:a aac")));
    toneFile("aac in flv 48 kHz", media("t48.flv", tone(48000, 2, "-c:a aac")));
    std::printf("-- rate changes\n");
    const std::string a44 = media("t44.mp3", tone(44100, 3, "-c:a libmp3lame"));
    const std::string a48 = media("t48.mp3", tone(48000, 3, "-c:a libmp3lame"));
    const std::string a22 = media("t22.mp3", tone(22050, 3, "-c:a libmp3lame"));
    bench::run("cat '" + a44 + "' '" + a48 + "' > bench-media/joined-44-48.mp3");
    bench::run("cat '" + a22 + "' '" + a44 + "' > bench-media/joined-22-44.mp3");
    joinedFile("mp3 44.1 + 48 kHz", "bench-media/joined-44-48.mp3");
    joinedFile("mp3 22.05 + 44.1 kHz", "bench-media/joined-22-44.mp3");
    std::printf("-- late sound\n");
    lateSound("mp4, sound at 976 ms", media("late.mp4",
                                            "-f lavfi -i testsrc=size=160x120:rate=25:duration=3 "
                                            "-itsoffset 0.976 " +
                                                tone(44100, 2, "-c:v mpeg4 -c:a aac")));
    std::printf("-- codec skips and tiny files\n");
    skipFile("opus 2 s", media("chirp.opus", chirp(48000, 2) + "-c:a libopus"), 96000);
    skipFile("vorbis 2 s", media("chirp.ogg", chirp(44100, 2) + "-c:a libvorbis"), 88200);
    skipFile("vorbis 1 ms", media("1ms.ogg", chirp(44100, 0.001) + "-c:a libvorbis"), 44);
    skipFile("vorbis 5 ms", media("5ms.ogg", chirp(44100, 0.005) + "-c:a libvorbis"), 221);
    skipFile("opus 5 ms", media("5ms.opus", chirp(48000, 0.005) + "-c:a libopus"), 240);
    skipFile("opus 30 ms", media("30ms.opus", chirp(48000, 0.03) + "-c:a libopus"), 1440);
    std::printf("-- sound beyond the probe\n");
    lateSound("ts 80 Mbit/s", media("late80.ts",
                                    "-f lavfi -i testsrc2=size=1920x1080:rate=25:duration=3 "
                                    "-itsoffset 0.6 " +
                                        tone(48000, 2.4,
                                             "-c:v mpeg2video -b:v 80M -minrate 80M -maxrate 80M "
                                             "-bufsize 20M -c:a mp2 -b:a 192k")));
    std::printf("-- downmix\n");
    downmix("5.1", media("t51.wav",
                         "-f lavfi -i \"aevalsrc=0.5*sin(2*PI*1000*t):s=48000:d=1\" "
                         "-af \"pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0\" "
                         "-c:a pcm_s16le"));
    downmix("7.1", media("t71.wav",
                         "-f lavfi -i \"aevalsrc=0.5*sin(2*PI*1000*t):s=48000:d=1\" "
                         "-af \"pan=7.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0|c6=c0|"
                         "c7=c0\" -c:a pcm_s16le"));
    std::printf("-- refusals\n");
    refusals();
}
