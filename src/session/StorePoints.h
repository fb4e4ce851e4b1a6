// The store's current points as a session point set and back: a run is made of the current
// points, and a run becomes the current points again.
#pragma once

#include "MeasurementText.h"
#include "Run.h"

#include <cstddef>

namespace kurvimat::acquisition {
struct MeasurementStore;
struct StoredPoints;
} // namespace kurvimat::acquisition

namespace kurvimat::session {

/// The current points with their definitions; a recorded set carries the block values and the
/// voltages they were measured as, so it can be evaluated again.
PointSet currentPoints(const acquisition::MeasurementStore& store);
/// Loaded points kept as read (StoredPoints::Exact) as a set that keeps them.
PointSet exactPoints(const acquisition::StoredPoints& points);
/// Gives the stored points the numbers as read the set keeps, or none.
void putExact(acquisition::StoredPoints& points, const PointSet& set);
/// Current point i as currentPoints gives it; allocates nothing (the journal's hand-off).
SamplePoint currentPoint(const acquisition::MeasurementStore& store, int i);

/// A run of the current points with the store's interval and point count; the name is left
/// empty for RunList to give the default one.
Run currentRun(const acquisition::MeasurementStore& store, qint64 recordedAtMs);

/// Makes the points the current points (no sweep running). A recorded set's block values and
/// voltages go back behind them at their place in the sweep (from its first time under the
/// store's time axis), so a changed definition evaluates them again, the mean strip shows them
/// where they were measured and a sweep that was complete counts as complete. Returns whether
/// the sweep's values changed (recorded points).
bool restorePoints(acquisition::MeasurementStore& store, const PointSet& points);
/// restorePoints of the run's points.
bool restoreRun(acquisition::MeasurementStore& store, const Run& run);

/// The points as the writer of points as text takes them (exchange::formatPoints); views into
/// the set, valid while it is.
exchange::PointColumns pointColumns(const PointSet& points);
exchange::PointColumns pointColumns(const acquisition::StoredPoints& points);

/// The fingerprint of stored points as an experiment file keeps them: their count, origin,
/// definitions, every value, the numbers as read and the further columns. Equal fingerprints stand
/// for the same points; the session tells by it whether the data were kept as a run or saved
/// already.
std::size_t pointsFingerprint(const acquisition::StoredPoints& points, std::size_t seed = 0);

} // namespace kurvimat::session
