// A program that records through the journal at the 2 ms interval as the main program would
// (a report of four points every 8 ms, the 50 ms tick) until it is killed or the power goes;
// and the next start that recovers. The crash test and the kernel test's power cut run it.
//   session_recorder FOLDER             prints "KURVIMAT-FED <points fed> <steady ms>" after
//                                       every report
//   session_recorder --recover FOLDER   prints "KURVIMAT-RECOVERED <points> <checks>" where
//                                       checks is "ok" when every journal passed
//                                       integrity_check and the points are the fed ones
#include "Clock.h"
#include "Journal.h"
#include "RecordedPoint.h"
#include "Recovery.h"
#include "SqliteDb.h"

#include <QDir>

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <ctime>

using namespace kurvimat::session;

namespace {

int record(const QString& folder) {
    SystemClock clock;
    Journal journal(folder, clock);
    if (!journal.persistent()) {
        std::printf("KURVIMAT-FED failed: %s\n", qPrintable(journal.takeFailure().value_or("")));
        return 1;
    }
    Run header;
    header.intervalMs = 2;
    header.pointCount = 10000;
    header.points = PointSet(PointSet::Origin::Recorded, true, true, "A", "B");
    journal.beginRecording(header);
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (int fed = 0, report = 0; fed < 10000; ++report) {
        next.tv_nsec += 8000000;
        if (next.tv_nsec >= 1000000000) {
            next.tv_nsec -= 1000000000;
            ++next.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        SamplePoint points[4];
        for (SamplePoint& p : points)
            p = test::recordedPoint(fed++);
        journal.appendPoints(points);
        if (report % 6 == 0) journal.flushIfDue(clock.steadyMs());
        std::printf("KURVIMAT-FED %d %lld\n", fed, static_cast<long long>(clock.steadyMs()));
        std::fflush(stdout);
    }
    journal.endSweep();
    return 0;
}

int recover(const QString& folder) {
    bool ok = true;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("*.kurvimat-journal")})) {
        auto db = SqliteDb::open(QDir(folder).filePath(name), SQLITE_OPEN_READWRITE);
        const QString check = db ? db->integrityCheck() : QStringLiteral("cannot open");
        std::printf("KURVIMAT-INTEGRITY %s: %s\n", qPrintable(name), qPrintable(check));
        ok = ok && check == QLatin1String("ok");
    }
    SystemClock clock;
    Recovery recovery(folder, clock);
    ok = ok && recovery.damagedCount() == 0 && recovery.runCount() == 1;
    Journal next(QDir(folder).filePath(QStringLiteral("next")), clock);
    recovery.restoreInto(next);
    int points = 0;
    if (next.runs().size() == 1) {
        const PointSet& set = next.runs().runs()[0].points;
        points = set.size();
        for (int i = 0; i < points; ++i)
            ok = ok && set.point(i) == test::recordedPoint(i);
    }
    next.finish();
    std::printf("KURVIMAT-RECOVERED %d %s\n", points, ok ? "ok" : "failed");
    std::fflush(stdout);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2) return record(QString::fromLocal8Bit(argv[1]));
    if (argc == 3 && std::strcmp(argv[1], "--recover") == 0)
        return recover(QString::fromLocal8Bit(argv[2]));
    std::fprintf(stderr, "usage: session_recorder [--recover] FOLDER\n");
    return 2;
}
