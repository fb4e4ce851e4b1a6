#include "PlotInteraction.h"

#include "MeasurementStore.h"
#include "Numbers.h"
#include "Plot.h"
#include "RunLayer.h"

#include <QSize>

#include <algorithm>
#include <cmath>

using kurvimat::acquisition::MeasurementStore;
using kurvimat::analysis::PlotMode;
using kurvimat::signals::OrderRange;

namespace kurvimat::display {

namespace {

Extremes extremes(int dataCount, float dataMin, float dataMax, int snapCount, float snapMin,
                  float snapMax) {
    Extremes e;
    if (dataCount > 0) {
        e = {true, dataMin, dataMax};
    }
    if (snapCount > 0) {
        e.Min = e.Any ? std::min<double>(e.Min, snapMin) : snapMin;
        e.Max = e.Any ? std::max<double>(e.Max, snapMax) : snapMax;
        e.Any = true;
    }
    return e;
}

void fit(Tscale& scale, const Extremes& e) {
    if (e.Any) {
        scale.RangeStart = e.Min;
        scale.RangeEnd = e.Max;
    }
    OrderRange(scale.RangeStart, scale.RangeEnd);
}

void widen(Tscale& scale, const Extremes& e) {
    if (!e.Any) return;
    scale.RangeStart = std::min(scale.RangeStart, e.Min);
    scale.RangeEnd = std::max(scale.RangeEnd, e.Max);
}

void setRange(Tscale& scale, std::pair<double, double> range) {
    scale.RangeStart = range.first;
    scale.RangeEnd = range.second;
}

// Zoom and pan work on the ends as single-precision values, as the scale's users store them.
double single(double v) {
    return static_cast<double>(static_cast<float>(v));
}

// A range that rounding made empty, inverted or non-finite would break every mapping onto
// pixels; such a change is dropped and the scale keeps its range. The ends are rounded at the
// resolution of the range the mouse acted on (a box or a move is only pixel-accurate there),
// so zooming out and back in returns to the very numbers and panning leaves clean ones.
void setIfUsable(Tscale& scale, double start, double end) {
    if (std::isfinite(start) && std::isfinite(end) && start < end) {
        const auto [s, e] =
            RoundRange(start, end, RangeResolution(scale.RangeStart, scale.RangeEnd));
        scale.RangeStart = s;
        scale.RangeEnd = e;
    }
}

// 10^k, exact for |k| <= 22.
double power10(int k) {
    double p = 1;
    for (int i = 0; i < std::abs(k); ++i)
        p *= 10;
    return k < 0 ? 1 / p : p;
}

double roundTo(double v, int exponent) {
    // Dividing by an exact power of ten rounds 3 * 0.1 to 0.3, where multiplying would not.
    return exponent < 0 ? std::nearbyint(v * power10(-exponent)) / power10(-exponent)
                        : std::nearbyint(v / power10(exponent)) * power10(exponent);
}

void zoomVertical(Tscale& scale, const DisplayState& st, int hp) {
    const double s = single(scale.RangeStart), e = single(scale.RangeEnd), d = e - s;
    const double y1 = st.ZoomY1, y2 = st.ZoomY2;
    if (y1 + 5 < y2)
        setIfUsable(scale, s + d * (1 - y2 / hp), s + d * (1 - y1 / hp));
    else if (y2 + 5 < y1)
        setIfUsable(scale, s - d * (hp - y1) / (y1 - y2), e + d * y2 / (y1 - y2));
}

void zoomHorizontal(Tscale& scale, const DisplayState& st, int wp) {
    const double s = single(scale.RangeStart), e = single(scale.RangeEnd), d = e - s;
    const double x1 = st.ZoomX1, x2 = st.ZoomX2;
    if (x1 + 5 < x2)
        setIfUsable(scale, s + d * x1 / wp, s + d * x2 / wp);
    else if (x2 + 5 < x1)
        setIfUsable(scale, s - d * x2 / (x1 - x2), e + d * (wp - x1) / (x1 - x2));
}

void pan(Tscale& scale, double fraction) {
    const double d = single(scale.RangeEnd) - single(scale.RangeStart);
    setIfUsable(scale, scale.RangeStart + d * fraction, scale.RangeEnd + d * fraction);
}

void show(DisplayState& state, AxisImage hide, AxisImage shown) {
    state.Visible(hide) = false;
    state.Visible(shown) = true;
}

} // namespace

int RangeResolution(double start, double end) {
    const double span = std::fabs(end - start);
    if (!(span > 0) || !std::isfinite(span)) return 0;
    return static_cast<int>(std::floor(std::log10(span))) - 3;
}

std::pair<double, double> RoundRange(double start, double end, int k) {
    if (k < -300 || k > 300) return {start, end};
    const double s = roundTo(start, k), e = roundTo(end, k);
    if (!(s < e)) return {start, end};
    return {s, e};
}

bool SameRange(std::pair<double, double> range, std::pair<double, double> reference) {
    if (range == reference) return true;
    const int k = RangeResolution(reference.first, reference.second);
    if (k < -300 || k > 300) return false;
    return roundTo(range.first, k) == roundTo(reference.first, k) &&
           roundTo(range.second, k) == roundTo(reference.second, k);
}

Extremes ExtremesA(const MeasurementStore& s) {
    return extremes(s.Data.Count, s.Data.MinA, s.Data.MaxA, s.Snap.Count, s.Snap.MinA, s.Snap.MaxA);
}
Extremes ExtremesB(const MeasurementStore& s) {
    return extremes(s.Data.Count, s.Data.MinB, s.Data.MaxB, s.Snap.Count, s.Snap.MinB, s.Snap.MaxB);
}
Extremes ExtremesT(const MeasurementStore& s) {
    return extremes(s.Data.Count, s.Data.MinT, s.Data.MaxT, s.Snap.Count, s.Snap.MinT, s.Snap.MaxT);
}
Extremes ExtremesBottom(const MeasurementStore& s, PlotMode mode) {
    switch (mode) {
    case PlotMode::BAsX:
        return ExtremesB(s);
    case PlotMode::AAsX:
        return ExtremesA(s);
    default:
        return ExtremesT(s);
    }
}

std::pair<double, double> ReferenceLeft(const MeasurementStore& s) {
    return {s.DefMinA, s.DefMaxA};
}
std::pair<double, double> ReferenceRight(const MeasurementStore& s) {
    return {s.DefMinB, s.DefMaxB};
}
std::pair<double, double> ReferenceBottom(const MeasurementStore& s, PlotMode mode) {
    switch (mode) {
    case PlotMode::BAsX:
        return {s.DefMinB, s.DefMaxB};
    case PlotMode::AAsX:
        return {s.DefMinA, s.DefMaxA};
    default:
        return {s.TimeRangeMin, s.TimeRangeMax};
    }
}

namespace {

// B's values, or none where the right axis shows a further column: the zeros a text without B
// read would stretch the column's range to 0.
Extremes rightExtremes(const MeasurementStore& s, PlotMode mode, bool showB) {
    return mode == PlotMode::Normal && RightAxisColumn(s, showB) ? Extremes{} : ExtremesB(s);
}

// The further columns drawn against a channel's scale (in the time plot) count for it as the
// channel's own values do: the data's, and those of the shown runs by the rule they are drawn
// by (RunLayer::paint).
Extremes withColumns(Extremes e, const MeasurementStore& s, CurveAxis axis, PlotMode mode,
                     bool showB, const RunLayer* runs) {
    if (mode != PlotMode::Normal) return e;
    const auto widenBy = [&e](double low, double high) {
        if (!std::isfinite(low) || !std::isfinite(high)) return;
        e.Min = e.Any ? std::min(e.Min, low) : low;
        e.Max = e.Any ? std::max(e.Max, high) : high;
        e.Any = true;
    };
    const std::span<const signals::QuantityColumn> further = s.Data.Further();
    if (!further.empty())
        for (const PlotCurve& curve : DataCurves(s, showB))
            if (curve.Source == CurveSource::Column && curve.Axis == axis)
                for (const double v : further[std::size_t(curve.Column)].values)
                    widenBy(v, v);
    if (!runs) return e;
    // The runs' ranges were found when they were set: a tick does not go through their values.
    const AxisUnits units = DataAxisUnits(s, showB);
    for (std::size_t r = 0; r < runs->runs().size(); ++r) {
        const RunCurve& run = runs->runs()[r];
        if (run.Columns.empty() || !signals::ColumnsFit(run.Columns, run.T.size())) continue;
        for (const PlotCurve& curve : CurvesOf(run.Columns, units.Left, units.Right.has_value(),
                                               units.Right.value_or(QString())))
            if (curve.Source == CurveSource::Column && curve.Axis == axis) {
                const auto [low, high] = runs->columnRanges()[r][std::size_t(curve.Column)];
                widenBy(low, high);
            }
    }
    return e;
}

} // namespace

void FitLeft(const MeasurementStore& store, const ScaleSet& scales, PlotMode mode, bool showB,
             const RunLayer* runs) {
    if (mode != PlotMode::AAsX)
        fit(*scales.Left, withColumns(ExtremesA(store), store, CurveAxis::Left, mode, showB, runs));
}
void FitRight(const MeasurementStore& store, const ScaleSet& scales, PlotMode mode, bool showB,
              const RunLayer* runs) {
    if (mode != PlotMode::BAsX)
        fit(*scales.Right, withColumns(rightExtremes(store, mode, showB), store, CurveAxis::Right,
                                       mode, showB, runs));
}
void FitBottom(const MeasurementStore& store, const ScaleSet& scales, PlotMode mode) {
    fit(*scales.Bottom, ExtremesBottom(store, mode));
}

void WidenAutoScales(const MeasurementStore& store, const DisplayChanges& changes,
                     const ScaleSet& scales, PlotMode mode, bool showB, const RunLayer* runs) {
    if (changes.AutoLeft && mode != PlotMode::AAsX)
        widen(*scales.Left,
              withColumns(ExtremesA(store), store, CurveAxis::Left, mode, showB, runs));
    if (changes.AutoRight && mode != PlotMode::BAsX)
        widen(*scales.Right, withColumns(rightExtremes(store, mode, showB), store, CurveAxis::Right,
                                         mode, showB, runs));
    if (changes.AutoBottom) widen(*scales.Bottom, ExtremesBottom(store, mode));
}

void AxisImageMouseDown(AxisImage image, const MeasurementStore& store, DisplayChanges& changes,
                        DisplayState& state, const ScaleSet& scales, PlotMode mode, bool showB) {
    Tscale* strip = nullptr;
    switch (image) {
    case AxisImage::LinksFull:
        if (mode == PlotMode::AAsX) return;
        setRange(*scales.Left, ReferenceLeft(store));
        show(state, AxisImage::LinksFull, AxisImage::LinksFullon);
        strip = scales.Left;
        break;
    case AxisImage::RechtsFull:
        if (mode == PlotMode::BAsX) return;
        setRange(*scales.Right, ReferenceRight(store));
        show(state, AxisImage::RechtsFull, AxisImage::RechtsFullon);
        strip = scales.Right;
        break;
    case AxisImage::UntenFull:
        setRange(*scales.Bottom, ReferenceBottom(store, mode));
        show(state, AxisImage::UntenFull, AxisImage::UntenFullOn);
        strip = scales.Bottom;
        break;
    case AxisImage::LinksAuto:
        FitLeft(store, scales, mode, showB);
        changes.AutoLeft = true;
        show(state, AxisImage::LinksAuto, AxisImage::LinksAutoOff);
        strip = scales.Left;
        break;
    case AxisImage::RechtsAuto:
        FitRight(store, scales, mode, showB);
        changes.AutoRight = true;
        show(state, AxisImage::RechtsAuto, AxisImage::RechtsAutoOff);
        strip = scales.Right;
        break;
    case AxisImage::UntenAuto:
        FitBottom(store, scales, mode);
        changes.AutoBottom = true;
        show(state, AxisImage::UntenAuto, AxisImage::UntenAutoOff);
        strip = scales.Bottom;
        break;
    case AxisImage::LinksAutoOff:
        changes.AutoLeft = false;
        show(state, AxisImage::LinksAutoOff, AxisImage::LinksAuto);
        strip = scales.Left;
        break;
    case AxisImage::RechtsAutoOff:
        changes.AutoRight = false;
        show(state, AxisImage::RechtsAutoOff, AxisImage::RechtsAuto);
        strip = scales.Right;
        break;
    case AxisImage::UntenAutoOff:
        changes.AutoBottom = false;
        show(state, AxisImage::UntenAutoOff, AxisImage::UntenAuto);
        strip = scales.Bottom;
        break;
    default: // the FullOn images mark the state in effect and take no clicks
        return;
    }
    OrderRange(strip->RangeStart, strip->RangeEnd);
    changes.AxesChanged = true;
    changes.PlotDirty = true;
}

void PlotMouseDown(DisplayChanges& changes, DisplayState& state, PlotMode mode, int x, int y,
                   bool rightButton, QSize plotSize) {
    const int wp = plotSize.width(), hp = plotSize.height();
    // The hidden axis of an XY mode takes no presses.
    if (mode == PlotMode::BAsX && x >= wp + PlotLeftMargin) return;
    if (mode == PlotMode::AAsX && x <= PlotLeftMargin) return;
    if (rightButton)
        state.PanActive = true;
    else
        state.ZoomBoxActive = true;
    state.LastMouseX = x;
    state.LastMouseY = y;
    state.ZoomX1 = state.ZoomX2 = x - PlotLeftMargin;
    state.ZoomY1 = state.ZoomY2 = y - PlotTopMargin;
    if (y > hp + PlotTopMargin) {
        state.PressBelowPlot = true;
        state.ZoomY1 = 0;
        state.ZoomY2 = hp;
    }
    if (x < PlotLeftMargin) {
        state.PressOnLeftStrip = true;
        state.PressBelowPlot = false;
        state.ZoomX1 = 0;
        state.ZoomX2 = wp;
    }
    if (x > wp + PlotLeftMargin) {
        state.PressOnRightStrip = true;
        state.PressBelowPlot = false;
        state.ZoomX1 = 0;
        state.ZoomX2 = wp;
    }
    changes.PlotDirty = true;
}

void PlotMouseMove(DisplayChanges& changes, DisplayState& state, const ScaleSet& scales, int x,
                   int y, QSize plotSize) {
    const int wp = plotSize.width(), hp = plotSize.height();
    const bool onSide = state.PressOnLeftStrip || state.PressOnRightStrip;
    if (state.ZoomBoxActive) {
        if (!onSide) state.ZoomX2 = x - PlotLeftMargin;
        if (!state.PressBelowPlot) state.ZoomY2 = y - PlotTopMargin;
        changes.PlotDirty = true;
    }
    if (state.PanActive && wp > 0 && hp > 0) {
        const double vertical = static_cast<double>(y - state.LastMouseY) / hp;
        const double horizontal = static_cast<double>(state.LastMouseX - x) / wp;
        if (vertical != 0 && !state.PressBelowPlot) {
            if (!state.PressOnRightStrip) pan(*scales.Left, vertical);
            if (!state.PressOnLeftStrip) pan(*scales.Right, vertical);
            changes.PlotDirty = changes.AxesChanged = true;
        }
        if (horizontal != 0 && !onSide) {
            pan(*scales.Bottom, horizontal);
            changes.PlotDirty = changes.AxesChanged = true;
        }
    }
    state.LastMouseX = x;
    state.LastMouseY = y;
}

void PlotMouseUp(DisplayChanges& changes, DisplayState& state, const ScaleSet& scales, int x, int y,
                 QSize plotSize) {
    const int wp = plotSize.width(), hp = plotSize.height();
    state.LastMouseX = x;
    state.LastMouseY = y;
    if (state.ZoomBoxActive && wp > 0 && hp > 0) {
        if (!state.PressBelowPlot) {
            if (!state.PressOnRightStrip) zoomVertical(*scales.Left, state, hp);
            if (!state.PressOnLeftStrip) zoomVertical(*scales.Right, state, hp);
        }
        if (!state.PressOnLeftStrip && !state.PressOnRightStrip)
            zoomHorizontal(*scales.Bottom, state, wp);
        changes.PlotDirty = changes.AxesChanged = true;
    }
    state.PanActive = state.ZoomBoxActive = false;
    state.PressOnLeftStrip = state.PressOnRightStrip = state.PressBelowPlot = false;
}

void PlotDblClick(const MeasurementStore& store, DisplayChanges& changes, const DisplayState& state,
                  const ScaleSet& scales, PlotMode mode, QSize plotSize, bool showB) {
    const int wp = plotSize.width(), hp = plotSize.height();
    const int x = state.LastMouseX, y = state.LastMouseY;
    // Rows above the bottom strip, in paint-box pixels like y.
    const bool abovePlotBottom = y < hp + PlotTopMargin;
    if (x < wp + PlotLeftMargin && abovePlotBottom) FitLeft(store, scales, mode, showB);
    if (abovePlotBottom && x > PlotLeftMargin) FitRight(store, scales, mode, showB);
    if (x > PlotLeftMargin && x < wp + PlotLeftMargin) FitBottom(store, scales, mode);
    changes.PlotDirty = changes.AxesChanged = true;
}

PlotMode ModeAfterToggle(PlotMode chosen, PlotMode box, bool checked) {
    if (checked) return box;
    return chosen == box ? PlotMode::Normal : chosen;
}

void AssignStrips(DisplayChanges& changes, const DisplayState& state, const ScaleSet& scales,
                  PlotMode mode) {
    switch (mode) {
    case PlotMode::BAsX:
        scales.Left = &scales.A;
        scales.Right = &scales.X;
        scales.Bottom = &scales.B;
        break;
    case PlotMode::AAsX:
        scales.Left = &scales.X;
        scales.Right = &scales.B;
        scales.Bottom = &scales.A;
        break;
    default:
        scales.Left = &scales.A;
        scales.Right = &scales.B;
        scales.Bottom = &scales.T;
        break;
    }
    PlaceStrips(state, scales);
    changes.AxesChanged = changes.PlotDirty = true;
}

void PlaceStrips(const DisplayState& state, const ScaleSet& scales) {
    auto place = [](Tscale& s, const TRect& r, ScaleKind kind, int margin) {
        s.Bounds = r;
        s.Kind = kind;
        s.TitleMargin = margin;
    };
    const PaintGeometry& g = state.Geometry;
    place(*scales.Left, state.LeftAxisRect, ScaleKind::Left, g.px(SideTitleMargin));
    place(*scales.Right, state.RightAxisRect, ScaleKind::Right, g.px(SideTitleMargin));
    place(*scales.Bottom, state.BottomAxisRect, ScaleKind::Below, g.px(BottomTitleMargin));
}

std::pair<bool, bool> ChannelBoxesAfterClick(bool senderIsA, bool kanalA, bool kanalB) {
    if (!kanalA && !kanalB) {
        if (senderIsA)
            kanalB = true;
        else
            kanalA = true;
    }
    return {kanalA, kanalB};
}

void SetTimeInMinutes(DisplayChanges& changes, Tscale& scaleT, bool minutes) {
    scaleT.DisplayFactor = minutes ? 1.0 / 60 : 0;
    scaleT.Title = minutes ? TimeTitleMinutes() : TimeTitleSeconds();
    // The plot too: a fit's box gives its times in the unit chosen.
    changes.AxesChanged = changes.PlotDirty = true;
}

} // namespace kurvimat::display
