// The recording of the master output, read back with FFmpeg against what the offline output
// played: across a pause, a seek and a track change; with a writer that falls behind; with a
// disk that fills.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "engine/null_output.h"
#include "temp_folder.h"
#include "test_media.h"

namespace enginetest {
namespace {

constexpr size_t kRate = 48000;
constexpr float kFlacStep = 1.0f / 8388608;  // one step of 24 bits

std::vector<float>& append(std::vector<float>& to, const std::vector<float>& more) {
    to.insert(to.end(), more.begin(), more.end());
    return to;
}

// The largest difference between a decoded recording and what was played, held below
// `ceiling` (where the file's format tops out), over the length of both.
float largestDifference(const std::vector<float>& recorded, const std::vector<float>& played,
                        float ceiling) {
    float largest = 0;
    for (size_t i = 0; i < std::min(recorded.size(), played.size()); ++i) {
        largest = std::max(largest, std::fabs(recorded[i] - std::min(played[i], ceiling)));
    }
    return largest;
}

std::string loudTone(double frequency) {
    const std::string name = "loud" + std::to_string(static_cast<int>(frequency)) + ".wav";
    return makeMedia(name, toneInput(frequency, 0.8, 3, kRate) + " -c:a pcm_f32le");
}

struct Format {
    const char* extension;
    float tolerance;  // of the decoded file against the output
    float ceiling;    // the largest sample the file holds
};
void PrintTo(const Format& format, std::ostream* out) {
    *out << format.extension;
}

class RecordedFile : public ::testing::TestWithParam<Format> {};

// Two loud decks together also bring the limiter in: the file holds the limited sound.
TEST_P(RecordedFile, HoldsWhatTheOutputPlayedAcrossPauseSeekAndTrackChange) {
    TempFolder folder("recording");
    const std::string path = (folder.path() / "set").string() + GetParam().extension;
    OfflineRig rig;
    engine::MixerEngine& mixer = *rig.engine;
    const auto a = mixer.open(loudTone(440), 0).device;
    mixer.play(a, 0, 3000);
    rig.render(kRate / 5);  // before the recording: not in it
    ASSERT_EQ(mixer.startRecording(path), "");
    std::vector<float> played = rig.render(kRate / 2);
    mixer.pause(a);
    append(played, rig.render(kRate * 3 / 10));
    mixer.resume(a);
    append(played, rig.render(kRate / 5));
    mixer.seek(a, 2000);  // as the seek bar does: a seek, then play from there
    mixer.play(a, 2000, 3000);
    append(played, rig.render(kRate / 5));
    const auto b = mixer.open(loudTone(660), 0).device;
    mixer.play(b, 0, 3000);
    append(played, rig.render(kRate * 4 / 10));
    mixer.close(a);
    append(played, rig.render(kRate * 4 / 10));
    const engine::RecordingStatus status = mixer.stopRecording();

    EXPECT_EQ(status.failure, "");
    EXPECT_EQ(status.gaps, 0u);
    EXPECT_EQ(status.frames, played.size() / 2);
    const std::vector<float> recorded = ffmpegDecode(path);
    ASSERT_EQ(recorded.size(), played.size());
    EXPECT_LE(largestDifference(recorded, played, GetParam().ceiling), GetParam().tolerance);
}

INSTANTIATE_TEST_SUITE_P(Formats, RecordedFile,
                         ::testing::Values(Format{".flac", kFlacStep / 2, 1 - kFlacStep},
                                           Format{".wav", 0.0f, 1.0f}),
                         [](const auto& format) {
                             return std::string(format.param.extension + 1);
                         });

TEST(RecordingRefusals, SayWhyAndChangeNothing) {
    TempFolder folder("recording");
    OfflineRig rig;
    engine::MixerEngine& mixer = *rig.engine;
    const std::string missingFolder = (folder.path() / "gone" / "set.flac").string();
    EXPECT_NE(mixer.startRecording(missingFolder), "");
    EXPECT_NE(mixer.startRecording((folder.path() / "set.mp3").string()), "");
    EXPECT_FALSE(mixer.recording().recording);
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));

    const std::string first = (folder.path() / "first.wav").string();
    ASSERT_EQ(mixer.startRecording(first), "");
    rig.render(kRate / 10);
    EXPECT_NE(mixer.startRecording((folder.path() / "second.wav").string()), "");
    rig.render(kRate / 10);
    EXPECT_TRUE(mixer.recording().recording);
    EXPECT_EQ(mixer.stopRecording().path, first);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "second.wav"));
    EXPECT_EQ(ffmpegDecode(first).size(), 2 * (kRate / 5));

    const std::string upperCase = (folder.path() / "Set.FLAC").string();  // as typed
    ASSERT_EQ(mixer.startRecording(upperCase), "");
    rig.render(kRate / 10);
    EXPECT_EQ(mixer.stopRecording().path, upperCase);
    EXPECT_EQ(ffmpegDecode(upperCase).size(), 2 * (kRate / 10));
}

// On a real-time output, recordings started and stopped while the callback runs on its own
// thread (ThreadSanitizer runs this): each file holds the time it ran, without gaps.
TEST(RecordingWriter, StartsAndStopsWhileTheCallbackRuns) {
    TempFolder folder("recording");
    engine::MixerEngine mixer(std::make_unique<engine::NullOutput>(kRate, 256));
    const auto deck = mixer.open(wav48(), 0).device;
    mixer.play(deck, 0, 3000);
    for (int take = 0; take < 4; ++take) {
        const std::string path = (folder.path() / ("take" + std::to_string(take) + ".wav"));
        ASSERT_EQ(mixer.startRecording(path), "");
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        const engine::RecordingStatus status = mixer.stopRecording();
        EXPECT_EQ(status.gaps, 0u);
        EXPECT_GT(status.frames, 0u);
        EXPECT_EQ(ffmpegDecode(path).size(), 2 * status.frames);
    }
}

// A picture of one colour, 0xFFRRGGBB.
std::shared_ptr<const windowing::VideoFrame> plain(uint32_t colour) {
    auto picture = std::make_shared<windowing::VideoFrame>();
    picture->width = 64;
    picture->height = 36;
    picture->pixels.assign(64 * 36, colour);
    return picture;
}

// The red of each picture of a video file, from its middle.
std::vector<int> redOfEachPicture(const std::string& path) {
    const std::string raw = path + ".rgb";
    std::vector<int> reds;
    if (!run("ffmpeg -nostdin -v error -i '" + path + "' -map 0:v -s 16x8 -f rawvideo " +
             "-pix_fmt rgb24 '" + raw + "'")) {
        ADD_FAILURE() << "ffmpeg could not decode the pictures of " << path;
        return reds;
    }
    std::ifstream in(raw, std::ios::binary);
    std::vector<char> picture(16 * 8 * 3);
    while (in.read(picture.data(), static_cast<std::streamsize>(picture.size()))) {
        reds.push_back(static_cast<unsigned char>(picture[3 * (4 * 16 + 8)]));
    }
    return reds;
}

// An .mkv takes the pictures at the sound frame they came with: red for the first half
// second, blue for the second, each picture the one shown by the middle of its time.
TEST(RecordedVideo, PicturesKeepStepWithTheSound) {
    TempFolder folder("recording");
    const std::string path = (folder.path() / "set.mkv").string();
    OfflineRig rig;
    engine::MixerEngine& mixer = *rig.engine;
    const auto deck = mixer.open(wav48(), 0).device;
    mixer.play(deck, 0, 3000);
    ASSERT_EQ(mixer.startRecording(path), "");
    mixer.recordPicture(plain(0xFFFF0000));
    std::vector<float> played = rig.render(kRate / 2);
    mixer.recordPicture(plain(0xFF0000FF));
    append(played, rig.render(kRate / 2));
    EXPECT_EQ(mixer.stopRecording().failure, "");

    const std::vector<float> recorded = ffmpegDecode(path);
    ASSERT_EQ(recorded.size(), played.size());
    EXPECT_LE(largestDifference(recorded, played, 1 - kFlacStep), kFlacStep / 2);
    const std::vector<int> reds = redOfEachPicture(path);
    ASSERT_EQ(reds.size(), 25u);  // a second at 25 a second
    for (size_t n = 0; n < reds.size(); ++n) {
        EXPECT_EQ(reds[n] > 128, n < 12) << "picture " << n << ", red " << reds[n];
    }
}

// `recorded` is `played` with frames [start, start + frames) silent.
bool isPlayedWithGap(const std::vector<float>& recorded, const std::vector<float>& played,
                     size_t start, size_t frames) {
    for (size_t i = 0; i < played.size(); ++i) {
        const bool inGap = i >= 2 * start && i < 2 * (start + frames);
        if (recorded[i] != (inGap ? 0.0f : played[i])) {
            return false;
        }
    }
    return true;
}

// A write hook that holds the writer until released.
struct HeldWriter {
    void wait() {
        std::unique_lock lock(mutex);
        released.wait(lock, [this] { return free; });
    }
    void release() {
        std::lock_guard lock(mutex);
        free = true;
        released.notify_all();
    }
    std::mutex mutex;
    std::condition_variable released;
    bool free = false;
};

TEST(RecordingWriter, FallingBehindLeavesACountedGapOfSilenceInTheFileAndNoneInTheOutput) {
    TempFolder folder("recording");
    const std::string path = (folder.path() / "set.wav").string();
    const std::string tone = makeMedia("long1k.wav", toneInput(1000, 0.5, 9, kRate));
    OfflineRig rig;
    engine::MixerEngine& mixer = *rig.engine;
    const auto deck = mixer.open(tone, 0).device;
    mixer.play(deck, 0, 9000);
    HeldWriter writer;
    ASSERT_EQ(mixer.startRecording(path, [&writer] { writer.wait(); }), "");
    std::vector<float> played = rig.render(kRate * 13 / 2);  // beyond the ring's 5.5 s
    writer.release();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the writer catches up
    append(played, rig.render(kRate));
    const engine::RecordingStatus status = mixer.stopRecording();

    // The output: the tone's peak in every 10 ms.
    for (size_t from = 0; from + 480 <= played.size() / 2; from += 480) {
        float peak = 0;
        for (size_t i = 2 * from; i < 2 * (from + 480); ++i) {
            peak = std::max(peak, std::fabs(played[i]));
        }
        ASSERT_GT(peak, 0.49f) << "at frame " << from;
    }
    EXPECT_EQ(status.gaps, 1u);
    ASSERT_GT(status.lostFrames, 0u);
    const std::vector<float> recorded = ffmpegDecode(path);
    ASSERT_EQ(recorded.size(), played.size());  // the file keeps the output's time
    size_t differs = 0;
    while (differs < played.size() && recorded[differs] == played[differs]) {
        ++differs;
    }
    // The gap begins at the first difference, or up to a period of the tone before it where
    // the output happened to be silent too.
    const size_t firstDifference = differs / 2;
    bool found = false;
    for (size_t start = firstDifference; start + 48 >= firstDifference && !found; --start) {
        found = isPlayedWithGap(recorded, played, start, status.lostFrames);
    }
    EXPECT_TRUE(found) << "no gap of " << status.lostFrames << " frames near " << firstDifference;
}

// The file may grow to this size; beyond it a write fails as on a full disk.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &before_);
        const rlimit limited{bytes, before_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limited);
        signalBefore_ = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &before_);
        std::signal(SIGXFSZ, signalBefore_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit before_{};
    void (*signalBefore_)(int) = nullptr;
};

TEST(RecordingWriter, AFullDiskStopsTheRecordingAndLeavesAFileThatDecodes) {
    TempFolder folder("recording");
    const std::string path = (folder.path() / "set.flac").string();
    // Noise: FLAC makes little of a tone.
    const std::string noise =
        makeMedia("noise.wav", "-f lavfi -i anoisesrc=d=9:r=48000:a=0.3 -ac 2 -c:a pcm_f32le");
    OfflineRig rig;
    engine::MixerEngine& mixer = *rig.engine;
    const auto deck = mixer.open(noise, 0).device;
    mixer.play(deck, 0, 9000);
    std::vector<float> played;
    {
        const FileSizeLimit limit(256 * 1024);
        ASSERT_EQ(mixer.startRecording(path), "");
        for (int step = 0; step < 80 && mixer.recording().failure.empty(); ++step) {
            append(played, rig.render(kRate / 10));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    // Stopped on its own, before it was told to.
    const engine::RecordingStatus status = mixer.recording();
    EXPECT_NE(status.failure, "");
    EXPECT_FALSE(status.recording);
    mixer.stopRecording();
    const std::vector<float> recorded = ffmpegDecode(path);
    ASSERT_GT(recorded.size(), 2 * kRate);  // a second at least
    ASSERT_LT(recorded.size(), played.size());
    EXPECT_LE(largestDifference(recorded, played, 1 - kFlacStep), kFlacStep / 2);
}

}  // namespace
}  // namespace enginetest
