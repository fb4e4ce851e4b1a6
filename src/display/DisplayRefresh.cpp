#include "DisplayRefresh.h"

#include "FormulaParser.h"
#include "MeasurementStore.h"
#include "Plot.h"
#include "PlotInteraction.h"
#include "RawStrips.h"
#include "RunLayer.h"

#include <QPainter>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <queue>
#include <tuple>

using kurvimat::acquisition::MeasurementStore;
using kurvimat::acquisition::PointCapacity;
using kurvimat::analysis::PlotMode;
using kurvimat::signals::TParser;

namespace kurvimat::display {

namespace {

// The points the plot and its axes show: the stored points, or the spectrum's.
MeasurementStore& points(const DisplayContext& ctx) {
    return ctx.PlotPoints ? *ctx.PlotPoints : ctx.Store;
}
DisplayChanges& pointsChanges(const DisplayContext& ctx) {
    return ctx.PlotChanges ? *ctx.PlotChanges : ctx.State.Changes;
}

struct StripInfo {
    Tscale* Scale;
    std::size_t DrawnIndex;
    bool Hidden; ///< the strip holds the invisible scale of an XY mode
    bool Auto;
    std::pair<double, double> Reference;
    AxisImage Images[4]; ///< Auto, AutoOff, Full, FullOn
};

StripInfo stripInfo(const DisplayContext& ctx, Strip strip) {
    const MeasurementStore& s = points(ctx);
    const DisplayChanges& c = pointsChanges(ctx);
    const PlotMode mode = ctx.Controls.Mode;
    switch (strip) {
    case Strip::Left:
        return {ctx.Scales.Left,
                0,
                mode == PlotMode::AAsX,
                c.AutoLeft,
                ReferenceLeft(s),
                {AxisImage::LinksAuto, AxisImage::LinksAutoOff, AxisImage::LinksFull,
                 AxisImage::LinksFullon}};
    case Strip::Right:
        return {ctx.Scales.Right,
                1,
                mode == PlotMode::BAsX,
                c.AutoRight,
                ReferenceRight(s),
                {AxisImage::RechtsAuto, AxisImage::RechtsAutoOff, AxisImage::RechtsFull,
                 AxisImage::RechtsFullon}};
    default:
        return {ctx.Scales.Bottom,
                2,
                false,
                c.AutoBottom,
                ReferenceBottom(s, mode),
                {AxisImage::UntenAuto, AxisImage::UntenAutoOff, AxisImage::UntenFull,
                 AxisImage::UntenFullOn}};
    }
}

// Strip backgrounds on the data canvas, as (left, top, right, bottom) rectangles: the side
// strips down to the bottom labels' row (12 logical pixels below the bottom strip's top),
// the bottom strip from there across the whole width.
void clearStrip(QPainter& p, const DisplayState& st, int w, int h, Strip strip) {
    auto fill = [&](int l, int t, int r, int b) { p.fillRect(l, t, r - l, b - t, Qt::white); };
    const int ml = st.Geometry.px(PlotLeftMargin);
    const int top = st.BottomAxisRect.Top, labels = top + st.Geometry.px(12);
    switch (strip) {
    case Strip::Left:
        fill(0, 0, ml, labels);
        break;
    case Strip::Right:
        fill(st.RightAxisRect.Left, 0, st.RightAxisRect.Right, labels);
        break;
    default:
        fill(ml, top, st.RightAxisRect.Left, labels);
        fill(0, labels, w, h);
        break;
    }
}

} // namespace

void DrawScale(QPainter& painter, Tscale& scale, const PaintGeometry& g) {
    QPen pen(Qt::black, g.weight());
    pen.setCapStyle(Qt::FlatCap); // a tick ends where the plot's frame begins
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    scale.Canvas = &painter;
    scale.Draw();
    // The canvas lives only as long as this painter.
    scale.Canvas = nullptr;
}

namespace {

// Runs go with the stored points, not with another point set (the spectrum's).
RunLayer* shownRuns(const DisplayContext& ctx) {
    return ctx.PlotPoints ? nullptr : ctx.Runs;
}

PlotKey plotKey(const DisplayContext& ctx) {
    const ScaleSet& sc = ctx.Scales;
    const MeasurementStore& s = points(ctx);
    const DisplayState& st = ctx.State;
    PlotKey k;
    k.Width = ctx.Plot.width();
    k.Height = ctx.Plot.height();
    k.Canvas = ctx.DataCanvas.size();
    k.Scale = st.Geometry.Scale;
    k.Controls = ctx.Controls;
    k.Left = sc.Left;
    k.Right = sc.Right;
    k.Bottom = sc.Bottom;
    const Tscale* ranged[] = {&sc.A, &sc.B, &sc.T, sc.Left, sc.Right, sc.Bottom};
    for (std::size_t i = 0; i < std::size(ranged); ++i) {
        k.Ranges[2 * i] = ranged[i]->RangeStart;
        k.Ranges[2 * i + 1] = ranged[i]->RangeEnd;
    }
    const Tscale* strips[] = {sc.Left, sc.Right, sc.Bottom};
    for (std::size_t i = 0; i < std::size(strips); ++i) {
        k.Grids[2 * i] = strips[i]->GridFirstPx;
        k.Grids[2 * i + 1] = strips[i]->GridStepPx;
        k.GridLast[i] = strips[i]->GridLastIndex;
        k.Visible[i] = strips[i]->Visible;
    }
    k.PrefixA = sc.A.Prefix;
    k.PrefixB = sc.B.Prefix;
    k.ExponentA = sc.A.Exponent;
    k.ExponentB = sc.B.Exponent;
    k.ZoomBox = st.ZoomBoxActive;
    k.Zoom = {st.ZoomX1, st.ZoomY1, st.ZoomX2, st.ZoomY2};
    k.DataDefA = s.Data.DefA;
    k.DataDefB = s.Data.DefB;
    k.SnapDefA = s.Snap.DefA;
    k.SnapDefB = s.Snap.DefB;
    k.DataHasB = s.Data.HasB;
    k.SnapHasB = s.Snap.HasB;
    k.NoValues = {s.Data.NoValueA, s.Data.NoValueB, s.Snap.NoValueA, s.Snap.NoValueB};
    k.Curves = DataCurves(s, ctx.Controls.KanalB);
    k.Cursors = st.Cursors;
    k.Overlay = ctx.Overlay ? ctx.OverlayKey : 0;
    k.Runs = shownRuns(ctx) ? shownRuns(ctx)->key() : 0;
    return k;
}

MeanKey meanKey(const DisplayContext& ctx, const QString& levelText) {
    const MeasurementStore& s = ctx.Store;
    return {ctx.MeanStrip.width(),
            ctx.MeanStrip.height(),
            ctx.MeanCanvas.size(),
            ctx.State.Geometry.Scale,
            ctx.Controls,
            s.PointCount,
            s.PreTrigger,
            s.TriggerLevel,
            levelText};
}

// Every tick compares the strip's level text; it is worked out again only when what it is made
// from changed (a formula's result depends on nothing else: the other variables stay 0).
QString meanLevelText(DisplayContext& ctx) {
    const bool a = ctx.Controls.TriggerChannelA;
    const MeasurementStore& s = ctx.Store;
    TParser& parser = a ? ctx.ParserA : ctx.ParserB;
    LevelTextMemo& m = ctx.State.Drawn.LevelText;
    const LevelTextMemo::Inputs in{a,
                                   parser.Expression(),
                                   parser.ParserFailed(),
                                   s.TriggerLevel,
                                   {s.UminA, s.UmaxA, s.UminB, s.UmaxB},
                                   a ? s.UnitA : s.UnitB};
    if (!m.Known || !(m.From == in)) {
        m.Text = TriggerLevelText(s, parser, a);
        m.From = in;
        m.Known = true;
    }
    return m.Text;
}

// Rectangles that follow the new stretch of a curve: enough to keep the copies small, few
// enough that a repaint (one request to the screen each) does not spend more on their number
// than on their pixels.
constexpr std::size_t MaxChangedRects = 24;

// Where the plot image lies on the data canvas.
QPoint plotOrigin(const PaintGeometry& g) {
    return {g.px(PlotLeftMargin), g.px(PlotTopMargin)};
}

// Byte for byte, so that a NaN drawn before counts as unchanged.
bool unchanged(const std::vector<float>& drawn, const float* now) {
    return drawn.empty() || std::memcmp(drawn.data(), now, drawn.size() * sizeof(float)) == 0;
}

void remember(std::vector<float>& drawn, const float* now, int count) {
    drawn.assign(now, now + std::clamp(count, 0, PointCapacity));
}

void rememberPlot(DisplayContext& ctx) {
    const MeasurementStore& s = points(ctx);
    DrawnContent& d = ctx.State.Drawn;
    d.PlotKnown = true;
    d.Plot = plotKey(ctx);
    remember(d.DataT, s.Data.T, s.Data.Count);
    remember(d.DataA, s.Data.A, s.Data.Count);
    remember(d.DataB, s.Data.B, s.Data.Count);
    remember(d.SnapT, s.Snap.T, s.Snap.Count);
    remember(d.SnapA, s.Snap.A, s.Snap.Count);
    remember(d.SnapB, s.Snap.B, s.Snap.Count);
    const auto further = s.Data.Further();
    d.Columns.resize(further.size());
    for (std::size_t i = 0; i < further.size(); ++i)
        d.Columns[i].assign(further[i].values.begin(),
                            further[i].values.begin() + std::ptrdiff_t(s.Data.SettledCount(i)));
}

// The further columns' values already drawn are still theirs (bit for bit, as a NaN drawn
// before counts as unchanged).
bool columnsUnchanged(const std::vector<std::vector<double>>& drawn,
                      std::span<const signals::QuantityColumn> now) {
    if (drawn.size() != now.size()) return false;
    for (std::size_t i = 0; i < drawn.size(); ++i)
        if (now[i].values.size() < drawn[i].size() ||
            (!drawn[i].empty() && std::memcmp(drawn[i].data(), now[i].values.data(),
                                              drawn[i].size() * sizeof(double)) != 0))
            return false;
    return true;
}

// Tiles compared between two drawings of an image: as narrow as a curve's stretch, low enough
// that a steep flank does not take in much background.
constexpr int ChangeTileWidth = 32;
constexpr int ChangeTileHeight = 16;
// A new sweep leaves some 80 tiles changed along a sine; merged down to MaxChangedRects they
// covered four times the area.
constexpr std::size_t MaxChangedTiles = 128;

// Draws an image anew over the last frame, which is still on the canvas at `at`, and writes
// only the pixels that differ from it. At a new sweep the grid, the legends and the background
// stay, and on a periodic signal the new curves lie where the old ones were.
template <class Paint>
void redrawOverLastFrame(const IndexedImage& image, Paint paint, QImage& canvas, QPoint at,
                         std::vector<QRect>& changed) {
    paint();
    changed = image.expandChangedInto(canvas, at.x(), at.y(), ChangeTileWidth, ChangeTileHeight);
    MergeRects(changed, MaxChangedTiles);
    for (QRect& r : changed)
        r = r.translated(at) & canvas.rect();
}

} // namespace

void MergeRects(std::vector<QRect>& rects, std::size_t limit) {
    if (limit == 0) limit = 1;
    if (rects.size() <= limit) return;
    // Neighbours whose bounding rectangle adds the least area go together first (the first
    // such pair in the list on a tie). A drawing in full may leave hundreds of tiles: the
    // pairs wait in a heap, and a merge only changes the two pairs beside it.
    auto area = [](const QRect& r) { return static_cast<std::int64_t>(r.width()) * r.height(); };
    const std::size_t n = rects.size();
    std::vector<std::size_t> prev(n), next(n);
    std::vector<bool> gone(n, false);
    for (std::size_t i = 0; i < n; ++i)
        prev[i] = i - 1, next[i] = i + 1; // n - 1 + 1 == n and 0 - 1 wrap to "none"
    const std::size_t none = static_cast<std::size_t>(-1);
    prev[0] = none;
    struct Pair {
        std::int64_t Growth;
        std::size_t Left, Right;
        bool operator>(const Pair& o) const {
            return Growth != o.Growth ? Growth > o.Growth : Left > o.Left;
        }
    };
    auto growth = [&](std::size_t l, std::size_t r) {
        return area(rects[l] | rects[r]) - area(rects[l]) - area(rects[r]);
    };
    std::priority_queue<Pair, std::vector<Pair>, std::greater<>> heap;
    for (std::size_t i = 0; i + 1 < n; ++i)
        heap.push({growth(i, i + 1), i, i + 1});
    for (std::size_t left = n; left > limit && !heap.empty();) {
        const Pair p = heap.top();
        heap.pop();
        // A pair whose rectangles changed or went since it was pushed is stale.
        if (gone[p.Left] || gone[p.Right] || next[p.Left] != p.Right ||
            growth(p.Left, p.Right) != p.Growth)
            continue;
        rects[p.Left] |= rects[p.Right];
        gone[p.Right] = true;
        next[p.Left] = next[p.Right];
        if (next[p.Left] < n) prev[next[p.Left]] = p.Left;
        --left;
        if (prev[p.Left] != none) heap.push({growth(prev[p.Left], p.Left), prev[p.Left], p.Left});
        if (next[p.Left] < n) heap.push({growth(p.Left, next[p.Left]), p.Left, next[p.Left]});
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (!gone[i]) rects[kept++] = rects[i];
    rects.resize(kept);
}

QFont DataFont(double scale) {
    return PlotFont(scale);
}

void DrawRawStrip(DisplayContext& ctx) {
    const PaintGeometry& g = ctx.State.Geometry;
    PaintRawStrip(ctx.RawStrip, ctx.Store, ctx.Controls.Adiff, StripFont(g.Scale), g,
                  &ctx.State.Drawn.RawBase);
    ctx.RawStrip.expandInto(ctx.RawCanvas, 0, 0);
    ctx.State.RawStripValid = true;
    ctx.State.Changes.RawDirty = false;
}

namespace {

// The strip drawn in full, and what it was drawn from.
void paintMeanImage(DisplayContext& ctx) {
    const QString level = meanLevelText(ctx);
    const PaintGeometry& g = ctx.State.Geometry;
    const MeasurementStore& s = ctx.Store;
    PaintMeanStrip(ctx.MeanStrip, s, ctx.Controls, level, StripFont(g.Scale), g,
                   &ctx.State.Drawn.MeanBase);
    DrawnContent& d = ctx.State.Drawn;
    d.MeanKnown = true;
    d.MeanHistory = s.TriggerPos == -1;
    d.Mean = meanKey(ctx, level);
    const int sweep = std::clamp(s.SweepIndex, 0, std::clamp(s.PointCount, 1, PointCapacity));
    remember(d.SweepA, s.SweepRawA, sweep);
    remember(d.SweepB, s.SweepRawB, sweep);
    ctx.State.MeanStripValid = true;
    ctx.State.Changes.MeanDirty = false;
}

// The strip drawn in full over the last frame, still on the canvas.
bool drawMeanOverLastFrame(DisplayContext& ctx, std::vector<QRect>& changed) {
    const DrawnContent& d = ctx.State.Drawn;
    if (!ctx.State.IncrementalFrames || !ctx.State.MeanStripValid || !d.MeanKnown ||
        d.Mean.Canvas != ctx.MeanCanvas.size() || d.Mean.Scale != ctx.State.Geometry.Scale)
        return false;
    redrawOverLastFrame(ctx.MeanStrip, [&] { paintMeanImage(ctx); }, ctx.MeanCanvas, {}, changed);
    return true;
}

} // namespace

void DrawMeanStrip(DisplayContext& ctx) {
    paintMeanImage(ctx);
    ctx.MeanStrip.expandInto(ctx.MeanCanvas, 0, 0);
}

bool DrawMeanStripPoints(DisplayContext& ctx, std::vector<QRect>& changed) {
    const MeasurementStore& s = ctx.Store;
    DrawnContent& d = ctx.State.Drawn;
    if (!ctx.State.IncrementalFrames || !ctx.State.MeanStripValid || !d.MeanKnown) return false;
    const int drawn = static_cast<int>(d.SweepA.size());
    const int sweep = std::clamp(s.SweepIndex, 0, std::clamp(s.PointCount, 1, PointCapacity));
    const QString level = meanLevelText(ctx);
    if (sweep < drawn || !(meanKey(ctx, level) == d.Mean) || !unchanged(d.SweepA, s.SweepRawA) ||
        !unchanged(d.SweepB, s.SweepRawB))
        return false;
    const PaintGeometry& g = ctx.State.Geometry;
    const bool history = s.TriggerPos == -1;
    if (history || d.MeanHistory) {
        // The waiting history moves with every block, so the strip (with the new points) is
        // drawn anew; only what differs from the last frame is expanded.
        redrawOverLastFrame(
            ctx.MeanStrip,
            [&] {
                PaintMeanStrip(ctx.MeanStrip, s, ctx.Controls, level, StripFont(g.Scale), g,
                               &d.MeanBase);
            },
            ctx.MeanCanvas, {}, changed);
    } else {
        QRect touched;
        PaintSweepPoints(ctx.MeanStrip, s, drawn, sweep, g, &touched);
        ctx.MeanStrip.expandInto(ctx.MeanCanvas, 0, 0, touched);
        changed.assign(1, touched & ctx.MeanCanvas.rect());
    }
    d.MeanHistory = history;
    d.SweepA.insert(d.SweepA.end(), s.SweepRawA + drawn, s.SweepRawA + sweep);
    d.SweepB.insert(d.SweepB.end(), s.SweepRawB + drawn, s.SweepRawB + sweep);
    ctx.State.Changes.MeanDirty = false;
    return true;
}

bool DrawPlotPoints(DisplayContext& ctx, std::vector<QRect>& changed) {
    const MeasurementStore& s = points(ctx);
    DrawnContent& d = ctx.State.Drawn;
    if (!ctx.State.IncrementalFrames || !ctx.State.PlotValid || !d.PlotKnown) return false;
    const int drawn = static_cast<int>(d.DataT.size());
    const int count = std::clamp(s.Data.Count, 0, PointCapacity);
    if (count < drawn || std::clamp(s.Snap.Count, 0, PointCapacity) != int(d.SnapT.size()) ||
        !(plotKey(ctx) == d.Plot))
        return false;
    for (const auto& [before, now] : {std::pair{&d.DataT, s.Data.T},
                                      {&d.DataA, s.Data.A},
                                      {&d.DataB, s.Data.B},
                                      {&d.SnapT, s.Snap.T},
                                      {&d.SnapA, s.Snap.A},
                                      {&d.SnapB, s.Snap.B}})
        if (!unchanged(*before, now)) return false;
    const auto further = s.Data.Further();
    if (!columnsUnchanged(d.Columns, further)) return false;
    // Values drawn as settled that are no longer (points came after a pause): drawn anew.
    for (std::size_t i = 0; i < further.size(); ++i)
        if (s.Data.SettledCount(i) < d.Columns[i].size()) return false;
    // From the last point drawn: its segment to the first new one is not in the image yet.
    const int from = std::max(drawn - 1, 0);
    const PaintGeometry& g = ctx.State.Geometry;
    changed.clear();
    DrawCurves(ctx.Plot,
               {s.Data.T + from, s.Data.A + from, s.Data.B + from, count - from,
                d.Plot.Curves[0].Masks, d.Plot.Curves[1].Masks, s.Data.HasB && !s.Data.NoValueB,
                !s.Data.NoValueA},
               ctx.Scales, ctx.Controls, g.weight(), &changed);
    // Each column from its last value drawn to its last settled one.
    for (std::size_t i = 0; i < further.size(); ++i) {
        PlotCurves own;
        for (const PlotCurve& curve : d.Plot.Curves)
            if (curve.Source == CurveSource::Column && curve.Column == int(i)) own.push_back(curve);
        const int columnFrom = std::max(int(d.Columns[i].size()) - 1, 0);
        DrawColumnCurves(ctx.Plot, s.Data.T, count, further, own, ctx.Scales, ctx.Controls,
                         g.weight(), columnFrom, &changed, s.Data.Settled);
    }
    // What lies over the curves (cursors, a fitted curve) is drawn again over the new points:
    // its ANDed lines change nothing where they were, its texts and boxes cover the new points
    // as a drawing in full does. So only what the new points touched differs.
    DrawCursors(ctx.Plot, ctx.State.Cursors, ctx.Scales, PlotFont(g.Scale), g, &changed);
    if (ctx.Overlay) ctx.Overlay(ctx.Plot, g);
    MergeRects(changed, MaxChangedRects);
    d.DataT.insert(d.DataT.end(), s.Data.T + drawn, s.Data.T + count);
    d.DataA.insert(d.DataA.end(), s.Data.A + drawn, s.Data.A + count);
    d.DataB.insert(d.DataB.end(), s.Data.B + drawn, s.Data.B + count);
    for (std::size_t i = 0; i < further.size(); ++i)
        d.Columns[i].insert(d.Columns[i].end(), further[i].values.begin() + d.Columns[i].size(),
                            further[i].values.begin() + std::ptrdiff_t(s.Data.SettledCount(i)));
    const QPoint at = plotOrigin(g);
    for (QRect& r : changed) {
        ctx.Plot.expandInto(ctx.DataCanvas, at.x(), at.y(), r);
        r.translate(at);
    }
    pointsChanges(ctx).PlotDirty = false;
    return true;
}

namespace {

void paintPlotImage(DisplayContext& ctx) {
    const PaintGeometry& g = ctx.State.Geometry;
    PaintPlot(ctx.Plot, points(ctx), ctx.Scales, ctx.Controls, ctx.State, PlotFont(g.Scale),
              shownRuns(ctx));
    if (ctx.Overlay) ctx.Overlay(ctx.Plot, g);
    rememberPlot(ctx);
    ctx.State.PlotValid = true;
    pointsChanges(ctx).PlotDirty = false;
}

// A plot drawn in full over the last frame, still on the canvas at the same place.
bool drawPlotOverLastFrame(DisplayContext& ctx, std::vector<QRect>& changed) {
    const DrawnContent& d = ctx.State.Drawn;
    if (!ctx.State.IncrementalFrames || !ctx.State.PlotValid ||
        d.Plot.Canvas != ctx.DataCanvas.size() || d.Plot.Scale != ctx.State.Geometry.Scale)
        return false;
    redrawOverLastFrame(ctx.Plot, [&] { paintPlotImage(ctx); }, ctx.DataCanvas,
                        plotOrigin(ctx.State.Geometry), changed);
    return true;
}

} // namespace

void DrawPlot(DisplayContext& ctx) {
    paintPlotImage(ctx);
    const QPoint at = plotOrigin(ctx.State.Geometry);
    ctx.Plot.expandInto(ctx.DataCanvas, at.x(), at.y());
}

void DrawAxis(DisplayContext& ctx, Strip strip) {
    const StripInfo info = stripInfo(ctx, strip);
    DisplayState& st = ctx.State;
    for (AxisImage image : info.Images)
        st.Visible(image) = false;
    {
        QPainter painter(&ctx.DataCanvas);
        painter.setFont(DataFont(st.Geometry.Scale));
        clearStrip(painter, st, ctx.DataCanvas.width(), ctx.DataCanvas.height(), strip);
        DrawScale(painter, *info.Scale, st.Geometry);
    }
    const std::pair<double, double> range{info.Scale->RangeStart, info.Scale->RangeEnd};
    if (!info.Hidden) {
        st.Visible(info.Auto ? info.Images[1] : info.Images[0]) = true;
        st.Visible(!SameRange(range, info.Reference) ? info.Images[2] : info.Images[3]) = true;
    }
    st.DrawnRanges[info.DrawnIndex] = range;
}

void DrawExtraAxes(DisplayContext& ctx) {
    DisplayState& st = ctx.State;
    QPainter painter(&ctx.DataCanvas);
    painter.setFont(DataFont(st.Geometry.Scale));
    const int labels = st.BottomAxisRect.Top + st.Geometry.px(12);
    for (int k = 0; k < st.ExtraAxes; ++k) {
        const TRect& r = st.ExtraAxisRects[std::size_t(k)];
        painter.fillRect(r.Left, 0, r.Right - r.Left, labels, Qt::white);
        DrawScale(painter, st.ExtraScales[std::size_t(k)], st.Geometry);
    }
}

bool FollowExtraAxes(DisplayContext& ctx) {
    DisplayState& st = ctx.State;
    const int wanted = ExtraAxesOf(points(ctx), ctx.Controls);
    if (wanted == st.ExtraAxes) return false;
    // The plot and every strip move: all of the canvas is drawn anew.
    st.ExtraAxes = wanted;
    PlacePlotArea(ctx.DataCanvas.size(), st, ctx.Scales, ctx.Plot);
    ctx.DataCanvas.fill(Qt::white);
    DisplayChanges& p = pointsChanges(ctx);
    p.AxesChanged = p.PlotDirty = true;
    return true;
}

RefreshResult RefreshDisplay(DisplayContext& ctx) {
    RefreshResult r;
    r.Layout = FollowExtraAxes(ctx);
    const DisplayChanges& s = ctx.State.Changes;
    if (s.RawDirty) {
        DrawRawStrip(ctx);
        r.Raw = true;
    }
    if (s.MeanDirty) {
        r.MeanPointsOnly = DrawMeanStripPoints(ctx, r.MeanAreas);
        if (!r.MeanPointsOnly && !drawMeanOverLastFrame(ctx, r.MeanAreas)) {
            DrawMeanStrip(ctx);
            r.MeanAreas.assign(1, ctx.MeanCanvas.rect());
        }
        r.Mean = true;
    }
    DisplayChanges& p = pointsChanges(ctx);
    WidenAutoScales(points(ctx), p, ctx.Scales, ctx.Controls.Mode, ctx.Controls.KanalB,
                    shownRuns(ctx));
    bool* drawn[] = {&r.Left, &r.Right, &r.Bottom};
    for (Strip strip : {Strip::Left, Strip::Right, Strip::Bottom}) {
        const StripInfo info = stripInfo(ctx, strip);
        const std::pair<double, double> range{info.Scale->RangeStart, info.Scale->RangeEnd};
        if (p.AxesChanged || range != ctx.State.DrawnRanges[info.DrawnIndex]) {
            DrawAxis(ctx, strip);
            *drawn[static_cast<int>(strip)] = true;
        }
    }
    bool extraDrawn = false;
    if (ctx.State.ExtraAxes > 0) {
        // The extra axes follow their columns' values on every tick, as an automatic axis does.
        const auto shown = [&ctx] {
            std::vector<std::tuple<QString, QColor, double, double, bool>> key;
            for (const Tscale& t : ctx.State.ExtraScales)
                key.emplace_back(t.Title, t.TitleColor, t.RangeStart, t.RangeEnd, t.Visible);
            return key;
        };
        const auto before = shown();
        SetExtraScales(ctx.State, points(ctx), DataCurves(points(ctx), ctx.Controls.KanalB));
        if (p.AxesChanged || shown() != before) {
            DrawExtraAxes(ctx);
            extraDrawn = true;
        }
    }
    p.AxesChanged = false;
    if (p.PlotDirty) {
        r.PlotPointsOnly = DrawPlotPoints(ctx, r.PlotAreas);
        if (!r.PlotPointsOnly && !drawPlotOverLastFrame(ctx, r.PlotAreas)) {
            DrawPlot(ctx);
            r.PlotAreas.assign(1, QRect(plotOrigin(ctx.State.Geometry), ctx.Plot.size()) &
                                      ctx.DataCanvas.rect());
        }
        r.Plot = true;
    }
    if (extraDrawn) {
        const DisplayState& st = ctx.State;
        const int labels = st.BottomAxisRect.Top + st.Geometry.px(12);
        const int left = st.ExtraAxisRects[0].Left;
        r.PlotAreas.push_back(QRect(left, 0, ctx.DataCanvas.width() - left, labels));
        r.Plot = true;
    }
    return r;
}

void paintPlotAndAxes(DisplayContext& ctx) {
    const PaintGeometry& g = ctx.State.Geometry;
    if (ctx.State.PlotValid)
        ctx.Plot.expandInto(ctx.DataCanvas, plotOrigin(g).x(), plotOrigin(g).y());
    else
        DrawPlot(ctx);
    QPainter painter(&ctx.DataCanvas);
    painter.setFont(DataFont(g.Scale));
    DrawScale(painter, *ctx.Scales.Left, g);
    DrawScale(painter, *ctx.Scales.Right, g);
    DrawScale(painter, *ctx.Scales.Bottom, g);
    for (int k = 0; k < ctx.State.ExtraAxes; ++k)
        DrawScale(painter, ctx.State.ExtraScales[std::size_t(k)], g);
}

} // namespace kurvimat::display
