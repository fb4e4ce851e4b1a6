#include "Program.h"

#include "MainInstrument.h"
#include "TApplication.h"
#include "TFormMain.h"
#include "TFormSignale.h"

#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>
#include <QWindow>

#include <cstdio>
#include <ctime>
#include <memory>

namespace {
// KURVIMAT_SCREENSHOT=<file.png> saves a picture of the main window after
// KURVIMAT_SCREENSHOT_MS (default 3000) ms and ends the program: pictures for the documentation
// without a screen.
void ScheduleScreenshot(TFormMain& main) {
    const QString path = qEnvironmentVariable("KURVIMAT_SCREENSHOT");
    if (path.isEmpty()) return;
    bool ok = false;
    int delay = qEnvironmentVariableIntValue("KURVIMAT_SCREENSHOT_MS", &ok);
    if (!ok || delay < 0) delay = 3000;
    QTimer::singleShot(delay, &main, [&main, path] {
        const bool saved = main.grab().save(path);
        if (!saved) qWarning("Could not write %s", qPrintable(path));
        QCoreApplication::exit(saved ? 0 : 1);
    });
}

// KURVIMAT_START_NS=<CLOCK_MONOTONIC ns>, taken by whoever starts the program just before exec:
// writes "startup_ms=..." to stderr once the main window's first frame is on the screen.
class StartupClock : public QObject {
public:
    static void Install(QWidget& main) {
        bool ok = false;
        const qint64 start = qEnvironmentVariable("KURVIMAT_START_NS").toLongLong(&ok);
        if (ok) qApp->installEventFilter(new StartupClock(start, main));
    }

private:
    StartupClock(qint64 start, QWidget& main) : QObject(&main), Start(start), Main(main) {}

    // The main window's own paint is skipped (its panels cover it), so the frame is taken
    // from its native window: an expose paints and flushes the widgets within the event,
    // so a call queued behind it runs once the frame has gone to the screen.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && !Queued && watched == Main.windowHandle() &&
            Main.windowHandle()->isExposed()) {
            Queued = true;
            QMetaObject::invokeMethod(this, [this] { Report(); }, Qt::QueuedConnection);
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
    QWidget& Main;
    bool Queued = false;
};
} // namespace

bool InstallToolkitGerman(QTranslator& translator) {
    // German whatever the user's locale: every text of the program is German.
    if (!translator.load(QStringLiteral("qtbase_de"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&translator);
}

int RunKurvimat(int argc, char** argv,
                const std::function<std::shared_ptr<HidPlatform>()>& makePlatform) {
    TApplication app(argc, argv);
    QTranslator toolkitGerman;
    if (!InstallToolkitGerman(toolkitGerman))
        qWarning("Qt's German translation (qtbase_de.qm) is missing: dialogs show English texts");
    // On the heap: the window carries the measurement store (about 1.6 MB), more than some
    // platforms' main-thread stack.
    const auto window = std::make_unique<TFormMain>();
    TFormMain& main = *window;
    TFormSignale signale;
    ConnectSignalEditor(main, signale);
    TInstrumentLink link(main, makePlatform());
    StartupClock::Install(main);
    main.show();
    ScheduleScreenshot(main);
    const int code = app.exec();
    // The controller unplugs its devices through the main window's handlers.
    link.Shutdown();
    return code;
}
