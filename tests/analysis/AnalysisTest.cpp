#include "CursorState.h"
#include "Measure.h"
#include "MeasurementStore.h"
#include "PlotZoom.h"
#include "Readout.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <memory>
#include <numbers>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

using namespace kurvimat::analysis;
using namespace kurvimat::display;

namespace {

// A signal sampled every `step` seconds from t0, as a sweep stores it.
struct Signal {
    std::vector<float> t, v;
    template <typename F> Signal(double t0, double step, int n, F f) {
        for (int i = 0; i < n; ++i) {
            t.push_back(static_cast<float>(t0 + i * step));
            v.push_back(static_cast<float>(f(t0 + i * step, i)));
        }
    }
    PointSeries series() const { return {t.data(), v.data(), static_cast<int>(t.size())}; }
};

double demoSine(double t, int) {
    return 2.5 + 1.5 * std::sin(2 * std::numbers::pi * t);
}

struct GermanLocale : ::testing::Test {
    GermanLocale() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    ~GermanLocale() override { QLocale::setDefault(QLocale::c()); }
};

TEST(Measure, InterpolationBetweenStoredPoints) {
    const Signal ramp(0, 0.5, 5, [](double t, int) { return 10 * t; }); // 0, 5, ... 20
    const Signal single(1, 1, 1, [](double, int) { return 7; });
    const struct {
        const char* name;
        const Signal& s;
        double t;
        std::optional<double> expected;
    } rows[] = {
        {"on a point", ramp, 0.5, 5},
        {"between points", ramp, 0.75, 7.5},
        {"last point", ramp, 2.0, 20},
        {"before the data", ramp, -0.01, std::nullopt},
        {"after the data", ramp, 2.01, std::nullopt},
        {"single point hit", single, 1, 7},
        {"single point missed", single, 1.5, std::nullopt},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const auto v = InterpolateAt(r.s.series(), r.t);
        ASSERT_EQ(v.has_value(), r.expected.has_value());
        if (v) {
            EXPECT_NEAR(*v, *r.expected, 1e-5);
        }
    }
    EXPECT_FALSE(InterpolateAt({}, 0));
}

TEST(Measure, StatisticsOfKnownSignals) {
    // The demo's sine over exactly two periods, a noisy copy whose noise crosses the mean
    // many times, a ramp of 0.5 per second, flat data, two points.
    const Signal sine(0, 0.005, 401, demoSine);
    const Signal noisy(0, 0.005, 401,
                       [](double t, int i) { return demoSine(t, i) + (i % 2 ? 0.2 : -0.2); });
    const Signal ramp(-1, 0.01, 301, [](double t, int) { return 3 + 0.5 * t; });
    const Signal flat(0, 0.1, 50, [](double, int) { return 3; });
    // Noise alone (sums of uniform steps from a fixed generator) has no period.
    unsigned seed = 12345;
    const auto uniform = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) / 16777216.0 - 0.5;
    };
    const Signal noise(0, 0.01, 500, [&](double, int) {
        return 3.5 + 0.02 * (uniform() + uniform() + uniform() + uniform());
    });
    const SpanStatistics noiseStats = StatisticsOver(noise.series(), 0, 5);
    EXPECT_GT(noiseStats.PeakPeak(), 0.03);
    EXPECT_FALSE(noiseStats.Frequency);
    const Signal two(0, 1, 2, [](double t, int) { return 4 - 2 * t; });
    const double rmsSine = std::sqrt(2.5 * 2.5 + 1.5 * 1.5 / 2);
    // Least squares over two periods: 1.5 * integral of (t - 1) sin(2 pi t) / integral of
    // (t - 1)^2 over 0 .. 2, a sine leans against its own start.
    const double slopeSine = 1.5 * (-1 / std::numbers::pi) / (2.0 / 3);
    const struct {
        const char* name;
        const Signal& s;
        double t1, t2;
        int count;
        double min, max, mean, rms;
        std::optional<double> slope, frequency, stdDev;
        double tolerance;
    } rows[] = {
        // Sample standard deviations (n - 1): the sine's 400 steps give 1,5 / sqrt(2) exactly;
        // the noise adds 401 * 0,04 to the squares; the ramp's 101 even steps of 5 mV give
        // 5 mV * sqrt(101 * 102 / 12).
        {"sine", sine, 0, 2, 401, 1, 4, 2.5, rmsSine, slopeSine, 1.0, 1.5 / std::sqrt(2.0), 2e-3},
        {"sine, cursors swapped", sine, 2, 0, 401, 1, 4, 2.5, rmsSine, slopeSine, 1.0,
         1.5 / std::sqrt(2.0), 2e-3},
        {"noisy sine", noisy, 0, 2, 401, 0.8, 4.2, 2.5, std::sqrt(rmsSine * rmsSine + 0.04),
         slopeSine, 1.0, std::sqrt((450 + 401 * 0.04) / 400), 2e-3},
        {"ramp", ramp, 0, 1, 101, 3, 3.5, 3.25, std::sqrt(10.5625 + 0.25 * 0.25 / 3), 0.5,
         std::nullopt, 0.005 * std::sqrt(101 * 102 / 12.0), 2e-3},
        {"flat", flat, 0, 10, 50, 3, 3, 3, 3, 0.0, std::nullopt, 0.0, 1e-6},
        {"two points", two, 0, 1, 2, 2, 4, 3, std::sqrt(10.0), -2.0, std::nullopt, std::sqrt(2.0),
         1e-6},
        {"one point", two, 0.5, 1, 1, 2, 2, 2, 2, std::nullopt, std::nullopt, std::nullopt, 1e-6},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const SpanStatistics st = StatisticsOver(r.s.series(), r.t1, r.t2);
        EXPECT_EQ(st.Count, r.count);
        EXPECT_NEAR(st.Min, r.min, r.tolerance);
        EXPECT_NEAR(st.Max, r.max, r.tolerance);
        EXPECT_NEAR(st.PeakPeak(), r.max - r.min, 2 * r.tolerance);
        EXPECT_NEAR(st.Mean, r.mean, r.tolerance);
        EXPECT_NEAR(st.Rms, r.rms, r.tolerance);
        ASSERT_EQ(st.Slope.has_value(), r.slope.has_value());
        if (st.Slope) {
            // Sums over samples stand for integrals: one percent apart.
            EXPECT_NEAR(*st.Slope, *r.slope, r.tolerance + 0.01 * std::fabs(*r.slope));
        }
        ASSERT_EQ(st.Frequency.has_value(), r.frequency.has_value());
        if (st.Frequency) {
            EXPECT_NEAR(*st.Frequency, *r.frequency, r.tolerance);
        }
        ASSERT_EQ(st.StdDev.has_value(), r.stdDev.has_value());
        if (st.StdDev) {
            EXPECT_NEAR(*st.StdDev, *r.stdDev, r.tolerance);
        }
    }
    EXPECT_EQ(StatisticsOver(sine.series(), 5, 6).Count, 0);
    // A ripple of 1/64 on an offset of 1e5 (both exact in single precision): the sum of
    // squares less n mean^2 loses it.
    const Signal offset(0, 0.01, 1000, [](double, int i) { return 1e5 + (i % 2 ? 1 : -1) / 64.0; });
    EXPECT_NEAR(*StatisticsOver(offset.series(), 0, 10).StdDev, std::sqrt(1000 / 999.0) / 64, 1e-9);
}

TEST(Measure, FrequencyOfAnyPeriodicSignalWithinOnePercent) {
    enum class Shape { Sine, Pulse, Triangle, Noise, Drift, Step, SineOnSlope };
    const struct Row {
        const char* name;
        Shape shape;
        double pointsPerPeriod, periods;
        double duty;  ///< of a pulse: the share of the period at the high level
        double noise; ///< standard deviation, against an amplitude of 1
        bool found;
    } rows[] = {
        {"sine, 4 points", Shape::Sine, 4, 2, 0, 0, true},
        {"sine, 4.3 points", Shape::Sine, 4.3, 2, 0, 0, true},
        {"sine, 4.7 points, 2.2 periods", Shape::Sine, 4.7, 2.2, 0, 0, true},
        {"sine, 5.5 points", Shape::Sine, 5.5, 3, 0, 0, true},
        {"sine, 7.3 points", Shape::Sine, 7.3, 2.5, 0, 0, true},
        {"sine, 9 points", Shape::Sine, 9, 2, 0, 0, true},
        {"sine, 11.8 points", Shape::Sine, 11.8, 2, 0, 0, true},
        {"sine, 13.7 points", Shape::Sine, 13.7, 2, 0, 0, true},
        {"sine, 100 points", Shape::Sine, 100, 2, 0, 0, true},
        {"sine, 1000 points", Shape::Sine, 1000, 2, 0, 0, true},
        {"sine, 4.3 points, 2000 periods", Shape::Sine, 4.3, 2000, 0, 0, true},
        {"noisy sine, 4.3 points", Shape::Sine, 4.3, 20, 0, 0.05, true},
        {"noisy sine, 6.1 points, 3 periods", Shape::Sine, 6.1, 3, 0, 0.02, true},
        {"noisy sine, 50 points", Shape::Sine, 50, 3, 0, 0.05, true},
        {"noisy sine, 1000 points", Shape::Sine, 1000, 2, 0, 0.02, true},
        {"pulse 5 %, 20 points", Shape::Pulse, 20, 4, 0.05, 0, true},
        {"pulse 25 %, 100 points", Shape::Pulse, 100, 2, 0.25, 0, true},
        {"pulse 50 %, 4 points", Shape::Pulse, 4, 5, 0.5, 0, true},
        {"pulse 50 %, 10.5 points, 20 periods", Shape::Pulse, 10.5, 20, 0.5, 0, true},
        {"pulse 95 %, 20 points", Shape::Pulse, 20, 4, 0.95, 0, true},
        {"pulse 10 %, 1000 points", Shape::Pulse, 1000, 2, 0.1, 0, true},
        {"noisy pulse 25 %, 100 points", Shape::Pulse, 100, 3, 0.25, 0.05, true},
        {"noisy pulse 75 %, 40 points", Shape::Pulse, 40, 5, 0.75, 0.1, true},
        {"triangle, 4 points", Shape::Triangle, 4, 3, 0, 0, true},
        {"triangle, 4.6 points", Shape::Triangle, 4.6, 2, 0, 0, true},
        {"triangle, 50 points", Shape::Triangle, 50, 2, 0, 0, true},
        {"triangle, 1000 points", Shape::Triangle, 1000, 2, 0, 0, true},
        {"noisy triangle, 30 points", Shape::Triangle, 30, 4, 0, 0.05, true},
        {"noise alone, 500 points", Shape::Noise, 500, 1, 0, 0.1, false},
        {"noise alone, 40 points", Shape::Noise, 40, 1, 0, 0.1, false},
        {"one step", Shape::Step, 100, 1, 0, 0.01, false},
        {"one period", Shape::Sine, 20, 1, 0, 0, false},
        // Edges move with their sampling phase; over fifty periods that averages out.
        {"pulse 50 %, 4.37 points, 50 periods", Shape::Pulse, 4.37, 50, 0.5, 0, true},
        {"noisy triangle, 4.16 points, 9.4 periods", Shape::Triangle, 4.16, 9.36, 0, 0.03, true},
        {"noise that wanders, 300 points", Shape::Drift, 300, 1, 0, 0.1, false},
        {"noise that wanders, 60 points", Shape::Drift, 60, 1, 0, 0.1, false},
        // 2,5 + 1,5 sin(2 pi f t) + 0,2 f t over whole periods: a baseline that drifts
        {"sine on a drifting baseline, 2 periods", Shape::SineOnSlope, 100, 2, 0, 0, true},
        {"sine on a drifting baseline, 4.5 periods", Shape::SineOnSlope, 40, 4.5, 0, 0, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const double step = 0.005, f = 1 / (r.pointsPerPeriod * step), phase = 0.137;
        std::mt19937 random(11);
        std::normal_distribution<double> gauss(0, r.noise > 0 ? r.noise : 1);
        double wander = 0;
        const int n = static_cast<int>(r.periods * r.pointsPerPeriod) + 1;
        const Signal s(-0.1, step, n, [&](double t, int) {
            const double cycle = (t + 0.1) * f + phase, x = cycle - std::floor(cycle);
            double v = 0;
            switch (r.shape) {
            case Shape::Sine: v = std::sin(2 * std::numbers::pi * cycle); break;
            case Shape::Pulse: v = x < r.duty ? 1 : -1; break;
            case Shape::Triangle: v = x < 0.5 ? 4 * x - 1 : 3 - 4 * x; break;
            case Shape::Noise: v = 0; break;
            case Shape::Drift: wander = 0.8 * wander + gauss(random); v = wander; break;
            case Shape::Step: v = t < 0.1 ? -1 : 1; break;
            case Shape::SineOnSlope:
                v = std::sin(2 * std::numbers::pi * (t + 0.1) * f) + 0.2 / 1.5 * (t + 0.1) * f;
                break;
            }
            return 2.5 + 1.5 * v + 1.5 * (r.noise > 0 ? gauss(random) : 0);
        });
        const SpanStatistics st = StatisticsOver(s.series(), -1, 1e6);
        ASSERT_EQ(st.Count, n);
        ASSERT_EQ(st.Frequency.has_value(), r.found);
        if (st.Frequency) {
            EXPECT_NEAR(*st.Frequency / f, 1, 0.01);
        }
    }
}

TEST(Measure, PointsAreChosenByTimeWhateverTheirOrder) {
    // The demo's sine as a sweep stores it, and the same points backwards and shuffled, as a
    // loaded text may hold them: every span computation gives the same.
    const Signal sorted(-0.1, 0.005, 400, demoSine);
    Signal backwards = sorted, shuffled = sorted;
    std::reverse(backwards.t.begin(), backwards.t.end());
    std::reverse(backwards.v.begin(), backwards.v.end());
    std::vector<int> order(400);
    for (int i = 0; i < 400; ++i)
        order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(3));
    for (int i = 0; i < 400; ++i) {
        shuffled.t[i] = sorted.t[order[i]];
        shuffled.v[i] = sorted.v[order[i]];
    }
    EXPECT_TRUE(TimesAscend(sorted.series()));
    EXPECT_FALSE(TimesAscend(backwards.series()));
    const SpanStatistics want = StatisticsOver(sorted.series(), 0.25, 1.85);
    ASSERT_EQ(want.Count, 321); // 0,25 s to 1,85 s in steps of 5 ms
    ASSERT_TRUE(want.Frequency && want.Integral && want.Slope && want.At1 && want.At2);
    for (const Signal* s : {&backwards, &shuffled}) {
        SCOPED_TRACE(s == &backwards ? "backwards" : "shuffled");
        const SpanStatistics got = StatisticsOver(s->series(), 1.85, 0.25);
        EXPECT_EQ(got.Count, want.Count);
        EXPECT_EQ(got.Min, want.Min);
        EXPECT_EQ(got.Max, want.Max);
        EXPECT_NEAR(got.Mean, want.Mean, 1e-12);
        EXPECT_NEAR(*got.Slope, *want.Slope, 1e-9);
        EXPECT_NEAR(*got.Frequency, *want.Frequency, 1e-9);
        EXPECT_NEAR(*got.Integral, *want.Integral, 1e-9);
        EXPECT_NEAR(*got.At1, *want.At2, 1e-12);
        EXPECT_NEAR(*InterpolateAt(s->series(), 0.2525), *InterpolateAt(sorted.series(), 0.2525),
                    1e-12);
        const int nearest = NearestInTime(s->series(), 0.5012, 0.01);
        ASSERT_GE(nearest, 0);
        EXPECT_EQ(s->t[nearest], sorted.t[120]);
        EXPECT_EQ(NearestInTime(s->series(), 2.1, 0.01), -1);
        SpanBuffer buffer;
        const PointSeries span = SelectSpan(s->series(), 0.25, 1.85, buffer);
        ASSERT_EQ(span.Count, want.Count);
        EXPECT_TRUE(std::is_sorted(span.T, span.T + span.Count));
    }
}

TEST(Measure, NearestPointAndSteppingFromPointToPoint) {
    const Signal s(0, 0.1, 11, demoSine); // 0 .. 1 s
    const PointSeries p = s.series();
    EXPECT_EQ(NearestInTime(p, 0.34, 0.05), 3);
    EXPECT_EQ(NearestInTime(p, 0.36, 0.05), 4);
    EXPECT_EQ(NearestInTime(p, -0.04, 0.05), 0);
    EXPECT_EQ(NearestInTime(p, 1.06, 0.05), -1);
    EXPECT_EQ(NearestInTime({}, 0, 1), -1);

    const struct {
        const char* name;
        double from;
        int steps;
        double to;
    } rows[] = {
        {"from a point right", 0.3, 1, 0.4}, {"from a point left", 0.3, -1, 0.2},
        {"between, right", 0.35, 1, 0.4},    {"between, left", 0.35, -1, 0.3},
        {"ten at once", 0.0, 10, 1.0},       {"clamped at the end", 0.5, 100, 1.0},
        {"beyond the last", 1.2, 1, 1.2},    {"before the first, left", -0.5, -1, -0.5},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_NEAR(SteppedPosition(static_cast<float>(r.from), r.steps, p, 0.001), r.to, 1e-6);
    }
    EXPECT_DOUBLE_EQ(SteppedPosition(2.0, -3, {}, 0.25), 1.25);
    // Points stored out of time order are stepped through by time.
    const float shuffled[] = {0.4f, 0.1f, 0.3f, 0.0f, 0.2f};
    for (const auto& [from, steps, to] : {std::tuple{0.1, 1, 0.2}, {0.3, -1, 0.2}, {0.0, 3, 0.3}}) {
        SCOPED_TRACE(from);
        EXPECT_FLOAT_EQ(
            SteppedPosition(static_cast<float>(from), steps, {shuffled, nullptr, 5}, 0.001), to);
    }
}

TEST(Measure, TangentFromTheParabolaThroughTheNearestPoints) {
    // Curves whose slope is known: exact on a line and a parabola wherever t lies, the sine's
    // bend across eleven of 200 points per period about 0,3 % low.
    const Signal line(0, 0.1, 30, [](double t, int) { return 4 - 2.5 * t; });
    const Signal parabola(-1, 0.05, 41, [](double t, int) { return 1 + 0.5 * t - 3 * t * t; });
    const Signal sine(0, 0.005, 400, demoSine); // 200 points per period
    const Signal three(0, 1, 3, [](double t, int) { return t; });
    const Signal twoTimes(0, 0, 6, [](double, int i) { return i; });
    Signal gap = line;
    gap.v[11] = std::nanf("");
    const auto cosine = [](double t) {
        return 3 * std::numbers::pi * std::cos(2 * std::numbers::pi * t);
    };
    const struct {
        const char* name;
        const Signal& s;
        double t;
        std::optional<double> slope;
        double value, tolerance;
    } rows[] = {
        {"line, between points", line, 1.234, -2.5, 4 - 2.5 * 1.234, 1e-5},
        {"line, first point", line, 0, -2.5, 4, 1e-5},
        {"line, a value missing", gap, 1.13, -2.5, 4 - 2.5 * 1.13, 1e-5},
        {"parabola, off the middle", parabola, 0.4321, 0.5 - 6 * 0.4321,
         1 + 0.5 * 0.4321 - 3 * 0.4321 * 0.4321, 1e-4},
        {"parabola, last point", parabola, 1, -5.5, -1.5, 1e-4},
        {"sine, rising", sine, 0.5025, cosine(0.5025), demoSine(0.5025, 0),
         4e-3 * 3 * std::numbers::pi},
        {"sine, at its top", sine, 0.25, 0.0, 4, 2e-3},
        {"before the points", line, -0.01, std::nullopt, 0, 0},
        {"after the points", line, 2.95, std::nullopt, 0, 0},
        {"three points", three, 1, std::nullopt, 0, 0},
        {"one time", twoTimes, 0, std::nullopt, 0, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const std::optional<Tangent> got = TangentAt(r.s.series(), r.t);
        ASSERT_EQ(got.has_value(), r.slope.has_value());
        if (!got) continue;
        EXPECT_NEAR(got->Slope, *r.slope, r.tolerance);
        EXPECT_NEAR(got->Value, r.value, r.tolerance);
        // No scatter about a parabola but single-precision rounding.
        if (&r.s != &sine) {
            EXPECT_LT(got->Uncertainty, 1e-4);
        }
    }

    // Noisy points against numpy's fit, in time order and backwards.
    std::ifstream file(TANGENT_REFERENCE);
    int cases = 0;
    std::string name;
    double at = 0;
    std::vector<float> times, values;
    for (std::string line; std::getline(file, line);) {
        std::istringstream in(line);
        std::string key;
        in >> key;
        const auto read = [&in](std::vector<float>& into) {
            into.clear();
            for (double x; in >> x;)
                into.push_back(static_cast<float>(x));
        };
        if (key == "case") name = line.substr(5);
        if (key == "at") in >> at;
        if (key == "times") read(times);
        if (key == "values") read(values);
        if (key != "want") continue;
        SCOPED_TRACE(name);
        ++cases;
        double value = 0, slope = 0, uncertainty = 0;
        in >> value >> slope >> uncertainty;
        ASSERT_EQ(times.size(), values.size());
        std::vector<float> backT(times.rbegin(), times.rend()),
            backV(values.rbegin(), values.rend());
        const int n = static_cast<int>(times.size());
        for (const PointSeries& s : {PointSeries{times.data(), values.data(), n},
                                     PointSeries{backT.data(), backV.data(), n}}) {
            const std::optional<Tangent> got = TangentAt(s, at);
            ASSERT_TRUE(got);
            EXPECT_NEAR(got->Value, value, 1e-9 * (1 + std::fabs(value)));
            EXPECT_NEAR(got->Slope, slope, 1e-8 * std::fabs(slope));
            EXPECT_NEAR(got->Uncertainty, uncertainty, 1e-7 * uncertainty);
        }
    }
    EXPECT_EQ(cases, 6);
}

struct CursorFixture : ::testing::Test {
    Tscale A, B, T, X;
    Tscale* left = &A;
    Tscale* right = &B;
    Tscale* bottom = &T;
    ScaleSet scales{A, B, T, X, left, right, bottom};
    const QSize plot{403, 303}; // 400 and 300 pixels between the frame's inner edges
    CursorFixture() {
        A.Visible = B.Visible = T.Visible = true;
        for (auto [s, lo, hi] : {std::tuple{&A, 0.0, 5.0}, {&B, 0.0, 100.0}, {&T, 0.0, 2.0}}) {
            s->RangeStart = lo;
            s->RangeEnd = hi;
        }
        X.RangeStart = 0;
        X.RangeEnd = 1;
    }
};

TEST_F(CursorFixture, PlacingHittingAndDraggingFollowTheAxes) {
    CursorState c;
    c.setVerticalOn(true, T.RangeStart, T.RangeEnd);
    c.setHorizontalOn(true, B.RangeStart, B.RangeEnd);
    c.setValueAxisB(true, B.RangeStart, B.RangeEnd);
    EXPECT_NEAR(c.X[0], 2.0 / 3, 1e-12);
    EXPECT_NEAR(c.Y[1], 200.0 / 3, 1e-12);
    const TimeSpan span = c.timeSpan();
    EXPECT_TRUE(span.Enabled);
    EXPECT_LT(span.T1, span.T2);

    const CursorAxes axes = AxesOf(c, scales, PlotMode::Normal);
    EXPECT_EQ(axes.YEnd, 100);
    // Column of t1 is 1 + 400/3, row of y2 is 301 - 200.
    const struct {
        const char* name;
        double x, y;
        std::optional<CursorId> hit;
    } rows[] = {
        {"on t1", 134, 10, CursorId::X1},
        {"beside t2", 270, 10, CursorId::X2},
        {"on y2", 50, 101, CursorId::Y2},
        {"nowhere", 50, 50, std::nullopt},
        {"t1 nearer than y1", 134, 198, CursorId::X1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(CursorAt(c, axes, plot, r.x, r.y, 4), r.hit);
    }

    DragCursor(c, CursorId::X2, axes, plot, 201, 0);
    EXPECT_NEAR(c.X[1], 1.0, 1e-12);
    EXPECT_EQ(c.Active, CursorId::X2);
    DragCursor(c, CursorId::Y1, axes, plot, 0, 1000); // below the plot: stays at its edge
    EXPECT_NEAR(c.Y[0], 0, 1e-12);

    // XY: the vertical cursors take the new bottom quantity and no longer span time.
    c.followMode(PlotMode::BAsX, {0, 100}, {0, 5});
    EXPECT_FALSE(c.timeSpan().Enabled);
    EXPECT_FALSE(c.valueOnB(PlotMode::BAsX));
    EXPECT_NEAR(c.X[0], 100.0 / 3, 1e-12);
    EXPECT_NEAR(c.Y[0], 5.0 / 3, 1e-12);
    const CursorMarks m = MarksOf(c, PlotMode::BAsX);
    EXPECT_EQ(m.XNames, CursorMarks::Names::Xy);
    EXPECT_FALSE(m.OnB);
}

TEST_F(CursorFixture, WheelZoomKeepsTheValueUnderThePointerAndHistoryStepsBack) {
    ZoomHistory history;
    const ScaleRanges start = CaptureRanges(scales);
    history.push(start);
    history.push(start); // the same range is kept once
    EXPECT_EQ(history.size(), 1);
    EXPECT_FALSE(history.hasEarlier(start));

    const double x = 101; // a quarter across: t = 0.5
    ASSERT_TRUE(WheelZoom(scales, x, 0, plot, WheelFactor(120), false));
    EXPECT_NEAR(T.RangeEnd - T.RangeStart, 1.6, 1e-12);
    EXPECT_NEAR(T.RangeStart + 0.25 * (T.RangeEnd - T.RangeStart), 0.5, 1e-12);
    EXPECT_EQ(A.RangeEnd, 5); // the value axes only with Ctrl
    history.push(CaptureRanges(scales));

    ASSERT_TRUE(WheelZoom(scales, 0, 151, plot, WheelFactor(-240), true));
    EXPECT_NEAR(A.RangeEnd - A.RangeStart, 5 * 1.5625, 1e-12);
    EXPECT_NEAR((A.RangeStart + A.RangeEnd) / 2, 2.5, 1e-12);
    EXPECT_NEAR((B.RangeStart + B.RangeEnd) / 2, 50, 1e-12);

    ScaleRanges back;
    EXPECT_TRUE(history.hasEarlier(CaptureRanges(scales)));
    ASSERT_TRUE(history.back(CaptureRanges(scales), back));
    RestoreRanges(back, scales);
    EXPECT_EQ(A.RangeEnd, 5);
    EXPECT_NEAR(T.RangeEnd - T.RangeStart, 1.6, 1e-12);
    ASSERT_TRUE(history.back(CaptureRanges(scales), back));
    RestoreRanges(back, scales);
    EXPECT_TRUE(CaptureRanges(scales) == start);
    EXPECT_FALSE(history.back(CaptureRanges(scales), back));

    // A span the axis could no longer label is not zoomed into.
    T.RangeStart = 1000;
    T.RangeEnd = 1000.000001;
    EXPECT_FALSE(WheelZoom(scales, 200, 0, plot, 0.5, false));
}

TEST_F(CursorFixture, ReadoutBoxTakesTheCornerThatHidesLeast) {
    // A curve along the top (A = 4.9 of 0 .. 5) over the whole time range.
    std::vector<float> t, v;
    for (int i = 0; i <= 200; ++i) {
        t.push_back(i * 0.01f);
        v.push_back(4.9f);
    }
    ReadoutInput in;
    in.ShowB = false;
    in.DataA = {{t.data(), v.data(), static_cast<int>(t.size())}, QStringLiteral("V")};
    const QSize box(120, 80);
    const struct {
        const char* name;
        bool vertical;
        std::array<double, 2> x;
        Corner current, expected;
    } rows[] = {
        {"curve on top: below", false, {0, 0}, Corner::TopRight, Corner::BottomRight},
        {"stays where as good", false, {0, 0}, Corner::BottomLeft, Corner::BottomLeft},
        {"cursors right: left", true, {1.7, 1.9}, Corner::TopRight, Corner::BottomLeft},
        {"off a fit's box bottom right", false, {0, 0}, Corner::BottomRight, Corner::BottomLeft},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        in.Cursors.VerticalOn = r.vertical;
        in.Cursors.X = r.x;
        in.Occupied = r.current == Corner::BottomRight ? QRect(300, 250, 60, 30) : QRect();
        EXPECT_EQ(QuietCorner(in, scales, plot, box, 6, r.current), r.expected);
    }
    EXPECT_EQ(CornerPosition(Corner::BottomRight, plot, box, 6), QPoint(403 - 126, 303 - 86));
}

using Readout = GermanLocale;

TEST_F(Readout, QuantitiesTakePrefixesWhereTheUnitAllows) {
    const struct {
        double v;
        const char* unit;
        const char* text;
    } rows[] = {
        {0.25, "s", "250 ms"},
        {1, "Hz", "1 Hz"},
        {3, "V", "3 V"},
        {1500, "V", "1,5 kV"},
        {999.96, "V", "1 kV"},
        {0.001, "V", "1 mV"},
        {2e-15, "s", "0,002 ps"}, // the smallest prefix
        {-0.012345, "V/s", "-12,35 mV/s"},
        {0, "V", "0 V"},
        {2.5, "mV", "2,5 mV"},
        {-0.5378, "°C/min", "-0,5378 °C/min"},
        {12345, "", "1,235E+04"},
        {45, "%", "45 %"},
        {std::nan(""), "V", "\u2013"},
        // Units no one prefixes: hours, minutes, days, decibels, degrees, per cent, and the
        // rates and areas made of them.
        {0.0025, "h", "0,0025 h"},
        {1500, "min", "1500 min"},
        {0.5, "d", "0,5 d"},
        {-0.004, "dB", "-0,004 dB"},
        {0.0123, "dB/s", "0,0123 dB/s"},
        {1234.5, "°C", "1235 °C"},
        {0.0031, "%/min", "0,0031 %/min"},
        {0.0031, "1/s", "0,0031 1/s"},
        {0.0031, "°C·min", "0,0031 °C·min"},
        {0.0031, "V·s", "3,1 mV·s"},
        {0.0031, "V/min", "3,1 mV/min"},
        {2500, "m", "2,5 km"},
        // A prefix is never put before another, nor before a power it would be raised with;
        // units of their own that begin with a prefix's letter take one.
        {0.029, "cm", "0,029 cm"},
        {0.0398, "cm/g", "0,0398 cm/g"},
        {1013.25, "hPa", "1013 hPa"},
        {0.5, "dm\u00B3", "0,5 dm\u00B3"},
        {1500, "daN", "1500 daN"},
        {0.004, "m\u00B2", "0,004 m\u00B2"},
        {0.004, "s^2", "0,004 s^2"},
        {1500, "V\u00B2/Hz", "1500 V\u00B2/Hz"},
        {0.004, "m/s\u00B2", "4 mm/s\u00B2"},
        {0.002, "mol", "2 mmol"},
        {0.02, "cd", "20 mcd"},
        {2500, "cal", "2,5 kcal"},
        {0.0012, "Gy", "1,2 mGy"},
        {2e5, "Pa", "200 kPa"},
        {0.0025, "kg", "0,0025 kg"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(FormatQuantity(r.v, QString::fromUtf8(r.unit)), QString::fromUtf8(r.text));
    }
}

TEST_F(Readout, DemoSignalsPeriodPeakPeakAndCoolingPerMinute) {
    // The demo: the sine on A in volts, a cooling curve on B in °C; a snapshot that covers
    // only the first half second.
    const Signal a(-0.1, 0.005, 400, demoSine);
    const Signal b(-0.1, 0.005, 400, [](double t, int) { return 60 - 1.2 * t; });
    const Signal snap(0, 0.005, 100, [](double t, int) { return 1 + t; });
    ReadoutInput in;
    in.Cursors.setVerticalOn(true, 0, 1);
    in.Cursors.X = {0.25, 1.25};
    in.DataA = {a.series(), QStringLiteral("V")};
    in.DataB = {b.series(), QString::fromUtf8("°C")};
    in.SnapA = {snap.series(), QStringLiteral("V")};
    in.Minutes = true;

    const auto cell = [](const ReadoutTable& t, const QString& label, int column) {
        for (const ReadoutRow& row : t)
            if (row.Label == label) return CellText(row.Cells.value(column));
        return QStringLiteral("(no row)");
    };
    ReadoutTable t = ComposeReadout(in);
    EXPECT_EQ(cell(t, QString::fromUtf8("Δt"), 0), QStringLiteral("0,01667 min"));
    EXPECT_EQ(cell(t, QString::fromUtf8("1/Δt"), 0), QStringLiteral("1 Hz"));
    EXPECT_EQ(cell(t, QString(), 2), QStringLiteral("Schnappschuss A"));
    EXPECT_EQ(cell(t, QStringLiteral("bei t1"), 0), QStringLiteral("4 V"));
    EXPECT_EQ(cell(t, QStringLiteral("bei t2"), 2), QString::fromUtf8("–"));
    EXPECT_EQ(cell(t, QStringLiteral("bei t1"), 2), QStringLiteral("1,25 V"));
    EXPECT_EQ(cell(t, QStringLiteral("Spitze-Spitze"), 0), QStringLiteral("3 V"));
    // Max to max: two crossings, no full period between crossings of one direction.
    EXPECT_EQ(cell(t, QStringLiteral("Frequenz"), 0), QString::fromUtf8("–"));
    EXPECT_EQ(cell(t, QStringLiteral("Steigung"), 1), QString::fromUtf8("-72 °C/min"));
    // Areas between the cursors over one period of the sine (2,5 V·s), under the cooling line
    // (59,1 °C·s), and under the snapshot as far as it reaches (0,3362625 V·s); in minutes.
    EXPECT_EQ(cell(t, QStringLiteral("Integral"), 0), QString::fromUtf8("41,67 mV·min"));
    EXPECT_EQ(cell(t, QStringLiteral("Integral"), 1), QString::fromUtf8("0,985 °C·min"));
    EXPECT_EQ(cell(t, QStringLiteral("Integral"), 2), QString::fromUtf8("5,604 mV·min"));
    // Copied: a header line and a line of numbers with one digit more than shown.
    const auto copied = [](const ReadoutTable& table, const char* header) {
        const QStringList lines = ReadoutText(table).split(QStringLiteral("\r\n"));
        const qsizetype k = lines.value(0).split(u'\t').indexOf(QString::fromUtf8(header));
        return k < 0 ? QStringLiteral("(no column)") : lines.value(1).split(u'\t').value(k);
    };
    EXPECT_EQ(copied(t, "Δt (min)"), QStringLiteral("0,016667"));
    EXPECT_EQ(copied(t, "A Integral (mV·min)"), QStringLiteral("41,667"));
    EXPECT_EQ(copied(t, "Schnappschuss A bei t2 (V)"), QString());
    EXPECT_EQ(copied(t, "A Frequenz (Hz)"), QString());
    EXPECT_EQ(copied(t, "B Steigung (°C/min)"), QStringLiteral("-72"));

    in.Minutes = false;
    in.ShowA = false;
    in.Cursors.setHorizontalOn(true, 0, 3);
    t = ComposeReadout(in);
    EXPECT_EQ(cell(t, QString::fromUtf8("Δt"), 0), QStringLiteral("1 s"));
    EXPECT_EQ(cell(t, QStringLiteral("Frequenz"), 0), QString::fromUtf8("–"));
    EXPECT_EQ(cell(t, QString(), 0), QStringLiteral("B"));
    EXPECT_EQ(cell(t, QStringLiteral("Steigung"), 0), QString::fromUtf8("-1,2 °C/s"));
    EXPECT_EQ(cell(t, QString::fromUtf8("Δy (A)"), 0), QStringLiteral("1 V"));
    const QString text = ReadoutText(t);
    EXPECT_TRUE(text.startsWith(QString::fromUtf8("t1 (ms)\tt2 (s)\tΔt (s)\t1/Δt (Hz)\tB bei t1 (°C)")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("\ty1 (A) (V)\ty2 (A) (V)\tΔy (A) (V)\r\n250\t1,25\t1\t1\t59,7\t")))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("\t1\t2\t1\r\n"))) << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), 2);
    EXPECT_TRUE(ReadoutHtml(t).contains(QStringLiteral("Spitze-Spitze")));

    in.ShowA = true;
    in.Cursors.X = {0, 1.8};
    t = ComposeReadout(in);
    EXPECT_EQ(cell(t, QStringLiteral("Frequenz"), 0), QStringLiteral("1 Hz"));
    EXPECT_EQ(cell(t, QStringLiteral("Frequenz"), 1), QString::fromUtf8("–"));
    EXPECT_EQ(cell(t, QStringLiteral("Periode"), 0), QStringLiteral("1 s"));
    EXPECT_EQ(cell(t, QStringLiteral("Periode"), 1), QString::fromUtf8("–"));
    EXPECT_EQ(cell(t, QStringLiteral("Steigung bei t1"), 0), QStringLiteral("(no row)"));
    // The tangent at t1 = 0: the sine's 3 pi V/s, the cooling's 1,2 °C/s; in minutes.
    in.Cursors.TangentOn = true;
    t = ComposeReadout(in);
    // The cooling line's 361 points, each 6 m°C below the last: 6 m°C * sqrt(361 * 362 / 12).
    EXPECT_EQ(cell(t, QStringLiteral("Standardabweichung"), 1), QString::fromUtf8("0,6261 °C"));
    const auto number = [&](const char* header) { return QLocale().toDouble(copied(t, header)); };
    // Copied with the slope's uncertainty beside it; the sine's bend over eleven of its 200
    // points per period reads 0,3 % low.
    EXPECT_NEAR(number("A Steigung bei t1 (V/s)"), 3 * std::numbers::pi,
                0.004 * 3 * std::numbers::pi);
    const double spread = number("A u(Steigung bei t1) (V/s)"); // the bend, not noise
    EXPECT_GT(spread, 0);
    EXPECT_LT(spread, 0.01);
    EXPECT_NEAR(number("B Steigung bei t1 (°C/s)"), -1.2, 1e-4);
    in.Minutes = true;
    t = ComposeReadout(in);
    EXPECT_NEAR(number("B Steigung bei t1 (°C/min)"), -72, 6e-3);
    EXPECT_TRUE(
        cell(t, QStringLiteral("Steigung bei t1"), 1).endsWith(QString::fromUtf8(" °C/min")));
    EXPECT_TRUE(cell(t, QStringLiteral("Steigung bei t1"), 1).contains(QString::fromUtf8(" ± ")));
    EXPECT_EQ(cell(t, QStringLiteral("Periode"), 0), QStringLiteral("0,01667 min"));
    // Drawn at t1 through the curves of the shown channels.
    const CursorMarks marks = MarksOf(in);
    ASSERT_TRUE(marks.Tangents[0] && marks.Tangents[1]);
    EXPECT_NEAR(marks.Tangents[1]->Slope, -1.2, 1e-4);
    EXPECT_NEAR(marks.Tangents[1]->Value, 60, 1e-4);
    in.ShowB = false;
    EXPECT_FALSE(MarksOf(in).Tangents[1]);
    in.ShowB = true;
    in.Minutes = false;
    in.Cursors.TangentOn = false;
    in.ShowA = false;

    EXPECT_EQ(PointerText(in, 70), QString::fromUtf8("t = 250 ms   B = 59,7 °C"));
    EXPECT_EQ(PointerText(in, 400), QString());

    // A shown run gets columns after the snapshot's, as far as the cursors reach it; one the
    // cursors miss gets none.
    const Signal run(0, 0.01, 101, [](double t, int) { return 2 * t; });
    const Signal late(5, 0.01, 10, [](double, int) { return 1.0; });
    in.Runs = {{QStringLiteral("Reihe 2 A"), {run.series(), QStringLiteral("V")}},
               {QStringLiteral("Reihe 3 A"), {late.series(), QStringLiteral("V")}}};
    in.Cursors.X = {0.25, 0.75};
    t = ComposeReadout(in);
    const auto titles = std::find_if(t.begin(), t.end(), [](const ReadoutRow& r) {
        return r.Header;
    });
    ASSERT_NE(titles, t.end());
    ASSERT_EQ(titles->Cells.size(), 2); // B, then the run the cursors reach
    EXPECT_EQ(CellText(titles->Cells[1]), QStringLiteral("Reihe 2 A"));
    EXPECT_EQ(cell(t, QStringLiteral("bei t1"), 1), QStringLiteral("500 mV"));
    EXPECT_EQ(cell(t, QStringLiteral("Spitze-Spitze"), 1), QStringLiteral("1 V"));
    EXPECT_TRUE(ReadoutText(t).contains(QStringLiteral("\tReihe 2 A bei t2 (V)\t")));

    // The data's further columns follow B, before the runs, over their points but the blanks;
    // they keep their values when the points are gone and the input is copied.
    auto data = std::make_unique<kurvimat::acquisition::StoredPoints>();
    auto temperature = kurvimat::signals::QuantityColumn::named(QStringLiteral("Temperatur in K"));
    for (int k = 0; k < 101; ++k) {
        data->T[k] = 0.01f * float(k);
        temperature.values.push_back(300 + k);
    }
    temperature.values[50] = std::numeric_limits<double>::quiet_NaN(); // t = 0,5: a blank
    data->Columns = {temperature};
    data->Count = 101;
    in.Further = FurtherSeriesOf(*data);
    data.reset();
    const ReadoutInput copy = in;
    t = ComposeReadout(copy);
    const auto header =
        std::find_if(t.begin(), t.end(), [](const ReadoutRow& r) { return r.Header; });
    ASSERT_NE(header, t.end());
    ASSERT_EQ(header->Cells.size(), 3);
    EXPECT_EQ(CellText(header->Cells[1]), QStringLiteral("Temperatur"));
    EXPECT_EQ(CellText(header->Cells[2]), QStringLiteral("Reihe 2 A"));
    EXPECT_EQ(cell(t, QStringLiteral("bei t1"), 1), QStringLiteral("325 K"));
    EXPECT_EQ(cell(t, QStringLiteral("bei t2"), 1), QStringLiteral("375 K"));
    EXPECT_EQ(cell(t, QStringLiteral("Mittelwert"), 1), QStringLiteral("350 K"));
    EXPECT_EQ(cell(t, QStringLiteral("Maximum"), 1), QStringLiteral("375 K"));
    EXPECT_TRUE(ReadoutText(t).contains(QStringLiteral("\tTemperatur Minimum (K)\t")));
}

} // namespace
