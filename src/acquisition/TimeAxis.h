// Store operations behind the two timing choices of the main window: the sampling interval
// and the number of points per sweep.
#pragma once

#include "MeasurementStore.h"

#include <array>

namespace kurvimat::acquisition {

/// The sampling intervals the window offers, in the order of its list.
inline constexpr std::array<int, 16> IntervalChoicesMs = {
    2, 3, 4, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000, 60000};

/// Report mode the instrument needs for a sampling interval: min(intervalMs, 5).
int DeviceModeForInterval(int intervalMs);

/// After IntervalMs changed: clears the sweep and the mean history, waits for a trigger, and
/// rebuilds up to PreTrigger newest block means from the measured raw entries, with the steps
/// and the channel-B deviation of live blocks, so that a trigger right after the change has its
/// history. Blocks the raw rings cannot fill are not made up. Raw rings and label sums are kept.
void RebuildMeanHistory(MeasurementStore& store);

/// Sets PointCount and rescales PreTrigger so that the trigger keeps its relative place in the
/// sweep. The caller then applies both signals and rebuilds the time axis.
void ChangePointCount(MeasurementStore& store, int pointCount);

/// Recomputes the times of recorded points (loaded ones keep theirs) and the nominal time axis
/// from PointTime and TimeOrigin: the points, the mean strip's sweep and the time axis change.
/// The caller gives ScaleT the new range (TimeRangeMin ... TimeRangeMax) and its title.
void RebuildTimeAxis(MeasurementStore& store);

} // namespace kurvimat::acquisition
