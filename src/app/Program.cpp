#include "Program.h"

#include "ClassViewShare.h"
#include "Language.h"
#include "MainInstrument.h"
#include "StartupClock.h"
#include "TApplication.h"
#include "TFormMain.h"
#include "TFormSignale.h"

#include <QTimer>
#include <QTranslator>

#include <memory>

using namespace kurvimat::hid;

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
} // namespace

int RunKurvimat(int argc, char** argv,
                const std::function<std::shared_ptr<HidPlatform>()>& makePlatform) {
    TApplication app(argc, argv);
    QTranslator toolkit, program;
    const Language language = SystemLanguage();
    if (!InstallLanguage(language, toolkit, program))
        qWarning(language == Language::German
                     ? "Qt's German translation (qtbase_de.qm) is missing: dialogs show English texts"
                     : "The English translation is missing: the window shows German texts");
    // On the heap: the window carries the measurement store (about 1.6 MB), more than some
    // platforms' main-thread stack.
    const auto window = std::make_unique<TFormMain>();
    TFormMain& main = *window;
    TFormSignale signale;
    ConnectSignalEditor(main, signale);
    TInstrumentLink link(main, makePlatform());
    StartupClock::Install(main);
    main.show();
    QTimer::singleShot(0, &main, [&main] { main.StartSession(QCoreApplication::arguments()); });
    if (QCoreApplication::arguments().contains(QStringLiteral("--share")))
        QTimer::singleShot(0, &main, [&main] { ShareFromCommandLine(main); });
    ScheduleScreenshot(main);
    const int code = app.exec();
    // The controller unplugs its devices through the main window's handlers.
    link.Shutdown();
    return code;
}
