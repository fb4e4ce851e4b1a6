#include "IndexedImage.h"

#include <QFont>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

using namespace kurvimat::display;

namespace {

constexpr std::uint8_t kBg = PaletteIndex::Background;

// Every byte of the image including the row padding, so that a write beyond a row's end
// (which lands in padding or the next row) shows up as a difference.
std::vector<std::uint8_t> allBytes(const IndexedImage& image) {
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < image.height(); ++y)
        bytes.insert(bytes.end(), image.row(y), image.row(y) + image.bytesPerLine());
    return bytes;
}

// The image a per-pixel reference draws: only pixels inside are touched.
struct Reference {
    int width, height, stride;
    std::vector<std::uint8_t> bytes;
    Reference(const IndexedImage& image)
        : width(image.width()), height(image.height()), stride(image.bytesPerLine()),
          bytes(allBytes(image)) {}
    void andPixel(std::int64_t x, std::int64_t y, std::uint8_t mask) {
        if (x >= 0 && y >= 0 && x < width && y < height)
            bytes[static_cast<std::size_t>(y * stride + x)] &= mask;
    }
};

TEST(IndexedImage, OverlappingPointsCombineByAnd) {
    struct Case {
        const char* name;
        PointMasks first, second;
        int secondDx;
        std::uint8_t centre, neighbour;
    };
    const Case cases[] = {
        // Same pixel: A core and B core leave black; their halos meet on the diagonals.
        {"A and B on one pixel", PaletteMask::StripA, PaletteMask::StripB, 0, 0x00, 0x00},
        // One pixel apart: A's centre meets B's left arm, A's upper arm B's halo.
        {"B one pixel right of A", PaletteMask::StripA, PaletteMask::StripB, 1, 0x00, 0x0D},
        {"history over live", PaletteMask::StripA, PaletteMask::HistoryA, 0, 0x0F, 0x0F},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IndexedImage image(9, 9);
        image.andPoint(4, 4, c.first);
        image.andPoint(4 + c.secondDx, 4, c.second);
        EXPECT_EQ(image.pixel(4, 4), c.centre);
        EXPECT_EQ(image.pixel(4, 3), c.neighbour);
        EXPECT_EQ(image.pixel(3, 3), static_cast<std::uint8_t>(
                                         c.first.Halo & (c.secondDx == 0 ? c.second.Halo : kBg)));
    }
}

// Core into the pixel and its four neighbours, halo into the diagonals, nothing outside.
TEST(IndexedImage, PointsAtAndBeyondTheEdgesAreClipped) {
    // Width 6 leaves two padding bytes per row that must stay untouched.
    const int w = 6, h = 5;
    const int positions[][2] = {
        {0, 0},       {w - 1, h - 1}, {-1, 2},    {w, 2},         {2, -1},      {2, h},
        {-2, -2},     {w + 1, h + 1}, {1, 1},     {w - 2, h - 2}, {INT_MAX, 2}, {INT_MIN, INT_MIN},
        {2, INT_MAX}, {0, 2},         {w - 1, 2}, {2, 0},         {2, h - 1}};
    for (const auto& pos : positions) {
        SCOPED_TRACE(testing::Message() << pos[0] << "," << pos[1]);
        IndexedImage image(w, h);
        Reference ref(image);
        image.andPoint(pos[0], pos[1], PaletteMask::LiveB);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                ref.andPixel(std::int64_t{pos[0]} + dx, std::int64_t{pos[1]} + dy,
                             (dx == 0 || dy == 0) ? PaletteMask::LiveB.Core
                                                  : PaletteMask::LiveB.Halo);
        EXPECT_EQ(allBytes(image), ref.bytes);
    }
}

TEST(IndexedImage, RectanglesClipAndFrame) {
    IndexedImage image(10, 8);
    image.drawRectangle(0, 0, 10, 8, PaletteIndex::Black, kBg);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool edge = x == 0 || y == 0 || x == 9 || y == 7;
            ASSERT_EQ(image.pixel(x, y), edge ? PaletteIndex::Black : kBg) << x << "," << y;
        }

    image.clear(kBg);
    Reference ref(image);
    image.fillRect(-5, 6, 3, 100, 0x42); // right and bottom exclusive
    for (int y = 6; y < 8; ++y)
        for (int x = 0; x < 3; ++x)
            ref.andPixel(x, y, 0x42);
    EXPECT_EQ(allBytes(image), ref.bytes);

    // A reversed rectangle (a zoom box dragged up and left) is the same rectangle.
    IndexedImage a(10, 8), b(10, 8);
    a.frameRect(2, 1, 8, 6, PaletteIndex::ZoomBox, true);
    b.frameRect(8, 6, 2, 1, PaletteIndex::ZoomBox, true);
    EXPECT_EQ(allBytes(a), allBytes(b));
    int dots = 0;
    for (int x = 2; x < 8; ++x)
        dots += a.pixel(x, 1) == PaletteIndex::ZoomBox;
    EXPECT_EQ(dots, 3) << "every other pixel of the top edge";
    EXPECT_EQ(a.pixel(2, 1), PaletteIndex::ZoomBox);
    EXPECT_EQ(a.pixel(3, 1), kBg);
}

TEST(IndexedImage, StraightLinesAreClippedAndInclusive) {
    IndexedImage image(8, 6);
    Reference ref(image);
    image.horizontalLine(2, -100, 100, 0xEF, PixelOp::And);
    image.verticalLine(3, 7, -7, 0xFE, PixelOp::And);
    image.horizontalLine(-1, 0, 7, 0x00, PixelOp::Set);
    image.verticalLine(8, 0, 5, 0x00, PixelOp::Set);
    image.horizontalLine(4, 5, 5, 0x11, PixelOp::Set);
    for (int x = 0; x < 8; ++x)
        ref.andPixel(x, 2, 0xEF);
    for (int y = 0; y < 6; ++y)
        ref.andPixel(3, y, 0xFE);
    ref.andPixel(5, 4, 0x11);
    EXPECT_EQ(allBytes(image), ref.bytes);
}

TEST(IndexedImage, LinesLeaveOutTheirEndPoint) {
    struct Case {
        const char* name;
        int x0, y0, x1, y1;
        std::vector<std::pair<int, int>> pixels;
    };
    const Case cases[] = {
        {"right", 1, 1, 4, 1, {{1, 1}, {2, 1}, {3, 1}}},
        {"up", 2, 4, 2, 1, {{2, 4}, {2, 3}, {2, 2}}},
        {"diagonal", 0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}}},
        {"anti-diagonal", 4, 0, 1, 3, {{4, 0}, {3, 1}, {2, 2}}},
        {"single point", 2, 2, 2, 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IndexedImage image(6, 6);
        Reference ref(image);
        image.drawLine(c.x0, c.y0, c.x1, c.y1, 0x00, PixelOp::Set);
        for (const auto& [x, y] : c.pixels)
            ref.andPixel(x, y, 0x00);
        EXPECT_EQ(allBytes(image), ref.bytes);
    }
}

// A line drawn into a small image must give the same pixels as the same line drawn fully
// inside a large image and cut out.
TEST(IndexedImage, ClippedLinesMatchUnclippedOnes) {
    const int w = 37, h = 23, margin = 400;
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> coordinate(-margin + 1, margin - 1);
    for (int trial = 0; trial < 300; ++trial) {
        const int x0 = coordinate(random), y0 = coordinate(random);
        const int x1 = coordinate(random), y1 = coordinate(random);
        SCOPED_TRACE(testing::Message() << x0 << "," << y0 << " -> " << x1 << "," << y1);
        IndexedImage small(w, h), large(w + 2 * margin, h + 2 * margin);
        small.drawLine(x0, y0, x1, y1, 0x33, PixelOp::And);
        large.drawLine(x0 + margin, y0 + margin, x1 + margin, y1 + margin, 0x33, PixelOp::And);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(small.pixel(x, y), large.pixel(x + margin, y + margin)) << x << "," << y;
        const auto bytes = allBytes(small);
        for (int y = 0; y < h; ++y)
            for (int x = w; x < small.bytesPerLine(); ++x)
                ASSERT_EQ(bytes[static_cast<std::size_t>(y * small.bytesPerLine() + x)], kBg);
    }
}

// The segment is stepped through in full by a plain reference; the image may skip the
// invisible steps but must set exactly the same pixels.
TEST(IndexedImage, SegmentsMatchFullStepping) {
    const int w = 41, h = 29;
    const QRect interior(1, 1, w - 2, h - 2);
    std::mt19937 random(777);
    std::uniform_int_distribution<int> near(-60, 100);
    std::uniform_int_distribution<int> far(-20000, 20000);
    for (int trial = 0; trial < 400; ++trial) {
        auto pick = [&] { return trial % 4 == 3 ? far(random) : near(random); };
        const std::int64_t x0 = pick(), y0 = pick(), x1 = pick(), y1 = pick();
        SCOPED_TRACE(testing::Message() << x0 << "," << y0 << " -> " << x1 << "," << y1);
        IndexedImage image(w, h);
        Reference ref(image);
        image.andSegment(x0, y0, x1, y1, 0x0F, interior);
        const double dx = double(x1 - x0), dy = double(y1 - y0);
        const auto n = static_cast<std::int64_t>(std::nearbyint(std::sqrt(dx * dx + dy * dy)));
        for (std::int64_t k = 1; k < n; ++k) {
            const auto x = static_cast<std::int64_t>(std::nearbyint(double(k) * dx / n)) + x0;
            const auto y = static_cast<std::int64_t>(std::nearbyint(double(k) * dy / n)) + y0;
            if (x > 0 && x < w - 1 && y > 0 && y < h - 1) ref.andPixel(x, y, 0x0F);
        }
        ASSERT_EQ(allBytes(image), ref.bytes);
    }
}

// Segments from about 1e9 pixels away: too long to step through, too long for exact double
// products. The reference steps only the window of k around the image in 64-bit-mantissa
// long double, which is exact at this size.
TEST(IndexedImage, FarSegmentsMatchExactSteppingNearTheImage) {
    const int w = 41, h = 29;
    std::mt19937_64 random(99);
    std::uniform_real_distribution<double> inside(-3, 44), reach(1e8, 1e9), slope(-1, 1);
    struct Segment {
        std::int64_t x0, y0, x1, y1;
    };
    // dx = n / 2 puts every odd step exactly on a half: those must round to even.
    std::vector<Segment> segments = {
        {20 - 250000000, 14 - 433012702, 20 + 250000000, 14 + 433012702},
        {21 + 250000000, 3 - 433012702, 21 - 250000000, 3 + 433012702},
    };
    for (int trial = 0; trial < 200; ++trial) {
        const double px = inside(random), py = inside(random), m = slope(random);
        const double back = reach(random), ahead = reach(random);
        segments.push_back({static_cast<std::int64_t>(std::nearbyint(px - back)),
                            static_cast<std::int64_t>(std::nearbyint(py - back * m)),
                            static_cast<std::int64_t>(std::nearbyint(px + ahead)),
                            static_cast<std::int64_t>(std::nearbyint(py + ahead * m))});
    }
    for (const auto& [x0, y0, x1, y1] : segments) {
        SCOPED_TRACE(testing::Message() << x0 << "," << y0 << " -> " << x1 << "," << y1);
        IndexedImage image(w, h);
        Reference ref(image);
        image.andSegment(double(x0), double(y0), double(x1), double(y1), 0x0F);

        const long double dx = x1 - x0, dy = y1 - y0;
        const auto n = static_cast<std::int64_t>(std::nearbyint(std::sqrt(dx * dx + dy * dy)));
        const long double kA = (-2 - x0) * static_cast<long double>(n) / dx;
        const long double kB = (w + 2 - x0) * static_cast<long double>(n) / dx;
        const auto kFirst = static_cast<std::int64_t>(std::min(kA, kB)) - 4;
        const auto kLast = static_cast<std::int64_t>(std::max(kA, kB)) + 4;
        for (std::int64_t k = kFirst; k <= kLast; ++k) {
            if (k < 1 || k >= n) continue;
            const auto x = x0 + static_cast<std::int64_t>(std::nearbyint(k * dx / n));
            const auto y = y0 + static_cast<std::int64_t>(std::nearbyint(k * dy / n));
            ref.andPixel(x, y, 0x0F);
        }
        ASSERT_EQ(allBytes(image), ref.bytes);
    }
}

TEST(IndexedImage, HugeSegmentsDrawOnlyTheirVisiblePart) {
    const int w = 50, h = 40;
    const double nan = std::nan("");
    const struct {
        const char* name;
        double x0, y0, x1, y1;
        int row; // the one row the segment covers, or -1 for a diagonal, -2 for nothing
    } cases[] = {
        {"horizontal, 1e12", -1e12, 7, 1e12, 7, 7},
        {"horizontal, beyond the exact range", -1e30, 9, 3e300, 9, 9},
        {"diagonal, 1e12", -1e12, -1e12, 1e12, 1e12, -1},
        {"diagonal, 1e200", -1e200, -1e200, 1e200, 1e200, -1},
        {"diagonal, 2^62", -0x1p62, -0x1p62, 0x1p62, 0x1p62, -1},
        {"both ends beyond the same side", -1e12, -5, 1e12, -1e12, -2},
        {"far beyond a corner", 1e30, -1e30, 2e30, -3e30, -2},
        {"not a number", nan, 3, 10, 3, -2},
        {"infinite", -INFINITY, 3, 10, 3, -2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        IndexedImage image(w, h);
        Reference ref(image);
        image.andSegment(c.x0, c.y0, c.x1, c.y1, 0xF0);
        if (c.row >= 0) {
            for (int x = 0; x < w; ++x)
                ref.andPixel(x, c.row, 0xF0);
            EXPECT_EQ(allBytes(image), ref.bytes);
        } else if (c.row == -2) {
            EXPECT_EQ(allBytes(image), ref.bytes);
        } else {
            int drawn = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    if (image.pixel(x, y) != kBg) {
                        ++drawn;
                        EXPECT_EQ(x, y);
                    }
            EXPECT_EQ(drawn, h) << "a symmetric diagonal through the origin hits every row";
        }
    }
}

TEST(IndexedImage, TextIsWrittenAsAnIndexInsideItsCell) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    const QString text = QStringLiteral("Rohdaten vom Kurvimat");
    const QSize cell = IndexedImage::textSize(text, font);
    ASSERT_GT(cell.width(), 50);
    ASSERT_GE(cell.height(), 11);

    IndexedImage image(251, 130);
    image.drawText(6, 4, text, font, PaletteIndex::Caption);
    int inside = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const std::uint8_t v = image.pixel(x, y);
            ASSERT_TRUE(v == kBg || v == PaletteIndex::Caption) << "only the index is written";
            if (v == PaletteIndex::Caption) {
                ++inside;
                EXPECT_TRUE(QRect(QPoint(6, 4), cell).adjusted(-1, 0, 1, 0).contains(x, y))
                    << x << "," << y;
            }
        }
    EXPECT_GT(inside, 50);

    // Text running over the edges is cut off, nothing is written outside.
    IndexedImage edge(20, 6);
    const auto before = allBytes(edge);
    edge.drawText(-30, -3, text, font, PaletteIndex::Black);
    auto after = allBytes(edge);
    EXPECT_NE(after, before);
    for (int y = 0; y < edge.height(); ++y)
        for (int x = edge.width(); x < edge.bytesPerLine(); ++x)
            EXPECT_EQ(after[static_cast<std::size_t>(y * edge.bytesPerLine() + x)], kBg);
    // The cut-off part holds the very pixels of the whole text, drawn again (kept) or anew.
    for (const QString& t : {text, QStringLiteral("gjÄ 2,5 V")}) {
        IndexedImage whole(80, 20), cut(20, 6);
        whole.drawText(2, 1, t, font, PaletteIndex::Black);
        cut.drawText(-28, -4, t, font, PaletteIndex::Black);
        for (int y = 0; y < cut.height(); ++y)
            for (int x = 0; x < cut.width(); ++x)
                ASSERT_EQ(cut.pixel(x, y), whole.pixel(x + 30, y + 5)) << x << "," << y;
    }
}

TEST(IndexedImage, Indexed8ViewSharesBytesAndPalette) {
    IndexedImage image(5, 3);
    image.setPixel(2, 1, 0x5A);
    const QImage view = image.indexed8();
    ASSERT_EQ(view.format(), QImage::Format_Indexed8);
    EXPECT_EQ(view.constBits(), image.row(0));
    EXPECT_EQ(view.pixelIndex(2, 1), 0x5A);
    EXPECT_EQ(view.pixel(2, 1), Palette().rgb(0x5A));
    EXPECT_EQ(view.pixel(0, 0), Palette().rgb(kBg));
}

TEST(IndexedImage, ExpansionMatchesQtConversionAndClips) {
    IndexedImage image(23, 17);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            // Odd rows all different; even rows background runs with one odd pixel, as the
            // expansion takes runs of equal bytes in one step.
            image.setPixel(x, y,
                           static_cast<std::uint8_t>(y % 2 ? x * 31 + y * 7 : x == y ? 0x12 : kBg));
    const QImage expected = image.indexed8().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(image.toRgb32(), expected);

    struct Offset {
        int x, y;
    };
    for (const Offset& at :
         {Offset{0, 0}, Offset{30, 20}, Offset{-5, -4}, Offset{-30, 0}, Offset{33, 1}}) {
        SCOPED_TRACE(testing::Message() << at.x << "," << at.y);
        QImage canvas(40, 25, QImage::Format_RGB32);
        canvas.fill(Qt::green);
        ASSERT_TRUE(image.expandInto(canvas, at.x, at.y));
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                const bool covered =
                    x >= at.x && y >= at.y && x < at.x + image.width() && y < at.y + image.height();
                const QRgb want =
                    covered ? expected.pixel(x - at.x, y - at.y) : QColor(Qt::green).rgb();
                ASSERT_EQ(canvas.pixel(x, y), want) << x << "," << y;
            }
    }
    // A part of the image lands where the whole would, nothing else is written.
    QImage part(40, 25, QImage::Format_RGB32);
    part.fill(Qt::green);
    ASSERT_TRUE(image.expandInto(part, 3, 2, QRect(4, 5, 30, 3)));
    for (int y = 0; y < part.height(); ++y)
        for (int x = 0; x < part.width(); ++x) {
            const bool covered = x >= 7 && x < 3 + image.width() && y >= 7 && y < 10;
            ASSERT_EQ(part.pixel(x, y),
                      covered ? expected.pixel(x - 3, y - 2) : QColor(Qt::green).rgb())
                << x << "," << y;
        }
    QImage wrong(4, 4, QImage::Format_RGB16);
    EXPECT_FALSE(image.expandInto(wrong, 0, 0));
}

TEST(IndexedImage, ChangedExpansionWritesAndReportsTheDifferingTiles) {
    // 70 x 37 in 32 x 16 tiles: three columns and three rows, the last ones cut at the edges.
    const struct {
        std::vector<QPoint> changed;
        QPoint at;
        std::vector<QRect> tiles;
    } rows[] = {
        {{}, {}, {}},
        {{{0, 0}}, {}, {{0, 0, 32, 16}}},
        {{{69, 36}}, {}, {{64, 32, 6, 5}}},
        {{{31, 15}, {31, 16}, {40, 36}}, {}, {{0, 0, 32, 32}, {32, 32, 32, 5}}},
        {{{5, 1}, {5, 33}, {9, 9}}, {}, {{0, 0, 32, 16}, {0, 32, 32, 5}}},
        {{{2, 2}, {60, 30}}, {-5, 3}, {{32, 16, 32, 16}}}, // (2, 2) lies off the canvas
    };
    // Points taken away leave background runs over a canvas that still shows them.
    for (const bool removed : {false, true})
        for (const auto& row : rows) {
            IndexedImage before(70, 37), after(70, 37);
            for (const QPoint& p : row.changed)
                (removed ? before : after).setPixel(p.x(), p.y(), 0x11);
            QImage canvas(80, 45, QImage::Format_RGB32), expected(80, 45, QImage::Format_RGB32);
            canvas.fill(Qt::black);
            ASSERT_TRUE(before.expandInto(canvas, row.at.x(), row.at.y()));
            expected = canvas.copy();
            ASSERT_TRUE(after.expandInto(expected, row.at.x(), row.at.y()));
            EXPECT_EQ(after.expandChangedInto(canvas, row.at.x(), row.at.y(), 32, 16), row.tiles);
            EXPECT_EQ(canvas, expected);
        }
}

TEST(IndexedImage, RowTableFollowsSizeCopiesAndMoves) {
    IndexedImage tall(3, 5000); // more rows than a fixed 4096-entry table would hold
    tall.setPixel(2, 4999, 0x12);
    EXPECT_EQ(tall.pixel(2, 4999), 0x12);
    EXPECT_EQ(tall.row(4999) - tall.row(0), std::ptrdiff_t{4999} * tall.bytesPerLine());

    IndexedImage copy = tall;
    copy.setPixel(2, 4999, 0x34);
    EXPECT_EQ(tall.pixel(2, 4999), 0x12) << "a copy must not share rows with its original";
    EXPECT_NE(copy.row(0), tall.row(0));

    IndexedImage moved = std::move(copy);
    EXPECT_EQ(moved.pixel(2, 4999), 0x34);
    EXPECT_EQ(copy.width(), 0);
    EXPECT_EQ(copy.height(), 0);
    copy.andPoint(0, 0, PaletteMask::LiveA); // drawing on an emptied image is harmless

    moved.resize(4, 2);
    EXPECT_EQ(moved.height(), 2);
    EXPECT_EQ(moved.pixel(3, 1), kBg);
    moved.resize(-3, 2);
    EXPECT_EQ(moved.width(), 0);
    EXPECT_TRUE(moved.indexed8().isNull());
}

} // namespace
