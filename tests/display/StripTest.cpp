#include "DisplayFixture.h"
#include "FormulaParser.h"
#include "RawStrips.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace kurvimat::acquisition;
using namespace kurvimat::display;
using namespace kurvimat::signals;

namespace {

// Column of raw sample i (0 = oldest of 500) across a strip of width w.
int rawColumn(int i, int w) {
    return static_cast<int>(std::nearbyint((w - 3) * i / 499.0 + 1));
}

TEST(RawStrip, PointsOfBothChannelsOverlapToBlackAndStayApartOtherwise) {
    DisplayFixture f;
    IndexedImage image(251, 130);
    f.store.RawIndex = 7; // the newest 500 entries wrap around the ring's end
    for (int i = 0; i < RawStripSamples; ++i) {
        const int k = (f.store.RawIndex - RawStripSamples + i + RawCapacity) % RawCapacity;
        f.store.RawA[k] = 600;
        f.store.RawB[k] = i < 250 ? 600 : 100; // same value first, then apart
    }
    PaintRawStrip(image, f.store, false, StripFont());
    const int x = rawColumn(100, 251), x2 = rawColumn(400, 251);
    EXPECT_EQ(image.pixel(x, StripRow(600, 130)), 0x00);
    EXPECT_EQ(image.pixel(x2, StripRow(600, 130)), PaletteMask::StripA.Core);
    EXPECT_EQ(image.pixel(x2, StripRow(100, 130)), PaletteMask::StripB.Core);
}

TEST(RawStrip, AtPixelRatioTwoTheCaptionLiesInsideItsScaledBox) {
    DisplayFixture f;
    IndexedImage one(251, 130), two(502, 260);
    PaintRawStrip(one, f.store, false, StripFont());
    PaintRawStrip(two, f.store, false, StripFont(2), PaintGeometry{2});
    auto caption = [](const IndexedImage& image) {
        QRect box;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) == PaletteIndex::Caption) box |= QRect(x, y, 1, 1);
        return box;
    };
    const QRect c1 = caption(one), c2 = caption(two);
    ASSERT_FALSE(c1.isEmpty());
    EXPECT_TRUE(QRect(2 * c1.x(), 2 * c1.y(), 2 * c1.width(), 2 * c1.height())
                    .adjusted(-4, -4, 4, 4)
                    .contains(c2));
    EXPECT_GT(c2.width(), c1.width() * 3 / 2);
    // The frame stays one device pixel.
    EXPECT_EQ(two.pixel(200, 0), PaletteIndex::Black);
    EXPECT_EQ(two.pixel(200, 1), PaletteIndex::Background);
}

TEST(RawStrip, AKeptBaseGivesThePixelsOfAFreshDrawing) {
    DisplayFixture f;
    for (int i = 0; i < RawCapacity; ++i)
        f.store.RawA[i] = static_cast<float>(i * 7 % 1024), f.store.RawB[i] = 500;
    StripBase base; // one base through changes of size, mode and scale, as the window keeps it
    const struct {
        int w, h;
        bool adiff;
        double scale;
    } steps[] = {{251, 130, false, 1},    {251, 130, false, 1},  {251, 130, true, 1},
                 {300, 100, true, 1},     {502, 260, true, 2},   {502, 260, false, 2},
                 {300, 140, false, 1.08}, {300, 140, false, 1.1}}; // one font size, two places
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << step.w << "x" << step.h << " " << step.adiff);
        IndexedImage kept(step.w, step.h), fresh(step.w, step.h);
        kept.clear(0x5A); // whatever the last tick left
        PaintRawStrip(kept, f.store, step.adiff, StripFont(step.scale), {step.scale}, &base);
        PaintRawStrip(fresh, f.store, step.adiff, StripFont(step.scale), {step.scale});
        for (int y = 0; y < step.h; ++y)
            ASSERT_EQ(std::memcmp(kept.row(y), fresh.row(y), static_cast<std::size_t>(step.w)), 0)
                << y;
    }
}

TEST(MeanStrip, DifferentialLineLiesUnderThePoints) {
    DisplayFixture f;
    IndexedImage image(400, 130);
    f.store.TriggerPos = 0;
    f.store.PointCount = 100;
    f.store.SweepIndex = 100;
    for (int i = 0; i < 100; ++i)
        f.store.SweepRawA[i] = f.store.SweepRawB[i] = 1000;
    f.controls.Adiff = true;
    f.store.TriggerLevel = 900;
    PaintMeanStrip(image, f.store, f.controls, QString(), StripFont());
    // Far from the marker (xT = PreTrigger * w / PointCount = 80) and the caption.
    EXPECT_EQ(image.pixel(300, 65), PaletteIndex::DifferentialZeroLine);
    EXPECT_EQ(image.pixel(300, 64), PaletteIndex::Background);
    // Last of 100 points at w - 2.
    EXPECT_EQ(image.pixel(398, StripRow(1000, 130)), 0x00);
    f.controls.Adiff = false;
    PaintMeanStrip(image, f.store, f.controls, QString(), StripFont());
    EXPECT_EQ(image.pixel(300, 65), PaletteIndex::Background);
}

TEST(MeanStrip, MarkerAtTheRightEdgeAndHistoryOverTheWholeStrip) {
    DisplayFixture f;
    const int w = 300, h = 130;
    IndexedImage image(w, h);
    f.store.PointCount = 100;
    f.store.PreTrigger = 100;
    f.store.TriggerPos = -1;
    f.store.MeanIndex = 30; // history wraps the ring's start
    for (int k = 0; k < PointCapacity; ++k) {
        f.store.MeanA[k] = 200;
        f.store.MeanB[k] = 800;
    }
    f.store.TriggerLevel = 512;
    PaintMeanStrip(image, f.store, f.controls, QString(), StripFont());
    const int yT = static_cast<int>(std::nearbyint((h - 2) - (h - 3) * 512 / 1023.0));
    // Level line from xT - 20 to xT + 20 with xT = w: only its left half is inside.
    EXPECT_EQ(image.pixel(w - 20, yT), PaletteIndex::ChannelA);
    EXPECT_EQ(image.pixel(w - 21, yT), PaletteIndex::Background);
    // History: first point at x = 1, last at x = w - 2, in the pale history colours.
    EXPECT_EQ(image.pixel(w - 2, StripRow(200, h)), PaletteMask::HistoryA.Core);
    EXPECT_EQ(image.pixel(1, StripRow(800, h)), PaletteMask::HistoryB.Core);

    // A sweep in progress shows no history.
    f.store.TriggerPos = 5;
    PaintMeanStrip(image, f.store, f.controls, QString(), StripFont());
    EXPECT_EQ(image.pixel(w / 2, StripRow(200, h)), PaletteIndex::Background);
}

TEST(MeanStrip, ArrowPointsTheTriggerWay) {
    const struct {
        bool rising;
        int tipOffset; // row of the arrow head's tip relative to the level line
    } rows[] = {{true, -20}, {false, 20}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rising ? "rising" : "falling");
        DisplayFixture f;
        IndexedImage image(400, 130);
        f.store.PointCount = 200;
        f.store.PreTrigger = 100; // xT = 200
        f.store.TriggerLevel = 512;
        f.controls.TriggerRising = row.rising;
        f.controls.TriggerChannelA = false;
        PaintMeanStrip(image, f.store, f.controls, QString(), StripFont());
        const int yT = StripRow(512, 130);
        // The head's wings at +-3 columns lie on the side of the tip.
        EXPECT_EQ(image.pixel(203, yT + row.tipOffset / 2), PaletteIndex::ChannelB);
        EXPECT_EQ(image.pixel(203, yT - row.tipOffset / 2), PaletteIndex::Background);
    }
}

TEST(MeanStrip, LevelTextMovesLeftOfAndAboveAMarkerNearTheEdges) {
    const int w = 400, h = 130;
    const struct {
        int preTrigger, level;
        bool left, above; // of the marker (xT, yT)
    } rows[] = {{50, 800, false, false},
                {99, 800, true, false},
                {50, 10, false, true},
                {99, 10, true, true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.preTrigger << "/" << r.level);
        DisplayFixture f;
        f.store.PointCount = 100;
        f.store.PreTrigger = r.preTrigger;
        f.store.TriggerLevel = r.level;
        IndexedImage bare(w, h), text(w, h);
        PaintMeanStrip(bare, f.store, f.controls, QString(), StripFont());
        PaintMeanStrip(text, f.store, f.controls, QStringLiteral("2,5 V"), StripFont());
        // The text's ink is where the two pictures differ.
        int left = w, right = -1, top = h, bottom = -1;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (bare.pixel(x, y) != text.pixel(x, y)) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        ASSERT_GE(right, 0);
        const int xT = r.preTrigger * w / 100, yT = StripRow(r.level, h);
        if (r.left) {
            EXPECT_LT(right, xT);
        } else {
            EXPECT_GT(left, xT);
        }
        if (r.above) {
            EXPECT_LT(bottom, yT);
        } else {
            EXPECT_GT(top, yT);
        }
    }
}

TEST(MeanStrip, LevelTextInTheTriggerChannelsUnits) {
    const struct {
        bool channelA;
        const char* formula;
        const char* expected;
    } rows[] = {
        {true, "U*2", "5 V"},      // 512 of 0..5 V: 2.502 V, doubled and rounded
        {false, "U", "2 \u00b0C"}, // B: 0..4 V at 512: 2.002
        {true, "B", "2 V"},        // the other channel stands at its mid-range
        {true, "1/(U-U)", "0 V"},  // a failing evaluation shows 0
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.formula);
        DisplayFixture f;
        f.store.UminA = 0, f.store.UmaxA = 5;
        f.store.UminB = 0, f.store.UmaxB = 4;
        f.store.UnitA = QStringLiteral("V");
        f.store.UnitB = QString::fromUtf8("\u00b0C");
        f.store.TriggerLevel = 512;
        TParser parser;
        parser.SetVariable("U", 0);
        parser.SetExpression(r.formula);
        EXPECT_EQ(TriggerLevelText(f.store, parser, r.channelA), QString::fromUtf8(r.expected));
    }
}

TEST(MeanStrip, MouseSetsPointAndLevelWithinTheirLimits) {
    const struct {
        int x, y, pre, level;
    } rows[] = {
        {0, 0, 0, 1022},     // top left: level held below 1023
        {327, 65, 100, 511}, // middle of a 724-wide box (654-wide strip); 511.5 to even
        {700, 130, 199, 1},  // beyond the strip: last point; bottom: level 1
        {-5, 200, 0, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.x << "," << r.y);
        const TriggerPoint p = TriggerFromMouse(r.x, r.y, 724, 130, 200);
        EXPECT_EQ(p.PreTrigger, r.pre);
        EXPECT_EQ(p.TriggerLevel, r.level);
    }
}

TEST(MeanStrip, OnlyADragMovesTheTrigger) {
    DisplayFixture f;
    f.store.PointCount = 200;
    f.store.PreTrigger = 20;
    MeanStripMouseMove(f.store, f.state, 327, 65, 724, 130);
    EXPECT_EQ(f.store.PreTrigger, 20);
    EXPECT_FALSE(f.state.Changes.MeanDirty);
    MeanStripMouseDown(f.store, f.state, 327, 65, 724, 130);
    EXPECT_EQ(f.store.PreTrigger, 100);
    EXPECT_TRUE(f.state.Changes.MeanDirty); // the marker moves without waiting for the next block
    f.state.Changes.MeanDirty = false;
    MeanStripMouseMove(f.store, f.state, 328, 65, 724, 130); // same point and level
    EXPECT_FALSE(f.state.Changes.MeanDirty);
    MeanStripMouseMove(f.store, f.state, 0, 65, 724, 130);
    EXPECT_EQ(f.store.PreTrigger, 0);
    EXPECT_TRUE(f.state.Changes.MeanDirty);
    MeanStripMouseUp(f.state);
    MeanStripMouseMove(f.store, f.state, 327, 65, 724, 130);
    EXPECT_EQ(f.store.PreTrigger, 0);
}

} // namespace
