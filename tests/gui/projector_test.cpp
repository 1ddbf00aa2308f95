// The projector's life beside a stand-in main window over two screens (see
// gui_test_main.cpp): the place chosen is kept for the next start, and the projector closes
// when its screen goes away, the video area showing its pictures again.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "gui/projector.h"
#include "gui/video_area_views.h"
#include "gui/video_picture.h"

namespace {

class ProjectorLife : public ::testing::Test {
  protected:
    void SetUp() override {
        if (QGuiApplication::screens().size() < 2) {
            GTEST_SKIP() << "needs two screens";
        }
        main.resize(320, 240);
        area.resize(177, 137);
        main.show();
    }
    // A projector as the program's next start makes it.
    std::unique_ptr<gui::Projector> newProjector() {
        return std::make_unique<gui::Projector>(main, views, [] { return gui::MixPictures{}; });
    }

    QWidget main;
    QWidget& area = *new QWidget(&main);  // owned by main
    gui::VideoAreaViews views{area};
    gui::VideoPicture deck{views.pictureLayer(), gui::VideoPicture::Placing::AsPlaced};
};

TEST_F(ProjectorLife, TheChosenPlaceIsKeptForTheNextStart) {
    QScreen* const mainScreen = main.screen();  // a choice the default would not make
    newProjector()->open(mainScreen->name());
    auto next = newProjector();
    next->open();
    EXPECT_EQ(next->screen(), mainScreen);
    next->open(QString());  // in a window
    next = newProjector();
    next->open();
    EXPECT_TRUE(next->isOpen());
    EXPECT_EQ(next->screen(), nullptr);
}

TEST_F(ProjectorLife, ItClosesWhenItsScreenGoesAwayAndTheAreaShowsItsPicturesAgain) {
    const auto projector = newProjector();
    projector->open(QGuiApplication::screens().at(1)->name());
    QScreen* const screen = projector->screen();
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(views.previewShown());
    EXPECT_FALSE(deck.seen()) << "the pictures under the preview would be scaled for nobody";
    emit qGuiApp->screenRemoved(screen);  // as Qt says when the projector is unplugged
    EXPECT_FALSE(projector->isOpen());
    EXPECT_FALSE(views.previewShown());
    EXPECT_TRUE(deck.seen());
}

}  // namespace
