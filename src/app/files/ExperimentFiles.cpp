#include "files/ExperimentFiles.h"

#include "Clock.h"
#include "FilePlatform.h"
#include "Journal.h"
#include "Recovery.h"
#include "Session.h"
#include "dialogs/Dialogs.h"
#include "runs/MainRuns.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>
#include <QWidget>

#include <algorithm>

using namespace kurvimat::session;

namespace {

const SystemClock& RecoveryClock() {
    static const SystemClock clock;
    return clock;
}

constexpr int RecentCount = 8;
const QString RecentKey = QStringLiteral("Versuche/ZuletztGeoeffnet");

QSettings RecentSettings() {
    return QSettings(QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
                         .filePath(QStringLiteral("Kurvimat.ini")),
                     QSettings::IniFormat);
}

QStringList LoadRecentExperiments() {
    QStringList recent = RecentSettings().value(RecentKey).toStringList();
    recent.removeAll(QString());
    return recent.mid(0, RecentCount);
}

} // namespace

ExperimentFiles::ExperimentFiles(Session& session, MainRuns& runs, ExperimentHost& host,
                                 QWidget& window)
    : QObject(&window), session_(session), runs_(runs), host_(host), window_(window) {}

QString ExperimentFiles::JournalFolder() {
    const QString folder = qEnvironmentVariable("KURVIMAT_DATA_DIR");
    return folder.isEmpty() ? Journal::defaultFolder() : folder;
}

void ExperimentFiles::StartSession(const QString& file) {
    session_.setJournalProgress(qEnvironmentVariableIntValue("KURVIMAT_JOURNAL_PROGRESS") == 1);
    const bool restored = OfferRecovery();
    // A restored session is work to ask about; the first sweeps of a start are not.
    if (!file.isEmpty()) OpenFile(file, !restored);
}

bool ExperimentFiles::OfferRecovery() {
    Journal& journal = session_.journal();
    Recovery recovery(journal.folder(), RecoveryClock(), journal.path());
    recovery.setMemoryOnly(!journal.persistent());
    if (!recovery.found()) {
        // Nothing to offer, but nothing gone or left behind without a word: unreadable journals
        // go to the Papierkorb, those that cannot be read now stay for the next start.
        QStringList said;
        if (recovery.damagedCount() > 0) {
            recovery.moveToTrash();
            said << tr("Die Sicherungsdatei einer früheren Sitzung ist beschädigt; nichts davon "
                       "ließ sich lesen. Sie liegt sieben Tage im Papierkorb der Sitzungen.");
        }
        if (recovery.unavailableCount() > 0) said << unavailableNotice(recovery.facts());
        if (!said.isEmpty()) AppDialogs().ShowInfo(&window_, said.join(u'\n'));
        return false;
    }
    if (AppDialogs().AskRestore(&window_, recovery.question())) {
        session_.recover(recovery);
        runs_.Changed();
        return true;
    }
    recovery.moveToTrash();
    return false;
}

void ExperimentFiles::OpenFile(const QString& path, bool atStart) {
    // An experiment file is an SQLite database whatever its name; a measurement text never
    // begins with that header.
    // Its first bytes only, and without waiting: a FIFO or a device is refused by the reader
    // the name leads to.
    const bool database =
        readFileBounded(path, 16).bytes == QByteArrayView("SQLite format 3\0", 16);
    if (database || path.endsWith(QStringLiteral(".kurvimat"), Qt::CaseInsensitive))
        OpenExperiment(path, atStart);
    else
        host_.OpenMeasurementText(path);
}

Experiment ExperimentFiles::CurrentExperiment() {
    Experiment e = session_.experiment();
    host_.AddDisplaySettings(e.settings);
    return e;
}

bool ExperimentFiles::SaveExperiment(const QString& path) {
    session_.handOverToJournal(); // what the file holds, the journal holds too
    if (const auto error = writeExperiment(path, CurrentExperiment())) {
        AppDialogs().ShowError(&window_, *error);
        return false;
    }
    session_.noteExperimentSaved(path, Fingerprint());
    NoteExperimentFile(path);
    return true;
}

bool ExperimentFiles::OpenExperiment(const QString& path, bool atStart) {
    const ExperimentRead read = readExperiment(path);
    if (!read.experiment) {
        if (!QFileInfo::exists(path)) ForgetRecent(path);
        AppDialogs().ShowError(&window_,
                               read.error + tr(" Daten und Einstellungen bleiben unverändert."));
        return false;
    }
    // Asked as closing asks: a cancelled (or failed) save opens nothing.
    const bool wasHeld = session_.held();
    if (!atStart && !AskUnsavedWork(tr("Sollen sie gespeichert werden, bevor %1 geöffnet wird?")
                                        .arg(QFileInfo(path).fileName())))
        return false;
    discarded_ = false; // the session goes on, under the file's runs
    if (!wasHeld && session_.held()) host_.StoppWeiter();
    host_.Handled([&] {
        // The session keeps the points the file replaces as any load's, and sends them with
        // its runs to the Papierkorb; the file's runs begin a journal of their own.
        const auto applied = session_.applyExperiment(*read.experiment);
        runs_.StartedOver();
        host_.ShowExperiment(*read.experiment, applied);
    });
    // What was opened stays on the plot until "Weiter": the next sweep would replace it.
    if (read.experiment->data && !session_.held()) host_.StoppWeiter();
    // The session is the file's now.
    session_.noteExperimentSaved(path, Fingerprint());
    NoteExperimentFile(path);
    if (!read.notice.isEmpty()) runs_.Say(read.notice);
    return true;
}

void ExperimentFiles::RestoreDiscarded() {
    const Journal& journal = session_.journal();
    Recovery trash(QDir(journal.folder()).filePath(QLatin1String(TrashFolderName)),
                   RecoveryClock());
    if (!trash.found()) {
        AppDialogs().ShowInfo(&window_,
                              tr("Im Papierkorb der Sitzungen liegt nichts. Verworfene Sitzungen "
                                 "bleiben dort sieben Tage."));
        return;
    }
    const QDateTime last = QDateTime::fromMSecsSinceEpoch(trash.lastAtMs()).toLocalTime();
    if (!AppDialogs().AskYesNo(&window_,
                               tr("Im Papierkorb der Sitzungen liegen %1 Messreihen, die letzte "
                                  "vom %2. Sollen sie zu den Messreihen dieser Sitzung kommen?")
                                   .arg(trash.runCount())
                                   .arg(last.toString(QStringLiteral("dd.MM. HH:mm")))))
        return;
    session_.recover(trash);
    runs_.Changed();
    runs_.ShowList();
}

void ExperimentFiles::SaveAsk() {
    if (path_.isEmpty())
        SaveAs();
    else
        SaveExperiment(path_);
}

void ExperimentFiles::SaveAs() {
    // In the folder of the file and under its name, as other programs offer it.
    const QString name = AppDialogs().SaveFileName(
        &window_, tr("Kurvimat-Versuche (*.kurvimat);;Alle Dateien (*.*)"),
        QStringLiteral("kurvimat"), path_);
    if (name.isEmpty() || !host_.MayReplace(name)) return;
    SaveExperiment(name);
}

void ExperimentFiles::OpenAsk() {
    const QString name = AppDialogs().OpenFileName(
        &window_, tr("Kurvimat-Versuche (*.kurvimat);;Alle Dateien (*.*)"));
    if (!name.isEmpty()) OpenExperiment(name);
}

bool ExperimentFiles::HasUnsavedWork() {
    if (!path_.isEmpty()) return session_.savedFingerprint() != Fingerprint();
    if (session_.experimentSaved()) return false;
    // Loaded points came from a file or the clipboard: they are kept there. Runs are kept
    // only in an experiment file.
    const kurvimat::acquisition::MeasurementStore& s = session_.store();
    const bool dataUnsaved =
        s.Data.Count > 0 && !s.Data.Loaded && session_.dataFingerprint() != savedSignature_;
    return dataUnsaved || HasRuns() || SettingsChanged();
}

std::size_t ExperimentFiles::Fingerprint() {
    return session_.fingerprint(host_.DisplaySettings());
}

Settings ExperimentFiles::SettingsNow() {
    Settings s = session_.keptSettings();
    s.merge(host_.DisplaySettings());
    s[QStringLiteral("A")] = session_.store().AppliedDefA;
    s[QStringLiteral("B")] = session_.store().AppliedDefB;
    // Ranges an axis follows come with the points, which count as data.
    for (const auto& [on, range] :
         {std::pair{setting::AxisAAuto, std::pair{setting::AxisAMin, setting::AxisAMax}},
          std::pair{setting::AxisBAuto, std::pair{setting::AxisBMin, setting::AxisBMax}},
          std::pair{setting::AxisTAuto, std::pair{setting::AxisTMin, setting::AxisTMax}}})
        if (settingAs<bool>(s, on).value_or(false)) {
            s.erase(QLatin1String(range.first));
            s.erase(QLatin1String(range.second));
        }
    return s;
}

bool ExperimentFiles::SettingsChanged() {
    return startSettings_ && *startSettings_ != SettingsNow();
}

bool ExperimentFiles::HasRuns() const {
    const auto& runs = session_.journal().runs().runs();
    return std::any_of(runs.begin(), runs.end(), [](const auto& r) { return !r.automatic; });
}

void ExperimentFiles::NoteDataSaved() {
    savedSignature_ = session_.dataFingerprint();
}

void ExperimentFiles::NoteTextLoaded() {
    if (path_.isEmpty()) startSettings_ = SettingsNow();
}

bool ExperimentFiles::AskUnsavedWork(const QString& followUp) {
    if (!HasUnsavedWork()) return true;
    // What is saved is what the user saw on closing: no sweep replaces it while the question
    // and the file dialog are open.
    const bool wasHeld = session_.held();
    if (!wasHeld) host_.StoppWeiter();
    // An experiment file keeps everything: the one open, or one for the runs and settings;
    // recorded data alone go to a data text as before.
    const bool runs = HasRuns();
    const bool experiment = !path_.isEmpty() || runs || SettingsChanged();
    const QString ask =
        followUp.isEmpty() ? tr("Sollen sie vor dem Beenden gespeichert werden?") : followUp;
    const QString what =
        !path_.isEmpty()
            ? tr("Die Änderungen an %1 sind nicht gespeichert.").arg(QFileInfo(path_).fileName())
        : runs ? tr("Die Messreihen und Daten dieser Sitzung sind nicht in einer Versuchsdatei "
                    "gespeichert.")
        : experiment
            ? tr("Die Einstellungen dieser Sitzung sind nicht in einer Versuchsdatei gespeichert.")
            : tr("Die aufgenommenen Daten sind weder gespeichert noch kopiert worden.");
    bool close = false;
    switch (AppDialogs().AskSaveDiscardCancel(&window_, what + u'\n' + ask)) {
    case Dialogs::SaveChoice::Save:
        if (experiment)
            SaveAsk();
        else
            host_.SaveDataText();
        close = !HasUnsavedWork(); // a cancelled or failed save keeps the window open
        break;
    case Dialogs::SaveChoice::Discard:
        close = true;
        discarded_ = true;
        break;
    case Dialogs::SaveChoice::Cancel:
        break;
    }
    if (!close && !wasHeld) host_.StoppWeiter();
    return close;
}

void ExperimentFiles::Closed() {
    session_.closeJournal(discarded_);
}

// --- the title and the recent experiments ---

void ExperimentFiles::NoteExperimentFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    path_ = absolute;
    recent_ = LoadRecentExperiments(); // another window may have added its own
    recent_.removeAll(absolute);
    recent_.prepend(absolute);
    recent_ = recent_.mid(0, RecentCount);
    RecentSettings().setValue(RecentKey, recent_);
    ShowTitle(caption_);
}

void ExperimentFiles::ForgetRecent(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    recent_ = LoadRecentExperiments();
    if (recent_.removeAll(absolute) > 0) RecentSettings().setValue(RecentKey, recent_);
}

void ExperimentFiles::FillRecentMenu(QMenu& menu) {
    // A file deleted or moved since leaves the list rather than offering a failure.
    const QStringList listed = LoadRecentExperiments();
    recent_.clear();
    for (const QString& path : listed)
        if (QFileInfo(path).isFile()) recent_ << path;
    if (recent_ != listed) RecentSettings().setValue(RecentKey, recent_);
    menu.clear();
    for (const QString& path : recent_) {
        const int n = int(menu.actions().size()) + 1;
        QString name = QFileInfo(path).fileName();
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* a = menu.addAction(QStringLiteral("&%1 %2").arg(n).arg(name));
        a->setToolTip(QDir::toNativeSeparators(path));
        a->setStatusTip(QDir::toNativeSeparators(path));
        connect(a, &QAction::triggered, this, [this, path] { OpenExperiment(path); });
    }
    if (recent_.isEmpty()) menu.addAction(tr("(keine)"))->setEnabled(false);
}

void ExperimentFiles::ShowTitle(const QString& instrumentCaption) {
    caption_ = instrumentCaption;
    // A new session is compared with the settings it had when it was first shown.
    if (path_.isEmpty() && !startSettings_) startSettings_ = SettingsNow();
    const QString name = path_.isEmpty() ? tr("Unbenannt") : QFileInfo(path_).fileName();
    const QString title =
        QStringLiteral("%1%2 – %3")
            .arg(name, HasUnsavedWork() ? QStringLiteral("*") : QString(), caption_);
    if (window_.windowTitle() != title) window_.setWindowTitle(title);
}
