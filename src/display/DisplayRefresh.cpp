#include "DisplayRefresh.h"

#include "MeasurementStore.h"
#include "Plot.h"
#include "PlotInteraction.h"
#include "RawStrips.h"

#include <QPainter>

namespace {

struct StripInfo {
    Tscale* Scale;
    std::size_t DrawnIndex;
    bool Hidden; ///< the strip holds the invisible scale of an XY mode
    bool Auto;
    std::pair<double, double> Reference;
    AxisImage Images[4]; ///< Auto, AutoOff, Full, FullOn
};

StripInfo stripInfo(const DisplayContext& ctx, Strip strip) {
    const MeasurementStore& s = ctx.Store;
    const PlotMode mode = ctx.Controls.Mode();
    switch (strip) {
    case Strip::Left:
        return {ctx.Scales.Left,
                0,
                mode == PlotMode::AAsX,
                s.AutoLeft,
                ReferenceLeft(s),
                {AxisImage::LinksAuto, AxisImage::LinksAutoOff, AxisImage::LinksFull,
                 AxisImage::LinksFullon}};
    case Strip::Right:
        return {ctx.Scales.Right,
                1,
                mode == PlotMode::BAsX,
                s.AutoRight,
                ReferenceRight(s),
                {AxisImage::RechtsAuto, AxisImage::RechtsAutoOff, AxisImage::RechtsFull,
                 AxisImage::RechtsFullon}};
    default:
        return {ctx.Scales.Bottom,
                2,
                false,
                s.AutoBottom,
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
        fill(w - ml, 0, w, labels);
        break;
    default:
        fill(ml, top, w - ml, labels);
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

QFont DataFont(double scale) {
    return PlotFont(scale);
}

void DrawRawStrip(DisplayContext& ctx) {
    const PaintGeometry& g = ctx.State.Geometry;
    PaintRawStrip(ctx.RawStrip, ctx.Store, ctx.Controls.Adiff, StripFont(g.Scale), g);
    ctx.RawStrip.expandInto(ctx.RawCanvas, 0, 0);
    ctx.State.RawStripValid = true;
    ctx.Store.RawDirty = false;
}

void DrawMeanStrip(DisplayContext& ctx) {
    const bool a = ctx.Controls.TriggerChannelA;
    const QString level = TriggerLevelText(ctx.Store, a ? ctx.ParserA : ctx.ParserB, a);
    const PaintGeometry& g = ctx.State.Geometry;
    PaintMeanStrip(ctx.MeanStrip, ctx.Store, ctx.Controls, level, StripFont(g.Scale), g);
    ctx.MeanStrip.expandInto(ctx.MeanCanvas, 0, 0);
    ctx.State.MeanStripValid = true;
    ctx.Store.MeanDirty = false;
}

void DrawPlot(DisplayContext& ctx) {
    const PaintGeometry& g = ctx.State.Geometry;
    PaintPlot(ctx.Plot, ctx.Store, ctx.Scales, ctx.Controls, ctx.State, PlotFont(g.Scale));
    if (ctx.Overlay) ctx.Overlay(ctx.Plot, g);
    ctx.State.PlotValid = true;
    ctx.Plot.expandInto(ctx.DataCanvas, g.px(PlotLeftMargin), g.px(PlotTopMargin));
    ctx.Store.PlotDirty = false;
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

RefreshResult RefreshDisplay(DisplayContext& ctx) {
    RefreshResult r;
    MeasurementStore& s = ctx.Store;
    if (s.RawDirty) {
        DrawRawStrip(ctx);
        r.Raw = true;
    }
    if (s.MeanDirty) {
        DrawMeanStrip(ctx);
        r.Mean = true;
    }
    WidenAutoScales(s, ctx.Scales, ctx.Controls.Mode());
    bool* drawn[] = {&r.Left, &r.Right, &r.Bottom};
    for (Strip strip : {Strip::Left, Strip::Right, Strip::Bottom}) {
        const StripInfo info = stripInfo(ctx, strip);
        const std::pair<double, double> range{info.Scale->RangeStart, info.Scale->RangeEnd};
        if (s.AxesChanged || range != ctx.State.DrawnRanges[info.DrawnIndex]) {
            DrawAxis(ctx, strip);
            *drawn[static_cast<int>(strip)] = true;
        }
    }
    s.AxesChanged = false;
    if (s.PlotDirty) {
        DrawPlot(ctx);
        r.Plot = true;
    }
    return r;
}

void PaintBoxDataPaint(DisplayContext& ctx) {
    const PaintGeometry& g = ctx.State.Geometry;
    if (ctx.State.PlotValid)
        ctx.Plot.expandInto(ctx.DataCanvas, g.px(PlotLeftMargin), g.px(PlotTopMargin));
    else
        DrawPlot(ctx);
    QPainter painter(&ctx.DataCanvas);
    painter.setFont(DataFont(g.Scale));
    DrawScale(painter, *ctx.Scales.Left, g);
    DrawScale(painter, *ctx.Scales.Right, g);
    DrawScale(painter, *ctx.Scales.Bottom, g);
}
