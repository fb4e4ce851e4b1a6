#include "SignalDefinition.h"

#include "FormulaParser.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <vector>

// Readable failure messages for QString comparisons.
static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

struct SplitRow {
    QString line;
    DefinitionParts expected;
};

void expectParts(const DefinitionParts& actual, const DefinitionParts& expected) {
    EXPECT_EQ(actual.name, expected.name);
    EXPECT_EQ(actual.unit, expected.unit);
    EXPECT_EQ(actual.formula, expected.formula);
    EXPECT_EQ(actual.minText, expected.minText);
    EXPECT_EQ(actual.maxText, expected.maxText);
}

TEST(SplitDefinitionTest, SplitsNameUnitFormulaAndInterval) {
    const std::vector<SplitRow> rows = {
        {"Rohdaten: y", {"Rohdaten", "", "y", "", ""}},
        {"U", {"", "", "U", "", ""}},
        {"Temperatur (°C): 3000*298.15/(3000+ln(1/x-1)*298.15)-273.15 [0;100]",
         {"Temperatur", "°C", "3000*298.15/(3000+ln(1/x-1)*298.15)-273.15", "0", "100"}},
        {"Spannung (V): U [0;5]", {"Spannung", "V", "U", "0", "5"}},
        // No blank before "(": the name ends right before it.
        {"Spannung(V): U", {"Spannung", "V", "U", "", ""}},
        // A "(" after the colon belongs to the formula.
        {"Sinus: sin(x)", {"Sinus", "", "sin(x)", "", ""}},
        // Without a colon there is no name; the formula starts at the first character.
        {"Spannung (V) U", {"", "", "Spannung(V)U", "", ""}},
        {"x: 2 * x + 1", {"x", "", "2*x+1", "", ""}},
        // An interval needs "[", ";" and "]" in that order.
        {"a (V): U [0 5]", {"a", "V", "U", "", ""}},
        {"a (V): U [0;5", {"a", "V", "U", "", ""}},
        {"a (V): U ]0;5[", {"a", "V", "U]0;5", "", ""}},
        {"a (V): U [ 1 ;2 ]", {"a", "V", "U", " 1 ", "2 "}},
        {"a (V): U [;]", {"a", "V", "U", "", ""}},
        {"", {"", "", "", "", ""}},
    };
    for (const SplitRow& row : rows) {
        SCOPED_TRACE(row.line.toStdString());
        expectParts(SplitDefinition(row.line), row.expected);
    }
}

TEST(SplitDefinitionTest, SplitsEveryBuiltInLine) {
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
        {"", "", "", "", ""},
    };
    const QStringList& lines = BuiltInSignals();
    ASSERT_EQ(lines.size(), 9);
    EXPECT_TRUE(lines[8].isEmpty());
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(i);
        expectParts(SplitDefinition(lines[i]), expected[i]);
    }
}

struct TitleRow {
    QString name, unit, expected;
};

TEST(SignalTitleTest, MarksWhereTheScaleInsertsItsPrefix) {
    const std::vector<TitleRow> rows = {
        {"Temperatur", "°C", "Temperatur in °C"},
        {"Anteil", "%", "Anteil in %"},
        {"Spannung", "V", "Spannung in <vf>V"},
        {"Druck", "Pa", "Druck in <vf>Pa"},
        {"Spannung", "mV", "Spannung in mV"},
        {"Strom", "µA", "Strom in µA"},
        {"Weg", "km", "Weg in km"},
        {"Dauer", "min", "Dauer in min"},
        {"Länge", "m", "Länge in <vf>m"}, // a lone prefix letter is the unit itself
        {"Rohdaten", "", "Rohdaten"},
    };
    for (const TitleRow& row : rows) {
        SCOPED_TRACE(row.unit.toStdString());
        EXPECT_EQ(SignalTitle(row.name, row.unit), row.expected);
    }
}

// A parser as the main window sets it up: "U" registered before the first definition.
class SignalParser : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        parser.SetVariable("U", 0);
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    void compile(const QString& formula) { parser.SetExpression(ParserExpression(formula)); }

    TParser parser;
};

using ParserExpressionTest = SignalParser;

TEST_F(ParserExpressionTest, BuiltInFormulasCompileWithDecimalCommas) {
    parser.SetVariable("r", 0);
    for (const QString& line : BuiltInSignals()) {
        SCOPED_TRACE(line.toStdString());
        EXPECT_NO_THROW(compile(SplitDefinition(line).formula));
    }
    // 298,15 and 273,15 must arrive as 298.15 and 273.15.
    compile(SplitDefinition(BuiltInSignals()[6]).formula);
    const SampleResult r = EvaluateSample(parser, 0, 511.5f, 2.5f, 2.5f, 0);
    ASSERT_FALSE(r.failed);
    const double expected = 1 / (1 / 298.15 + std::log(47.0 / (5 / 2.5 - 1) / 50) / 3950) - 273.15;
    EXPECT_NEAR(r.value, expected, 1e-4);
}

TEST_F(ParserExpressionTest, TwoArgumentCallsAreLostToTheCommaReplacement) {
    EXPECT_EQ(ParserExpression("max(U,1)"), "max(U.1)");
    EXPECT_THROW(compile("max(U,1)"), EMathParserError);
}

struct SampleRow {
    const char* formula;
    float time, raw, ownVoltage, voltageA, voltageB;
    float expected;
};

using EvaluateSampleTest = SignalParser;

TEST_F(EvaluateSampleTest, SetsEveryFormulaVariable) {
    const std::vector<SampleRow> rows = {
        {"T", 2.5f, 0, 0, 0, 0, 2.5f},       {"D", 0, 511.5f, 0, 0, 0, 511.5f},
        {"Y", 0, 100, 0, 0, 0, 100},         {"X", 0, 511.5f, 0, 0, 0, 0.5f},
        {"r", 0, 1023, 0, 0, 0, 1},          {"U", 0, 0, 3.25f, 1, 2, 3.25f},
        {"A", 0, 0, 3.25f, 1, 2, 1},         {"B", 0, 0, 3.25f, 1, 2, 2},
        {"C+E", 1, 1, 1, 1, 1, 0},           {"u*t+x", 2, 1023, 1.5f, 0, 0, 4},
        {"1E38*X", 0, 1023, 0, 0, 0, 1e38f},
    };
    for (const SampleRow& row : rows) {
        SCOPED_TRACE(row.formula);
        compile(row.formula);
        const SampleResult r =
            EvaluateSample(parser, row.time, row.raw, row.ownVoltage, row.voltageA, row.voltageB);
        EXPECT_FALSE(r.failed);
        EXPECT_FLOAT_EQ(r.value, row.expected);
    }
}

TEST_F(EvaluateSampleTest, FloatingPointErrorsGiveZeroAndFailed) {
    const std::vector<SampleRow> rows = {
        {"1/X", 0, 0, 0, 0, 0, 0},        // division by zero
        {"LN(X)", 0, 0, 0, 0, 0, 0},      // logarithm of 0
        {"SQRT(X-1)", 0, 0, 0, 0, 0, 0},  // invalid operation
        {"EXP(1000)", 0, 0, 0, 0, 0, 0},  // double overflow
        {"1E300*X", 0, 1023, 0, 0, 0, 0}, // beyond the float range
        {"-1E39", 0, 0, 0, 0, 0, 0},
    };
    for (const SampleRow& row : rows) {
        SCOPED_TRACE(row.formula);
        compile(row.formula);
        const SampleResult r =
            EvaluateSample(parser, row.time, row.raw, row.ownVoltage, row.voltageA, row.voltageB);
        EXPECT_TRUE(r.failed);
        EXPECT_EQ(r.value, 0.0f);
    }
}

TEST_F(EvaluateSampleTest, IntegerDivisionByZeroPropagates) {
    for (const char* formula : {"XDIV0", "5MODX"}) {
        SCOPED_TRACE(formula);
        compile(formula);
        EXPECT_THROW(EvaluateSample(parser, 0, 0, 0, 0, 0), EDivByZero);
    }
}

TEST_F(EvaluateSampleTest, NoProgramGivesZeroNotFailed) {
    compile("");
    SampleResult r = EvaluateSample(parser, 1, 1023, 5, 5, 5);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(r.value, 0.0f);

    // A rejected formula leaves no program either.
    parser.OnParserError = [](TCustomParser&, const std::exception&) {};
    compile("X+");
    r = EvaluateSample(parser, 1, 1023, 5, 5, 5);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(r.value, 0.0f);
}

struct ProbeRow {
    const char* formula;
    SignalChannel channel;
    Calibration cal;
    double low, high;
};

constexpr Calibration Standard{0, 5, 0, 5};
constexpr Calibration Differential{-2.56f, 2.555f, 0, 5};
constexpr Calibration Sensitive{0, 5, 1, 4};
constexpr Calibration NarrowB{0, 5, 0, 4};
// Raw values and voltages of the inset probes.
constexpr double InsetX = 51.15 / 1023;

using RangeProbeTest = SignalParser;

TEST_F(RangeProbeTest, ProbesBothEndsOfTheCalibratedRanges) {
    const std::vector<ProbeRow> rows = {
        {"U", SignalChannel::A, Standard, 0, 5},
        {"U", SignalChannel::A, Differential, -2.56, 2.555},
        {"U", SignalChannel::B, Sensitive, 1, 4},
        {"5", SignalChannel::A, Standard, 5, 5},
        {"", SignalChannel::B, Standard, 0, 0},
        {"x*100", SignalChannel::B, Standard, 0, 100},
        {"(A-B)/50", SignalChannel::A, Standard, -0.1, 0.1},
        {"(A-B)/50", SignalChannel::A, Differential, (-2.56 - 5) / 50, 2.555 / 50},
        {"(A-B)/50", SignalChannel::B, Sensitive, (0 - 4) / 50.0, (5 - 1) / 50.0},
        // The second probe fails at both ends: the 5 % inset takes over.
        {"1/X", SignalChannel::A, Standard, 1 / InsetX, 1},
        {"LN(1/X-1)", SignalChannel::B, Standard, std::log(1 / InsetX - 1),
         std::log(1 / (1 - InsetX) - 1)},
        {"1/U", SignalChannel::B, NarrowB, 1 / 0.2, 1 / 4.0}, // inset by B's twentieth
        {"1/(B-5)", SignalChannel::A, Standard, 1 / (4.75 - 5), 0},
        {"1/(B-4)", SignalChannel::A, NarrowB, 1 / (3.8 - 4), 0},
        {"1/A", SignalChannel::B, NarrowB, 1 / 0.25, 1 / 5.0},
        // Only a failing second probe triggers the inset; a failing first one counts as 0.
        {"1/B", SignalChannel::A, Standard, 0, 1 / 0.25},
    };
    for (const ProbeRow& row : rows) {
        SCOPED_TRACE(std::string(row.formula) +
                     (row.channel == SignalChannel::A ? " on A" : " on B"));
        compile(row.formula);
        EXPECT_NEAR(ProbeLowEnd(parser, row.channel, row.cal), row.low, 1e-5);
        EXPECT_NEAR(ProbeHighEnd(parser, row.channel, row.cal), row.high, 1e-5);
    }
}

TEST_F(RangeProbeTest, IntegerDivisionByZeroPropagates) {
    compile("1DIVX");
    EXPECT_THROW(ProbeLowEnd(parser, SignalChannel::A, Standard), EDivByZero);
}

struct RangeRow {
    const char* formula;
    QString minText, maxText;
    float min, max;
    QString shownMin, shownMax;
    bool autoRange;
};

TEST_F(RangeProbeTest, ResolvesTheRangeFromIntervalOrProbes) {
    const std::vector<RangeRow> rows = {
        {"1/X", "", "", 1, 20, "20", "1", true},
        {"5", "", "", 0, 10, "5", "5", true},
        {"", "", "", -1, 1, "0", "0", true},
        {"U", "", "", 0, 5, "0", "5", true},
        {"x*100", "", "", 0, 100, "0", "100", true},
        {"(A-B)/50", "-0.02", " 0.020", -0.02f, 0.02f, "-0.02", " 0.020", false},
        {"U", "5", "1", 1, 5, "5", "1", false},
        {"U", "-1", "", -1, 5, "-1", "5", false},
        {"U", "", "2,5", 0, 2.5f, "0", "2,5", false},
    };
    for (const RangeRow& row : rows) {
        SCOPED_TRACE(std::string(row.formula) + " [" + row.minText.toStdString() + ";" +
                     row.maxText.toStdString() + "]");
        compile(row.formula);
        const SignalRange range =
            ResolveRange(parser, SignalChannel::A, Standard, row.minText, row.maxText);
        EXPECT_FLOAT_EQ(range.min, row.min);
        EXPECT_FLOAT_EQ(range.max, row.max);
        EXPECT_EQ(range.minText, row.shownMin);
        EXPECT_EQ(range.maxText, row.shownMax);
        EXPECT_EQ(range.autoRange, row.autoRange);
    }
}

// At start-up "r" does not exist until the first probes evaluate a sample.
TEST_F(RangeProbeTest, ProbingCreatesTheVariableR) {
    EXPECT_THROW(compile("r*100"), EMathParserError);
    ResolveRange(parser, SignalChannel::A, Standard, "", "");
    EXPECT_NO_THROW(compile("r*100"));
    EXPECT_FLOAT_EQ(ProbeHighEnd(parser, SignalChannel::A, Standard), 100);
}

class ReevaluateTest : public SignalParser {
protected:
    static constexpr int N = 5;
    // DataT deliberately differs from the nominal times to tell the two apart.
    float dataT[N] = {10, 11, 12, 13, 14};
    float rawA[N] = {0, 1023, 511.5f, 204.6f, 818.4f};
    float rawB[N] = {1023, 0, 511.5f, 818.4f, 204.6f};
    float data[N + 1] = {7, 7, 7, 7, 7, 7};
    float dataMin = -99, dataMax = 99, dataMinT = -99, dataMaxT = 99;

    void reevaluate(SignalChannel channel, int count, const Calibration& cal = Standard) {
        const StoredPoints points{dataT, rawA, rawB, count, -0.1f, 0.005f};
        ReevaluatePoints(parser, channel, cal, points, data, dataMin, dataMax, dataMinT, dataMaxT);
    }
};

TEST_F(ReevaluateTest, EvaluatesEveryPointWithItsVoltages) {
    struct Row {
        const char* formula;
        SignalChannel channel;
        float expected[N];
    };
    const std::vector<Row> rows = {
        {"U", SignalChannel::A, {0, 5, 2.5f, 1, 4}},
        {"U", SignalChannel::B, {5, 0, 2.5f, 4, 1}},
        {"A-B", SignalChannel::B, {-5, 5, 0, -3, 3}},
        {"T", SignalChannel::A, {10, 11, 12, 13, 14}},
        {"D", SignalChannel::B, {1023, 0, 511.5f, 818.4f, 204.6f}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.formula) +
                     (row.channel == SignalChannel::A ? " on A" : " on B"));
        compile(row.formula);
        reevaluate(row.channel, N);
        for (int i = 0; i < N; ++i)
            EXPECT_NEAR(data[i], row.expected[i], 1e-5) << "point " << i;
        EXPECT_EQ(data[N], 7.0f) << "beyond the count";
        EXPECT_FLOAT_EQ(dataMin, *std::min_element(row.expected, row.expected + N));
        EXPECT_FLOAT_EQ(dataMax, *std::max_element(row.expected, row.expected + N));
        EXPECT_FLOAT_EQ(dataMinT, -0.1f);
        EXPECT_FLOAT_EQ(dataMaxT, -0.1f + 4 * 0.005f); // nominal time of the last point
    }
}

TEST_F(ReevaluateTest, TimeExtremesForFewPoints) {
    compile("U");
    reevaluate(SignalChannel::A, 1);
    EXPECT_FLOAT_EQ(dataMinT, -0.1f);
    EXPECT_FLOAT_EQ(dataMaxT, -0.1f + 0.005f); // never below one point time
    EXPECT_EQ(dataMin, 0.0f);
    EXPECT_EQ(dataMax, 0.0f);
    EXPECT_EQ(data[1], 7.0f);
}

TEST_F(ReevaluateTest, NoPointsChangesNothing) {
    compile("U");
    reevaluate(SignalChannel::A, 0);
    EXPECT_EQ(dataMin, -99.0f);
    EXPECT_EQ(dataMax, 99.0f);
    EXPECT_EQ(dataMinT, -99.0f);
    EXPECT_EQ(dataMaxT, 99.0f);
    EXPECT_EQ(data[0], 7.0f);
}

TEST_F(ReevaluateTest, FailedPointsStoreZeroAndCountInTheExtremes) {
    compile("1/X+1"); // fails at raw 0 (point 0), else 1 + 1023/raw >= 2
    reevaluate(SignalChannel::A, N);
    EXPECT_EQ(data[0], 0.0f);
    EXPECT_FLOAT_EQ(data[1], 2);
    EXPECT_EQ(dataMin, 0.0f);
    EXPECT_FLOAT_EQ(dataMax, 1 + 1023 / 204.6f);
}

TEST_F(ReevaluateTest, IntegerDivisionByZeroPropagates) {
    compile("1DIVX");
    EXPECT_THROW(reevaluate(SignalChannel::A, N), EDivByZero);
}

} // namespace
