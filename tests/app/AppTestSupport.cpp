#include "AppTestSupport.h"

#include "plot/PlotView.h"
#include "program/TApplication.h"
#include "widgets/TComboBox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStandardPaths>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

using namespace kurvimat::hid;

void WindowTest::SetUp() {
    ASSERT_TRUE(dir.isValid());
    SetAppDialogs(&dialogs);
    CreateWindows();
}

void WindowTest::TearDown() {
    win.reset();
    editor.reset();
    SetAppDialogs(nullptr);
}

void WindowTest::CreateWindows() {
    win.reset();
    editor.reset();
    win = std::make_unique<TFormMain>();
    // The tests drive the cycle themselves.
    Child<QTimer>(*win, "TimerTakt")->stop();
    editor = std::make_unique<TFormSignale>(IniPath(), nullptr, StartingListPath());
    ConnectSignalEditor(*win, *editor);
    win->show();
    QCoreApplication::processEvents();
}

PlotView& PlotOf(const TFormMain& w) {
    auto* plot = Child<PlotView>(w, "Panelmitte");
    EXPECT_NE(plot, nullptr);
    return *plot;
}

THidDevice* FakeDevice(int n) {
    return reinterpret_cast<THidDevice*>(std::uintptr_t(0x1000 * n));
}

std::array<std::uint8_t, 8> Mode5Report(int a, int b) {
    const int sa = a * 5, sb = b * 5;
    return {std::uint8_t(sa >> 7),         std::uint8_t(sb >> 7),         0, 0,
            std::uint8_t((sa & 127) << 1), std::uint8_t((sb & 127) << 1), 0, 0};
}

void Feed(TFormMain& w, int a, int b, int count) {
    w.session().store().InputCodeA = 2;
    w.session().store().InputCodeB = 3;
    w.HoldInstrument(FakeDevice(1));
    const auto report = Mode5Report(a, b);
    for (int i = 0; i < count; ++i)
        w.HidDeviceData(FakeDevice(1), 0, report.data(), 8);
    w.HoldInstrument(nullptr); // a stand-in must not be released when the window goes
}

void RecordSweep(TFormMain& w, int a, int b) {
    Feed(w, a, b, w.session().store().PreTrigger * w.session().store().IntervalMs / 5);
    QTest::mouseClick(Child<QPushButton>(w, "ButtonTrigger"), Qt::LeftButton);
    Feed(w, a, b,
         (w.session().store().PointCount - w.session().store().PreTrigger) *
             w.session().store().IntervalMs / 5);
}

QString CopiedData(TFormMain& w) {
    QTest::mouseClick(Child<QPushButton>(w, "ButtonDatenKopieren"), Qt::LeftButton);
    return QGuiApplication::clipboard()->text();
}

void SendMouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButton button,
               Qt::MouseButtons held) {
    QMouseEvent e(type, at, w->mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void Drag(QWidget* w, QPointF from, QPointF to) {
    SendMouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    SendMouse(w, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
    SendMouse(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    SendMouse(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

int PopupsWhile(const std::function<void()>& action) {
    int opened = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            ++opened;
            popup->close();
        }
    });
    closer.start(20);
    action();
    QTest::qWait(300);
    return opened;
}

void TypeAndEnter(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

void TypeDefinition(TComboBox* box, const QString& text, Qt::Key enter) {
    // Into the box, as a user types: the box has the focus and hands keys to its line edit.
    box->setFocus();
    box->lineEdit()->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
    QTest::keyClick(box, enter, enter == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
}

void PickEntry(QComboBox* box, int index) {
    box->showPopup();
    QAbstractItemView* view = box->view();
    const QModelIndex item = view->model()->index(index, 0);
    view->scrollTo(item);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(item).center());
    QCoreApplication::processEvents();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

int main(int argc, char** argv) {
    // Headless also when test discovery runs the program outside CTest's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // ctest runs several of these programs at once: each gets a home of its own, so that one's
    // recent experiments never show in another's list.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    TApplication app(argc, argv);
    // Windows closed by a test must not end the (not running) event loop.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    // Numbers for the user follow the locale; the examples are German.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    // The recent experiments' list (and what else goes to the user's folders) stays the tests'.
    QStandardPaths::setTestModeEnabled(true);
    // The windows' journals go to a folder of the tests, never the user's.
    QTemporaryDir journals;
    if (qEnvironmentVariableIsEmpty("KURVIMAT_DATA_DIR"))
        qputenv("KURVIMAT_DATA_DIR", journals.path().toLocal8Bit());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
