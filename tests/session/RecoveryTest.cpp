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
    const QDateTime now(QDate(2025, 12, 9), QTime(9, 30));
    struct Row {
        int runs;
        QDateTime last;
        const char* expected;
    };
    const Row rows[] = {
        {3, QDateTime(QDate(2025, 12, 9), QTime(8, 10)),
         "Die Messreihen der letzten Sitzung (3, zuletzt 08:10) wurden nicht gespeichert. "
         "Wiederherstellen?"},
        {1, QDateTime(QDate(2025, 12, 7), QTime(14, 5)),
         "Die Messreihen der letzten Sitzung (1, zuletzt 07.12. 14:05) wurden nicht gespeichert. "
         "Wiederherstellen?"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.expected);
        EXPECT_EQ(recoveryQuestion(r.runs, r.last, now), QString::fromUtf8(r.expected));
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
    EXPECT_EQ(recovery.question(),
              recoveryQuestion(3, QDateTime::fromMSecsSinceEpoch(last),
                               QDateTime::fromMSecsSinceEpoch(clock.wallMs())));
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
    EXPECT_EQ(recovery.runCount(), 2);
    Journal journal(dir.filePath("next"), clock);
    EXPECT_EQ(recovery.restoreInto(journal).size(), 2u);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(QDir(dir.filePath(TrashFolderName)).entryList(QDir::Files).size(), 1);
    journal.finish();
}

} // namespace
} // namespace kurvimat::session::test
