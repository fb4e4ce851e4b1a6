// KURVIMAT_START_NS=<CLOCK_MONOTONIC ns>, taken by whoever starts a program just before exec:
// writes "startup_ms=..." to stderr once the window's first frame is on the screen. Header
// only, so that bench/startup_floor times a bare window exactly as the program is timed.
#pragma once

#include <QApplication>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <ctime>

class StartupClock : public QObject {
public:
    /// Does nothing unless the variable holds a number.
    static void Install(QWidget& window) {
        bool ok = false;
        const qint64 start = qEnvironmentVariable("KURVIMAT_START_NS").toLongLong(&ok);
        if (ok) qApp->installEventFilter(new StartupClock(start, window));
    }

private:
    StartupClock(qint64 start, QWidget& window) : QObject(&window), Start(start), Window(window) {}

    // A main window's own paint is skipped when its panels cover it, so the frame is taken
    // from its native window: an expose paints and flushes the widgets within the event, so a
    // call queued behind it runs once the frame has gone to the screen.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && !Queued && watched == Window.windowHandle() &&
            Window.windowHandle()->isExposed()) {
            Queued = true;
            QMetaObject::invokeMethod(
                this, [this] { Report(); }, Qt::QueuedConnection);
        }
        return false;
    }

    void Report() {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const qint64 ns = qint64(now.tv_sec) * 1000000000 + now.tv_nsec - Start;
        std::fprintf(stderr, "startup_ms=%.1f\n", double(ns) / 1e6);
        std::fflush(stderr);
        qApp->removeEventFilter(this);
        deleteLater();
    }

    qint64 Start;
    QWidget& Window;
    bool Queued = false;
};
