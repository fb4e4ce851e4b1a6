#include "Scale.h"

#include <QFont>
#include <QImage>
#include <QLocale>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace kurvimat::display;

namespace {

const QString kMarker = QString(QChar(0x00B7)) + QStringLiteral("10^");

TEST(Scale, FormatTickLabel) {
    const struct {
        double value;
        int digits;
        const char* expected;
    } cases[] = {
        {5, 3, "5"},
        {10, 3, "10"},
        {100, 3, "100"},
        {2.5, 3, "2,5"},
        {0.6000000000000001, 3, "0,6"},
        {-0.25, 3, "-0,25"},
        {0.00015, 3, "1,5·10^-4"},
        {5000, 3, "5·10^+3"},
        {0, 3, "0"},
        {-0.0, 3, "0"},
        {0.05, 3, "0,05"},
        {0.001, 3, "0,001"}, // length(B) - e = 4 is not above d + 1
        {0.0001, 3, "1·10^-4"},
        {123456, 3, "1,23·10^+5"},
        {9.996, 3, "10"},      // rounding carries into a new digit
        {999.6, 3, "1·10^+3"}, // and past the plain range
        {-1234.5, 4, "-1235"}, // halves round up on the magnitude
        {0.30000000000000004, 3, "0,3"},
        {1.25, 2, "1,3"},
        {4.5, 5, "4,5"},
        {123.456, 5, "123,46"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " d=" << c.digits);
        EXPECT_EQ(FormatTickLabel(c.value, c.digits, QLatin1Char(','), kMarker),
                  QString::fromUtf8(c.expected));
    }
    EXPECT_EQ(FormatTickLabel(2.5, 3, QLatin1Char('.'), QStringLiteral("e")), "2.5");
    EXPECT_EQ(FormatTickLabel(0.00015, 3, QLatin1Char('.'), QStringLiteral("e")), "1.5e-4");
}

TEST(Scale, TickStepsFollowTheOneTwoFiveSeries) {
    const struct {
        const char* name;
        double start, end, n;
        double major, minor, firstMajor;
        int majorCount;
    } cases[] = {
        {"m = 1.5 takes 1", 0, 15, 10, 1, 0.2, 0, 16},
        {"m just above 1.5 takes 2", 0, 16, 10, 2, 0.5, 0, 9},
        {"m = 3 takes 2", 0, 3, 1, 2, 0.5, 0, 2},
        {"m just above 3 takes 5", 0, 3.1, 1, 5, 1, 0, 1},
        {"m = 7.5 takes 5", 0, 7.5, 1, 5, 1, 0, 2},
        {"m above 7.5 takes the next decade", 0, 7.6, 1, 10, 2, 0, 1},
        {"0..5 on 400 pixels", 0, 5, 10, 0.5, 0.1, 0, 11},
        {"small decade", 0, 0.03, 10, 0.002, 0.0005, 0, 16},
        {"negative start rounds its first tick up", -1.25, 2.1, 6, 0.5, 0.1, -1, 7},
        {"a tick 1e-7 beyond the end counts", 0, 5 - 1e-7, 5, 1, 0.2, 0, 6},
        {"a tick 1e-5 beyond the end does not", 0, 5 - 1e-5, 5, 1, 0.2, 0, 5},
        {"positive start", 1.3, 2.9, 4, 0.5, 0.1, 1.5, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TickSteps steps = ChooseTickSteps(c.start, c.end, c.n);
        EXPECT_DOUBLE_EQ(steps.Major, c.major);
        EXPECT_DOUBLE_EQ(steps.Minor, c.minor);
        EXPECT_DOUBLE_EQ(steps.FirstMajor, c.firstMajor);
        EXPECT_EQ(steps.MajorCount, c.majorCount);
        EXPECT_GE(steps.FirstMinor, c.start);
        EXPECT_LT(steps.FirstMinor - steps.Minor, c.start);
        EXPECT_LE(steps.FirstMinor + (steps.MinorCount - 1) * steps.Minor,
                  c.end + 1e-6 * steps.Minor);
    }
}

// The labels speak the window's language (the default locale), whatever the system's is.
TEST(Scale, ZeroToFiveGetsElevenLabels) {
    for (const QLocale::Language language : {QLocale::German, QLocale::English}) {
        QLocale::setDefault(QLocale(language));
        const auto plan = PlanScale(0, 5, QStringLiteral("Spannung in <vf>V"), 400, 1);
        QLocale::setDefault(QLocale::c());
        ASSERT_TRUE(plan);
        EXPECT_EQ(plan->Exponent, 0);
        EXPECT_EQ(plan->TitleText, "Spannung in V");
        const char* labels[] = {"0", "0,5", "1", "1,5", "2", "2,5", "3", "3,5", "4", "4,5", "5"};
        ASSERT_EQ(plan->Major.size(), 11u);
        for (int i = 0; i < 11; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(plan->Major[static_cast<std::size_t>(i)].Label,
                      QString::fromLatin1(labels[i])
                          .replace(u',', language == QLocale::German ? u',' : u'.'));
            EXPECT_EQ(plan->Major[static_cast<std::size_t>(i)].Position, 40 * i);
        }
        ASSERT_EQ(plan->Minor.size(), 51u);
        EXPECT_EQ(plan->Minor[1].Position, 8);
        EXPECT_EQ(plan->Minor[50].Position, 400);
        for (const ScaleTick& tick : plan->Minor)
            EXPECT_TRUE(tick.Label.isEmpty());
    }
}

TEST(Scale, PrefixOrPowerOfTenInTheTitle) {
    const struct {
        const char* name;
        double start, end;
        const char* title;
        int exponent;
        const char* prefix;
        const char* exponentText;
        const char* titleText;
        const char* lastLabel;
    } cases[] = {
        {"milli", 0, 0.005, "Spannung in <vf>V", -3, "m", "", "Spannung in mV", "5"},
        {"no prefix for 15", 0, 1e15, "Spannung in <vf>V", 15, "", " x10^15",
         "Spannung in V x10^15", "1"},
        {"no placeholder", 0, 2000, "Zeit", 3, "k", "", "Zeit x10^3", "2"},
        {"placeholder in capitals", 0, 2e6, "Druck in <VF>Pa", 6, "M", "", "Druck in MPa", "2"},
        {"micro", -2e-6, 1e-6, "Strom in <vf>A", -6, "µ", "", "Strom in µA", "1"},
        {"negative exponent without prefix", -1e-15, 1e-14, "Ladung in <vf>C", -15, "", " x10^-15",
         "Ladung in C x10^-15", "10"},
        {"exponent 0 adds nothing", -20, 999, "Weg", 0, "", "", "Weg", "900"},
        {"minutes take no prefix", 0, 1.0 / 60, "Zeit in min", -3, "m", "",
         "Zeit in min x10^-3", "16"},
        {"nor thousands of them", 0, 2000, "Zeit in min", 3, "k", "", "Zeit in min x10^3", "2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto plan = PlanScale(c.start, c.end, QString::fromUtf8(c.title), 400, 1);
        ASSERT_TRUE(plan);
        EXPECT_EQ(plan->Exponent, c.exponent);
        EXPECT_EQ(plan->Prefix, QString::fromUtf8(c.prefix));
        EXPECT_EQ(plan->ExponentText, QString::fromUtf8(c.exponentText));
        EXPECT_EQ(plan->TitleText, QString::fromUtf8(c.titleText));
        ASSERT_FALSE(plan->Major.empty());
        EXPECT_EQ(plan->Major.back().Label, QString::fromUtf8(c.lastLabel));
    }
    EXPECT_EQ(ComposeTitle("a <vf>b <vf>c", "k", "", 3), "a kb <vf>c");
}

TEST(Scale, DegenerateRangesArePlannedAsNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* name;
        double start, end;
        int length;
    } cases[] = {
        {"equal ends", 1, 1, 400},
        {"both zero", 0, 0, 400},
        {"relative span 1e-9", 1, 1 + 2e-9, 400},
        {"not a number", nan, 1, 400},
        {"infinite", 0, inf, 400},
        {"no length", 0, 5, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(PlanScale(c.start, c.end, "x", c.length, 1));
    }
    EXPECT_TRUE(PlanScale(1, 1 + 1e-7, "x", 400, 1)) << "a small but real span is drawn";
}

// Drawing onto a real canvas: tick pixels, outputs and what the painter is left with.
class ScaleDraw : public testing::Test {
protected:
    void SetUp() override {
        canvas = QImage(560, 460, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        painter.begin(&canvas);
        QFont font(QStringLiteral("Arial"));
        font.setPointSize(8);
        painter.setFont(font);
        painter.setPen(Qt::black);
    }
    void TearDown() override {
        if (painter.isActive()) painter.end();
    }
    Tscale scale(ScaleKind kind, TRect bounds) {
        Tscale s;
        s.RangeStart = 0;
        s.RangeEnd = 5;
        s.Title = QStringLiteral("Spannung in <vf>V");
        s.TitleMargin = kind == ScaleKind::Below ? 25 : 35;
        s.Canvas = &painter;
        s.Bounds = bounds;
        s.Kind = kind;
        s.Visible = true;
        s.TitleColor = QColor(0, 0, 248);
        return s;
    }
    bool black(int x, int y) const { return canvas.pixel(x, y) == qRgb(0, 0, 0); }

    QImage canvas;
    QPainter painter;
};

TEST_F(ScaleDraw, TicksSitOnThePlotEdge) {
    // 401 pixels along the axis give L = 400: major ticks every 40 pixels, minor every 8.
    const struct {
        const char* name;
        ScaleKind kind;
        TRect bounds;
    } cases[] = {
        {"below", ScaleKind::Below, {71, 300, 472, 345}},
        {"right", ScaleKind::Right, {480, 16, 550, 417}},
        {"left", ScaleKind::Left, {0, 16, 70, 417}},
        {"above (never placed by the window)", ScaleKind::Above, {71, 0, 472, 45}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        canvas.fill(Qt::white);
        Tscale s = scale(c.kind, c.bounds);
        s.Draw();
        const TRect& b = c.bounds;
        // The band of the strip that holds only ticks: 9 pixels from the plot edge.
        for (int along = 0; along <= 400; ++along) {
            const int length = along % 40 == 0 ? 8 : along % 8 == 0 ? 4 : -1;
            for (int depth = 0; depth <= 10; ++depth) {
                int x = 0, y = 0;
                switch (c.kind) {
                case ScaleKind::Below:
                    x = b.Left + along, y = b.Top + depth;
                    break;
                case ScaleKind::Right:
                    x = b.Left + depth, y = b.Top + 400 - along;
                    break;
                case ScaleKind::Above:
                    x = b.Left + along, y = b.Bottom - 1 - depth;
                    break;
                default:
                    x = b.Right - 1 - depth, y = b.Top + 400 - along;
                    break;
                }
                ASSERT_EQ(black(x, y), depth <= length) << "along " << along << " depth " << depth;
            }
        }
        EXPECT_DOUBLE_EQ(s.GridFirstPx, 0);
        EXPECT_DOUBLE_EQ(s.GridStepPx, 40);
        EXPECT_EQ(s.GridLastIndex, 10);
    }
}

// Pixels of the title: blue with some red and green left by anti-aliasing against white,
// never the grey of the black labels.
QRect titleBox(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qBlue(p) > qRed(p) + 60) box |= QRect(x, y, 1, 1);
        }
    return box;
}

// The title lies beyond the labels, centred along the axis; the exponent is a smaller
// superscript at its end sharing the top of the main text. A vertical title reads upwards, so
// its end is at the top and stays off the baseline side (the right).
TEST_F(ScaleDraw, TitlesWithRaisedPowerOfTen) {
    const struct {
        const char* name;
        ScaleKind kind;
        TRect bounds;
        QRect area; // where the title must lie
    } cases[] = {
        {"below", ScaleKind::Below, {71, 300, 472, 345}, QRect(71, 300 + 27, 401, 200)},
        {"right", ScaleKind::Right, {480, 16, 550, 417}, QRect(480 + 37, 16, 100, 401)},
        {"left", ScaleKind::Left, {0, 16, 70, 417}, QRect(0, 16, 70 - 37, 401)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        canvas.fill(Qt::white);
        Tscale s = scale(c.kind, c.bounds);
        s.Title = QStringLiteral("Zeit");
        s.RangeEnd = 1e15;
        s.Draw();
        EXPECT_EQ(s.Exponent, 15);
        EXPECT_EQ(s.ExponentText, " x10^15");
        EXPECT_EQ(s.Prefix, "");
        const QRect box = titleBox(canvas);
        ASSERT_FALSE(box.isEmpty());
        EXPECT_TRUE(c.area.contains(box))
            << box.x() << "," << box.y() << " " << box.width() << "x" << box.height();
        const bool vertical = c.kind != ScaleKind::Below;
        const QRect end = vertical ? QRect(box.left(), box.top(), box.width(), 4)
                                   : QRect(box.right() - 3, box.top(), 4, box.height());
        const QRect tail = titleBox(canvas.copy(end)).translated(end.topLeft());
        ASSERT_FALSE(tail.isEmpty());
        if (vertical) {
            EXPECT_GT(box.height(), 3 * box.width());
            EXPECT_NEAR(box.center().y(), c.bounds.Top + 200, 3);
            EXPECT_LT(tail.right(), box.right() - 2);
        } else {
            EXPECT_GT(box.width(), 3 * box.height());
            EXPECT_NEAR(box.center().x(), c.bounds.Left + 200, 3);
            EXPECT_LT(tail.bottom(), box.bottom() - 2);
        }
    }
}

// Zoomed in far, labels grow long; the title moves out so that none is covered. Labels of eight
// or nine characters leave no room for the title at its size beside them: it gets smaller,
// then the labels do, at every screen scale (the window's font and pen at that scale).
TEST_F(ScaleDraw, TitleKeepsClearOfWideLabels) {
    const struct {
        const char* name;
        ScaleKind kind;
        double scale; // 0: the fixture's 8-point font and 1-pixel pen
        double start, end;
        int minLabelWidth;
    } cases[] = {
        {"right", ScaleKind::Right, 0, 3.54964, 3.54976, 30},
        {"left", ScaleKind::Left, 0, 3.54964, 3.54976, 30},
        {"left, 2,996295 at ratio 1", ScaleKind::Left, 1, 2.99629, 2.9963, 36},
        {"right, 2,996295 at ratio 1", ScaleKind::Right, 1, 2.99629, 2.9963, 36},
        {"left, -2,996295 at ratio 1", ScaleKind::Left, 1, -2.9963, -2.99629, 36},
        {"left, 2,996295 at ratio 1.25", ScaleKind::Left, 1.25, 2.99629, 2.9963, 45},
        {"right, 2,996295 at ratio 1.5", ScaleKind::Right, 1.5, 2.99629, 2.9963, 54},
        {"left, 2,996295 at ratio 1.5", ScaleKind::Left, 1.5, 2.99629, 2.9963, 54},
        {"left, -2,996295 at ratio 2", ScaleKind::Left, 2, -2.9963, -2.99629, 72},
        {"right, 2,996295 at ratio 2", ScaleKind::Right, 2, 2.99629, 2.9963, 72},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        painter.end();
        canvas = QImage(static_cast<int>(560 * std::max(c.scale, 1.0)),
                        static_cast<int>(460 * std::max(c.scale, 1.0)), QImage::Format_RGB32);
        canvas.fill(Qt::white);
        painter.begin(&canvas);
        const double k = c.scale > 0 ? c.scale : 1;
        const auto px = [k](int v) { return static_cast<int>(std::nearbyint(v * k)); };
        QFont font(QStringLiteral("Arial"));
        if (c.scale > 0)
            font.setPixelSize(px(11));
        else
            font.setPointSize(8);
        painter.setFont(font);
        painter.setPen(QPen(Qt::black, c.scale >= 1.5 ? 2 : 1));
        const TRect bounds = c.kind == ScaleKind::Right ? TRect{px(480), px(16), px(550), px(417)}
                                                        : TRect{0, px(16), px(70), px(417)};
        Tscale s = scale(c.kind, bounds);
        s.TitleMargin = px(35);
        s.RangeStart = c.start;
        s.RangeEnd = c.end;
        s.Draw();
        const QRect title = titleBox(canvas);
        ASSERT_FALSE(title.isEmpty());
        // Label ink: dark pixels beyond the ticks (8 pen widths).
        QRect labels;
        const int ticks = c.scale >= 1.5 ? 17 : 9;
        for (int y = bounds.Top; y < bounds.Bottom; ++y)
            for (int x = bounds.Left; x < bounds.Right; ++x) {
                const int depth =
                    c.kind == ScaleKind::Right ? x - bounds.Left : bounds.Right - 1 - x;
                if (depth > ticks && qGray(canvas.pixel(x, y)) < 128 && !title.contains(x, y))
                    labels |= QRect(x, y, 1, 1);
            }
        ASSERT_GT(labels.width(), c.minLabelWidth); // readable, not shrunk to nothing
        EXPECT_FALSE(title.intersects(labels))
            << "title " << title.left() << ".." << title.right() << ", labels " << labels.left()
            << ".." << labels.right();
        EXPECT_GE(title.left(), bounds.Left);
        EXPECT_LT(title.right(), bounds.Right);
        EXPECT_GT(title.height(), 3 * title.width()); // still the whole title, upwards
    }
}

TEST_F(ScaleDraw, DegenerateOrHiddenScalesDrawNothing) {
    const struct {
        const char* name;
        double start, end, factor;
        bool visible;
        double shownStart, shownEnd;
    } cases[] = {
        {"equal ends", 2, 2, 0, true, 2, 2},
        {"relative span below 1e-8", 1000, 1000 + 1e-6, 0, true, 1000, 1000 + 1e-6},
        {"hidden, factor still applied", 0, 300, 1.0 / 60, false, 0, 5},
        {"hidden", -1, 1, 0, false, -1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        canvas.fill(Qt::white);
        const QImage before = canvas.copy();
        Tscale s = scale(ScaleKind::Below, {71, 300, 472, 345});
        s.RangeStart = c.start;
        s.RangeEnd = c.end;
        s.DisplayFactor = c.factor;
        s.Visible = c.visible;
        s.GridFirstPx = 12.5;
        s.GridStepPx = 33;
        s.GridLastIndex = 7;
        s.Exponent = 6;
        s.Prefix = "M";
        s.Draw();
        EXPECT_EQ(canvas, before);
        EXPECT_DOUBLE_EQ(s.GridFirstPx, 12.5);
        EXPECT_DOUBLE_EQ(s.GridStepPx, 33);
        EXPECT_EQ(s.GridLastIndex, 7);
        EXPECT_EQ(s.Exponent, 6);
        EXPECT_EQ(s.Prefix, "M");
        EXPECT_DOUBLE_EQ(s.ShownStart, c.shownStart);
        EXPECT_DOUBLE_EQ(s.ShownEnd, c.shownEnd);
    }
}

TEST_F(ScaleDraw, GridOutputsFollowTheFirstMajorTick) {
    Tscale s = scale(ScaleKind::Left, {0, 16, 70, 417});
    s.RangeStart = 0.13e-3;
    s.RangeEnd = 4.87e-3;
    s.Draw();
    EXPECT_EQ(s.Exponent, -3);
    EXPECT_DOUBLE_EQ(s.ShownStart, 0.13);
    const double f = 400 / (4.87 - 0.13);
    EXPECT_NEAR(s.GridFirstPx, (0.5 - 0.13) * f, 1e-9);
    EXPECT_NEAR(s.GridStepPx, 0.5 * f, 1e-9);
    EXPECT_EQ(s.GridLastIndex, 8); // 0.5 .. 4.5
    for (int j = 0; j <= s.GridLastIndex; ++j) {
        SCOPED_TRACE(j);
        const int y = 16 + 400 - static_cast<int>(std::nearbyint(s.GridFirstPx + j * s.GridStepPx));
        EXPECT_TRUE(black(69, y) && black(61, y) && !black(60, y));
    }
}

TEST_F(ScaleDraw, LeavesFontAndPenAndAClearBrush) {
    const QFont font = painter.font();
    painter.setBrush(Qt::red);
    Tscale s = scale(ScaleKind::Right, {480, 16, 550, 417});
    s.Draw();
    EXPECT_EQ(painter.font(), font);
    EXPECT_EQ(painter.pen().color(), QColor(Qt::black));
    EXPECT_EQ(painter.brush().style(), Qt::NoBrush);
    EXPECT_FALSE(painter.transform().isRotating());
}

} // namespace
