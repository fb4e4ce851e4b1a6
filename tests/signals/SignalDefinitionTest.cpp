#include "SignalDefinition.h"

#include "FormulaParser.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <array>
#include <cfloat>
#include <cmath>
#include <vector>

using namespace kurvimat::signals;

namespace {

std::vector<std::string> texts(const DefinitionParts& p) {
    return {p.name.toStdString(), p.unit.toStdString(), p.formula.toStdString(),
            p.minText.toStdString(), p.maxText.toStdString()};
}

TEST(SplitDefinition, SplitsNameUnitFormulaAndInterval) {
    const std::vector<std::pair<QString, DefinitionParts>> rows = {
        {"Rohdaten: y", {"Rohdaten", "", "y", "", ""}},
        {"U", {"", "", "U", "", ""}},
        {"Spannung(V): U [0;5]", {"Spannung", "V", "U", "0", "5"}},
        {"Sinus: sin(x)", {"Sinus", "", "sin(x)", "", ""}}, // "(" after the colon
        {"Spannung (V) U", {"", "", "Spannung(V)U", "", ""}},
        {"a (V): U [0 5]", {"a", "V", "U", "", ""}},
        {"a (V): U ]0;5[", {"a", "V", "U]0;5", "", ""}},
        {"a (V): U [ 1 ;2 ]", {"a", "V", "U", " 1 ", "2 "}}};
    for (const auto& [line, expected] : rows) {
        SCOPED_TRACE(line.toStdString());
        EXPECT_EQ(texts(SplitDefinition(line)), texts(expected));
    }
}

TEST(SplitDefinition, SplitsEveryBuiltInLine) {
    const std::vector<DefinitionParts> expected = {
        {"Spannung, unkalibriert", "V", "U", "", ""},
        {"digitale Rohdaten", "", "D", "", ""},
        {"relativer Anteil", "%", "r*100", "", ""},
        {"Winkel Standardpoti", "°", "r*270", "", ""},
        {"Stromstärke, Rs = 1 Ohm", "A", "U/1", "", ""},
        {"Stromstärke, Rs = 50 Ohm zw. A & B", "A", "(A-B)/50", "-0.02", " 0.020"},
        {"Temperatur, unkalibriert", "°C", "1/(1/298,15+ln(47/(5/U-1)/50)/3950)-273,15", "0",
         "100"},
        {"Sinusfunktion 1 Hz", "", "sin(2*pi*t)", "-1", "1"},
        {"", "", "", "", ""}};
    ASSERT_EQ(BuiltInSignals().size(), 9);
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(texts(SplitDefinition(BuiltInSignals()[i])), texts(expected[i]));
    }
}

TEST(SignalTitle, MarksWhereTheScaleInsertsItsPrefix) {
    const std::vector<std::array<QString, 3>> rows = {{"Temperatur", "°C", "Temperatur in °C"},
                                                      {"Anteil", "%", "Anteil in %"},
                                                      {"Spannung", "V", "Spannung in <vf>V"},
                                                      {"Spannung", "mV", "Spannung in mV"},
                                                      {"Strom", "µA", "Strom in µA"},
                                                      {"Länge", "m", "Länge in <vf>m"},
                                                      // Prefixed already, or a power, or a unit
                                                      // no one prefixes: the scale's exponent.
                                                      {"Länge", "cm", "Länge in cm"},
                                                      {"Druck", "hPa", "Druck in hPa"},
                                                      {"Volumen", "dm³", "Volumen in dm³"},
                                                      {"Fläche", "m²", "Fläche in m²"},
                                                      {"Dauer", "h", "Dauer in h"},
                                                      {"Rate", "1/s", "Rate in 1/s"},
                                                      {"Weg", "cm/g", "Weg in cm/g"},
                                                      {"Stoffmenge", "mol", "Stoffmenge in <vf>mol"},
                                                      {"Lichtstärke", "cd", "Lichtstärke in <vf>cd"},
                                                      {"Druck", "Pa", "Druck in <vf>Pa"},
                                                      {"v", "m/s", "v in <vf>m/s"},
                                                      {"Rohdaten", "", "Rohdaten"}};
    for (const auto& [name, unit, expected] : rows) {
        SCOPED_TRACE(unit.toStdString());
        EXPECT_EQ(SignalTitle(name, unit).toStdString(), expected.toStdString());
    }
}

// Names and labels from files are shown, not obeyed: no line breaks, no turned direction, no
// invisible control characters; what is plain stays as it is.
TEST(ShownName, ControlCharactersVisibleDirectionMarksLeftOut) {
    const struct {
        const char* name;
        QString text, shown;
    } rows[] = {
        {"plain", QStringLiteral("Abkühlung 2 – Ω"), QStringLiteral("Abkühlung 2 – Ω")},
        {"line break", QStringLiteral("a\r\nb"), QStringLiteral("a\u240D\u240Ab")},
        {"NUL and ESC", QString::fromUtf16(u"x\0y\x1B[31m", 8),
         QStringLiteral("x\u2400y\u241B[31m")},
        {"TAB and DEL", QStringLiteral("a\tb\x7F"), QStringLiteral("a\u2409b\u2421")},
        {"C1 control", QStringLiteral("a\u0085b"), QStringLiteral("a\uFFFDb")},
        {"line separator", QStringLiteral("a\u2028b\u2029"), QStringLiteral("a\u2424b\u2424")},
        {"right-to-left override", QStringLiteral("Bericht\u202Etxt.exe"),
         QStringLiteral("Berichttxt.exe")},
        {"isolates and marks",
         QStringLiteral("\u2066a\u2067b\u2068c\u2069\u200E\u200F\u061C\u202A\u202B\u202C\u202D"),
         QStringLiteral("abc")},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(shownName(r.text), r.shown);
        // Titles of labels show them the same way.
        EXPECT_EQ(SignalTitle(r.text, {}), r.shown);
    }
}

// A parser as the main window sets it up: "U" registered before the first definition.
class Signal : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        parser.SetVariable("U", 0);
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
    void compile(const QString& formula) { parser.SetExpression(ParserExpression(formula)); }
    TParser parser;
};

TEST_F(Signal, BuiltInFormulasCompileWithDecimalCommas) {
    parser.SetVariable("r", 0);
    for (const QString& line : BuiltInSignals())
        EXPECT_NO_THROW(compile(SplitDefinition(line).formula)) << line.toStdString();
    compile(SplitDefinition(BuiltInSignals()[6]).formula); // 298,15 and 273,15
    const double expected = 1 / (1 / 298.15 + std::log(47.0 / (5 / 2.5 - 1) / 50) / 3950) - 273.15;
    EXPECT_NEAR(EvaluateSample(parser, 0, 511.5f, 2.5f, 2.5f, 0).value, expected, 1e-4);
    // The comma replacement leaves no way to write a two-argument call.
    EXPECT_THROW(compile("max(U,1)"), EMathParserError);
}

TEST_F(Signal, EvaluateSampleSetsVariablesAndCatchesFloatErrors) {
    struct Row {
        const char* formula;
        float time, raw, own, a, b, expected;
        bool failed;
    };
    const std::vector<Row> rows = {
        {"T", 2.5f, 0, 0, 0, 0, 2.5f, false},   {"D+Y", 0, 511.5f, 0, 0, 0, 1023, false},
        {"X", 0, 511.5f, 0, 0, 0, 0.5f, false}, {"r", 0, 1023, 0, 0, 0, 1, false},
        {"U", 0, 0, 3.25f, 1, 2, 3.25f, false}, {"A*10+B", 0, 0, 3, 1, 2, 12, false},
        {"C+E", 1, 1, 1, 1, 1, 0, false},       {"1E38*X", 0, 1023, 0, 0, 0, 1e38f, false},
        {"1/X", 0, 0, 0, 0, 0, 0, true},        {"LN(X)", 0, 0, 0, 0, 0, 0, true},
        {"SQRT(X-1)", 0, 0, 0, 0, 0, 0, true},  {"EXP(1000)", 0, 0, 0, 0, 0, 0, true},
        {"1E300*X", 0, 1023, 0, 0, 0, 0, true}, // beyond the float range
        {"", 1, 1023, 5, 5, 5, 0, false}};      // no program
    for (const Row& row : rows) {
        SCOPED_TRACE(row.formula);
        compile(row.formula);
        const SampleResult r = EvaluateSample(parser, row.time, row.raw, row.own, row.a, row.b);
        EXPECT_EQ(r.failed, row.failed);
        EXPECT_FALSE(r.divByZero);
        EXPECT_FLOAT_EQ(r.value, row.expected);
    }
    compile("5MODX"); // integer division by zero: a calculation error that says so
    const SampleResult r = EvaluateSample(parser, 0, 0, 0, 0, 0);
    EXPECT_TRUE(r.failed && r.divByZero);
}

constexpr Calibration Standard{0, 5, 0, 5};
constexpr Calibration Differential{-2.56f, 2.555f, 0, 5};
constexpr Calibration NarrowB{0, 5, 0, 4};
constexpr double InsetX = 51.15 / 1023; // X of the low inset probes

TEST_F(Signal, ProbesBothEndsOfTheCalibratedRanges) {
    struct Row {
        const char* formula;
        SignalChannel channel;
        Calibration cal;
        double low, high;
        bool divByZero = false;
    };
    const SignalChannel A = SignalChannel::A, B = SignalChannel::B;
    const std::vector<Row> rows = {
        {"U", A, Differential, -2.56, 2.555},
        {"U", B, NarrowB, 0, 4},
        {"5", A, Standard, 5, 5},
        {"", B, Standard, 0, 0},
        {"(A-B)/50", A, Differential, (-2.56 - 5) / 50, 2.555 / 50},
        {"(A-B)/50", B, NarrowB, -4 / 50.0, 5 / 50.0},
        // The second probe fails: the 5 % inset of each channel takes over.
        {"1/X", A, Standard, 1 / InsetX, 1},
        {"LN(1/X-1)", B, Standard, std::log(1 / InsetX - 1), std::log(1 / (1 - InsetX) - 1)},
        {"1/U", B, NarrowB, 1 / 0.2, 1 / 4.0},
        {"1/A", B, NarrowB, 1 / 0.25, 1 / 5.0},
        {"1/(B-4)", A, NarrowB, 1 / (3.8 - 4), 0},
        // A failing first probe alone counts as 0.
        {"1/B", A, Standard, 0, 1 / 0.25},
        // Integer division by zero at both low probes: 0, and the probe says so.
        {"1DIVX", A, Standard, 0, 1, true},
        {"100DIVT", B, Standard, 0, 0, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.formula) + (row.channel == A ? " on A" : " on B"));
        compile(row.formula);
        bool divByZero = false;
        EXPECT_NEAR(ProbeLowEnd(parser, row.channel, row.cal, &divByZero), row.low, 1e-5);
        EXPECT_NEAR(ProbeHighEnd(parser, row.channel, row.cal, &divByZero), row.high, 1e-5);
        EXPECT_EQ(divByZero, row.divByZero);
    }
}

TEST_F(Signal, ResolvesTheRangeFromIntervalOrProbes) {
    struct Row {
        const char* formula;
        QString minText, maxText;
        float min, max;
        QString shownMin, shownMax;
    };
    const std::vector<Row> rows = {
        {"1/X", "", "", 1, 20, "20", "1"},
        {"5", "", "", 0, 10, "5", "5"},
        {"", "", "", -1, 1, "0", "0"},
        {"x*100", "", "", 0, 100, "0", "100"},
        {"(A-B)/50", "-0.02", " 0.020", -0.02f, 0.02f, "-0.02", " 0.020"},
        {"U", "5", "1", 1, 5, "5", "1"},
        {"U", "", "2,5", 0, 2.5f, "0", "2,5"},
        {"U", "-1e300", "1e39", -FLT_MAX, FLT_MAX, "-1e300", "1e39"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.formula) + " [" + row.minText.toStdString() + ";" +
                     row.maxText.toStdString() + "]");
        compile(row.formula);
        const SignalRange r =
            ResolveRange(parser, SignalChannel::A, Standard, row.minText, row.maxText);
        EXPECT_FLOAT_EQ(r.min, row.min);
        EXPECT_FLOAT_EQ(r.max, row.max);
        EXPECT_EQ(r.minText.toStdString(), row.shownMin.toStdString());
        EXPECT_EQ(r.maxText.toStdString(), row.shownMax.toStdString());
        EXPECT_EQ(r.autoRange, row.minText.isEmpty() && row.maxText.isEmpty());
    }
}

// At start-up "r" does not exist until the first probes evaluate a sample.
TEST_F(Signal, ProbingCreatesTheVariableR) {
    EXPECT_THROW(compile("r*100"), EMathParserError);
    ResolveRange(parser, SignalChannel::A, Standard, "", "");
    EXPECT_NO_THROW(compile("r*100"));
}

TEST_F(Signal, ReevaluatesStoredPoints) {
    constexpr int N = 5;
    const float dataT[N] = {10, 11, 12, 13, 14}; // not the nominal times
    const float rawA[N] = {0, 1023, 511.5f, 204.6f, 818.4f};
    const float rawB[N] = {1023, 0, 511.5f, 818.4f, 204.6f};
    // Measured on A's 1.1 V range and B's 5 V range.
    const float voltsA[N] = {0, 1.1f, 0.55f, 0.22f, 0.88f}, voltsB[N] = {5, 0, 2.5f, 4, 1};
    struct Row {
        const char* formula;
        SignalChannel channel;
        int count;
        std::vector<float> expected; // 7: left alone
        float min, max, maxT;
    };
    const std::vector<Row> rows = {
        {"U", SignalChannel::A, N, {0, 1.1f, 0.55f, 0.22f, 0.88f, 7}, 0, 1.1f, 14},
        {"A-B", SignalChannel::B, N, {-5, 1.1f, -1.95f, -3.78f, -0.12f, 7}, -5, 1.1f, 14},
        {"T", SignalChannel::A, 3, {10, 11, 12, 7, 7, 7}, 10, 12, 12},
        {"U*1000+D", SignalChannel::B, 1, {6023, 7, 7, 7, 7, 7}, 6023, 6023, 10},
        // A failed point stores 0, which counts in the extremes.
        {"1/X+1", SignalChannel::A, N, {0, 2, 3, 6, 2.25f, 7}, 0, 6, 14},
        {"U", SignalChannel::A, 0, {7, 7, 7, 7, 7, 7}, -99, 99, 99}};
    const auto points = [&](int count) {
        return RecordedPoints{dataT, rawA, rawB, voltsA, voltsB, count, -0.1f, 0.005f};
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.formula) + " count " + std::to_string(row.count));
        compile(row.formula);
        std::vector<float> data(N + 1, 7);
        float min = -99, max = 99, minT = 99, maxT = 99;
        EXPECT_FALSE(
            ReevaluatePoints(parser, row.channel, points(row.count), data, min, max, minT, maxT));
        for (int i = 0; i <= N; ++i)
            EXPECT_NEAR(data[i], row.expected[i], 1e-5) << "point " << i;
        EXPECT_FLOAT_EQ(min, row.min);
        EXPECT_FLOAT_EQ(max, row.max);
        EXPECT_FLOAT_EQ(minT, row.count ? -0.1f : 99);
        EXPECT_FLOAT_EQ(maxT, row.maxT);
    }
    compile("1DIVX");
    std::vector<float> data(N, 7);
    float min, max, minT, maxT;
    EXPECT_TRUE(ReevaluatePoints(parser, SignalChannel::A, points(N), data, min, max, minT, maxT));
    EXPECT_FLOAT_EQ(data[1], 1.0f);
}

} // namespace
