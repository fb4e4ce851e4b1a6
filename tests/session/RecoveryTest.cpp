#include "SessionTestSupport.h"

#include "Journal.h"
#include "Recovery.h"

#include "SqliteDb.h"

#include <QFile>

#include <sqlite3.h>

#include <sys/mount.h>

namespace kurvimat::session::test {
namespace {

// A journal left behind with runs runs, as a program that ended unsaved leaves it.
QString leaveJournal(const QString& folder, ManualClock& clock, int runs) {
    Journal journal(folder, clock);
    for (int i = 0; i < runs; ++i)
        journal.addRun(makeRun(PointSet::Origin::Recorded, 20, clock.wallMs()));
    journal.sync();
    return journal.path();
}

TEST(RecoveryQuestion, Table) {
    const QDateTime now(QDate(2025, 12, 9), QTime(19, 58));
    const QString discard = "\nWiederherstellen holt sie in diese Sitzung zurück. Verwerfen legt "
                            "sie in den Papierkorb, wo sie sieben Tage bleiben (Datei ▸ "
                            "Verworfene Sitzungen …).";
    struct Row {
        RecoveryFacts facts;
        const char* expected; // before the line about Verwerfen
    };
    const Row rows[] = {
        {{3, true, QDateTime(QDate(2025, 12, 9), QTime(19, 53))},
         "Die letzte Sitzung hat 3 Messreihen und eine laufende Aufzeichnung hinterlassen, "
         "zuletzt um 19:53. Sie sind in keiner Versuchsdatei gespeichert."},
        {{1, false, QDateTime(QDate(2025, 12, 7), QTime(14, 5)), "/home/l/Pendel.kurvimat"},
         "Die letzte Sitzung hat eine Messreihe hinterlassen, zuletzt am 07.12. um 14:05. Sie "
         "sind gespeichert in Pendel.kurvimat."},
        {{0, true, QDateTime(QDate(2025, 12, 9), QTime(8, 10)), {}, 1, {"die Punkte von „x“ ab Punkt 41"}},
         "Die letzte Sitzung hat eine laufende Aufzeichnung hinterlassen, zuletzt um 08:10. Sie "
         "sind in keiner Versuchsdatei gespeichert. Eine Sitzungsdatei ist beschädigt (die "
         "Punkte von „x“ ab Punkt 41); wiederhergestellt wird, was sich noch lesen lässt."},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.expected);
        EXPECT_EQ(recoveryQuestion(r.facts, now), QString::fromUtf8(r.expected) + discard);
    }
}

// A journal saved in an experiment file says so after a crash, until anything changes.
TEST(Recovery, SavedAsHoldsUntilAnythingChanges) {
    for (const bool changedAfter : {false, true}) {
        SCOPED_TRACE(changedAfter ? "a run kept after saving" : "saved last");
        QTemporaryDir dir;
        ManualClock clock;
        {
            Journal journal(dir.path(), clock);
            journal.addRun(makeRun(PointSet::Origin::Recorded, 20, clock.wallMs()));
            journal.noteSaved(dir.filePath("Pendel.kurvimat"));
            if (changedAfter) journal.addRun(makeRun(PointSet::Origin::Loaded, 5, clock.wallMs()));
            journal.sync();
        }
        Recovery recovery(dir.path(), clock);
        EXPECT_EQ(recovery.facts().savedAs,
                  changedAfter ? QString() : dir.filePath("Pendel.kurvimat"));
        EXPECT_EQ(recovery.facts().runs, changedAfter ? 2 : 1);
    }
}

TEST(Recovery, CountsEveryLeftJournalAndTheLastCommit) {
    QTemporaryDir dir;
    ManualClock clock;
    leaveJournal(dir.path(), clock, 2);
    clock.advance(3600 * 1000);
    leaveJournal(dir.path(), clock, 1);
    const qint64 last = clock.wallMs();
    clock.advance(60000);
    Recovery recovery(dir.path(), clock);
    EXPECT_EQ(recovery.runCount(), 3);
    EXPECT_EQ(recovery.lastAtMs(), last);
    EXPECT_EQ(recovery.facts().runs, 3);
    EXPECT_FALSE(recovery.facts().recording);
    EXPECT_TRUE(recovery.question().startsWith("Die letzte Sitzung hat 3 Messreihen hinterlassen"));
}

// "No": the journals go to the Papierkorb, which keeps each of them seven days.
TEST(Recovery, PapierkorbKeepsSevenDays) {
    struct Row {
        const char* name;
        qint64 laterMs;
        bool kept;
    };
    const Row rows[] = {
        {"next start", 1000, true},
        {"six days later", 6 * 24 * 3600 * 1000LL, true},
        {"exactly seven days", TrashKeepMs, true},
        {"seven days and a second", TrashKeepMs + 1000, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QTemporaryDir dir;
        ManualClock clock;
        leaveJournal(dir.path(), clock, 2);
        {
            Recovery recovery(dir.path(), clock);
            ASSERT_TRUE(recovery.found());
            recovery.moveToTrash();
        }
        const QDir trash(dir.filePath(TrashFolderName));
        ASSERT_EQ(trash.entryList(QDir::Files).size(), 1);
        clock.advance(r.laterMs);
        Recovery later(dir.path(), clock);
        EXPECT_FALSE(later.found()); // not asked again
        EXPECT_EQ(later.purged(), r.kept ? 0 : 1);
        EXPECT_EQ(trash.entryList(QDir::Files).size(), r.kept ? 1 : 0);
    }
}

TEST(Recovery, TrashedJournalStillHoldsItsRuns) {
    // Trashed by "Nein" at the next start, or discarded by the user on closing.
    for (const bool discarded : {false, true}) {
        SCOPED_TRACE(discarded ? "discarded on closing" : "not restored");
        QTemporaryDir dir;
        ManualClock clock;
        if (discarded) {
            Journal journal(dir.path(), clock);
            for (int i = 0; i < 2; ++i)
                journal.addRun(makeRun(PointSet::Origin::Recorded, 20, clock.wallMs()));
            journal.discard();
            EXPECT_FALSE(Recovery(dir.path(), clock).found()); // not asked about again
        } else {
            leaveJournal(dir.path(), clock, 2);
            Recovery(dir.path(), clock).moveToTrash();
        }
        // Moved back by hand, it is offered again: the Papierkorb is a real copy, one file.
        const QDir trash(dir.filePath(TrashFolderName));
        const QStringList files = trash.entryList(QDir::Files);
        ASSERT_EQ(files.size(), 1);
        ASSERT_TRUE(
            QFile::rename(trash.filePath(files[0]), dir.filePath("zurueck.kurvimat-journal")));
        EXPECT_EQ(Recovery(dir.path(), clock).runCount(), 2);
    }
}

// A journal an earlier version left, before the further columns, is offered and restored.
TEST(Recovery, AJournalOfTheVersionBeforeTheColumnsIsRestored) {
    QTemporaryDir dir;
    ManualClock clock;
    const QString path = leaveJournal(dir.path(), clock, 2);
    {
        auto db = SqliteDb::open(path, SQLITE_OPEN_READWRITE);
        ASSERT_TRUE(db && db->exec("DROP TABLE column_chunks; DROP TABLE point_columns; "
                                   "PRAGMA user_version = 3"));
    }
    Recovery recovery(dir.path(), clock);
    ASSERT_EQ(recovery.runCount(), 2);
    Journal into(dir.filePath("neu"), clock);
    recovery.restoreInto(into);
    ASSERT_EQ(into.runs().size(), 2);
    EXPECT_EQ(into.runs().runs()[1].points, makeSet(PointSet::Origin::Recorded, 20));
}

TEST(Recovery, DamagedJournalGoesToThePapierkorb) {
    QTemporaryDir dir;
    ManualClock clock;
    const QString path = leaveJournal(dir.path(), clock, 1);
    leaveJournal(dir.path(), clock, 2);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.seek(4096 + 8); // into the second page
        file.write(QByteArray(512, '\x5a'));
    }
    Recovery recovery(dir.path(), clock);
    EXPECT_EQ(recovery.damagedCount(), 1);
    // The damaged journal's run is still readable: it is offered with the others.
    EXPECT_EQ(recovery.runCount(), 3);
    EXPECT_TRUE(recovery.question().contains("Eine Sitzungsdatei ist beschädigt"));
    Journal journal(dir.filePath("next"), clock);
    EXPECT_EQ(recovery.restoreInto(journal).size(), 3u);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(QDir(dir.filePath(TrashFolderName)).entryList(QDir::Files).size(), 1);
    journal.finish();
}

// A small tmpfs at a folder (root only), filled to the last byte on demand and unmounted at
// the end.
class SmallDisk {
public:
    explicit SmallDisk(const QString& folder) : folder_(folder) {
        QDir().mkpath(folder);
        mounted_ =
            ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=2m") == 0;
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    void fill() {
        QFile f(QDir(folder_).filePath("voll"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        const QByteArray block(4096, '\0');
        while (f.write(block) == block.size() && f.flush()) {
        }
    }

private:
    QString folder_;
    bool mounted_ = false;
};

// Only damage sends a journal to the Papierkorb. One that cannot be read now (a full disk,
// another program's lock, no permission, a folder we may not write) stays where it is, the
// user is told why and that it comes again, and the next start offers it whole.
TEST(Recovery, JournalThatCannotBeReadNowStays) {
    enum class Fault { FullDisk, Busy, NoPermission, ReadOnlyFolder, NotADatabase };
    struct Row {
        const char* name;
        Fault fault;
        const char* why; // in the notice; empty: read now after all
        bool damaged;
    };
    const Row rows[] = {
        {"full disk: read all the same", Fault::FullDisk, "", false},
        {"locked by another program", Fault::Busy, "benutzt sie gerade", false},
        {"no permission to open it", Fault::NoPermission, "fehlt das Recht", false},
        {"folder without write permission", Fault::ReadOnlyFolder, "fehlt das Recht", false},
        {"not a database: damage", Fault::NotADatabase, "", true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QTemporaryDir dir;
        ManualClock clock;
        const QString folder = dir.filePath("daten");
        std::optional<SmallDisk> disk;
        if (r.fault == Fault::FullDisk) {
            disk.emplace(folder);
            if (!disk->mounted()) {
                std::printf("full disk row skipped: mounting a tmpfs needs root\n");
                continue;
            }
        }
        const QString path = leaveJournal(folder, clock, 2);
        std::optional<SqliteDb> blocker;
        switch (r.fault) {
        case Fault::FullDisk:
            disk->fill();
            break;
        case Fault::Busy:
            blocker = SqliteDb::open(path, SQLITE_OPEN_READWRITE);
            ASSERT_TRUE(blocker && blocker->exec("PRAGMA locking_mode = EXCLUSIVE; "
                                                 "SELECT count(*) FROM meta"));
            break;
        case Fault::NoPermission:
            QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ExeOther);
            QFile::setPermissions(folder, QFileDevice::Permissions(0x7777));
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
            break;
        case Fault::ReadOnlyFolder:
            QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ExeOther);
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther |
                                              QFile::ExeOther);
            break;
        case Fault::NotADatabase: {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(8192, 'x'));
            break;
        }
        }
        const auto look = [&] {
            Recovery recovery(folder, clock);
            if (*r.why == 0)
                return recovery.found() == !r.damaged &&
                       recovery.damagedCount() == int(r.damaged) &&
                       recovery.unavailableCount() == 0;
            const QString notice = unavailableNotice(recovery.facts());
            return !recovery.found() && recovery.damagedCount() == 0 &&
                   recovery.unavailableCount() == 1 && notice.contains(QString::fromUtf8(r.why)) &&
                   notice.contains("wird beim nächsten Start wieder angeboten");
        };
        const bool unprivileged =
            r.fault == Fault::NoPermission || r.fault == Fault::ReadOnlyFolder;
        if (unprivileged)
            EXPECT_EQ(runUnprivileged([&] { return look() ? 0 : 1; }), 0);
        else
            EXPECT_TRUE(look());
        if (r.fault == Fault::FullDisk) {
            // Restored into a session that cannot write its own journal: it stays for later.
            Journal own(folder, clock);
            ASSERT_FALSE(own.persistent());
            Recovery recovery(folder, clock, own.path());
            recovery.setMemoryOnly(!own.persistent());
            EXPECT_TRUE(recovery.question().contains("bleiben nur im Speicher"));
            EXPECT_EQ(recovery.restoreInto(own).size(), 2u);
        }
        blocker.reset();
        if (r.damaged) {
            Recovery(folder, clock).moveToTrash();
            EXPECT_FALSE(QFile::exists(path));
            continue;
        }
        EXPECT_TRUE(QFile::exists(path));
        EXPECT_FALSE(QDir(QDir(folder).filePath(TrashFolderName)).exists());
        QFile::setPermissions(folder, QFileDevice::Permissions(0x7700));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        Recovery later(folder, clock);
        EXPECT_EQ(later.runCount(), 2);
        EXPECT_EQ(later.damagedCount(), 0);
    }
}

// A session is offered once, however many journals of it a start finds: one made anew after
// the running program's file was renamed, or an old one still there after its runs were
// restored into a journal that then was left behind.
TEST(Recovery, OneSessionIsOfferedOnce) {
    for (const bool renamed : {true, false}) {
        SCOPED_TRACE(renamed ? "renamed while the program ran"
                             : "restored, the old one still there");
        QTemporaryDir dir;
        ManualClock clock;
        int runs = 12;
        if (renamed) {
            Journal journal(dir.path(), clock);
            for (int i = 0; i < runs; ++i)
                journal.addRun(makeRun(PointSet::Origin::Recorded, 20, clock.wallMs()));
            ASSERT_TRUE(journal.sync());
            ASSERT_TRUE(QFile::rename(journal.path(), dir.filePath("umbenannt.kurvimat-journal")));
            clock.advance(IdentityCheckMs);
            ASSERT_TRUE(journal.replaceIfLost(clock.steadyMs()));
            ASSERT_TRUE(journal.sync()); // left as a crash leaves it
        } else {
            runs = 3;
            const QString old = leaveJournal(dir.path(), clock, runs);
            ASSERT_TRUE(QFile::copy(old, dir.filePath("kopie")));
            Journal journal(dir.path(), clock);
            Recovery(dir.path(), clock, journal.path()).restoreInto(journal);
            ASSERT_FALSE(QFile::exists(old));
            ASSERT_TRUE(QFile::rename(dir.filePath("kopie"), old));
        }
        const QStringList journals =
            QDir(dir.path()).entryList({QString("*") + JournalSuffix}, QDir::Files);
        ASSERT_EQ(journals.size(), 2);
        Recovery recovery(dir.path(), clock);
        EXPECT_EQ(recovery.runCount(), runs);
        EXPECT_EQ(recovery.facts().runs, runs);
        Journal next(dir.filePath("next"), clock);
        EXPECT_EQ(recovery.restoreInto(next).size(), std::size_t(runs));
        next.finish();
        // Both are gone from the folder, the older copy into the Papierkorb.
        EXPECT_FALSE(Recovery(dir.path(), clock).found());
        EXPECT_EQ(QDir(dir.filePath(TrashFolderName)).entryList(QDir::Files).size(), 1);
    }
}

} // namespace
} // namespace kurvimat::session::test
