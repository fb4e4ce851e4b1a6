#include "Plot.h"

#include "CursorOverlay.h"
#include "MeasurementStore.h"
#include "RunLayer.h"
#include "SignalDefinition.h"

#include <algorithm>
#include <cmath>

using kurvimat::acquisition::MeasurementStore;
using kurvimat::acquisition::PointCapacity;
using kurvimat::analysis::ChannelAsX;
using kurvimat::analysis::PlotMode;
using kurvimat::signals::DefinitionParts;
using kurvimat::signals::PointSetParts;

namespace kurvimat::display {

namespace {

// Round to nearest, halves to even, as std::nearbyint in the default rounding mode, without a
// library call: adding and removing 1.5 * 2^52 leaves no fraction bits. Larger magnitudes carry
// no fraction worth rounding away but halves between 2^51 and 2^52, which nearbyint handles.
inline double roundEven(double v) {
    constexpr double shifter = 6755399441055744.0; // 1.5 * 2^52
    if (std::fabs(v) < 2251799813685248.0)         // 2^51
        return (v + shifter) - shifter;
    return std::nearbyint(v);
}

inline double columnOf(double v, double start, double end, int w) {
    return roundEven((v - start) * (w - 3) / (end - start) + 1);
}
inline double rowOf(double v, double start, double end, int h) {
    return roundEven((h - 2) - (v - start) * (h - 3) / (end - start));
}

// A pixel position as an int only once it is known to lie in [lo, hi].
bool inside(double v, int lo, int hi) {
    return v >= lo && v <= hi;
}

void setAxis(Tscale& scale, const TRect& rect, ScaleKind kind, int titleMargin) {
    scale.Bounds = rect;
    scale.Kind = kind;
    scale.TitleMargin = titleMargin;
}

QString legendText(const QString& definition, const Tscale& scale) {
    const DefinitionParts parts = PointSetParts(definition);
    QString suffix;
    if (!parts.unit.isEmpty())
        suffix = QStringLiteral(" in ") + scale.Prefix + parts.unit;
    else if (scale.Exponent != 0)
        suffix = QStringLiteral(" x10^") + QString::number(scale.Exponent);
    return signals::shownName(parts.name + suffix);
}

// The inner pixels of a segment whose ends both lie inside the drawable area, stepped as
// IndexedImage::andSegment steps them. Most segments of a dense curve join neighbouring pixels
// and have none.
void stepInside(IndexedImage& image, int x0, int y0, int x1, int y1, std::uint8_t mask) {
    const int dx = x1 - x0, dy = y1 - y0;
    const int squared = dx * dx + dy * dy;
    if (squared <= 2) return; // n = round(length) <= 1
    const int n = static_cast<int>(std::nearbyint(std::sqrt(static_cast<double>(squared))));
    for (int k = 1; k < n; ++k) {
        const int x = x0 + static_cast<int>(roundEven(static_cast<double>(k) * dx / n));
        const int y = y0 + static_cast<int>(roundEven(static_cast<double>(k) * dy / n));
        image.row(y)[x] &= mask;
    }
}

} // namespace

double PlotColumn(double v, double start, double end, int w) {
    return columnOf(v, start, end, w);
}

double PlotRow(double v, double start, double end, int h) {
    return rowOf(v, start, end, h);
}

int SignalPanelTop(const LayoutInput& in, bool scrollBarVisible) {
    return scrollBarVisible ? in.PanellinksPufferHeight - in.ScrollPosition
                            : in.PanellinksPufferHeight;
}

void PlacePlotArea(QSize canvas, DisplayState& state, const ScaleSet& scales, IndexedImage& plot) {
    const PaintGeometry& g = state.Geometry;
    const int ml = g.px(PlotLeftMargin), mt = g.px(PlotTopMargin);
    state.PlotValid = false;
    // The row table follows the image, however tall the paint box is.
    const int wd = canvas.width(), hd = canvas.height();
    state.ExtraAxes = std::clamp(state.ExtraAxes, 0, MaxExtraAxes);
    const int we = g.px(ExtraAxisWidth);
    const int wp = wd - 2 * ml - state.ExtraAxes * we, hp = hd - 4 * mt;
    plot.resize(wp, hp);

    // The strips start where the plot's data area does, inside its one-pixel frame.
    state.LeftAxisRect = {0, mt + 1, ml, mt + hp - 1};
    state.RightAxisRect = {ml + wp, mt + 1, 2 * ml + wp, mt + hp - 1};
    state.BottomAxisRect = {ml + 1, mt + hp, ml + wp - 1, hd};
    setAxis(*scales.Left, state.LeftAxisRect, ScaleKind::Left, g.px(SideTitleMargin));
    setAxis(*scales.Right, state.RightAxisRect, ScaleKind::Right, g.px(SideTitleMargin));
    setAxis(*scales.Bottom, state.BottomAxisRect, ScaleKind::Below, g.px(BottomTitleMargin));
    for (int k = 0; k < MaxExtraAxes; ++k) {
        const int left = state.RightAxisRect.Right + k * we;
        TRect& rect = state.ExtraAxisRects[std::size_t(k)];
        rect = k < state.ExtraAxes ? TRect{left, mt + 1, left + we, mt + hp - 1} : TRect{};
        setAxis(state.ExtraScales[std::size_t(k)], rect, ScaleKind::Right, g.px(SideTitleMargin));
    }
}

LayoutResult FormResize(const LayoutInput& in, DisplayState& state, const ScaleSet& scales,
                        IndexedImage& meanStrip, IndexedImage& plot) {
    LayoutResult out;
    const QSize minimum = in.Minimum.expandedTo(QSize(MinWindowWidth, MinWindowHeight));
    out.Window = in.Window.expandedTo(minimum);

    state.Geometry.Scale = in.Scale > 0 ? in.Scale : 1;
    const int ml = state.Geometry.px(PlotLeftMargin);
    state.MeanStripValid = false;
    meanStrip.resize(in.PaintBoxMittel.width() - ml, in.PaintBoxMittel.height());
    PlacePlotArea(in.PaintBoxData, state, scales, plot);

    state.Changes.AxesChanged = true;
    state.Changes.PlotDirty = true;
    state.Changes.MeanDirty = true;

    out.ScrollBarVisible = in.PanelSignaleHeight + in.PanellinksPufferHeight > in.PanellinksHeight;
    out.ScrollBarMaximum = out.ScrollBarVisible ? in.PanelSignaleHeight - in.ScrollBarHeight : 0;
    out.PanelSignaleTop = SignalPanelTop(in, out.ScrollBarVisible);
    return out;
}

QFont PlotFont(double scale) {
    // Made once per scale: a new font object resolves its font anew when first drawn with.
    thread_local double madeFor = 0;
    thread_local QFont font;
    if (scale != madeFor) {
        font = QFont(QStringLiteral("Arial"));
        font.setPixelSize(std::max(1, static_cast<int>(std::nearbyint(11 * scale))));
        madeFor = scale;
    }
    return font;
}

namespace {

// The stretch of one channel's curve since the last rectangle was given out: a curve is
// reported piecewise, so that copying what changed moves the pixels along the curve and not
// its whole bounding box.
struct CurveStretch {
    double MinX = HUGE_VAL, MaxX = -HUGE_VAL, MinY = HUGE_VAL, MaxY = -HUGE_VAL;

    void add(double x, double y) {
        MinX = std::min(MinX, x), MaxX = std::max(MaxX, x);
        MinY = std::min(MinY, y), MaxY = std::max(MaxY, y);
    }
    // Segments stay within their ends' box, points and brushes within 2 cells of it.
    void flush(std::vector<QRect>& out, const IndexedImage& image, int weight) {
        if (MinX <= MaxX && MinY <= MaxY) {
            const int m = 2 * std::max(weight, 1) + 1;
            auto at = [](double v, int limit) {
                return static_cast<int>(std::clamp(v, -1.0, limit + 1.0));
            };
            const QRect box =
                QRect(QPoint(at(MinX, image.width()) - m, at(MinY, image.height()) - m),
                      QPoint(at(MaxX, image.width()) + m, at(MaxY, image.height()) + m)) &
                image.rect();
            if (!box.isEmpty()) out.push_back(box);
        }
        *this = {};
    }
};

} // namespace

void DrawCurves(IndexedImage& image, const CurveSet& set, const ScaleSet& scales,
                const DisplayControls& controls, int weight, std::vector<QRect>* touched) {
    const int w = image.width(), h = image.height();
    if (w < 3 || h < 3 || set.Count <= 0) return;
    const PlotMode mode = controls.Mode;
    const Tscale& sA = scales.A;
    const Tscale& sB = scales.B;
    const Tscale& sT = scales.T;
    const QRect clip(1, 1, w - 2, h - 2);
    const int count = std::min(set.Count, PointCapacity);
    if ((!set.HasB || !set.HasA) && ChannelAsX(mode)) return;
    const bool drawA = controls.KanalA && set.HasA, drawB = controls.KanalB && set.HasB;

    auto bothInside = [&](double x, double y) {
        return inside(x, 1, w - 2) && inside(y, 1, h - 2);
    };
    double px = 0, pyA = 0, pyB = 0;
    // A stretch is given out once it spans this much; the next one starts at its last point,
    // which its first segment leaves from.
    const double stretchWidth = 32.0 * std::max(weight, 1),
                 stretchHeight = 64.0 * std::max(weight, 1);
    CurveStretch stretchA, stretchB;
    std::vector<QRect> rectsA;
    const std::size_t firstB = touched ? touched->size() : 0;
    auto follow = [&](CurveStretch& stretch, std::vector<QRect>& out, double x, double y) {
        stretch.add(x, y);
        if (stretch.MaxX - stretch.MinX >= stretchWidth ||
            stretch.MaxY - stretch.MinY >= stretchHeight) {
            stretch.flush(out, image, weight);
            stretch.add(x, y);
        }
    };
    for (int i = 0; i < count; ++i) {
        double x, yA, yB;
        switch (mode) {
        case PlotMode::BAsX:
            x = columnOf(set.B[i], sB.RangeStart, sB.RangeEnd, w);
            yA = yB = rowOf(set.A[i], sA.RangeStart, sA.RangeEnd, h);
            break;
        case PlotMode::AAsX:
            x = columnOf(set.A[i], sA.RangeStart, sA.RangeEnd, w);
            yA = yB = rowOf(set.B[i], sB.RangeStart, sB.RangeEnd, h);
            break;
        default:
            x = columnOf(set.T[i], sT.RangeStart, sT.RangeEnd, w);
            yA = rowOf(set.A[i], sA.RangeStart, sA.RangeEnd, h);
            yB = rowOf(set.B[i], sB.RangeStart, sB.RangeEnd, h);
            break;
        }
        if (i > 0) {
            const bool bothLeft = x < 0 && px<0, bothRight = x> w && px > w;
            auto segment = [&](double y0, double y1, std::uint8_t mask) {
                if (bothLeft || bothRight || (y0 > h && y1 > h) || (y0 < 0 && y1 < 0)) return;
                if (weight > 1) {
                    image.andThickSegment(px, y0, x, y1, mask, weight, clip);
                    return;
                }
                if (bothInside(px, y0) && bothInside(x, y1)) {
                    stepInside(image, static_cast<int>(px), static_cast<int>(y0),
                               static_cast<int>(x), static_cast<int>(y1), mask);
                    return;
                }
                // Clipped to the image before stepping: a point far off costs no more than the
                // visible part of its segment.
                image.andSegment(px, y0, x, y1, mask, clip);
            };
            if (drawA) segment(pyA, yA, set.MasksA.Core);
            if (drawB) segment(pyB, yB, set.MasksB.Core);
        }
        // ANDing is idempotent: a point on the same pixel as the one before changes nothing,
        // and a dense curve has many of them.
        const bool sameA = i > 0 && x == px && yA == pyA;
        const bool sameB = i > 0 && x == px && yB == pyB;
        if (inside(x, 1, w - 2)) {
            const int ix = static_cast<int>(x);
            auto point = [&](double y, PointMasks masks) {
                if (weight > 1)
                    image.andPoint(ix, static_cast<int>(y), masks, weight, clip);
                else
                    image.andPointInside(ix, static_cast<int>(y), masks);
            };
            if (drawA && !sameA && inside(yA, 1, h - 2)) point(yA, set.MasksA);
            if (drawB && !sameB && inside(yB, 1, h - 2)) point(yB, set.MasksB);
        }
        px = x;
        pyA = yA;
        pyB = yB;
        if (touched) {
            if (drawA) follow(stretchA, rectsA, x, yA);
            if (drawB) follow(stretchB, *touched, x, yB);
        }
    }
    if (touched) {
        stretchA.flush(rectsA, image, weight);
        stretchB.flush(*touched, image, weight);
        // A's stretches before B's: neighbours in the list are neighbours on the plot.
        touched->insert(touched->begin() + firstB, rectsA.begin(), rectsA.end());
    }
}

PlotCurves CurvesOf(std::span<const signals::QuantityColumn> columns, const QString& unitA,
                    bool hasB, const QString& unitB, int extraAxes) {
    PlotCurves curves{
        {CurveSource::A, -1, PaletteMask::LiveA, PaletteMask::FitA, CurveAxis::Left},
        {CurveSource::B, -1, PaletteMask::LiveB, PaletteMask::FitB, CurveAxis::Right}};
    const std::size_t n = std::min(columns.size(), std::size_t(signals::MaxQuantityColumns));
    std::vector<QString> extraUnits;
    for (std::size_t i = 0; i < n; ++i) {
        // A column whose unit no axis shows is not drawn: its values under another quantity's
        // scale would read as that quantity's. The table and readouts still hold it.
        const QString& unit = columns[i].unit;
        const bool left = unit == unitA, right = !left && hasB && unit == unitB;
        PlotCurve curve{CurveSource::Column, int(i), PaletteMask::FurtherColumn(i),
                        PaletteMask::FurtherFit(i), right ? CurveAxis::Right : CurveAxis::Left};
        if (!left && !right) {
            auto known = std::find(extraUnits.begin(), extraUnits.end(), unit);
            if (known == extraUnits.end()) {
                if (int(extraUnits.size()) >= std::min(extraAxes, MaxExtraAxes)) continue;
                known = extraUnits.insert(known, unit);
            }
            curve.Axis = CurveAxis::Extra;
            curve.Extra = int(known - extraUnits.begin());
        }
        curves.push_back(curve);
    }
    return curves;
}

int ExtraAxisCount(const PlotCurves& curves) {
    int n = 0;
    for (const PlotCurve& c : curves)
        if (c.Axis == CurveAxis::Extra) n = std::max(n, c.Extra + 1);
    return n;
}

std::optional<std::size_t> RightAxisColumn(const MeasurementStore& store, bool showB) {
    const acquisition::StoredPoints& data = store.Data;
    if (showB && (data.HasB || (store.Snap.Count > 0 && store.Snap.HasB))) return std::nullopt;
    const std::span<const signals::QuantityColumn> further = data.Further();
    const QString unitA = PointSetParts(data.DefA).unit;
    const std::size_t n = std::min(further.size(), std::size_t(signals::MaxQuantityColumns));
    if (!store.RightAxisChoice.isEmpty())
        for (std::size_t i = 0; i < n; ++i)
            if (further[i].header == store.RightAxisChoice && further[i].unit != unitA) return i;
    for (std::size_t i = 0; i < n; ++i)
        if (further[i].unit != unitA) return i;
    return std::nullopt;
}

AxisUnits DataAxisUnits(const MeasurementStore& store, bool showB) {
    const acquisition::StoredPoints& data = store.Data;
    AxisUnits units{PointSetParts(data.DefA).unit, std::nullopt};
    if (const auto right = RightAxisColumn(store, showB)) units.Right = data.Further()[*right].unit;
    else if (data.HasB) units.Right = PointSetParts(data.DefB).unit;
    return units;
}

PlotCurves DataCurves(const MeasurementStore& store, bool showB) {
    const std::span<const signals::QuantityColumn> further = store.Data.Further();
    if (further.empty()) return CurvesOf({}, {}, false, {});
    const AxisUnits units = DataAxisUnits(store, showB);
    PlotCurves curves = CurvesOf(further, units.Left, units.Right.has_value(),
                                 units.Right.value_or(QString()), MaxExtraAxes);
    // An extra axis spans the values drawn against it, out to whole steps.
    for (int axis = 0; axis < ExtraAxisCount(curves); ++axis) {
        double low = HUGE_VAL, high = -HUGE_VAL;
        for (const PlotCurve& c : curves) {
            if (c.Axis != CurveAxis::Extra || c.Extra != axis) continue;
            const auto i = std::size_t(c.Column);
            const std::vector<double>& values = further[i].values;
            for (std::size_t k = 0; k < store.Data.SettledCount(i) && k < values.size(); ++k)
                if (std::isfinite(values[k]))
                    low = std::min(low, values[k]), high = std::max(high, values[k]);
        }
        if (!(low <= high)) low = high = 0;
        // A constant column still needs a span to be drawn against.
        if (high - low <= 1e-9 * std::max(std::fabs(low), std::fabs(high))) {
            const double margin = low != 0 ? std::fabs(low) / 10 : 1;
            low -= margin, high += margin;
        }
        // Out to whole steps of the span's decade: while a sweep grows, a new extreme changes
        // the axis (and draws the plot anew) only when it passes a step, not at every point.
        const double step = std::pow(10.0, std::floor(std::log10(high - low)));
        if (std::isfinite(step) && step > 0)
            // A value on a step stays there, whatever the division's last bit says.
            low = std::floor(low / step + 1e-9) * step, high = std::ceil(high / step - 1e-9) * step;
        for (PlotCurve& c : curves)
            if (c.Axis == CurveAxis::Extra && c.Extra == axis) c.Low = low, c.High = high;
    }
    return curves;
}

int ExtraAxesOf(const MeasurementStore& store, const DisplayControls& controls) {
    return controls.Mode == PlotMode::Normal ? ExtraAxisCount(DataCurves(store, controls.KanalB))
                                             : 0;
}

void SetExtraScales(DisplayState& state, const MeasurementStore& store, const PlotCurves& curves) {
    const std::span<const signals::QuantityColumn> further = store.Data.Further();
    for (int axis = 0; axis < MaxExtraAxes; ++axis) {
        Tscale& scale = state.ExtraScales[std::size_t(axis)];
        const auto first = std::find_if(curves.begin(), curves.end(), [axis](const PlotCurve& c) {
            return c.Axis == CurveAxis::Extra && c.Extra == axis;
        });
        scale.Visible = axis < state.ExtraAxes && first != curves.end() &&
                        std::size_t(first->Column) < further.size();
        if (!scale.Visible) continue;
        // Titled by its first column, in that column's colour.
        const signals::QuantityColumn& c = further[std::size_t(first->Column)];
        scale.Title = signals::SignalTitle(c.name, c.unit);
        const std::uint8_t core = first->Masks.Core;
        scale.TitleColor = QColor(Palette::red(core), Palette::green(core), Palette::blue(core));
        scale.RangeStart = first->Low;
        scale.RangeEnd = first->High;
    }
}

void DrawColumnCurves(IndexedImage& image, const float* times, int count,
                      std::span<const signals::QuantityColumn> columns, const PlotCurves& curves,
                      const ScaleSet& scales, const DisplayControls& controls, int weight, int from,
                      std::vector<QRect>* touched, std::span<const std::size_t> settled) {
    const int w = image.width(), h = image.height();
    // Over the time, the frequency or the quantity a plot of quantities puts on x; a channel
    // as x leaves them no place.
    if (w < 3 || h < 3 || ChannelAsX(controls.Mode)) return;
    count = std::min(count, PointCapacity);
    from = std::max(from, 0);
    if (from >= count) return;
    const QRect clip(1, 1, w - 2, h - 2);
    const Tscale& sT = scales.T;
    const double stretchWidth = 32.0 * std::max(weight, 1),
                 stretchHeight = 64.0 * std::max(weight, 1);
    for (const PlotCurve& curve : curves) {
        if (curve.Source != CurveSource::Column || curve.Column < 0 ||
            std::size_t(curve.Column) >= columns.size())
            continue;
        const std::vector<double>& values = columns[std::size_t(curve.Column)].values;
        if (values.size() < std::size_t(count)) continue;
        const Tscale& sY = curve.Axis == CurveAxis::Right ? scales.B : scales.A;
        const bool extra = curve.Axis == CurveAxis::Extra;
        // Only the time plot shows extra axes: without one the curve would read as another's.
        if (extra && controls.Mode != PlotMode::Normal) continue;
        const double yStart = extra ? curve.Low : sY.RangeStart,
                     yEnd = extra ? curve.High : sY.RangeEnd;
        const int end = std::size_t(curve.Column) < settled.size()
                            ? int(std::min(settled[std::size_t(curve.Column)], std::size_t(count)))
                            : count;
        CurveStretch stretch;
        bool havePrevious = false;
        double px = 0, py = 0;
        for (int i = from; i < end; ++i) {
            const double v = values[std::size_t(i)];
            if (!std::isfinite(v) || !std::isfinite(times[i])) { // a blank breaks the curve
                havePrevious = false;
                continue;
            }
            const double x = columnOf(times[i], sT.RangeStart, sT.RangeEnd, w);
            const double y = rowOf(v, yStart, yEnd, h);
            if (havePrevious && !(x < 0 && px < 0) && !(x > w && px > w) && !(y > h && py > h) &&
                !(y < 0 && py < 0)) {
                if (weight > 1)
                    image.andThickSegment(px, py, x, y, curve.Masks.Core, weight, clip);
                else
                    image.andSegment(px, py, x, y, curve.Masks.Core, clip);
            }
            if (inside(x, 1, w - 2) && inside(y, 1, h - 2)) { // as the channels' points
                const int ix = static_cast<int>(x), iy = static_cast<int>(y);
                if (weight > 1)
                    image.andPoint(ix, iy, curve.Masks, weight, clip);
                else
                    image.andPointInside(ix, iy, curve.Masks);
            }
            if (touched) {
                stretch.add(x, y);
                if (stretch.MaxX - stretch.MinX >= stretchWidth ||
                    stretch.MaxY - stretch.MinY >= stretchHeight) {
                    stretch.flush(*touched, image, weight);
                    stretch.add(x, y);
                }
            }
            px = x, py = y, havePrevious = true;
        }
        if (touched) stretch.flush(*touched, image, weight);
    }
}

namespace {

// Snapshot legends, only where the snapshot's definition differs from the live one.
void paintLegends(IndexedImage& image, const MeasurementStore& store, const ScaleSet& scales,
                  PlotMode mode, const PaintGeometry& g, const QFont& font) {
    const int w = image.width(), h = image.height();
    if (store.Snap.Count > 0 && store.Snap.DefA != store.Data.DefA) {
        const QString text = legendText(store.Snap.DefA, scales.A);
        image.drawText(g.px(10), mode == PlotMode::AAsX ? h - g.px(20) : g.px(7), text, font,
                       PaletteIndex::SnapshotLegendA);
    }
    if (store.Snap.Count > 0 && store.Snap.HasB && store.Snap.DefB != store.Data.DefB) {
        const QString text = legendText(store.Snap.DefB, scales.B);
        const int tw = IndexedImage::textSize(text, font).width();
        image.drawText(w - tw - g.px(10), mode == PlotMode::BAsX ? h - g.px(20) : g.px(7), text,
                       font, PaletteIndex::SnapshotLegendB);
    }
}

// Grid at the major ticks the scales left at their last drawing.
void paintGrid(IndexedImage& image, const ScaleSet& scales, PlotMode mode) {
    const int w = image.width(), h = image.height();
    const Tscale& bottom = *scales.Bottom;
    const std::uint8_t bottomMask = mode == PlotMode::BAsX   ? PaletteMask::GridBottomBAsX
                                    : mode == PlotMode::AAsX ? PaletteMask::GridBottomAAsX
                                                             : PaletteMask::GridBottomTime;
    // An axis has a handful of ticks; the bound only guards against a corrupt count.
    const int maxLines = w + h;
    for (int j = 0; j <= std::min(bottom.GridLastIndex, maxLines); ++j) {
        const double x = std::nearbyint(j * bottom.GridStepPx + bottom.GridFirstPx) + 1;
        if (inside(x, 1, w - 2))
            image.verticalLine(static_cast<int>(x), 1, h - 2, bottomMask, PixelOp::And);
    }
    auto horizontalGrid = [&](const Tscale& scale, std::uint8_t mask) {
        if (!scale.Visible) return;
        for (int j = 0; j <= std::min(scale.GridLastIndex, maxLines); ++j) {
            const double y = (h - 2) - std::nearbyint(j * scale.GridStepPx + scale.GridFirstPx);
            if (y > 1 && y < h - 2)
                image.horizontalLine(static_cast<int>(y), 1, w - 2, mask, PixelOp::And);
        }
    };
    horizontalGrid(*scales.Left, PaletteMask::GridLeft);
    horizontalGrid(*scales.Right, PaletteMask::GridRight);
}

void paintZeroLines(IndexedImage& image, const ScaleSet& scales) {
    const int w = image.width(), h = image.height();
    const Tscale& bottom = *scales.Bottom;
    auto zeroRow = [&](const Tscale& scale, std::uint8_t mask) {
        if (!scale.Visible) return;
        const double y =
            h - std::nearbyint(
                    (0 - scale.RangeStart) / (scale.RangeEnd - scale.RangeStart) * (h - 3) + 2);
        if (y > 1 && y < h - 2)
            image.horizontalLine(static_cast<int>(y), 1, w - 2, mask, PixelOp::And);
    };
    zeroRow(*scales.Left, PaletteMask::ZeroLineLeft);
    if (scales.Right->Visible) {
        zeroRow(*scales.Right, PaletteMask::ZeroLineRight);
    } else {
        const double x = std::nearbyint(
            (0 - bottom.RangeStart) / (bottom.RangeEnd - bottom.RangeStart) * (w - 3) + 1);
        if (x > 1 && x < w - 2)
            image.verticalLine(static_cast<int>(x), 1, h - 2, PaletteMask::ZeroLineRight,
                               PixelOp::And);
    }
}

// The snapshot first, so that the live curve is drawn over it.
void paintStoredCurves(IndexedImage& image, const MeasurementStore& store, const ScaleSet& scales,
                       const DisplayControls& controls, int weight) {
    const PlotCurves curves = DataCurves(store, controls.KanalB);
    DrawCurves(image,
               {store.Snap.T, store.Snap.A, store.Snap.B, store.Snap.Count, PaletteMask::SnapshotA,
                PaletteMask::SnapshotB, store.Snap.HasB && !store.Snap.NoValueB, !store.Snap.NoValueA},
               scales, controls, weight);
    DrawCurves(image,
               {store.Data.T, store.Data.A, store.Data.B, store.Data.Count, curves[0].Masks,
                curves[1].Masks, store.Data.HasB && !store.Data.NoValueB, !store.Data.NoValueA},
               scales, controls, weight);
    DrawColumnCurves(image, store.Data.T, store.Data.Count, store.Data.Further(), curves, scales,
                     controls, weight, 0, nullptr, store.Data.Settled);
}

} // namespace

void PaintPlot(IndexedImage& image, const MeasurementStore& store, const ScaleSet& scales,
               const DisplayControls& controls, const DisplayState& state, const QFont& font,
               RunLayer* runs) {
    const int w = image.width(), h = image.height();
    if (w <= 0 || h <= 0) return;
    const PlotMode mode = controls.Mode;
    const PaintGeometry& g = state.Geometry;
    image.drawRectangle(0, 0, w, h, PaletteIndex::Black, PaletteIndex::Background);

    if (state.ZoomBoxActive) { // the box is kept in logical pixels, like the mouse
        image.frameRect(g.px(std::min(state.ZoomX1, state.ZoomX2)),
                        g.px(std::min(state.ZoomY1, state.ZoomY2)),
                        g.px(std::max(state.ZoomX1, state.ZoomX2)),
                        g.px(std::max(state.ZoomY1, state.ZoomY2)), PaletteIndex::ZoomBox, true);
    }

    paintLegends(image, store, scales, mode, g, font);
    paintGrid(image, scales, mode);
    paintZeroLines(image, scales);
    paintStoredCurves(image, store, scales, controls, g.weight());
    if (runs) runs->paint(image, scales, controls, g, font, DataAxisUnits(store, controls.KanalB));
    DrawCursors(image, state.Cursors, scales, font, g);
}

} // namespace kurvimat::display
