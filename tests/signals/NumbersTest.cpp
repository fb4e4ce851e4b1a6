#include "Numbers.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <tuple>
#include <vector>

using namespace kurvimat::signals;

namespace {

// The user's locale decides the decimal separator; the examples are German.
class Numbers : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

TEST_F(Numbers, ParseNumberReadsNumbersWordsAndLeadingDigits) {
    const std::vector<std::pair<const char*, double>> rows = {
        {"12,5", 12.5},
        {"12.5", 12.5},
        {" 12.5", 12.5},
        {" 0.020", 0.02},
        {"+7", 7},
        {".5", 0.5},
        {"2,5E-3", 0.0025},
        {"1,235E+04", 12350},
        {"JA", 1},
        {"Wahr", 1},
        {"on", 1},
        {"yes", 1},
        {"TRUE", 1},
        {"an", 1},
        // Not entirely a number: the number at the start, sign and decimals kept.
        {"500 ms (2 Hz)", 500},
        {"2000", 2000},
        {"12,5 V", 12.5},
        {"-5 V", -5},
        {"2e3 Hz", 2000},
        {"1e+ V", 1},
        {"5. V", 5},
        {"abc", 0},
        {"- 5", 0},
        {"", 0},
        // Trailing blanks are ignored like leading ones; beyond the double range reads as 0.
        {"-0.02 ", -0.02},
        {"1e999", 0}};
    for (const auto& [text, expected] : rows) {
        SCOPED_TRACE(text);
        EXPECT_DOUBLE_EQ(ParseNumber(QString::fromUtf8(text)), expected);
    }
}

TEST_F(Numbers, FormatValueGivesFourSignificantDigits) {
    const std::vector<std::pair<double, const char*>> rows = {
        {0, "0"},
        {-0.0, "0"},
        {5, "5"},
        {0.5, "0,5"},
        {3.14159, "3,142"},
        {1234.5, "1235"},
        {-1234.5, "-1235"}, // ties away from zero
        {9999.4, "9999"},
        {0.0001234, "0,0001234"},
        {0.00005, "5,000E-05"},
        {-0.00005, "-5,000E-05"},
        {10000, "1,000E+04"},
        {12345, "1,235E+04"},
        {9999.6, "1,000E+04"}, // rounds up into the exponent range
        {0.000099996, "1,000E-04"},
        {1e100, "1,000E+100"}};
    for (const auto& [value, expected] : rows) {
        SCOPED_TRACE(value);
        EXPECT_EQ(FormatValue(value).toStdString(), expected);
    }
    QLocale::setDefault(QLocale(QLocale::English));
    EXPECT_EQ(FormatValue(12345.6).toStdString(), "1.235E+04");
    // ParseNumber reads only comma and point: the Arabic separator is not written.
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    ASSERT_NE(QLocale().decimalPoint(), QStringLiteral("."));
    EXPECT_EQ(FormatValue(-2.5).toStdString(), "-2.5");
}

TEST_F(Numbers, FormatValueWithMoreDigits) {
    const std::vector<std::tuple<double, int, const char*>> rows = {
        {10.002, 5, "10,002"},   {99999.5, 5, "1,0000E+05"},
        {12345.6, 6, "12345,6"}, {1.2345678e-5, 9, "1,23456780E-05"},
        {-9.99999999, 8, "-10"}, {75, 1, "8E+01"}};
    for (const auto& [value, digits, expected] : rows) {
        SCOPED_TRACE(std::to_string(value) + " to " + std::to_string(digits));
        EXPECT_EQ(FormatValue(value, digits).toStdString(), expected);
    }
}

// Whatever the locale, ParseNumber reads back what FormatValue shows, to four digits.
TEST_F(Numbers, FormatValueReadsBackInEveryLocale) {
    for (const QLocale& locale : {QLocale(QLocale::German), QLocale(QLocale::English),
                                  QLocale(QLocale::French), QLocale::c()}) {
        QLocale::setDefault(locale);
        for (double v : {1.0, -0.5, 1234.5, 9999.4, 12345.6, -3e-9, 0.0001, 7.77e12, 0.012345}) {
            SCOPED_TRACE(locale.name().toStdString() + " " + std::to_string(v));
            EXPECT_NEAR(ParseNumber(FormatValue(v)), v, std::fabs(v) * 5e-4);
        }
    }
}

TEST_F(Numbers, RoundSignificantKeepsThreeDigits) {
    const std::vector<std::pair<float, float>> rows = {
        {0, 0},
        {1.2345f, 1.23f},
        {0.012345f, 0.0123f},
        {98765, 98800},
        {9.999f, 10},
        {1000, 1000},
        {1e-20f, 1e-20f},
        {1.235f, 1.24f},
        // Negative values round as their magnitudes do.
        {-1.234f, -1.23f},
        {-1.235f, -1.24f},
        {-9.999f, -10},
        {-0.012345f, -0.0123f},
        {-98765, -98800}};
    for (const auto& [value, expected] : rows) {
        SCOPED_TRACE(value);
        EXPECT_FLOAT_EQ(RoundSignificant(value), expected);
    }
}

TEST_F(Numbers, OrderRangeMakesRangesNonEmptyAndAscending) {
    const std::vector<std::array<double, 4>> rows = {// min, max -> min, max
                                                     {5, 5, 0, 10},
                                                     {-5, -5, -10, 0},
                                                     {0, 0, -1, 1},
                                                     {3, 1, 1, 3},
                                                     {-2, -7, -7, -2}};
    for (const auto& [min, max, expectedMin, expectedMax] : rows) {
        SCOPED_TRACE(std::to_string(min) + ".." + std::to_string(max));
        float fmin = float(min), fmax = float(max);
        double dmin = min, dmax = max;
        OrderRange(fmin, fmax);
        OrderRange(dmin, dmax);
        EXPECT_EQ(fmin, float(expectedMin));
        EXPECT_EQ(fmax, float(expectedMax));
        EXPECT_EQ(dmin, expectedMin);
        EXPECT_EQ(dmax, expectedMax);
    }
}

} // namespace
