// The session's journal: its runs and the running recording, committed to an SQLite database
// of its own in the user's data folder, so that a crash or a power cut costs at most the last
// second. Everything here is called on the GUI thread; the commits run on JournalWriter's
// thread. When the folder cannot be written, the failure is told once and the session goes
// on in memory.
#pragma once

#include "FilePlatform.h"
#include "Run.h"
#include "RunPolicy.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace kurvimat::session {

class Clock;
class JournalWriter;

/// Pending points wait at most this long for their commit. With the 50 ms tick that calls
/// flushIfDue, a point is on the disk within one second as long as a commit takes less than
/// 450 ms, which leaves room for a slow disk under load.
inline constexpr qint64 CommitAfterMs = 500;
/// How often the journal looks whether its file is still there.
inline constexpr qint64 IdentityCheckMs = 2000;

/// How many automatic keeps of "normal" sweeps the history holds; the oldest goes first.
inline constexpr int HistoryLimit = 20;

/// File names of the journals in their folder.
inline constexpr const char* JournalSuffix = ".kurvimat-journal";
inline constexpr const char* LockSuffix = ".lock";

class Journal {
public:
    /// Where journals live unless a test says otherwise: the application's local data folder.
    static QString defaultFolder();

    /// Starts a journal of its own in folder (created if missing), locked for this program.
    Journal(const QString& folder, const Clock& clock);
    /// Commits what is pending. The journal stays for the next start to find unless the user
    /// saved or discarded the session (finish) or it holds nothing.
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    QString path() const { return path_; }
    /// Which session the journal belongs to; a journal made anew for the same session (its file
    /// lost) carries the same, so that a start finds the session once.
    QString sessionId() const { return sessionId_; }
    QString folder() const { return folder_; }
    /// False when the journal could not be made: the session lives in memory only. Waits
    /// until the file is made (its writer makes it).
    bool persistent() const;

    const RunList& runs() const { return runs_; }
    /// Keeps a run; an empty name becomes "Messreihe N, HH:MM, P Punkte". Returns its id.
    qint64 addRun(Run run);
    /// Keeps points once: a run whose points equal an existing run's is not added again (the
    /// user's keep takes a history run into the user's runs). A history keep pushes the
    /// oldest history run out beyond HistoryLimit; the user's runs are never pushed out.
    Kept keep(Run run, KeepKind kind);
    /// Puts run in the place of the run id, under its name unless run has one; a run id no
    /// longer there: keeps run. The one taken out is gone for good, not for undoDelete.
    Kept replaceRun(qint64 id, Run run);
    /// Renaming a history run makes it one of the user's.
    bool renameRun(qint64 id, const QString& name);
    bool deleteRun(qint64 id);
    std::optional<qint64> undoDelete();

    /// A new recording replaces the previous one (keep it with addRun first if it is worth
    /// keeping). header gives interval, point count, channels and definitions; its points are
    /// ignored, a recordedAtMs of 0 becomes now.
    void beginRecording(const Run& header);
    /// Points of the running recording, in order. Commits when the first pending point has
    /// waited CommitAfterMs.
    void appendPoints(std::span<const SamplePoint> points);
    /// A sweep ended: commits now.
    void endSweep();
    /// The timer tick: commits when pending points have waited CommitAfterMs.
    void flushIfDue(qint64 steadyNowMs);
    /// The recording is over and not kept.
    void discardRecording();
    int recordingSize() const { return recordedPoints_ + int(pending_.size()); }
    /// Points of the recording not yet handed to a commit.
    int pendingPoints() const { return int(pending_.size()); }

    /// Commits what is pending and waits until it is on the disk; false if that failed.
    bool sync();
    /// Waits for the commits already started, pending points aside.
    bool waitCommitted();
    /// German text of the first failure to write, for the window to show once; then nothing.
    std::optional<QString> takeFailure();
    /// Commits done so far.
    int commits() const;
    /// The user saved or discarded the session: nothing is left to recover, the journal goes.
    void finish();
    /// The user discarded the session: what it holds goes to the Papierkorb (kept 7 days), so
    /// that the next start does not ask about it.
    void discard();
    /// Another session takes this one's place (an experiment opened): the old journal goes to
    /// the Papierkorb (trash) or away (it was saved), and a new, empty one begins.
    void startOver(bool trash);
    /// The session was saved in the experiment file path: a start after a crash says so, until
    /// anything changes.
    void noteSaved(const QString& path);
    /// The runs of the sessions left behind with these ids are in this journal now: a start
    /// that finds their journals still there offers them no second time.
    void noteAbsorbed(const QStringList& sessionIds);
    /// Every IdentityCheckMs: when the journal's file was deleted or replaced under its name, a
    /// new journal begins with the runs in memory and the recording's header; true then, and
    /// the caller hands the recording's points over again from the first.
    bool replaceIfLost(qint64 steadyNowMs);

private:
    void open();
    void settleOpen();
    void closeFile(bool trash);
    void commitPending();
    void adopt(qint64 id);

    const Clock& clock_;
    QString folder_, path_;
    QString sessionId_;
    QStringList absorbed_;
    FileLock lock_;
    std::unique_ptr<JournalWriter> writer_;
    RunList runs_;
    std::vector<SamplePoint> pending_;
    qint64 pendingSince_ = 0;
    int recordedPoints_ = 0; // of the recording, handed to the writer
    bool recording_ = false;
    bool finished_ = false;
    Run recordingHeader_;
    FileIdentity identity_;
    bool identityKnown_ = false; // the writer has made the file and told its identity
    qint64 identityCheckedAt_ = 0;
};

} // namespace kurvimat::session
