#include "StorePoints.h"

#include "MeasurementStore.h"

#include <QByteArrayView>
#include <QHash>

#include <algorithm>
#include <span>

using kurvimat::acquisition::MeasurementStore;
using kurvimat::acquisition::PointCapacity;

namespace kurvimat::session {

SamplePoint currentPoint(const MeasurementStore& s, int i) {
    SamplePoint p{s.Data.T[i], s.Data.A[i], s.Data.HasB ? s.Data.B[i] : 0.0f};
    // Stored point i is sweep point SweepFirst + i.
    const int k = std::clamp(s.SweepFirst, 0, PointCapacity) + i;
    if (!s.Data.Loaded && k < PointCapacity) {
        p.rawA = s.SweepRawA[k];
        p.rawB = s.SweepRawB[k];
        p.voltsA = s.SweepVoltsA[k];
        p.voltsB = s.SweepVoltsB[k];
    }
    return p;
}

PointSet exactPoints(const acquisition::StoredPoints& p) {
    const auto n = std::size_t(std::clamp(p.Count, 0, PointCapacity));
    const auto first = [n](const std::vector<double>& v) { return std::span(v).first(n); };
    // A text without B read zeros for it.
    return PointSet::loaded(p.HasB, p.DefA, p.HasB ? p.DefB : QString(), first(p.ExactT),
                            first(p.ExactA), first(p.ExactB));
}

PointSet currentPoints(const MeasurementStore& s) {
    if (s.Data.Exact()) return exactPoints(s.Data);
    PointSet set(s.Data.Loaded ? PointSet::Origin::Loaded : PointSet::Origin::Recorded, true,
                 s.Data.HasB, s.Data.DefA, s.Data.HasB ? s.Data.DefB : QString());
    const int n = std::clamp(s.Data.Count, 0, PointCapacity);
    set.reserve(n);
    for (int i = 0; i < n; ++i)
        set.append(currentPoint(s, i));
    return set;
}

void putExact(acquisition::StoredPoints& to, const PointSet& p) {
    to.DropExact();
    if (!p.exact()) return;
    to.ExactT = p.exactTimes(), to.ExactA = p.exactValuesA(), to.ExactB = p.exactValuesB();
    to.TimeBase = p.timeBase();
}

Run currentRun(const MeasurementStore& s, qint64 recordedAtMs) {
    Run run;
    run.points = currentPoints(s);
    run.intervalMs = s.IntervalMs;
    run.pointCount = s.PointCount;
    run.recordedAtMs = recordedAtMs;
    return run;
}

void restoreRun(MeasurementStore& s, const Run& run) {
    const PointSet& p = run.points;
    const int n = std::min(p.size(), PointCapacity);
    std::copy_n(p.times().begin(), n, s.Data.T);
    std::copy_n(p.valuesA().begin(), n, s.Data.A);
    std::copy_n(p.valuesB().begin(), n, s.Data.B);
    s.Data.Loaded = !p.recorded();
    s.Data.HasB = p.hasB();
    s.Data.NoValueA = s.Data.NoValueB = false;
    s.Data.DefA = p.definitionA();
    s.Data.DefB = p.definitionB();
    putExact(s.Data, p);
    s.SweepFirst = 0;
    if (p.recorded()) {
        std::copy_n(p.rawA().begin(), n, s.SweepRawA);
        std::copy_n(p.rawB().begin(), n, s.SweepRawB);
        std::copy_n(p.voltsA().begin(), n, s.SweepVoltsA);
        std::copy_n(p.voltsB().begin(), n, s.SweepVoltsB);
    }
    s.SweepIndex = n;
    s.Data.Count = n;
    const Extents& e = p.extents();
    if (n > 0) {
        s.Data.MinA = e.minA, s.Data.MaxA = e.maxA;
        s.Data.MinB = e.minB, s.Data.MaxB = e.maxB;
        s.Data.MinT = e.minT, s.Data.MaxT = e.maxT;
    }
    s.TriggerPos = -1;
    s.SinceArmed = 0;
}

std::size_t pointsFingerprint(const acquisition::StoredPoints& p, std::size_t seed) {
    const int n = std::clamp(p.Count, 0, PointCapacity);
    const auto bytes = [](const void* v, std::size_t size) {
        return QByteArrayView(static_cast<const char*>(v), qsizetype(size));
    };
    seed = qHashMulti(seed, n, p.Loaded, p.HasB, p.DefA, p.DefB);
    for (const float* v : {p.T, p.A, p.B})
        seed = qHash(bytes(v, std::size_t(n) * sizeof(float)), seed);
    // Loaded points are written as read.
    for (const auto* exact : {&p.ExactT, &p.ExactA, &p.ExactB})
        seed = qHash(bytes(exact->data(), exact->size() * sizeof(double)), seed);
    return seed;
}

} // namespace kurvimat::session
