// What the session tests share: a clock they step by hand, point sets with known values, and
// a child process run as another user (root ignores a read-only folder).
#pragma once

#include "Clock.h"
#include "RecordedPoint.h"
#include "Run.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

namespace kurvimat::session::test {

class ManualClock final : public Clock {
public:
    explicit ManualClock(qint64 wall = 1765267800000 /* 2025-12-09 08:10 UTC */) : wall_(wall) {}
    qint64 steadyMs() const override { return steady_.load(); }
    qint64 wallMs() const override { return wall_.load(); }
    void advance(qint64 ms) {
        steady_ += ms;
        wall_ += ms;
    }

private:
    std::atomic<qint64> steady_{1000000}, wall_;
};

inline PointSet makeSet(PointSet::Origin origin, int points, bool hasA = true, bool hasB = true) {
    PointSet set(origin, hasA, hasB, QStringLiteral("Spannung (V): U [0;5]"),
                 QStringLiteral("Temperatur (°C): 100*U-50"));
    for (int i = 0; i < points; ++i) {
        SamplePoint p = recordedPoint(i);
        if (origin == PointSet::Origin::Loaded) p.rawA = p.rawB = p.voltsA = p.voltsB = 0;
        set.append(p);
    }
    return set;
}

inline Run makeRun(PointSet::Origin origin, int points, qint64 recordedAtMs, QString name = {}) {
    Run run;
    run.name = std::move(name);
    run.points = makeSet(origin, points);
    run.intervalMs = 2;
    run.pointCount = points;
    run.recordedAtMs = recordedAtMs;
    return run;
}

/// A run as a file or another session keeps it: everything but the session's id.
inline bool sameRun(const Run& a, const Run& b) {
    return a.name == b.name && a.points == b.points && a.intervalMs == b.intervalMs &&
           a.pointCount == b.pointCount && a.recordedAtMs == b.recordedAtMs &&
           a.constants == b.constants;
}

/// Runs body in a child process that is not root when we are (root writes into read-only
/// folders); returns the child's exit status (body's result, 0 = passed).
inline int runUnprivileged(const std::function<int()>& body) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(90);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

} // namespace kurvimat::session::test
