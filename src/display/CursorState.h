// The plot's measuring cursors: two vertical ones (time, or x in the XY modes) and two
// horizontal ones (values of the chosen axis, or y in the XY modes), their placement,
// dragging and stepping with the arrow keys. Positions are values, not pixels, so the
// cursors stay on the data while the axes zoom and pan.
#pragma once

#include "CursorOverlay.h"
#include "DisplayState.h"
#include "Measure.h"

#include <QSize>

#include <array>
#include <optional>

namespace kurvimat::display {

enum class CursorId { X1, X2, Y1, Y2 };

/// The time span between the two time cursors, t1 <= t2; Enabled only while they are shown
/// and measure time (not in an XY mode).
struct TimeSpan {
    bool Enabled = false;
    double T1 = 0, T2 = 0;
};

struct CursorState {
    bool VerticalOn = false;          ///< t1, t2 (x1, x2 in the XY modes)
    bool HorizontalOn = false;        ///< y1, y2
    std::array<double, 2> X{};        ///< in the bottom quantity of `Mode`: seconds when Normal
    std::array<double, 2> Y{};        ///< in the units of the value axis
    bool ValueAxisB = false;          ///< the axis of y1, y2 in normal mode
    analysis::PlotMode Mode = analysis::PlotMode::Normal; ///< the mode the positions were placed in
    CursorId Active = CursorId::X1;   ///< the one the arrow keys move
    bool TangentOn = false;           ///< the tangent at t1 drawn and read out (time plot only)

    TimeSpan timeSpan() const;
    /// The axis the horizontal cursors measure: chosen in normal mode, the vertical one in XY.
    bool valueOnB(analysis::PlotMode mode) const;

    /// Switching on places the pair at a third and two thirds of the visible range.
    void setVerticalOn(bool on, double start, double end);
    void setHorizontalOn(bool on, double start, double end);
    /// A new axis for y1, y2 places them afresh in its visible range.
    void setValueAxisB(bool b, double start, double end);
    /// After a change of the plot mode positions in the old quantities mean nothing: shown
    /// cursors are placed afresh in the new ranges.
    void followMode(analysis::PlotMode mode, std::pair<double, double> bottom,
                    std::pair<double, double> vertical);
    double& position(CursorId id);
    double position(CursorId id) const;
};

/// The ranges the cursors are drawn and dragged in: the bottom scale and the scale of the
/// horizontal cursors' axis.
struct CursorAxes {
    double XStart = 0, XEnd = 1;
    double YStart = 0, YEnd = 1;
};
CursorAxes AxesOf(const CursorState& state, const ScaleSet& scales, analysis::PlotMode mode);

/// What the plot draws for the state.
CursorMarks MarksOf(const CursorState& state, analysis::PlotMode mode);

/// The shown cursor whose line passes within `tolerance` pixels of (x, y) in the plot image,
/// the nearest one first; nothing when none does.
std::optional<CursorId> CursorAt(const CursorState& state, const CursorAxes& axes, QSize plot,
                                 double x, double y, double tolerance);

/// Moves a cursor to the value under plot-image column x (vertical) or row y (horizontal).
void DragCursor(CursorState& state, CursorId id, const CursorAxes& axes, QSize plot, double x,
                double y);

/// A vertical cursor over time steps from stored point to stored point of `times` (the
/// first step from between two points lands on the next one); other cursors, and any without
/// points, step by `pixelValue` (the value one pixel spans). Beyond the last point it stays.
double SteppedPosition(double current, int steps, const analysis::PointSeries& times,
                       double pixelValue);

/// The stored point whose plot position (xs against the X range, ys against the Y range of
/// `axes`) lies nearest to (x, y) of the plot image, within `tolerance` pixels; else -1.
/// For the XY modes, where time gives no order along the curve.
int NearestOnPlot(const float* xs, const float* ys, int count, const CursorAxes& axes, QSize plot,
                  double x, double y, double tolerance);

} // namespace kurvimat::display
