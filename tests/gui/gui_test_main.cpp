// The widgets need an application object: off screen on two screens (a main one and the
// projector's) unless a display is asked for. Settings go to a folder of the run's own.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

int main(int argc, char* argv[]) {
    const QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        QFile screens(home.filePath("screens.json"));
        if (screens.open(QIODevice::WriteOnly)) {
            screens.write(R"({"screens": [
                {"name": "Main", "x": 0, "y": 0, "width": 800, "height": 800},
                {"name": "Projector", "x": 800, "y": 0, "width": 640, "height": 360}]})");
            screens.close();
        }
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens.fileName()));
    }
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
