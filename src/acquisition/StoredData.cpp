#include "StoredData.h"

#include "MeasurementStore.h"

#include <algorithm>

namespace kurvimat::acquisition {

StoredData CopyStoredData(const MeasurementStore& s) {
    StoredData d;
    const int n = std::clamp(s.Data.Count, 0, PointCapacity);
    d.T.assign(s.Data.T, s.Data.T + n);
    d.A.assign(s.Data.A, s.Data.A + n);
    d.B.assign(s.Data.B, s.Data.B + n);
    if (!s.Data.Loaded) {
        const int sweep = std::clamp(s.SweepFirst + n, 0, PointCapacity);
        d.SweepRawA.assign(s.SweepRawA, s.SweepRawA + sweep);
        d.SweepRawB.assign(s.SweepRawB, s.SweepRawB + sweep);
        d.SweepVoltsA.assign(s.SweepVoltsA, s.SweepVoltsA + sweep);
        d.SweepVoltsB.assign(s.SweepVoltsB, s.SweepVoltsB + sweep);
    }
    d.SweepFirst = s.SweepFirst;
    d.MinA = s.Data.MinA, d.MaxA = s.Data.MaxA, d.MinB = s.Data.MinB, d.MaxB = s.Data.MaxB;
    d.MinT = s.Data.MinT, d.MaxT = s.Data.MaxT;
    d.DefA = s.Data.DefA, d.DefB = s.Data.DefB;
    d.Loaded = s.Data.Loaded;
    d.HasB = s.Data.HasB;
    if (s.Data.Exact()) {
        d.ExactT = s.Data.ExactT, d.ExactA = s.Data.ExactA, d.ExactB = s.Data.ExactB;
        d.TimeBase = s.Data.TimeBase;
    }
    const auto further = s.Data.Further();
    d.Columns.assign(further.begin(), further.end());
    return d;
}

void RestoreStoredData(MeasurementStore& s, const StoredData& d) {
    std::copy(d.T.begin(), d.T.end(), s.Data.T);
    std::copy(d.A.begin(), d.A.end(), s.Data.A);
    std::copy(d.B.begin(), d.B.end(), s.Data.B);
    std::copy(d.SweepRawA.begin(), d.SweepRawA.end(), s.SweepRawA);
    std::copy(d.SweepRawB.begin(), d.SweepRawB.end(), s.SweepRawB);
    std::copy(d.SweepVoltsA.begin(), d.SweepVoltsA.end(), s.SweepVoltsA);
    std::copy(d.SweepVoltsB.begin(), d.SweepVoltsB.end(), s.SweepVoltsB);
    s.Data.Count = static_cast<int>(d.T.size());
    s.SweepFirst = d.SweepFirst;
    s.SweepIndex = d.SweepFirst + s.Data.Count;
    s.Data.MinA = d.MinA, s.Data.MaxA = d.MaxA, s.Data.MinB = d.MinB, s.Data.MaxB = d.MaxB;
    s.Data.MinT = d.MinT, s.Data.MaxT = d.MaxT;
    s.Data.DefA = d.DefA, s.Data.DefB = d.DefB;
    s.Data.Loaded = d.Loaded;
    s.Data.HasB = d.HasB;
    s.Data.ExactT = d.ExactT, s.Data.ExactA = d.ExactA, s.Data.ExactB = d.ExactB;
    s.Data.TimeBase = d.TimeBase;
    s.Data.Columns = d.Columns;
    s.Data.NoValueA = s.Data.NoValueB = false; // a re-evaluation after the restore tells again
    s.TriggerPos = -1;
    s.SinceArmed = 0;
}

} // namespace kurvimat::acquisition
