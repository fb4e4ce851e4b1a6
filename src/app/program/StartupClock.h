// KURVIMAT_START_NS=<CLOCK_MONOTONIC ns>, taken by whoever starts a program just before exec:
// writes "startup_ms=..." to stderr once the window's first frame is on the screen. Header
// only, so that bench/startup_floor times a bare window exactly as the program is timed.
// KURVIMAT_QUIT_AFTER_FIRST_FRAME=1 ends the program with status 0 at that moment, after
// writing "first_frame" to stderr: the package test's proof that an installed program starts.
#pragma once

#include <QApplication>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <ctime>

class StartupClock : public QObject {
public:
    /// Does nothing unless KURVIMAT_START_NS holds a number or KURVIMAT_QUIT_AFTER_FIRST_FRAME
    /// is set.
    static void Install(QWidget& window) {
        bool timed = false;
        const qint64 start = qEnvironmentVariable("KURVIMAT_START_NS").toLongLong(&timed);
        const bool quit = !qEnvironmentVariableIsEmpty("KURVIMAT_QUIT_AFTER_FIRST_FRAME");
        if (timed || quit) qApp->installEventFilter(new StartupClock(timed, start, quit, window));
    }

private:
    StartupClock(bool timed, qint64 start, bool quit, QWidget& window)
        : QObject(&window), Timed(timed), Start(start), Quit(quit), Window(window) {}

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
        if (Timed) {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            const qint64 ns = qint64(now.tv_sec) * 1000000000 + now.tv_nsec - Start;
            std::fprintf(stderr, "startup_ms=%.1f\n", double(ns) / 1e6);
        }
        if (Quit) std::fputs("first_frame\n", stderr);
        std::fflush(stderr);
        qApp->removeEventFilter(this);
        if (Quit) QCoreApplication::exit(0);
        deleteLater();
    }

    bool Timed;
    qint64 Start;
    bool Quit;
    QWidget& Window;
    bool Queued = false;
};
