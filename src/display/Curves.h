// The plot's curves as a list: where each takes its values from, its colour and its axis.
// Channels A and B come first and keep their colours; the further columns of the shown point
// set follow in colours of their own.
#pragma once

#include "Palette.h"

#include <QString>

#include <cstdint>
#include <span>
#include <vector>

namespace kurvimat::signals {
struct QuantityColumn;
}

namespace kurvimat::display {

/// Where a curve's values come from.
enum class CurveSource : std::uint8_t { A, B, Column };
/// The scale a curve is drawn against: A's (left in the time plot) or B's (right).
enum class CurveAxis : std::uint8_t { Left, Right };

struct PlotCurve {
    CurveSource Source = CurveSource::A;
    int Column = -1; ///< index into the point set's further columns; -1 for A and B
    PointMasks Masks{};
    std::uint8_t Fit = 0; ///< a fitted curve of it: a darker shade of its colour
    CurveAxis Axis = CurveAxis::Left;
    bool operator==(const PlotCurve&) const = default;
};

using PlotCurves = std::vector<PlotCurve>;

/// The live data's curves: A and B, then each further column whose unit is A's (on A's axis)
/// or else B's (on B's); a column of another unit is left out. unitA and unitB are the
/// channels' units as their legends read them.
PlotCurves CurvesOf(std::span<const signals::QuantityColumn> columns, const QString& unitA,
                    bool hasB, const QString& unitB);

} // namespace kurvimat::display
