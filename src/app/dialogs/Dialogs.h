// The one door through which the windows ask the user something or report an error, so that
// tests can answer instead of a person.
#pragma once

#include <QString>

#include <optional>

class QWidget;

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Confirmation with the buttons Yes and No; true only for Yes.
    virtual bool AskYesNo(QWidget* parent, const QString& text) = 0;
    virtual void ShowError(QWidget* parent, const QString& text) = 0;
    // An error with a technical detail (a parser's own words) the box keeps folded away.
    virtual void ShowErrorDetails(QWidget* parent, const QString& text, const QString& details) {
        ShowError(parent, text);
        (void)details;
    }
    virtual void ShowInfo(QWidget* parent, const QString& text) = 0;
    // Empty text when the user cancels. The filter uses Qt's "Name (*.ext);;..." form. A save
    // dialog given startAt opens in its folder with its name.
    virtual QString OpenFileName(QWidget* parent, const QString& filter) = 0;
    virtual QString SaveFileName(QWidget* parent, const QString& filter,
                                 const QString& defaultSuffix, const QString& startAt = {}) = 0;
    // Unsaved work: "Speichern", "Verwerfen" or "Abbrechen" (also closing the box). The message
    // box of Qt unless overridden.
    enum class SaveChoice { Save, Discard, Cancel };
    virtual SaveChoice AskSaveDiscardCancel(QWidget* parent, const QString& text);
    // Sessions left behind: "Wiederherstellen" (the default, also for Return) or "Verwerfen";
    // true for Wiederherstellen.
    virtual bool AskRestore(QWidget* parent, const QString& text);
    // A text typed into a box of several lines (a title or a note on the plot); none when the
    // user cancels. label says what to type; text is what the box holds at first.
    virtual std::optional<QString> AskText(QWidget* parent, const QString& caption,
                                           const QString& label, const QString& text);
};

// Message boxes and file dialogs of Qt.
class QtDialogs : public Dialogs {
public:
    bool AskYesNo(QWidget* parent, const QString& text) override;
    void ShowError(QWidget* parent, const QString& text) override;
    void ShowErrorDetails(QWidget* parent, const QString& text, const QString& details) override;
    void ShowInfo(QWidget* parent, const QString& text) override;
    QString OpenFileName(QWidget* parent, const QString& filter) override;
    QString SaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix,
                         const QString& startAt = {}) override;
};

// The dialogs used by the application; QtDialogs unless a test installed its own.
Dialogs& AppDialogs();
// Installs d (not owned; nullptr restores the Qt implementation).
void SetAppDialogs(Dialogs* d);

// True when fileName does not exist yet or the user agrees to replace it.
bool MayReplace(QWidget& parent, const QString& fileName);
