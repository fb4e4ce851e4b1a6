#include "StorePoints.h"

#include "MeasurementStore.h"

#include <QByteArrayView>
#include <QHash>

#include <algorithm>
#include <cmath>
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
                            first(p.ExactA), first(p.ExactB), p.Further());
}

PointSet currentPoints(const MeasurementStore& s) {
    if (s.Data.Exact()) return exactPoints(s.Data);
    PointSet set(s.Data.Loaded ? PointSet::Origin::Loaded : PointSet::Origin::Recorded, true,
                 s.Data.HasB, s.Data.DefA, s.Data.HasB ? s.Data.DefB : QString());
    const int n = std::clamp(s.Data.Count, 0, PointCapacity);
    set.reserve(n);
    for (int i = 0; i < n; ++i)
        set.append(currentPoint(s, i));
    const auto further = s.Data.Further();
    set.setColumns({further.begin(), further.end()});
    return set;
}

void putExact(acquisition::StoredPoints& to, const PointSet& p) {
    to.DropExact();
    to.Columns = p.columns();
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

bool restorePoints(MeasurementStore& s, const PointSet& p) {
    const int n = std::min(p.size(), PointCapacity);
    std::copy_n(p.times().begin(), n, s.Data.T);
    std::copy_n(p.valuesA().begin(), n, s.Data.A);
    std::copy_n(p.valuesB().begin(), n, s.Data.B);
    s.Data.Count = n;
    s.Data.Loaded = !p.recorded();
    s.Data.HasB = p.hasB();
    s.Data.NoValueA = s.Data.NoValueB = false;
    s.Data.DefA = p.definitionA();
    s.Data.DefB = p.definitionB();
    putExact(s.Data, p);
    const Extents& e = p.extents();
    if (n > 0) {
        s.Data.MinA = e.minA, s.Data.MaxA = e.maxA, s.Data.MinB = e.minB, s.Data.MaxB = e.maxB;
        s.Data.MinT = e.minT, s.Data.MaxT = e.maxT;
    }
    s.SweepFirst = 0;
    s.SweepIndex = n;
    const bool sweep = p.recorded() && n > 0 && s.PointTime > 0;
    if (sweep) {
        // Stored point i is sweep point SweepFirst + i, as the pipeline stored it; a time axis
        // rebuilt later gives every point the time of its place.
        const double first = std::nearbyint((p.times()[0] - s.TimeOrigin) / s.PointTime);
        s.SweepFirst = int(std::clamp(first, 0.0, double(PointCapacity - n)));
        const auto put = [&](const std::vector<float>& from, float* to) {
            std::copy_n(from.begin(), n, to + s.SweepFirst);
        };
        put(p.rawA(), s.SweepRawA);
        put(p.rawB(), s.SweepRawB);
        put(p.voltsA(), s.SweepVoltsA);
        put(p.voltsB(), s.SweepVoltsB);
        s.SweepIndex = s.SweepFirst + n; // the mean strip shows the sweep as it was
        s.Data.MinT = std::min(e.minT, s.TimeOrigin);
    }
    s.TriggerPos = -1;
    s.SinceArmed = 0;
    return sweep;
}

bool restoreRun(MeasurementStore& s, const Run& run) {
    return restorePoints(s, run.points);
}

exchange::PointColumns pointColumns(const PointSet& p) {
    exchange::PointColumns c{p.definitionA(), p.definitionB(), !p.recorded(), p.hasB(),
                             p.times(),       p.valuesA(),     p.valuesB()};
    if (p.exact())
        c.exactT = p.exactTimes(), c.exactA = p.exactValuesA(), c.exactB = p.exactValuesB();
    c.further = p.columns();
    return c;
}

exchange::PointColumns pointColumns(const acquisition::StoredPoints& p) {
    const auto n = std::size_t(std::clamp(p.Count, 0, PointCapacity));
    exchange::PointColumns c{p.DefA,
                             p.DefB,
                             p.Loaded,
                             p.HasB,
                             std::span(p.T).first(n),
                             std::span(p.A).first(n),
                             std::span(p.B).first(n)};
    if (p.Exact()) c.exactT = p.ExactT, c.exactA = p.ExactA, c.exactB = p.ExactB;
    c.further = p.Further();
    return c;
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
    // Points without further columns keep the fingerprint they always had.
    for (const signals::QuantityColumn& c : p.Further()) {
        seed = qHashMulti(seed, c.header, c.name, c.unit, int(c.origin), c.formula);
        seed = qHash(bytes(c.values.data(), c.values.size() * sizeof(double)), seed);
    }
    return seed;
}

} // namespace kurvimat::session
