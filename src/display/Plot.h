// The main plot image (curves of the data and the snapshot, grid, zero lines, zoom box,
// snapshot legends) and the layout of the strips, images and axis rectangles on resize.
#pragma once

#include "Curves.h"
#include "DisplayState.h"
#include "IndexedImage.h"

#include <QFont>
#include <QRect>
#include <QSize>

#include <cstddef>
#include <optional>
#include <vector>

namespace kurvimat::acquisition {
struct MeasurementStore;
struct StoredPoints;
}

namespace kurvimat::display {

class RunLayer;

/// The smallest window the layout allows.
inline constexpr int MinWindowWidth = 770;
inline constexpr int MinWindowHeight = 570;

/// Column of a value in a plot image of width w for the range start .. end: the range spans
/// columns 1 .. w-2. Values far outside give far columns, never wrapped ones.
double PlotColumn(double v, double start, double end, int w);
/// Row of a value in an image of height h: start on row h-2, end on row 1.
double PlotRow(double v, double start, double end, int h);

/// Sizes the layout reads from the window: the window in logical pixels, the paint boxes'
/// canvases in device pixels at the ratio Scale.
struct LayoutInput {
    QSize Window;
    QSize Minimum; ///< the window's minimum; at least MinWindowWidth x MinWindowHeight
    double Scale = 1;
    QSize PaintBoxMittel;
    QSize PaintBoxData;
    int PanelSignaleHeight = 0;
    int PanellinksPufferHeight = 0;
    int PanellinksHeight = 0;
    int ScrollBarHeight = 0;
    int ScrollPosition = 0;
};

/// What the window must change after the layout.
struct LayoutResult {
    QSize Window; ///< at least the minimum
    bool ScrollBarVisible = false;
    int ScrollBarMaximum = 0;
    int PanelSignaleTop = 0;
};

/// Resizes the mean strip and plot images to device pixels (content invalid until redrawn), sets
/// the display's scale, recomputes the three axis rectangles and puts them into the scales of
/// the strips, and flags a full redraw.
/// Sizes the plot image to a data canvas (device pixels, at state.Geometry) and places the
/// axis strips and the scales around it, with state.ExtraAxes strips right of the right one.
void PlacePlotArea(QSize canvas, DisplayState& state, const ScaleSet& scales, IndexedImage& plot);
LayoutResult FormResize(const LayoutInput& in, DisplayState& state, const ScaleSet& scales,
                        IndexedImage& meanStrip, IndexedImage& plot);

/// Top of the signal panel on the left for a scroll position (also on a scroll-bar change).
int SignalPanelTop(const LayoutInput& in, bool scrollBarVisible);

/// The font of the plot's legends and axis labels (the window's Arial, 11 pixels, times the
/// drawing's scale).
QFont PlotFont(double scale = 1);

/// Repaints the whole plot image from the store, the scales' ranges and their last grid
/// outputs, at the scale of state.Geometry (font given at that scale). Clears nothing in the
/// store; the caller marks the plot valid.
/// Shown runs, when given, lie under the cursors like the curves.
void PaintPlot(IndexedImage& image, const acquisition::MeasurementStore& store,
               const ScaleSet& scales, const DisplayControls& controls, const DisplayState& state,
               const QFont& font, RunLayer* runs = nullptr);

/// The points of one set (data or snapshot) with their segments, in the masks of the set.
struct CurveSet {
    const float* T;
    const float* A;
    const float* B;
    int Count;
    PointMasks MasksA;
    PointMasks MasksB;
    bool HasB = true; ///< without B values only A is drawn, and nothing against B
    bool HasA = true; ///< without A values (a formula that failed for all) only B is drawn
};
/// weight: PaintGeometry::weight() of the drawing. touched, if given, receives rectangles
/// (within the image) that together hold every pixel the call may have changed: one for each
/// stretch of a curve, so that they follow the curve.
void DrawCurves(IndexedImage& image, const CurveSet& set, const ScaleSet& scales,
                const DisplayControls& controls, int weight = 1,
                std::vector<QRect>* touched = nullptr);

/// The units the plot's axes show in the time plot, as their titles name them: A's on the left,
/// on the right B's or that of the column RightAxisColumn names (none: nothing on the right).
struct AxisUnits {
    QString Left;
    std::optional<QString> Right;
    bool operator==(const AxisUnits&) const = default;
};
AxisUnits DataAxisUnits(const acquisition::MeasurementStore& store, bool showB = true);
/// The further column the right axis shows in the time plot: where no B values are shown
/// (neither the data nor the snapshot holds any, or B is not shown), the one the user chose
/// (MeasurementStore::RightAxisChoice), else the first column of a unit other than A's. Columns of its unit are drawn against it; the axis is titled and
/// scaled by it.
std::optional<std::size_t> RightAxisColumn(const acquisition::MeasurementStore& store,
                                           bool showB = true);
/// The curves of the live data: CurvesOf its further columns, with the units of its legends,
/// or of the right axis's column, and up to MaxExtraAxes extra axes, each spanning the settled
/// values of its columns (widened where they are all one value), out to whole steps of the
/// span's decade.
PlotCurves DataCurves(const acquisition::MeasurementStore& store, bool showB = true);
/// The extra axes the plot of these points needs: those of DataCurves in the time plot, none in
/// another mode.
int ExtraAxesOf(const acquisition::MeasurementStore& store, const DisplayControls& controls);
/// Titles, colours and ranges of state.ExtraScales from the curves (DataCurves of store): each by
/// the first column drawn against it. Those beyond state.ExtraAxes are made invisible.
void SetExtraScales(DisplayState& state, const acquisition::MeasurementStore& store,
                    const PlotCurves& curves);
/// The curves of further columns in the list, from point `from` on, in the time plot only (a
/// column has no place against a channel as x). times holds the points' times; each column at
/// least count values, NaN where a point has none (the curve breaks there). touched as
/// DrawCurves. settled, where it holds a count for a column, ends its curve there.
void DrawColumnCurves(IndexedImage& image, const float* times, int count,
                      std::span<const signals::QuantityColumn> columns, const PlotCurves& curves,
                      const ScaleSet& scales, const DisplayControls& controls, int weight = 1,
                      int from = 0, std::vector<QRect>* touched = nullptr,
                      std::span<const std::size_t> settled = {});

} // namespace kurvimat::display
