#include "MeasurementText.h"
#include "Codec1252.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <tuple>
#include <vector>

namespace {

class LocaleGuard {
public:
    explicit LocaleGuard(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleGuard() { QLocale::setDefault(saved_); }

private:
    QLocale saved_;
};

TEST(TakeField, Table) {
    struct Row {
        const char* name;
        QString line;
        QString field;
        QString rest;
    };
    const Row rows[] = {
        {"first of three", "a\tb\tc", "a", "b\tc"},
        {"last field", "abc", "abc", ""},
        {"empty line", "", "", ""},
        {"empty first field", "\tb", "", "b"},
        {"TAB at the end", "a\t", "a", ""},
        {"quotes protect a TAB", "\"a\tb\"\tc", "a\tb", "c"},
        {"quotes inside a field vanish", "x\"y\"z\tw", "xyz", "w"},
        {"two quotes are nothing", "\"\"\tb", "", "b"},
        {"unclosed quote takes the rest", "\"a\tb\tc", "a\tb\tc", ""},
        {"quoted stretch then TAB", "\"1,5\"\t\"2\"", "1,5", "\"2\""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QString line = r.line;
        EXPECT_EQ(TakeField(line), r.field);
        EXPECT_EQ(line, r.rest);
    }
}

struct Point {
    float t, a, b;
};

QString write(const QString& defA, const QString& defB, const std::vector<Point>& points) {
    std::vector<float> t, a, b;
    for (const Point& p : points) {
        t.push_back(p.t);
        a.push_back(p.a);
        b.push_back(p.b);
    }
    return formatMeasurementText(defA, defB, t, a, b);
}

// Four significant digits: the error is at most half a unit of the fourth digit, plus the
// float the value is stored in.
void expectFourDigits(float read, float written) {
    if (written == 0.0f) {
        EXPECT_EQ(read, 0.0f);
        return;
    }
    EXPECT_LE(std::fabs(double(read) - double(written)), 5.001e-4 * std::fabs(double(written)))
        << "written " << written << " read " << read;
}

// The locale's separator, or a point where that is neither comma nor point (Arabic "٫"), which
// would not read back.
class RoundTrip : public testing::TestWithParam<QLocale::Language> {
protected:
    QChar separator() const { return GetParam() == QLocale::German ? u',' : u'.'; }
};

TEST_P(RoundTrip, PointsToFourDigitsAndDefinitionsExactly) {
    LocaleGuard guard{QLocale(GetParam())};
    const QString defA = QStringLiteral("Temperatur, unkalibriert (°C): "
                                        "1/(1/298,15+ln(47/(5/U-1)/50)/3950)-273,15 [0;100]");
    const QString defB = QStringLiteral("Länge (µm) in Ω: U*1000 [-0.02; 0.020]");
    const std::vector<Point> points = {
        {-0.1f, 0.0f, 5.0f},          {0.005f, 2.5024f, -0.5f},     {1.0f, 12345.6f, 1e-5f},
        {2.5f, 9999.4f, 3.14159f},    {3.0f, -2.5e7f, 0.00012345f}, {60.0f, 1e30f, -1e-30f},
        {1234.5f, -0.0001f, 99995.f}, {7.0f, 0.1f, -FLT_MAX},
    };
    const QString text = write(defA, defB, points);

    // The file path: the Ω does not fit the code page, so the file is UTF-8 behind a mark.
    const QByteArray file = encodeText(text);
    EXPECT_TRUE(file.startsWith("\xEF\xBB\xBFZeit in s\t"));
    const std::optional<MeasurementText> m = readMeasurementText(decodeText(file));
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(m->defA, defA);
    EXPECT_EQ(m->defB, defB);
    ASSERT_EQ(m->count, int(points.size()));
    ASSERT_EQ(m->t.size(), points.size());
    ASSERT_EQ(m->a.size(), points.size());
    ASSERT_EQ(m->b.size(), points.size());
    EXPECT_EQ(m->droppedLines, 0);
    EXPECT_EQ(m->cutLines, 0);
    for (std::size_t i = 0; i < points.size(); ++i) {
        SCOPED_TRACE(i);
        expectFourDigits(m->t[i], points[i].t);
        expectFourDigits(m->a[i], points[i].a);
        expectFourDigits(m->b[i], points[i].b);
    }
    EXPECT_EQ(m->minT, *std::min_element(m->t.begin(), m->t.end()));
    EXPECT_EQ(m->maxT, *std::max_element(m->t.begin(), m->t.end()));
    EXPECT_EQ(m->minA, *std::min_element(m->a.begin(), m->a.end()));
    EXPECT_EQ(m->maxA, *std::max_element(m->a.begin(), m->a.end()));
    EXPECT_EQ(m->minB, *std::min_element(m->b.begin(), m->b.end()));
    EXPECT_EQ(m->maxB, *std::max_element(m->b.begin(), m->b.end()));
}

TEST_P(RoundTrip, LayoutOfTheWrittenText) {
    LocaleGuard guard{QLocale(GetParam())};
    const QString text = write("A (V): U", "B (V): U", {{0.f, 1.5f, 2.f}, {0.005f, 1.f, 2.f}});
    EXPECT_TRUE(text.startsWith(QStringLiteral("Zeit in s\tA (V): U\tB (V): U\r\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), 3);
    EXPECT_EQ(text.count(u'\r'), 3);
    EXPECT_EQ(text.count(u'\n'), 3);
    EXPECT_EQ(text.count(u'\t'), 6);
    EXPECT_TRUE(text.contains(separator() + QStringLiteral("5\t2\r\n")));
}

// Times get the digits that keep consecutive points apart; values keep four.
TEST_P(RoundTrip, TimesKeepConsecutivePointsApart) {
    LocaleGuard guard{QLocale(GetParam())};
    const float neighbour = std::nextafter(1000.f, 2000.f) - 1000.f;
    const std::tuple<float, float, const char*> rows[] = {// start, step, line of point 1
                                                          {0, 0.01f, "0.01\t3.142\t"},
                                                          {10, 0.002f, "10.002\t3.142\t"},
                                                          {100, 0.001f, "100.001\t3.142\t"},
                                                          {1000, neighbour, "1000.00006\t"}};
    for (const auto& [start, step, line] : rows) {
        SCOPED_TRACE(line);
        std::vector<Point> points;
        for (int i = 0; i < 50; ++i)
            points.push_back({start + float(i) * step, 3.14159f, 0});
        const QString text = write("A: U", "B: U", points);
        EXPECT_TRUE(text.contains(QString::fromLatin1(line).replace(u'.', separator())));
        const auto m = readMeasurementText(text);
        ASSERT_TRUE(m.has_value());
        ASSERT_EQ(m->count, int(points.size()));
        for (std::size_t i = 1; i < points.size(); ++i)
            EXPECT_LT(m->t[i - 1], m->t[i]) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Locales, RoundTrip,
                         testing::Values(QLocale::German, QLocale::English, QLocale::Arabic),
                         [](const auto& info) {
                             return QLocale::languageToString(info.param).toStdString();
                         });

TEST(MeasurementText, NoPointsGivesTheHeaderAloneWhichReadsAsNothing) {
    const QString text = write("U (V): U", "", {});
    EXPECT_EQ(text, QStringLiteral("Zeit in s\tU (V): U\t\r\n"));
    EXPECT_FALSE(readMeasurementText(text).has_value());
}

TEST(MeasurementText, TextsWithFewerThanTwoLinesReadAsNothing) {
    const char* texts[] = {"", "\r\n", "Zeit in s\tA\tB", "Zeit in s\tA\tB\r\n", "0\t1\t2\n"};
    for (const char* t : texts) {
        SCOPED_TRACE(t);
        EXPECT_FALSE(readMeasurementText(QString::fromLatin1(t)).has_value());
    }
}

// A text without a number at the start of a point line (a letter, a header and blank lines)
// would cost the data and the definitions: it is refused as a whole.
TEST(MeasurementText, TextsWithoutANumberAtALineStartAreRefused) {
    const std::pair<const char*, int> rows[] = {// text after the header, points (-1: refused)
                                                {"\r\n", -1},
                                                {"Liebe Klasse,\r\nbis morgen\r\n", -1},
                                                {"ja\tja\tja\r\n\t1,5\t2\r\n12\r\n", -1},
                                                {"null\t5\t1\r\n\"-.5\"\tx\r\n", 2}};
    for (const auto& [points, count] : rows) {
        SCOPED_TRACE(points);
        const auto m = readMeasurementText("Zeit in s\tX: U\r\n" + QString::fromLatin1(points));
        ASSERT_TRUE(m.has_value());
        EXPECT_EQ(m->withoutNumbers, count < 0);
        EXPECT_EQ(m->count, std::max(count, 0));
        EXPECT_EQ(int(m->t.size()), m->count);
    }
}

TEST(MeasurementText, PointLines) {
    struct Row {
        const char* name;
        const char* line;
        int count;
        Point p;
    };
    const Row rows[] = {
        {"five characters with two TABs are a point", "0\t5\t1", 1, {0, 5, 1}},
        {"five characters with one TAB are skipped", "0,5\t1", 0, {}},
        {"six characters are a point", "0\t5\t10", 1, {0, 5, 10}},
        {"one long field", "123456", 1, {123456, 0, 0}},
        {"five blanks", "     ", 0, {}},
        {"two fields", "1.5\t2.5", 1, {1.5f, 2.5f, 0}},
        {"four fields", "1\t2\t3\t4", 1, {1, 2, 3}},
        {"decimal comma and point", "0,5\t1.5\t-2,25", 1, {0.5f, 1.5f, -2.25f}},
        {"exponent forms", "1,235E+04\t2.5e-3\t-1E+02", 1, {12350, 0.0025f, -100}},
        {"quoted fields", "\"1,5\"\t\"2\"\t\"3\"", 1, {1.5f, 2, 3}},
        {"empty fields", "\t\t\t\t\t\t", 1, {0, 0, 0}},
        {"beyond float", "1e39\t-1e39\t5", 1, {FLT_MAX, -FLT_MAX, 5}},
    };
    for (const QLocale::Language language : {QLocale::German, QLocale::English}) {
        LocaleGuard guard{QLocale(language)};
        for (const Row& r : rows) {
            SCOPED_TRACE(r.name);
            // A point after the row keeps the text from being refused as one without numbers.
            const auto m = readMeasurementText(QStringLiteral("Zeit in s\tA\tB\r\n") +
                                               QString::fromLatin1(r.line) + "\r\n9\t8\t7");
            ASSERT_TRUE(m.has_value());
            ASSERT_EQ(m->count, r.count + 1);
            if (r.count == 0) continue;
            EXPECT_FLOAT_EQ(m->t[0], r.p.t);
            EXPECT_FLOAT_EQ(m->a[0], r.p.a);
            EXPECT_FLOAT_EQ(m->b[0], r.p.b);
            // FLOAT_EQ takes infinity for FLT_MAX (one step apart): check finiteness apart.
            for (const float v : {m->t[0], m->a[0], m->b[0], m->maxT, m->minA, m->maxB})
                EXPECT_TRUE(std::isfinite(v));
        }
    }
}

TEST(MeasurementText, EveryLineBreakKindReadsTheSame) {
    const char* breaks[] = {"\r\n", "\n", "\r"};
    for (const char* br : breaks) {
        SCOPED_TRACE(QByteArray(br).toPercentEncoding().constData());
        const QString b = QString::fromLatin1(br);
        const QString text = "Zeit in s\tA: U\tB: U" + b + "0\t1,5\t2" + b + "0,005\t-1\t3" + b +
                             b + "0,01\t4\t-5" + b;
        const auto m = readMeasurementText(text);
        ASSERT_TRUE(m.has_value());
        EXPECT_EQ(m->defA, QStringLiteral("A: U"));
        EXPECT_EQ(m->defB, QStringLiteral("B: U"));
        ASSERT_EQ(m->count, 3);
        EXPECT_FLOAT_EQ(m->t[2], 0.01f);
        EXPECT_FLOAT_EQ(m->minA, -1.f);
        EXPECT_FLOAT_EQ(m->maxA, 4.f);
        EXPECT_FLOAT_EQ(m->minB, -5.f);
        EXPECT_FLOAT_EQ(m->maxB, 3.f);
        EXPECT_FLOAT_EQ(m->minT, 0.f);
        EXPECT_FLOAT_EQ(m->maxT, 0.01f);
    }
}

TEST(MeasurementText, PointsBeyondTheCapacityAreCountedNotStored) {
    const int lines = MeasurementTextMaxPoints + 3;
    QString text = QStringLiteral("Zeit in s\tA\tB\r\n");
    for (int i = 0; i < lines; ++i) {
        // The lines past the capacity carry the largest values: they must not reach the extremes.
        const int v = i < MeasurementTextMaxPoints ? i : 1000000 + i;
        text += QStringLiteral("%1\t%1\t-%1\r\n").arg(v);
        if (i == 5000) text += QStringLiteral("1\t2\r\n"); // short lines never count
    }
    for (const int extra : {0, 1, 3}) {
        SCOPED_TRACE(extra);
        QStringView view(text);
        // Cut the text after header + capacity + extra point lines (+1 for the short line).
        qsizetype pos = 0;
        for (int i = 0; i < 1 + MeasurementTextMaxPoints + 1 + extra; ++i)
            nextTextLine(view, pos);
        const auto m = readMeasurementText(view.first(pos));
        ASSERT_TRUE(m.has_value());
        EXPECT_EQ(m->count, MeasurementTextMaxPoints);
        EXPECT_EQ(int(m->t.size()), MeasurementTextMaxPoints);
        EXPECT_EQ(m->droppedLines, extra);
        EXPECT_FLOAT_EQ(m->t.back(), float(MeasurementTextMaxPoints - 1));
        EXPECT_FLOAT_EQ(m->maxT, float(MeasurementTextMaxPoints - 1));
        EXPECT_FLOAT_EQ(m->minB, -float(MeasurementTextMaxPoints - 1));
    }
}

TEST(MeasurementText, LongLinesAreCutAt4096Characters) {
    const QString head = QStringLiteral("Zeit in s\tA\t");
    const QString longDef(5000 - head.size(), u'x');
    const QString longPoint = QStringLiteral("1\t2\t3\t") + QString(4994, u'7');
    const QString text = head + longDef + "\r\n" + longPoint + "\r\n4\t5\t60\r\n";
    ASSERT_EQ(head.size() + longDef.size(), 5000);
    const auto m = readMeasurementText(text);
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(m->cutLines, 2);
    EXPECT_EQ(m->defB, QString(MeasurementTextMaxLineLength - head.size(), u'x'));
    // The rest of a cut line is dropped, not read as a line of its own.
    ASSERT_EQ(m->count, 2);
    EXPECT_FLOAT_EQ(m->b[0], 3.f);
    EXPECT_FLOAT_EQ(m->t[1], 4.f);
}

TEST(MeasurementText, CutNeverSplitsASurrogatePair) {
    const QString head = QStringLiteral("Zeit in s\tA\t");
    const char32_t smile = 0x1F600;
    const QString pair = QString::fromUcs4(&smile, 1);
    struct Row {
        qsizetype pairAt; // index of the high surrogate in the line
        qsizetype defLength;
    };
    const Row rows[] = {
        {MeasurementTextMaxLineLength - 1, MeasurementTextMaxLineLength - 1 - 12},
        {MeasurementTextMaxLineLength - 2, MeasurementTextMaxLineLength - 12},
        {MeasurementTextMaxLineLength, MeasurementTextMaxLineLength - 12},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.pairAt);
        QString line = head + QString(r.pairAt - head.size(), u'x') + pair;
        line += QString(5000 - line.size(), u'y');
        const auto m = readMeasurementText(line + "\r\n1\t2\t3\r\n");
        ASSERT_TRUE(m.has_value());
        EXPECT_EQ(m->defB.size(), r.defLength);
        EXPECT_FALSE(m->defB.back().isHighSurrogate());
        EXPECT_TRUE(m->defB.isValidUtf16());
    }
}

TEST(MeasurementText, NulBytesEndNeitherTheTextNorALine) {
    static const char raw[] =
        "Zeit in s\tU\0x\tD: D\r\n1\t2\t30\r\n\0\0\0\r\n4\t5\t6\0\r\n7\t8\t90\r\n";
    const QByteArray bytes(raw, sizeof(raw) - 1);
    ASSERT_EQ(bytes.count('\0'), 5);
    const auto m = readMeasurementText(decode1252(bytes));
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(m->defA, QString::fromLatin1("U\0x", 3));
    EXPECT_EQ(m->defB, QStringLiteral("D: D"));
    ASSERT_EQ(m->count, 3); // the line of three NULs is short
    EXPECT_FLOAT_EQ(m->t[1], 4.f);
    EXPECT_FLOAT_EQ(m->t[2], 7.f);
    EXPECT_FLOAT_EQ(m->b[2], 90.f);
}

TEST(MeasurementText, AwkwardDefinitionsSurviveTheRoundTrip) {
    struct Row {
        const char* name;
        QString defA;
        QString defB;
        QString readA; // quotes cannot survive TakeField; everything else must
    };
    const Row rows[] = {
        {"TAB", "a\tb (V): U", "B: U", "a\tb (V): U"},
        {"TAB in both", "\ta", "b\t", "\ta"},
        {"odd quote", "Zoll\" (in): U", "B: U", "Zoll (in): U"},
        {"quoted TAB", "\"x\ty\"", "B: U", "x\ty"},
        {"quote then TAB", "\"x\"\ty", "B\"", "x\ty"},
        {"line break", "a\r\nb: U", "B: U", "a  b: U"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const auto m = readMeasurementText(write(r.defA, r.defB, {{1, 2, 30}}));
        ASSERT_TRUE(m.has_value());
        EXPECT_EQ(m->defA, r.readA);
        EXPECT_EQ(m->defB, QString(r.defB).remove(u'"'));
        ASSERT_EQ(m->count, 1);
        EXPECT_FLOAT_EQ(m->b[0], 30.f);
    }
}

} // namespace
