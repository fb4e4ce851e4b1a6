#include "JournalWriter.h"

#include "Clock.h"
#include "SessionTables.h"

#include <QCoreApplication>
#include <QStringList>
#include <sqlite3.h>

namespace kurvimat::session {

QString journalFailureText(int code, const QString& folder) {
    switch (code & 0xff) {
    case SQLITE_FULL:
        return QCoreApplication::translate("JournalWriter", "Der Datenträger ist voll.");
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QCoreApplication::translate("JournalWriter",
                                           "In den Ordner %1 kann nicht geschrieben werden.")
            .arg(folder);
    default:
        return QCoreApplication::translate("JournalWriter", "Schreibfehler im Ordner %1 (%2).")
            .arg(folder)
            .arg(code);
    }
}

JournalWriter::JournalWriter(std::optional<SqliteDb> db, const Clock& clock, QString folder,
                             QString openError)
    : db_(std::move(db)), clock_(clock), folder_(std::move(folder)) {
    if (!db_) {
        failure_ = openError;
        return;
    }
    thread_ = std::thread([this] { loop(); });
}

JournalWriter::JournalWriter(std::function<Opened()> open, const Clock& clock, QString folder)
    : open_(std::move(open)), openState_(OpenState::Opening), clock_(clock),
      folder_(std::move(folder)) {
    thread_ = std::thread([this] { loop(); });
}

JournalWriter::~JournalWriter() {
    stop();
}

void JournalWriter::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        if (!failed_.empty()) ++submitted_; // one last try for what failed
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    db_.reset();
}

void JournalWriter::submit(JournalOp op) {
    if (!thread_.joinable()) return; // nowhere to write: the points stay in memory only
    {
        std::lock_guard lock(mutex_);
        if (openState_ == OpenState::Failed) return;
        queue_.push_back(std::move(op));
        ++submitted_;
    }
    wake_.notify_one();
}

bool JournalWriter::sync() {
    std::unique_lock lock(mutex_);
    if (!thread_.joinable()) return false;
    const std::uint64_t target = submitted_;
    idle_.wait(lock, [&] { return openState_ != OpenState::Opening && done_ >= target; });
    return openState_ == OpenState::Open && lastOk_;
}

bool JournalWriter::waitOpened() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [&] { return openState_ != OpenState::Opening; });
    return openState_ == OpenState::Open && db_;
}

std::optional<FileIdentity> JournalWriter::identity() {
    std::lock_guard lock(mutex_);
    if (openState_ != OpenState::Open || !open_) return std::nullopt;
    return identity_;
}

bool JournalWriter::openFailed() {
    std::lock_guard lock(mutex_);
    return openState_ == OpenState::Failed && !lost_;
}

bool JournalWriter::lostWhileMade() {
    std::lock_guard lock(mutex_);
    return lost_;
}

std::optional<QString> JournalWriter::takeFailure() {
    std::lock_guard lock(mutex_);
    if (!failure_ || failureTaken_) return std::nullopt;
    failureTaken_ = true;
    return failure_;
}

void JournalWriter::fail(const QString& reason) {
    std::lock_guard lock(mutex_);
    if (!failure_) failure_ = reason;
}

void JournalWriter::loop() {
    if (open_) {
        Opened opened = open_();
        std::lock_guard lock(mutex_);
        if (opened.db) {
            db_ = std::move(opened.db);
            identity_ = opened.identity;
            openState_ = OpenState::Open;
        } else {
            // As if the file had failed before anything was handed over: nothing waits.
            openState_ = OpenState::Failed;
            lost_ = opened.lost;
            if (!failure_ && !lost_) failure_ = journalFailureText(opened.code, folder_);
            queue_.clear();
            done_ = submitted_;
        }
        idle_.notify_all();
        if (openState_ == OpenState::Failed) return;
    }
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || submitted_ > done_; });
        if (submitted_ == done_ && stopping_) break;
        std::vector<JournalOp> batch = std::move(failed_);
        failed_.clear();
        for (JournalOp& op : queue_)
            batch.push_back(std::move(op));
        queue_.clear();
        const std::uint64_t target = submitted_;
        lock.unlock();
        const bool ok = batch.empty() || apply(batch);
        lock.lock();
        // A failed batch waits for the next commit: the disk may have room again by then.
        if (!ok) failed_ = std::move(batch);
        lastOk_ = ok;
        done_ = target;
        idle_.notify_all();
    }
}

bool JournalWriter::apply(const std::vector<JournalOp>& ops) {
    const auto rows = rowOfRun_;
    const auto recording = recordingRow_;
    const auto history = historyRows_;
    historyChanged_ = false;
    bool ok = db_->exec("BEGIN IMMEDIATE");
    QString savedAs; // a save stands until anything else changes
    for (const JournalOp& op : ops) {
        if (ok) ok = applyOne(op);
        savedAs = op.kind == JournalOp::Kind::NoteSaved ? op.name : QString();
    }
    if (ok) {
        Statement s(*db_, savedAs.isEmpty()
                              ? "DELETE FROM meta WHERE key = 'saved_as'"
                              : "INSERT OR REPLACE INTO meta(key, value) VALUES('saved_as', ?)");
        if (!savedAs.isEmpty()) s.bind(1, savedAs);
        ok = s.ok() && s.run();
    }
    if (ok && historyChanged_) ok = writeHistory();
    if (ok) {
        Statement s(*db_, "INSERT OR REPLACE INTO meta(key, value) VALUES('last_commit', ?)");
        ok = s.ok() && s.bind(1, clock_.wallMs()).run();
    }
    if (ok && db_->exec("COMMIT")) {
        ++commits_;
        return true;
    }
    const int code = db_->errorCode();
    db_->exec("ROLLBACK");
    rowOfRun_ = rows;
    recordingRow_ = recording;
    historyRows_ = history;
    fail(journalFailureText(code, folder_));
    return false;
}

bool JournalWriter::applyOne(const JournalOp& op) {
    using Kind = JournalOp::Kind;
    const auto dropSet = [this](qint64 row) { return deleteSet(*db_, row); };
    switch (op.kind) {
    case Kind::AddRun: {
        const auto row = insertSet(*db_, SetRole::Run, op.run, int(op.runId));
        if (!row) return false;
        rowOfRun_[op.runId] = *row;
        if (op.run.automatic) {
            historyRows_.insert(*row);
            historyChanged_ = true;
        }
        return true;
    }
    case Kind::DropRun:
    case Kind::AdoptRun: {
        const auto it = rowOfRun_.find(op.runId);
        if (it == rowOfRun_.end()) return true;
        historyChanged_ = historyRows_.erase(it->second) > 0 || historyChanged_;
        if (op.kind == Kind::AdoptRun) return true;
        const qint64 row = it->second;
        rowOfRun_.erase(it);
        return dropSet(row);
    }
    case Kind::RenameRun:
    case Kind::DeleteRun:
    case Kind::RestoreRun: {
        const auto it = rowOfRun_.find(op.runId);
        if (it == rowOfRun_.end()) return true;
        Statement s(*db_, op.kind == Kind::RenameRun
                              ? "UPDATE point_sets SET name = ?2 WHERE id = ?1"
                              : "UPDATE point_sets SET deleted = ?2 WHERE id = ?1");
        if (!s.ok()) return false;
        s.bind(1, it->second);
        if (op.kind == Kind::RenameRun)
            s.bind(2, op.name);
        else
            s.bind(2, qint64(op.kind == Kind::DeleteRun));
        return s.run();
    }
    case Kind::BeginRecording: {
        if (recordingRow_ && !dropSet(*recordingRow_)) return false;
        recordingRow_.reset();
        const auto row = insertSet(*db_, SetRole::Recording, op.run, 0);
        if (!row) return false;
        recordingRow_ = *row;
        return true;
    }
    case Kind::AppendPoints:
        return !recordingRow_ || insertChunk(*db_, *recordingRow_, op.first, op.chunk);
    case Kind::DropRecording:
        if (recordingRow_ && !dropSet(*recordingRow_)) return false;
        recordingRow_.reset();
        return true;
    case Kind::NoteSaved:
        return true;
    case Kind::NoteAbsorbed: {
        Statement s(*db_, "INSERT OR REPLACE INTO meta(key, value) VALUES('absorbed', ?)");
        return s.ok() && s.bind(1, op.name).run();
    }
    }
    return false;
}

// The history's rows as one text ("12 15 18"), written with the change in the same commit.
bool JournalWriter::writeHistory() {
    QStringList rows;
    for (const qint64 row : historyRows_)
        rows << QString::number(row);
    Statement s(*db_, "INSERT OR REPLACE INTO meta(key, value) VALUES('history', ?)");
    return s.ok() && s.bind(1, rows.join(QLatin1Char(' '))).run();
}

} // namespace kurvimat::session
