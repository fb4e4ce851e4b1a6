#include "CurveFit.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr double Pi = std::numbers::pi;

struct Samples {
    std::vector<float> t, x, y;
    FitSpan span(double t1, double t2) const {
        return {t.data(), x.data(), y.data(), static_cast<int>(t.size()), t1, t2};
    }
};

// n points of truth(x) plus Gaussian noise at x spaced evenly over [from, to] (or, for XY,
// at a shuffled order of those x: one channel against the other need not be sorted).
Samples make(const std::function<double(double)>& truth, double from, double to, int n,
             double noise, bool shuffled = false) {
    std::mt19937 random(42);
    std::normal_distribution<double> gauss(0, noise > 0 ? noise : 1);
    Samples s;
    for (int i = 0; i < n; ++i) {
        const double x = from + (to - from) * i / (n - 1);
        s.t.push_back(static_cast<float>(x));
        s.x.push_back(static_cast<float>(x));
    }
    if (shuffled) std::shuffle(s.x.begin(), s.x.end(), random);
    for (float x : s.x)
        s.y.push_back(static_cast<float>(truth(x) + (noise > 0 ? gauss(random) : 0)));
    if (!shuffled) s.x = s.t;
    return s;
}

struct Row {
    const char* name;
    FitModel model;
    std::function<double(double)> truth;
    double from, to;
    int points;
    double noise;
    std::vector<double> expected;  ///< parameters in model order (τ of a sine: 1/τ, see below)
    std::vector<double> tolerance; ///< absolute, per parameter
    double minRSquared;
};

} // namespace

TEST(CurveFit, RecoversKnownParametersFromNoisyData) {
    const std::vector<Row> rows = {
        {"line", FitModel::Linear, [](double t) { return 2.5 * t - 1; }, 0, 10, 500, 0.05,
         {2.5, -1}, {0.005, 0.03}, 0.999},
        {"proportional", FitModel::Proportional, [](double t) { return -0.8 * t; }, 1, 5, 200,
         0.01, {-0.8}, {0.002}, 0.999},
        {"cooling over 2.5 tau", FitModel::Exponential,
         [](double t) { return 20 + 60 * std::exp(-t / 120); }, 0, 300, 1000, 0.3,
         {20, 60, 120}, {0.5, 0.5, 1.5}, 0.999},
        {"charging, milliseconds", FitModel::Exponential,
         [](double t) { return 5 - 5 * std::exp(-t / 0.002); }, 0, 0.01, 400, 0.02,
         {5, -5, 0.002}, {0.01, 0.03, 2e-5}, 0.999},
        // The span starts late: b is the difference to the end level at its start.
        {"cooling seen from t = 100 s", FitModel::Exponential,
         [](double t) { return 0.8 + 3.2 * std::exp(-t / 120); }, 100, 400, 2000, 0.005,
         {0.8, 3.2 * std::exp(-100.0 / 120), 120}, {0.02, 0.02, 2}, 0.999},
        {"damped sine, 8.9 periods", FitModel::DampedSine,
         [](double t) { return 1.5 * std::exp(-t / 2) * std::sin(2 * Pi * 3.3 * t + 0.7) + 2.5; },
         0, 2.7, 2000, 0.05, {1.5, 1 / 2.0, 3.3, 0.7, 2.5}, {0.02, 0.02, 0.003, 0.02, 0.005},
         0.99},
        // The demo's generator: no damping, 4.35 periods from a phase that is not zero.
        {"undamped sine, 4.35 periods", FitModel::DampedSine,
         [](double t) { return 1.5 * std::sin(2 * Pi * t) + 2.5; }, 0.3, 4.65, 870, 0.05,
         {1.5, 0, 1, 2 * Pi * 0.3, 2.5}, {0.01, 0.005, 0.001, 0.01, 0.005}, 0.99},
        {"one channel against the other", FitModel::XYLinear,
         [](double x) { return 3 * x + 1; }, -2, 2, 300, 0.02, {3, 1}, {0.01, 0.005}, 0.999},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Samples s = make(row.truth, row.from, row.to, row.points, row.noise,
                               row.model == FitModel::XYLinear);
        const FitResult fit = FitCurve(row.model, s.span(row.from, row.to));
        ASSERT_TRUE(fit.Converged) << fit.Error.toStdString();
        EXPECT_TRUE(fit.Error.isEmpty());
        EXPECT_EQ(fit.PointCount, row.points);
        EXPECT_FLOAT_EQ(fit.XMin, static_cast<float>(row.from));
        EXPECT_FLOAT_EQ(fit.XMax, static_cast<float>(row.to));
        ASSERT_EQ(fit.ParameterCount, static_cast<int>(row.expected.size()));
        for (std::size_t k = 0; k < row.expected.size(); ++k) {
            // A sine's τ is compared as its damping 1/τ, which is 0 without damping.
            const double got =
                row.model == FitModel::DampedSine && k == 1 ? fit.Damping : fit.P[k];
            EXPECT_NEAR(got, row.expected[k], row.tolerance[k]) << "parameter " << k;
            // The stated uncertainty covers the truth, and is no wider than the tolerance.
            const double sigma =
                row.model == FitModel::DampedSine && k == 1 ? fit.DampingSigma : fit.Sigma[k];
            EXPECT_GT(sigma, 0) << "parameter " << k;
            EXPECT_LT(sigma, row.tolerance[k]) << "parameter " << k;
            EXPECT_LE(std::fabs(got - row.expected[k]), 4 * sigma) << "parameter " << k;
        }
        EXPECT_GE(fit.RSquared, row.minRSquared);
        EXPECT_LE(fit.RSquared, 1.0);
        // The curve drawn from the fit follows the truth within the noise.
        double worst = 0;
        for (int i = 0; i <= 50; ++i) {
            const double x = row.from + (row.to - row.from) * i / 50;
            worst = std::max(worst, std::fabs(FitValue(fit, x) - row.truth(x)));
        }
        EXPECT_LT(worst, std::max(3 * row.noise, 1e-6));
    }
}

TEST(CurveFit, SaysWhatCannotBeFitted) {
    const QString tooFew = QStringLiteral("Zu wenige Messpunkte für diese Ausgleichskurve");
    const Samples flat = make([](double) { return 3.0; }, 0, 10, 50, 0);
    const Samples line = make([](double t) { return t; }, 0, 10, 11, 0);
    struct Case {
        const char* name;
        FitModel model;
        FitSpan span;
        bool converged;
        QString error; ///< start of the text
    } cases[] = {
        {"flat data, line", FitModel::Linear, flat.span(0, 10), true, {}},
        {"flat data, proportional", FitModel::Proportional, flat.span(0, 10), true, {}},
        {"flat data, exponential", FitModel::Exponential, flat.span(0, 10), false,
         QStringLiteral("Die Messwerte ändern sich nicht")},
        {"flat data, sine", FitModel::DampedSine, flat.span(0, 10), false,
         QStringLiteral("Die Messwerte ändern sich nicht")},
        // Points at 2, 3, 4: three for three parameters are not enough.
        {"3 points, exponential", FitModel::Exponential, line.span(2, 4), false, tooFew},
        {"4 points, exponential", FitModel::Exponential, line.span(2, 5), true, {}},
        {"5 points, sine", FitModel::DampedSine, line.span(4, 8), false, tooFew},
        {"2 points, line", FitModel::Linear, line.span(3, 4), false, tooFew},
        {"span given backwards", FitModel::Linear, line.span(8, 2), true, {}},
        {"span beside the data", FitModel::Linear, line.span(20, 30), false, tooFew},
        {"no arrays", FitModel::Linear, FitSpan{}, false, tooFew},
        {"all x equal", FitModel::XYLinear,
         FitSpan{line.t.data(), flat.y.data(), line.y.data(), 11, 0, 10}, false,
         QStringLiteral("Die Messwerte ändern sich nicht")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FitResult fit = FitCurve(c.model, c.span);
        EXPECT_EQ(fit.Converged, c.converged) << fit.Error.toStdString();
        EXPECT_TRUE(fit.Error.startsWith(c.error)) << fit.Error.toStdString();
        EXPECT_EQ(fit.Error.isEmpty(), c.converged);
        if (!c.converged) {
            EXPECT_TRUE(std::isnan(FitValue(fit, 1)));
            EXPECT_EQ(FitReadout(fit, {}), QStringList{fit.Error});
        }
    }
    // A line through constant values is that constant, and explains them fully.
    const FitResult level = FitCurve(FitModel::Linear, flat.span(0, 10));
    EXPECT_DOUBLE_EQ(level.P[0], 0);
    EXPECT_DOUBLE_EQ(level.P[1], 3);
    EXPECT_DOUBLE_EQ(level.RSquared, 1);
}

TEST(CurveFit, ReadoutShowsUnitsWithPrefixesAndRSquared) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const Samples cooling = make([](double t) { return 20 + 60 * std::exp(-t / 0.5); }, 0, 2,
                                 400, 0);
    const FitResult fit = FitCurve(FitModel::Exponential, cooling.span(0, 2));
    ASSERT_TRUE(fit.Converged);
    const QStringList lines = FitReadout(fit, {QStringLiteral("°C")});
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines[1], QStringLiteral("a = 20 °C"));
    EXPECT_EQ(lines[2], QStringLiteral("b = 60 °C"));
    EXPECT_EQ(lines[3], QStringLiteral("τ = 500 ms"));
    EXPECT_EQ(lines[5], QStringLiteral("R² = 1,00000"));
    EXPECT_EQ(lines[6], QStringLiteral("400 Messpunkte"));

    const Samples xy = make([](double x) { return 0.25 * x; }, 0, 4, 20, 0);
    const QStringList slope =
        FitReadout(FitCurve(FitModel::XYLinear, xy.span(0, 4)), {QStringLiteral("A"),
                                                                 QStringLiteral("V")});
    EXPECT_EQ(slope[1], QStringLiteral("m = 250 mA/V"));
    QLocale::setDefault(QLocale::c());
}
