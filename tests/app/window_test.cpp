// The control model as created, start-up, shut-down and the credit line.

#include <gtest/gtest.h>

#include "decks_test.h"

namespace {

using app::Axis;

class Window : public DecksTest {};

TEST(Layout, VerticalKnobsAreHeldInTrackUnits) {
    const app::Controls controls = app::BuildControls();
    struct Case {
        const char* name;
        const app::Control& knob;
        float size, top;
    };
    const Case cases[] = {
        {"volume", controls.lblVolume[1], 7.4436f, 0.0f},
        {"sample volume", controls.lblSampleVolume, 8.4615f, 0.0f},
        {"speed", controls.lblSpeed[0], 13.5338f, 960.0f * 200.0f / 1995.0f},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(c.knob.Height, c.size, 1e-4) << c.name;
        EXPECT_NEAR(c.knob.Top, c.top, 1e-3) << c.name;
        EXPECT_FLOAT_EQ(c.knob.Width, 495.0f) << c.name;  // across the axis: twips
    }
    EXPECT_NEAR(controls.lblCrossfade.Width, 5.5665f, 1e-4);
    EXPECT_NEAR(controls.lblProgress[0].Width, 135.0f * 200.0f / 2595.0f, 1e-4);
    EXPECT_FLOAT_EQ(controls.lblProgress[0].Height, 255.0f);
}

TEST(Layout, ASeekBarsKnobKeepsItsPhysicalSizeAndPlaceWhenTheScaleChanges) {
    app::Controls controls = app::BuildControls();
    controls.lblProgress[0].Left = 50.0f;
    app::SetTrackScale(controls.picProgress[0], controls.lblProgress[0], Axis::Horizontal, 300.0f);
    EXPECT_FLOAT_EQ(controls.picProgress[0].ScaleWidth, 300.0f);
    EXPECT_NEAR(controls.lblProgress[0].Width, 135.0f * 300.0f / 2595.0f, 1e-4);
    EXPECT_FLOAT_EQ(controls.lblProgress[0].Left, 75.0f);
    EXPECT_THROW(app::SetTrackScale(controls.picProgress[0], controls.lblProgress[0],
                                    Axis::Horizontal, 0.0f),
                 std::invalid_argument);
}

TEST_F(Window, StartUpSetsScalesStartValuesAndListsTheExistingSamplesFolder) {
    EXPECT_TRUE(platform().createdFolders.empty());
    EXPECT_EQ(folders.listed, std::vector<std::string>{"/opt/rotavox/samples"});
    EXPECT_EQ(controls.file1.Path, "/opt/rotavox/samples");
    EXPECT_FLOAT_EQ(controls.lblSpeed[0].Top, 100.0f);
    EXPECT_FLOAT_EQ(controls.lblSpeed[1].Top, 100.0f);
    EXPECT_FLOAT_EQ(controls.picCrossfade.ScaleWidth, 107.0f);
    EXPECT_EQ(state.sampleVolume, 100);
    EXPECT_EQ(state.totalTimeB, "0:00");
    EXPECT_TRUE(platform().sent.empty());  // no device is opened
}

TEST_F(Window, StartUpCreatesAMissingSamplesFolderAndFailsWhenItCannot) {
    fake::ResetPlatform();
    folders.files = {};
    decks.Form_Load();
    EXPECT_EQ(platform().createdFolders, std::vector<std::string>{"/opt/rotavox/samples"});
    EXPECT_TRUE(decks.controls.file1.List.empty());

    fake::ResetPlatform();
    platform().addFile("/opt/rotavox/samples");  // a file named like the folder
    EXPECT_THROW(decks.Form_Load(), app::StartupFailure);
}

TEST_F(Window, ShutDownStopsThenClosesAllThreeDevices) {
    decks.Form_Unload();
    EXPECT_EQ(sent(), (Commands{"Stop a", "Stop b", "Stop c", "Close a", "Close b", "Close c"}));
}

TEST_F(Window, TheCreditLineOpensTheMakersPageOncePerClick) {
    decks.lblCopyright_Click();
    decks.lblCopyright_Click();
    ASSERT_EQ(platform().shellCalls.size(), 2u);
    EXPECT_EQ(platform().shellCalls[0].file, app::kMakerAddress);
    EXPECT_EQ(platform().shellCalls[0].verb, "Open");
    EXPECT_EQ(platform().shellCalls[0].owner, kMainWindow);
}

}  // namespace
