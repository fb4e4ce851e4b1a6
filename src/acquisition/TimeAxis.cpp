#include "TimeAxis.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

int DeviceModeForInterval(int intervalMs) {
    return std::min(intervalMs, 5);
}

void RebuildMeanHistory(MeasurementStore& s) {
    std::fill(std::begin(s.SweepRawA), std::end(s.SweepRawA), 0.0f);
    std::fill(std::begin(s.SweepRawB), std::end(s.SweepRawB), 0.0f);
    std::fill(std::begin(s.MeanA), std::end(s.MeanA), 0.0f);
    std::fill(std::begin(s.MeanB), std::end(s.MeanB), 0.0f);
    s.MeanIndex = 0;
    s.DataCount = 0;
    s.SweepIndex = 0;
    s.BlockCount = 0;
    s.BlockSumA = s.BlockSumB = 0;
    s.TriggerPos = -1;

    const int interval = s.IntervalMs;
    if (interval <= 0) return;
    // Only as many intervals as the raw rings hold.
    int n = std::clamp(s.PreTrigger, 0, PointCapacity);
    if (std::int64_t(n) * interval > RawCapacity) n = RawCapacity / interval;
    // |<- n intervals of raw entries, oldest first ->| RawIndex
    for (int i = 0; i < n; ++i) {
        const std::int64_t first = std::int64_t(i - n) * interval + s.RawIndex;
        std::int64_t sumA = 0, sumB = 0;
        for (int k = 0; k < interval; ++k) {
            const std::int64_t pos = ((first + k) % RawCapacity + RawCapacity) % RawCapacity;
            sumA += s.RawA[pos];
            sumB += s.RawB[pos];
        }
        s.MeanA[i] = float(double(sumA) / interval);
        s.MeanB[i] = float(double(sumB) / interval);
    }
    s.MeanIndex = n % PointCapacity;
}

void ChangePointCount(MeasurementStore& s, int pointCount) {
    const float r = s.PointCount > 0 ? float(s.PreTrigger) / float(s.PointCount) : 0.0f;
    s.PointCount = pointCount;
    if (s.SweepIndex > s.PointCount) s.SweepIndex = s.PointCount;
    s.PreTrigger = int(std::nearbyint(double(s.PointCount) * double(r)));
}

void RebuildTimeAxis(MeasurementStore& s) {
    s.DataMinT = s.TimeOrigin;
    s.DataMaxT = s.TimeOrigin + s.PointTime;
    // DataMaxT must stay the extreme of the stored times, or fitting the time axis would cut
    // off all but the first two points.
    const int count = std::clamp(s.DataCount, 0, PointCapacity);
    for (int i = 0; i < count; ++i) {
        s.DataT[i] = float(i) * s.PointTime + s.TimeOrigin;
        s.DataMaxT = std::max(s.DataMaxT, s.DataT[i]);
    }
    s.TimeRangeMin = s.TimeOrigin;
    s.TimeRangeMax = s.TimeOrigin + s.PointTime * float(s.PointCount - 1);
    s.AxesChanged = true;
    s.PlotDirty = true;
    s.MeanDirty = true;
}
