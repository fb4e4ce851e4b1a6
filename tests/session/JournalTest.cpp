#include "SessionTestSupport.h"

#include "FilePlatform.h"
#include "Journal.h"
#include "Recovery.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/stat.h>

namespace kurvimat::session::test {
namespace {

std::vector<session::Run> restoredRuns(const QString& folder, Clock& clock, const QString& into) {
    Recovery recovery(folder, clock);
    Journal journal(into, clock);
    recovery.restoreInto(journal);
    std::vector<session::Run> runs = journal.runs().runs();
    journal.finish();
    return runs;
}

TEST(Journal, RunsAndRecordingSurviveTheProgram) {
    QTemporaryDir dir;
    ManualClock clock;
    const QString folder = dir.filePath("journal");
    const session::Run a = makeRun(PointSet::Origin::Recorded, 500, clock.wallMs());
    session::Run b = makeRun(PointSet::Origin::Loaded, 10, clock.wallMs() + 60000, "Geladen");
    {
        // Loaded with epoch seconds and eight-digit counts: kept as read, in double precision.
        std::vector<double> t, v, none(10);
        for (int i = 0; i < 10; ++i)
            t.push_back(1709288100.0 + i), v.push_back(99999999.0 - i);
        // and a quantity beside them, which the journal keeps too.
        auto counts = signals::QuantityColumn::named(QStringLiteral("N (1/s)"));
        counts.values.assign(v.rbegin(), v.rend());
        counts.values[3] = std::nan("");
        const signals::QuantityColumn columns[] = {counts};
        b.points = PointSet::loaded(false, QStringLiteral("Zeit"), {}, t, v, none, columns);
        b.constants = {QStringLiteral("k = 2,5 N/m"), QStringLiteral("m = 0,25 kg")};
    }
    const session::Run c = makeRun(PointSet::Origin::Recorded, 10000, clock.wallMs() + 120000);
    {
        Journal journal(folder, clock);
        ASSERT_TRUE(journal.persistent());
        const qint64 ida = journal.addRun(a), idb = journal.addRun(b), idc = journal.addRun(c);
        EXPECT_TRUE(journal.renameRun(idb, "Abkühlkurve"));
        EXPECT_TRUE(journal.deleteRun(idc));
        EXPECT_EQ(journal.undoDelete(), idc);
        EXPECT_TRUE(journal.deleteRun(ida)); // deleted for good when the program ends
        journal.beginRecording(makeRun(PointSet::Origin::Recorded, 0, clock.wallMs()));
        for (int i = 0; i < 100; ++i) {
            const SamplePoint p = recordedPoint(i);
            journal.appendPoints({&p, 1});
        }
        journal.endSweep();
        ASSERT_TRUE(journal.sync());
        EXPECT_EQ(journal.recordingSize(), 100);
    } // the program ends without saving or discarding

    const auto runs = restoredRuns(folder, clock, dir.filePath("next"));
    ASSERT_EQ(runs.size(), 3u);
    session::Run renamed = b;
    renamed.name = "Abkühlkurve";
    EXPECT_TRUE(sameRun(runs[0], renamed));
    EXPECT_EQ(runs[0].points.exactTimes()[9], 1709288109.0);
    ASSERT_EQ(runs[0].points.columns().size(), 1u);
    EXPECT_EQ(runs[0].points.columns()[0].values[0], 99999990.0);
    session::Run named = c;
    named.name = defaultRunName(3, QDateTime::fromMSecsSinceEpoch(c.recordedAtMs), 10000);
    EXPECT_TRUE(sameRun(runs[1], named));
    EXPECT_EQ(runs[2].points, makeSet(PointSet::Origin::Recorded, 100));
    EXPECT_EQ(runs[2].name.left(12), QStringLiteral("Messreihe 3,")); // numbered anew
    // Restored, the old journal is gone: nothing is offered twice.
    EXPECT_FALSE(Recovery(folder, clock).found());
}

// Points are kept once; the history of "normal" sweeps keeps the last HistoryLimit, never
// one the user kept or named, and survives the program as the history.
TEST(Journal, KeepsPointsOnceAndBoundsTheHistory) {
    QTemporaryDir dir;
    ManualClock clock;
    const QString folder = dir.filePath("journal");
    // Sweep n: 10000 points of their own.
    const auto sweep = [](int n) {
        session::Run run;
        run.points = PointSet(PointSet::Origin::Recorded, true, true, "A (V): U", "B (V): U");
        for (int i = 0; i < 10000; ++i) {
            SamplePoint p = recordedPoint(i);
            p.a += float(n);
            run.points.append(p);
        }
        return run;
    };
    qint64 user = 0, named = 0;
    {
        Journal journal(folder, clock);
        struct Step {
            const char* name;
            std::function<void()> action;
            int runs, history;
        };
        const Step steps[] = {
            {"the user keeps a sweep", [&] { user = journal.keep(sweep(0), KeepKind::User).id; }, 1,
             0},
            {"kept twice is kept once",
             [&] {
                 const Kept again = journal.keep(sweep(0), KeepKind::User);
                 EXPECT_FALSE(again.added);
                 EXPECT_EQ(again.id, user);
             },
             1, 0},
            {"the same points in the history are the user's run",
             [&] { EXPECT_FALSE(journal.keep(sweep(0), KeepKind::History).added); }, 1, 0},
            {"60 sweeps: the last 20 stay",
             [&] {
                 // A commit each, as sweeps seconds apart have.
                 for (int n = 1; n <= 60; ++n) {
                     EXPECT_TRUE(journal.keep(sweep(n), KeepKind::History).added);
                     journal.sync();
                 }
             },
             21, HistoryLimit},
            {"the user keeps one of the history: it leaves the history",
             [&] { EXPECT_FALSE(journal.keep(sweep(50), KeepKind::User).added); }, 21, 19},
            {"named, another leaves the history",
             [&] {
                 named = journal.runs().automaticIds().front();
                 EXPECT_TRUE(journal.renameRun(named, "Schwingung"));
             },
             21, 18},
            {"more sweeps push out only the history",
             [&] {
                 for (int n = 61; n <= 64; ++n)
                     journal.keep(sweep(n), KeepKind::History);
             },
             23, HistoryLimit},
        };
        for (const Step& s : steps) {
            SCOPED_TRACE(s.name);
            s.action();
            EXPECT_EQ(journal.runs().size(), s.runs);
            EXPECT_EQ(int(journal.runs().automaticIds().size()), s.history);
        }
        EXPECT_FALSE(journal.runs().find(user)->automatic);
        EXPECT_FALSE(journal.runs().find(named)->automatic);
        // The oldest left the history first: what stays is the newest, in order.
        const std::vector<qint64> history = journal.runs().automaticIds();
        EXPECT_EQ(journal.runs().find(history.back())->points, sweep(64).points);
        EXPECT_EQ(journal.runs().userRuns().size(), 3u);
        ASSERT_TRUE(journal.sync());
        // Pushed-out runs leave the file: 64 sweeps of 280 KB would be 18 MB.
        const qint64 bytes = QFileInfo(journal.path()).size() +
                             QFileInfo(journal.path() + QStringLiteral("-wal")).size();
        EXPECT_LT(bytes, 12'000'000);
    }
    const auto runs = restoredRuns(folder, clock, dir.filePath("next"));
    ASSERT_EQ(runs.size(), 23u);
    int history = 0;
    for (const session::Run& r : runs)
        history += r.automatic;
    EXPECT_EQ(history, HistoryLimit);
    EXPECT_FALSE(runs[0].automatic);
    EXPECT_EQ(runs[0].points, sweep(0).points);
}

TEST(Journal, HowTheSessionEndsDecidesWhatIsFound) {
    struct Row {
        const char* name;
        bool addRun;
        bool record;
        bool finish;
        int found;
    };
    const Row rows[] = {
        {"saved or discarded", true, true, true, 0},
        {"nothing kept", false, false, false, 0},
        {"a recording without points", false, true, false, 0},
        {"a run, not saved", true, false, false, 1},
        {"a run and a recording, not saved", true, true, false, 2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QTemporaryDir dir;
        ManualClock clock;
        {
            Journal journal(dir.path(), clock);
            if (r.addRun) journal.addRun(makeRun(PointSet::Origin::Recorded, 5, 0));
            if (r.record) {
                journal.beginRecording(session::Run{});
                if (r.addRun) journal.appendPoints(std::vector<SamplePoint>(3));
            }
            if (r.finish) journal.finish();
        }
        EXPECT_EQ(Recovery(dir.path(), clock).runCount(), r.found);
        if (r.found == 0) { // nothing left behind either
            EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
        }
    }
}

TEST(Journal, CommitCadence) {
    // Points every intervalMs and the 50 ms tick for seconds; commits expected in [min, max].
    struct Row {
        const char* name;
        int intervalMs;
        int seconds;
        int minCommits, maxCommits;
    };
    const Row rows[] = {
        {"2 ms points: at least one commit a second, at most one per CommitAfterMs", 2, 10, 10,
         int(10 * 1000 / CommitAfterMs) + 1},
        {"a point a second: each within the second", 1000, 10, 9, 11},
        {"a point a minute: committed alone", 60000, 180, 3, 3},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QTemporaryDir dir;
        ManualClock clock;
        Journal journal(dir.path(), clock);
        journal.beginRecording(session::Run{});
        ASSERT_TRUE(journal.sync());
        const int before = journal.commits();
        for (int ms = 0; ms < r.seconds * 1000; ms += 2) {
            if (ms % r.intervalMs == 0) {
                const SamplePoint p = recordedPoint(ms);
                journal.appendPoints({&p, 1});
            }
            if (ms % 50 == 0) journal.flushIfDue(clock.steadyMs());
            clock.advance(2);
            journal.waitCommitted();
        }
        const int commits = journal.commits() - before;
        EXPECT_GE(commits, r.minCommits);
        EXPECT_LE(commits, r.maxCommits);
        // The end of a sweep commits at once, due or not.
        const SamplePoint p = recordedPoint(1);
        journal.appendPoints({&p, 1});
        journal.endSweep();
        journal.waitCommitted();
        EXPECT_EQ(journal.commits() - before, commits + 1);
    }
}

// The program stops dead (a child process that ends without any clean-up) at crashMs; the
// points taken up to one second before are all back, in order.
TEST(Journal, LosesAtMostTheLastSecond) {
    struct Row {
        int intervalMs;
        int crashMs;
    };
    const Row rows[] = {{2, 500}, {2, 1200}, {2, 3770}, {1000, 4500}, {60000, 120900}};
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.intervalMs << " ms points, end at " << r.crashMs);
        QTemporaryDir dir;
        ManualClock clock;
        std::fflush(nullptr); // nothing buffered is written twice
        const pid_t child = ::fork();
        if (child == 0) {
            Journal journal(dir.path(), clock);
            journal.beginRecording(makeRun(PointSet::Origin::Recorded, 0, clock.wallMs()));
            for (int ms = 0, i = 0; ms < r.crashMs; ms += 2) {
                if (ms % r.intervalMs == 0) {
                    const SamplePoint p = recordedPoint(i++);
                    journal.appendPoints({&p, 1});
                }
                if (ms % 50 == 0) journal.flushIfDue(clock.steadyMs());
                clock.advance(2);
                journal.waitCommitted();
            }
            ::_exit(0); // no destructor, no last commit
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        const int mustHave = r.crashMs <= 1000 ? 0 : (r.crashMs - 1000) / r.intervalMs + 1;
        const auto runs = restoredRuns(dir.path(), clock, dir.filePath("next"));
        const int got = runs.empty() ? 0 : runs[0].points.size();
        EXPECT_GE(got, mustHave);
        EXPECT_LE(got, (r.crashMs - 1) / r.intervalMs + 1);
        if (got) {
            EXPECT_EQ(runs[0].points, makeSet(PointSet::Origin::Recorded, got));
        }
    }
}

TEST(Journal, TwoProgramsKeepApart) {
    QTemporaryDir dir;
    ManualClock clock; // the same millisecond for both
    auto first = std::make_unique<Journal>(dir.path(), clock);
    Journal second(dir.path(), clock);
    ASSERT_TRUE(first->persistent());
    ASSERT_TRUE(second.persistent());
    EXPECT_NE(first->path(), second.path());
    first->addRun(makeRun(PointSet::Origin::Recorded, 7, 0, "eins"));
    second.addRun(makeRun(PointSet::Origin::Recorded, 9, 0, "zwei"));
    ASSERT_TRUE(first->sync() && second.sync());
    // Both running: neither journal is anyone else's to recover.
    EXPECT_FALSE(Recovery(dir.path(), clock).found());

    first.reset(); // ends unsaved
    Recovery recovery(dir.path(), clock, second.path());
    EXPECT_EQ(recovery.runCount(), 1);
    Journal third(dir.filePath("next"), clock);
    recovery.restoreInto(third);
    ASSERT_EQ(third.runs().size(), 1);
    EXPECT_EQ(third.runs().runs()[0].name, "eins");
    // The second program goes on undisturbed.
    second.addRun(makeRun(PointSet::Origin::Recorded, 3, 0));
    EXPECT_TRUE(second.sync());
    EXPECT_TRUE(QFileInfo::exists(second.path()));
    third.finish();
}

// The journal's file is made on its writer's thread: whatever is handed over at once, before
// the file exists, reaches it; a file that cannot be made is told once and leaves nothing.
TEST(Journal, WhatComesBeforeTheFileIsMadeIsKeptOrToldOnce) {
    const struct Row {
        const char* name;
        bool fileFails;
    } rows[] = {{"the file is made", false}, {"the file cannot be made", true}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QTemporaryDir dir;
        ManualClock clock;
        const QString folder = dir.filePath("journal");
        // A folder where the write-ahead log belongs: the name is free, the file fails.
        if (r.fileFails)
            ASSERT_TRUE(QDir().mkpath(QStringLiteral("%1/sitzung-%2-%3%4-wal")
                                          .arg(folder)
                                          .arg(clock.wallMs())
                                          .arg(QCoreApplication::applicationPid())
                                          .arg(QLatin1String(JournalSuffix))));
        {
            Journal journal(folder, clock);
            journal.addRun(makeRun(PointSet::Origin::Recorded, 5, 0, "früh"));
            journal.beginRecording(makeRun(PointSet::Origin::Recorded, 0, clock.wallMs()));
            for (int i = 0; i < 100; ++i) {
                const SamplePoint p = recordedPoint(i);
                journal.appendPoints({&p, 1});
            }
            journal.endSweep();
            EXPECT_EQ(journal.sync(), !r.fileFails);
            EXPECT_EQ(journal.persistent(), !r.fileFails);
            EXPECT_EQ(journal.takeFailure().has_value(), r.fileFails);
            EXPECT_FALSE(journal.takeFailure().has_value());
            EXPECT_EQ(journal.recordingSize(), 100);
        }
        const auto runs = restoredRuns(folder, clock, dir.filePath("next"));
        ASSERT_EQ(runs.size(), r.fileFails ? 0u : 2u);
        if (r.fileFails) {
            EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty()); // no journal, no lock
        } else {
            EXPECT_EQ(runs[0].name, "früh");
            EXPECT_EQ(runs[1].points, makeSet(PointSet::Origin::Recorded, 100));
        }
    }
}

// What a port's platform file has to do, in the terms the journal and the experiment file use.
TEST(Journal, PlatformFileOperations) {
    QTemporaryDir dir;
    const auto write = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    };
    const QString a = dir.filePath("a"), b = dir.filePath("b"), lockPath = dir.filePath("l");
    ASSERT_TRUE(write(a, "neu") && write(b, "alt"));
    const FileIdentity before = fileIdentity(b);
    EXPECT_NE(before, FileIdentity());
    EXPECT_TRUE(syncFile(a));
    EXPECT_TRUE(syncFolder(dir.path()));
    EXPECT_FALSE(syncFile(dir.filePath("fehlt")));
    EXPECT_EQ(fileIdentity(dir.filePath("fehlt")), FileIdentity());
    ASSERT_TRUE(replaceFile(a, b));
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_NE(fileIdentity(b), before);
    QFile replaced(b);
    ASSERT_TRUE(replaced.open(QIODevice::ReadOnly));
    EXPECT_EQ(replaced.readAll(), "neu");
    EXPECT_FALSE(replaceFile(dir.filePath("fehlt"), b));

    FileLock first, second;
    ASSERT_TRUE(first.tryLock(lockPath));
    EXPECT_FALSE(second.tryLock(lockPath)); // in this process too
    FileLock moved = std::move(first);
    EXPECT_FALSE(first.locked());
    EXPECT_FALSE(second.tryLock(lockPath));
    moved.release(true);
    EXPECT_FALSE(QFileInfo::exists(lockPath));
    EXPECT_TRUE(second.tryLock(lockPath));
}

// Whatever a name leads to, the read ends at once or at the bound.
TEST(Journal, NamedFilesAreReadOnlyToTheirBound) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo"), file = dir.filePath("zehn");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo), 0600), 0);
    QFile ten(file);
    ASSERT_TRUE(ten.open(QIODevice::WriteOnly) && ten.write("0123456789") == 10);
    ten.close();
    struct Row {
        QString path;
        qint64 bound;
        FileReadStatus status;
        qsizetype bytes; // how many it hands back
    } const rows[] = {
        {file, 10, FileReadStatus::Read, 10},
        {file, 9, FileReadStatus::TooLarge, 0}, // its size tells before any read
        {file, 0, FileReadStatus::TooLarge, 0},
        {dir.filePath("fehlt"), 10, FileReadStatus::Missing, 0},
        {dir.filePath("zehn/fehlt"), 10, FileReadStatus::Missing, 0},
        {dir.path(), 10, FileReadStatus::Folder, 0},
        {fifo, 10, FileReadStatus::NotRegular, 0},
        {QStringLiteral("/dev/zero"), 1 << 20, FileReadStatus::NotRegular, 0},
        {QStringLiteral("/dev/null"), 10, FileReadStatus::NotRegular, 0},
        // Size 0, yet longer than 16 bytes: read to the bound and no further.
        {QStringLiteral("/proc/self/status"), 16, FileReadStatus::TooLarge, 16},
        {QStringLiteral("/proc/self/status"), 1 << 20, FileReadStatus::Read, -1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path.toStdString() + " " + std::to_string(r.bound));
        QElapsedTimer timer;
        timer.start();
        const FileRead read = readFileBounded(r.path, r.bound);
        EXPECT_LT(timer.elapsed(), 10000); // a hang detector only
        EXPECT_EQ(read.status, r.status);
        EXPECT_LE(read.bytes.size(), r.bound);
        if (r.bytes >= 0)
            EXPECT_EQ(read.bytes.size(), r.bytes);
        else
            EXPECT_TRUE(read.bytes.startsWith("Name:")) << read.bytes.left(40).toStdString();
        EXPECT_EQ(fileReadReason(read.status).isEmpty(), read.ok());
    }
}

TEST(Journal, ReadOnlyFolderIsToldOnceAndTheSessionGoesOn) {
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(),
                          QFile::permissions(dir.path()) | QFile::ExeOther | QFile::ReadOther);
    const QString folder = dir.filePath("nur-lesen");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile::setPermissions(folder,
                          QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    const int status = runUnprivileged([&folder] {
        ManualClock clock;
        Journal journal(folder, clock);
        if (journal.persistent()) return 1;
        const auto told = journal.takeFailure();
        if (!told || !told->contains("kann nicht geschrieben werden")) return 2;
        if (journal.takeFailure()) return 3; // once
        journal.beginRecording(session::Run{});
        journal.appendPoints(std::vector<SamplePoint>(500));
        journal.endSweep();
        const qint64 id = journal.addRun(makeRun(PointSet::Origin::Recorded, 4, 0));
        if (journal.runs().find(id) == nullptr || journal.recordingSize() != 500) return 4;
        if (journal.sync() || journal.takeFailure()) return 5;
        return QDir(folder).isEmpty() ? 0 : 6;
    });
    EXPECT_EQ(status, 0);
}

// A disk that fills up mid-session (a file size limit stands in for it): told once, the
// recording goes on, and what waited is committed once there is room again.
TEST(Journal, FullDiskIsToldOnceAndCaughtUp) {
    QTemporaryDir dir;
    ManualClock clock;
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    {
        Journal journal(dir.path(), clock);
        journal.beginRecording(makeRun(PointSet::Origin::Recorded, 0, 0));
        int fed = 0;
        const auto feedSeconds = [&](int seconds) {
            for (int i = 0; i < seconds * 500; ++i, ++fed) {
                const SamplePoint p = recordedPoint(fed);
                journal.appendPoints({&p, 1});
                clock.advance(2);
            }
        };
        feedSeconds(1);
        ASSERT_TRUE(journal.sync());
        rlimit full = saved;
        full.rlim_cur = rlim_t(QFileInfo(journal.path() + "-wal").size());
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
        feedSeconds(3);
        const bool committedWhileFull = journal.sync();
        feedSeconds(3);
        journal.sync();
        const auto told = journal.takeFailure(), again = journal.takeFailure();
        ::setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_FALSE(committedWhileFull);
        ASSERT_TRUE(told.has_value());
        EXPECT_TRUE(told->contains("Die Aufnahme geht im Speicher weiter."));
        EXPECT_FALSE(again.has_value());
        EXPECT_EQ(journal.recordingSize(), fed);
        feedSeconds(1);
        EXPECT_TRUE(journal.sync());
    }
    std::signal(SIGXFSZ, SIG_DFL);
    const auto runs = restoredRuns(dir.path(), clock, dir.filePath("next"));
    ASSERT_EQ(runs.size(), 1u);
    ASSERT_EQ(runs[0].points.size(), 8 * 500);
    EXPECT_EQ(runs[0].points, makeSet(PointSet::Origin::Recorded, 8 * 500));
}

} // namespace
} // namespace kurvimat::session::test
