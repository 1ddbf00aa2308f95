// Pictures of counted-frame videos in an in-memory window: the frame shown follows the
// device's clock through play, pause, seek and speed; `put` places and scales; a picture
// nothing placed shows only while its device plays or is paused; sound-only files, cover
// art and parents that name no window make no picture.

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <thread>

#include "memory_window.h"
#include "test_media.h"

namespace enginetest {
namespace {

using engine::Mode;

constexpr int kRate = 48000;

int numberShown(const MemoryHost::Seen& seen) {
    return countedFrameNumber(seen.frame.get());
}

// The counted frame's number from the luma plane of a decoded picture.
int numberTapped(const windowing::DecodedPicture& picture) {
    int number = 0;
    const uint8_t* row = picture.planes[0] + picture.height / 2 * picture.strides[0];
    for (int bit = 0; bit < 8; ++bit) {
        number |= row[(2 * bit + 1) * picture.width / 16] > 128 ? 1 << bit : 0;
    }
    return number;
}

class Video : public ::testing::Test {
  protected:
    engine::DeviceId openOk(const std::string& path) {
        const auto result = rig.engine->open(path, host.handle());
        EXPECT_EQ(result.error, engine::OpenError::None) << path;
        return result.device;
    }
    int frameAtClock(engine::DeviceId deck) const {
        return static_cast<int>(rig.engine->positionMs(deck) / kCountedFrameMs);
    }
    // The frame the picture settles on, once it shows the one the clock says (or gives up).
    int settledFrame(engine::DeviceId deck) const {
        const int expected = frameAtClock(deck);
        return numberShown(
            host.waitUntil([&](const auto& s) { return numberShown(s) == expected; }));
    }
    void place(engine::DeviceId deck) { rig.engine->placeVideo(deck, 0, 0, 128, 16); }

    MemoryHost host;  // outlives the engine
    OfflineRig rig{kRate, 256};
};

TEST_F(Video, PlayShowsTheFrameTheClockHasReached) {
    const auto deck = openOk(countedVideo());
    rig.engine->play(deck, 0, rig.engine->lengthMs(deck));
    rig.render(kRate);
    EXPECT_NEAR(settledFrame(deck), frameAtClock(deck), 1);
    rig.render(kRate * 3 / 4);
    EXPECT_NEAR(settledFrame(deck), frameAtClock(deck), 1);
}

TEST_F(Video, PauseKeepsThePausedFrame) {
    const auto deck = openOk(countedVideo());
    rig.engine->play(deck, 0, rig.engine->lengthMs(deck));
    rig.render(kRate * 7 / 10);
    rig.engine->pause(deck);
    rig.render(kRate / 2);
    EXPECT_EQ(rig.engine->mode(deck), Mode::Paused);
    EXPECT_NEAR(settledFrame(deck), 17, 1);  // about 695 ms
}

// The presenter wakes 50 times a second; paused, it must not scale and send the same frame
// again each time.
TEST_F(Video, APausedPictureIsNotSentItsFrameAgainAndAgain) {
    const auto deck = openOk(countedVideo());
    place(deck);
    rig.engine->play(deck, 0, rig.engine->lengthMs(deck));
    rig.render(kRate / 2);
    rig.engine->pause(deck);
    ASSERT_EQ(settledFrame(deck), frameAtClock(deck));
    const int shows = host.seen().shows;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_LE(host.seen().shows - shows, 2);
}

TEST_F(Video, ASeekShowsTheExactFrameAtTheTargetNotTheKeyFrameBefore) {
    const auto deck = openOk(countedVideo());
    place(deck);
    for (const auto& [target, frame] : {std::pair{1230, 30}, std::pair{2970, 74}, {410, 10}}) {
        rig.engine->seek(deck, target);
        EXPECT_EQ(settledFrame(deck), frame) << "seek to " << target;
    }
    rig.engine->play(deck, 410, rig.engine->lengthMs(deck));
    rig.render(kRate / 2);
    EXPECT_NEAR(settledFrame(deck), frameAtClock(deck), 1);
}

TEST_F(Video, SpeedMovesThePictureWithTheSound) {
    const auto deck = openOk(countedVideo());
    rig.engine->setSpeed(deck, 1500);
    rig.engine->play(deck, 0, rig.engine->lengthMs(deck));
    rig.render(kRate);
    EXPECT_GT(rig.engine->positionMs(deck), 1400);
    EXPECT_NEAR(settledFrame(deck), frameAtClock(deck), 1);
}

TEST_F(Video, AVideoWithoutSoundAdvancesByTheClock) {
    const auto deck = openOk(countedVideoOnly());
    EXPECT_EQ(rig.engine->lengthMs(deck), 4000);
    rig.engine->play(deck, 0, 4000);
    rig.render(kRate);
    EXPECT_NEAR(settledFrame(deck), 24, 1);
}

TEST_F(Video, PutPlacesAndScalesThePictureAndASizeOfZeroKeepsItsSize) {
    const auto deck = openOk(countedVideo());
    rig.engine->placeVideo(deck, 10, 20, 177, 137);
    rig.engine->play(deck, 0, rig.engine->lengthMs(deck));
    rig.render(kRate / 2);
    EXPECT_NEAR(settledFrame(deck), frameAtClock(deck), 1);
    const auto seen = host.seen();
    EXPECT_EQ(seen.place.left, 10);
    EXPECT_EQ(seen.place.bottom, 157);
    ASSERT_TRUE(seen.frame);
    EXPECT_EQ(seen.frame->width, 177);
    EXPECT_EQ(seen.frame->height, 137);
    EXPECT_EQ(seen.frame->pixels[0] >> 24, 0xFFu) << "opaque";
    rig.engine->placeVideo(deck, 5, 6, 0, 0);
    EXPECT_EQ(host.seen().place.right, 5 + 177);
    EXPECT_EQ(host.seen().place.bottom, 6 + 137);
}

// A video sample nothing places shows at its own size, and is taken away when it ends so
// that it does not cover the window.
TEST_F(Video, APictureNothingPlacedHasTheVideosSizeAndShowsOnlyWhilePlayingOrPaused) {
    const auto deck = openOk(countedVideo());
    const auto opened = host.seen();
    EXPECT_EQ(opened.place.left, 0);
    EXPECT_EQ(opened.place.right, 128);
    EXPECT_EQ(opened.place.bottom, 16);
    rig.render(kRate / 10);
    const auto stopped = host.waitUntil([](const auto& s) { return s.frame != nullptr; },
                                        std::chrono::milliseconds(100));
    EXPECT_FALSE(stopped.frame) << "shown while stopped before playing";
    rig.engine->play(deck, 0, rig.engine->lengthMs(deck));
    rig.render(kRate / 2);
    EXPECT_NEAR(settledFrame(deck), frameAtClock(deck), 1);
    rig.engine->pause(deck);
    EXPECT_NEAR(settledFrame(deck), frameAtClock(deck), 1);
    rig.engine->resume(deck);
    rig.render(kRate * 4);
    EXPECT_EQ(rig.engine->mode(deck), Mode::Stopped);
    EXPECT_FALSE(host.waitUntil([](const auto& s) { return s.frame == nullptr; }).frame)
        << "still shown after the end";
    EXPECT_TRUE(host.seen().exists);
    EXPECT_FALSE(rig.engine->frameTap(deck)->latest()) << "still offered after the end";
}

// Views beside the picture (the projector) read the frame it shows from the device's tap,
// at the size it was decoded, whatever size the picture has.
TEST_F(Video, TheFrameTapOffersTheShownFrameAtItsDecodedSize) {
    const auto deck = openOk(countedVideo());
    place(deck);
    const auto tap = rig.engine->frameTap(deck);
    ASSERT_TRUE(tap);
    for (const auto& [target, frame] : {std::pair{1230, 30}, std::pair{410, 10}}) {
        rig.engine->seek(deck, target);
        ASSERT_EQ(settledFrame(deck), frame) << "seek to " << target;
        const auto picture = tap->latest();
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->width, 128);
        EXPECT_EQ(picture->height, 16);
        EXPECT_EQ(picture->chromaWidth, 64);
        EXPECT_EQ(numberTapped(*picture), frame) << "seek to " << target;
    }
    rig.engine->close(deck);
    EXPECT_FALSE(rig.engine->frameTap(deck));
}

// While the projector covers the video area, its pictures are not scaled (the tap still
// offers every frame); uncovered, a paused deck's picture shows its frame at once.
TEST_F(Video, APictureNobodySeesGetsNoFramesAndSeenAgainShowsTheCurrentOne) {
    const auto deck = openOk(countedVideo());
    place(deck);
    host.setPictureSeen(false);
    const auto tap = rig.engine->frameTap(deck);
    rig.engine->play(deck, 0, rig.engine->lengthMs(deck));
    rig.render(kRate / 2);
    rig.engine->pause(deck);
    const int paused = frameAtClock(deck);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!(tap->latest() && numberTapped(*tap->latest()) == paused) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_TRUE(tap->latest());
    EXPECT_EQ(numberTapped(*tap->latest()), paused);
    EXPECT_EQ(host.seen().shows, 0);
    host.setPictureSeen(true);
    EXPECT_EQ(numberShown(host.waitUntil([&](const auto& s) { return numberShown(s) == paused; },
                                         std::chrono::milliseconds(500))),
              paused);
}

TEST_F(Video, APlacedPictureKeepsItsLastFrameAtTheEndAndGoesWithClose) {
    const auto deck = openOk(countedVideo());
    place(deck);
    rig.engine->play(deck, 0, rig.engine->lengthMs(deck));
    rig.render(kRate * 5);
    EXPECT_EQ(rig.engine->mode(deck), Mode::Stopped);
    EXPECT_EQ(numberShown(host.waitUntil([](const auto& s) { return numberShown(s) == 99; })), 99);
    rig.engine->close(deck);
    EXPECT_FALSE(host.seen().exists);
}

TEST_F(Video, SoundOnlyFilesAndParentsNamingNoWindowMakeNoPicture) {
    openOk(wav48());
    openOk(midiSong());
    EXPECT_EQ(host.seen().created, 0);
    const auto deck = rig.engine->open(countedVideo(), host.handle() + 1000).device;
    EXPECT_EQ(host.seen().created, 0);
    rig.engine->play(deck, 0, 1000);
    EXPECT_GT(rms(rig.render(kRate / 2), 0, kRate / 10, kRate / 2), 0.1) << "the sound plays";
}

// Pictures that start a second after the sound (camera files, DVD rips): each container
// with its own clock. The picture is the one for the sound's position, not a second ahead.
struct LateVideo {
    const char* container;
    const char* coding;
};
// ctest lists a case by its name, not its bytes.
void PrintTo(const LateVideo& c, std::ostream* os) {
    *os << c.container;
}

class LatePictures : public Video, public ::testing::WithParamInterface<LateVideo> {
  protected:
    std::string lateClip() {
        const LateVideo& kind = GetParam();
        return makeMedia(std::string("late-video.") + kind.container,
                         "-itsoffset 1 -i '" + countedVideoOnly() + "' " +
                             toneInput(1000, 0.5, 5, kRate) +
                             " -map 0:v -map 1:a -fps_mode passthrough " + kind.coding);
    }
};

constexpr int64_t kPictureDelayMs = 1000;

TEST_P(LatePictures, ShowTheFrameForTheSoundsPositionAfterPlayAndSeek) {
    const auto deck = openOk(lateClip());
    place(deck);
    // Within a frame: an MPEG stream's clock starts a few milliseconds off its sound's.
    const auto settlesNear = [&](int expected) {
        return numberShown(host.waitUntil(
            [&](const auto& s) { return std::abs(numberShown(s) - expected) <= 1; }));
    };
    rig.engine->play(deck, 0, rig.engine->lengthMs(deck));
    rig.render(kRate * 2);
    const int playing =
        static_cast<int>((rig.engine->positionMs(deck) - kPictureDelayMs) / kCountedFrameMs);
    EXPECT_NEAR(settlesNear(playing), playing, 1);
    rig.engine->pause(deck);
    rig.engine->seek(deck, 3000);
    EXPECT_NEAR(settlesNear(50), 50, 1);
}

INSTANTIATE_TEST_SUITE_P(Containers, LatePictures,
                         ::testing::Values(LateVideo{"mp4", "-c:v copy -c:a aac -aac_pns 0"},
                                           LateVideo{"mpg",
                                                     "-c:v mpeg2video -q:v 2 -g 50 -c:a mp2"},
                                           LateVideo{"mkv", "-c:v copy -c:a flac"}),
                         [](const ::testing::TestParamInfo<LateVideo>& clip) {
                             return std::string(clip.param.container);
                         });

// An mp3's cover art is a picture stream of one frame: neither a video to show nor a length.
TEST_F(Video, CoverArtIsNotAVideoStream) {
    const auto art =
        makeMedia("art.png", "-f lavfi -i color=red:size=64x64:duration=1 -frames:v 1");
    const auto withArt = makeMedia("art.mp3", "-i '" + mp3Cbr() + "' -i '" + art +
                                                  "' -map 0:a -map 1:v -c copy -id3v2_version 3 "
                                                  "-disposition:v attached_pic");
    const auto deck = openOk(withArt);
    EXPECT_EQ(rig.engine->lengthMs(deck), 3000);
    rig.engine->play(deck, 0, 3000);
    rig.render(kRate / 2);
    EXPECT_EQ(host.seen().created, 0);
}

}  // namespace
}  // namespace enginetest
