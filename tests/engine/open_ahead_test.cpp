// Files read before their open: one reading per file however often it is asked for, every
// waiter told once it has answered, and a device opened from what was read sounds exactly
// like one opened directly.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <future>

#include "engine/open_ahead.h"
#include "test_media.h"

namespace enginetest {
namespace {

using namespace std::chrono_literals;

TEST(OpenAhead, OneReadingPerFileAnswersEveryWaiterAndIsTakenOnce) {
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    std::atomic<int> reads{0};
    engine::OpenAhead ahead([&](const std::string&) {
        ++reads;
        released.wait();
        return engine::ReadFile::Failed(engine::OpenError::InvalidFile);
    });
    std::atomic<int> answers{0};
    EXPECT_FALSE(ahead.start("slow.mp3", 1ms, [&answers] { ++answers; }));
    EXPECT_FALSE(ahead.start("slow.mp3", 1ms, [&answers] { ++answers; }));
    EXPECT_FALSE(ahead.take("slow.mp3")) << "taken before it was read";
    release.set_value();
    EXPECT_TRUE(ahead.start("slow.mp3", 10s, [] { ADD_FAILURE() << "answered twice"; }));
    const std::optional<engine::ReadFile> file = ahead.take("slow.mp3");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->error, engine::OpenError::InvalidFile);
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(answers, 2);
    EXPECT_FALSE(ahead.take("slow.mp3")) << "taken twice";
}

std::vector<float> playedFromStart(OfflineRig& rig, engine::DeviceId device) {
    rig.engine->play(device, 0, rig.engine->lengthMs(device));
    std::vector<float> played = rig.render(48000);
    rig.engine->close(device);
    rig.render(4800);  // its fade-out, before the next device plays
    return played;
}

TEST(OpenAhead, ADeviceOpenedFromAReadingPlaysAsOneOpenedDirectly) {
    OfflineRig rig;
    for (const std::string& path : {mp3Vbr(), mp4Video()}) {
        const engine::OpenResult direct = rig.engine->open(path, 0);
        ASSERT_EQ(direct.error, engine::OpenError::None) << path;
        const int64_t length = rig.engine->lengthMs(direct.device);
        const std::vector<float> played = playedFromStart(rig, direct.device);

        // A copy that is gone by the time it opens: only what was read can play.
        const std::string copy = mediaFolder() + "/read ahead" + path.substr(path.rfind('.'));
        std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
        std::promise<void> answered;
        if (!rig.engine->readAhead(copy, 0ms, [&answered] { answered.set_value(); })) {
            answered.get_future().wait();
        }
        std::filesystem::remove(copy);
        const engine::OpenResult ahead = rig.engine->open(copy, 0);
        ASSERT_EQ(ahead.error, engine::OpenError::None) << path;
        EXPECT_EQ(rig.engine->lengthMs(ahead.device), length) << path;
        EXPECT_EQ(playedFromStart(rig, ahead.device), played) << path;
    }
    const std::string missing = mediaFolder() + "/not there.mp3";
    EXPECT_TRUE(rig.engine->readAhead(missing, 10s, [] {}));
    EXPECT_EQ(rig.engine->open(missing, 0).error, engine::OpenError::FileNotFound);
}

}  // namespace
}  // namespace enginetest
