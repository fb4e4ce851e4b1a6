// The signal list editor: the user's own definition lines, kept in Signale.ini, shown below the
// built-in ones; closing the window writes the file and refreshes the main window's lists.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class TFormSignale : public QWidget {
    Q_OBJECT
public:
    // Where Signale.ini lives: the user's configuration folder (~/.config/Kurvimat/).
    static QString DefaultFilePath();
    // A list beside the program, as a school's installation may bring it: the starting list
    // while the user has none of their own; it is never written.
    static QString StartingListPath();

    // Loads the file at filePath if it exists, else the starting list if that exists
    // (FormCreate); writes to filePath only.
    explicit TFormSignale(const QString& filePath = DefaultFilePath(), QWidget* parent = nullptr,
                          const QString& startingList = StartingListPath());

    const QString& FilePath() const { return FFilePath; }

    // The user's lines, one per line of MemoSignale, empty lines included.
    QStringList Lines() const;
    void SetLines(const QStringList& lines);
    // Shows the built-in lines (all but the empty one) in MemoSignaleFix.
    void ShowBuiltIn(const QStringList& lines);

    // The line of a signal's combo box when no list entry is selected there.
    std::function<std::optional<QString>(char channel)> TypedLine;
    // Runs after the file was written on closing (the main window's FillSignalLists).
    std::function<void()> OnListsChanged;
    // Shows a message when the file cannot be written.
    std::function<void(const QString&)> OnError;

    void ButtonAClick();
    void ButtonBClick();
    void ButtonOKClick();
    // Writes the file; true when written (the window may then close).
    bool FormClose();
    // The main window is closing: an open editor still writes its lines, but nothing may
    // keep the program from ending.
    void ProgramEnding() { FEnding = true; }

    QLabel* LabelKal = nullptr;
    QPushButton* ButtonA = nullptr;
    QPushButton* ButtonB = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPlainTextEdit* MemoSignaleFix = nullptr;
    QPlainTextEdit* MemoSignale = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void TakeOver(char channel);
    QString FFilePath;
    bool FEnding = false;
};
