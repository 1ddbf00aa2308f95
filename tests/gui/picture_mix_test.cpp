// The projector's mix arithmetic: the decks' weights follow the crossfader as their sound
// does, and a picture fitted into an area keeps its shape, centred.

#include <gtest/gtest.h>

#include "gui/picture_mix.h"

namespace {

TEST(PictureWeights, FollowTheCrossfadersShareOfEachDeck) {
    const auto expect = [](float left, float deck0, float deck1) {
        const gui::DeckWeights weights = gui::PictureWeights(left);
        EXPECT_FLOAT_EQ(weights.deck0, deck0) << "crossfader at " << left;
        EXPECT_FLOAT_EQ(weights.deck1, deck1) << "crossfader at " << left;
    };
    expect(0.0f, 1.0f, 0.0f);
    expect(25.0f, 0.75f, 0.25f);
    expect(50.0f, 0.5f, 0.5f);
    expect(100.0f, 0.0f, 1.0f);
    expect(104.0f, 0.0f, 1.0f);
}

TEST(Letterbox, KeepsThePicturesShapeCentredInTheArea) {
    const auto expect = [](int w, int h, int aw, int ah, gui::FitRect want) {
        const gui::FitRect fit = gui::Letterbox(w, h, aw, ah);
        EXPECT_EQ(fit.x, want.x) << w << "x" << h << " in " << aw << "x" << ah;
        EXPECT_EQ(fit.y, want.y) << w << "x" << h << " in " << aw << "x" << ah;
        EXPECT_EQ(fit.width, want.width) << w << "x" << h << " in " << aw << "x" << ah;
        EXPECT_EQ(fit.height, want.height) << w << "x" << h << " in " << aw << "x" << ah;
    };
    expect(1920, 1080, 1920, 1080, {0, 0, 1920, 1080});  // the same shape fills it
    expect(640, 480, 1920, 1080, {240, 0, 1440, 1080});  // narrower: bars left and right
    expect(1920, 800, 1280, 768, {0, 117, 1280, 533});   // wider: bars above and below
    expect(320, 240, 177, 137, {0, 2, 177, 133});        // smaller areas too, rounded
    expect(0, 240, 177, 137, {0, 0, 0, 0});              // no shape, nothing
}

}  // namespace
