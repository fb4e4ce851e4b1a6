#include "AppTestSupport.h"

#include "TApplication.h"
#include "TComboBox.h"

#include <QAbstractItemView>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QTest>

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
    win->Timer1.stop();
    editor = std::make_unique<TFormSignale>(IniPath());
    ConnectSignalEditor(*win, *editor);
    win->show();
    QCoreApplication::processEvents();
}

void TypeAndEnter(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

void TypeDefinition(TComboBox* box, const QString& text) {
    TypeAndEnter(box->lineEdit(), text);
}

void PickEntry(TComboBox* box, int index) {
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
    TApplication app(argc, argv);
    // Windows closed by a test must not end the (not running) event loop.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    // Numbers for the user follow the locale; the examples are German.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
