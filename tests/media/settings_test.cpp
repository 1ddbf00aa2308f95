#include "case_name.h"
#include "fakes/platform_test.h"
#include "media/Media.h"

namespace {

class Settings : public PlatformTest {};

struct VolumeCase {
    const char* channel;
    int32_t volume;
    const char* sent;  // "" when nothing may be sent
};

// Also the case's name.
void PrintTo(const VolumeCase& c, std::ostream* out) {
    *out << testnames::caseName(std::string(c.channel) + " at " + std::to_string(c.volume))
         << (std::string(c.sent).empty() ? "_is_refused" : "_is_sent");
}

class ChannelVolume : public Settings, public ::testing::WithParamInterface<VolumeCase> {};

TEST_P(ChannelVolume, SendsTheLevelTimesTenInA128CharacterField) {
    const VolumeCase& c = GetParam();
    const std::string result = Media::SetChannelVolume("a", c.channel, c.volume);
    if (std::string(c.sent).empty()) {
        EXPECT_EQ(result, "out of volume");
        EXPECT_TRUE(platform().sent.empty());
        return;
    }
    EXPECT_EQ(result, "Success");
    ASSERT_EQ(platform().sent.size(), 1u);
    EXPECT_EQ(platform().sent[0].text.size(), 128u);
    EXPECT_EQ(fake::Trimmed(platform().sent[0].text), c.sent);
}

INSTANTIATE_TEST_SUITE_P(Levels, ChannelVolume,
                         ::testing::Values(VolumeCase{"left", 50, "setaudio a left Volume to 500"},
                                           VolumeCase{"LEFT", 50, "setaudio a LEFT Volume to 500"},
                                           VolumeCase{"Right", 100,
                                                      "setaudio a Right Volume to 1000"},
                                           VolumeCase{"both", 0, "setaudio a Volume to 0"},
                                           VolumeCase{"centre", 30, "setaudio a Volume to 300"},
                                           VolumeCase{"left", -1, ""}, VolumeCase{"both", 101, ""}),
                         ::testing::PrintToStringParamName());

TEST_F(Settings, SpeedIsSentTimesTenWithoutRangeCheck) {
    Media::SetSpeed("b", 100);
    Media::SetSpeed("b", 0);
    Media::SetSpeed("b", -5);
    EXPECT_EQ(platform().commands(),
              (std::vector<std::string>{"set b speed 1000", "set b speed 0", "set b speed -50"}));
    EXPECT_EQ(platform().sent[0].text.size(), 128u);
}

TEST_F(Settings, SpeedThatOverflowsIsRefusedWithoutSending) {
    EXPECT_NE(Media::SetSpeed("b", 300000000), "Success");
    EXPECT_TRUE(platform().sent.empty());
}

TEST_F(Settings, VideoWindowTakesBothSidesFromTheWindowWhenEitherIsZero) {
    platform().windowRects[9] = {100, 50, 277, 187};
    Media::PlaceVideoWindow(9, "a", 0, 0, 0, 240);
    Media::PlaceVideoWindow(9, "a", 1, 2, 320, 240);
    EXPECT_EQ(platform().commands(), (std::vector<std::string>{"put a window at 0 0 177 137",
                                                               "put a window at 1 2 320 240"}));
    EXPECT_EQ(platform().sent[0].text, "put a window at 0 0 177 137");
}

}  // namespace
