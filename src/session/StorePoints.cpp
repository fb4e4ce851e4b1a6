#include "StorePoints.h"

#include "MeasurementStore.h"

#include <algorithm>
#include <functional>
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

std::size_t currentPointsKey(const MeasurementStore& s) {
    std::size_t key = 0x9e3779b97f4a7c15ULL;
    const auto mix = [&key](std::size_t v) { key = (key ^ v) * 1099511628211ULL; };
    const int n = std::clamp(s.Data.Count, 0, PointCapacity);
    mix(std::size_t(n));
    mix(s.Data.Loaded);
    mix(s.Data.HasB);
    mix(qHash(s.Data.DefA));
    mix(qHash(s.Data.DefB));
    for (const int i : {0, n / 2, n - 1}) {
        if (i < 0 || i >= n) continue;
        for (const float v : {s.Data.T[i], s.Data.A[i], s.Data.B[i]})
            mix(std::hash<float>()(v));
    }
    return key;
}

} // namespace kurvimat::session
