#include "program/Program.h"

#include "dialogs/TFormSignale.h"
#include "help/Language.h"
#include "program/CommandLine.h"
#include "program/StartupClock.h"
#include "program/TApplication.h"
#include "window/ClassViewShare.h"
#include "window/MainInstrument.h"
#include "window/TFormMain.h"

#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QTranslator>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

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

// While the application object starts: Qt ends the program with a fatal message when no
// platform plugin starts (no display, or none reachable), after warnings of its own. Instead
// the user reads one line and the program ends with status 1; the warnings of a start that
// succeeds are passed on afterwards.
QByteArray NoDisplayLine;
QtMessageHandler OuterHandler = nullptr;
struct HeldMessage {
    QtMsgType type;
    QString text;
};
std::vector<HeldMessage> HeldMessages;

void WhileStarting(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg) {
        std::fputs(NoDisplayLine.constData(), stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (QByteArrayView(context.category ? context.category : "").startsWith("qt.qpa")) {
        HeldMessages.push_back({type, message});
        return;
    }
    OuterHandler(type, context, message);
}

std::unique_ptr<TApplication> StartApplication(int& argc, char** argv) {
    OuterHandler = qInstallMessageHandler(WhileStarting);
    auto app = std::make_unique<TApplication>(argc, argv);
    qInstallMessageHandler(OuterHandler);
    for (const HeldMessage& m : std::exchange(HeldMessages, {}))
        OuterHandler(m.type, QMessageLogContext(), m.text);
    return app;
}

// The application object's argc and argv: they must live as long as it does.
struct ToolkitArguments {
    std::vector<QByteArray> words;
    std::vector<char*> argv;
    int argc = 0;
};

ToolkitArguments& MakeToolkitArguments(const QStringList& arguments) {
    static ToolkitArguments held;
    held = {};
    for (const QString& a : arguments)
        held.words.push_back(QFile::encodeName(a));
    for (QByteArray& w : held.words)
        held.argv.push_back(w.data());
    held.argc = int(held.argv.size());
    held.argv.push_back(nullptr);
    return held;
}

// Calls then once the window's first frame has gone to the screen: an expose paints and
// flushes the widgets within its event, so a call queued behind it comes after the frame. A
// window not shown within a second (on another desktop, say) gets the call then.
class AfterFirstFrame : public QObject {
public:
    AfterFirstFrame(QWidget& window, std::function<void()> then)
        : QObject(&window), Window(window), Then(std::move(then)) {
        qApp->installEventFilter(this);
        QTimer::singleShot(1000, this, [this] { Call(); });
    }

private:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && watched == Window.windowHandle() &&
            Window.windowHandle()->isExposed())
            QMetaObject::invokeMethod(
                this, [this] { Call(); }, Qt::QueuedConnection);
        return false;
    }

    void Call() {
        if (!Then) return;
        qApp->removeEventFilter(this);
        std::exchange(Then, {})();
        deleteLater();
    }

    QWidget& Window;
    std::function<void()> Then;
};

void Print(const QString& text, FILE* stream) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}
} // namespace

int RunKurvimat(int argc, char** argv,
                const std::function<std::shared_ptr<HidPlatform>()>& makePlatform) {
    CommandLine line;
    {
        // Help, version and a wrong command line are answered without a display, in the
        // user's language.
        QCoreApplication core(argc, argv);
        QTranslator toolkit, program;
        InstallLanguage(SystemLanguage(), toolkit, program);
        line = ReadCommandLine(QCoreApplication::arguments());
        NoDisplayLine = (NoDisplayText(QFileInfo(QCoreApplication::applicationFilePath()).fileName()) +
                         u'\n')
                            .toLocal8Bit();
    }
    if (line.exitStatus) {
        Print(line.output, *line.exitStatus == 0 ? stdout : stderr);
        return *line.exitStatus;
    }
    ToolkitArguments& qtArguments = MakeToolkitArguments(line.toolkit);
    const std::unique_ptr<TApplication> application =
        StartApplication(qtArguments.argc, qtArguments.argv.data());
    TApplication& app = *application;
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
    // The question about an earlier session (which reads its journal) and the file come once
    // the window is on the screen.
    new AfterFirstFrame(main, [&main, file = line.file] { main.experiments().StartSession(file); });
    main.show();
    if (line.isSet(QStringLiteral("share")))
        QTimer::singleShot(0, &main, [&main] { main.ShareOnStart(); });
    ScheduleScreenshot(main);
    const int code = app.exec();
    // The controller unplugs its devices through the main window's handlers.
    link.Shutdown();
    return code;
}
