// The floor for the program's start-up time: a bare Qt window with one label, started and
// timed as the program is (KURVIMAT_START_NS, "startup_ms=" on stderr at the first frame).
// bench/demo starts both alternately and prints the ratio.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QWindow>

#include <cstdio>
#include <ctime>

namespace {
class FirstFrame : public QObject {
public:
    FirstFrame(QWidget& window, qint64 start) : Window(window), Start(start) {}

private:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && !Queued && watched == Window.windowHandle() &&
            Window.windowHandle()->isExposed()) {
            Queued = true;
            QMetaObject::invokeMethod(this, [this] { Report(); }, Qt::QueuedConnection);
        }
        return false;
    }
    void Report() const {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const qint64 ns = qint64(now.tv_sec) * 1000000000 + now.tv_nsec - Start;
        std::fprintf(stderr, "startup_ms=%.1f\n", double(ns) / 1e6);
        std::fflush(stderr);
    }
    QWidget& Window;
    qint64 Start;
    bool Queued = false;
};
} // namespace

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
    bool ok = false;
    const qint64 start = qEnvironmentVariable("KURVIMAT_START_NS").toLongLong(&ok);
    FirstFrame frame(window, start);
    if (ok) app.installEventFilter(&frame);
    window.show();
    return app.exec();
}
