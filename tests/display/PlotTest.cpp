#include "Plot.h"
#include "DisplayFixture.h"
#include "QuantityAxes.h"
#include "MeasurementStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

using kurvimat::analysis::PlotMode;
using namespace kurvimat::display;

namespace {

constexpr int W = 400, H = 300;

struct PlotFixture : DisplayFixture {
    IndexedImage image{W, H};
    PlotFixture() {
        // No grid unless a test asks for one.
        for (Tscale* s : {&ScaleA, &ScaleB, &ScaleT, &ScaleX})
            s->GridLastIndex = -1;
    }
    void paint() { PaintPlot(image, store, scales, controls, state, PlotFont()); }
    int column(double t) const { return static_cast<int>(PlotColumn(t, 0, 10, W)); }
    int row(double v) const { return static_cast<int>(PlotRow(v, 0, 10, H)); }
    std::uint8_t at(int x, int y) const { return image.pixel(x, y); }
};

TEST(Plot, PixelPositionsRoundHalvesToEven) {
    const struct {
        double v;
        double column; // on a 13-pixel-wide image, range 0 .. 10: v + 1
    } rows[] = {{0.5, 2},  {1.5, 2},    {2.5, 4},       {-0.5, 0},
                {-1.5, 0}, {3.4999, 4}, {1e300, 1e300}, {-3e15 + 0.5, -2999999999999998.0}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.v);
        EXPECT_EQ(PlotColumn(r.v, 0, 10, 13), r.column);
        // Rows run the other way: row of v on a 13-row image is 11 - v.
        EXPECT_EQ(PlotRow(r.v, 0, 10, 13), std::nearbyint(11 - r.v));
    }
}

TEST(Plot, SegmentsJoinPointsInTheCoreColourAndHalosStayAtThePoints) {
    PlotFixture f;
    f.controls.KanalB = false;
    f.addPoint(1, 5, 0);
    f.addPoint(9, 5, 0);
    f.paint();
    const int x0 = f.column(1), x1 = f.column(9), y = f.row(5);
    const struct {
        const char* where;
        int x, y;
        std::uint8_t expected;
    } rows[] = {
        {"point", x0, y, PaletteMask::LiveA.Core},
        {"point's right neighbour", x0 + 1, y, PaletteMask::LiveA.Core},
        {"point's diagonal", x0 - 1, y - 1, PaletteMask::LiveA.Halo},
        {"segment", (x0 + x1) / 2, y, PaletteMask::LiveA.Core},
        {"above the segment", (x0 + x1) / 2, y - 1, PaletteIndex::Background},
        {"below the segment", (x0 + x1) / 2, y + 1, PaletteIndex::Background},
        {"left of the first point", x0 - 2, y, PaletteIndex::Background},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.where);
        EXPECT_EQ(f.at(r.x, r.y), r.expected);
    }
}

TEST(Plot, CurvesMatchSegmentsSteppedByTheImage) {
    // Second opinion: the same points drawn with the image's own segment stepping.
    PlotFixture f;
    f.controls.KanalB = false;
    std::uint32_t seed = 7;
    auto next = [&] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float>((seed >> 8) % 12000) / 1000.0f - 1.0f; // -1 .. 11
    };
    for (int i = 0; i < 400; ++i) {
        if (i % 3 == 2) { // repeated points, as a dense curve has them
            f.addPoint(f.store.Data.T[i - 1], f.store.Data.A[i - 1], 0);
            continue;
        }
        // Mostly short steps, some long jumps and some far outside.
        const float t = i % 7 == 0 ? next() : f.store.Data.T[std::max(i - 1, 0)] + next() / 50;
        f.addPoint(t, i % 11 == 0 ? next() * 1e6f : next(), 0);
    }
    f.paint();
    PlotFixture g;
    g.controls.KanalB = false;
    g.paint(); // background, frame, nothing else
    const QRect clip(1, 1, W - 2, H - 2);
    for (int i = 0; i < f.store.Data.Count; ++i) {
        const double x = PlotColumn(f.store.Data.T[i], 0, 10, W);
        const double y = PlotRow(f.store.Data.A[i], 0, 10, H);
        if (i > 0) {
            const double px = PlotColumn(f.store.Data.T[i - 1], 0, 10, W);
            const double py = PlotRow(f.store.Data.A[i - 1], 0, 10, H);
            g.image.andSegment(px, py, x, y, PaletteMask::LiveA.Core, clip);
        }
        if (x >= 1 && x <= W - 2 && y >= 1 && y <= H - 2)
            g.image.andPoint(static_cast<int>(x), static_cast<int>(y), PaletteMask::LiveA);
    }
    int differing = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            differing += f.at(x, y) != g.at(x, y);
    EXPECT_EQ(differing, 0);
}

TEST(Plot, SegmentFromFarOutsideReachesTheImageEdge) {
    PlotFixture f;
    f.controls.KanalB = false;
    const float huge = 1e30f;
    f.addPoint(5, huge, 0);
    f.addPoint(5, 5, 0);
    f.addPoint(5, -huge, 0);
    f.addPoint(6, std::numeric_limits<float>::quiet_NaN(), 0);
    f.paint();
    const int x = f.column(5);
    for (int y : {1, 100, f.row(5), 200, H - 2}) {
        SCOPED_TRACE(y);
        EXPECT_EQ(f.at(x, y), PaletteMask::LiveA.Core);
    }
    EXPECT_EQ(f.at(x - 1, 100), PaletteIndex::Background);
    // The frame stays black.
    EXPECT_EQ(f.at(x, 0), PaletteIndex::Black);
    EXPECT_EQ(f.at(x, H - 1), PaletteIndex::Black);
}

TEST(Plot, ZeroLinesOnlyWhereZeroLiesInsideTheRange) {
    const struct {
        double start, end;
        int row; // -1: no zero line
    } rows[] = {
        {-5, 5, 150}, // H - round(0.5 * 297 + 2)
        {-1, 9, 268}, // H - round(0.1 * 297 + 2)
        {0, 10, -1},  // on the bottom data row, which is left free
        {1, 10, -1},  {-10, -1, -1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.start << ".." << r.end);
        PlotFixture f;
        f.setRange(f.ScaleA, r.start, r.end);
        f.setRange(f.ScaleB, r.start - 100, r.end - 100); // B's zero far below
        f.paint();
        int found = -1, foundB = -1;
        for (int y = 0; y < H; ++y) {
            if (f.at(200, y) == PaletteMask::ZeroLineLeft) found = y;
            if (f.at(200, y) == PaletteMask::ZeroLineRight) foundB = y;
        }
        EXPECT_EQ(found, r.row);
        EXPECT_EQ(foundB, -1);
    }
}

TEST(Plot, ZeroLinesByMode) {
    const struct {
        PlotMode mode;
        bool horizontalA, horizontalB, verticalB;
    } rows[] = {
        {PlotMode::Normal, true, true, false},
        {PlotMode::BAsX, true, false, true},
        {PlotMode::AAsX, false, true, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(static_cast<int>(r.mode));
        PlotFixture f;
        f.controls.Mode = r.mode;
        f.setRange(f.ScaleA, -5, 5);
        f.setRange(f.ScaleB, -1, 9);
        f.setRange(f.ScaleT, -1, 9);
        if (r.mode == PlotMode::BAsX) {
            f.Right = &f.ScaleX;
            f.Bottom = &f.ScaleB;
        } else if (r.mode == PlotMode::AAsX) {
            f.Left = &f.ScaleX;
            f.Bottom = &f.ScaleA;
        }
        f.paint();
        // A: row 150 with -5..5; B: row 268 with -1..9; B as x: column round(0.1 * 397 + 1).
        EXPECT_EQ(f.at(200, 150) == PaletteMask::ZeroLineLeft, r.horizontalA);
        EXPECT_EQ(f.at(100, 268) == PaletteMask::ZeroLineRight, r.horizontalB);
        EXPECT_EQ(f.at(41, 100) == PaletteMask::ZeroLineRight, r.verticalB);
    }
}

TEST(Plot, GridFollowsTheScalesTickPositions) {
    PlotFixture f;
    f.ScaleT.GridFirstPx = 10.4;
    f.ScaleT.GridStepPx = 50;
    f.ScaleT.GridLastIndex = 3;
    f.ScaleA.GridFirstPx = 0;
    f.ScaleA.GridStepPx = 100.2;
    f.ScaleA.GridLastIndex = 2;
    f.ScaleB.GridFirstPx = 30;
    f.ScaleB.GridStepPx = 30;
    f.ScaleB.GridLastIndex = 0;
    f.paint();
    for (int x : {11, 61, 111, 161}) {
        SCOPED_TRACE(x);
        EXPECT_EQ(f.at(x, 77), PaletteMask::GridBottomTime);
        EXPECT_EQ(f.at(x + 1, 77), PaletteIndex::Background);
    }
    EXPECT_EQ(f.at(211, 77), PaletteIndex::Background); // only four major ticks
    // Left grid rows H - 2 - round(j * 100.2): the first lies on the bottom data row and is
    // left out.
    EXPECT_EQ(f.at(250, 198), PaletteMask::GridLeft);
    EXPECT_EQ(f.at(250, 98), PaletteMask::GridLeft);
    EXPECT_EQ(f.at(250, H - 2), PaletteIndex::Background);
    EXPECT_EQ(f.at(250, 268), PaletteMask::GridRight);
    // Crossing of a vertical and a horizontal grid line.
    EXPECT_EQ(f.at(61, 198), PaletteMask::GridBottomTime & PaletteMask::GridLeft);
}

TEST(Plot, SnapshotLegendOnlyWhenTheDefinitionsDiffer) {
    const QString volts = QStringLiteral("Spannung unkalibriert (V): U");
    const QString temp = QStringLiteral("Temperatur (°C): U*20");
    const struct {
        int snapCount;
        QString snapDef, dataDef;
        bool legend;
    } rows[] = {
        {0, temp, volts, false},
        {1, volts, volts, false},
        {1, temp, volts, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE((r.snapDef + " / " + r.dataDef).toStdString());
        for (bool channelA : {true, false}) {
            SCOPED_TRACE(channelA ? "A" : "B");
            PlotFixture f;
            for (int i = 0; i < r.snapCount; ++i)
                f.addSnapPoint(-100, -100, -100); // far outside: draws nothing
            (channelA ? f.store.Snap.DefA : f.store.Snap.DefB) = r.snapDef;
            (channelA ? f.store.Data.DefA : f.store.Data.DefB) = r.dataDef;
            f.paint();
            const std::uint8_t ink =
                channelA ? PaletteIndex::SnapshotLegendA : PaletteIndex::SnapshotLegendB;
            // A at the top left, B right-aligned at the top right.
            const int from = channelA ? 10 : W / 2, to = channelA ? W / 2 : W - 10;
            bool found = false;
            for (int y = 7; y < 25; ++y)
                for (int x = from; x < to; ++x)
                    found = found || f.at(x, y) == ink;
            EXPECT_EQ(found, r.legend);
        }
    }
}

TEST(Plot, SnapshotLegendMovesToTheBottomRowForTheHorizontalChannel) {
    PlotFixture f;
    f.controls.Mode = PlotMode::AAsX;
    f.Left = &f.ScaleX;
    f.Bottom = &f.ScaleA;
    f.addSnapPoint(-100, -100, -100);
    f.store.Snap.DefA = QStringLiteral("Temperatur (°C): U*20");
    f.paint();
    auto inkIn = [&](int top, int bottom) {
        for (int y = top; y < bottom; ++y)
            for (int x = 10; x < W / 2; ++x)
                if (f.at(x, y) == PaletteIndex::SnapshotLegendA) return true;
        return false;
    };
    EXPECT_FALSE(inkIn(5, 25));
    EXPECT_TRUE(inkIn(H - 20, H - 1));
}

TEST(Plot, XyModesDrawOneCurvePerShownChannel) {
    const struct {
        PlotMode mode;
        bool kanalA, kanalB;
        std::uint8_t atA; // pixel where the x/y point lies
        std::uint8_t atB; // where B's own curve would lie in normal mode
    } rows[] = {
        {PlotMode::Normal, true, true, PaletteMask::LiveA.Core, PaletteMask::LiveB.Core},
        {PlotMode::Normal, false, true, PaletteIndex::Background, PaletteMask::LiveB.Core},
        {PlotMode::BAsX, true, true, 0x00, PaletteIndex::Background},
        {PlotMode::BAsX, true, false, PaletteMask::LiveA.Core, PaletteIndex::Background},
        {PlotMode::BAsX, false, true, PaletteMask::LiveB.Core, PaletteIndex::Background},
        {PlotMode::AAsX, true, true, 0x00, PaletteIndex::Background},
        {PlotMode::AAsX, false, true, PaletteMask::LiveB.Core, PaletteIndex::Background},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(r.mode) << r.kanalA << r.kanalB);
        PlotFixture f;
        f.controls.Mode = r.mode;
        f.controls.KanalA = r.kanalA;
        f.controls.KanalB = r.kanalB;
        // t = 2, A = 6, B = 6 in XY; B = 3 checks that no time curve appears.
        const float b = r.mode == PlotMode::Normal ? 3 : 6;
        f.addPoint(2, 6, b);
        f.paint();
        const int xy = f.column(6), y6 = f.row(6);
        if (r.mode == PlotMode::Normal) {
            EXPECT_EQ(f.at(f.column(2), y6), r.atA);
            EXPECT_EQ(f.at(f.column(2), f.row(3)), r.atB);
        } else {
            EXPECT_EQ(f.at(xy, y6), r.atA);
            EXPECT_EQ(f.at(f.column(2), f.row(3)), r.atB);
            EXPECT_EQ(f.at(f.column(2), y6), PaletteIndex::Background);
        }
    }
}

// A further column of the data is drawn in its own colour against A's scale when its unit is
// A's, else B's when it is B's, in the time plot only; a column of another unit is not drawn.
// Everything else stays as without it (AND: each pixel is the drawing without the columns
// ANDed with the columns' own).
TEST(Plot, FurtherColumnsAtTheirColourAndAxis) {
    enum At { None, Left, Right };
    const struct {
        const char* name;
        const char *defA, *defB, *unit;
        PlotMode mode;
        int extraValues; // a column with a value more or less than points does not belong
        At p, q;         // p has the row's unit, q none
        bool hasB = true; // without B the first column of a unit not A's has the right axis
        bool showB = true; // so it has with B not shown
    } rows[] = {
        {"a unit of its own", "U in V", "I in mA", "hPa", PlotMode::Normal, 0, None, None},
        {"B's unit", "U in V", "I in mA", "mA", PlotMode::Normal, 0, Right, None},
        {"A's and B's unit", "U in V", "U2 in V", "V", PlotMode::Normal, 0, Left, None},
        {"no unit, B none", "U in V", "n", "", PlotMode::Normal, 0, Right, Right},
        {"no unit, A none", "n", "I in mA", "", PlotMode::Normal, 0, Left, Left},
        {"B as x", "U in V", "I in mA", "mA", PlotMode::BAsX, 0, None, None},
        {"A as x", "U in V", "I in mA", "V", PlotMode::AAsX, 0, None, None},
        {"one value too many", "U in V", "I in mA", "V", PlotMode::Normal, 1, None, None},
        {"no B, a unit of its own", "U in V", "I in mA", "hPa", PlotMode::Normal, 0, Right, None, false},
        {"no B, A's unit", "U in V", "I in mA", "V", PlotMode::Normal, 0, Left, Right, false},
        {"B not shown, a unit of its own", "U in V", "I in mA", "W", PlotMode::Normal, 0, Right, None, true, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        PlotFixture with, without, alone;
        for (PlotFixture* f : {&with, &without, &alone}) {
            f->controls.Mode = r.mode;
            f->setRange(f->ScaleB, 0, 20);
            f->store.Data.DefA = QString::fromUtf8(r.defA);
            f->store.Data.DefB = QString::fromUtf8(r.defB);
            f->store.Data.HasB = r.hasB;
            f->controls.KanalB = r.showB;
            for (int i = 0; i < 5; ++i)
                f->addPoint(float(2 + i), 9, 19); // the XY point lies off the columns' pixels
        }
        for (PlotFixture* f : {&with, &alone}) {
            auto p = kurvimat::signals::QuantityColumn::named(QStringLiteral("p in ") +
                                                              QString::fromUtf8(r.unit));
            auto q = kurvimat::signals::QuantityColumn::named(QStringLiteral("q"));
            p.values.assign(std::size_t(5 + r.extraValues), 4);
            q.values.assign(std::size_t(5 + r.extraValues), 7);
            q.values[2] = std::numeric_limits<double>::quiet_NaN(); // a blank: no point there
            f->store.Data.Columns = {p, q};
        }
        alone.store.Data.NoValueA = alone.store.Data.NoValueB = true;
        for (PlotFixture* f : {&with, &without, &alone})
            f->paint();
        const std::uint8_t first = PaletteMask::Further[0], second = PaletteMask::Further[1];
        const auto rowOf = [&](At at, double v) {
            return at == Right ? int(PlotRow(v, 0, 20, H)) : with.row(v);
        };
        const int x = with.column(3);
        for (const At at : {Left, Right}) {
            EXPECT_EQ(alone.at(x, rowOf(at, 4)), r.p == at ? first : PaletteIndex::Background);
            EXPECT_EQ(alone.at(x, rowOf(at, 7)), r.q == at ? second : PaletteIndex::Background);
            EXPECT_EQ(alone.at(with.column(4), rowOf(at, 7)), PaletteIndex::Background)
                << "the blank breaks the curve";
        }
        for (int y = 0; y < H; ++y)
            for (int xx = 0; xx < W; ++xx)
                ASSERT_EQ(with.at(xx, y), without.at(xx, y) & alone.at(xx, y)) << xx << "," << y;
    }
}

// A unit neither side shows gets an axis of its own beside the right one, two at most, in the
// order the units come; columns of one unit share it, which spans their settled values.
TEST(Plot, FurtherUnitsGetExtraAxesSpanningTheirSettledValues) {
    const struct {
        bool hasB, showB;
        const char *headers[3], *axes; // per column: L, R, 0 or 1 (an extra axis), - (not drawn)
    } rows[] = {{true, true, {"s in m", "v in m/s", "a in m/s^2"}, "01-"},
                {true, false, {"s in m", "v in m/s", "a in m/s^2"}, "R01"},
                {false, true, {"s in m", "v in m/s", "x in m"}, "R0R"},
                {true, true, {"s in m", "v in m/s", "x in m"}, "010"},
                {true, true, {"p in V", "s in m", "I in mA"}, "L0R"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.axes);
        PlotFixture f;
        f.store.Data.DefA = QStringLiteral("U in V");
        f.store.Data.DefB = QStringLiteral("I in mA");
        f.store.Data.HasB = r.hasB;
        f.controls.KanalB = r.showB;
        for (int i = 0; i < 5; ++i)
            f.addPoint(float(2 + i), 7, 5);
        for (int c = 0; c < 3; ++c) { // the last value, far off, is not settled yet
            auto column = kurvimat::signals::QuantityColumn::named(QString::fromUtf8(r.headers[c]));
            column.values = {-1.0 - c, 3.0 * c, std::numeric_limits<double>::quiet_NaN(),
                             2 + c / 2.0, 500};
            f.store.Data.Columns.push_back(column);
        }
        f.store.Data.Settled = {4, 4, 4};
        const PlotCurves curves = DataCurves(f.store, r.showB);
        f.paint();
        std::string axes;
        for (int c = 0; c < 3; ++c) {
            const auto it = std::find_if(curves.begin(), curves.end(), [c](const PlotCurve& p) {
                return p.Source == CurveSource::Column && p.Column == c;
            });
            axes += it == curves.end()             ? '-'
                    : it->Axis == CurveAxis::Left  ? 'L'
                    : it->Axis == CurveAxis::Right ? 'R'
                                                   : char('0' + it->Extra);
            if (axes.back() != '0' && axes.back() != '1') continue;
            double low = 0, high = 0;
            for (int o = 0; o < 3; ++o)
                if (r.axes[o] == r.axes[c])
                    low = std::min(low, -1.0 - o), high = std::max({high, 3.0 * o, 2 + o / 2.0});
            EXPECT_EQ(std::pair(it->Low, it->High), std::pair(low, high));
            EXPECT_EQ(f.at(f.column(5), int(PlotRow(2 + c / 2.0, low, high, H))),
                      PaletteMask::FurtherColumn(std::size_t(c)).Core);
        }
        EXPECT_EQ(axes, r.axes);
        EXPECT_EQ(ExtraAxesOf(f.store, f.controls), ExtraAxisCount(curves));
        f.controls.Mode = PlotMode::AAsX;
        EXPECT_EQ(ExtraAxesOf(f.store, f.controls), 0);
    }
}

// Bounding box of the pixels holding an index.
QRect inkBox(const IndexedImage& image, std::uint8_t index) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == index) box |= QRect(x, y, 1, 1);
    return box;
}

// At a pixel ratio of 2 the plot is the picture at ratio 1 grown by 2, but for its hairlines:
// points are the same 3 x 3 pattern of 2 x 2 cells, text is twice as large, frame and grid
// stay one device pixel.
TEST(Plot, AtPixelRatioTwoPointsAndTextGrowAndLinesStayOneDevicePixel) {
    PlotFixture one, two;
    two.state.Geometry.Scale = 2;
    two.image.resize(2 * W, 2 * H);
    for (PlotFixture* f : {&one, &two}) {
        f->controls.KanalB = false;
        f->addPoint(5, 5, 5);
        f->addSnapPoint(-100, -100, -100);
        f->store.Snap.DefA = QStringLiteral("Temperatur (°C): U*20");
        f->ScaleT.GridFirstPx = f == &two ? 101 : 50;
        f->ScaleT.GridStepPx = 1000;
        f->ScaleT.GridLastIndex = 0;
    }
    one.paint();
    PaintPlot(two.image, two.store, two.scales, two.controls, two.state, PlotFont(2));

    const int x1 = static_cast<int>(PlotColumn(5, 0, 10, W));
    const int y1 = static_cast<int>(PlotRow(5, 0, 10, H));
    const int x2 = static_cast<int>(PlotColumn(5, 0, 10, 2 * W));
    const int y2 = static_cast<int>(PlotRow(5, 0, 10, 2 * H));
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 6; ++i) {
            SCOPED_TRACE(testing::Message() << "cell pixel " << i << "," << j);
            EXPECT_EQ(two.at(x2 - 2 + i, y2 - 2 + j), one.at(x1 - 1 + i / 2, y1 - 1 + j / 2));
        }
    EXPECT_EQ(two.at(x2 + 4, y2), PaletteIndex::Background);

    for (int y : {0, 2 * H - 1}) // frame rows
        EXPECT_EQ(two.at(100, y), PaletteIndex::Black);
    EXPECT_EQ(two.at(100, 1), PaletteIndex::Background);
    EXPECT_EQ(two.at(100, 2 * H - 2), PaletteIndex::Background);
    EXPECT_EQ(two.at(102, 100), PaletteMask::GridBottomTime); // grid column 101 + 1
    EXPECT_EQ(two.at(101, 100), PaletteIndex::Background);
    EXPECT_EQ(two.at(103, 100), PaletteIndex::Background);

    const QRect legend1 = inkBox(one.image, PaletteIndex::SnapshotLegendA);
    const QRect legend2 = inkBox(two.image, PaletteIndex::SnapshotLegendA);
    ASSERT_FALSE(legend1.isEmpty());
    const QRect scaled(2 * legend1.x(), 2 * legend1.y(), 2 * legend1.width(),
                       2 * legend1.height());
    EXPECT_TRUE(scaled.adjusted(-4, -4, 4, 4).contains(legend2)) // hinting: a few pixels
        << legend2.x() << "," << legend2.y() << " " << legend2.width() << "x" << legend2.height()
        << " from " << legend1.x() << "," << legend1.y() << " " << legend1.width() << "x"
        << legend1.height();
    EXPECT_GT(legend2.width(), legend1.width() * 3 / 2);
}

TEST(Layout, RectanglesImagesAndScrollBar) {
    DisplayFixture f;
    IndexedImage mean, plot;
    LayoutInput in;
    in.Window = {700, 500};
    in.PaintBoxMittel = {724, 130};
    in.PaintBoxData = {800, 460};
    in.PanelSignaleHeight = 415;
    in.PanellinksPufferHeight = 15;
    in.PanellinksHeight = 400;
    in.ScrollBarHeight = 385;
    in.ScrollPosition = 10;
    const LayoutResult r = FormResize(in, f.state, f.scales, mean, plot);
    EXPECT_EQ(r.Window, QSize(770, 570));
    EXPECT_EQ(mean.size(), QSize(654, 130));
    EXPECT_EQ(plot.size(), QSize(660, 400));
    EXPECT_EQ(f.ScaleA.Bounds.Bottom, 414);
    EXPECT_EQ(f.ScaleA.Kind, ScaleKind::Left);
    EXPECT_EQ(f.ScaleB.Bounds.Left, 730);
    EXPECT_EQ(f.ScaleB.Kind, ScaleKind::Right);
    EXPECT_EQ(f.ScaleT.Bounds.Top, 415);
    EXPECT_EQ(f.ScaleT.Bounds.Right, 729);
    EXPECT_EQ(f.ScaleT.TitleMargin, 25);
    EXPECT_TRUE(f.state.Changes.AxesChanged && f.state.Changes.PlotDirty &&
                f.state.Changes.MeanDirty);
    EXPECT_TRUE(r.ScrollBarVisible);
    EXPECT_EQ(r.ScrollBarMaximum, 30);
    EXPECT_EQ(r.PanelSignaleTop, 5);

    in.PanellinksHeight = 430;
    EXPECT_FALSE(FormResize(in, f.state, f.scales, mean, plot).ScrollBarVisible);

    // At a pixel ratio of 2 (canvases in device pixels) margins and title gaps double; the
    // strips still start inside the plot's one-pixel frame. A larger minimum holds.
    in.Scale = 2;
    in.Minimum = {850, 570};
    in.PaintBoxMittel = {1448, 260};
    in.PaintBoxData = {1600, 920};
    EXPECT_EQ(FormResize(in, f.state, f.scales, mean, plot).Window, QSize(850, 570));
    EXPECT_EQ(mean.size(), QSize(1308, 260));
    EXPECT_EQ(plot.size(), QSize(1320, 800));
    EXPECT_EQ(f.ScaleA.Bounds.Top, 31);
    EXPECT_EQ(f.ScaleA.Bounds.Bottom, 829);
    EXPECT_EQ(f.ScaleB.Bounds.Left, 1460);
    EXPECT_EQ(f.ScaleT.Bounds.Top, 830);
    EXPECT_EQ(f.ScaleT.Bounds.Left, 141);
    EXPECT_EQ(f.ScaleT.TitleMargin, 50);
    EXPECT_EQ(f.ScaleA.TitleMargin, 70);

    // Extra axes take strips right of the right axis out of the plot's width, two at most;
    // without any the layout is the one above.
    for (const int asked : {1, 3, 0}) {
        f.state.ExtraAxes = asked;
        FormResize(in, f.state, f.scales, mean, plot);
        const int n = std::min(asked, 2);
        EXPECT_EQ(plot.size(), QSize(1320 - 140 * n, 800));
        EXPECT_EQ(f.ScaleB.Bounds.Left, 1460 - 140 * n);
        EXPECT_EQ(f.ScaleT.Bounds.Right, 1459 - 140 * n);
        for (int k = 0; k < 2; ++k)
            EXPECT_EQ(f.state.ExtraScales[std::size_t(k)].Bounds.Left,
                      k < n ? 1600 - 140 * (n - k) : 0);
    }
}

TEST(Layout, PlotTallerThanFourThousandRowsIsDrawnToItsLastRow) {
    DisplayFixture f;
    IndexedImage mean, plot;
    LayoutInput in;
    in.PaintBoxMittel = {724, 130};
    in.PaintBoxData = {600, 5060};
    FormResize(in, f.state, f.scales, mean, plot);
    ASSERT_EQ(plot.height(), 5000);
    for (Tscale* s : {&f.ScaleA, &f.ScaleB, &f.ScaleT})
        s->GridLastIndex = -1;
    f.addPoint(5, 0, 10); // A at the bottom data row, B at the top one
    PaintPlot(plot, f.store, f.scales, f.controls, f.state, PlotFont());
    const int x = static_cast<int>(PlotColumn(5, 0, 10, plot.width()));
    EXPECT_EQ(plot.pixel(x, 4998), PaletteMask::LiveA.Core);
    EXPECT_EQ(plot.pixel(x, 4999), PaletteIndex::Black);
    EXPECT_EQ(plot.pixel(x, 1), PaletteMask::LiveB.Core);
    EXPECT_EQ(plot.pixel(x, 4500), PaletteIndex::Background);
}

} // namespace

namespace {

TEST(PlotCursors, LinesAndTheirMasksKeepTheChannelColours) {
    PlotFixture f;
    f.controls.KanalB = false;
    for (int i = 0; i <= 100; ++i)
        f.addPoint(i * 0.1f, 5, 0); // A along row(5)
    f.state.Cursors.Vertical = f.state.Cursors.Horizontal = true;
    f.state.Cursors.X = {2.5, 7.5};
    f.state.Cursors.Y = {2, 8};
    f.state.Cursors.OnB = true;
    f.state.Cursors.Active = 0; // t1 solid, the others dashed
    f.paint();
    const int x1 = f.column(2.5), x2 = f.column(7.5), y1 = f.row(2);
    const int rowA = f.row(5);
    // Away from curves and labels the line is the cursor's own mask on the background.
    EXPECT_EQ(f.at(x1, H / 2 + 20), PaletteMask::CursorTime);
    EXPECT_EQ(f.at(f.column(5), y1), PaletteIndex::Background & PaletteMask::CursorValueB);
    // Where the A curve runs under a cursor, the AND keeps A's hue (no red).
    EXPECT_EQ(f.at(x1, rowA) >> 4, 0);
    EXPECT_NE(f.at(x1, rowA) & 0x0F, 0);
    int solid = 0, dashed = 0;
    for (int y = 40; y < 140; ++y) {
        solid += f.at(x1, y) != PaletteIndex::Background;
        dashed += f.at(x2, y) != PaletteIndex::Background;
    }
    EXPECT_EQ(solid, 100);
    EXPECT_GT(dashed, 40);
    EXPECT_LT(dashed, 70);
    // Cursors outside the ranges draw nothing (and write nowhere outside the image).
    PlotFixture g;
    g.state.Cursors.Vertical = g.state.Cursors.Horizontal = true;
    g.state.Cursors.X = {-5, 1e300};
    g.state.Cursors.Y = {11, -1e300};
    g.paint();
    for (int y = 1; y < H - 1; ++y)
        for (int x = 1; x < W - 1; ++x)
            ASSERT_EQ(g.at(x, y), PaletteIndex::Background) << x << "," << y;

    // Tangents at t1 = 5: level on A at 3, leaning up at 45 pixel degrees on B at 7, each 40
    // pixels to either side in the channel's darker shade; one at the image's edge is cut there.
    g.state.Cursors.Tangents = {CursorMarks::Tangent{5, 3, 0},
                                CursorMarks::Tangent{5, 7, (W - 3.0) / (H - 3.0)}};
    g.paint();
    const int x = g.column(5);
    const struct {
        const char* where;
        int dx, dy; ///< from the tangent's point
        std::uint8_t expected;
    } rows[] = {
        {"A, 39 pixels left", -39, 0, PaletteMask::FitA},
        {"A, 39 pixels right", 39, 0, PaletteMask::FitA},
        {"A, beyond its end", 42, 0, PaletteIndex::Background},
        {"A, a row above", 10, -1, PaletteIndex::Background},
        {"B, along it", 20, -20, PaletteMask::FitB},
        {"B, back along it", -20, 20, PaletteMask::FitB},
        {"B, beside it", 20, -14, PaletteIndex::Background},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.where);
        EXPECT_EQ(g.at(x + r.dx, (r.where[0] == 'A' ? g.row(3) : g.row(7)) + r.dy), r.expected);
    }
    g.state.Cursors.Tangents = {CursorMarks::Tangent{0.05, 3, 0}, std::nullopt};
    g.paint();
    EXPECT_EQ(g.at(1, g.row(3)), PaletteMask::FitA);
    EXPECT_EQ(g.at(0, g.row(3)), PaletteIndex::Black); // the frame
}

} // namespace

// Quantities over a quantity: each row's choice gives the points in which every chosen quantity
// has a value, sorted by x (equal x in their order), or none for a key the points lack.
TEST(Plot, QuantitiesOverAQuantityTakeThePointsWithValuesSortedByX) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto data = std::make_unique<kurvimat::acquisition::StoredPoints>();
    const float t[] = {0, 1, 2, 3, 4}, a[] = {3, 1, 2, 1, 5}, b[] = {30, 10, 20, 11, 50};
    std::copy(t, t + 5, data->T), std::copy(a, a + 5, data->A), std::copy(b, b + 5, data->B);
    data->Count = 5;
    data->DefA = QStringLiteral("l in m"), data->DefB = QStringLiteral("T in s");
    auto c = kurvimat::signals::QuantityColumn::named(QStringLiteral("v (m/s)"));
    c.values = {0.5, nan, 1.5, 2.5, 3.5};
    data->Columns = {c};
    struct Row {
        QuantityAxes axes;
        std::vector<float> x, left, right; ///< right empty: no B
        std::vector<double> more;           ///< the one further column, if any
    };
    const Row rows[] = {
        {{"A", "B", "", {"v (m/s)"}}, {1, 1, 2, 3, 5}, {10, 11, 20, 30, 50}, {}, {}},
        {{"A", "t", "v (m/s)", {}}, {1, 2, 3, 5}, {3, 2, 0, 4}, {2.5f, 1.5f, 0.5f, 3.5f}, {}},
        {{"v (m/s)", "A", "", {}}, {0.5f, 1.5f, 2.5f, 3.5f}, {3, 2, 1, 5}, {}, {}},
        {{"A", "v (m/s)", "t", {"B", "w"}}, {1, 2, 3, 5}, {2.5, 1.5, 0.5, 3.5}, {3, 2, 0, 4}, {11, 20, 30, 50}},
        {{"A", "w", "", {}}, {}, {}, {}, {}},
    };
    auto out = std::make_unique<kurvimat::acquisition::StoredPoints>();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.axes.Left.toStdString());
        ASSERT_EQ(ProjectQuantities(*data, row.axes, *out), int(row.x.size()));
        EXPECT_EQ(std::vector<float>(out->T, out->T + out->Count), row.x);
        EXPECT_EQ(std::vector<float>(out->A, out->A + out->Count), row.left);
        EXPECT_EQ(out->HasB, !row.axes.Right.isEmpty());
        if (!row.right.empty())
            EXPECT_EQ(std::vector<float>(out->B, out->B + out->Count), row.right);
        EXPECT_EQ(out->Columns.size(), row.more.empty() ? 0u : 1u);
        if (!row.more.empty() && !out->Columns.empty()) EXPECT_EQ(out->Columns[0].values, row.more);
    }
    EXPECT_EQ(out->DefA, QString());
    ProjectQuantities(*data, rows[1].axes, *out);
    EXPECT_EQ(out->DefB, QStringLiteral("v in m/s"));
}
