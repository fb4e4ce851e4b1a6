#include "MeasurementText.h"
#include "Codec1252.h"
#include "TableNumbers.h"

#include <QFile>
#include <QLocale>

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <optional>
#include <tuple>
#include <vector>

using namespace kurvimat::exchange;

namespace {
// The whole literal, embedded NULs included.
template <std::size_t N> QByteArray Bytes(const char (&literal)[N]) {
    return QByteArray(literal, qsizetype(N - 1));
}


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

// CSV as a spreadsheet opens it: the window's decimal mark, the separator beside it, a BOM and
// CR LF; read back to the same points and definitions, quotes included.
TEST_P(RoundTrip, CsvReadsBackToTheSamePoints) {
    LocaleGuard guard{QLocale(GetParam())};
    const QString defA = QStringLiteral("Temperatur, unkalibriert (°C): "
                                        "1/(1/298,15+ln(47/(5/U-1)/50)/3950)-273,15 [0;100]");
    const QString defB = QStringLiteral("Zoll \"x\" (in): U*1,5");
    const std::vector<float> t = {-0.1f, 0.005f, 1234.5f, 60.0f};
    const std::vector<float> a = {0.0f, 2.5024f, -2.5e7f, 1e30f};
    const std::vector<float> b = {5.0f, -0.5f, 0.00012345f, -FLT_MAX};
    MeasurementTextFormat csv;
    csv.layout = TableLayout::Csv;
    const QByteArray file = formatMeasurementFile(defA, defB, t, a, b, csv);
    // The header speaks the window's language, as its numbers do.
    const char* head = separator() == u',' ? "\xEF\xBB\xBFZeit in s;\"Temperatur, unkalibriert"
                                           : "\xEF\xBB\xBFTime in s,\"Temperatur, unkalibriert";
    EXPECT_TRUE(file.startsWith(head)) << file.left(40).toStdString();
    EXPECT_EQ(file.count("\r\n"), 5);
    EXPECT_EQ(file.count('\n'), 5);
    EXPECT_TRUE(file.contains(separator() == u',' ? "\r\n0,005;2,502;-0,5\r\n"
                                                  : "\r\n0.005,2.502,-0.5\r\n"));
    const auto m = readMeasurementText(decodeText(file));
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(m->separator, separator() == u',' ? u';' : u',');
    EXPECT_EQ(m->defA, defA);
    EXPECT_EQ(m->defB, defB);
    ASSERT_EQ(m->count, int(t.size()));
    EXPECT_EQ(m->skippedLines, 0);
    for (std::size_t i = 0; i < t.size(); ++i) {
        SCOPED_TRACE(i);
        expectFourDigits(m->t[i], t[i]);
        expectFourDigits(m->a[i], a[i]);
        expectFourDigits(m->b[i], b[i]);
    }
    // A decimal mark of its own, whatever the window's; the TAB text keeps its own header.
    csv.decimalMark = u'.';
    const QString pointed = formatMeasurementText("A", "B", t, a, b, csv);
    EXPECT_TRUE(pointed.startsWith("Time in s,A,B\r\n"));
    EXPECT_TRUE(pointed.contains("\r\n0.005,2.502,-0.5\r\n"));
    csv.decimalMark = u',';
    EXPECT_TRUE(formatMeasurementText("A", "B", t, a, b, csv).startsWith("Zeit in s;A;B\r\n"));
    csv.layout = TableLayout::Tab;
    csv.decimalMark = u'.';
    EXPECT_TRUE(formatMeasurementText("A", "B", t, a, b, csv).startsWith("Zeit in s\tA\tB\r\n"));
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

TEST(MeasurementText, NoPointsGivesTheHeaderAloneWhichReadsAsNoPoint) {
    const QString text = write("U (V): U", "", {});
    EXPECT_EQ(text, QStringLiteral("Zeit in s\tU (V): U\t\r\n"));
    const auto m = readMeasurementText(text);
    ASSERT_TRUE(m.has_value());
    EXPECT_TRUE(m->header);
    EXPECT_EQ(m->defA, QStringLiteral("U (V): U"));
    EXPECT_EQ(m->count, 0);
    EXPECT_EQ(m->skippedLines, 0);
}

TEST(MeasurementText, TextsWithNothingButBlanksReadAsNothing) {
    for (const char* t : {"", "\r\n", " \t \r\n\r\n", "\t\t\n"}) {
        SCOPED_TRACE(t);
        EXPECT_FALSE(readMeasurementText(QString::fromLatin1(t)).has_value());
    }
}

// Control characters make a text no table: a PNG, a zip-based spreadsheet, random bytes.
TEST(MeasurementText, TextsWithControlCharactersAreRefusedWhole) {
    const QByteArray rows[] = {
        Bytes("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x10"),
        Bytes("PK\x03\x04\x14\0\x06\0\x08\0\0\0!\0"),
        Bytes("Zeit in s\tA: U\tB: U\r\n0\t1\t2\r\n1\t2\0\t3\r\n"),
        "Zeit in s\tA\tB\r\n0\t1\t\x81\r\n", // a byte the code page leaves undefined
        "%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\nendobj\n0 1 2\n", // a PDF's text head
    };
    for (const QByteArray& bytes : rows) {
        SCOPED_TRACE(bytes.toPercentEncoding().constData());
        const auto m = readMeasurementText(decodeText(bytes));
        ASSERT_TRUE(m.has_value());
        EXPECT_TRUE(m->notText);
        EXPECT_EQ(m->count, 0);
        EXPECT_TRUE(m->t.empty());
    }
}

// Every line is looked at: a point when its time and the values of the columns the text has
// read whole, skipped and counted when not, nothing when blank.
TEST(MeasurementText, Lines) {
    struct Row {
        const char* name;
        const char* text; // after the header "Zeit in s<TAB>A<TAB>B"
        int count;
        Point first;
        bool hasB;
        int skipped;
        int firstSkippedLine;
    };
    // clang-format off
    const Row rows[] = {
        {"five characters with two TABs are a point", "0\t5\t1", 1, {0, 5, 1}, true, 0, 0},
        {"short lines of two columns", "0\t1\n1\t2", 2, {0, 1, 0}, false, 0, 0},
        {"six characters", "0\t5\t10", 1, {0, 5, 10}, true, 0, 0},
        {"one column has no values", "123456\n7", 0, {}, false, 2, 2},
        {"five blanks are a blank line", "     \n1\t2\t3", 1, {1, 2, 3}, true, 0, 0},
        {"four fields", "1\t2\t3\t4", 1, {1, 2, 3}, true, 0, 0},
        {"decimal comma and point", "0,5\t1.5\t-2,25", 1, {0.5f, 1.5f, -2.25f}, true, 0, 0},
        {"exponent forms", "1,235E+04\t2.5e-3\t-1E+02", 1, {12350, 0.0025f, -100}, true, 0, 0},
        {"quoted fields", "\"1,5\"\t\"2\"\t\"3\"", 1, {1.5f, 2, 3}, true, 0, 0},
        {"units row", "s\t\xB0" "C\thPa\n1\t2\t3", 1, {1, 2, 3}, true, 1, 2},
        {"mean row", "1\t2\t3\nMittelwert\t1,875\t18,75", 1, {1, 2, 3}, true, 1, 3},
        {"clock time as a value", "1\t12:30:05\t3\n2\t4\t5", 1, {2, 4, 5}, true, 1, 2},
        {"nan, inf, beyond float", "1\tnan\t3\n2\tinf\t3\n3\t1e400\t3\n4\t1e39\t3\n5\t1\t1",
         1, {5, 1, 1}, true, 4, 2},
        {"empty value in a column the text has", "1\t2\t\n2\t\t3\n\t1\t2\n3\t1\t1", 1,
         {3, 1, 1}, true, 3, 2},
        {"empty fields only are a blank line", "\t\t\t\n1\t2\t3", 1, {1, 2, 3}, true, 0, 0},
        {"no B value anywhere", "1\t2\t\n2\t3\t", 2, {1, 2, 0}, false, 0, 0},
        {"yes-words are no numbers", "ja\tja\tja\n1\tja\t2\n2\t3\t4", 1, {2, 3, 4}, true, 2, 2},
        {"semicolons and decimal commas", "0,5;1,5;-2,25\n1;2;3", 2, {0.5f, 1.5f, -2.25f}, true,
         0, 0},
        {"commas and decimal points", "0.5,1.5,-2.25\n1,2,3", 2, {0.5f, 1.5f, -2.25f}, true, 0, 0},
        {"quoted CSV fields", "\"0,5\";\"1,5\";\"2\"\n1;2;3", 2, {0.5f, 1.5f, 2}, true, 0, 0},
        {"quoted commas between commas", "0,\"1,5\",2\n1,2,3", 2, {0, 1.5f, 2}, true, 0, 0},
        {"empty fields of a CSV line", "0;1;\n1;;2\n;;\n2;3;4", 1, {2, 3, 4}, true, 2, 2},
        {"thousands shown by another number", "0;101.325;20,37\n1.100;101.330;20,5", 2,
         {0, 101325, 20.37f}, true, 0, 0},
        {"US date and 12-hour clock", "03/01/24 10:15 AM,1,2\n03/01/24 1:15 PM,3,4", 2,
         {0, 1, 2}, true, 0, 0},
        // A quoted field runs over line breaks to the quote that ends it, and the lines keep
        // their numbers; a quote that ends no field, or never closes, leaves the lines alone.
        {"a note over two lines", "1;2;3;\"Schalter\r\numgelegt\"\nx;y;z\n2;3;4", 2, {1, 2, 3},
         true, 1, 4},
        {"a note over three TAB lines", "1\t2\t3\t\"a\n\nb\"\n2\t3\t4\nx", 2, {1, 2, 3}, true,
         1, 6},
        {"doubled quotes in a note", "1,2,3,\"a \"\"x\"\"\nb\",\"c\"\n2,3,4", 2, {1, 2, 3}, true,
         0, 0},
        {"a quoted value over a break", "\"1\n\";2;3\n2;3;4", 2, {1, 2, 3}, true, 0, 0},
        {"a quote that never closes", "1;2;3;\"note\n4;5;6\n7;8;9", 3, {1, 2, 3}, true, 0, 0},
        {"a quote that ends no field", "1;2;3;\"a\n4\"x;5;6\n7;8;9", 2, {1, 2, 3}, true, 1, 3},
        {"a quote inside a field", "1;2\"x;3\n4;5;6\n7;8;9", 2, {4, 5, 6}, true, 1, 2},
    };
    // clang-format on
    for (const QLocale::Language language : {QLocale::German, QLocale::English}) {
        LocaleGuard guard{QLocale(language)};
        for (const Row& r : rows) {
            SCOPED_TRACE(r.name);
            const auto m = readMeasurementText(QStringLiteral("Zeit in s\tA\tB\r\n") +
                                               QString::fromLatin1(r.text));
            ASSERT_TRUE(m.has_value());
            EXPECT_FALSE(m->notText);
            EXPECT_EQ(m->skippedLines, r.skipped);
            EXPECT_EQ(m->firstSkippedLine, r.firstSkippedLine);
            ASSERT_EQ(m->count, r.count);
            ASSERT_EQ(int(m->t.size()), r.count);
            if (r.count == 0) continue;
            EXPECT_EQ(m->hasB, r.hasB);
            EXPECT_FLOAT_EQ(m->t[0], r.first.t);
            EXPECT_FLOAT_EQ(m->a[0], r.first.a);
            EXPECT_FLOAT_EQ(m->b[0], r.first.b);
        }
    }
}

// "101.325" alone is 101325 or 101,325: the text's other numbers decide, else the field
// separator, else the window's language; and the reader says which it was.
TEST(MeasurementText, AmbiguousThousands) {
    struct Row {
        const char* name;
        const char* text;
        QLocale::Language language;
        float a0, t1;
        const char* field;
        const char* deciding;
    };
    const Row rows[] = {
        {"German window", "Zeit in s;Druck (Pa)\n0;101.325\n1.100;101.330", QLocale::German, 101325,
         1100, "101.325", ""},
        {"semicolons in the English window", "Zeit in s;Druck (Pa)\n0;101.325\n1.100;101.330",
         QLocale::English, 101325, 1100, "101.325", ""},
        {"TABs in the English window", "Zeit in s\tDruck (Pa)\n0\t101.325\n1.100\t101.330",
         QLocale::English, 101.325f, 1.1f, "101.325", ""},
        {"TABs in the German window", "Zeit in s\tDruck (Pa)\n0\t101.325\n1.100\t101.330",
         QLocale::German, 101325, 1100, "101.325", ""},
        {"commas in the German window", "Zeit,Druck (Pa)\n0,\"101.325\"\n\"1.100\",\"101.330\"",
         QLocale::German, 101.325f, 1.1f, "101.325", ""},
        {"comma between fields", "Zeit in s,Druck (Pa)\n0,\"101,325\"\n\"1,100\",\"101,330\"",
         QLocale::German, 101325, 1100, "101,325", ""},
        {"a decimal comma decides", "Zeit;Druck;T\n0;101.325;20,37\n1.100;101.330;20,5",
         QLocale::English, 101325, 1100, "101.325", "20,37"},
        {"a decimal point decides", "Zeit\tDruck\tT\n0\t101.325\t20.37\n1.100\t101.330\t20.5",
         QLocale::German, 101.325f, 1.1f, "", ""}, // read as it looks: nothing to say
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        LocaleGuard guard{QLocale(r.language)};
        const auto m = readMeasurementText(QString::fromLatin1(r.text));
        ASSERT_TRUE(m.has_value());
        ASSERT_EQ(m->count, 2);
        EXPECT_FLOAT_EQ(m->a[0], r.a0);
        EXPECT_FLOAT_EQ(m->t[1], r.t1);
        EXPECT_EQ(m->ambiguousField, QString::fromLatin1(r.field));
        if (*r.field) {
            EXPECT_FLOAT_EQ(float(m->ambiguousValue), r.a0);
        }
        EXPECT_EQ(m->decidingField, QString::fromLatin1(r.deciding));
    }
    // Nothing ambiguous, or read as the other numbers show: nothing to say.
    const auto plain = readMeasurementText(u"0;20,37\n1;1,125");
    ASSERT_TRUE(plain.has_value());
    EXPECT_TRUE(plain->ambiguousField.isEmpty());
}

// Fields as spreadsheets and people write them; nothing for what is not whole a number.
TEST(TableNumbers, Fields) {
    const std::pair<const char*, std::optional<double>> numbers[] = {
        {"1,5", 1.5},
        {" -2.25 ", -2.25},
        {"+7", 7},
        {".5", 0.5},
        {"5.", 5},
        {"1,235E+04", 12350},
        {"101.325,00", 101325},
        {"101,325.00", 101325},
        {"1.234.567", 1234567},
        {"1,234", 1.234},
        {"10,00\u00A0%", 0.1},
        {"10,00\u202F%", 0.1},
        {"0,50 %", 0.005},
        {"0,07 %", 0.0007},
        {"12.5%", 0.125},
        {"-1,5E+03 %", -15},
        {"1.234,5 %", 12.345},
        {"1e-2%", 1e-4},
        {"1E99999999999 %", std::nullopt},
        {"% 5", std::nullopt},
        {"5 %%", std::nullopt},
        {"1E+05", 1e5},
        {"-0", 0},
        {"", std::nullopt},
        {"%", std::nullopt},
        {"1.23.4", std::nullopt},
        {"1.2,3.4", std::nullopt},
        {"12:30", std::nullopt},
        {"nan", std::nullopt},
        {"inf", std::nullopt},
        {"1e400", std::nullopt},
        {"1e39", std::nullopt},
        {"3,4028235E+38", 3.4028235e38},
        {"1e", std::nullopt},
        {"2 V", std::nullopt},
        {"ja", std::nullopt},
        {"1,5,", std::nullopt},
    };
    for (const auto& [text, value] : numbers) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ReadTableNumber(QString::fromUtf8(text)), value);
    }
    // One separator before three digits: the text's decimal mark decides; what shows its own
    // reads as it shows, whatever the text's.
    struct Marked {
        const char* text;
        char16_t mark;
        std::optional<double> value;
        char16_t shows; // DecimalMarkOf
        bool ambiguous;
    };
    const Marked marked[] = {
        {"101.325", u',', 101325, 0, true},    {"101.325", u'.', 101.325, 0, true},
        {"1,100", u'.', 1100, 0, true},        {"-1,100", u',', -1.1, 0, true},
        {"0.325", u',', 0.325, u'.', false},   {"1.2345", u',', 1.2345, u'.', false},
        {"20,37", u'.', 20.37, u',', false},   {"1.235E+04", u',', 12350, u'.', false},
        {"1.234.567", u'.', 1234567, u',', false}, {"101.325,00", u'.', 101325, u',', false},
        {"1234.567", u',', 1234.567, u'.', false}, {"42", u',', 42, 0, false},
        {"1.10", u',', 1.1, u'.', false},      {"1.100 V", u',', std::nullopt, 0, false},
    };
    for (const Marked& r : marked) {
        SCOPED_TRACE(r.text);
        const QString text = QString::fromUtf8(r.text);
        EXPECT_EQ(ReadTableNumber(text, QChar(r.mark)), r.value);
        EXPECT_EQ(DecimalMarkOf(text), QChar(r.shows));
        EXPECT_EQ(IsAmbiguousNumber(text), r.ambiguous);
    }
    const std::pair<const char*, std::optional<double>> times[] = {
        {"10:15", 36900},
        {"10:15:30,25", 36930.25},
        {"01.03.24 10:15", 2460371 * 86400.0 + 36900},
        {"1.3.2024", 2460371 * 86400.0},
        {"2024-03-01T10:15:00", 2460371 * 86400.0 + 36900},
        {"31.02.24", std::nullopt},
        {"10:75", std::nullopt},
        {"10:15 Uhr", std::nullopt},
        {"1.3.243", std::nullopt},
        {"12", std::nullopt},
        {"03/01/24 10:15 AM", 2460371 * 86400.0 + 36900},
        {"3/1/2024 10:15:30 pm", 2460371 * 86400.0 + 36930 + 43200},
        {"03/01/24 12:05 AM", 2460371 * 86400.0 + 300},
        {"03/01/24 12:05 PM", 2460371 * 86400.0 + 43500},
        {"03/01/24", 2460371 * 86400.0},
        {"13/01/24 10:15", std::nullopt}, // no 13th month unless the text is day first
        {"03/01/24 13:15 PM", std::nullopt},
        {"03/01/24 0:15 AM", std::nullopt},
        {"AM", std::nullopt},
    };
    for (const auto& [text, value] : times) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ReadClockTime(QString::fromUtf8(text)), value);
    }
    EXPECT_EQ(ReadClockTime(u"13/01/24 10:15", true), 2460323 * 86400.0 + 36900);
    EXPECT_EQ(SlashDateFirstNumber(u"13/01/24"), 13);
    EXPECT_EQ(SlashDateFirstNumber(u"13.01.24"), 0);
}

// The first line is a header only when its first field is no number and no time.
TEST(MeasurementText, ATextWithoutHeaderIsAllPoints) {
    struct Row {
        const char* text;
        bool header;
        int count;
        float t0, t1;
        bool clock;
    };
    const Row rows[] = {
        {"0,5\t1,25\t2,5\n1\t1,5\t3\n", false, 2, 0.5f, 1, false},
        {"Zeit in s\t1,25\t2,5\n1\t1,5\t3\n", true, 1, 1, 1, false},
        {"10:15:30\t1\t2\n10:15:35,5\t1\t2\n", false, 2, 0, 5.5f, true},
        {"Datum\tT\tU\n01.03.24 10:15\t1\t2\n01.03.24 10:17\t1\t2\n02.03.2024 10:15\t1\t2\n",
         true, 3, 0, 86400, true},
        {"Zeit\tA\tB\n2024-03-01T23:59:59\t1\t2\n2024-03-02 00:00:01\t1\t2\n", true, 2, 0, 2, true},
        // Clock times alone that step back by more than half a day crossed midnight.
        {"23:59:58\t1\t2\n23:59:59\t1\t2\n00:00:00\t1\t2\n00:00:01\t1\t2\n", false, 4, 0, 3,
         true},
        {"22:00\t1\t2\n01:00\t1\t2\n23:30\t1\t2\n00:30\t1\t2\n", false, 4, 0, 95400, true},
        // A time of the other kind than the first point's is no point.
        {"1\t1\t1\n10:15\t1\t1\n", false, 1, 1, 1, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        const auto m = readMeasurementText(QString::fromLatin1(r.text));
        ASSERT_TRUE(m.has_value());
        EXPECT_EQ(m->header, r.header);
        ASSERT_EQ(m->count, r.count);
        EXPECT_FLOAT_EQ(m->t[0], r.t0);
        EXPECT_FLOAT_EQ(m->t[r.count - 1], r.t1);
        EXPECT_EQ(m->clockTimes, r.clock);
        if (r.count == 3) {
            EXPECT_FLOAT_EQ(m->t[1], 120);
        }
        if (!r.header) {
            EXPECT_TRUE(m->defA.isEmpty());
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

// A quoted field that has not closed within the length that is read joins no lines.
TEST(MeasurementText, QuotedFieldsRunOverBreaksOnlyWithinTheLineLength) {
    for (const qsizetype note : {MeasurementTextMaxLineLength - 40, MeasurementTextMaxLineLength}) {
        SCOPED_TRACE(note);
        const QString text = QStringLiteral("Zeit in s;A;B;C\n1;2;3;\"") + QString(note, u'x') +
                             QStringLiteral("\n4;5;6\"\n7;8;9\n");
        qsizetype pos = 0;
        nextTableRecord(text, pos);
        const bool joins = note < MeasurementTextMaxLineLength - 20;
        EXPECT_EQ(nextTableRecord(text, pos).endsWith(QStringLiteral("x 4;5;6\"")), joins);
        const auto m = readMeasurementText(text);
        ASSERT_TRUE(m.has_value());
        EXPECT_EQ(m->count, joins ? 2 : 3);
        EXPECT_EQ(m->skippedLines, 0);
        EXPECT_EQ(m->cutLines, joins ? 0 : 1);
    }
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

// A NUL anywhere, in a definition or a point line, makes the text no table.
TEST(MeasurementText, NulBytesRefuseTheText) {
    static const char raw[] =
        "Zeit in s\tU\0x\tD: D\r\n1\t2\t30\r\n\0\0\0\r\n4\t5\t6\0\r\n7\t8\t90\r\n";
    const QByteArray bytes(raw, sizeof(raw) - 1);
    ASSERT_EQ(bytes.count('\0'), 5);
    for (const QString& text : {decode1252(bytes), decodeText(bytes)}) {
        const auto m = readMeasurementText(text);
        ASSERT_TRUE(m.has_value());
        EXPECT_TRUE(m->notText);
        EXPECT_EQ(m->count, 0);
    }
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

QByteArray fixture(const QString& name) {
    QFile file(QStringLiteral(KURVIMAT_TEST_DATA "/spreadsheet/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What LibreOffice Calc writes as TAB text (German), in UTF-8 and in Windows-1252.
TEST(MeasurementText, SpreadsheetExports) {
    struct Row {
        int n;
        int count;
        bool header, hasB;
        int skipped, columns;
        Point fourth; // point 3
        float lastT;
        const char* defA;
    };
    const Row rows[] = {
        {1, 12, true, true, 0, 3, {1.5f, 3.14159265f, 1.369f}, 5.5f, "Temperatur (\u00B0C)"},
        {2, 12, true, false, 0, 2, {1.5f, 1.369f, 0}, 5.5f, "U in V"},
        {3, 12, false, true, 0, 3, {1.5f, 3.14159265f, 1.369f}, 5.5f, ""},
        {4, 12, true, true, 1, 3, {1.5f, 3.14159265f, 1.369f}, 5.5f, "Temperatur"},
        {5, 12, true, true, 0, 3, {1.5f, 105028.5f, 0.175f}, 5.5f, "Druck (Pa)"},
        // Shown to the minute only: every row is the same time, not a day number.
        {6, 12, true, true, 0, 3, {0, 3.14159265f, 1.369f}, 0, "Temperatur (\u00B0C)"},
        {7, 7, true, true, 4, 3, {2.5f, 21.85f, 1.615f}, 5.5f, "Temperatur (\u00B0C)"},
        {8, 12, true, true, 0, 5, {1.5f, 3.14159265f, 1.369f}, 5.5f, "U1 (V)"},
    };
    // The same sheets as TAB text and as Calc's CSV: German with ';' or with ',' (numbers with
    // a decimal comma quoted), English with ',', and German Excel's (Windows-1252, CR LF).
    struct Export {
        const char* folder;
        const char* suffix;
        char16_t separator;
        std::vector<int> cases;
    };
    const Export exports[] = {
        {"utf8", "txt", u'\t', {1, 2, 3, 4, 5, 6, 7, 8}},
        {"cp1252", "txt", u'\t', {1, 2, 3, 4, 5, 6, 7, 8}},
        {"csv/de-semicolon", "csv", u';', {1, 2, 3, 4, 5, 6, 7, 8}},
        {"csv/de-comma", "csv", u',', {1, 2, 3, 4, 5, 6, 7, 8}},
        {"csv/en-comma", "csv", u',', {1, 2, 3, 4, 5, 6, 7, 8}},
        {"csv/de-excel", "csv", u';', {1, 5, 7}},
    };
    LocaleGuard guard{QLocale(QLocale::English)};
    for (const Export& e : exports) {
        for (const Row& r : rows) {
            if (std::find(e.cases.begin(), e.cases.end(), r.n) == e.cases.end()) continue;
            const QString name =
                QStringLiteral("%1/case%2-de.%3").arg(e.folder).arg(r.n).arg(e.suffix);
            SCOPED_TRACE(name.toStdString());
            const QByteArray bytes = fixture(name);
            ASSERT_FALSE(bytes.isEmpty());
            const auto m = readMeasurementText(decodeText(bytes));
            ASSERT_TRUE(m.has_value());
            EXPECT_FALSE(m->notText);
            EXPECT_EQ(m->header, r.header);
            EXPECT_EQ(m->defA, QString::fromUtf8(r.defA));
            EXPECT_EQ(m->hasB, r.hasB);
            EXPECT_EQ(m->skippedLines, r.skipped);
            EXPECT_EQ(m->columns, r.columns);
            EXPECT_EQ(m->clockTimes, r.n == 6);
            EXPECT_EQ(m->separator, QChar(e.separator));
            ASSERT_EQ(m->count, r.count);
            EXPECT_FLOAT_EQ(m->t[3], r.fourth.t);
            EXPECT_FLOAT_EQ(m->a[3], r.fourth.a);
            EXPECT_FLOAT_EQ(m->b[3], r.fourth.b);
            EXPECT_FLOAT_EQ(m->t.back(), r.lastT);
            if (r.n == 5) { // "10,00 %" is 0.1 in the sheet
                EXPECT_FLOAT_EQ(m->a[0], 101325.f);
                EXPECT_FLOAT_EQ(m->b[0], 0.1f);
            }
        }
    }
}

// Calc writes a cell with a line break as one quoted field over two lines, header or note.
TEST(MeasurementText, SpreadsheetCellsWithLineBreaks) {
    const char* names[] = {"csv/de-semicolon/multiline.csv", "csv/de-tab/multiline.txt",
                           "csv/en-comma/multiline.csv"};
    for (const QLocale::Language window : {QLocale::German, QLocale::English}) {
        LocaleGuard guard{QLocale(window)};
        for (const char* name : names) {
            SCOPED_TRACE(name);
            const auto m = readMeasurementText(decodeText(fixture(QString::fromLatin1(name))));
            ASSERT_TRUE(m.has_value());
            EXPECT_EQ(m->defA, QStringLiteral("Strom (mA)"));
            EXPECT_EQ(m->defB, QStringLiteral("Spannung unkalibriert (V)"));
            EXPECT_EQ(m->skippedLines, 0);
            EXPECT_EQ(m->columns, 4);
            ASSERT_EQ(m->count, 8);
            EXPECT_FLOAT_EQ(m->a[0], 12.5f);
            EXPECT_FLOAT_EQ(m->a[3], 19.25f);
            EXPECT_FLOAT_EQ(m->b[4], 3.25f);
            EXPECT_FLOAT_EQ(m->t[7], 3.5f);
        }
    }
}

// Calc's "#.##0" writes 101325 as "101.325" (English "101,325") and 1100 s as "1.100".
TEST(MeasurementText, SpreadsheetThousands) {
    struct Row {
        const char* name;
        QLocale::Language window;
        float a0, t2;
        const char* deciding;
    };
    const Row rows[] = {
        {"csv/de-semicolon/grouped-alone.csv", QLocale::German, 101325, 1100, ""},
        {"csv/de-semicolon/grouped-alone.csv", QLocale::English, 101325, 1100, ""},
        {"csv/de-tab/grouped-alone.txt", QLocale::English, 101.325f, 1.1f, ""},
        {"csv/de-tab/grouped-alone.txt", QLocale::German, 101325, 1100, ""},
        {"csv/de-semicolon/grouped-decided.csv", QLocale::English, 101325, 1100, "20,37"},
        {"csv/de-tab/grouped-decided.txt", QLocale::English, 101325, 1100, "20,37"},
        {"csv/en-comma/grouped-alone.csv", QLocale::German, 101325, 1100, ""},
        {"csv/en-comma/grouped-decided.csv", QLocale::German, 101325, 1100, "20.37"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        LocaleGuard guard{QLocale(r.window)};
        const auto m = readMeasurementText(decodeText(fixture(QString::fromLatin1(r.name))));
        ASSERT_TRUE(m.has_value());
        ASSERT_EQ(m->count, 8);
        EXPECT_EQ(m->skippedLines, 0);
        EXPECT_FLOAT_EQ(m->a[0], r.a0);
        EXPECT_FLOAT_EQ(m->t[2], r.t2);
        EXPECT_FALSE(m->ambiguousField.isEmpty());
        EXPECT_EQ(m->decidingField, QString::fromLatin1(r.deciding));
    }
}

// Texts the program saved, opened and saved again by Calc: they read as the program's own, and
// written again they are the program's text (CR LF, its own encoding) byte for byte.
TEST(MeasurementText, SpreadsheetRoundTripsReadBackWhole) {
    struct Row {
        const char* name;
        int count;
    };
    const Row rows[] = {{"roundtrip/de-200-degC-Ohm.txt", 200},
                        {"roundtrip/de-10000-degC-mu.txt", 10000}};
    LocaleGuard guard{QLocale(QLocale::German)};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const QString text = decodeText(fixture(QString::fromLatin1(r.name)));
        const auto m = readMeasurementText(text);
        ASSERT_TRUE(m.has_value());
        ASSERT_EQ(m->count, r.count);
        EXPECT_EQ(m->skippedLines, 0);
        EXPECT_TRUE(m->defA.startsWith(QStringLiteral("Temperatur (\u00B0C): 1/(1/298,15")));
        MeasurementTextFormat asRead;
        asRead.asRead = true;
        const QString again = formatMeasurementText(m->defA, m->defB, m->t, m->a, m->b, asRead);
        const QStringList lines = again.split(QStringLiteral("\r\n"));
        const QStringList expected = text.split(u'\n');
        ASSERT_EQ(lines.size(), expected.size());
        for (qsizetype i = 0; i < lines.size(); ++i)
            ASSERT_EQ(lines[i].toStdString(), expected[i].toStdString()) << "line " << i + 1;
    }
}

// Loaded values go back as they were read; recorded ones with the digits their definition
// resolves; recorded times without float noise near zero.
TEST(MeasurementText, DigitsOfWrittenValues) {
    LocaleGuard guard{QLocale(QLocale::German)};
    MeasurementTextFormat asRead;
    asRead.asRead = true;
    MeasurementTextFormat six;
    six.digitsA = 6;
    MeasurementTextFormat noB;
    noB.hasB = false;
    const float noisy = 19 * 0.001f - 0.02f; // pre-trigger point 19 of a 1 ms sweep
    struct Row {
        const char* name;
        std::vector<Point> points;
        MeasurementTextFormat format;
        const char* line; // the line of the last point
    };
    const Row rows[] = {
        {"loaded time", {{0, 1, 2}, {1234.5f, 101325.f, 0.1f}}, asRead, "1234,5\t101325\t0,1"},
        {"loaded tiny and huge", {{1e-7f, -3.0e20f, 1.2345678f}}, asRead,
         "1,000E-07\t-3,000E+20\t1,2345678"},
        {"recorded four digits", {{0, 1, 2}, {1234.5f, 2.34567f, 101325.f}}, {}, "1235\t2,346\t1,013E+05"},
        {"recorded six digits", {{0, 1, 2}, {0.01f, 100004.9f, 2}}, six, "0,01\t100005\t2"},
        {"time near zero", {{-0.02f, 0, 0}, {noisy, 0, 0}, {-0.0f + 0.0f, 0, 0}}, {}, "0\t0\t0"},
        {"without B", {{0, 1, 5}, {1, 2, 5}}, noB, "1\t2\t"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<float> t, a, b;
        for (const Point& p : r.points)
            t.push_back(p.t), a.push_back(p.a), b.push_back(p.b);
        const QString text = formatMeasurementText("A: U", "B: U", t, a, b, r.format);
        EXPECT_TRUE(text.endsWith(QString::fromLatin1(r.line) + "\r\n")) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("99999")));
        const auto m = readMeasurementText(text);
        ASSERT_TRUE(m.has_value());
        ASSERT_EQ(m->count, int(r.points.size()));
        EXPECT_EQ(m->hasB, r.format.hasB);
        if (r.format.asRead) {
            const auto floats = [](const std::vector<double>& v) {
                return std::vector<float>(v.begin(), v.end());
            };
            EXPECT_EQ(floats(m->t), t);
            EXPECT_EQ(floats(m->a), a);
            EXPECT_EQ(floats(m->b), b);
        }
    }
    EXPECT_TRUE(formatMeasurementText("A", "B", std::vector<float>{-0.02f, noisy, 0.0f},
                                      std::vector<float>(3), std::vector<float>(3))
                    .contains(QStringLiteral("\r\n-0,001\t0\t0\r\n")));
}

// Loaded numbers are kept as doubles and written back with the digits they were read with:
// epoch seconds a second apart, day numbers, eight-digit counts stay what they were.
TEST(MeasurementText, LoadedDigitsGoBackAsRead) {
    LocaleGuard guard{QLocale(QLocale::German)};
    struct Row {
        const char* name;
        const char* points; // point lines, LF between them
        double t1, a1;      // the second point as read
        const char* further = ""; // header fields after B
    };
    const Row rows[] = {
        {"epoch seconds",
         "1709288100\t99999999\t1\n1709288101\t99999998\t2\n"
         "1709288102\t1\t3\n1709288103\t-99999999\t4",
         1709288101, 99999998},
        {"day numbers",
         "45352,427083\t45352,427083\t0\n45352,427095\t45352,427095\t0\n"
         "45352,427106\t45352,427106\t0",
         45352.427095, 45352.427095},
        {"decimals and exponents", "0,1\t1,000E-07\t-3,000E+20\n1234,5\t2,5024\t101325", 1234.5,
         2.5024},
        {"seventeen digits", "0\t0,12345678901234568\t1\n1\t1234567890123456,8\t1", 1,
         1234567890123456.8},
        {"five columns, blanks among them",
         "0\t1\t2\t3,5\t\n1\t2\t3\t1,000E-07\t45352,427095\n2\t3\t4\t\t-4", 1, 2,
         "\tI (mA)\tP in mW"},
    };
    MeasurementTextFormat asRead;
    asRead.asRead = true;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const QString points = QString::fromLatin1(r.points).replace(u'\n', QStringLiteral("\r\n"));
        const QString text = QStringLiteral("Zeit in s\tA: U\tB: U") +
                             QString::fromLatin1(r.further) + "\r\n" + points + "\r\n";
        const auto m = readMeasurementText(text);
        ASSERT_TRUE(m.has_value());
        ASSERT_GE(m->count, 2);
        EXPECT_EQ(m->t[1], r.t1);
        EXPECT_EQ(m->a[1], r.a1);
        EXPECT_LT(m->t[0], m->t[1]);
        EXPECT_EQ(formatMeasurementText(m->defA, m->defB, m->t, m->a, m->b, asRead, m->further)
                      .toStdString(),
                  text.toStdString());
    }
}

// The columns after B are quantities named by their header, kept as read; words, columns
// without a value and columns beyond the bound are not, and are counted.
TEST(MeasurementText, FurtherColumns) {
    LocaleGuard guard{QLocale(QLocale::German)};
    QString wide = QStringLiteral("Zeit\tA\tB");
    QString wideLine = QStringLiteral("0\t1\t2");
    for (int i = 1; i <= 70; ++i) {
        wide += QStringLiteral("\tC%1").arg(i);
        wideLine += QStringLiteral("\t%1").arg(i);
    }
    const QString wideText = wide + u'\n' + wideLine + u'\n';
    const QString longHeader =
        QStringLiteral("Zeit\tA\tB\t") + QString(300, u'x') + "\n0\t1\t2\t3\n";
    struct Row {
        const char* name;
        QString text;
        int further, unread, left;
        const char* name1; // of the first further column
        const char* unit1;
        double value1; // its first value
    };
    const Row rows[] = {
        {"names and units as A's and B's", "Zeit\tA\tB\tI (mA)\tP in mW\tn\n0\t1\t2\t3\t4\t5\n", 3,
         0, 0, "I", "mA", 3},
        {"words are no quantity", "Zeit\tA\tB\tNotiz\tI [mA]\n0\t1\t2\tok\t-3,5\n", 1, 0, 1, "I",
         "mA", -3.5},
        {"a column without a value", "Zeit\tA\tB\tleer\tI\n0\t1\t2\t\t3\n1\t1\t2\n", 1, 0, 1, "I",
         "", 3},
        {"no header", "0\t1\t2\t1,000E+30\n", 1, 0, 0, "", "", 1e30},
        {"beyond the bound", wideText, 64, 6, 0, "C1", "", 1},
        {"a header beyond its length", longHeader, 1, 0, 0, "", "", 3},
    };
    MeasurementTextFormat csv;
    csv.asRead = true;
    csv.layout = TableLayout::Csv;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const auto m = readMeasurementText(r.text);
        ASSERT_TRUE(m.has_value());
        ASSERT_EQ(int(m->further.size()), r.further);
        EXPECT_EQ(m->unreadColumns, r.unread);
        EXPECT_EQ(m->leftColumns, r.left);
        const auto& c = m->further.front();
        if (*r.name1) EXPECT_EQ(c.name, QString::fromUtf8(r.name1));
        EXPECT_EQ(c.unit, QString::fromUtf8(r.unit1));
        EXPECT_LE(c.header.size(), 200);
        EXPECT_EQ(c.values.front(), r.value1);
        for (const auto& column : m->further)
            EXPECT_EQ(column.values.size(), std::size_t(m->count));
        // CSV takes them to a spreadsheet and back as they were.
        const auto back = readMeasurementText(
            formatMeasurementText(m->defA, m->defB, m->t, m->a, m->b, csv, m->further));
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->further, m->further);
    }
}

} // namespace

// A calculated column is written with six significant digits, not its arithmetic's last bits;
// read and entered columns keep every digit they came with.
TEST(MeasurementText, CalculatedColumnsWrittenRounded) {
    using kurvimat::signals::ColumnOrigin;
    const struct {
        ColumnOrigin origin;
        double value;
        const char* field;
    } rows[] = {
        {ColumnOrigin::Calculated, 0.1 + 0.2, "0.3"},
        {ColumnOrigin::Calculated, 2.0 / 3.0, "0.666667"},
        {ColumnOrigin::Read, 0.1 + 0.2, "0.30000000000000004"},
        {ColumnOrigin::Entered, 1234.56789, "1234.56789"},
    };
    for (const auto& r : rows) {
        auto column = kurvimat::signals::QuantityColumn::named(QStringLiteral("P (W)"), r.origin);
        column.values = {r.value};
        const float t = 0, a = 1, b = 2;
        PointColumns points;
        points.definitionA = QStringLiteral("U (V): U");
        points.definitionB = QStringLiteral("I (A): U");
        points.t = {&t, 1}, points.a = {&a, 1}, points.b = {&b, 1};
        points.further = {&column, 1};
        const QString text = formatPoints(points, {}, TableLayout::Tab, u'.');
        const QString line = text.split(QStringLiteral("\r\n")).value(1);
        EXPECT_EQ(line.section(u'\t', 3, 3), QString::fromLatin1(r.field)) << line.toStdString();
    }
}
