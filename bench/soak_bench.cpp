// A long set: two decks play through playlists of every playable kind of file on the
// real-time null output, with speed changes, seeks, pauses, level sweeps and a sample
// retriggered every few seconds, for N minutes (first argument, default 60). Every minute
// it prints a line; at the end the figures against the goals: resident memory growth
// after the first minute under 1 MB an hour, no underrun, longest callback under 25 % of
// the period; beside the callbacks, a stand-in on the same footing shows what the machine
// itself takes from a running thread.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench_media.h"
#include "duration_histogram.h"
#include "engine/mixer_engine.h"
#include "stand_in_callback.h"
#include "watched_null_output.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 48000;
constexpr size_t kPeriod = 256;

// Times every callback of an inner null output into a histogram, so a run of hours needs
// no storage; the last duration feeds the stand-in callback.
class SoakOutput final : public bench::WatchedNullOutput {
  public:
    SoakOutput() : WatchedNullOutput(kRate, kPeriod) {}

    const bench::DurationHistogram& durations() const { return durations_; }
    const std::atomic<int64_t>& lastNs() const { return lastNs_; }
    static double periodUs() { return kPeriod * 1e6 / kRate; }

  private:
    void renderPeriod(float* out, size_t frames, bool waitForData) noexcept override {
        const auto start = Clock::now();
        engineCallback().renderPeriod(out, frames, waitForData);
        const int64_t ns =
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
        durations_.record(ns);
        lastNs_.store(ns, std::memory_order_relaxed);
    }

    bench::DurationHistogram durations_;
    std::atomic<int64_t> lastNs_{0};
};

// What /proc says of this process: resident memory (kB) and threads.
long procStatus(const std::string& field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
        }
    }
    return -1;
}

// 40-second tracks of every playable kind, each with its own tone so the decks differ.
std::vector<std::string> playlist() {
    const auto tone = [](int hz) {
        return "-f lavfi -i \"aevalsrc=0.3*sin(2*PI*" + std::to_string(hz) + "*t)|-0.3*sin(2*PI*" +
               std::to_string(hz) + "*t):s=44100:d=40:c=stereo\" ";
    };
    const std::string picture = "-f lavfi -i testsrc2=size=320x240:rate=25:duration=40 ";
    return {
        bench::media("soak-1.wav", tone(220) + "-c:a pcm_s16le"),
        bench::media("soak-2-cbr.mp3", tone(247) + "-c:a libmp3lame -b:a 192k"),
        bench::media("soak-3-vbr.mp3", tone(262) + "-c:a libmp3lame -q:a 2"),
        bench::media("soak-4.m4a", tone(294) + "-c:a aac -b:a 160k"),
        bench::media("soak-5.wma", tone(330) + "-c:a wmav2 -b:a 128k"),
        bench::media("soak-6.mp4", picture + tone(349) + "-c:v libx264 -preset ultrafast -c:a aac"),
        bench::media("soak-7.avi", picture + tone(392) + "-c:v mpeg4 -c:a libmp3lame"),
        bench::media("soak-8.mov", picture + tone(440) + "-c:v libx264 -preset ultrafast -c:a aac"),
        bench::media("soak-9.mpg", picture + tone(494) + "-c:v mpeg2video -c:a mp2"),
    };
}

struct Tally {
    uint64_t opened = 0, refused = 0, closed = 0, seeks = 0, pauses = 0, speeds = 0, retriggers = 0;
};

// One deck: plays its playlist in order, and now and then changes speed, seeks or pauses.
class Deck {
  public:
    Deck(engine::MixerEngine& engine, std::vector<std::string> files, unsigned seed, Tally& tally)
        : engine_(engine), files_(std::move(files)), random_(seed), tally_(tally) {}

    // Called every 100 ms of the set.
    void tick(int step) {
        if (!open_ || (engine_.mode(device_) == engine::Mode::Stopped && !paused_)) {
            next();
            return;
        }
        if (paused_ && --pauseTicks_ <= 0) {
            engine_.resume(device_);
            paused_ = false;
        }
        engine_.setLevels(device_, 1000 - (step % 20) * 25, 600 + (step % 40) * 10);
        const int roll = static_cast<int>(random_() % 1000);
        if (roll < 20) {
            engine_.setSpeed(device_, 900 + static_cast<int32_t>(random_() % 201));
            ++tally_.speeds;
        } else if (roll < 27) {
            const int64_t length = engine_.lengthMs(device_);
            const int64_t at = static_cast<int64_t>(random_() % static_cast<uint64_t>(length));
            engine_.seek(device_, at);
            engine_.play(device_, at, length);
            ++tally_.seeks;
        } else if (roll < 32 && !paused_) {
            engine_.pause(device_);
            paused_ = true;
            pauseTicks_ = 10;
            ++tally_.pauses;
        }
    }

    void close() {
        if (open_) {
            engine_.close(device_);
            ++tally_.closed;
            open_ = false;
        }
    }

  private:
    void next() {
        close();
        const auto result = engine_.open(files_[track_++ % files_.size()], 0);
        if (result.error != engine::OpenError::None) {
            ++tally_.refused;
            return;
        }
        ++tally_.opened;
        open_ = true;
        paused_ = false;
        device_ = result.device;
        engine_.setSpeed(device_, 1000);
        engine_.play(device_, 0, engine_.lengthMs(device_));
    }

    engine::MixerEngine& engine_;
    const std::vector<std::string> files_;
    std::mt19937 random_;
    Tally& tally_;
    engine::DeviceId device_ = 0;
    bool open_ = false;
    bool paused_ = false;
    int pauseTicks_ = 0;
    size_t track_ = 0;
};

double minutesSince(Clock::time_point start) {
    return std::chrono::duration<double, std::ratio<60>>(Clock::now() - start).count();
}

// Resident memory once a minute, in kB.
struct MemorySample {
    double minute;
    long rssKb;
};

// Least-squares slope of resident memory after the first minute, in MB an hour: the set
// opens and closes files all the time, so single samples swing by megabytes either way.
double growthMbPerHour(const std::vector<MemorySample>& samples) {
    if (samples.size() < 3) {
        return std::nan("");  // too short a set to tell
    }
    double meanX = 0, meanY = 0;
    for (const MemorySample& s : samples) {
        meanX += s.minute / static_cast<double>(samples.size());
        meanY += static_cast<double>(s.rssKb) / static_cast<double>(samples.size());
    }
    double covariance = 0, variance = 0;
    for (const MemorySample& s : samples) {
        covariance += (s.minute - meanX) * (static_cast<double>(s.rssKb) - meanY);
        variance += (s.minute - meanX) * (s.minute - meanX);
    }
    return covariance / variance * 60 / 1024;
}

unsigned long long ull(uint64_t n) {
    return static_cast<unsigned long long>(n);
}

void printMinute(const MemorySample& memory, const engine::SoundGaps& gaps,
                 const SoakOutput& output, const Tally& tally) {
    std::printf(
        "%5.1f min: RSS %ld kB, threads %ld, dropouts %llu, late starts %llu, longest "
        "callback %.0f us, opened %llu, closed %llu\n",
        memory.minute, memory.rssKb, procStatus("Threads"), ull(gaps.dropouts),
        ull(gaps.lateStarts), output.durations().longestUs(), ull(tally.opened), ull(tally.closed));
    std::fflush(stdout);
}

// Per-minute memory samples, from the first minute on.
std::vector<MemorySample> playTheSet(int minutes, engine::MixerEngine& engine, Deck& deckA,
                                     Deck& deckB, engine::DeviceId shot, const SoakOutput& output,
                                     Tally& tally) {
    std::vector<MemorySample> memory;
    const auto start = Clock::now();
    for (int step = 0; minutesSince(start) < minutes; ++step) {
        deckA.tick(step);
        deckB.tick(step);
        if (step % 30 == 0) {
            engine.play(shot, 0, engine.lengthMs(shot));
            ++tally.retriggers;
        }
        if (step > 0 && step % 600 == 0) {
            memory.push_back({minutesSince(start), procStatus("VmRSS")});
            printMinute(memory.back(), engine.gaps(), output, tally);
        }
        std::this_thread::sleep_until(start + std::chrono::milliseconds(100) * (step + 1));
    }
    return memory;
}

void printDurations(const char* label, const bench::DurationHistogram& histogram) {
    const double quarter = SoakOutput::periodUs() / 4;
    std::printf(
        "%s: %llu periods, median %.0f us, 99.99 %% %.0f us, longest %.0f us = %.1f %% of the "
        "%.0f us period, over 25 %%: %llu\n",
        label, ull(histogram.count()), histogram.quantileUs(0.5), histogram.quantileUs(0.9999),
        histogram.longestUs(), 100 * histogram.longestUs() / SoakOutput::periodUs(),
        SoakOutput::periodUs(), ull(histogram.countOverUs(quarter)));
}

}  // namespace

int main(int argc, char** argv) {
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    std::vector<std::string> files = playlist();
    const std::string sample = bench::sampleWav();
    std::vector<std::string> reversed(files.rbegin(), files.rend());

    auto watched = std::make_unique<SoakOutput>();
    const SoakOutput& output = *watched;
    engine::MixerEngine engine(std::move(watched));
    const bench::StandInCallback standIn(
        output.lastNs(), std::chrono::nanoseconds(kPeriod * 1'000'000'000LL / kRate));
    Tally tally;
    Deck deckA(engine, files, 1, tally);
    Deck deckB(engine, reversed, 2, tally);
    const engine::DeviceId shot = engine.open(sample, 0).device;

    const long rssStart = procStatus("VmRSS");
    const long threadsStart = procStatus("Threads");
    std::printf("soak: %d minutes, %zu files a deck, sample every 3 s; RSS at start %ld kB\n",
                minutes, files.size(), rssStart);
    const auto start = Clock::now();
    const std::vector<MemorySample> memory =
        playTheSet(minutes, engine, deckA, deckB, shot, output, tally);
    deckA.close();
    deckB.close();
    engine.close(shot);
    const double ran = minutesSince(start);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // fade-outs finish
    const long rssEnd = procStatus("VmRSS");
    const engine::SoundGaps gaps = engine.gaps();
    engine.stopOutput();

    const double growth = growthMbPerHour(memory);
    const long rssAfterMinute = memory.empty() ? -1 : memory.front().rssKb;
    std::printf("ran %.1f min\n", ran);
    std::printf(
        "RSS: start %ld kB, after 1 min %ld kB, end %ld kB; growth after the first minute by "
        "the trend of the per-minute samples %.2f MB/hour (goal < 1)\n",
        rssStart, rssAfterMinute, rssEnd, growth);
    std::printf("threads: start %ld, end %ld (decks closed)\n", threadsStart,
                procStatus("Threads"));
    std::printf(
        "underruns: %llu dropouts (goal 0), %llu late starts (a play's first sound not "
        "decoded one period after the command)\n",
        ull(gaps.dropouts), ull(gaps.lateStarts));
    printDurations("callbacks", output.durations());
    printDurations("stand-in (no engine work; time the machine took beyond its spin)",
                   standIn.stalls());
    std::printf(
        "devices: opened %llu (+1 sample), refused %llu, closed %llu (+1 sample); seeks "
        "%llu, pauses %llu, speed changes %llu, sample retriggers %llu\n",
        ull(tally.opened), ull(tally.refused), ull(tally.closed), ull(tally.seeks),
        ull(tally.pauses), ull(tally.speeds), ull(tally.retriggers));
    const double longestShare = 100 * output.durations().longestUs() / SoakOutput::periodUs();
    const bool met = growth < 1 && gaps.dropouts == 0 && longestShare < 25;
    std::printf("goals %s\n", met ? "met" : "NOT met");
    return 0;
}
