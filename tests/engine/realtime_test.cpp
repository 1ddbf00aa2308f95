// The real-time outputs: the clocked null output keeps true time, and the UI thread may
// drive devices while the callback runs on its own thread (ThreadSanitizer runs this).

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "engine/null_output.h"
#include "test_media.h"

namespace enginetest {
namespace {

using engine::Mode;
using Clock = std::chrono::steady_clock;

TEST(RealTime, NullOutputPositionsAdvanceInTrueTime) {
    engine::MixerEngine mixer(std::make_unique<engine::NullOutput>(48000, 256));
    const auto deck = mixer.open(wav48(), 0).device;
    mixer.play(deck, 0, 3000);
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const int64_t position = mixer.positionMs(deck);
    const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    // Behind by the no-blurt period and at most one more period; never ahead.
    EXPECT_LE(position, elapsed + 1);
    // A loaded machine (sanitizers, parallel tests) may starve the reader for a while.
    EXPECT_GE(position, elapsed - 250);
}

TEST(RealTime, ProcessEngineRunsWithoutASoundCard) {
    engine::MediaEngine& process = engine::ProcessEngine();
    const auto deck = process.open(wav48(), 0).device;
    process.play(deck, 0, 400);
    EXPECT_EQ(process.mode(deck), Mode::Playing);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_EQ(process.mode(deck), Mode::Stopped);
    EXPECT_EQ(process.positionMs(deck), 400);
    process.close(deck);
}

TEST(RealTime, CommandsWhileTheCallbackRuns) {
    engine::MixerEngine mixer(std::make_unique<engine::NullOutput>(48000, 256));
    engine::DeviceId decks[3];
    for (auto& deck : decks) {
        deck = mixer.open(mp3Cbr(), 0).device;
    }
    const auto end = Clock::now() + std::chrono::milliseconds(1500);
    int i = 0;
    while (Clock::now() < end) {
        const auto deck = decks[i % 3];
        switch (i % 9) {
            case 0:
                mixer.play(deck, i % 2000, 3000);
                break;
            case 1:
                mixer.setLevels(deck, i % 1001, 1000 - i % 1001);
                break;
            case 2:
                mixer.setSpeed(deck, 500 + i % 1500);
                break;
            case 3:
                mixer.pause(deck);
                break;
            case 4:
                mixer.resume(deck);
                break;
            case 5:
                mixer.seek(deck, (i * 37) % 3000);
                break;
            case 6:
                EXPECT_LE(mixer.positionMs(deck), mixer.lengthMs(deck));
                break;
            case 7:
                mixer.stop(deck);
                break;
            case 8:
                if (i % 45 == 8) {
                    mixer.close(deck);
                    decks[i % 3] = mixer.open(mp3Cbr(), 0).device;
                }
                break;
        }
        ++i;
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    for (auto deck : decks) {
        mixer.close(deck);
    }
}

}  // namespace
}  // namespace enginetest
