#include "StoredData.h"

#include "MeasurementStore.h"

#include <algorithm>

namespace kurvimat::acquisition {

StoredData CopyStoredData(const MeasurementStore& s) {
    StoredData d;
    const int n = std::clamp(s.DataCount, 0, PointCapacity);
    d.T.assign(s.DataT, s.DataT + n);
    d.A.assign(s.DataA, s.DataA + n);
    d.B.assign(s.DataB, s.DataB + n);
    if (!s.DataLoaded) {
        const int sweep = std::clamp(s.SweepFirst + n, 0, PointCapacity);
        d.SweepRawA.assign(s.SweepRawA, s.SweepRawA + sweep);
        d.SweepRawB.assign(s.SweepRawB, s.SweepRawB + sweep);
        d.SweepVoltsA.assign(s.SweepVoltsA, s.SweepVoltsA + sweep);
        d.SweepVoltsB.assign(s.SweepVoltsB, s.SweepVoltsB + sweep);
    }
    d.SweepFirst = s.SweepFirst;
    d.MinA = s.DataMinA, d.MaxA = s.DataMaxA, d.MinB = s.DataMinB, d.MaxB = s.DataMaxB;
    d.MinT = s.DataMinT, d.MaxT = s.DataMaxT;
    d.DefA = s.DataDefA, d.DefB = s.DataDefB;
    d.Loaded = s.DataLoaded;
    d.HasB = s.DataHasB;
    return d;
}

void RestoreStoredData(MeasurementStore& s, const StoredData& d) {
    std::copy(d.T.begin(), d.T.end(), s.DataT);
    std::copy(d.A.begin(), d.A.end(), s.DataA);
    std::copy(d.B.begin(), d.B.end(), s.DataB);
    std::copy(d.SweepRawA.begin(), d.SweepRawA.end(), s.SweepRawA);
    std::copy(d.SweepRawB.begin(), d.SweepRawB.end(), s.SweepRawB);
    std::copy(d.SweepVoltsA.begin(), d.SweepVoltsA.end(), s.SweepVoltsA);
    std::copy(d.SweepVoltsB.begin(), d.SweepVoltsB.end(), s.SweepVoltsB);
    s.DataCount = static_cast<int>(d.T.size());
    s.SweepFirst = d.SweepFirst;
    s.SweepIndex = d.SweepFirst + s.DataCount;
    s.DataMinA = d.MinA, s.DataMaxA = d.MaxA, s.DataMinB = d.MinB, s.DataMaxB = d.MaxB;
    s.DataMinT = d.MinT, s.DataMaxT = d.MaxT;
    s.DataDefA = d.DefA, s.DataDefB = d.DefB;
    s.DataLoaded = d.Loaded;
    s.DataHasB = d.HasB;
    s.TriggerPos = -1;
    s.SinceArmed = 0;
}

} // namespace kurvimat::acquisition
