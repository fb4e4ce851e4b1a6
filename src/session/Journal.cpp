#include "Journal.h"

#include "Clock.h"
#include "JournalWriter.h"
#include "Recovery.h"
#include "Schema.h"
#include "SessionTables.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QUuid>

#include <sqlite3.h>

namespace kurvimat::session {

namespace {

// The journal's connection: one writer holding the file exclusively, write-ahead log, and
// every commit synced (FULL), since NORMAL loses commits since the last checkpoint at a
// power cut. The cost lands on the writer's thread.
std::optional<SqliteDb> openJournalDb(const QString& path, const Clock& clock,
                                      const QString& session, const QStringList& absorbed,
                                      int* code, bool* made) {
    auto db = SqliteDb::open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, code);
    if (!db) return std::nullopt;
    *made = true;
    bool ok = db->exec("PRAGMA locking_mode = EXCLUSIVE; PRAGMA synchronous = FULL");
    {
        Statement mode(*db, "PRAGMA journal_mode = WAL");
        ok = ok && mode.ok() && mode.step() == SQLITE_ROW &&
             mode.columnText(0) == QLatin1String("wal");
    }
    ok = ok && migrate(*db);
    if (ok) {
        Statement meta(*db, "INSERT OR REPLACE INTO meta(key, value) VALUES('started', ?)");
        ok = meta.ok() && meta.bind(1, clock.wallMs()).run();
    }
    if (ok) {
        Statement meta(*db, "INSERT OR REPLACE INTO meta(key, value) VALUES('session', ?)");
        ok = meta.ok() && meta.bind(1, session).run();
    }
    if (ok && !absorbed.isEmpty()) {
        Statement meta(*db, "INSERT OR REPLACE INTO meta(key, value) VALUES('absorbed', ?)");
        ok = meta.ok() && meta.bind(1, absorbed.join(QLatin1Char(' '))).run();
    }
    if (!ok) {
        *code = db->errorCode();
        return std::nullopt;
    }
    return db;
}

QString newSessionId() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

} // namespace

QString Journal::defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QStringLiteral("/Sitzungen");
}

Journal::Journal(const QString& folder, const Clock& clock)
    : clock_(clock), folder_(folder), sessionId_(newSessionId()) {
    open();
}

void Journal::open() {
    identity_ = FileIdentity();
    identityKnown_ = false;
    const QString stem = QDir(folder_).filePath(
        QStringLiteral("sitzung-%1-%2").arg(clock_.wallMs()).arg(QCoreApplication::applicationPid()));
    // Two programs (or two journals of one) started in the same millisecond get apart here.
    for (int n = 0; n < 100 && !lock_.locked() && QDir().mkpath(folder_); ++n) {
        path_ =
            stem + (n ? QStringLiteral("-%1").arg(n) : QString()) + QLatin1String(JournalSuffix);
        if (!QFile::exists(path_) && lock_.tryLock(path_ + QLatin1String(LockSuffix)) &&
            QFile::exists(path_))
            lock_.release();
    }
    if (!lock_.locked()) {
        writer_ = std::make_unique<JournalWriter>(std::nullopt, clock_, folder_,
                                                  journalFailureText(SQLITE_CANTOPEN, folder_));
        return;
    }
    // The file is made and synced on the writer's thread: at the start the window need not
    // wait for the disk. The name is ours by the lock already.
    writer_ = std::make_unique<JournalWriter>(
        [path = path_, folder = folder_, session = sessionId_, absorbed = absorbed_,
         &clock = clock_] {
            JournalWriter::Opened opened;
            opened.code = SQLITE_CANTOPEN;
            bool made = false;
            opened.db = openJournalDb(path, clock, session, absorbed, &opened.code, &made);
            if (opened.db) {
                syncFolder(folder);
                opened.identity = fileIdentity(path);
            } else {
                // Deleted or moved by someone while it was being made: lost, not failed.
                opened.lost = made && fileIdentity(path) == FileIdentity();
                for (const char* suffix : {"", "-wal", "-shm"})
                    QFile::remove(path + QLatin1String(suffix));
            }
            return opened;
        },
        clock_, folder_);
}

// A file that could not be made gives its name up; the session goes on in memory.
void Journal::settleOpen() {
    if (lock_.locked() && writer_->openFailed()) lock_.release(true);
}

void Journal::closeFile(bool trash) {
    commitPending();
    writer_->stop();
    settleOpen();
    if (!lock_.locked()) return;
    const bool nothingKept = runs_.size() == 0 && recordedPoints_ == 0;
    // Without a Papierkorb, a journal to keep stays for the next start to offer.
    if (!trash || nothingKept)
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(path_ + QLatin1String(suffix));
    else
        moveJournalToTrash(path_, folder_, clock_.wallMs(), false);
    syncFolder(folder_);
    lock_.release(true);
}

void Journal::startOver(bool trash) {
    if (finished_) return;
    closeFile(trash);
    runs_.clear();
    pending_.clear();
    recordedPoints_ = 0;
    recording_ = false;
    sessionId_ = newSessionId();
    absorbed_.clear();
    open();
}

void Journal::noteSaved(const QString& path) {
    JournalOp op(JournalOp::Kind::NoteSaved);
    op.name = path;
    writer_->submit(std::move(op));
}

void Journal::noteAbsorbed(const QStringList& sessionIds) {
    for (const QString& id : sessionIds)
        if (!id.isEmpty() && !absorbed_.contains(id)) absorbed_ << id;
    JournalOp op(JournalOp::Kind::NoteAbsorbed);
    op.name = absorbed_.join(QLatin1Char(' '));
    writer_->submit(std::move(op));
}

bool Journal::replaceIfLost(qint64 steadyNowMs) {
    if (finished_ || !lock_.locked() || steadyNowMs - identityCheckedAt_ < IdentityCheckMs)
        return false;
    if (!identityKnown_ && !writer_->lostWhileMade()) {
        // Compared from when the file is made; until then there is nothing to lose.
        settleOpen();
        const auto made = writer_->identity();
        if (!made) return false;
        identity_ = *made;
        identityKnown_ = true;
    }
    identityCheckedAt_ = steadyNowMs;
    // A file gone before its identity was taken is lost too.
    if (identityKnown_ && identity_ != FileIdentity() && fileIdentity(path_) == identity_)
        return false;
    // The old connection writes on into a file nobody can find; what it left under the name
    // (a write-ahead log) goes with it, unless the name is another file now.
    pending_.clear();
    writer_->stop();
    if (fileIdentity(path_) == FileIdentity())
        for (const char* suffix : {"-wal", "-shm"})
            QFile::remove(path_ + QLatin1String(suffix));
    lock_.release(true);
    open();
    for (const Run& run : runs_.runs()) {
        JournalOp op(JournalOp::Kind::AddRun, run.id);
        op.run = run;
        writer_->submit(std::move(op));
    }
    recordedPoints_ = 0;
    if (recording_) {
        JournalOp op(JournalOp::Kind::BeginRecording);
        op.run = recordingHeader_;
        writer_->submit(std::move(op));
    }
    return true;
}

Journal::~Journal() {
    if (finished_) return;
    commitPending();
    writer_->stop();
    settleOpen();
    const bool nothingKept = runs_.size() == 0 && recordedPoints_ == 0;
    if (nothingKept && lock_.locked()) {
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(path_ + QLatin1String(suffix));
        lock_.release(true);
    }
}

bool Journal::persistent() const {
    // A file lost while it was made is made anew at the next check.
    return lock_.locked() && (writer_->waitOpened() || writer_->lostWhileMade());
}

qint64 Journal::addRun(Run run) {
    const qint64 id = runs_.add(std::move(run));
    JournalOp op(JournalOp::Kind::AddRun, id);
    op.run = runs_.runs().back(); // no search: a session of many runs adds each in one step
    writer_->submit(std::move(op));
    return id;
}

Kept Journal::keep(Run run, KeepKind kind) {
    if (const Run* same = runs_.findEqual(run.points)) {
        const qint64 id = same->id;
        if (kind == KeepKind::User) adopt(id);
        return {id, false};
    }
    run.automatic = kind == KeepKind::History;
    const qint64 id = addRun(std::move(run));
    if (kind == KeepKind::History) {
        // Dropped for good, not marked deleted: the journal's pages are used again, so that
        // hours of sweeps do not grow it.
        const std::vector<qint64> history = runs_.automaticIds();
        for (std::size_t i = 0; i + HistoryLimit < history.size(); ++i) {
            runs_.drop(history[i]);
            writer_->submit(JournalOp(JournalOp::Kind::DropRun, history[i]));
        }
    }
    return {id, true};
}

Kept Journal::replaceRun(qint64 id, Run run) {
    if (const Run* old = runs_.find(id)) {
        if (run.name.isEmpty()) run.name = old->name;
        runs_.drop(id);
        writer_->submit(JournalOp(JournalOp::Kind::DropRun, id));
    }
    return keep(std::move(run), KeepKind::User);
}

void Journal::adopt(qint64 id) {
    if (runs_.adopt(id)) writer_->submit(JournalOp(JournalOp::Kind::AdoptRun, id));
}

bool Journal::renameRun(qint64 id, const QString& name) {
    if (!runs_.rename(id, name)) return false;
    adopt(id);
    JournalOp op(JournalOp::Kind::RenameRun, id);
    op.name = name;
    writer_->submit(std::move(op));
    return true;
}

bool Journal::deleteRun(qint64 id) {
    if (!runs_.remove(id)) return false;
    writer_->submit(JournalOp(JournalOp::Kind::DeleteRun, id));
    return true;
}

std::optional<qint64> Journal::undoDelete() {
    const auto id = runs_.undoDelete();
    if (id) writer_->submit(JournalOp(JournalOp::Kind::RestoreRun, *id));
    return id;
}

void Journal::beginRecording(const Run& header) {
    JournalOp op(JournalOp::Kind::BeginRecording);
    op.run.intervalMs = header.intervalMs;
    op.run.pointCount = header.pointCount;
    op.run.recordedAtMs = header.recordedAtMs ? header.recordedAtMs : clock_.wallMs();
    const PointSet& p = header.points;
    op.run.points = PointSet(p.origin(), p.hasA(), p.hasB(), p.definitionA(), p.definitionB());
    pending_.clear();
    recordedPoints_ = 0;
    recording_ = true;
    recordingHeader_ = op.run;
    writer_->submit(std::move(op));
}

void Journal::appendPoints(std::span<const SamplePoint> points) {
    if (!recording_ || points.empty()) return;
    const qint64 now = clock_.steadyMs();
    if (pending_.empty()) pendingSince_ = now;
    pending_.insert(pending_.end(), points.begin(), points.end());
    flushIfDue(now);
}

void Journal::endSweep() {
    commitPending();
}

void Journal::flushIfDue(qint64 steadyNowMs) {
    if (!pending_.empty() && steadyNowMs - pendingSince_ >= CommitAfterMs) commitPending();
}

void Journal::commitPending() {
    if (pending_.empty()) return;
    JournalOp op(JournalOp::Kind::AppendPoints);
    op.first = recordedPoints_;
    op.chunk = encodePoints(pending_.data(), int(pending_.size()));
    recordedPoints_ += int(pending_.size());
    pending_.clear();
    writer_->submit(std::move(op));
}

void Journal::discardRecording() {
    pending_.clear();
    recordedPoints_ = 0;
    recording_ = false;
    writer_->submit(JournalOp(JournalOp::Kind::DropRecording));
}

bool Journal::sync() {
    commitPending();
    return writer_->sync();
}

bool Journal::waitCommitted() {
    return writer_->sync();
}

std::optional<QString> Journal::takeFailure() {
    settleOpen();
    const auto reason = writer_->takeFailure();
    if (!reason) return std::nullopt;
    return QCoreApplication::translate("Journal",
                                       "Die Messreihen können nicht gesichert werden. %1 "
                                       "Die Aufnahme geht im Speicher weiter.")
        .arg(*reason);
}

int Journal::commits() const {
    return writer_->commits();
}

void Journal::finish() {
    if (finished_) return;
    finished_ = true;
    pending_.clear();
    writer_->stop();
    settleOpen();
    if (!lock_.locked()) return;
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(path_ + QLatin1String(suffix));
    syncFolder(folder_);
    lock_.release(true);
}

void Journal::discard() {
    if (finished_) return;
    finished_ = true;
    closeFile(true);
}

} // namespace kurvimat::session
