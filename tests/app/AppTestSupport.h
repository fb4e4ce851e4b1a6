// Shared pieces of the window tests: dialogs answered by the test, a main window wired to a
// signal editor whose file lives in a temporary folder, and user-like input helpers.
#pragma once

#include "dialogs/Dialogs.h"
#include "dialogs/TFormSignale.h"
#include "plot/PlotView.h"
#include "window/TFormMain.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QPointF>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

namespace kurvimat::hid {
class THidDevice;
}
using kurvimat::hid::THidDevice;

class QComboBox;
class TComboBox;
class QLineEdit;

class FakeDialogs : public Dialogs {
public:
    bool AskYesNo(QWidget*, const QString& text) override {
        questions << text;
        return answerYes;
    }
    void ShowError(QWidget*, const QString& text) override {
        errors << text;
        if (whileShowing) std::exchange(whileShowing, nullptr)(); // a real box's nested loop
    }
    void ShowErrorDetails(QWidget* parent, const QString& text, const QString& detail) override {
        if (!detail.isEmpty()) details << detail;
        ShowError(parent, text);
    }
    void ShowInfo(QWidget*, const QString& text) override {
        infos << text;
        if (whileShowing) std::exchange(whileShowing, nullptr)();
    }
    QString OpenFileName(QWidget*, const QString& filter) override {
        filters << filter;
        return openName;
    }
    QString SaveFileName(QWidget*, const QString& filter, const QString&,
                         const QString& startAt) override {
        filters << filter;
        starts << startAt;
        return saveName;
    }

    SaveChoice AskSaveDiscardCancel(QWidget*, const QString& text) override {
        questions << text;
        return saveChoice;
    }
    bool AskRestore(QWidget*, const QString& text) override {
        questions << text;
        return answerYes;
    }
    std::optional<QString> AskText(QWidget*, const QString&, const QString& label,
                                   const QString& text) override {
        (void)label;
        shownText = text;
        return std::exchange(typedText, std::nullopt);
    }

    std::optional<QString> typedText; ///< the next AskText's answer; none: cancelled
    QString shownText;                ///< what the last AskText's box held at first
    QStringList questions, errors, details, infos, filters, starts;
    SaveChoice saveChoice = SaveChoice::Discard;
    std::function<void()> whileShowing;
    bool answerYes = false;
    QString openName, saveName;
};

// A shown main window with its signal editor; the editor's file is in dir.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // (Re)creates the windows; call after writing a Signale.ini into dir.
    void CreateWindows();
    QString IniPath() const { return dir.filePath(QStringLiteral("Signale.ini")); }
    QString StartingListPath() const { return dir.filePath(QStringLiteral("beside/Signale.ini")); }

    FakeDialogs dialogs;
    QTemporaryDir dir;
    std::unique_ptr<TFormMain> win;
    std::unique_ptr<TFormSignale> editor;
};

// A window's control, action or part by its objectName, as tools that drive a program find
// it; null when there is none of that name and type.
template <class T> T* Child(const QObject& parent, const char* name) {
    for (QObject* o : parent.findChildren<QObject*>(QString::fromLatin1(name)))
        if (auto* found = dynamic_cast<T*>(o)) return found;
    ADD_FAILURE() << "no " << name;
    return nullptr;
}
// The main window's plot panel: the plot image, the scales, the cursors and the fit shown.
PlotView& PlotOf(const TFormMain& w);

// Stands in for the held instrument; the window only compares the pointer.
THidDevice* FakeDevice(int n);
// A mode 5 report whose first pair holds five readings of a and of b each: one 5 ms block.
std::array<std::uint8_t, 8> Mode5Report(int a, int b);
// Hands `count` such reports to the window, both channels on; RecordSweep fills the history,
// presses "Trigger" and feeds the rest of the sweep.
void Feed(TFormMain& w, int a, int b, int count);
void RecordSweep(TFormMain& w, int a, int b);
// The text "Daten kopieren" puts on the clipboard.
QString CopiedData(TFormMain& w);

// Mouse events as a user's, at logical positions of a widget (fractions where a scaled screen
// has them); a drag presses, moves half way, then to the end, and releases.
void SendMouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButton button,
               Qt::MouseButtons held);
void Drag(QWidget* w, QPointF from, QPointF to);
// How many popups (the plot's menu) open while the action runs and a little after; each is
// closed again.
int PopupsWhile(const std::function<void()>& action);

// Replaces the text of a line edit by typing, then presses Enter.
void TypeAndEnter(QLineEdit* edit, const QString& text);
// Types a definition line into a combo box and presses Enter (Return, or the keypad's).
void TypeDefinition(TComboBox* box, const QString& text, Qt::Key enter = Qt::Key_Return);
// Picks a list entry with the mouse from the opened list.
void PickEntry(QComboBox* box, int index);
// Writes bytes to a file.
void WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);
