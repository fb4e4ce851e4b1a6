// The journal's one writer: a thread with its own connection that applies the operations
// handed to it in one transaction per commit, so that no fsync ever runs on the GUI thread.
#pragma once

#include "FilePlatform.h"
#include "Run.h"
#include "SqliteDb.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

namespace kurvimat::session {

class Clock;

struct JournalOp {
    enum class Kind {
        AddRun,
        RenameRun,
        DeleteRun,
        RestoreRun,
        DropRun,  ///< a history run pushed out: gone for good
        AdoptRun, ///< a history run became one of the user's
        BeginRecording,
        AppendPoints,
        DropRecording,
        NoteSaved,
        NoteAbsorbed ///< the ids of the sessions brought into this one, in name
    };
    explicit JournalOp(Kind k, qint64 id = 0) : kind(k), runId(id) {}

    Kind kind;
    qint64 runId = 0;
    Run run;          ///< AddRun: the run; BeginRecording: the recording's header, no points
    QString name;     ///< RenameRun; NoteSaved: the experiment file; NoteAbsorbed
    int first = 0;    ///< AppendPoints: index of the chunk's first point in the recording
    QByteArray chunk; ///< AppendPoints
};

class JournalWriter {
public:
    /// What making the journal's file gave: the connection at the current schema and the
    /// file's identity, or nothing and SQLite's error code.
    struct Opened {
        std::optional<SqliteDb> db;
        int code = 0;
        FileIdentity identity;
        bool lost = false; ///< made, then deleted or moved by someone before it was whole
    };
    /// db: an open journal at the current schema, or nothing (then every commit fails, once
    /// reported through openError).
    JournalWriter(std::optional<SqliteDb> db, const Clock& clock, QString folder,
                  QString openError);
    /// Makes the journal's file on the writer's own thread, so that its syncs never hold up
    /// the caller; what is handed over meanwhile waits for it. A failure is reported once and
    /// drops everything handed over, as a failed open above does.
    JournalWriter(std::function<Opened()> open, const Clock& clock, QString folder);
    ~JournalWriter();
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    /// Hands an operation over and asks for a commit; returns at once.
    void submit(JournalOp op);
    /// Waits until everything handed over has been committed or has failed; true if committed.
    bool sync();
    /// The reason of the first failure, once; later calls give nothing.
    std::optional<QString> takeFailure();
    /// Commits that reached the disk (tests count the cadence with it).
    int commits() const { return commits_.load(); }
    /// Stops the thread after a last commit and closes the connection.
    void stop();
    /// Waits until the file is made or could not be; true if made.
    bool waitOpened();
    /// The file's identity once it is made; nothing while it is being made or if it failed.
    std::optional<FileIdentity> identity();
    /// True once making the file has failed (not by its loss).
    bool openFailed();
    /// True when the file was deleted or moved while it was being made: nothing is reported,
    /// the journal is to be made anew.
    bool lostWhileMade();

private:
    void loop();
    bool apply(const std::vector<JournalOp>& ops);
    bool applyOne(const JournalOp& op);
    bool writeHistory();
    void fail(const QString& reason);

    enum class OpenState { Opening, Open, Failed };

    std::optional<SqliteDb> db_;
    std::function<Opened()> open_;
    OpenState openState_ = OpenState::Open;
    FileIdentity identity_;
    bool lost_ = false;
    const Clock& clock_;
    QString folder_;
    std::map<qint64, qint64> rowOfRun_;
    std::optional<qint64> recordingRow_;
    std::set<qint64> historyRows_; // rows of runs in the history, in meta 'history'
    bool historyChanged_ = false;

    std::mutex mutex_;
    std::condition_variable wake_, idle_;
    std::vector<JournalOp> queue_;  // handed over, not yet taken
    std::vector<JournalOp> failed_; // taken, failed, retried with the next commit
    std::uint64_t submitted_ = 0, done_ = 0;
    bool lastOk_ = true;
    bool stopping_ = false;
    std::optional<QString> failure_;
    bool failureTaken_ = false;
    std::atomic<int> commits_{0};
    std::thread thread_;
};

/// The German reason for an SQLite error code of the journal's folder or disk.
QString journalFailureText(int sqliteCode, const QString& folder);

} // namespace kurvimat::session
