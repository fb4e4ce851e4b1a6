#include "CurveFit.h"
#include "FitReadout.h"
#include "Readout.h"
#include "UserFit.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <numbers>
#include <random>
#include <vector>

using namespace kurvimat::analysis;
using kurvimat::display::ReadoutText;

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
    bool shuffled = false; ///< the points stored in another order than their times
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
        {"damped sine, points stored out of order", FitModel::DampedSine,
         [](double t) { return 1.5 * std::exp(-t / 2) * std::sin(2 * Pi * 3.3 * t + 0.7) + 2.5; },
         0, 2.7, 2000, 0.05, {1.5, 1 / 2.0, 3.3, 0.7, 2.5}, {0.02, 0.02, 0.003, 0.02, 0.005},
         0.99, true},
        {"one channel against the other", FitModel::XYLinear,
         [](double x) { return 3 * x + 1; }, -2, 2, 300, 0.02, {3, 1}, {0.01, 0.005}, 0.999},
        {"S-curve, rising", FitModel::Logistic,
         [](double t) { return 5 / (1 + std::exp(-(t - 2) / 0.5)); }, 0, 6, 600, 0.02,
         {5, 2, 0.5}, {0.01, 0.01, 0.01}, 0.999},
        // Seen from before its start: t₀ is a time of the measurement, not of the span.
        {"S-curve, falling, in seconds from 20 s", FitModel::Logistic,
         [](double t) { return 3 / (1 + std::exp((t - 70) / 8)); }, 20, 150, 500, 0.01,
         {3, 70, -8}, {0.01, 0.2, 0.2}, 0.999},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Samples s = make(row.truth, row.from, row.to, row.points, row.noise,
                         row.model == FitModel::XYLinear || row.shuffled);
        if (row.shuffled) s.t = s.x;
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

// Every entry of the model table: found by its number and its stored name, its parameters
// named, and for the nonlinear models derivatives that agree with the function's differences
// (a wrong one leaves the solver crawling, or stuck, without a failing fit to show it).
TEST(CurveFit, EveryModelEntryIsWhole) {
    for (const FitModelSpec& m : FitModels) {
        SCOPED_TRACE(m.Name);
        EXPECT_EQ(FindFitModel(m.Model), &m);
        EXPECT_EQ(FitModelNamed(QString::fromUtf8(m.Name)), m.Model);
        EXPECT_FALSE(FitFormula(m.Model).isEmpty());
        // The user's model brings its parameters and its formula with it.
        if (m.Model == FitModel::User) {
            EXPECT_EQ(m.ParameterCount, 0);
            EXPECT_TRUE(m.Raw && !m.Direct && !m.Function);
            continue;
        }
        ASSERT_GE(m.ParameterCount, 1);
        ASSERT_LE(m.ParameterCount, 5);
        for (int k = 0; k < m.ParameterCount; ++k)
            EXPECT_NE(m.ParameterNames[k], nullptr) << "parameter " << k;
        EXPECT_FALSE(FitFormula(m.Model).isEmpty());
        EXPECT_NE(m.Value, nullptr);
        EXPECT_NE(m.Readout, nullptr);
        EXPECT_NE(m.Direct != nullptr, m.Function != nullptr); // one way to solve
        if (!m.Function) continue;
        ASSERT_TRUE(m.Derivatives && m.Start && m.Physical);
        // Parameters of order one as the solver sees them, away from zero and symmetry.
        const double p0[5] = {1.3, 0.45, 0.7, 0.35, -0.2};
        for (const double t : {0.0, 0.15, 0.5, 0.9}) {
            if (m.Model == FitModel::PowerLaw && t == 0) continue; // tⁿ needs t > 0
            double d[5] = {};
            m.Derivatives(p0, t, d);
            for (int k = 0; k < m.ParameterCount; ++k) {
                double up[5], down[5];
                std::copy(p0, p0 + 5, up);
                std::copy(p0, p0 + 5, down);
                const double h = 1e-6;
                up[k] += h;
                down[k] -= h;
                const double numeric = (m.Function(up, t) - m.Function(down, t)) / (2 * h);
                EXPECT_NEAR(d[k], numeric, 1e-6 * std::max(1.0, std::fabs(numeric)))
                    << "parameter " << k << " at t = " << t;
            }
        }
    }
    EXPECT_FALSE(FitModelNamed(QStringLiteral("spline")).has_value());
    EXPECT_EQ(FindFitModel(FitModel(99)), nullptr);
    const FitResult unknown = FitCurve(FitModel(99), {});
    EXPECT_FALSE(unknown.Converged);
    EXPECT_FALSE(unknown.Error.isEmpty());
}

TEST(CurveFit, SaysWhatCannotBeFitted) {
    const QString tooFew = QStringLiteral("Zu wenige Messpunkte für diese Ausgleichskurve");
    const Samples flat = make([](double) { return 3.0; }, 0, 10, 50, 0);
    const Samples line = make([](double t) { return t; }, 0, 10, 11, 0);
    const Samples decay = make([](double t) { return 1 + 2 * std::exp(-t); }, 0, 3, 4, 0);
    const Samples cooling = make([](double t) { return 1 + 2 * std::exp(-t); }, 0, 3, 100, 0.01);
    // Two distinct times only: a parabola's curvature is open.
    const std::vector<float> twoT{1, 1, 1, 2, 2, 2}, twoY{1, 1.1, 0.9, 2, 2.1, 1.9};
    const auto user = [](const char* formula, std::vector<const char*> names,
                         std::vector<double> start) {
        auto m = std::make_shared<UserFitModel>();
        m->Formula = QString::fromUtf8(formula);
        for (const char* n : names)
            m->Names.push_back(QString::fromUtf8(n));
        m->Start = std::move(start);
        return m;
    };
    const QString open = QStringLiteral("Die Messpunkte bestimmen ");
    const QString language = QStringLiteral("“ ist ein Name der Formelsprache");
    struct Case {
        const char* name;
        FitModel model;
        FitSpan span;
        bool converged;
        QString error; ///< start of the text (or, with a user model, text within it)
        std::shared_ptr<UserFitModel> user = nullptr;
    } cases[] = {
        {"flat data, line", FitModel::Linear, flat.span(0, 10), true, {}},
        {"flat data, proportional", FitModel::Proportional, flat.span(0, 10), true, {}},
        {"flat data, exponential", FitModel::Exponential, flat.span(0, 10), false,
         QStringLiteral("Die Messwerte ändern sich nicht")},
        {"flat data, sine", FitModel::DampedSine, flat.span(0, 10), false,
         QStringLiteral("Die Messwerte ändern sich nicht")},
        // Points at 2, 3, 4: three for three parameters are not enough.
        {"3 points, exponential", FitModel::Exponential, line.span(2, 4), false, tooFew},
        {"4 points, exponential", FitModel::Exponential, decay.span(0, 3), true, {}},
        {"5 points, sine", FitModel::DampedSine, line.span(4, 8), false, tooFew},
        {"2 points, line", FitModel::Linear, line.span(3, 4), false, tooFew},
        {"span given backwards", FitModel::Linear, line.span(8, 2), true, {}},
        {"span beside the data", FitModel::Linear, line.span(20, 30), false, tooFew},
        {"no arrays", FitModel::Linear, FitSpan{}, false, tooFew},
        {"flat data, S-curve", FitModel::Logistic, flat.span(0, 10), false,
         QStringLiteral("Die Messwerte ändern sich nicht")},
        {"3 points, S-curve", FitModel::Logistic, line.span(2, 4), false, tooFew},
        {"all x equal", FitModel::XYLinear,
         FitSpan{line.t.data(), flat.y.data(), line.y.data(), 11, 0, 10}, false,
         QStringLiteral("Die Messwerte ändern sich nicht")},
        {"3 points, parabola", FitModel::Quadratic, line.span(2, 4), false, tooFew},
        {"two distinct times, parabola", FitModel::Quadratic,
         FitSpan{twoT.data(), twoT.data(), twoY.data(), 6, 0, 3}, false, open + "a nicht"},
        {"power law from t = 0", FitModel::PowerLaw, line.span(0, 10), false,
         QStringLiteral("Eine Potenzfunktion braucht Messpunkte mit t > 0")},
        {"power law from t = 1", FitModel::PowerLaw, line.span(1, 10), true, {}},
        {"user's model missing", FitModel::User, cooling.span(0, 3), false,
         QStringLiteral("Die eigene Funktion fehlt")},
        {"user's exponential", FitModel::User, cooling.span(0, 3), true, {},
         user("a+b*EXP(-x/tau)", {"a", "b", "tau"}, {0, 1, 2})},
        // k is in no term: no change of it changes the curve.
        {"a parameter the formula does not use", FitModel::User, cooling.span(0, 3), false,
         open + "k nicht", user("a+b*EXP(-x)", {"a", "b", "k"}, {0, 1, 1})},
        {"only their product counts", FitModel::User, cooling.span(0, 3), false, open,
         user("a+b*c*EXP(-x)", {"a", "b", "c"}, {0, 1, 1})},
        {"seven parameters", FitModel::User, cooling.span(0, 3), false,
         QStringLiteral("Eine eigene Funktion hat 1 bis 6 Parameter, nicht 7"),
         user("a+b+c+d+f+g+h", {"a", "b", "c", "d", "f", "g", "h"}, {1, 1, 1, 1, 1, 1, 1})},
        {"x as a parameter", FitModel::User, cooling.span(0, 3), false, "„x" + language,
         user("a*x", {"a", "x"}, {1, 1})},
        {"a function's name as a parameter", FitModel::User, cooling.span(0, 3), false,
         "„exp" + language, user("a*exp", {"a", "exp"}, {1, 1})},
        {"names equal but for case", FitModel::User, cooling.span(0, 3), false,
         QStringLiteral("Der Parametername „A“ kommt zweimal vor"),
         user("a*x", {"a", "A"}, {1, 1})},
        {"a name that is no name", FitModel::User, cooling.span(0, 3), false,
         QStringLiteral("„2a“ ist kein Parametername"), user("a*x", {"a", "2a"}, {1, 1})},
        {"no number to start from", FitModel::User, cooling.span(0, 3), false,
         QStringLiteral("Der Startwert von a ist keine Zahl"),
         user("a*x", {"a"}, {std::nan("")})},
        {"a name the formula does not know", FitModel::User, cooling.span(0, 3), false,
         QStringLiteral("unbekannter Name „Y“ an Stelle 3"), user("a*y", {"a"}, {1})},
        {"a series function", FitModel::User, cooling.span(0, 3), false,
         QStringLiteral("ABL an Stelle 3 rechnet über ganze Spalten"),
         user("a*ABL(x;x)", {"a"}, {1})},
        // Roots of negative numbers from x = 1 on: the start gives no curve to improve.
        {"no value at the start", FitModel::User, cooling.span(0, 3), false,
         QStringLiteral("Die Funktion hat mit den Startwerten bei x = "),
         user("SQRT(a-x)", {"a"}, {1})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FitResult fit = FitCurve(c.model, c.span, c.user.get());
        EXPECT_EQ(fit.Converged, c.converged) << fit.Error.toStdString();
        EXPECT_TRUE(fit.Error.startsWith(c.error) || (c.user && fit.Error.contains(c.error)))
            << fit.Error.toStdString();
        EXPECT_EQ(fit.Error.isEmpty(), c.converged);
        if (!c.converged) {
            EXPECT_TRUE(std::isnan(FitValue(fit, 1)));
            EXPECT_EQ(FitReadout(fit, {}), QStringList{fit.Error});
        }
    }
    // A line through constant values is that constant; R² is 0/0 there, shown as "–" with why.
    const FitResult level = FitCurve(FitModel::Linear, flat.span(0, 10));
    EXPECT_DOUBLE_EQ(level.P[0], 0);
    EXPECT_DOUBLE_EQ(level.P[1], 3);
    EXPECT_TRUE(std::isnan(level.RSquared));
    EXPECT_TRUE(FitReadout(level, {}).contains(
        QStringLiteral("R² = – (die Messwerte sind konstant: 0/0)")));
}

TEST(CurveFit, RefusesWhatThePointsDoNotDetermine) {
    // Each row: data a class could record, a model that cannot be pinned down on them, the
    // parameter named and the help offered.
    const struct Row {
        const char* name;
        FitModel model;
        std::function<double(double)> truth;
        double from, to;
        int points;
        double noise;
        const char* parameter;
        const char* help; ///< none: the solver finds no minimum
    } rows[] = {
        // The demo's 1 Hz sine at 500 ms: two points per period, alternating.
        {"sine sampled at twice its frequency", FitModel::DampedSine,
         [](double t) { return 2.5 + 1.5 * std::sin(2 * Pi * t); }, 0.1, 49.6, 100, 0, nullptr,
         "kürzeres Messintervall"},
        {"exponential on a straight line", FitModel::Exponential,
         [](double t) { return 0.2 + 0.03 * t; }, 0, 100, 400, 0, "τ", "längere Messdauer"},
        {"exponential on a noisy straight line", FitModel::Exponential,
         [](double t) { return 0.2 + 0.03 * t; }, 0, 100, 400, 0.01, "τ", "längere Messdauer"},
        {"exponential over a hundredth of τ", FitModel::Exponential,
         [](double t) { return 20 + 60 * std::exp(-t / 1000); }, 0, 10, 200, 0.01, "τ",
         "längere Messdauer"},
        // Noise where the approach should be: the solver finds no minimum to speak of.
        {"exponential drowned in noise", FitModel::Exponential,
         [](double t) { return 1 + 0.2 * std::exp(-t / 2); }, 0, 10, 200, 1, nullptr, nullptr},
        // Noise alone gives some frequency; its amplitude is not twice its uncertainty.
        {"damped sine on noise alone", FitModel::DampedSine, [](double) { return 0.0; }, 0, 2,
         400, 0.001, "A", "längere Messdauer oder weniger Rauschen"},
        {"sine over a fifth of a period", FitModel::DampedSine,
         [](double t) { return std::sin(2 * Pi * 0.02 * t + 1); }, 0, 10, 200, 0.01, nullptr,
         "längere Messdauer"},
        // No S: a rise without its turn, its middle beyond the measurement.
        {"S-curve on a straight line", FitModel::Logistic,
         [](double t) { return 0.2 + 0.03 * t; }, 0, 100, 400, 0.01, "t₀", "längere Messdauer"},
        // Over a hundredth of t the power rises by less than the noise: a factor and exponent
        // that trade against each other, the factor not twice its uncertainty.
        {"power law over a hundredth of t", FitModel::PowerLaw,
         [](double t) { return 2 * std::sqrt(t); }, 100, 101, 100, 1, "a",
         "längere Messdauer oder weniger Rauschen"},
        {"S-curve on its first quarter", FitModel::Logistic,
         [](double t) { return 5 / (1 + std::exp(-(t - 20) / 2)); }, 0, 15, 300, 0.001, "t₀",
         "längere Messdauer"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const Samples s = make(r.truth, r.from, r.to, r.points, r.noise);
        const FitResult fit = FitCurve(r.model, s.span(r.from, r.to));
        EXPECT_FALSE(fit.Converged);
        EXPECT_TRUE(std::isnan(FitValue(fit, r.from)));
        const QString text = fit.Error;
        if (!r.help) {
            EXPECT_EQ(text, QStringLiteral("Die Ausgleichskurve konvergiert nicht"));
            continue;
        }
        EXPECT_TRUE(text.startsWith(QStringLiteral("Die Messpunkte bestimmen "))) << text.toStdString();
        if (r.parameter) {
            EXPECT_TRUE(text.startsWith(QStringLiteral("Die Messpunkte bestimmen ") +
                                        QString::fromUtf8(r.parameter) + QLatin1Char(' ')))
                << text.toStdString();
        }
        EXPECT_TRUE(text.contains(QString::fromUtf8(r.help))) << text.toStdString();
    }
}

// The NIST Statistical Reference Datasets (public domain) in tests/data: their data and
// certified values.
struct Reference {
    std::vector<float> x, y;
    std::vector<double> xd, yd; ///< the same as written
    std::map<std::string, std::pair<double, double>> certified; ///< value, standard deviation
    std::string formula;        ///< the model in the formula language
    std::vector<std::string> names;
    std::vector<std::array<double, 2>> starts; ///< NIST's first and second start values
};

Reference readReference(const std::string& name) {
    Reference r;
    std::ifstream in(std::string(KURVIMAT_TEST_DATA) + "/" + name);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string first;
        if (!(words >> first) || first[0] == '#') continue;
        if (first == "formula") {
            words >> r.formula;
        } else if (first == "start") {
            std::string name;
            std::array<double, 2> start{};
            words >> name >> start[0] >> start[1];
            r.names.push_back(name);
            r.starts.push_back(start);
        } else if (first == "certified") {
            std::string key;
            double value = 0, sd = 0;
            words >> key >> value >> sd;
            r.certified[key] = {value, sd};
        } else {
            r.yd.push_back(std::stod(first));
            double x = 0;
            words >> x;
            r.xd.push_back(x);
            r.y.push_back(static_cast<float>(r.yd.back()));
            r.x.push_back(static_cast<float>(x));
        }
    }
    return r;
}

// Sum of squared residuals of the fitted curve with parameter k moved by delta.
double residualSum(FitResult fit, const Reference& r, int k = 0, double delta = 0) {
    fit.P[static_cast<std::size_t>(k)] += delta;
    double sum = 0;
    for (std::size_t i = 0; i < r.x.size(); ++i) {
        const double e = r.y[i] - FitValue(fit, r.x[i]);
        sum += e * e;
    }
    return sum;
}

TEST(CurveFit, AgreesWithTheNistReferenceDatasets) {
    const struct Row {
        const char* file;
        FitModel model;
        const char* slope; ///< certified name of a·t's a, or of the line's a and b
        const char* intercept;
        double digits; ///< relative agreement, in decimal digits
    } rows[] = {
        // Integer data: exact in single precision, the certified values hold to the last digit.
        {"nist_noint1.txt", FitModel::Proportional, "B1", nullptr, 13},
        {"nist_noint2.txt", FitModel::Proportional, "B1", nullptr, 13},
        // Decimal data: stored as 32-bit floats, whose rounding moves the small intercept and
        // the residuals in the sixth digit.
        {"nist_norris.txt", FitModel::Linear, "B1", "B0", 4.5},
        // Two-parameter models y = b1·(1 − e^(−b2·x)) inside the three-parameter approach:
        // its optimum explains at least as much.
        {"nist_misra1a.txt", FitModel::Exponential, nullptr, nullptr, 6},
        {"nist_boxbod.txt", FitModel::Exponential, nullptr, nullptr, 6},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        const Reference r = readReference(row.file);
        ASSERT_GE(r.x.size(), 3u);
        const FitSpan span{r.x.data(), r.x.data(), r.y.data(), static_cast<int>(r.x.size()),
                           -1e9, 1e9};
        const FitResult fit = FitCurve(row.model, span);
        ASSERT_TRUE(fit.Converged) << fit.Error.toStdString();
        const double tolerance = std::pow(10.0, -row.digits);
        const auto agrees = [&](double got, const char* name, bool sd) {
            const auto [value, deviation] = r.certified.at(name);
            const double want = sd ? deviation : value;
            EXPECT_NEAR(got, want, tolerance * std::fabs(want)) << name << (sd ? " sd" : "");
        };
        const double freedom = static_cast<double>(r.x.size()) - fit.ParameterCount;
        if (row.slope) {
            agrees(fit.P[0], row.slope, false);
            agrees(fit.Sigma[0], row.slope, true);
            agrees(fit.RSquared, "r_squared", false);
            agrees(std::sqrt(residualSum(fit, r) / freedom), "residual_sd", false);
            EXPECT_EQ(fit.RSquaredUncentred, row.model == FitModel::Proportional);
        }
        if (row.intercept) {
            agrees(fit.P[1], row.intercept, false);
            agrees(fit.Sigma[1], row.intercept, true);
        }
        if (row.slope) {
            // A second opinion on the stored floats themselves: centred sums in long double.
            long double mx = 0, my = 0;
            const bool centred = row.intercept != nullptr;
            if (centred) {
                for (std::size_t i = 0; i < r.x.size(); ++i) {
                    mx += r.x[i];
                    my += r.y[i];
                }
                mx /= r.x.size();
                my /= r.x.size();
            }
            long double sxy = 0, sxx = 0;
            for (std::size_t i = 0; i < r.x.size(); ++i) {
                sxy += (r.x[i] - mx) * (r.y[i] - my);
                sxx += (r.x[i] - mx) * (r.x[i] - mx);
            }
            const double slope = static_cast<double>(sxy / sxx);
            EXPECT_NEAR(fit.P[0], slope, 1e-13 * std::fabs(slope));
            if (centred) {
                const double intercept = static_cast<double>(my - sxy / sxx * mx);
                EXPECT_NEAR(fit.P[1], intercept, 1e-12 * std::fabs(intercept));
            }
        }
        if (row.model == FitModel::Exponential) {
            const double rss = residualSum(fit, r);
            EXPECT_LE(rss, r.certified.at("rss").first * (1 + tolerance));
            // The optimum: a step of a hundredth of its uncertainty either way along any
            // parameter leaves more residual.
            for (int k = 0; k < fit.ParameterCount; ++k)
                for (const double side : {-1.0, 1.0})
                    EXPECT_GE(residualSum(fit, r, k, side * 0.01 * fit.Sigma[k]), rss)
                        << "parameter " << k;
        }
    }
}

// The user's model on NIST's problems of lower (Misra1a, Chwirut2, Misra1b) and average
// difficulty (Misra1c, Roszman1, MGH17, Lanczos2 with six parameters), from both of NIST's start
// values: the certified parameters to 6 significant digits, their standard deviations to 3.
// Thurber (higher difficulty) has seven parameters, one more than a user's model takes.
TEST(CurveFit, UserModelReachesTheNistCertifiedValuesFromBothStarts) {
    for (const char* file : {"nist_misra1a.txt", "nist_chwirut2.txt", "nist_misra1b.txt",
                             "nist_misra1c.txt", "nist_roszman1.txt", "nist_mgh17.txt",
                             "nist_lanczos2.txt"}) {
        const Reference r = readReference(file);
        ASSERT_FALSE(r.formula.empty()) << file;
        for (const int start : {0, 1}) {
            SCOPED_TRACE(std::string(file) + (start ? ", start 2" : ", start 1"));
            UserFitModel model{QString::fromStdString(r.formula), {}, {}};
            for (std::size_t k = 0; k < r.names.size(); ++k) {
                model.Names.push_back(QString::fromStdString(r.names[k]));
                model.Start.push_back(r.starts[k][std::size_t(start)]);
            }
            const FitResult fit = FitPointsCurve(FitModel::User, r.xd, r.yd, &model);
            ASSERT_TRUE(fit.Converged) << fit.Error.toStdString();
            ASSERT_EQ(fit.ParameterCount, int(r.names.size()));
            for (std::size_t k = 0; k < r.names.size(); ++k) {
                const auto [value, sd] = r.certified.at(r.names[k]);
                EXPECT_NEAR(fit.P[k], value, 1e-6 * std::fabs(value)) << r.names[k];
                EXPECT_NEAR(fit.Sigma[k], sd, 1e-3 * sd) << r.names[k] << " sd";
            }
            // The curve drawn is the fitted one: its residuals are the certified ones.
            double rss = 0;
            for (std::size_t i = 0; i < r.xd.size(); ++i)
                rss += std::pow(r.yd[i] - FitValue(fit, r.xd[i]), 2);
            EXPECT_NEAR(rss, r.certified.at("rss").first, 1e-8 * r.certified.at("rss").first);
        }
    }
}

// The parabola and the power law against scipy.optimize.curve_fit on the same 32-bit points
// (fixtures/fit_reference.py): parameters, their uncertainties (pcov) and R².
TEST(CurveFit, AgreesWithScipyCurveFit) {
    std::ifstream in(FIT_REFERENCE);
    ASSERT_TRUE(in.good());
    struct Case {
        std::string name;
        FitModel model{};
        std::vector<float> x, y;
        std::vector<double> p, sigma;
        double r2 = 0;
    };
    std::vector<Case> cases;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string key;
        if (!(words >> key) || key[0] == '#') continue;
        if (key == "case") {
            std::string model;
            cases.emplace_back();
            words >> cases.back().name >> model;
            const auto m = FitModelNamed(QString::fromStdString(model));
            ASSERT_TRUE(m.has_value()) << model;
            cases.back().model = *m;
            continue;
        }
        ASSERT_FALSE(cases.empty());
        Case& c = cases.back();
        for (double v = 0; words >> v;) {
            if (key == "x") c.x.push_back(static_cast<float>(v));
            if (key == "y") c.y.push_back(static_cast<float>(v));
            if (key == "p") c.p.push_back(v);
            if (key == "sigma") c.sigma.push_back(v);
            if (key == "r2") c.r2 = v;
        }
    }
    ASSERT_EQ(cases.size(), 8u);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.x.size(), c.y.size());
        const FitSpan span{c.x.data(), c.x.data(), c.y.data(), static_cast<int>(c.x.size()),
                           -1e9, 1e9};
        const FitResult fit = FitCurve(c.model, span);
        ASSERT_TRUE(fit.Converged) << fit.Error.toStdString();
        ASSERT_EQ(fit.ParameterCount, static_cast<int>(c.p.size()));
        for (std::size_t k = 0; k < c.p.size(); ++k) {
            // curve_fit's own Jacobian is by differences: its pcov holds to about 1e-6.
            EXPECT_NEAR(fit.P[k], c.p[k], 1e-7 * std::fabs(c.p[k])) << "parameter " << k;
            EXPECT_NEAR(fit.Sigma[k], c.sigma[k], 1e-5 * c.sigma[k]) << "parameter " << k;
        }
        EXPECT_NEAR(fit.RSquared, c.r2, 1e-9);
    }
}

TEST(CurveFit, ReadoutShowsEachParameterWithItsUncertainty) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const auto result = [](FitModel model, std::vector<double> p, std::vector<double> sigma) {
        FitResult fit;
        fit.Model = model;
        fit.ParameterCount = FitParameterCount(model);
        fit.Converged = true;
        fit.PointCount = 166;
        fit.RSquared = 0.999371;
        fit.Origin = 73;
        for (std::size_t k = 0; k < p.size(); ++k) {
            fit.P[k] = p[k];
            fit.Sigma[k] = sigma[k];
        }
        if (model == FitModel::DampedSine) {
            fit.Damping = 1 / p[1];
            fit.DampingSigma = sigma[1] / (p[1] * p[1]);
        }
        fit.RSquaredUncentred = model == FitModel::Proportional;
        return fit;
    };
    const struct Row {
        const char* name;
        FitResult fit;
        FitUnits units;
        std::vector<const char*> lines; ///< after the formula, before "166 Messpunkte"
    } rows[] = {
        {"cooling of the demo's channel B",
         result(FitModel::Exponential, {0.80021, 3.1987, 120.04}, {0.00043, 0.0021, 0.31}),
         TimeFitUnits(QStringLiteral("V"), false),
         {"a = 800,2 ± 0,4 mV", "b = 3,199 ± 0,002 V", "τ = 120,0 ± 0,3 s", "t₀ = 73 s",
          "R² = 0,99937"}},
        {"the same in minutes",
         result(FitModel::Exponential, {0.80021, 3.1987, 120.04}, {0.00043, 0.0021, 0.31}),
         TimeFitUnits(QStringLiteral("V"), true),
         {"a = 800,2 ± 0,4 mV", "b = 3,199 ± 0,002 V", "τ = 2,001 ± 0,005 min",
          "t₀ = 1,217 min", "R² = 0,99937"}},
        {"warming in °C per minute", result(FitModel::Linear, {0.0251, 19.87}, {0.00014, 0.36}),
         TimeFitUnits(QString::fromUtf8("°C"), true),
         {"a = 1,506 ± 0,008 °C/min", "b = 19,9 ± 0,4 °C", "R² = 0,99937"}},
        {"through the origin, about zero", result(FitModel::Proportional, {2.0744}, {0.0165}),
         TimeFitUnits(QStringLiteral("V"), false),
         {"a = 2,074 ± 0,017 V/s", "R² = 0,99937 (bezogen auf 0)"}},
        {"undamped sine",
         result(FitModel::DampedSine, {1.5002, 1e7, 1.00003, 0.4, 2.5001},
                {0.0012, 2e7, 0.00004, 0.0011, 0.0008}),
         TimeFitUnits(QStringLiteral("V"), false),
         {"A = 1,5002 ± 0,0012 V", "τ = ∞ (ungedämpft)", "f = 1,00003 ± 0,00004 Hz",
          "φ = 22,92 ± 0,06 °", "c = 2,5001 ± 0,0008 V", "t₀ = 73 s", "R² = 0,99937"}},
        {"damped sine", result(FitModel::DampedSine, {1.5, 2.002, 3.3, -0.7, 0}, {0.02, 0.0275,
                                                                              0.003, 0.02, 0.005}),
         TimeFitUnits(QStringLiteral("V"), false),
         {"A = 1,50 ± 0,02 V", "τ = 2,00 ± 0,03 s", "f = 3,300 ± 0,003 Hz", "φ = -40,1 ± 1,1 °",
          "c = 0 ± 5 mV", "t₀ = 73 s", "R² = 0,99937"}},
        {"S-curve of a charging capacitor",
         result(FitModel::Logistic, {5.0012, 2.0003, 0.4998}, {0.0015, 0.0011, 0.0009}),
         TimeFitUnits(QStringLiteral("V"), false),
         {"c = 5,0012 ± 0,0015 V", "t₀ = 2,0003 ± 0,0011 s", "τ = 499,8 ± 0,9 ms",
          "R² = 0,99937"}},
        {"one channel against the other", result(FitModel::XYLinear, {0.25, -0.0031}, {2e-4, 0.0011}),
         FitUnits{QStringLiteral("A"), QStringLiteral("V")},
         {"m = 250,0 ± 0,2 mA/V", "b = -3,1 ± 1,1 mA", "R² = 0,99937"}},
        {"a length against a mass, in prefixed units",
         result(FitModel::XYLinear, {0.0398, 1.2}, {0.0008, 0.05}),
         FitUnits{QStringLiteral("cm"), QStringLiteral("g")},
         {"m = 0,0398 ± 0,0008 cm/g", "b = 1,20 ± 0,05 cm", "R² = 0,99937"}},
        // Per minute squared: a·t² with t in minutes is 3600 times a in seconds.
        {"a parabola in minutes", result(FitModel::Quadratic, {2e-4, 0.05, 20}, {1e-6, 2e-4, 0.01}),
         TimeFitUnits(QString::fromUtf8("°C"), true),
         {"a = 0,720 ± 0,004 °C/min²", "b = 3,000 ± 0,012 °C/min", "c = 20,000 ± 0,010 °C",
          "R² = 0,99937"}},
        {"a parabola of one channel against the other",
         result(FitModel::XYQuadratic, {0.7, -1.3, 0.2}, {0.003, 0.004, 0.007}),
         FitUnits{QStringLiteral("m"), QStringLiteral("s")},
         {"a = 700 ± 3 mm/s²", "b = -1,300 ± 0,004 m/s", "c = 200 ± 7 mm", "R² = 0,99937"}},
        // The exponent has no unit; a is the value at t = 1 s.
        {"a power law", result(FitModel::PowerLaw, {2.0065, 0.50183}, {0.0016, 0.0018}),
         TimeFitUnits(QStringLiteral("V"), false),
         {"a = 2,0065 ± 0,0016 V", "n = 0,5018 ± 0,0018", "R² = 0,99937"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QStringList want{FitFormula(r.fit.Model)};
        for (const char* line : r.lines)
            want << QString::fromUtf8(line);
        want << QStringLiteral("166 Messpunkte");
        EXPECT_EQ(FitReadout(r.fit, r.units).join(u'|').toStdString(), want.join(u'|').toStdString());
        // The copied rows: every parameter, R² and the count, one digit more.
        const ReadoutTable table = FitTable(r.fit, r.units, QStringLiteral("Ausgleichskurve B"));
        EXPECT_EQ(table.size(), static_cast<qsizetype>(r.lines.size()) + 1);
    }
    // The user's model: its own formula and parameter names, no units.
    FitResult own = result(FitModel::User, {}, {});
    own.User = UserFitCurve::Compile({QStringLiteral("a*(1-EXP(-b*x))"),
                                      {QStringLiteral("a"), QStringLiteral("b")},
                                      {1, 1}});
    ASSERT_TRUE(own.User);
    own.ParameterCount = 2;
    own.P = {238.94, 5.5016e-4};
    own.Sigma = {2.7, 7.3e-6};
    EXPECT_EQ(FitReadout(own, TimeFitUnits(QStringLiteral("V"), false)).join(u'|').toStdString(),
              "y = a*(1-EXP(-b*x))|a = 239 ± 3|b = 0,000550 ± 0,000007|R² = 0,99937|"
              "166 Messpunkte");
    EXPECT_DOUBLE_EQ(FitValue(own, 1000), 238.94 * (1 - std::exp(-0.55016)));
    // In the copied text the value and its uncertainty have cells of their own.
    const ReadoutTable table =
        FitTable(rows[0].fit, rows[0].units, QStringLiteral("Ausgleichskurve B"));
    const QStringList text = ReadoutText(table).split(QStringLiteral("\r\n"));
    ASSERT_EQ(text.size(), 3);
    EXPECT_EQ(text[0].toStdString(),
              "Ausgleichskurve B a (mV)\tAusgleichskurve B u(a) (mV)\tAusgleichskurve B b (V)\t"
              "Ausgleichskurve B u(b) (V)\tAusgleichskurve B τ (s)\tAusgleichskurve B u(τ) (s)\t"
              "Ausgleichskurve B t₀ (s)\tAusgleichskurve B R²\t"
              "Ausgleichskurve B Messpunkte");
    EXPECT_EQ(text[1].toStdString(), "800,21\t0,43\t3,1987\t0,0021\t120,04\t0,31\t73\t0,999371\t166");
    EXPECT_TRUE(text[2].isEmpty());
    // A fit that did not converge says only why.
    FitResult none;
    none.Error = QStringLiteral("Die Ausgleichskurve konvergiert nicht");
    EXPECT_EQ(FitReadout(none, {}), QStringList{none.Error});
    EXPECT_TRUE(FitTable(none, {}, QStringLiteral("x")).isEmpty());
    QLocale::setDefault(QLocale::c());
}
