// One display refresh of a 1920 x 1080 window with every flag set: 10000 live and 10000
// snapshot points, a full 10000-point sweep in the mean strip. Timed in the same iterations:
// the strips, the three axes, the plot, the expansion of the plot onto its canvas, and the copy
// of the three canvases to a screen-sized image (what a repaint does). The reference for the
// plot is a memset of the same number of bytes, the floor of writing the image at all.
// Beside it, a streaming tick with 10 new points drawn onto the last frame (also with cursors
// and a fit's box over the curves) against the same tick drawn in full, and the first tick of a new sweep repainted where it differs from the
// last frame against repainted whole; ten shown runs against none. Times are the thread's CPU
// time.
#include "DisplayRefresh.h"
#include "FormulaParser.h"
#include "MeasurementStore.h"
#include "Plot.h"
#include "PlotPicture.h"
#include "RawStrips.h"
#include "RunLayer.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "QtBenchMain.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

using namespace kurvimat::acquisition;
using namespace kurvimat::display;
using namespace kurvimat::signals;

namespace {

// Thread CPU time: the machine these run on is shared, and time spent descheduled says nothing
// about the drawing.
struct Clock {
    using time_point = double;
    static double now() {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
    }
};

double seconds(double from, double to) {
    return to - from;
}

// Window 1920 x 1080: the plot's panel is what the left, top and bottom panels leave, the plot
// paint box 5 pixels narrower; the mean strip widens with the window from its 724 at 1024.
constexpr int ScreenW = 1920, ScreenH = 1080;
const QSize DataBox{ScreenW - 283 - 5, ScreenH - 180 - 63};
const QSize MeanBox{724 + ScreenW - 1024, 130};
const QSize RawBox{251, 130};

struct Display {
    std::unique_ptr<MeasurementStore> storage = std::make_unique<MeasurementStore>();
    MeasurementStore& store = *storage;
    Tscale ScaleA, ScaleB, ScaleT, ScaleX;
    Tscale* Left = &ScaleA;
    Tscale* Right = &ScaleB;
    Tscale* Bottom = &ScaleT;
    DisplayState state;
    TParser parserA, parserB;
    IndexedImage raw{RawBox.width(), RawBox.height()}, mean, plot;
    QImage rawCanvas{RawBox, QImage::Format_RGB32};
    QImage meanCanvas{MeanBox, QImage::Format_RGB32};
    QImage dataCanvas{DataBox, QImage::Format_RGB32};
    QImage screen{ScreenW, ScreenH, QImage::Format_ARGB32_Premultiplied};
    DisplayContext ctx{store,      {ScaleA, ScaleB, ScaleT, ScaleX, Left, Right, Bottom},
                       state,      DisplayControls{},
                       parserA,    parserB,
                       raw,        mean,
                       plot,       rawCanvas,
                       meanCanvas, dataCanvas};

    Display() {
        ScaleA.Visible = ScaleB.Visible = ScaleT.Visible = true;
        ScaleA.Title = QStringLiteral("Spannung in <vf>V");
        ScaleB.Title = QStringLiteral("Temperatur in <vf>°C");
        ScaleT.Title = QStringLiteral("Zeit in <vf>s");
        ScaleA.RangeStart = -1.2, ScaleA.RangeEnd = 1.2;
        ScaleB.RangeStart = 0, ScaleB.RangeEnd = 100;
        ScaleT.RangeStart = 0, ScaleT.RangeEnd = 10;
        LayoutInput in;
        in.PaintBoxMittel = MeanBox;
        in.PaintBoxData = DataBox;
        FormResize(in, state, ctx.Scales, mean, plot);

        constexpr int n = PointCapacity;
        for (int i = 0; i < n; ++i) {
            const double t = 10.0 * i / (n - 1);
            store.Data.T[i] = store.Snap.T[i] = static_cast<float>(t);
            store.Data.A[i] = static_cast<float>(std::sin(2 * M_PI * 0.7 * t));
            store.Data.B[i] = static_cast<float>(50 + 40 * std::cos(2 * M_PI * 0.3 * t));
            store.Snap.A[i] = static_cast<float>(0.8 * std::sin(2 * M_PI * 0.5 * t));
            store.Snap.B[i] = static_cast<float>(50 + 30 * std::sin(2 * M_PI * 0.2 * t));
            store.SweepRawA[i] = static_cast<float>(512 + 400 * std::sin(2 * M_PI * 3 * t / 10));
            store.SweepRawB[i] = static_cast<float>(512 + 300 * std::cos(2 * M_PI * 2 * t / 10));
        }
        store.Data.Count = store.Snap.Count = n;
        store.PointCount = store.SweepIndex = n;
        store.TriggerPos = 0;
        store.Data.DefA = QStringLiteral("Spannung (V): U");
        store.Snap.DefA = QStringLiteral("Spannung alt (V): U");
        for (int k = 0; k < RawCapacity; ++k) {
            store.RawA[k] = 512 + static_cast<int>(500 * std::sin(k * 0.01));
            store.RawB[k] = 512 + static_cast<int>(400 * std::cos(k * 0.013));
        }
    }

    void setAllDirty() {
        state.Changes.RawDirty = state.Changes.MeanDirty = state.Changes.PlotDirty =
            state.Changes.AxesChanged = true;
    }

    // What a repaint of the three paint boxes does: blit each canvas.
    void copyToScreen() {
        QPainter p(&screen);
        p.drawImage(16, 50, rawCanvas);
        p.drawImage(353, 50, meanCanvas);
        p.drawImage(283, 180, dataCanvas);
    }
};

void BM_FullRefreshParts(benchmark::State& state) {
    Display d;
    double strips = 0, axes = 0, plot = 0, expand = 0, screen = 0, floor = 0;
    // Least times over the iterations as well: on a shared machine they show the work itself.
    double bestTick = 1e9, bestPlot = 1e9, bestFloor = 1e9;
    const std::size_t plotBytes =
        static_cast<std::size_t>(d.plot.bytesPerLine()) * static_cast<std::size_t>(d.plot.height());
    for (auto _ : state) {
        d.setAllDirty();
        const auto t0 = Clock::now();
        DrawRawStrip(d.ctx);
        DrawMeanStrip(d.ctx);
        const auto t1 = Clock::now();
        for (Strip s : {Strip::Left, Strip::Right, Strip::Bottom})
            DrawAxis(d.ctx, s);
        d.state.Changes.AxesChanged = false;
        const auto t2 = Clock::now();
        PaintPlot(d.plot, d.store, d.ctx.Scales, d.ctx.Controls, d.state, PlotFont());
        benchmark::ClobberMemory();
        const auto t3 = Clock::now();
        d.plot.expandInto(d.dataCanvas, PlotLeftMargin, PlotTopMargin);
        d.state.Changes.PlotDirty = false;
        const auto t4 = Clock::now();
        d.copyToScreen();
        const auto t5 = Clock::now();
        std::memset(d.plot.row(0), PaletteIndex::Background, plotBytes);
        benchmark::ClobberMemory();
        const auto t6 = Clock::now();
        bestTick = std::min(bestTick, seconds(t0, t4));
        bestPlot = std::min(bestPlot, seconds(t2, t3));
        bestFloor = std::min(bestFloor, seconds(t5, t6));
        strips += seconds(t0, t1);
        axes += seconds(t1, t2);
        plot += seconds(t2, t3);
        expand += seconds(t3, t4);
        screen += seconds(t4, t5);
        floor += seconds(t5, t6);
        state.SetIterationTime(seconds(t0, t5));
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["strips_ms"] = strips / n * 1e3;
    state.counters["axes_ms"] = axes / n * 1e3;
    state.counters["plot_ms"] = plot / n * 1e3;
    state.counters["expand_ms"] = expand / n * 1e3;
    state.counters["screen_ms"] = screen / n * 1e3;
    state.counters["memset_ms"] = floor / n * 1e3;
    state.counters["plot_vs_memset"] = plot / floor;
    state.counters["tick_ms"] = (strips + axes + plot + expand) / n * 1e3;
    state.counters["least_tick_ms"] = bestTick * 1e3;
    state.counters["least_plot_ms"] = bestPlot * 1e3;
    state.counters["least_memset_ms"] = bestFloor * 1e3;
    state.counters["least_plot_vs_memset"] = bestPlot / bestFloor;
}

// The refresh as the timer tick calls it, everything flagged, without the repaint.
void BM_RefreshDisplay(benchmark::State& state) {
    Display d;
    d.state.IncrementalFrames = false; // the same pixels again would be found unchanged
    for (auto _ : state) {
        d.setAllDirty();
        const auto t0 = Clock::now();
        RefreshDisplay(d.ctx);
        const auto t1 = Clock::now();
        state.SetIterationTime(seconds(t0, t1));
    }
}

// A tick that only has new points, the plot and the mean strip drawn in full (no axis changed).
void BM_RefreshPlotOnly(benchmark::State& state) {
    Display d;
    d.state.IncrementalFrames = false;
    d.setAllDirty();
    RefreshDisplay(d.ctx);
    for (auto _ : state) {
        d.state.Changes.PlotDirty = d.state.Changes.MeanDirty = d.state.Changes.RawDirty = true;
        const auto t0 = Clock::now();
        RefreshDisplay(d.ctx);
        const auto t1 = Clock::now();
        state.SetIterationTime(seconds(t0, t1));
    }
}

// A picture of the plot paint box at three times its size (what "Bild speichern" writes at
// 3x), against a full refresh of the window with everything flagged, in the same iterations.
void BM_Picture3x(benchmark::State& state) {
    Display d;
    const PictureSource source{d.store, d.ctx.Scales, d.ctx.Controls, DataBox};
    double picture = 0, refresh = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const QImage image = RenderPlotPicture(source, 3);
        benchmark::DoNotOptimize(image.constBits());
        const auto t1 = Clock::now();
        d.setAllDirty();
        RefreshDisplay(d.ctx);
        const auto t2 = Clock::now();
        picture += seconds(t0, t1);
        refresh += seconds(t1, t2);
        state.SetIterationTime(seconds(t0, t1));
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["picture_ms"] = picture / n * 1e3;
    state.counters["refresh_ms"] = refresh / n * 1e3;
    state.counters["picture_vs_refresh"] = picture / refresh;
}

// One tick with 10 new points of a running 10000-point sweep (over 10000 snapshot points), as
// the window does it: refresh, then repaint what changed. Drawn onto the last frame against
// drawn in full, alternately in the same iterations; a sweep that fills up starts again at
// half, untimed.
void BM_TickTenNewPoints(benchmark::State& state) {
    // Drawn onto the last frame without and with the time cursors and a fitted curve's box
    // over the curves, against drawn in full.
    Display points, overlays, full;
    full.state.IncrementalFrames = false;
    overlays.state.Cursors.Vertical = true;
    overlays.state.Cursors.X = {2.5, 7.5};
    overlays.ctx.Overlay = [](IndexedImage& image, const PaintGeometry& g) {
        image.drawRectangle(g.px(10), g.px(24), g.px(200), g.px(110), PaletteIndex::FitTextA,
                            PaletteIndex::Background);
    };
    overlays.ctx.OverlayKey = 1;
    constexpr int half = PointCapacity / 2, perTick = 10;
    auto restart = [&](Display& d) {
        d.store.Data.Count = d.store.SweepIndex = half;
        d.setAllDirty();
        RefreshDisplay(d.ctx);
    };
    for (Display* d : {&points, &overlays, &full})
        restart(*d);
    double pointsTime = 0, overlaysTime = 0, fullTime = 0;
    auto tick = [](Display& d, bool onlyChanged) {
        d.store.Data.Count += perTick;
        d.store.SweepIndex += perTick;
        d.state.Changes.PlotDirty = d.state.Changes.MeanDirty = d.state.Changes.RawDirty = true;
        const auto t0 = Clock::now();
        const RefreshResult r = RefreshDisplay(d.ctx);
        QPainter p(&d.screen);
        p.drawImage(16, 50, d.rawCanvas);
        if (onlyChanged && r.MeanPointsOnly && r.PlotPointsOnly) {
            for (const QRect& area : r.MeanAreas)
                p.drawImage(area.topLeft() + QPoint(353, 50), d.meanCanvas, area);
            for (const QRect& area : r.PlotAreas)
                p.drawImage(area.topLeft() + QPoint(283, 180), d.dataCanvas, area);
        } else {
            p.drawImage(353, 50, d.meanCanvas);
            p.drawImage(283, 180, d.dataCanvas);
        }
        p.end();
        return seconds(t0, Clock::now());
    };
    for (auto _ : state) {
        if (points.store.Data.Count + perTick > PointCapacity) {
            for (Display* d : {&points, &overlays, &full})
                restart(*d);
        }
        const double a = tick(points, true), o = tick(overlays, true), b = tick(full, false);
        pointsTime += a;
        overlaysTime += o;
        fullTime += b;
        state.SetIterationTime(a);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["points_ms"] = pointsTime / n * 1e3;
    state.counters["overlays_ms"] = overlaysTime / n * 1e3;
    state.counters["full_ms"] = fullTime / n * 1e3;
    state.counters["full_vs_points"] = fullTime / pointsTime;
    state.counters["overlays_vs_points"] = overlaysTime / pointsTime;
}

// The first tick of a new sweep at the defaults (200 points, 20 before the trigger) with the
// last sweep taken as the snapshot, as the demo runs: the plot and the mean strip drawn in
// full, then repainted where they differ from the last frame, against repainted whole. The end
// of the sweep before (all 200 points, a little noise that differs each time) is drawn untimed.
void BM_NewSweep(benchmark::State& state) {
    Display tiles, full;
    full.state.IncrementalFrames = false;
    constexpr int count = 200, pre = 20;
    int round = 0;
    auto refresh = [](Display& d, bool areasOnly) {
        d.state.Changes.PlotDirty = d.state.Changes.MeanDirty = true;
        const auto t0 = Clock::now();
        const RefreshResult r = RefreshDisplay(d.ctx);
        QPainter p(&d.screen);
        for (const QRect& area : areasOnly ? r.MeanAreas : std::vector{d.meanCanvas.rect()})
            p.drawImage(area.topLeft() + QPoint(353, 50), d.meanCanvas, area);
        for (const QRect& area : areasOnly ? r.PlotAreas : std::vector{d.dataCanvas.rect()})
            p.drawImage(area.topLeft() + QPoint(283, 180), d.dataCanvas, area);
        p.end();
        return seconds(t0, Clock::now());
    };
    auto endOfSweep = [&](Display& d) {
        MeasurementStore& s = d.store;
        for (int i = 0; i < count; ++i) {
            const float wobble = ((i + round) % 3 - 1) * 0.004f;
            s.Data.T[i] = 10.0f * i / (count - 1);
            s.Data.A[i] = static_cast<float>(std::sin(2 * M_PI * i / (count - 1))) + wobble;
            s.Data.B[i] = 60 + 100 * wobble;
            s.SweepRawA[i] = 512 + 400 * s.Data.A[i];
            s.SweepRawB[i] = 300 + 100 * wobble;
        }
        s.PointCount = s.Data.Count = s.SweepIndex = count;
        refresh(d, true);
    };
    auto newSweep = [&](Display& d, bool areasOnly) {
        MeasurementStore& s = d.store;
        std::copy_n(s.Data.T, count, s.Snap.T);
        std::copy_n(s.Data.A, count, s.Snap.A);
        std::copy_n(s.Data.B, count, s.Snap.B);
        s.Snap.Count = count;
        s.Data.Count = s.SweepIndex = pre;
        return refresh(d, areasOnly);
    };
    double tilesTime = 0, fullTime = 0;
    for (auto _ : state) {
        ++round;
        endOfSweep(tiles);
        endOfSweep(full);
        const double a = newSweep(tiles, true), b = newSweep(full, false);
        tilesTime += a;
        fullTime += b;
        state.SetIterationTime(a);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["tiles_ms"] = tilesTime / n * 1e3;
    state.counters["full_ms"] = fullTime / n * 1e3;
    state.counters["full_vs_tiles"] = fullTime / tilesTime;
}

// Ten shown runs ("Messreihen") of 10000 points each over the plot, against none, in the same
// iterations: a streaming tick with 10 new points (the runs lie in the last frame and are not
// looked at), a full refresh with the runs' layer kept from the last drawing, and a full
// refresh that draws the layer anew (ranges or runs changed).
RunLayer TenRuns() {
    std::vector<RunCurve> runs;
    for (int r = 0; r < 10; ++r) {
        RunCurve c;
        for (int i = 0; i < PointCapacity; ++i) {
            const double t = 10.0 * i / (PointCapacity - 1);
            c.T.push_back(static_cast<float>(t));
            const double a = (0.5 + 0.05 * r) * std::sin(2 * M_PI * 0.4 * t + r);
            const double b = 50 + (20 + 2 * r) * std::cos(2 * M_PI * 0.25 * t + r);
            c.A.push_back(static_cast<float>(a));
            c.B.push_back(static_cast<float>(b));
        }
        c.Colour = PaletteMask::Run(std::size_t(r));
        c.Name = QStringLiteral("Messreihe %1, 08:10, 10000 Punkte").arg(r + 1);
        runs.push_back(std::move(c));
    }
    RunLayer layer;
    layer.setRuns(std::move(runs));
    return layer;
}

void BM_TenRunsShown(benchmark::State& state) {
    RunLayer layer = TenRuns();
    Display none, shown;
    shown.ctx.Runs = &layer;
    constexpr int half = PointCapacity / 2, perTick = 10;
    auto restart = [&](Display& d) {
        d.store.Data.Count = d.store.SweepIndex = half;
        d.setAllDirty();
        RefreshDisplay(d.ctx);
    };
    restart(none);
    restart(shown);
    auto tick = [](Display& d) {
        d.store.Data.Count += perTick;
        d.store.SweepIndex += perTick;
        d.state.Changes.PlotDirty = d.state.Changes.MeanDirty = d.state.Changes.RawDirty = true;
        const auto t0 = Clock::now();
        const RefreshResult r = RefreshDisplay(d.ctx);
        QPainter p(&d.screen);
        p.drawImage(16, 50, d.rawCanvas);
        for (const QRect& area : r.MeanAreas)
            p.drawImage(area.topLeft() + QPoint(353, 50), d.meanCanvas, area);
        for (const QRect& area : r.PlotAreas)
            p.drawImage(area.topLeft() + QPoint(283, 180), d.dataCanvas, area);
        p.end();
        return seconds(t0, Clock::now());
    };
    auto full = [](Display& d) {
        d.state.IncrementalFrames = false;
        d.setAllDirty();
        const auto t0 = Clock::now();
        RefreshDisplay(d.ctx);
        const double s = seconds(t0, Clock::now());
        d.state.IncrementalFrames = true;
        return s;
    };
    double tickNone = 0, tickShown = 0, fullNone = 0, fullKept = 0, fullDrawn = 0;
    long round = 0;
    for (auto _ : state) {
        if (none.store.Data.Count + perTick > PointCapacity) {
            restart(none);
            restart(shown);
        }
        // In turns first: the second of two ticks finds the caches warm.
        const bool noneFirst = (++round & 1) != 0;
        if (noneFirst) tickNone += tick(none);
        const double t = tick(shown);
        tickShown += t;
        if (!noneFirst) tickNone += tick(none);
        fullNone += full(none);
        fullKept += full(shown);
        // Another range: the layer is drawn again.
        shown.ScaleT.RangeEnd = shown.ScaleT.RangeEnd == 10 ? 10.5 : 10;
        fullDrawn += full(shown);
        state.SetIterationTime(t);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["tick_none_ms"] = tickNone / n * 1e3;
    state.counters["tick_runs_ms"] = tickShown / n * 1e3;
    state.counters["tick_runs_vs_none"] = tickShown / tickNone;
    state.counters["full_none_ms"] = fullNone / n * 1e3;
    state.counters["full_runs_kept_ms"] = fullKept / n * 1e3;
    state.counters["full_runs_drawn_ms"] = fullDrawn / n * 1e3;
    state.counters["full_runs_kept_vs_none"] = fullKept / fullNone;
    state.counters["full_runs_drawn_vs_none"] = fullDrawn / fullNone;
}

BENCHMARK(BM_FullRefreshParts)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshDisplay)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshPlotOnly)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Picture3x)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TickTenNewPoints)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NewSweep)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenRunsShown)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return RunQtBenchmarks(argc, argv); }
