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
#include <cerrno>
#include <tuple>

namespace kurvimat::session {

namespace {

void removeJournalFiles(const QString& path) {
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

// Why a journal cannot be read now, in German, from SQLite's code and the system's errno.
QString unavailableReason(int code, int systemError, const QString& folder) {
    if ((code & 0xff) == SQLITE_FULL || systemError == ENOSPC || systemError == EDQUOT)
        return QCoreApplication::translate("Recovery", "Der Datenträger ist voll.");
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QCoreApplication::translate("Recovery", "Ein anderes Programm benutzt sie gerade.");
    case SQLITE_NOMEM:
        return QCoreApplication::translate("Recovery", "Der Arbeitsspeicher reicht nicht.");
    case SQLITE_IOERR:
        if (systemError != EACCES && systemError != EPERM && systemError != EROFS)
            return QCoreApplication::translate("Recovery", "Der Datenträger meldet einen "
                                                           "Lesefehler (%1).")
                .arg(code);
        break;
    default:
        break;
    }
    return QCoreApplication::translate("Recovery", "Im Ordner %1 fehlt das Recht, sie zu öffnen "
                                                   "oder dort zu schreiben.")
        .arg(folder);
}

QString stayText() {
    return QCoreApplication::translate("Recovery", "Sie bleibt, wo sie ist, und wird beim "
                                                   "nächsten Start wieder angeboten.");
}

} // namespace

QString unavailableNotice(const RecoveryFacts& facts) {
    if (facts.unavailable <= 0) return {};
    const QString what =
        facts.unavailable == 1
            ? QCoreApplication::translate("Recovery", "Die Sicherungsdatei einer früheren "
                                                      "Sitzung lässt sich jetzt nicht öffnen: %1")
            : QCoreApplication::translate("Recovery", "%2 Sicherungsdateien früherer Sitzungen "
                                                      "lassen sich jetzt nicht öffnen: %1");
    const QString stay =
        facts.unavailable == 1
            ? stayText()
            : QCoreApplication::translate("Recovery", "Sie bleiben, wo sie sind, und werden beim "
                                                      "nächsten Start wieder angeboten.");
    const QString why = facts.why.join(u' ');
    return (facts.unavailable == 1 ? what.arg(why) : what.arg(why).arg(facts.unavailable)) + u' ' +
           stay;
}

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
    if (facts.unavailable > 0) text += u' ' + unavailableNotice(facts);
    if (facts.memoryOnly)
        text += u' ' + QCoreApplication::translate(
                           "Recovery", "Diese Sitzung kann gerade nichts sichern: "
                                       "Wiederhergestellte Messreihen bleiben nur im Speicher, "
                                       "ihre Sicherungsdatei bleibt liegen und wird beim "
                                       "nächsten Start wieder angeboten.");
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
        if (!f.superseded) n += int(f.runs.size());
    return n;
}

RecoveryFacts Recovery::facts() const {
    RecoveryFacts facts;
    facts.last = QDateTime::fromMSecsSinceEpoch(lastAtMs_);
    bool allSaved = !found_.empty();
    for (const Found& f : found_) {
        if (f.runs.empty() || f.superseded) continue;
        facts.runs += int(f.runs.size()) - f.recordings;
        facts.recording = facts.recording || f.recordings > 0;
        allSaved = allSaved && !f.savedAs.isEmpty() && !f.damaged;
        if (allSaved) facts.savedAs = f.savedAs;
    }
    if (!allSaved) facts.savedAs.clear();
    facts.damaged = damaged_;
    facts.damage = damage_;
    facts.unavailable = int(why_.size());
    for (const QString& why : why_)
        if (!facts.why.contains(why)) facts.why << why;
    facts.memoryOnly = memoryOnly_;
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
        bool held = false;
        if (!f.lock.tryLock(f.path + QLatin1String(LockSuffix), &held)) {
            // Held: a running program's journal, not ours to touch. A lock that cannot be
            // made (a folder we may not write) leaves the journal as it is, said.
            if (!held) why_ << unavailableReason(SQLITE_CANTOPEN, EACCES, folder_);
            continue;
        }
        // Its program finished it while we looked.
        if (!QFile::exists(f.path)) {
            f.lock.release(true);
            continue;
        }
        if (const auto why = read(f)) {
            why_ << *why;
            f.lock.release(true);
            continue;
        }
        if (!f.damaged && f.runs.empty()) {
            removeJournalFiles(f.path);
            f.lock.release(true);
            continue;
        }
        found_.push_back(std::move(f));
    }
    markSuperseded();
    for (const Found& f : found_)
        if (!f.superseded) lastAtMs_ = std::max(lastAtMs_, f.lastAt);
}

std::optional<QString> Recovery::read(Found& f) {
    int code = SQLITE_OK, systemError = 0;
    // Opening replays the write-ahead log of a program that died mid-way.
    auto db = SqliteDb::open(f.path, SQLITE_OPEN_READWRITE, &code, &systemError);
    if (!db) return unavailableReason(code, systemError, folder_);
    // The log's index in memory rather than in a -shm file beside it: a full disk or a folder
    // without room still lets the journal be read. We hold its lock anyway.
    db->exec("PRAGMA locking_mode = EXCLUSIVE");
    const auto failed = [&db, this] {
        return unavailableReason(db->errorCode(), db->systemError(), folder_);
    };
    const SchemaCheck schema = checkSchema(*db);
    if (schema == SchemaCheck::Unavailable) return failed();
    if (schema == SchemaCheck::Newer)
        return QCoreApplication::translate("Recovery",
                                           "Sie stammt aus einer neueren Kurvimat-Version.");
    f.damaged = schema != SchemaCheck::Current;
    if (schema == SchemaCheck::Foreign) return std::nullopt;
    // A journal that fails its check gives what can still be read: its rows may be whole
    // where a page or a chunk is not.
    ReadCheck check;
    check.checksums = db->queryInt("PRAGMA user_version").value_or(0) >= ChecksumVersion;
    check.salvage = true;
    auto runs = readSets(*db, SetRole::Run, &check);
    if (!runs && failureIsTemporary(db->errorCode())) return failed();
    auto recordings = readSets(*db, SetRole::Recording, &check);
    if (!recordings && failureIsTemporary(db->errorCode())) return failed();
    f.damaged = f.damaged || !runs || !recordings || !check.damaged.isEmpty();
    f.damage = check.damaged;
    const auto meta = [&db](const char* key) {
        Statement s(*db, "SELECT value FROM meta WHERE key = ?");
        s.bind(1, QString::fromLatin1(key));
        return s.ok() && s.step() == SQLITE_ROW ? s.columnText(0) : QString();
    };
    if (runs) {
        // The history's runs come back as the history.
        const QStringList rows = meta("history").split(QLatin1Char(' '), Qt::SkipEmptyParts);
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
    f.lastAt = meta("last_commit").toLongLong();
    f.savedAs = meta("saved_as");
    f.session = meta("session");
    f.absorbed = meta("absorbed").split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return std::nullopt;
}

// One session is offered once: of the journals of one session (one made anew after its file
// was renamed or deleted under the running program) the latest holds it all, and a session
// restored into another is that one's.
void Recovery::markSuperseded() {
    QStringList absorbed;
    for (const Found& f : found_)
        absorbed << f.absorbed;
    for (Found& f : found_) {
        if (f.session.isEmpty()) continue;
        if (absorbed.contains(f.session)) {
            f.superseded = true;
            continue;
        }
        for (const Found& other : found_) {
            if (&other == &f || other.session != f.session) continue;
            // Readable first, then the later commit; the path decides a tie.
            const auto rank = [](const Found& j) {
                return std::tuple(!j.damaged, j.lastAt, j.path);
            };
            if (rank(other) > rank(f)) f.superseded = true;
        }
    }
    // What only a superseded journal counts as damage is not said.
    damaged_ = 0;
    for (const Found& f : found_)
        if (f.damaged && !f.superseded) {
            ++damaged_;
            damage_ << f.damage;
        }
}

std::vector<qint64> Recovery::restoreInto(Journal& journal) {
    std::vector<qint64> ids;
    QStringList sessions;
    for (Found& f : found_) {
        sessions << f.session;
        if (f.superseded) continue;
        for (Run& run : f.runs) {
            run.id = 0;
            ids.push_back(journal.addRun(std::move(run)));
        }
    }
    // Committed after the runs: a start that finds an old journal still there (the new one
    // committed, the old not yet gone) knows its runs are here.
    journal.noteAbsorbed(sessions);
    // The old journals go only once their runs are safe in the new one.
    const bool safe = journal.sync() && journal.persistent();
    for (Found& f : found_) {
        if (f.damaged || (f.superseded && safe)) {
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
