// A long set: two decks play through playlists of every playable kind of file on the
// real-time null output, with speed changes, seeks, pauses, level sweeps and a sample
// retriggered every few seconds, for N minutes (first argument, default 60). Every minute
// it prints a line; at the end the figures against the goals: resident memory growth
// after the first minute under 1 MB an hour, no underrun, longest callback under 25 % of
// the period.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench_media.h"
#include "engine/mixer_engine.h"
#include "watched_null_output.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 48000;
constexpr size_t kPeriod = 256;

// Times every callback of an inner null output; keeps only the longest and two counts,
// so a run of hours needs no storage.
class SoakOutput final : public bench::WatchedNullOutput {
  public:
    SoakOutput() : WatchedNullOutput(kRate, kPeriod) {}

    double longestUs() const { return longestNs_.load(std::memory_order_relaxed) / 1e3; }
    double longestCpuUs() const { return longestCpuNs_.load(std::memory_order_relaxed) / 1e3; }
    uint64_t callbacks() const { return callbacks_.load(std::memory_order_relaxed); }
    uint64_t overQuarter() const { return overQuarter_.load(std::memory_order_relaxed); }
    static double periodUs() { return kPeriod * 1e6 / kRate; }

  private:
    static int64_t threadCpuNs() {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
    }
    // Only this thread writes: plain load-and-store, no read-modify-write needed.
    static void raise(std::atomic<int64_t>& longest, int64_t ns) {
        if (ns > longest.load(std::memory_order_relaxed)) {
            longest.store(ns, std::memory_order_relaxed);
        }
    }
    static void count(std::atomic<uint64_t>& counter) {
        counter.store(counter.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    }

    // Wall time includes waiting for the core; thread CPU time is the callback's own work.
    void renderPeriod(float* out, size_t frames, bool waitForData) noexcept override {
        const auto start = Clock::now();
        const int64_t cpuStart = threadCpuNs();
        engineCallback().renderPeriod(out, frames, waitForData);
        raise(longestCpuNs_, threadCpuNs() - cpuStart);
        const int64_t ns =
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
        raise(longestNs_, ns);
        if (static_cast<double>(ns) / 1e3 > periodUs() / 4) {
            count(overQuarter_);
        }
        count(callbacks_);
    }

    std::atomic<int64_t> longestNs_{0};
    std::atomic<int64_t> longestCpuNs_{0};
    std::atomic<uint64_t> callbacks_{0};
    std::atomic<uint64_t> overQuarter_{0};
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

}  // namespace

int main(int argc, char** argv) {
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    std::vector<std::string> files = playlist();
    const std::string sample = bench::sampleWav();
    std::vector<std::string> reversed(files.rbegin(), files.rend());

    auto watched = std::make_unique<SoakOutput>();
    SoakOutput* output = watched.get();
    engine::MixerEngine engine(std::move(watched));
    Tally tally;
    Deck deckA(engine, files, 1, tally);
    Deck deckB(engine, reversed, 2, tally);
    const engine::DeviceId shot = engine.open(sample, 0).device;

    const long rssStart = procStatus("VmRSS");
    const long threadsStart = procStatus("Threads");
    long rssAfterMinute = -1;
    const auto start = Clock::now();
    std::printf("soak: %d minutes, %zu files a deck, sample every 3 s; RSS at start %ld kB\n",
                minutes, files.size(), rssStart);
    for (int step = 0; minutesSince(start) < minutes; ++step) {
        deckA.tick(step);
        deckB.tick(step);
        if (step % 30 == 0) {
            engine.play(shot, 0, engine.lengthMs(shot));
            ++tally.retriggers;
        }
        if (step > 0 && step % 600 == 0) {
            const long rss = procStatus("VmRSS");
            if (rssAfterMinute < 0) {
                rssAfterMinute = rss;
            }
            const engine::SoundGaps gaps = engine.gaps();
            std::printf(
                "%5.1f min: RSS %ld kB, threads %ld, dropouts %llu, late starts %llu, "
                "longest callback %.0f us (CPU %.0f us), opened %llu, closed %llu\n",
                minutesSince(start), rss, procStatus("Threads"),
                static_cast<unsigned long long>(gaps.dropouts),
                static_cast<unsigned long long>(gaps.lateStarts), output->longestUs(),
                output->longestCpuUs(), static_cast<unsigned long long>(tally.opened),
                static_cast<unsigned long long>(tally.closed));
            std::fflush(stdout);
        }
        std::this_thread::sleep_until(start + std::chrono::milliseconds(100) * (step + 1));
    }
    deckA.close();
    deckB.close();
    engine.close(shot);
    const double ran = minutesSince(start);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // fade-outs finish
    const long rssEnd = procStatus("VmRSS");
    const engine::SoundGaps gaps = engine.gaps();
    engine.stopOutput();

    const double growthPerHour =
        rssAfterMinute < 0 || ran <= 1 ? 0 : (rssEnd - rssAfterMinute) * 60.0 / (ran - 1) / 1024;
    const double longestShare = 100 * output->longestUs() / SoakOutput::periodUs();
    std::printf("ran %.1f min\n", ran);
    std::printf(
        "RSS: start %ld kB, after 1 min %ld kB, end %ld kB; growth after the first "
        "minute %.2f MB/hour (goal < 1)\n",
        rssStart, rssAfterMinute, rssEnd, growthPerHour);
    std::printf("threads: start %ld, end %ld (decks closed)\n", threadsStart,
                procStatus("Threads"));
    std::printf(
        "underruns: %llu dropouts (goal 0), %llu late starts (a play's first sound not "
        "decoded one period after the command)\n",
        static_cast<unsigned long long>(gaps.dropouts),
        static_cast<unsigned long long>(gaps.lateStarts));
    std::printf(
        "callbacks: %llu, longest %.0f us = %.1f %% of the %.0f us period (goal < 25 %%), "
        "over 25 %%: %llu; longest in thread CPU time %.0f us\n",
        static_cast<unsigned long long>(output->callbacks()), output->longestUs(), longestShare,
        SoakOutput::periodUs(), static_cast<unsigned long long>(output->overQuarter()),
        output->longestCpuUs());
    std::printf(
        "devices: opened %llu (+1 sample), refused %llu, closed %llu (+1 sample); seeks "
        "%llu, pauses %llu, speed changes %llu, sample retriggers %llu\n",
        static_cast<unsigned long long>(tally.opened),
        static_cast<unsigned long long>(tally.refused),
        static_cast<unsigned long long>(tally.closed), static_cast<unsigned long long>(tally.seeks),
        static_cast<unsigned long long>(tally.pauses),
        static_cast<unsigned long long>(tally.speeds),
        static_cast<unsigned long long>(tally.retriggers));
    const bool met = growthPerHour < 1 && gaps.dropouts == 0 && longestShare < 25;
    std::printf("goals %s\n", met ? "met" : "NOT met");
    return 0;
}
