// The real widgets over the scripted platform: where they stand, what they draw, and
// what the user's clicks, drags, keys and drops do to the model and the commands sent.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QListWidget>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>

#include "app/decks_test.h"
#include "gui/command_line.h"
#include "gui/mixer_window.h"
#include "gui/model_geometry.h"
#include "gui/quit_signals.h"
#include "windowing/window_registry.h"

namespace {

const QColor kDarkBlue(0, 0, 64);
const QColor kYellow(255, 255, 0);
const QColor kLightBlue(192, 192, 255);

// A fresh scripted platform before the window exists.
struct FreshPlatform {
    FreshPlatform() {
        fake::ResetPlatform();
        fake::Platform().addFolder("/opt/rotavox/samples");
    }
};

class Window : public ::testing::Test, private FreshPlatform {
  protected:
    void SetUp() override {
        window.load();
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        fake::Platform().sent.clear();
    }

    template <typename W = QWidget>
    W& widget(const char* name) {
        W* found = window.findChild<W*>(name);
        EXPECT_NE(found, nullptr) << name;
        return *found;
    }
    // The client area of a picture box: where presses on a track land.
    QWidget& trackClient(const char* name) {
        return *widget(name).findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)[0];
    }
    QColor pixel(int x, int y) { return window.grab().toImage().pixelColor(x, y); }
    Commands sent() { return fake::Platform().commands(); }

    FakeDialog dialog;
    FakeFolders folders;
    int unloadedAfterCommands = -1;
    gui::MixerWindow window{dialog, folders,
                            [this] { unloadedAfterCommands = static_cast<int>(sent().size()); }};
    app::Controls& controls = window.decks().controls;
};

TEST_F(Window, EveryWidgetStandsWhereTheModelPutsIt) {
    EXPECT_EQ(window.size(), QSize(561, 457));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window.windowTitle(), "Rotavox");
    app::ForEachControl(controls, [this](app::Control& control) {
        const bool drawn = control.Visible && control.Kind != app::ControlKind::Window;
        QWidget* shown = window.findChild<QWidget*>(gui::WidgetName(control));
        EXPECT_EQ(shown != nullptr, drawn) << control.Name;
        if (shown != nullptr && control.Container.empty()) {
            EXPECT_EQ(shown->geometry(), QRect(control.Left / 15, control.Top / 15,
                                               control.Width / 15, control.Height / 15))
                << control.Name;
        }
    });
    // Knobs in their track's client area: volume at the top, speed in the middle.
    EXPECT_EQ(widget("lblVolume(0)").geometry(), QRect(0, 0, 33, 9));
    EXPECT_EQ(widget("lblSpeed(1)").geometry(), QRect(0, 67, 33, 9));
    EXPECT_EQ(widget("lblCrossfade").geometry(), QRect(0, 0, 9, 17));
}

TEST_F(Window, TheRenderedWindowShowsBackDiscsAndKnobs) {
    EXPECT_EQ(pixel(1, 1), kDarkBlue);
    EXPECT_EQ(pixel(280, 450), kDarkBlue);
    // Shape1: a 105-pixel circle centred in its 113 x 105 box at (40, 24).
    EXPECT_EQ(pixel(46, 76), kYellow);    // the left of its border
    EXPECT_EQ(pixel(96, 127), kYellow);   // the bottom of its border
    EXPECT_EQ(pixel(42, 76), kDarkBlue);  // outside the circle
    int faceOrHatch = 0;
    for (int x = 60; x < 68; ++x) {
        const QColor c = pixel(x, 100);
        faceOrHatch += (c == kLightBlue || c == kYellow) ? 1 : 0;
    }
    EXPECT_GE(faceOrHatch, 6);
    const QColor highlight = window.palette().color(QPalette::Highlight);
    EXPECT_EQ(pixel(172, 14), highlight);  // lblVolume(0), at the top of its track
    EXPECT_NE(pixel(172, 30), highlight);
}

TEST_F(Window, APressOnAVolumeTrackMovesItsKnobAndSendsTheVolumes) {
    // 66 of the track's 133 pixels are 54.59 of its 110 units; any button presses.
    QTest::mousePress(&trackClient("picVolume(0)"), Qt::RightButton, {}, QPoint(10, 66));
    QTest::mouseRelease(&trackClient("picVolume(0)"), Qt::RightButton, {}, QPoint(10, 66));
    EXPECT_NEAR(controls.lblVolume[0].Top, 54.59f, 0.01f);
    EXPECT_EQ(window.decks().state.volumeA, 45);
    EXPECT_EQ(sent(), (Commands{"setaudio a Volume to 450", "setaudio b Volume to 0"}));
    EXPECT_EQ(widget("lblVolume(0)").y(), 66);
}

TEST_F(Window, AKnobDraggedPastBothEndsStopsAtThem) {
    // Through the window, as the pointer goes: the knob of picVolume(1) is at (530, 10).
    QWindow* screen = window.windowHandle();
    QTest::mousePress(screen, Qt::LeftButton, {}, QPoint(540, 14));
    QTest::mouseMove(screen, QPoint(300, 450));  // over the other playlist, far below
    EXPECT_EQ(controls.lblVolume[1].Top, 100.0f);
    EXPECT_EQ(window.decks().state.volumeB, 0);
    QTest::mouseMove(screen, QPoint(540, 0));
    EXPECT_EQ(controls.lblVolume[1].Top, 0.0f);
    EXPECT_EQ(window.decks().state.draggingVolume, app::kTrue16);
    QTest::mouseRelease(screen, Qt::LeftButton, {}, QPoint(540, 0));
    const QWidget& knob = widget("lblVolume(1)");
    EXPECT_EQ(window.decks().state.draggingVolume, app::kFalse16);
    EXPECT_EQ(knob.y(), 0);
    const Commands commands = sent();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "setaudio b Volume to 0"),
              commands.end());
    EXPECT_EQ(commands.back(), "setaudio b Volume to 0");  // crossfader at the far left
}

TEST_F(Window, ADoubleClickOnASpeedTrackOrKnobGivesNormalSpeedBack) {
    QTest::mouseClick(&trackClient("picSpeed(1)"), Qt::LeftButton, {}, QPoint(10, 20));
    ASSERT_NE(controls.lblSpeed[1].Top, 100.0f);
    QTest::mouseDClick(&trackClient("picSpeed(1)"), Qt::LeftButton, {}, QPoint(10, 30));
    EXPECT_EQ(controls.lblSpeed[1].Top, 100.0f);
    EXPECT_EQ(sent().back(), "set b speed 1000");

    // The knob: the double-click's press begins a drag, which the double-click ends.
    QTest::mouseClick(&trackClient("picSpeed(0)"), Qt::LeftButton, {}, QPoint(10, 120));
    QWidget& knob = widget("lblSpeed(0)");
    QTest::mouseClick(&knob, Qt::LeftButton, {}, QPoint(5, 4));
    QMouseEvent second(QEvent::MouseButtonDblClick, QPointF(5, 4), knob.mapToGlobal(QPointF(5, 4)),
                       Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(&knob, &second);
    QMouseEvent held(QEvent::MouseMove, QPointF(5, 40), knob.mapToGlobal(QPointF(5, 40)),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(&knob, &held);
    EXPECT_EQ(controls.lblSpeed[0].Top, 100.0f);
    EXPECT_EQ(sent().back(), "set a speed 1000");
}

class Playlists : public Window {
  protected:
    // As the toolkit delivers a drop: the drag enters, then lets go.
    void drop(QWidget& target, QMimeData& data) {
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&target, &enter);
        QDropEvent release(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&target, &release);
    }
    QListWidget& playlist() { return widget<QListWidget>("lstPlaylist(0)"); }
};

TEST_F(Playlists, DroppedFilesJoinThePlaylistInTheirOrderAndEnterStartsOne) {
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/music/one.mp3"), QUrl("https://example.com/web.mp3"),
                   QUrl::fromLocalFile("/music/two songs.wav"),
                   QUrl::fromLocalFile("/music/drei – ü.mp3")});
    drop(*playlist().viewport(), files);
    EXPECT_EQ(controls.lstPlaylist[0].List,
              (std::vector<std::string>{"one", "two songs", "drei – ü"}));
    EXPECT_EQ(controls.lstPlayListPath[0].List,
              (std::vector<std::string>{"/music/one.mp3", "/music/two songs.wav",
                                        "/music/drei – ü.mp3"}));
    ASSERT_EQ(playlist().count(), 3);
    EXPECT_EQ(playlist().item(2)->text(), QString::fromUtf8("drei – ü"));

    QMimeData text;
    text.setText("just words");
    drop(*playlist().viewport(), text);
    EXPECT_EQ(controls.lstPlaylist[0].List.size(), 3u);

    fake::Platform().addFile("/music/two songs.wav");
    QTest::mouseClick(playlist().viewport(), Qt::LeftButton, {},
                      playlist().visualItemRect(playlist().item(1)).center());
    EXPECT_EQ(controls.lstPlaylist[0].ListIndex, 1);
    for (Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter}) {
        fake::Platform().sent.clear();
        QTest::keyClick(&playlist(), enter, Qt::ShiftModifier);
        ASSERT_FALSE(sent().empty());
        EXPECT_EQ(sent()[0], "Close a");
        EXPECT_EQ(sent()[1].rfind("open ", 0), 0u) << sent()[1];
    }
}

// A file on a slow mount: its load waits for it while the window goes on, runs once it has
// answered (from another thread, as the media service answers), and is dropped when another
// load reached the deck first.
TEST_F(Playlists, ALoadWaitsForASlowFileWithoutTheWindowAndALaterLoadComesFirst) {
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/net/Far - One.mp3"),
                   QUrl::fromLocalFile("/net/Far - Two.mp3"),
                   QUrl::fromLocalFile("/music/Near.mp3")});
    drop(*playlist().viewport(), files);
    for (const char* path : {"/net/Far - One.mp3", "/net/Far - Two.mp3", "/music/Near.mp3"}) {
        fake::Platform().addFile(path);
    }
    const auto startRow = [this](int row) {
        QTest::mouseDClick(playlist().viewport(), Qt::LeftButton, {},
                           playlist().visualItemRect(playlist().item(row)).center());
    };
    const auto answerFromAnotherThread = [](const std::string& path) {
        std::thread([path] { fake::Platform().answerFile(path); }).join();
        QCoreApplication::processEvents();
    };
    const std::string before = controls.lblTrack[0].Caption;
    fake::Platform().makeSlow("/net/Far - One.mp3");
    fake::Platform().sent.clear();
    startRow(0);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(controls.lblTrack[0].Caption, before);
    startRow(2);  // the slow file's load must not come after this one
    fake::Platform().makeSlow("/net/Far - Two.mp3");
    startRow(1);
    answerFromAnotherThread("/net/Far - One.mp3");
    EXPECT_EQ(controls.lblTrack[0].Caption, "Unknown - Near");

    fake::Platform().sent.clear();
    answerFromAnotherThread("/net/Far - Two.mp3");
    ASSERT_GE(sent().size(), 2u);
    EXPECT_EQ(sent()[0], "Close a");
    EXPECT_EQ(sent()[1].rfind("open /net/Far - Two.mp3 ", 0), 0u) << sent()[1];
    EXPECT_EQ(controls.lblTrack[0].Caption, "Far  - Two");
}

TEST_F(Playlists, TheDownKeyMovesTheSelectionAndTheModelFollows) {
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/music/one.mp3"), QUrl::fromLocalFile("/music/two.mp3"),
                   QUrl::fromLocalFile("/music/three.mp3")});
    drop(*playlist().viewport(), files);
    ASSERT_EQ(playlist().count(), 3);
    QTest::mouseClick(playlist().viewport(), Qt::LeftButton, {},
                      playlist().visualItemRect(playlist().item(0)).center());
    for (int row : {1, 2}) {
        QTest::keyClick(&playlist(), Qt::Key_Down);
        EXPECT_EQ(playlist().currentRow(), row);
        EXPECT_EQ(controls.lstPlaylist[0].ListIndex, row);
    }
}

TEST_F(Window, ACheckBoxClickTicksTheModelAndSendsTheVolumes) {
    auto& box = widget<QCheckBox>("chkRight");
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(box.width() - 8, box.height() / 2));
    EXPECT_EQ(controls.chkRight.Value, 1);
    EXPECT_TRUE(box.isChecked());
    EXPECT_EQ(sent(), (Commands{"setaudio a Volume to 1000", "setaudio b right Volume to 1000",
                                "setaudio b left Volume to 0"}));
}

// A picture in the main window (a video sample's, at its own size) shows fitted in the
// video area over the decks' pictures, not over the controls; clicks pass through.
TEST_F(Window, PicturesShowTheNewestFrameInTheVideoAreaAndLetClicksThrough) {
    const auto pictureIn = [](int32_t parent) {
        std::unique_ptr<windowing::Picture> picture;
        windowing::WithWindowHost(
            parent, [&picture](windowing::WindowHost& h) { picture = h.createPicture(); });
        return picture;
    };
    const auto frame = [](uint32_t colour) {
        auto made = std::make_shared<windowing::VideoFrame>();
        made->width = made->height = 4;
        made->pixels.assign(16, colour);
        return made;
    };
    const std::unique_ptr<windowing::Picture> sample = pictureIn(controls.Decks.hWnd);
    ASSERT_TRUE(sample);
    sample->place(0, 0, 320, 240);
    std::thread decoder([&] {
        sample->show(frame(0xFFFF0000));
        sample->show(frame(0xFF00FF00));
    });
    decoder.join();
    const std::unique_ptr<windowing::Picture> deck = pictureIn(controls.picVideo.hWnd);
    deck->place(0, 0, 177, 137);
    deck->show(frame(0xFF0000FF));
    QCoreApplication::processEvents();
    EXPECT_EQ(pixel(280, 76), QColor(0, 255, 0)) << "the sample's newest frame, on top";
    EXPECT_EQ(pixel(280, 10), QColor(0, 0, 255)) << "the deck's picture above the sample's";
    EXPECT_NE(pixel(170, 30), QColor(0, 255, 0)) << "the sample's picture over the controls";

    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, QPoint(170, 76));
    EXPECT_NEAR(controls.lblVolume[0].Top, 55.0f, 0.5f);  // the track took the press
    windowing::Rect rect{};
    windowing::WithWindowHost(controls.picVideo.hWnd,
                              [&rect](windowing::WindowHost& h) { rect = h.outerRect(); });
    EXPECT_EQ(rect.right - rect.left, 177);
    EXPECT_EQ(rect.bottom - rect.top, 137);
}

TEST_F(Window, ClosingUnloadsBeforeTheMediaServiceStops) {
    window.close();
    const Commands unload = {"Stop a", "Stop b", "Stop c", "Close a", "Close b", "Close c"};
    EXPECT_EQ(sent(), unload);
    EXPECT_EQ(unloadedAfterCommands, 6);
}

// The first signal reaches the UI thread and the program lives on; a second one while it
// closes ends the program at once.
TEST(QuitSignalsDeathTest, TheFirstSignalClosesOnTheUiThreadASecondEndsAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const gui::QuitSignals quit([] { std::raise(SIGINT); });
            std::raise(SIGTERM);
            QCoreApplication::processEvents();
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGINT), "");
}

TEST_F(Window, FilesOnTheCommandLineJoinTheLeftPlaylistInOrder) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("rotavox-args-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    for (const char* name : {"b side.mp3", "a.wav", "notes"}) {
        std::ofstream(folder / name) << "x";
    }
    const QString in = QString::fromStdString(folder.string()) + "/";
    const gui::CommandLine command = gui::ReadCommandLine(
        {"rotavox", in + "b side.mp3", in + "missing.mp3", in + "notes", in + "a.wav"});
    window.openFiles(command.files);
    EXPECT_EQ(controls.lstPlaylist[0].List, (std::vector<std::string>{"b side", "a"}));
    EXPECT_EQ(
        controls.lstPlayListPath[0].List,
        (std::vector<std::string>{(folder / "b side.mp3").string(), (folder / "a.wav").string()}));
    EXPECT_TRUE(controls.lstPlaylist[1].List.empty());
    std::filesystem::remove_all(folder);
}

// --projector takes its screen after a space as after "=", but not a file to open, nor an
// option: alone, it means the remembered place.
TEST(CommandLine, TheProjectorsScreenFollowsASpaceUnlessItIsAFileOrAnOption) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("rotavox-song-" + std::to_string(::getpid()));
    std::ofstream(file) << "x";
    const QString song = QString::fromStdString(file.string());
    const auto read = [](const QStringList& arguments) {
        const gui::CommandLine command = gui::ReadCommandLine(QStringList{"rotavox"} + arguments);
        return std::tuple(command.projector, command.files.size(), command.verbose);
    };
    using Read = std::tuple<std::optional<std::string>, size_t, bool>;
    EXPECT_EQ(read({"--projector", "HDMI-1", song}), Read("HDMI-1", 1, false));
    EXPECT_EQ(read({"--projector=DP-2"}), Read("DP-2", 0, false));
    EXPECT_EQ(read({"--projector", song}), Read("", 1, false));
    EXPECT_EQ(read({"--projector", "--verbose"}), Read("", 0, true));
    EXPECT_EQ(read({song, "--projector"}), Read("", 1, false));
    EXPECT_EQ(read({}), Read(std::nullopt, 0, false));
    std::filesystem::remove(file);
}

}  // namespace
