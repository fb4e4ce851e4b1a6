#include "Numbers.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// The user's locale decides the decimal separator; the examples are German.
class GermanLocale : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

using ParseNumberTest = GermanLocale;
using FormatValueTest = GermanLocale;

struct ParseRow {
    const char* text;
    double expected;
};

TEST_F(ParseNumberTest, ReadsNumbersWordsAndLeadingDigits) {
    const std::vector<ParseRow> rows = {
        {"12,5", 12.5},
        {"12.5", 12.5},
        {" 12.5", 12.5},
        {"-0.02", -0.02},
        {" 0.020", 0.02},
        {"+7", 7},
        {".5", 0.5},
        {"1e3", 1000},
        {"2,5E-3", 0.0025},
        {"1,235E+04", 12350},
        {"JA", 1},
        {"Wahr", 1},
        {"an", 1},
        {"ON", 1},
        {"yes", 1},
        {"TRUE", 1},
        // Not entirely a number: the digits read before the first unfitting character.
        {"500 ms (2 Hz)", 500},
        {"2000", 2000},
        {"12,5 V", 125},
        {"-5 V", 5},
        {"1e", 1},
        {"1.5e+x", 15},
        {"abc", 0},
        {"", 0},
        {"nein", 0},
        // Trailing blanks are ignored like leading ones.
        {"-0.02 ", -0.02},
        {"5 ", 5},
        // Beyond the double range.
        {"1e999", 0},
    };
    for (const ParseRow& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_DOUBLE_EQ(ParseNumber(QString::fromUtf8(row.text)), row.expected);
    }
}

TEST_F(ParseNumberTest, NeverGivesNegativeZero) {
    for (const char* text : {"-0", "-", "-0,000"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(std::signbit(ParseNumber(QString::fromLatin1(text))));
    }
}

struct FormatRow {
    double value;
    const char* expected;
};

TEST_F(FormatValueTest, FourSignificantDigitsInGeneralOrExponentForm) {
    const std::vector<FormatRow> rows = {
        {0, "0"},
        {-0.0, "0"},
        {5, "5"},
        {0.5, "0,5"},
        {100, "100"},
        {3.14159, "3,142"},
        {1234.5, "1235"}, // ties away from zero
        {-1234.5, "-1235"},
        {9999.4, "9999"},
        {0.0001234, "0,0001234"},
        {0.0001, "0,0001"},
        {0.00005, "5,000E-05"},
        {-0.00005, "-5,000E-05"},
        {10000, "1,000E+04"},
        {12345, "1,235E+04"},
        {9999.6, "1,000E+04"}, // rounds up into the exponent range
        {0.000099996, "1,000E-04"},
        {1e100, "1,000E+100"},
        {-2.5e-300, "-2,500E-300"},
    };
    for (const FormatRow& row : rows) {
        SCOPED_TRACE(row.value);
        EXPECT_EQ(FormatValue(row.value).toStdString(), row.expected);
    }
}

TEST_F(FormatValueTest, UsesTheDefaultLocalesSeparator) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(FormatValue(0.5).toStdString(), "0.5");
    EXPECT_EQ(FormatValue(12345).toStdString(), "1.235E+04");
}

// Whatever the locale, ParseNumber reads back what FormatValue shows, to four digits.
TEST(FormatParseRoundTrip, ReadsBackWithinFourDigits) {
    const std::vector<double> values = {1,        -1,    0.5,    1234.5, 9999.4,  10000,
                                        12345.6,  1e-5,  -3e-9,  0.0001, 7.77e12, -98765.4,
                                        0.012345, 2e-20, 1.5e30, 42};
    for (const QLocale& locale : {QLocale(QLocale::German), QLocale(QLocale::English),
                                  QLocale(QLocale::French), QLocale::c()}) {
        QLocale::setDefault(locale);
        for (double v : values) {
            SCOPED_TRACE(locale.name().toStdString() + " " + std::to_string(v));
            const double back = ParseNumber(FormatValue(v));
            EXPECT_NEAR(back, v, std::fabs(v) * 5e-4);
        }
    }
    QLocale::setDefault(QLocale::c());
}

struct RoundRow {
    float value;
    float expected;
};

TEST(RoundSignificantTest, KeepsThreeSignificantDigits) {
    const std::vector<RoundRow> rows = {
        {0, 0},
        {1.2345f, 1.23f},
        {0.012345f, 0.0123f},
        {98765, 98800},
        {1, 1},
        {1000, 1000},
        {0.001f, 0.001f},
        {9.999f, 10},
        {123456789.0f, 123000000.0f},
        {1e-20f, 1e-20f},
        // Negative mantissas are truncated after adding 0.5.
        {-1.234f, -1.22f},
        {-1.235f, -1.23f},
        {-98765, -98700},
    };
    for (const RoundRow& row : rows) {
        SCOPED_TRACE(row.value);
        EXPECT_FLOAT_EQ(RoundSignificant(row.value), row.expected);
    }
}

// Over many magnitudes: within half a unit of the third digit, and three digits at most.
TEST(RoundSignificantTest, IsCloseAndHasThreeDigitsForPositiveValues) {
    for (double x = 1.3e-30; x < 1e30; x *= 1.37) {
        const float v = static_cast<float>(x);
        SCOPED_TRACE(v);
        const float r = RoundSignificant(v);
        EXPECT_LE(std::fabs(r - v), 0.00501 * v);
        const double hundredths = r / std::pow(10.0, std::floor(std::log10(double(r))) - 2);
        EXPECT_NEAR(hundredths, std::round(hundredths), 1e-3);
    }
}

struct RangeRow {
    double min, max;
    double expectedMin, expectedMax;
};

TEST(OrderRangeTest, MakesRangesNonEmptyAndAscending) {
    const std::vector<RangeRow> rows = {
        {5, 5, 0, 10}, {-5, -5, -10, 0}, {0, 0, -1, 1},    {3, 1, 1, 3},
        {1, 3, 1, 3},  {-2, -7, -7, -2}, {0.5, 0.5, 0, 1},
    };
    for (const RangeRow& row : rows) {
        SCOPED_TRACE(std::to_string(row.min) + ".." + std::to_string(row.max));
        float fmin = static_cast<float>(row.min), fmax = static_cast<float>(row.max);
        OrderRange(fmin, fmax);
        EXPECT_EQ(fmin, static_cast<float>(row.expectedMin));
        EXPECT_EQ(fmax, static_cast<float>(row.expectedMax));
        double dmin = row.min, dmax = row.max;
        OrderRange(dmin, dmax);
        EXPECT_EQ(dmin, row.expectedMin);
        EXPECT_EQ(dmax, row.expectedMax);
    }
}

} // namespace
