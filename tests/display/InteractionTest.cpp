#include "DisplayFixture.h"
#include "PlotInteraction.h"
#include "RunLayer.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <limits>
#include <string_view>
#include <vector>

using kurvimat::analysis::PlotMode;
using namespace kurvimat::display;

namespace {

const QSize Plot{500, 400}; // plot image; paint-box x = image x + 70, y = image y + 15

void expectRange(const Tscale& s, double start, double end, double tolerance = 1e-6) {
    EXPECT_NEAR(s.RangeStart, start, tolerance);
    EXPECT_NEAR(s.RangeEnd, end, tolerance);
}

// A left-button drag from (x0, y0) to (x1, y1) in paint-box coordinates.
void drag(DisplayFixture& f, int x0, int y0, int x1, int y1, bool right = false) {
    PlotMouseDown(f.state.Changes, f.state, f.controls.Mode, x0, y0, right, Plot);
    PlotMouseMove(f.state.Changes, f.state, f.scales, x1, y1, Plot);
    PlotMouseUp(f.state.Changes, f.state, f.scales, x1, y1, Plot);
}

TEST(Zoom, BoxFromRow100To200OnA400RowPlot) {
    DisplayFixture f;
    drag(f, 200, 115, 200, 215);
    expectRange(f.ScaleA, 5, 7.5);
    expectRange(f.ScaleB, 5, 7.5);
    expectRange(f.ScaleT, 0, 10); // a horizontal drag of 0 pixels changes nothing
    EXPECT_TRUE(f.state.Changes.AxesChanged);
    EXPECT_FALSE(f.state.ZoomBoxActive);
}

TEST(Zoom, OutThenInRestoresTheRange) {
    const struct {
        int xa, ya, xb, yb; // top left and bottom right corner of the box
    } boxes[] = {{100, 115, 300, 215}, {90, 30, 400, 300}, {480, 380, 500, 400}};
    for (const auto& b : boxes) {
        SCOPED_TRACE(testing::Message() << b.xa << "," << b.ya << " " << b.xb << "," << b.yb);
        DisplayFixture f;
        f.setRange(f.ScaleA, -2, 3);
        f.setRange(f.ScaleT, 0.1, 0.9);
        drag(f, b.xb, b.yb, b.xa, b.ya); // up and left: zoom out
        EXPECT_LT(f.ScaleA.RangeStart, -2);
        EXPECT_GT(f.ScaleT.RangeEnd, 0.9);
        drag(f, b.xa, b.ya, b.xb, b.yb); // the same box down and right: zoom in
        // Back to the very numbers, so the full-range button sees the range as full again.
        EXPECT_EQ(f.ScaleA.RangeStart, -2);
        EXPECT_EQ(f.ScaleA.RangeEnd, 3);
        EXPECT_EQ(f.ScaleT.RangeStart, 0.1);
        EXPECT_EQ(f.ScaleT.RangeEnd, 0.9);
        EXPECT_TRUE(SameRange({f.ScaleB.RangeStart, f.ScaleB.RangeEnd}, {0, 10}));
    }
}

TEST(Zoom, RangeEndsRoundToFourDigitsOfTheSpan) {
    const struct {
        double start, end; // zoomed range; rounded at the resolution of 0 .. span
        double span, roundedStart, roundedEnd;
        bool sameAsZeroToFive;
    } rows[] = {
        {-2.3842e-7, 5.0000001, 5, 0, 5, true},
        {0.30000000000000004, 0.7000001, 0.5, 0.3, 0.7, false},
        {3.549641234, 3.549761234, 0.5, 3.5496, 3.5498, false},
        {3.549641234, 3.549761234, 1.2e-4, 3.5496412, 3.5497612, false},
        {-1234.5678, 98765.4321, 1e5, -1200, 98800, false},
        {0.0004, 4.9996, 5, 0, 5, true},
        {0.003, 5, 5, 0.003, 5, false},
        {1.00004, 1.00005, 1, 1.00004, 1.00005, false}, // rounding would empty it
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.start << " .. " << r.end);
        const auto [s, e] = RoundRange(r.start, r.end, RangeResolution(0, r.span));
        EXPECT_EQ(s, r.roundedStart);
        EXPECT_EQ(e, r.roundedEnd);
        EXPECT_EQ(SameRange({r.start, r.end}, {0, 5}), r.sameAsZeroToFive);
    }
}

TEST(Zoom, WhereThePressBeginsChoosesTheAxes) {
    const struct {
        const char* where;
        int x0, y0, x1, y1;
        bool left, right, bottom; // axes that change
    } rows[] = {
        {"inside the plot", 200, 100, 300, 200, true, true, true},
        {"left strip", 30, 115, 60, 165, true, false, false},
        {"right strip", 575, 115, 520, 165, false, true, false},
        {"below the plot", 100, 430, 200, 300, false, false, true},
        {"drag of 5 pixels", 200, 100, 205, 105, false, false, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.where);
        DisplayFixture f;
        drag(f, r.x0, r.y0, r.x1, r.y1);
        EXPECT_EQ(f.ScaleA.RangeEnd != 10, r.left);
        EXPECT_EQ(f.ScaleB.RangeEnd != 10, r.right);
        EXPECT_EQ(f.ScaleT.RangeEnd != 10, r.bottom);
    }
}

TEST(Zoom, HiddenAxisOfAnXyModeTakesNoPress) {
    const struct {
        bool bxy;
        int x;
        bool taken;
    } rows[] = {{true, 570, false}, {true, 569, true}, {false, 70, false}, {false, 71, true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.bxy << " " << r.x);
        DisplayFixture f;
        f.controls.Mode = r.bxy ? PlotMode::BAsX : PlotMode::AAsX;
        PlotMouseDown(f.state.Changes, f.state, f.controls.Mode, r.x, 100, false, Plot);
        EXPECT_EQ(f.state.ZoomBoxActive, r.taken);
    }
}

TEST(Zoom, RoundingThatWouldEmptyARangeKeepsIt) {
    DisplayFixture f;
    f.setRange(f.ScaleA, 1, 1 + 1e-9); // collapses in single precision
    drag(f, 200, 100, 200, 300);
    EXPECT_LT(f.ScaleA.RangeStart, f.ScaleA.RangeEnd);
}

TEST(Pan, CurvesFollowTheMouse) {
    DisplayFixture f;
    // Right button, 40 rows down and 50 columns right.
    drag(f, 200, 100, 250, 140, true);
    expectRange(f.ScaleA, 1, 11); // d * 40 / 400
    expectRange(f.ScaleB, 1, 11);
    expectRange(f.ScaleT, -1, 9); // d * -50 / 500
    EXPECT_FALSE(f.state.PanActive);

    DisplayFixture g;
    drag(g, 30, 100, 80, 140, true); // on the left strip: only the left axis
    expectRange(g.ScaleA, 1, 11);
    expectRange(g.ScaleB, 0, 10);
    expectRange(g.ScaleT, 0, 10);
}

TEST(Fit, RangesFromDataAndSnapshot) {
    const struct {
        const char* name;
        int data, snap;
        float dataMin, dataMax, snapMin, snapMax;
        double start, end;
    } rows[] = {
        {"flat data", 1, 0, 3, 3, 0, 0, 0, 6},
        {"nothing stored keeps the range", 0, 0, 0, 0, 0, 0, 0, 10},
        {"data", 1, 0, -2, 4, 0, 0, -2, 4},
        {"snapshot only", 0, 1, 0, 0, 1, 2, 1, 2},
        {"union", 1, 1, -2, 4, 3, 7, -2, 7},
        {"flat negative", 1, 0, -5, -5, 0, 0, -10, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        DisplayFixture f;
        f.store.Data.Count = r.data;
        f.store.Snap.Count = r.snap;
        f.store.Data.MinA = f.store.Data.MinB = f.store.Data.MinT = r.dataMin;
        f.store.Data.MaxA = f.store.Data.MaxB = f.store.Data.MaxT = r.dataMax;
        f.store.Snap.MinA = f.store.Snap.MinB = f.store.Snap.MinT = r.snapMin;
        f.store.Snap.MaxA = f.store.Snap.MaxB = f.store.Snap.MaxT = r.snapMax;
        FitLeft(f.store, f.scales, PlotMode::Normal);
        FitRight(f.store, f.scales, PlotMode::Normal);
        FitBottom(f.store, f.scales, PlotMode::Normal);
        for (const Tscale* s : {&f.ScaleA, &f.ScaleB, &f.ScaleT})
            expectRange(*s, r.start, r.end);
    }
}

TEST(Fit, DoubleClickFitsTheAxesAtTheClick) {
    const struct {
        const char* where;
        int x, y;
        bool left, right, bottom;
    } rows[] = {
        {"inside the plot", 200, 100, true, true, true},
        {"left strip", 30, 100, true, false, false},
        {"right strip", 575, 100, false, true, false},
        {"lowest plot rows", 200, 410, true, true, true},
        {"below the plot", 200, 416, false, false, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.where);
        DisplayFixture f;
        f.store.Data.Count = 1;
        f.store.Data.MinA = f.store.Data.MinB = f.store.Data.MinT = 2;
        f.store.Data.MaxA = f.store.Data.MaxB = f.store.Data.MaxT = 4;
        f.state.LastMouseX = r.x;
        f.state.LastMouseY = r.y;
        PlotDblClick(f.store, f.state.Changes, f.state, f.scales, PlotMode::Normal, Plot);
        EXPECT_EQ(f.ScaleA.RangeEnd == 4, r.left);
        EXPECT_EQ(f.ScaleB.RangeEnd == 4, r.right);
        EXPECT_EQ(f.ScaleT.RangeEnd == 4, r.bottom);
    }
}

TEST(Autoscale, WideningNeverNarrows) {
    DisplayFixture f;
    f.state.Changes.AutoLeft = f.state.Changes.AutoBottom = true;
    f.store.Data.Count = 1;
    f.store.Data.MinA = 2, f.store.Data.MaxA = 12;
    f.store.Data.MinB = -5, f.store.Data.MaxB = 50;
    f.store.Data.MinT = 1, f.store.Data.MaxT = 3;
    f.store.Snap.Count = 1;
    f.store.Snap.MinA = -1, f.store.Snap.MaxA = 1;
    WidenAutoScales(f.store, f.state.Changes, f.scales, PlotMode::Normal);
    expectRange(f.ScaleA, -1, 12);
    expectRange(f.ScaleB, 0, 10); // autoscale off
    expectRange(f.ScaleT, 0, 10); // inside already
}

// A further column widens the axis it is drawn against as the channel's own values do: in the
// time plot, over its values but the blanks, and only where it belongs to the points; a shown
// run's column by the same rule.
TEST(Autoscale, FurtherColumnsWidenTheirAxis) {
    const double blank = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* name;
        const char* header;
        PlotMode mode;
        std::vector<double> values;
        double leftStart, leftEnd, rightStart, rightEnd; // A at 2 .. 3, B at 1 .. 4
        bool hasB = true, showB = true;
    } rows[] = {
        {"A's unit: left", "p in V", PlotMode::Normal, {-4, blank, 30}, -4, 30, 1, 4},
        {"B's unit: right", "I in mA", PlotMode::Normal, {-4, 30, 0}, 2, 3, -4, 30},
        {"own unit: not drawn", "p in hPa", PlotMode::Normal, {-4, 30, 0}, 2, 3, 1, 4},
        {"blanks only", "p in V", PlotMode::Normal, {blank, blank, blank}, 2, 3, 1, 4},
        {"not the points'", "p in V", PlotMode::Normal, {-4, 30}, 2, 3, 1, 4},
        {"another mode: not drawn", "p in V", PlotMode::Spectrum, {-4, 30, 0}, 2, 3, 1, 4},
        // Without B the right axis is the column's, over its values alone.
        {"no B: own unit right", "p in hPa", PlotMode::Normal, {-4, 30, 0}, 2, 3, -4, 30, false},
        {"no B: A's unit left", "p in V", PlotMode::Normal, {-4, 30, 0}, -4, 30, 1, 4, false},
        {"B not shown: own unit right", "P in W", PlotMode::Normal, {-4, 30, 0}, 2, 3, -4, 30, true, false},
        // A shown run's column ("run" in its name) by the data's units.
        {"run: A's unit left", "p in V", PlotMode::Normal, {-4, blank, 30}, -4, 30, 1, 4},
        {"run: B's unit right", "I in mA", PlotMode::Normal, {-4, 30, 0}, 2, 3, -4, 30},
        {"run: own unit not drawn", "p in hPa", PlotMode::Normal, {-4, 30, 0}, 2, 3, 1, 4},
        {"run: not its points'", "p in V", PlotMode::Normal, {-4, 30}, 2, 3, 1, 4},
        {"run: another mode", "p in V", PlotMode::Spectrum, {-4, 30, 0}, 2, 3, 1, 4},
        {"run: no B, own unit", "p in hPa", PlotMode::Normal, {-4, 30, 0}, 2, 3, 1, 4, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        DisplayFixture f;
        f.state.Changes.AutoLeft = f.state.Changes.AutoRight = true;
        f.store.Data.Count = 3;
        f.store.Data.DefA = QStringLiteral("U in V");
        f.store.Data.DefB = QStringLiteral("I in mA");
        f.store.Data.MinA = 2, f.store.Data.MaxA = 3, f.store.Data.MinB = 1, f.store.Data.MaxB = 4;
        f.store.Data.HasB = r.hasB;
        auto column = kurvimat::signals::QuantityColumn::named(QString::fromUtf8(r.header));
        column.values = r.values;
        RunLayer runs;
        if (std::string_view(r.name).starts_with("run"))
            runs.setRuns({{{0, 1, 2}, {2, 2, 2}, {1, 1, 1}, true, 0x01, {}, {column}}});
        else
            f.store.Data.Columns = {column};
        FitLeft(f.store, f.scales, r.mode, r.showB, &runs);
        FitRight(f.store, f.scales, r.mode, r.showB, &runs);
        expectRange(f.ScaleA, r.leftStart, r.leftEnd);
        expectRange(f.ScaleB, r.rightStart, r.rightEnd);
        f.setRange(f.ScaleA, 2.5, 2.6);
        f.setRange(f.ScaleB, 2.5, 2.6);
        WidenAutoScales(f.store, f.state.Changes, f.scales, r.mode, r.showB, &runs);
        expectRange(f.ScaleA, r.leftStart, r.leftEnd);
        expectRange(f.ScaleB, r.rightStart, r.rightEnd);
    }
}

TEST(AxisImages, ClicksSwitchTheirPairAndSetTheRange) {
    DisplayFixture f;
    f.store.DefMinA = 0, f.store.DefMaxA = 5;
    f.store.Data.Count = 1;
    f.store.Data.MinA = 1, f.store.Data.MaxA = 1;
    f.setRange(f.ScaleA, 2, 3);

    AxisImageMouseDown(AxisImage::LinksFull, f.store, f.state.Changes, f.state, f.scales,
                       PlotMode::Normal);
    expectRange(f.ScaleA, 0, 5);
    EXPECT_TRUE(f.state.Visible(AxisImage::LinksFullon));
    EXPECT_FALSE(f.state.Visible(AxisImage::LinksFull));

    f.state.Changes.AxesChanged = false;
    AxisImageMouseDown(AxisImage::LinksAuto, f.store, f.state.Changes, f.state, f.scales,
                       PlotMode::Normal);
    expectRange(f.ScaleA, 0, 2); // flat data 1 ordered
    EXPECT_TRUE(f.state.Changes.AutoLeft);
    EXPECT_TRUE(f.state.Changes.AxesChanged);
    EXPECT_TRUE(f.state.Visible(AxisImage::LinksAutoOff));
    EXPECT_FALSE(f.state.Visible(AxisImage::LinksAuto));

    AxisImageMouseDown(AxisImage::LinksAutoOff, f.store, f.state.Changes, f.state, f.scales,
                       PlotMode::Normal);
    EXPECT_FALSE(f.state.Changes.AutoLeft);
    EXPECT_TRUE(f.state.Visible(AxisImage::LinksAuto));

    // The full range of the bottom strip follows the mode; B's own button is void with B as x.
    f.store.DefMinB = -1, f.store.DefMaxB = 1;
    f.store.TimeRangeMin = -0.1f, f.store.TimeRangeMax = 0.895f;
    AxisImageMouseDown(AxisImage::UntenFull, f.store, f.state.Changes, f.state, f.scales,
                       PlotMode::Normal);
    expectRange(f.ScaleT, -0.1f, 0.895f);
    AxisImageMouseDown(AxisImage::RechtsFull, f.store, f.state.Changes, f.state, f.scales,
                       PlotMode::BAsX);
    expectRange(f.ScaleB, 0, 10);
}

TEST(Modes, ModeBoxesAreOneChoiceAndPlaceTheScales) {
    using M = PlotMode;
    EXPECT_EQ(ModeAfterToggle(M::AAsX, M::BAsX, true), M::BAsX);
    EXPECT_EQ(ModeAfterToggle(M::Spectrum, M::AAsX, true), M::AAsX);
    EXPECT_EQ(ModeAfterToggle(M::BAsX, M::BAsX, false), M::Normal);
    EXPECT_EQ(ModeAfterToggle(M::Spectrum, M::BAsX, false), M::Spectrum);

    const struct {
        PlotMode mode;
        const char *left, *right, *bottom;
    } rows[] = {{PlotMode::BAsX, "A", "X", "B"},
                {PlotMode::AAsX, "X", "B", "A"},
                {PlotMode::Normal, "A", "B", "T"}};
    DisplayFixture f;
    f.state.LeftAxisRect = {0, 16, 70, 300};
    f.state.RightAxisRect = {600, 16, 670, 300};
    f.state.BottomAxisRect = {71, 301, 599, 346};
    auto name = [&](const Tscale* s) {
        return s == &f.ScaleA ? "A" : s == &f.ScaleB ? "B" : s == &f.ScaleT ? "T" : "X";
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(static_cast<int>(r.mode));
        AssignStrips(f.state.Changes, f.state, f.scales, r.mode);
        EXPECT_STREQ(name(f.Left), r.left);
        EXPECT_STREQ(name(f.Right), r.right);
        EXPECT_STREQ(name(f.Bottom), r.bottom);
        EXPECT_EQ(f.Bottom->Kind, ScaleKind::Below);
        EXPECT_EQ(f.Bottom->Bounds.Top, 301);
        EXPECT_EQ(f.Right->Kind, ScaleKind::Right);
        EXPECT_EQ(f.Left->TitleMargin, 35);
    }
}

TEST(Modes, AtLeastOneChannelStaysShown) {
    const struct {
        bool senderIsA, a, b, expectA, expectB;
    } rows[] = {{true, false, false, false, true},
                {false, false, false, true, false},
                {true, false, true, false, true},
                {false, true, true, true, true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.senderIsA << r.a << r.b);
        EXPECT_EQ(ChannelBoxesAfterClick(r.senderIsA, r.a, r.b), std::pair(r.expectA, r.expectB));
    }
}

TEST(Modes, TimeInMinutesRelabelsOnly) {
    DisplayFixture f;
    f.setRange(f.ScaleT, 0, 120);
    f.ScaleT.Kind = ScaleKind::Below;
    f.ScaleT.Bounds = {71, 400, 671, 445};
    SetTimeInMinutes(f.state.Changes, f.ScaleT, true);
    EXPECT_TRUE(f.state.Changes.AxesChanged);
    QImage canvas(800, 460, QImage::Format_RGB32);
    {
        QPainter p(&canvas);
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(11);
        p.setFont(font);
        f.ScaleT.Canvas = &p;
        f.ScaleT.Draw();
        f.ScaleT.Canvas = nullptr;
    }
    expectRange(f.ScaleT, 0, 120);
    EXPECT_NEAR(f.ScaleT.ShownStart, 0, 1e-12);
    EXPECT_NEAR(f.ScaleT.ShownEnd, 2, 1e-12);
    const auto plan = PlanScale(0, 2, f.ScaleT.Title, f.ScaleT.AxisLength(), 1);
    ASSERT_TRUE(plan.has_value());
    EXPECT_EQ(plan->TitleText, QStringLiteral("Zeit in min"));
    EXPECT_EQ(plan->Major.front().Label, QStringLiteral("0"));
    EXPECT_EQ(plan->Major.back().Label, QStringLiteral("2"));

    SetTimeInMinutes(f.state.Changes, f.ScaleT, false);
    EXPECT_EQ(f.ScaleT.DisplayFactor, 0);
    EXPECT_EQ(f.ScaleT.Title, QStringLiteral("Zeit in <vf>s"));
}

} // namespace
