// What an earlier program left behind without the user saving or discarding it: journals whose
// lock no running program holds. They are brought back into this session's journal, or moved
// to the Papierkorb, where they stay seven days.
#pragma once

#include "FilePlatform.h"
#include "Run.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace kurvimat::session {

class Clock;
class Journal;

inline constexpr const char* TrashFolderName = "Papierkorb";
inline constexpr qint64 TrashKeepMs = qint64(7) * 24 * 60 * 60 * 1000;

/// What the journals left behind hold, for the question.
struct RecoveryFacts {
    int runs = 0;           ///< kept runs, the recordings aside
    bool recording = false; ///< a recording was running
    QDateTime last;         ///< the last commit
    QString savedAs;        ///< the experiment file they were all saved in, if any
    int damaged = 0;        ///< journals that failed their check
    QStringList damage;     ///< what of them failed, German
    int unavailable = 0;    ///< journals that could not be read now; they stay
    QStringList why;        ///< why not, German, each reason once
    bool memoryOnly = false; ///< this session cannot write its own journal
};

/// "Die letzte Sitzung hat 3 Messreihen und eine laufende Aufzeichnung hinterlassen, zuletzt
/// um 19:53. ..." with where they are saved, what is damaged and where "Verwerfen" puts them;
/// the date is added when the last commit was not today.
QString recoveryQuestion(const RecoveryFacts& facts, const QDateTime& now);
/// What is said when journals could not be read now and nothing else was found: what is wrong,
/// and that they stay and are offered again.
QString unavailableNotice(const RecoveryFacts& facts);

/// Moves a journal whose lock the caller holds (closed, or damaged) into folder's Papierkorb as
/// one self-contained file named after nowMs; false when it could not be moved.
bool moveJournalToTrash(const QString& path, const QString& folder, qint64 nowMs, bool damaged);

class Recovery {
public:
    /// Locks every journal in folder that no running program holds (ownPath excluded), reads
    /// it, deletes those that hold nothing, and empties the Papierkorb of entries older than
    /// seven days.
    Recovery(const QString& folder, const Clock& clock, const QString& ownPath = {});
    Recovery(const Recovery&) = delete;
    Recovery& operator=(const Recovery&) = delete;

    /// Whether there is something to ask about.
    bool found() const { return runCount() > 0; }
    /// Runs left behind (a recording with points counts as one).
    int runCount() const;
    /// When the last of them was committed, ms since 1970 UTC.
    qint64 lastAtMs() const { return lastAtMs_; }
    RecoveryFacts facts() const;
    QString question() const;
    /// Journals that could not be read (failed integrity_check); they go to the Papierkorb
    /// whatever the answer.
    int damagedCount() const { return damaged_; }
    /// Journals that could not be read now (no space, no permission, locked, a newer
    /// program's): they stay untouched whatever the answer, for a later start.
    int unavailableCount() const { return int(why_.size()); }
    /// The session restored into keeps its runs in memory only: the journals restored stay,
    /// and the question says so.
    void setMemoryOnly(bool memoryOnly) { memoryOnly_ = memoryOnly; }

    /// Yes: the runs join journal's session (and its file) and the old journals go once that
    /// is committed; older copies of the same sessions go to the Papierkorb. Returns the ids
    /// the runs got there.
    std::vector<qint64> restoreInto(Journal& journal);
    /// No: the old journals move to the Papierkorb.
    void moveToTrash();
    /// Entries of the Papierkorb deleted at construction.
    int purged() const { return purged_; }

private:
    struct Found {
        QString path;
        FileLock lock;
        std::vector<Run> runs; // the recordings last
        int recordings = 0;
        QString savedAs;
        bool damaged = false;
        QStringList damage;   // what of it failed its check, German
        QString session;      // the session it belongs to; empty in journals before ids
        QStringList absorbed; // sessions restored into it
        qint64 lastAt = 0;
        bool superseded = false; // another journal found holds its session
    };
    void scan(const QString& ownPath);
    /// Reads f; the reason it cannot be read now, or nothing.
    std::optional<QString> read(Found& f);
    void markSuperseded();
    void purgeTrash();
    void trash(Found& journal);

    QString folder_;
    const Clock& clock_;
    std::vector<Found> found_;
    qint64 lastAtMs_ = 0;
    int damaged_ = 0;
    QStringList damage_;
    QStringList why_; // one entry per journal that could not be read now
    bool memoryOnly_ = false;
    int purged_ = 0;
};

} // namespace kurvimat::session
