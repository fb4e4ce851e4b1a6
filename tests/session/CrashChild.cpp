// Records through the journal at the 2 ms interval as the program would (a report of four
// points every 8 ms, the 50 ms tick) until it is killed. After each report it prints the
// points fed so far and the steady clock in ms, so the killer knows what was fed when.
//   session_crash_child FOLDER
#include "Clock.h"
#include "Journal.h"
#include "RecordedPoint.h"

#include <cstdio>
#include <ctime>

using namespace kurvimat::session;

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    SystemClock clock;
    Journal journal(QString::fromLocal8Bit(argv[1]), clock);
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
        for (SamplePoint& p : points) p = test::recordedPoint(fed++);
        journal.appendPoints(points);
        if (report % 6 == 0) journal.flushIfDue(clock.steadyMs());
        std::printf("%d %lld\n", fed, static_cast<long long>(clock.steadyMs()));
        std::fflush(stdout);
    }
    journal.endSweep();
    return 0;
}
