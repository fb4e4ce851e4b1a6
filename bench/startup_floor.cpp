// The floor for the program's start-up time: a bare Qt window with one label, started and
// timed as the program is (KURVIMAT_START_NS, "startup_ms=" on stderr at the first frame).
// bench/demo starts both alternately and prints the ratio.
#include "program/StartupClock.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    // The program's window size, font and background.
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    window.setFont(font);
    QPalette pal = window.palette();
    pal.setColor(QPalette::Window, Qt::white);
    window.setPalette(pal);
    window.setCentralWidget(new QLabel(QStringLiteral("Kurvimat"), &window));
    window.resize(1024, 715);
    StartupClock::Install(window);
    window.show();
    return app.exec();
}
