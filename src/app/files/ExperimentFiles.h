// The experiment files and the session's start: saving and opening a whole experiment through
// the session, the recovery question at start and the Papierkorb's sessions, the title that
// names the file and the recently used files.
#pragma once

#include "ExperimentFile.h"
#include "SamplePipeline.h"
#include "Settings.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>
#include <optional>

namespace kurvimat::session {
class Session;
struct AppliedExperiment;
} // namespace kurvimat::session
class MainRuns;
class QMenu;
class QWidget;

// What the experiment files need of the window.
class ExperimentHost {
public:
    // Runs the steps as a handler runs: errors met are collected and shown once at the end.
    virtual void Handled(const std::function<void()>& steps) = 0;
    // What the window keeps of an experiment besides the session's: the axes, the plot mode,
    // the cursors, the fit, and the instrument's choices while it has a link.
    virtual void AddDisplaySettings(kurvimat::session::Settings& settings) = 0;
    // The session has taken the experiment: the window shows it, with its display settings,
    // and says what applying it met (a refused definition, a division by zero).
    virtual void ShowExperiment(const kurvimat::session::Experiment& experiment,
                                const kurvimat::session::AppliedExperiment& applied) = 0;
    // "Daten speichern", as its button does.
    virtual void SaveDataText() = 0;
    // True when fileName does not exist yet or the user agrees to replace it.
    virtual bool MayReplace(const QString& fileName) = 0;
    // A measurement text from a file becomes the data.
    virtual void OpenMeasurementText(const QString& path) = 0;
    // Stopp/Weiter, as its button does.
    virtual void StoppWeiter() = 0;
    // What the window keeps of an experiment (AddDisplaySettings) as it stands now.
    virtual kurvimat::session::Settings DisplaySettings() = 0;

protected:
    ~ExperimentHost() = default;
};

class ExperimentFiles : public QObject {
    Q_OBJECT
public:
    ExperimentFiles(kurvimat::session::Session& session, MainRuns& runs, ExperimentHost& host,
                    QWidget& window);

    // Where the session's journal lives: KURVIMAT_DATA_DIR when it is set (tests), else the
    // user's data folder.
    static QString JournalFolder();

    // The program's start after the window is shown: the recovery question, then the file
    // named on the command line, if any (OpenFile).
    void StartSession(const QString& file = {});
    // An experiment (*.kurvimat, or any SQLite file) through OpenExperiment, anything else as
    // a measurement text: the command line's file and a file dropped on the window.
    // atStart: the file the program was started with, which is opened without asking about
    // what the instrument recorded in the moment before it (kept as any load keeps it).
    void OpenFile(const QString& path, bool atStart = false);
    // Runs, data, snapshot, definitions and settings into a .kurvimat file; false (said) when
    // it could not be written.
    bool SaveExperiment(const QString& path);
    // Takes a .kurvimat file over; a refused file is said and changes nothing. Every way of
    // opening comes here: unsaved work is asked about first, and the session the file
    // replaces goes to the Papierkorb.
    bool OpenExperiment(const QString& path, bool atStart = false);
    // "Versuch speichern": to the experiment's file without asking, else as below.
    void SaveAsk();
    // "Versuch speichern unter …" / "Versuch öffnen …": a file dialog, then the two above.
    void SaveAs();
    void OpenAsk();
    // "Verworfene Sitzungen …": the Papierkorb's sessions back into this one.
    void RestoreDiscarded();
    // The session as an experiment file keeps it, with what the window shows.
    kurvimat::session::Experiment CurrentExperiment();

    // The experiments last opened or saved, newest first, as Datei ▸ Zuletzt geöffnet lists them.
    const QStringList& Recent() const { return recent_; }
    void FillRecentMenu(QMenu& menu);
    // The title: the experiment's file name with "*" while it holds unsaved changes, then the
    // instrument's caption ("Pendel.kurvimat* – Kurvimat").
    void ShowTitle(const QString& instrumentCaption);

    // With an experiment file: the session differs from it. Without: the current data hold
    // points neither saved nor copied since they were recorded, the session runs not kept in
    // an experiment file, or its settings differ from those it began with.
    bool HasUnsavedWork();
    // The experiment file the session was last opened from or saved to; empty: none.
    const QString& FilePath() const { return path_; }
    // The current data were saved or copied as a text.
    void NoteDataSaved();
    // A text was loaded: without a file, the definitions and axes it brought are where the
    // session begins, as the text keeps them.
    void NoteTextLoaded();
    // Asks about unsaved work and saves it when the user wants: false when the user cancels or
    // the save fails (closing, or what follows: opening a file, asks instead).
    bool AskUnsavedWork(const QString& followUp = QString());
    // The window closed.
    void Closed();

private:
    bool HasRuns() const;
    // The session as an experiment file would hold it (Session::fingerprint).
    std::size_t Fingerprint();
    // Without a file: the settings and definitions, to tell a changed new session.
    kurvimat::session::Settings SettingsNow();
    bool SettingsChanged();
    // A file of the recent list that is gone leaves it.
    void ForgetRecent(const QString& path);
    // At start, once the window is shown: offers what an earlier program left unsaved.
    // True when an earlier session was restored.
    bool OfferRecovery();
    // The session is the file's now: the title names it and the recent list has it first.
    void NoteExperimentFile(const QString& path);

    kurvimat::session::Session& session_;
    MainRuns& runs_;
    ExperimentHost& host_;
    QWidget& window_;
    // The experiment file the session was last opened from or saved to; empty: none.
    QString path_;
    QString caption_ = QStringLiteral("Kurvimat");
    QStringList recent_;
    // Without a file: the settings the session began with (taken at the first title).
    std::optional<kurvimat::session::Settings> startSettings_;
    // The data as last saved or copied as a text (Session::dataFingerprint).
    std::size_t savedSignature_ = 0;
    // "Verwerfen" on closing: the journal goes to the Papierkorb instead of being offered again.
    bool discarded_ = false;
};
