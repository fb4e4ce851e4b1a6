#include "SessionTestSupport.h"

#include "Journal.h"
#include "Recovery.h"

#include <QFile>

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

} // namespace
} // namespace kurvimat::session::test
