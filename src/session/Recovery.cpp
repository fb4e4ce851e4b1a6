#include "Recovery.h"

#include "Clock.h"
#include "Journal.h"
#include "Schema.h"
#include "SessionTables.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>

namespace kurvimat::session {

namespace {

void removeJournalFiles(const QString& path) {
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

} // namespace

QString recoveryQuestion(const RecoveryFacts& facts, const QDateTime& now) {
    QStringList held;
    if (facts.runs == 1)
        held << QCoreApplication::translate("Recovery", "eine Messreihe");
    else if (facts.runs > 1)
        held << QCoreApplication::translate("Recovery", "%1 Messreihen").arg(facts.runs);
    if (facts.recording) held << QCoreApplication::translate("Recovery", "eine laufende Aufzeichnung");
    const QDateTime local = facts.last.toLocalTime();
    const QString when =
        local.date() == now.toLocalTime().date()
            ? QCoreApplication::translate("Recovery", "zuletzt um %1").arg(local.toString(QStringLiteral("HH:mm")))
            : QCoreApplication::translate("Recovery", "zuletzt am %1 um %2")
                  .arg(local.toString(QStringLiteral("dd.MM.")), local.toString(QStringLiteral("HH:mm")));
    QString text = QCoreApplication::translate("Recovery", "Die letzte Sitzung hat %1 hinterlassen, %2.")
                       .arg(held.join(QCoreApplication::translate("Recovery", " und ")), when);
    text += u' ';
    text += facts.savedAs.isEmpty()
                ? QCoreApplication::translate("Recovery", "Sie sind in keiner Versuchsdatei gespeichert.")
                : QCoreApplication::translate("Recovery", "Sie sind gespeichert in %1.").arg(QFileInfo(facts.savedAs).fileName());
    if (facts.damaged > 0)
        text += u' ' + (facts.damage.isEmpty()
                            ? QCoreApplication::translate("Recovery", "Eine Sitzungsdatei ist beschädigt; wiederhergestellt wird, was "
                                 "sich noch lesen lässt.")
                            : QCoreApplication::translate("Recovery", "Eine Sitzungsdatei ist beschädigt (%1); wiederhergestellt wird, "
                                 "was sich noch lesen lässt.")
                                  .arg(facts.damage.join(QStringLiteral(", "))));
    text += u'\n' + QCoreApplication::translate("Recovery", "Wiederherstellen holt sie in diese Sitzung zurück. Verwerfen legt sie "
                        "in den Papierkorb, wo sie sieben Tage bleiben (Datei ▸ Verworfene "
                        "Sitzungen …).");
    return text;
}

Recovery::Recovery(const QString& folder, const Clock& clock, const QString& ownPath)
    : folder_(folder), clock_(clock) {
    purgeTrash();
    scan(ownPath);
}

int Recovery::runCount() const {
    int n = 0;
    for (const Found& f : found_)
        n += int(f.runs.size());
    return n;
}

RecoveryFacts Recovery::facts() const {
    RecoveryFacts facts;
    facts.last = QDateTime::fromMSecsSinceEpoch(lastAtMs_);
    bool allSaved = !found_.empty();
    for (const Found& f : found_) {
        if (f.runs.empty()) continue;
        facts.runs += int(f.runs.size()) - f.recordings;
        facts.recording = facts.recording || f.recordings > 0;
        allSaved = allSaved && !f.savedAs.isEmpty() && !f.damaged;
        if (allSaved) facts.savedAs = f.savedAs;
    }
    if (!allSaved) facts.savedAs.clear();
    facts.damaged = damaged_;
    facts.damage = damage_;
    return facts;
}

QString Recovery::question() const {
    return recoveryQuestion(facts(), QDateTime::fromMSecsSinceEpoch(clock_.wallMs()));
}

void Recovery::scan(const QString& ownPath) {
    const QDir dir(folder_);
    const QStringList names =
        dir.entryList({QLatin1Char('*') + QLatin1String(JournalSuffix)}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        Found f;
        f.path = dir.filePath(name);
        if (QFileInfo(f.path) == QFileInfo(ownPath)) continue;
        // Held: a running program's journal, not ours to touch.
        if (!f.lock.tryLock(f.path + QLatin1String(LockSuffix))) continue;
        // Its program finished it while we looked.
        if (!QFile::exists(f.path)) {
            f.lock.release(true);
            continue;
        }
        qint64 lastAt = 0;
        {
            // Opening replays the write-ahead log of a program that died mid-way.
            auto db = SqliteDb::open(f.path, SQLITE_OPEN_READWRITE);
            const SchemaCheck schema = db ? checkSchema(*db) : SchemaCheck::Corrupt;
            f.damaged = schema != SchemaCheck::Current;
            // A journal that fails its check gives what can still be read: its rows may
            // be whole where a page or a chunk is not.
            if (db && schema != SchemaCheck::Foreign && schema != SchemaCheck::Newer) {
                ReadCheck check;
                check.checksums =
                    db->queryInt("PRAGMA user_version").value_or(0) >= ChecksumVersion;
                check.salvage = true;
                auto runs = readSets(*db, SetRole::Run, &check);
                auto recordings = readSets(*db, SetRole::Recording, &check);
                f.damaged = f.damaged || !runs || !recordings || !check.damaged.isEmpty();
                damage_ << check.damaged;
                if (runs) {
                    // The history's runs come back as the history.
                    Statement history(*db, "SELECT value FROM meta WHERE key = 'history'");
                    QStringList rows;
                    if (history.ok() && history.step() == SQLITE_ROW)
                        rows = history.columnText(0).split(QLatin1Char(' '), Qt::SkipEmptyParts);
                    for (Run& r : *runs)
                        r.automatic = rows.contains(QString::number(r.id));
                    f.runs = std::move(*runs);
                }
                if (recordings)
                    for (Run& r : *recordings)
                        if (!r.points.empty()) {
                            r.name.clear(); // named like any new run
                            f.runs.push_back(std::move(r));
                            ++f.recordings;
                        }
                lastAt = db->queryInt("SELECT value FROM meta WHERE key = 'last_commit'")
                             .value_or(0);
                Statement saved(*db, "SELECT value FROM meta WHERE key = 'saved_as'");
                if (saved.ok() && saved.step() == SQLITE_ROW) f.savedAs = saved.columnText(0);
            }
        }
        if (f.damaged) {
            ++damaged_;
        } else if (f.runs.empty()) {
            removeJournalFiles(f.path);
            f.lock.release(true);
            continue;
        }
        lastAtMs_ = std::max(lastAtMs_, lastAt);
        found_.push_back(std::move(f));
    }
}

std::vector<qint64> Recovery::restoreInto(Journal& journal) {
    std::vector<qint64> ids;
    for (Found& f : found_)
        for (Run& run : f.runs) {
            run.id = 0;
            ids.push_back(journal.addRun(std::move(run)));
        }
    // The old journals go only once their runs are safe in the new one.
    const bool safe = journal.sync() && journal.persistent();
    for (Found& f : found_) {
        if (f.damaged) {
            trash(f);
        } else if (safe) {
            removeJournalFiles(f.path);
            f.lock.release(true);
        }
    }
    found_.clear();
    return ids;
}

void Recovery::moveToTrash() {
    for (Found& f : found_)
        trash(f);
    found_.clear();
}

bool moveJournalToTrash(const QString& path, const QString& folder, qint64 nowMs, bool damaged) {
    const QDir trashDir(QDir(folder).filePath(QLatin1String(TrashFolderName)));
    if (!QDir().mkpath(trashDir.path())) return false;
    if (!damaged) {
        // One self-contained file: the log folded in and switched off.
        auto db = SqliteDb::open(path, SQLITE_OPEN_READWRITE);
        if (db) db->exec("PRAGMA wal_checkpoint(TRUNCATE); PRAGMA journal_mode = DELETE");
    }
    const QString target =
        trashDir.filePath(QStringLiteral("%1-%2").arg(nowMs).arg(QFileInfo(path).fileName()));
    if (!QFile::rename(path, target)) return false;
    if (QFile::exists(path + QLatin1String("-wal")))
        QFile::rename(path + QLatin1String("-wal"), target + QLatin1String("-wal"));
    QFile::remove(path + QLatin1String("-shm"));
    return true;
}

void Recovery::trash(Found& f) {
    if (moveJournalToTrash(f.path, folder_, clock_.wallMs(), f.damaged)) f.lock.release(true);
}

void Recovery::purgeTrash() {
    QDir trashDir(QDir(folder_).filePath(QLatin1String(TrashFolderName)));
    const qint64 now = clock_.wallMs();
    for (const QString& name : trashDir.entryList(QDir::Files)) {
        bool ok = false;
        const qint64 trashedAt = name.section(QLatin1Char('-'), 0, 0).toLongLong(&ok);
        if (ok && now - trashedAt > TrashKeepMs && trashDir.remove(name)) ++purged_;
    }
}

} // namespace kurvimat::session
