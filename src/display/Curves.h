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
/// The scale a curve is drawn against: A's (left in the time plot), B's (right), or in the time
/// plot an axis of its own beside the right one for a unit neither shows.
enum class CurveAxis : std::uint8_t { Left, Right, Extra };

/// Units beyond the two sides' that get an axis of their own; a column of any further unit is
/// not drawn. Two keep the plot at least about 80 % of its width.
inline constexpr int MaxExtraAxes = 2;

struct PlotCurve {
    CurveSource Source = CurveSource::A;
    int Column = -1; ///< index into the point set's further columns; -1 for A and B
    PointMasks Masks{};
    std::uint8_t Fit = 0; ///< a fitted curve of it: a darker shade of its colour
    CurveAxis Axis = CurveAxis::Left;
    int Extra = -1;           ///< which extra axis (CurveAxis::Extra), 0 beside the right one
    double Low = 0, High = 0; ///< that axis's range: the values of the columns drawn against it
    bool operator==(const PlotCurve&) const = default;
};

using PlotCurves = std::vector<PlotCurve>;

/// The live data's curves: A and B, then each further column whose unit is A's (on A's axis)
/// or else B's (on B's); of the other units the first extraAxes each get an extra axis, in the
/// order they first come, and a column of any other unit is left out. unitA and unitB are the
/// channels' units as their legends read them. The extra axes' ranges are left to the caller.
PlotCurves CurvesOf(std::span<const signals::QuantityColumn> columns, const QString& unitA,
                    bool hasB, const QString& unitB, int extraAxes = 0);
/// How many extra axes the curves are drawn against.
int ExtraAxisCount(const PlotCurves& curves);

} // namespace kurvimat::display
