#include "Analysis.h"
#include "AxisPictures.h"
#include "DisplayFixture.h"
#include "DisplayRefresh.h"
#include "FitOverlay.h"
#include "FormulaParser.h"
#include "Plot.h"
#include "PlotInteraction.h"
#include "PlotPicture.h"
#include "RunLayer.h"

#include <QDateTime>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <string_view>

using namespace kurvimat::acquisition;
using kurvimat::analysis::PlotMode;
using namespace kurvimat::display;
using namespace kurvimat::signals;

namespace {

struct RefreshFixture : DisplayFixture {
    TParser parserA, parserB;
    IndexedImage raw{251, 130}, mean, plot;
    QImage rawCanvas{251, 130, QImage::Format_RGB32};
    QImage meanCanvas{724, 130, QImage::Format_RGB32};
    QImage dataCanvas{800, 460, QImage::Format_RGB32};
    DisplayContext ctx{store, scales, state, controls,  parserA,    parserB,
                       raw,   mean,   plot,  rawCanvas, meanCanvas, dataCanvas};

    explicit RefreshFixture(double scale = 1) {
        LayoutInput in;
        in.Scale = scale;
        in.PaintBoxMittel = meanCanvas.size();
        in.PaintBoxData = dataCanvas.size();
        FormResize(in, state, scales, mean, plot);
        ScaleT.Title = QStringLiteral("Zeit in <vf>s");
        store.DefMinA = 0, store.DefMaxA = 10;
        store.DefMinB = 0, store.DefMaxB = 5;
        store.TimeRangeMin = 0, store.TimeRangeMax = 10;
        for (QImage* c : {&rawCanvas, &meanCanvas, &dataCanvas})
            c->fill(Qt::white);
    }
    RefreshResult refresh() {
        ctx.Controls = controls;
        return RefreshDisplay(ctx);
    }
};

TEST(Refresh, FirstRefreshDrawsEverythingAndClearsTheFlags) {
    RefreshFixture f;
    f.state.Changes.RawDirty = true;
    const RefreshResult r = f.refresh();
    EXPECT_TRUE(r.Raw && r.Mean && r.Left && r.Right && r.Bottom && r.Plot);
    const DisplayChanges& c = f.state.Changes;
    EXPECT_FALSE(c.RawDirty || c.MeanDirty || c.PlotDirty || c.AxesChanged);
    EXPECT_TRUE(f.state.RawStripValid && f.state.MeanStripValid && f.state.PlotValid);
    // The plot's black frame lands at (70, 15) of the data canvas, the grid has ticks to use.
    EXPECT_EQ(f.dataCanvas.pixel(70, 15), f.plot.indexed8().color(0));
    EXPECT_EQ(f.dataCanvas.pixel(69, 14), qRgb(255, 255, 255));
    EXPECT_GT(f.ScaleT.GridLastIndex, 0);
    EXPECT_EQ(f.rawCanvas.pixel(0, 0), f.plot.indexed8().color(0));
}

// The level text beside the trigger marker is worked out only when what it is made from
// changes; each change must still reach the strip.
TEST(Refresh, TriggerLevelTextFollowsEveryInput) {
    RefreshFixture f;
    f.parserA.SetVariable("U", 0); // as the window defines it
    f.parserA.SetExpression("U");
    f.store.UnitA = QStringLiteral("V");
    f.refresh();
    const struct {
        const char* name;
        std::function<void(RefreshFixture&)> change;
        const char* text;
    } rows[] = {
        {"formula", [](RefreshFixture& g) { g.parserA.SetExpression("U*2"); }, "5 V"},
        {"level", [](RefreshFixture& g) { g.store.TriggerLevel = 1023; }, "10 V"},
        {"calibration", [](RefreshFixture& g) { g.store.UmaxA = 2.5f; }, "5 V"},
        {"unit", [](RefreshFixture& g) { g.store.UnitA = QStringLiteral("mV"); }, "5 mV"},
        {"channel", [](RefreshFixture& g) { g.controls.TriggerChannelA = false; }, "0 "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.change(f);
        f.state.Changes.MeanDirty = true;
        f.refresh();
        EXPECT_EQ(f.state.Drawn.Mean.LevelText, QString::fromUtf8(row.text));
    }
}

TEST(Refresh, OnlyChangedAxesAreRedrawnWithTheirButtons) {
    RefreshFixture f;
    f.refresh();
    // Left 0..10 equals A's definition: FullOn; right 0..10 differs from B's 0..5: Full.
    EXPECT_TRUE(f.state.Visible(AxisImage::LinksFullon));
    EXPECT_TRUE(f.state.Visible(AxisImage::RechtsFull));
    EXPECT_TRUE(f.state.Visible(AxisImage::UntenFullOn));
    EXPECT_TRUE(f.state.Visible(AxisImage::LinksAuto));

    RefreshResult r = f.refresh();
    EXPECT_FALSE(r.Left || r.Right || r.Bottom || r.Plot);

    f.setRange(f.ScaleA, 0, 20);
    r = f.refresh();
    EXPECT_TRUE(r.Left);
    EXPECT_FALSE(r.Right || r.Bottom);
    EXPECT_TRUE(f.state.Visible(AxisImage::LinksFull));
    EXPECT_FALSE(f.state.Visible(AxisImage::LinksFullon));
}

TEST(Refresh, AutoscaleWidensBeforeTheAxesAreCompared) {
    RefreshFixture f;
    f.refresh();
    f.state.Changes.AutoRight = true;
    f.store.Data.Count = 1;
    f.store.Data.MinB = -3, f.store.Data.MaxB = 4;
    const RefreshResult r = f.refresh();
    EXPECT_TRUE(r.Right);
    EXPECT_EQ(f.ScaleB.RangeStart, -3);
    EXPECT_EQ(f.ScaleB.RangeEnd, 10);
    EXPECT_TRUE(f.state.Visible(AxisImage::RechtsAutoOff));
}

TEST(Refresh, HiddenAxisOfAnXyModeShowsNoButtons) {
    RefreshFixture f;
    f.controls.Mode = PlotMode::BAsX;
    AssignStrips(f.state.Changes, f.state, f.scales, PlotMode::BAsX);
    f.refresh();
    for (AxisImage i : {AxisImage::RechtsAuto, AxisImage::RechtsAutoOff, AxisImage::RechtsFull,
                        AxisImage::RechtsFullon})
        EXPECT_FALSE(f.state.Visible(i));
    EXPECT_TRUE(f.state.Visible(AxisImage::LinksAuto));
    // The right strip is cleared white: no tick labels of B remain there.
    EXPECT_EQ(f.dataCanvas.pixel(760, 200), qRgb(255, 255, 255));
}

// The picture is drawn by the window's code: at scale 1 it is the plot paint box's canvas, at
// scale 2 the canvas of the same window on a screen of ratio 2, cursors included; the window's
// scales keep their places and grid outputs.
TEST(PlotPicture, IsTheWindowsCanvasAtTheScaleOfThePicture) {
    RefreshFixture f;
    for (int i = 0; i < 300; ++i) {
        const float t = i / 30.0f;
        f.addPoint(t, 5 + 4 * std::sin(t), 2.5f - t / 5);
        f.addSnapPoint(t, 5 + 3 * std::cos(t), 1);
    }
    f.store.Data.DefA = QStringLiteral("Spannung (V): U");
    f.store.Snap.DefA = QStringLiteral("Spannung alt (V): U");
    f.ScaleA.Title = QStringLiteral("Spannung in <vf>V");
    f.state.Cursors.Vertical = true;
    f.state.Cursors.X = {2.5, 7.5};
    f.state.ZoomBoxActive = true; // the window's zoom box stays out of the picture
    f.state.ZoomX1 = 10, f.state.ZoomY1 = 10, f.state.ZoomX2 = 200, f.state.ZoomY2 = 200;
    f.state.Changes.RawDirty = true;
    f.refresh();
    f.state.ZoomBoxActive = false;
    f.state.Changes.PlotDirty = true;
    f.refresh();

    const PictureSource source{f.store, f.scales, f.controls, f.dataCanvas.size(), f.state.Cursors};
    const auto differing = [](const QImage& a, const QImage& b) {
        int n = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                n += a.pixel(x, y) != b.pixel(x, y);
        return n;
    };
    const TRect bottom = f.ScaleT.Bounds;
    const double gridFirst = f.ScaleT.GridFirstPx;
    QSize overlaid;
    const QImage one =
        RenderPlotPicture(source, 1, [&](IndexedImage& plot, const PaintGeometry& g) {
            EXPECT_EQ(g.Scale, 1);
            overlaid = plot.size();
        });
    EXPECT_EQ(overlaid, f.plot.size());
    ASSERT_EQ(one.size(), f.dataCanvas.size());
    EXPECT_EQ(differing(one, f.dataCanvas), 0);

    const QImage two = RenderPlotPicture(source, 2);
    EXPECT_EQ(f.ScaleT.Bounds.Left, bottom.Left);
    EXPECT_EQ(f.ScaleT.Bounds.Bottom, bottom.Bottom);
    EXPECT_EQ(f.ScaleT.GridFirstPx, gridFirst);
    // The same window on a screen of ratio 2.
    f.dataCanvas = QImage(f.dataCanvas.size() * 2, QImage::Format_RGB32);
    f.dataCanvas.fill(Qt::white);
    LayoutInput in;
    in.Scale = 2;
    in.PaintBoxMittel = f.meanCanvas.size() * 2;
    in.PaintBoxData = f.dataCanvas.size();
    FormResize(in, f.state, f.scales, f.mean, f.plot);
    f.refresh();
    ASSERT_EQ(two.size(), f.dataCanvas.size());
    EXPECT_EQ(differing(two, f.dataCanvas), 0);
    // The frame stays one device pixel wide; the cursor line is there at its column.
    const QRgb black = f.plot.indexed8().color(0);
    const int low = 2 * PlotTopMargin + f.plot.height() - 20;
    EXPECT_EQ(two.pixel(139, low), qRgb(255, 255, 255));
    EXPECT_EQ(two.pixel(140, low), black);
    EXPECT_NE(two.pixel(141, low), black);
    const int cursor = 140 + static_cast<int>(PlotColumn(2.5, 0, 10, f.plot.width()));
    int grey = 0;
    for (int y = 40; y < 60; ++y)
        grey += two.pixel(cursor, y) ==
                Palette().rgb(PaletteIndex::Background & PaletteMask::CursorTime);
    EXPECT_GT(grey, 5);
}

// The fitted curve runs only over its span, one pixel per column step, in its channel's mask;
// values off the range leave no trace; the readout sits on its channel's side.
TEST(FitOverlay, CurveOverItsSpanAndReadoutAtItsSide) {
    DisplayFixture f; // time and B both 0 .. 10
    for (const bool channelB : {false, true}) {
        SCOPED_TRACE(channelB ? "B" : "A");
        IndexedImage image(203, 103);
        FitDrawing fit;
        fit.Value = [](double t) { return t < 6 ? 5.0 : t < 8 ? std::nan("") : 1e300; };
        fit.XFrom = 2, fit.XTo = 9;
        fit.XScale = &f.ScaleT;
        fit.YScale = &f.ScaleB;
        fit.ChannelB = channelB;
        DrawFitOverlay(image, fit, PlotFont());
        const std::uint8_t mask = channelB ? PaletteMask::FitB : PaletteMask::FitA;
        const int row = static_cast<int>(PlotRow(5, 0, 10, 103));
        const int from = static_cast<int>(PlotColumn(2, 0, 10, 203));
        const int to = static_cast<int>(PlotColumn(6, 0, 10, 203));
        int drawn = 0;
        for (int y = 0; y < 103; ++y)
            for (int x = 0; x < 203; ++x)
                drawn += image.pixel(x, y) != PaletteIndex::Background;
        EXPECT_EQ(drawn, to - from);
        EXPECT_EQ(image.pixel(from, row), mask);
        EXPECT_EQ(image.pixel(from - 1, row), PaletteIndex::Background);
        // On a scale of 2 the line is two device pixels thick.
        IndexedImage thick(203, 103);
        PaintGeometry two;
        two.Scale = 2;
        DrawFitOverlay(thick, fit, PlotFont(2), two);
        EXPECT_EQ(thick.pixel(from + 1, row + 1), mask);
        EXPECT_EQ(thick.pixel(from + 1, row + 2), PaletteIndex::Background);

        fit.Value = [](double) { return std::nan(""); };
        fit.Readout = {QStringLiteral("R² = 0,99")};
        IndexedImage box(203, 103);
        DrawFitOverlay(box, fit, PlotFont());
        const std::uint8_t text = channelB ? PaletteIndex::FitTextB : PaletteIndex::FitTextA;
        EXPECT_EQ(box.pixel(channelB ? 192 : 10, 24), text);
        EXPECT_EQ(box.pixel(channelB ? 10 : 192, 24), PaletteIndex::Background);
    }

    // Shown runs list their names at the top left: A's box keeps below them, at any scale.
    for (const double scale : {1.0, 2.0}) {
        SCOPED_TRACE(scale);
        PaintGeometry g;
        g.Scale = scale;
        const QFont font = PlotFont(scale);
        RunLayer runs;
        std::vector<RunCurve> curves;
        for (std::size_t i = 0; i < 3; ++i)
            curves.push_back({{}, {}, {}, true, PaletteMask::Run(i),
                              QStringLiteral("Messreihe %1, 08:10, 200 Punkte").arg(i + 1), {}});
        runs.setRuns(curves);
        const int w = int(400 * scale), h = int(300 * scale);
        IndexedImage image(w, h);
        runs.paint(image, f.scales, f.controls, g, font);
        int lowestName = -1;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (image.pixel(x, y) != PaletteIndex::Background) lowestName = y;
        ASSERT_GT(lowestName, 0);
        FitDrawing fit;
        fit.Readout = {QStringLiteral("Ausgleichskurve A: U")};
        fit.LegendLines = 3;
        EXPECT_GT(FitReadoutRect(image.size(), fit, font, g).top(), lowestName);
        fit.LegendLines = 0; // without runs where it always was
        EXPECT_LE(FitReadoutRect(image.size(), fit, font, g).top(), lowestName);
        // Several fits: each side's boxes one below the other, the first where one alone is.
        FitDrawing right = fit;
        right.ChannelB = true;
        std::vector<FitDrawing> fits{fit, right, fit, right, fit};
        const std::vector<QRect> boxes = StackFitBoxes(fits, image.size(), font, g);
        ASSERT_EQ(boxes.size(), fits.size());
        EXPECT_EQ(boxes[0], FitReadoutRect(image.size(), fit, font, g));
        EXPECT_EQ(boxes[1], FitReadoutRect(image.size(), right, font, g));
        for (std::size_t i = 2; i < boxes.size(); ++i) {
            EXPECT_GT(boxes[i].top(), boxes[i - 2].bottom());
            EXPECT_EQ(boxes[i].left(), boxes[i - 2].left());
        }
    }
    // A shown run's further column is drawn in the run's colour where an axis shows its unit.
    const struct {
        const char* unit;
        AxisUnits axes;
        int row; // of the value 5 on the axis it is drawn against; -1: not drawn
    } columns[] = {
        {"V", {QStringLiteral("V"), QStringLiteral("mA")}, int(PlotRow(5, 0, 10, 103))},
        {"mA", {QStringLiteral("V"), QStringLiteral("mA")}, int(PlotRow(5, 0, 10, 103))},
        {"hPa", {QStringLiteral("V"), QStringLiteral("mA")}, -1},
        {"mA", {QStringLiteral("V"), std::nullopt}, -1},
    };
    for (const auto& c : columns) {
        SCOPED_TRACE(c.unit);
        RunLayer runs;
        auto column = kurvimat::signals::QuantityColumn::named(QStringLiteral("p in ") + QString::fromUtf8(c.unit));
        column.values = {5, 5};
        runs.setRuns({{{2, 6}, {}, {}, true, PaletteMask::Run(0), QString(), {column}}});
        IndexedImage image(203, 103);
        runs.paint(image, f.scales, f.controls, PaintGeometry{}, PlotFont(), c.axes);
        int drawn = 0;
        for (int y = 0; y < 103; ++y)
            for (int x = 0; x < 203; ++x)
                drawn += image.pixel(x, y) == PaletteMask::Run(0);
        EXPECT_EQ(drawn > 0, c.row >= 0);
        if (c.row >= 0) {
            EXPECT_EQ(image.pixel(int(PlotColumn(4, 0, 10, 203)), c.row), PaletteMask::Run(0));
        }
    }
    const std::pair<QString, QString> drawn[] = {
        {QStringLiteral("A"), QStringLiteral("Spannung (V): U")},
        {QStringLiteral("P in W"), QStringLiteral(" A*B ")},
        {QStringLiteral("B"), QString()}};
    EXPECT_EQ(
        PictureFooter(drawn, QDateTime(QDate(2026, 12, 8), QTime(14, 5))),
        QStringLiteral("A: Spannung (V): U     P in W: A*B     B: –     08.12.2026, 14:05 Uhr"));
}

bool sameBytes(const IndexedImage& a, const IndexedImage& b) {
    if (a.size() != b.size()) return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.row(y), b.row(y), static_cast<std::size_t>(a.width())) != 0) return false;
    return true;
}

// One tick of a random stream: new points of the running sweep, now and then a new sweep, a
// snapshot, a wait for the trigger with the history moving, a zoom box.
struct StreamStep {
    std::mt19937 rng;
    int waiting = 0;
    bool snapshots, waits, zoom;
    bool snapshotAtTrigger = false;
    int columns = 0; // further columns that grow with the points

    void operator()(MeasurementStore& s, DisplayState& st) {
        auto next = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        auto snapshot = [&] {
            std::copy_n(s.Data.T, s.Data.Count, s.Snap.T);
            std::copy_n(s.Data.A, s.Data.Count, s.Snap.A);
            std::copy_n(s.Data.B, s.Data.Count, s.Snap.B);
            s.Snap.Count = s.Data.Count;
            st.Changes.PlotDirty = true;
        };
        auto value = [&] {
            const int k = next(40);
            if (k == 0) return 1e7f; // far outside: clipped segments
            if (k == 1) return -3e4f;
            return static_cast<float>(next(1100)) / 100 - 0.5f;
        };
        if (snapshots && next(20) == 0) {
            snapshot();
            s.Snap.DefA = next(2) ? QStringLiteral("U in V") : QString();
        }
        if (zoom && next(10) == 0) {
            st.ZoomBoxActive = !st.ZoomBoxActive;
            st.ZoomX1 = next(300), st.ZoomY1 = next(200), st.ZoomX2 = next(300), st.ZoomY2 = 50;
            st.Changes.PlotDirty = true;
        }
        if (waiting > 0) {
            for (int i = next(5); i > 0; --i, s.MeanIndex = (s.MeanIndex + 1) % PointCapacity)
                s.MeanA[s.MeanIndex] = s.MeanB[s.MeanIndex] = static_cast<float>(next(1024));
            st.Changes.MeanDirty = true;
            if (--waiting > 0) return;
        }
        const bool fire = s.TriggerPos == -1 || s.SweepIndex >= s.PointCount || next(25) == 0;
        if (fire) { // a new sweep starts with its pre-trigger points
            if (snapshotAtTrigger) snapshot();
            s.TriggerPos = s.MeanIndex;
            s.Data.Count = s.SweepIndex = 0;
            s.Data.Columns.clear();
            for (int c = 0; c < columns; ++c) // the second on B's axis
                s.Data.Columns.push_back(QuantityColumn::named(c ? QStringLiteral("I in mA")
                                                                 : QStringLiteral("p in hPa")));
            s.Data.DefB = QStringLiteral("I in mA");
        }
        // Now and then a value already drawn changes, as a calculated column's may.
        if (columns > 0 && s.Data.Count > 0 && next(15) == 0) s.Data.Columns[0].values[0] += 1;
        for (int i = fire ? s.PreTrigger : 1 + next(15); i > 0 && s.SweepIndex < s.PointCount;
             --i) {
            const int k = s.SweepIndex++;
            s.SweepRawA[k] = static_cast<float>(next(1024));
            s.SweepRawB[k] = static_cast<float>(next(1024));
            s.Data.T[k] = static_cast<float>(k) * 10.0f / static_cast<float>(s.PointCount);
            s.Data.A[k] = value();
            s.Data.B[k] = value();
            s.Data.MinA = std::min(s.Data.MinA, s.Data.A[k]);
            s.Data.MaxA = std::max(s.Data.MaxA, std::min(s.Data.A[k], 30.0f));
            s.Data.Count = k + 1;
            for (QuantityColumn& c : s.Data.Columns)
                c.values.push_back(next(9) == 0 ? std::numeric_limits<double>::quiet_NaN()
                                                : double(value()));
        }
        // A calculated column's last values still change as points arrive: not settled, they
        // are left out until they are.
        s.Data.Settled.clear();
        if (columns > 0 && s.Data.Count > 2 && next(3) != 0) {
            s.Data.Columns[0].values.back() += 0.5;
            s.Data.Settled.assign(s.Data.Columns.size(), std::size_t(s.Data.Count - 2));
        }
        if (waits && s.SweepIndex >= s.PointCount && next(2) == 0) {
            s.TriggerPos = -1;
            waiting = 1 + next(3);
        }
        st.Changes.PlotDirty = st.Changes.MeanDirty = true;
    }
};

// Points are ANDed into the images: drawing only the new ones onto the last frame must give
// the very pixels of a full drawing, and copy every changed pixel onto the canvases.
TEST(Refresh, NewPointsOnTheLastFrameEqualAFullDrawing) {
    const struct {
        const char* name;
        double scale;
        PlotMode mode;
        bool kanalB, snapshots, waits, zoom;
        int over; // 1: cursors, 2: a fitted curve drawn over the curves, 3: runs shown
        bool autoLeft;
        int pointCount;
        int columns = 0;
    } rows[] = {
        {"plain", 1, PlotMode::Normal, true, false, false, false, 0, false, 200},
        {"ratio 2", 2, PlotMode::Normal, true, false, false, false, 0, false, 200},
        {"ratio 1.5, B off", 1.5, PlotMode::Normal, false, false, false, false, 0, false, 90},
        {"snapshots and zoom", 1, PlotMode::Normal, true, true, false, true, 0, false, 150},
        {"waiting for the trigger", 1, PlotMode::Normal, true, false, true, false, 0, false, 60},
        {"B as x", 1, PlotMode::BAsX, true, true, false, false, 0, false, 300},
        {"A as x, ratio 2", 2, PlotMode::AAsX, true, false, true, false, 0, false, 120},
        {"cursors shown", 1, PlotMode::Normal, true, false, false, false, 1, false, 200},
        {"cursors shown, ratio 1.5", 1.5, PlotMode::Normal, true, true, false, false, 1, false,
         150},
        {"fitted curve shown", 1, PlotMode::Normal, true, false, false, false, 2, false, 200},
        {"fitted curve shown, ratio 2", 2, PlotMode::Normal, true, false, false, false, 2, false,
         300},
        {"autoscale", 1, PlotMode::Normal, true, false, false, false, 0, true, 400},
        {"snapshot at every trigger", 1, PlotMode::Normal, true, false, true, false, 0, false, 200},
        {"snapshot at every trigger, ratio 2", 2, PlotMode::Normal, true, false, false, false, 0,
         false, 100},
        {"runs shown", 1, PlotMode::Normal, true, true, false, true, 3, false, 200},
        {"runs shown, ratio 2, A as x", 2, PlotMode::AAsX, true, false, false, false, 3, false,
         150},
        {"runs with a further column, autoscale", 1, PlotMode::Normal, true, false, false, false, 3,
         true, 200},
        {"further columns", 1, PlotMode::Normal, true, true, false, false, 1, true, 200, 2},
        {"further columns, ratio 2", 2, PlotMode::Normal, false, false, true, true, 2, false, 300,
         3},
        {"further columns, B as x", 1, PlotMode::BAsX, true, false, false, false, 0, false, 150, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        RefreshFixture points(row.scale), full(row.scale);
        full.state.IncrementalFrames = false;
        StreamStep streams[2];
        for (RefreshFixture* f : {&points, &full}) {
            f->controls.KanalB = row.kanalB;
            f->controls.Mode = row.mode;
            AssignStrips(f->state.Changes, f->state, f->scales, row.mode);
            f->state.Cursors.Vertical = f->state.Cursors.Horizontal = row.over == 1;
            f->state.Cursors.X = {2, 7};
            f->state.Cursors.Y = {3, 6};
            f->state.Cursors.Active = 1;
            f->state.Changes.AutoLeft = row.autoLeft;
            f->store.PointCount = row.pointCount;
            f->store.PreTrigger = row.pointCount / 10;
        }
        for (StreamStep& s : streams)
            s = {std::mt19937(static_cast<unsigned>(row.pointCount)),
                 0,
                 row.snapshots,
                 row.waits,
                 row.zoom,
                 std::string_view(row.name).starts_with("snapshot at"),
                 row.columns};
        RunLayer runs[2]; // each drawing keeps its own layer
        int plotPoints = 0, meanPoints = 0;
        for (int tick = 0; tick < 120; ++tick) {
            SCOPED_TRACE(tick);
            streams[0](points.store, points.state);
            streams[1](full.store, full.state);
            // Now and then the cursors move, or the overlay changes or goes.
            for (RefreshFixture* f : {&points, &full}) {
                if (row.over == 1 && tick % 23 == 11) {
                    f->state.Cursors.X[0] += 0.5;
                    f->state.Changes.PlotDirty = true;
                }
                if (row.over == 2 && tick % 29 == 0) {
                    const int shown = tick / 29 % 3; // 0: a box, 1: another box, 2: none
                    f->ctx.Overlay = {};
                    if (shown < 2)
                        f->ctx.Overlay = [shown](IndexedImage& image, const PaintGeometry&) {
                            // A box over the curves and a line ANDed into them, as a fit draws.
                            image.drawRectangle(20 + 40 * shown, 20, 140, 70, PaletteIndex::Black,
                                                PaletteIndex::Background);
                            image.andSegment(1, 100, image.width() - 2, 30 + 30 * shown,
                                             PaletteMask::FitA);
                        };
                    f->ctx.OverlayKey = shown < 2 ? 1 + shown : 0;
                    f->state.Changes.PlotDirty = true;
                }
            }
            // Runs come, change and go; a user does that now and then, never at every tick.
            if (row.over == 3 && tick % 31 == 0) {
                for (int k = 0; k < 2; ++k) {
                    std::vector<RunCurve> curves;
                    for (int r = 0; r < tick / 31 % 3; ++r) {
                        RunCurve c;
                        for (int i = 0; i < 300; ++i) {
                            c.T.push_back(0.035f * i);
                            c.A.push_back(float(5 + 4 * std::sin(0.05 * i + r)));
                            c.B.push_back(float(5 + 3 * std::cos(0.03 * i + r)));
                        }
                        c.HasB = r == 0;
                        if (row.autoLeft) { // on A's axis (no unit), above every value of A
                            c.Columns.push_back(QuantityColumn::named(QStringLiteral("p")));
                            c.Columns.back().values.assign(c.T.size(), 0.0);
                            c.Columns.back().values[7] = 500;
                        }
                        c.Colour = PaletteMask::Run(std::size_t(r));
                        c.Name = QStringLiteral("Messreihe %1").arg(r + 1);
                        curves.push_back(std::move(c));
                    }
                    runs[k].setRuns(std::move(curves));
                    (k ? full : points).ctx.Runs = &runs[k];
                    (k ? full : points).state.Changes.PlotDirty = true;
                }
            }
            const QImage before = points.dataCanvas.copy(), meanBefore = points.meanCanvas.copy();
            const RefreshResult r = points.refresh();
            full.refresh();
            plotPoints += r.PlotPointsOnly;
            meanPoints += r.MeanPointsOnly;
            ASSERT_TRUE(sameBytes(points.plot, full.plot));
            ASSERT_TRUE(sameBytes(points.mean, full.mean));
            ASSERT_TRUE(points.dataCanvas == full.dataCanvas);
            ASSERT_TRUE(points.meanCanvas == full.meanCanvas);
            // The repaint covers every pixel that changed: the areas reported, which lie on
            // the canvas (of the data canvas, with no axis drawn).
            auto covered = [](const QImage& was, const QImage& is, const std::vector<QRect>& areas) {
                for (const QRect& area : areas)
                    EXPECT_TRUE(is.rect().contains(area));
                for (int y = 0; y < was.height(); ++y) {
                    const auto* a = reinterpret_cast<const QRgb*>(was.constScanLine(y));
                    const auto* b = reinterpret_cast<const QRgb*>(is.constScanLine(y));
                    if (std::memcmp(a, b, was.bytesPerLine()) == 0) continue;
                    for (int x = 0; x < was.width(); ++x)
                        ASSERT_TRUE(a[x] == b[x] ||
                                    std::any_of(areas.begin(), areas.end(), [&](const QRect& r) {
                                        return r.contains(x, y);
                                    }))
                            << x << "," << y;
                }
            };
            if (r.Mean) covered(meanBefore, points.meanCanvas, r.MeanAreas);
            if (!r.AxisButtonsChanged()) covered(before, points.dataCanvas, r.PlotAreas);
        }
        // A shown run's column widened the autoscale, which never narrows after.
        if (row.over == 3 && row.autoLeft) EXPECT_EQ(points.scales.Left->RangeEnd, 500);
        // Most ticks bring only new points, also with cursors or a fit over the curves.
        EXPECT_GT(meanPoints, 40);
        EXPECT_GT(plotPoints, 30);
    }
}

// The plot and its axes may show another point set (the spectrum's): drawn and flagged as the
// stored points would be, while the strips still show the store.
TEST(Refresh, PlotDrawsThePointSetItIsGiven) {
    RefreshFixture given, reference;
    auto other = std::make_unique<MeasurementStore>();
    for (int i = 0; i < 50; ++i) {
        given.addPoint(i * 0.2f, 1, 9); // stored points the plot must not show
        const float t = i * 0.2f, a = 5 + 4 * std::sin(t), b = 5 - 3 * std::cos(t);
        reference.addPoint(t, a, b);
        other->Data.T[i] = t, other->Data.A[i] = a, other->Data.B[i] = b;
    }
    other->Data.Count = 50;
    DisplayChanges otherChanges;
    given.ctx.PlotPoints = other.get();
    given.ctx.PlotChanges = &otherChanges;
    for (RefreshFixture* f : {&given, &reference}) {
        f->state.Changes.RawDirty = f->state.Changes.MeanDirty = true;
        DisplayChanges& shown = f->ctx.PlotChanges ? otherChanges : f->state.Changes;
        shown.PlotDirty = shown.AxesChanged = true;
        const RefreshResult r = f->refresh();
        EXPECT_TRUE(r.Plot && r.Left && r.Raw && r.Mean);
    }
    EXPECT_TRUE(sameBytes(given.plot, reference.plot));
    EXPECT_TRUE(given.dataCanvas == reference.dataCanvas);
    EXPECT_FALSE(otherChanges.PlotDirty || otherChanges.AxesChanged);
    EXPECT_FALSE(given.state.Changes.RawDirty || given.state.Changes.MeanDirty);
    // New points of the given set go onto the last frame as well.
    other->Data.T[50] = 10, other->Data.A[50] = 5, other->Data.B[50] = 5;
    other->Data.Count = 51;
    otherChanges.PlotDirty = true;
    EXPECT_TRUE(given.refresh().PlotPointsOnly);
}

// The plain way: scan every neighbouring pair for the least growth, merge, again.
std::vector<QRect> mergedOneByOne(std::vector<QRect> rects, std::size_t limit) {
    auto area = [](const QRect& r) { return static_cast<std::int64_t>(r.width()) * r.height(); };
    while (rects.size() > limit) {
        std::size_t best = 0;
        std::int64_t bestGrowth = INT64_MAX;
        for (std::size_t i = 0; i + 1 < rects.size(); ++i) {
            const std::int64_t g = area(rects[i] | rects[i + 1]) - area(rects[i]) - area(rects[i + 1]);
            if (g < bestGrowth) bestGrowth = g, best = i;
        }
        rects[best] |= rects[best + 1];
        rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(best) + 1);
    }
    return rects;
}

TEST(Refresh, MergedRectanglesCoverTheirPartsWithinTheLimit) {
    std::mt19937 rng(7);
    for (const std::size_t count : {0u, 5u, 128u, 129u, 1000u, 3000u}) {
        std::vector<QRect> rects;
        for (std::size_t i = 0; i < count; ++i)
            rects.emplace_back(static_cast<int>(i * 3 + rng() % 5), static_cast<int>(rng() % 400),
                               1 + static_cast<int>(rng() % 20), 1 + static_cast<int>(rng() % 60));
        std::vector<QRect> merged = rects;
        MergeRects(merged, 128);
        if (count <= 128)
            EXPECT_EQ(merged, rects);
        else
            EXPECT_LE(merged.size(), 128u);
        for (const QRect& r : rects)
            EXPECT_TRUE(std::any_of(merged.begin(), merged.end(),
                                    [&](const QRect& m) { return m.contains(r); }));
        // The same choice as merging pair by pair, also among equal tiles.
        EXPECT_EQ(merged, mergedOneByOne(rects, 128));
        std::vector<QRect> tiles;
        for (std::size_t i = 0; i < count; ++i)
            tiles.emplace_back(32 * static_cast<int>(i / 4), 16 * static_cast<int>(rng() % 40), 32, 16);
        std::vector<QRect> mergedTiles = tiles;
        MergeRects(mergedTiles, 24);
        EXPECT_EQ(mergedTiles, mergedOneByOne(tiles, 24));
    }
}

TEST(Analysis, RangesSpansAndRatios) {
    Tscale a, b;
    a.RangeStart = 0, a.RangeEnd = 5;
    b.RangeStart = 0, b.RangeEnd = 2;
    const QStringList lines = AnalysisLines(a, b, QLocale(QLocale::German));
    const QStringList expected = {"Skala A min: 0",      "Skala A max: 5",     "Differenz A: 5",
                                  "Skala B min: 0",      "Skala B max: 2",     "Differenz B: 2",
                                  "Verhältnis A/B: 2,5", "Verhältnis B/A: 0,4"};
    EXPECT_EQ(lines, expected);

    b.RangeStart = -12345.678, b.RangeEnd = 12345.678;
    const QStringList big = AnalysisLines(a, b, QLocale(QLocale::German));
    EXPECT_EQ(big[3], QStringLiteral("Skala B min: -12346"));

    b.RangeStart = 1, b.RangeEnd = 1 + 1e-60; // span 0 in single precision
    const QStringList none = AnalysisLines(a, b, QLocale(QLocale::German));
    EXPECT_EQ(none[6], QStringLiteral("Verhältnis A/B: -"));
    EXPECT_EQ(none[7], QStringLiteral("Verhältnis B/A: 0"));
}

TEST(Analysis, PressShowsFreshValuesAndReleaseHides) {
    Tscale a, b;
    a.RangeEnd = 5, b.RangeEnd = 2;
    AnalysisReadout readout;
    readout.Toggle(a, b, QLocale(QLocale::German));
    EXPECT_TRUE(readout.Visible);
    readout.Hide();
    EXPECT_FALSE(readout.Visible);
    a.RangeEnd = 8;
    readout.Toggle(a, b, QLocale(QLocale::German));
    EXPECT_EQ(readout.Lines[1], QStringLiteral("Skala A max: 8"));
    readout.Toggle(a, b); // a second toggle hides it
    EXPECT_FALSE(readout.Visible);
}

TEST(AxisPictures, SizesAndColoursOfTheStateInEffect) {
    auto has = [](const QImage& image, QRgb colour) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF) &&
                    qAlpha(image.pixel(x, y)) == 255)
                    return true;
        return false;
    };
    const struct {
        AxisImage image;
        QSize size;
        bool blue, red, black;
    } rows[] = {
        {AxisImage::LinksAuto, {16, 32}, false, false, false},
        {AxisImage::LinksAutoOff, {16, 32}, true, false, true},
        {AxisImage::RechtsAutoOff, {16, 32}, false, true, true},
        {AxisImage::UntenAutoOff, {32, 16}, true, true, true},
        {AxisImage::UntenFull, {32, 16}, false, false, false},
        {AxisImage::UntenFullOn, {32, 16}, false, false, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(static_cast<int>(r.image));
        const QImage p = AxisPicture(r.image).convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(p.size(), r.size);
        EXPECT_EQ(p.size(), AxisPictureSize(r.image));
        EXPECT_EQ(has(p, qRgb(0, 0, 247)), r.blue);
        EXPECT_EQ(has(p, qRgb(247, 0, 0)), r.red);
        EXPECT_EQ(has(p, qRgb(0, 0, 0)), r.black);
        EXPECT_EQ(qAlpha(p.pixel(0, 0)), 0); // transparent background
    }
    EXPECT_EQ(SnapshotArrowPicture().size(), QSize(20, 44));
}

} // namespace
