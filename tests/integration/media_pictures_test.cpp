// Pictures and MIDI through `Media` over the real platform and engine, in real time: a
// video opened with a window as parent shows in it where `PlaceVideoWindow` puts it, and
// a MIDI file plays with its exact length.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "engine/memory_window.h"
#include "engine/test_media.h"
#include "media/Media.h"

namespace {

using enginetest::MemoryHost;

TEST(MediaPictures, AVideoShowsWherePlaceVideoWindowPutsIt) {
    MemoryHost host;
    EXPECT_EQ(Media::OpenMedia(host.handle(), "v", enginetest::countedVideo(), "MPEGVideo"),
              "Success");
    EXPECT_EQ(Media::PlayMedia("v", "", ""), "Success");
    // A size of 0 takes the parent's outer rectangle.
    EXPECT_EQ(Media::PlaceVideoWindow(host.handle(), "v", 0, 0, 0, 0), "Success");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Media::PauseMedia("v");
    const int expected = Media::GetPosition("v") / static_cast<int>(enginetest::kCountedFrameMs);
    const auto seen = host.waitUntil(
        [&](const auto& s) { return enginetest::countedFrameNumber(s.frame.get()) == expected; });
    EXPECT_EQ(enginetest::countedFrameNumber(seen.frame.get()), expected);
    EXPECT_EQ(seen.place.right, 640);
    EXPECT_EQ(seen.place.bottom, 480);
    Media::CloseMedia("v");
    EXPECT_FALSE(host.seen().exists);
}

TEST(MediaPictures, AMidiFilePlaysWithItsExactLength) {
    EXPECT_EQ(Media::OpenMedia(0, "m", enginetest::midiSong(), "MPEGVideo"), "Success");
    EXPECT_EQ(Media::GetLengthFrames("m"), enginetest::kMidiSongMs);
    EXPECT_EQ(Media::PlayMedia("m", "", ""), "Success");
    EXPECT_EQ(Media::GetMediaMode("m"), "playing");
    Media::CloseMedia("m");
}

}  // namespace
