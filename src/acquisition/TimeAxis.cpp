#include "TimeAxis.h"

#include "SignalDefinition.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

using kurvimat::signals::ChannelVoltage;

namespace kurvimat::acquisition {

int DeviceModeForInterval(int intervalMs) {
    return std::min(intervalMs, 5);
}

void RebuildMeanHistory(MeasurementStore& s) {
    std::fill(std::begin(s.SweepRawA), std::end(s.SweepRawA), 0.0f);
    std::fill(std::begin(s.SweepRawB), std::end(s.SweepRawB), 0.0f);
    std::fill(std::begin(s.MeanA), std::end(s.MeanA), 0.0f);
    std::fill(std::begin(s.MeanB), std::end(s.MeanB), 0.0f);
    s.MeanIndex = 0;
    s.MeanFilled = 0;
    s.Data.Count = 0;
    s.SweepIndex = 0;
    s.SweepFirst = 0;
    s.BlockCount = 0;
    s.BlockSumA = s.BlockSumB = 0;
    s.TriggerPos = -1;

    const int interval = s.IntervalMs;
    if (interval <= 0) return;
    // A raw entry stands for one millisecond; with channel B off the pipeline took two steps of
    // half a millisecond from it, and a block's B value is the deviation of its A steps.
    const bool bOff = s.ChannelBOff();
    const std::int64_t stepsPerEntry = bOff ? 2 : 1;
    // Only as many blocks as measured raw entries fill.
    const std::int64_t filled = std::clamp(s.RawFilled, 0, RawCapacity);
    const std::int64_t fit = filled * stepsPerEntry / interval;
    const int n = int(std::min<std::int64_t>(std::clamp(s.PreTrigger, 0, PointCapacity), fit));
    // |<- n blocks of `interval` steps, oldest first ->| RawIndex; step j lies in the entry
    // (total - 1 - j) / stepsPerEntry places before RawIndex.
    const std::int64_t total = std::int64_t(n) * interval;
    const MeasurementStore::RawCalibration current{0, s.UminA, s.UmaxA, s.UminB, s.UmaxB};
    const int logged = std::clamp(s.RawCalibrationCount, 0, MeasurementStore::RawCalibrationCapacity);
    // The calibration entry `number` (counted in RawWritten) was measured under.
    const auto calibrationOf = [&](std::int64_t number) -> const MeasurementStore::RawCalibration& {
        for (int c = logged - 1; c >= 0; --c)
            if (s.RawCalibrations[c].Since <= number || c == 0) return s.RawCalibrations[c];
        return current;
    };
    for (int i = 0; i < n; ++i) {
        double sumA = 0, sumB = 0, voltsA = 0, voltsB = 0;
        for (int k = 0; k < interval; ++k) {
            const std::int64_t j = std::int64_t(i) * interval + k;
            const std::int64_t back = (total - 1 - j) / stepsPerEntry + 1;
            const std::int64_t pos =
                ((s.RawIndex - back) % RawCapacity + RawCapacity) % RawCapacity;
            const double a = s.RawA[pos];
            const double b = s.RawB[pos];
            sumA += a;
            sumB += bOff ? a * a : b;
            const MeasurementStore::RawCalibration& cal = calibrationOf(s.RawWritten - back);
            voltsA += ChannelVoltage(cal.UminA, cal.UmaxA, float(a));
            voltsB += ChannelVoltage(cal.UminB, cal.UmaxB, float(b));
        }
        s.MeanA[i] = float(sumA / interval);
        s.MeanVoltsA[i] = float(voltsA / interval);
        if (bOff) {
            // Population standard deviation, as a live block has it.
            const double v = sumB - sumA * sumA / interval;
            s.MeanB[i] = float(v > 0 ? std::sqrt(v / interval) : 0.0);
            s.MeanVoltsB[i] = ChannelVoltage(s.UminB, s.UmaxB, s.MeanB[i]);
        } else {
            s.MeanB[i] = float(sumB / interval);
            s.MeanVoltsB[i] = float(voltsB / interval);
        }
    }
    s.MeanIndex = n % PointCapacity;
    s.MeanFilled = n;
}

void ChangePointCount(MeasurementStore& s, int pointCount) {
    const float r = s.PointCount > 0 ? float(s.PreTrigger) / float(s.PointCount) : 0.0f;
    s.PointCount = pointCount;
    if (s.SweepIndex > s.PointCount) s.SweepIndex = s.PointCount;
    s.PreTrigger = int(std::nearbyint(double(s.PointCount) * double(r)));
}

void RebuildTimeAxis(MeasurementStore& s) {
    const int count = std::clamp(s.Data.Count, 0, PointCapacity);
    // Loaded points keep the times and extremes they came with.
    if (!s.Data.Loaded || count == 0) {
        s.Data.MinT = s.TimeOrigin;
        s.Data.MaxT = s.TimeOrigin + s.PointTime;
        // Data.MaxT must stay the extreme of the stored times, or fitting the time axis would
        // cut off all but the first two points.
        const int first = std::clamp(s.SweepFirst, 0, PointCapacity);
        for (int i = 0; i < count; ++i) {
            s.Data.T[i] = float(first + i) * s.PointTime + s.TimeOrigin;
            s.Data.MaxT = std::max(s.Data.MaxT, s.Data.T[i]);
        }
    }
    s.TimeRangeMin = s.TimeOrigin;
    s.TimeRangeMax = s.TimeOrigin + s.PointTime * float(s.PointCount - 1);
}

} // namespace kurvimat::acquisition
