// A network mount that stops answering while a deck plays from it: closing the deck and
// opening the next file return at once, though the deck's reader is held in a read; it is
// freed once the mount answers again. Where FUSE cannot mount, skipped.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

#include "engine/null_output.h"
#include "slow_mount/mirror.h"
#include "test_media.h"

namespace enginetest {
namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

TEST(StalledMount, ClosingADeckHeldInAReadOfItReturnsAtOnce) {
    const std::string folder = mediaFolder() + "/shared";
    std::filesystem::create_directories(folder);
    const std::string song = folder + "/minute.wav";
    ASSERT_TRUE(
        run("ffmpeg -nostdin -y -v error " + toneInput(440, 0.5, 60, 48000) + " '" + song + "'"));
    const slowmount::Mirror mount(folder, 0);
    if (!mount.mounted()) {
        GTEST_SKIP() << "FUSE cannot mount here";
    }
    // In real time: the callback never waits for the reader, as in the program.
    engine::MixerEngine mixer(std::make_unique<engine::NullOutput>(48000, 256));
    const engine::OpenResult deck = mixer.open(mount.mirror(song), 0);
    ASSERT_EQ(deck.error, engine::OpenError::None);
    mixer.play(deck.device, 0, 60000);
    // Its index was built by reading the whole file: what was read must not be at hand.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const int file = ::open(mount.mirror(song).c_str(), O_RDONLY);
    ASSERT_GE(file, 0);
    posix_fadvise(file, 0, 0, POSIX_FADV_DONTNEED);
    ::close(file);
    mount.stall();
    mixer.seek(deck.device, 40000);  // its reader goes to read there, and is held
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // Should the reader be waited for, the mount answers again after 3 s: a slow close, not
    // a test that hangs.
    std::promise<void> measured;
    std::thread server([&mount, done = measured.get_future()] {
        done.wait_for(std::chrono::seconds(3));
        mount.answer();
    });

    auto start = Clock::now();
    mixer.close(deck.device);
    const double closeMs = msSince(start);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // faded out and handed back
    start = Clock::now();
    const engine::OpenResult next = mixer.open(wav48(), 0);  // where closed ones are freed
    const double nextOpenMs = msSince(start);
    measured.set_value();
    EXPECT_EQ(next.error, engine::OpenError::None);
    EXPECT_LT(closeMs, 1000) << "the close waited for the stalled mount";
    EXPECT_LT(nextOpenMs, 1000) << "the next open waited for the stalled mount";
    server.join();
}

}  // namespace
}  // namespace enginetest
