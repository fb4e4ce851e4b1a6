// Zooming with the wheel around the pointer, and the way back through earlier ranges.
#pragma once

#include "DisplayState.h"

#include <QSize>

#include <array>
#include <utility>
#include <vector>

namespace kurvimat::display {

/// start .. end scaled by factor about anchor (factor < 1 zooms in); the anchor keeps its
/// place. A span that would shrink below a millionth of the ends' magnitude is left as it is,
/// as the axis could no longer label it.
std::pair<double, double> ZoomAround(double start, double end, double anchor, double factor);

/// Scale factor of wheel turns in eighths of a degree (Qt's angle delta): one notch of 15
/// degrees away from the user zooms in by 0.8, one towards the user out by 1.25.
double WheelFactor(int angleDelta);

/// The wheel at (x, y) of the plot image: the bottom axis about the value under x, or with
/// `values` the shown side axes about the values under y. True when a range changed.
bool WheelZoom(const ScaleSet& scales, double x, double y, QSize plot, double factor, bool values);

/// The ranges of the four scales (A, B, T, X).
struct ScaleRanges {
    std::array<std::pair<double, double>, 4> R{};
    bool operator==(const ScaleRanges&) const = default;
};
ScaleRanges CaptureRanges(const ScaleSet& scales);
void RestoreRanges(const ScaleRanges& ranges, const ScaleSet& scales);

/// Earlier ranges, newest last; a range equal to the newest is not stored twice, and the
/// oldest give way beyond `Capacity`.
class ZoomHistory {
public:
    static constexpr int Capacity = 64;
    void push(const ScaleRanges& ranges);
    /// The newest earlier range that differs from `current`, taken off the history.
    bool back(const ScaleRanges& current, ScaleRanges& out);
    /// Whether back() would find a range to go to.
    bool hasEarlier(const ScaleRanges& current) const;
    int size() const { return static_cast<int>(entries_.size()); }
    void clear() { entries_.clear(); }

private:
    std::vector<ScaleRanges> entries_;
};

} // namespace kurvimat::display
