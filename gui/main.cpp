// Starts the mixer's window.

#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QLabel window("Rotavox");
    window.setWindowTitle("Rotavox");
    window.setFixedSize(561, 457);
    window.setAlignment(Qt::AlignCenter);
    window.show();
    return QApplication::exec();
}
