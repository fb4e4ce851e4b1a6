#include "ColumnFormula.h"
#include "Series.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace kurvimat::analysis;

namespace {

// One case of fixtures/series_reference.txt: numpy's or scipy's answer, or the refusal they
// give too.
struct Case {
    std::string name, function;
    int p1 = 0, p2 = 0, p3 = 0;
    std::vector<double> x, y, want, exact; // exact: from rational weights, where scipy rounds more
    std::string error;
    double tolerance = 1e-12;
};

std::vector<double> numbers(std::istringstream& in) {
    std::vector<double> v;
    for (std::string word; in >> word;) v.push_back(word == "nan" ? NAN : std::stod(word));
    return v;
}

std::vector<Case> referenceCases() {
    std::ifstream file(SERIES_REFERENCE);
    std::vector<Case> cases;
    for (std::string line; std::getline(file, line);) {
        std::istringstream in(line);
        std::string key;
        in >> key;
        if (key == "case") {
            Case c;
            const auto bar = line.find('|');
            c.name = line.substr(5, bar - 5);
            std::istringstream(line.substr(bar + 1)) >> c.function >> c.p1 >> c.p2 >> c.p3;
            cases.push_back(c);
        } else if (key == "x") {
            cases.back().x = numbers(in);
        } else if (key == "y") {
            cases.back().y = numbers(in);
        } else if (key == "want") {
            cases.back().want = numbers(in);
        } else if (key == "exact") {
            cases.back().exact = numbers(in);
        } else if (key == "tolerance") {
            in >> cases.back().tolerance;
        } else if (key == "error") {
            in >> cases.back().error;
        }
    }
    return cases;
}

const char* errorName(SeriesError e) {
    switch (e) {
    case SeriesError::None: return "";
    case SeriesError::TooFewPoints: return "TooFewPoints";
    case SeriesError::ZeroStep: return "ZeroStep";
    case SeriesError::BadWindow: return "BadWindow";
    case SeriesError::WindowTooLong: return "WindowTooLong";
    case SeriesError::BadOrder: return "BadOrder";
    case SeriesError::LengthsDiffer: return "LengthsDiffer";
    }
    return "?";
}

SeriesResult run(const Case& c, std::span<const double> y) {
    const std::span<const double> x(c.x.data(), std::min(c.x.size(), y.size()));
    if (c.function == "gradient") return Derivative(y, x);
    if (c.function == "average") return MovingAverage(y, c.p1);
    if (c.function == "savgol") return SavitzkyGolay(y, c.p1, c.p2, c.p3, MeanStep(x));
    if (c.function == "integral") return RunningIntegral(y, x);
    return Difference(y);
}

// The points a result's window spans on either side.
int reach(const Case& c) {
    if (c.function == "gradient") return 1;
    if (c.function == "average" || c.function == "savgol") return c.p1 / 2;
    return 0;
}

// The results [from, N) from the first `from` results of the first `from` points, as while
// recording.
std::vector<double> extended(const Case& c, std::size_t from) {
    const std::span<const double> y(c.y), x(c.x);
    std::vector<double> out = run(c, y.first(from)).Values;
    out.resize(y.size(), NAN);
    // Savitzky-Golay's derivative scales by the mean step, which the new points change.
    const bool newStep = c.function == "savgol" && c.p3 > 0 &&
                         MeanStep(x.first(from)) != MeanStep(x);
    const std::size_t first = newStep ? 0 : SeriesReach(from, c.function == "gradient" ? 3 : c.p1);
    if (c.function == "gradient") DerivativeInto(y, x, out, first, nullptr);
    if (c.function == "average") MovingAverageInto(y, c.p1, out, first);
    if (c.function == "savgol")
        SavitzkyGolayWeights(c.p1, c.p2, c.p3).apply(y, MeanStep(x), out, first);
    if (c.function == "integral") RunningIntegralInto(y, x, out, first);
    if (c.function == "diff") DifferenceInto(y, out, first);
    return out;
}

TEST(Series, AgreesWithNumpyAndScipy) {
    const std::vector<Case> cases = referenceCases();
    ASSERT_GE(cases.size(), 40u);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SeriesResult r = run(c, c.y);
        ASSERT_EQ(errorName(r.Error), c.error);
        if (!c.error.empty()) continue;
        ASSERT_EQ(r.Values.size(), c.want.size());
        // Relative to the column's largest value: a derivative or a difference near 0 is the
        // difference of nearly equal numbers, where rounding in a different order matters.
        // scipy's Savitzky-Golay weights come from a least-squares solve on unscaled powers,
        // for window 51, order 5 up to 1.7e-10 off the exact ones: there the fixture holds
        // the tolerance scipy's values need and the values from exact weights as well.
        double scale = 0;
        for (double v : c.want) scale = std::max(scale, std::fabs(v));
        for (std::size_t i = 0; i < c.want.size(); ++i) {
            ASSERT_NEAR(r.Values[i], c.want[i], c.tolerance * scale) << "at " << i;
            if (!c.exact.empty()) {
                ASSERT_NEAR(r.Values[i], c.exact[i], 1e-12 * scale) << "at " << i;
            }
        }

        // Points arriving at the end change no result before SeriesReach, and computing only
        // the rest gives the same results.
        const std::size_t window = c.function == "savgol" ? std::size_t(c.p1) : 2;
        for (std::size_t from : {c.y.size() / 2, c.y.size() - 1}) {
            if (from < window) continue;
            const std::vector<double> again = extended(c, from);
            for (std::size_t i = 0; i < again.size(); ++i)
                ASSERT_DOUBLE_EQ(again[i], r.Values[i]) << "from " << from << " at " << i;
        }

        // A NaN in the middle makes only results within its reach NaN (numpy's centred
        // difference on even steps passes over the point itself); the others are as before
        // (the integral's go on without the two trapezoids at the gap).
        if (c.y.size() < 50) continue;
        std::vector<double> gap = c.y;
        const int at = int(gap.size() / 2);
        gap[std::size_t(at)] = NAN;
        const SeriesResult g = run(c, gap);
        ASSERT_TRUE(g.ok());
        for (int i = 0; i < int(gap.size()); ++i) {
            const bool near = i >= at - reach(c) && i <= at + reach(c) + (c.function == "diff");
            if (near) {
                EXPECT_TRUE(std::isnan(g.Values[std::size_t(i)]) || (i == at && reach(c) == 1)) << "at " << i;
            } else if (c.function != "integral") {
                EXPECT_EQ(g.Values[std::size_t(i)], r.Values[std::size_t(i)]) << "at " << i;
            } else {
                EXPECT_FALSE(std::isnan(g.Values[std::size_t(i)])) << "at " << i;
            }
        }
    }
}

} // namespace

namespace {

// Columns as a recording holds them: uneven times, two channels, a noisy position, a constant.
struct Recording {
    static constexpr std::size_t N = 200;
    std::vector<double> t, a, b, s, c;
    Recording() {
        for (std::size_t i = 0; i < N; ++i) {
            const double ti = 0.01 * double(i) + 0.003 * std::sin(double(i));
            t.push_back(ti);
            a.push_back(1.5 + std::sin(7 * ti));
            b.push_back(2 + std::cos(3 * ti) + 0.01 * std::sin(double(i * i)));
            s.push_back(0.2 + 0.4 * ti * ti + 0.001 * std::sin(double(i * 7)));
            c.push_back(1);
        }
    }
    std::vector<std::span<const double>> columns(std::size_t n = N) const {
        return {std::span(t).first(n), std::span(a).first(n), std::span(b).first(n),
                std::span(s).first(n), std::span(c).first(n)};
    }
};
const std::vector<std::string> Names{"T", "A", "B", "S", "C"};

std::vector<double> times(std::vector<double> u, double f, double add = 0) {
    for (double& v : u) v = v * f + add;
    return u;
}

TEST(ColumnFormula, SeriesCallsThenPointsAndOnlyWhatChanged) {
    const Recording r;
    const auto ds = Derivative(r.s, r.t).Values;
    std::vector<double> ss(r.s), product(r.a), larger(r.a), logs(r.a);
    for (std::size_t i = 0; i < Recording::N; ++i) {
        ss[i] = r.s[i] * r.s[i];
        product[i] = r.a[i] * r.b[i];
        larger[i] = std::max(r.a[i], r.b[i]);
        logs[i] = r.a[i] > 1 ? std::log(r.a[i] - 1) : NAN;
    }
    const struct {
        const char* formula;
        std::vector<double> want;
        int reach; // the results before the first new point computed again; -1: all of them
        std::size_t first = 0; // with fewer points than this before, all of them (a first window)
    } rows[] = {
        {"A*B", product, 0},
        {"ABL(S;T)", ds, 1},
        {"abl(s; t)", ds, 1},
        {"GLAETT(B;15)", MovingAverage(r.b, 15).Values, 7},
        {"SAVGOL(S;15;3)", SavitzkyGolay(r.s, 15, 3, 0, 1).Values, 7},
        {"SAVGOL(ABL(S;T);15;3)", SavitzkyGolay(ds, 15, 3, 0, 1).Values, 8, 16},
        {"SAVGOLABL(S;15;3)", SavitzkyGolay(r.s, 15, 3, 1, MeanStep(r.t)).Values, -1},
        {"INTEGRAL(A;T)", RunningIntegral(r.a, r.t).Values, 0},
        {"DIFF(B)", Difference(r.b).Values, 0},
        {"ABL(ABL(S;T);T)", Derivative(ds, r.t).Values, 2},
        {"0,5*ABL(S*S;T)+1", times(Derivative(ss, r.t).Values, 0.5, 1), 1},
        {"GLAETT(DIFF(A)*100;5)", MovingAverage(times(Difference(r.a).Values, 100), 5).Values, 2},
        {"MAX(A;B)", larger, 0},
        {"LN(A-1)", logs, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.formula);
        ColumnFormula f;
        ASSERT_TRUE(f.compile(QString::fromUtf8(row.formula), Names))
            << f.error().Message.toStdString();
        std::vector<double> all;
        ASSERT_TRUE(f.evaluate(r.columns(), all));
        ASSERT_EQ(all.size(), row.want.size());
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (std::isnan(row.want[i])) {
                EXPECT_TRUE(std::isnan(all[i])) << "at " << i;
            } else {
                EXPECT_DOUBLE_EQ(all[i], row.want[i]) << "at " << i;
            }
        }
        // Recording: 15 or 120 points evaluated, then the others arrive.
        for (const std::size_t changed : {std::size_t(15), std::size_t(120)}) {
            std::vector<double> part;
            ASSERT_TRUE(f.evaluate(r.columns(changed), part));
            const std::size_t first = f.firstChanged(r.columns(), changed);
            EXPECT_EQ(first, row.reach < 0 || changed < row.first ? 0 : changed - std::size_t(row.reach));
            std::size_t computed = 0;
            const std::size_t before = f.computedValues();
            ASSERT_TRUE(f.evaluateChanged(r.columns(), changed, part, &computed));
            EXPECT_EQ(computed, first);
            // What held is not computed again, also where a new mean step rescales every value.
            ColumnFormula fresh;
            ASSERT_TRUE(fresh.compile(QString::fromUtf8(row.formula), Names));
            ASSERT_TRUE(fresh.evaluate(r.columns(), all));
            if (changed >= row.first)
                EXPECT_LE(f.computedValues() - before + (changed - 8), fresh.computedValues());
            for (std::size_t i = 0; i < all.size(); ++i)
                EXPECT_TRUE(part[i] == all[i] || (std::isnan(part[i]) && std::isnan(all[i])))
                    << "at " << i << " after " << changed;
        }
    }
}

TEST(ColumnFormula, ErrorsInGermanWithThePlace) {
    const Recording r;
    const std::string deep = "DIFF(DIFF(DIFF(DIFF(DIFF(DIFF(DIFF(A)))))))";
    std::string huge = "A";
    while (huge.size() < 100000) huge += "+A";
    const struct {
        std::string formula;
        const char* says;
        qsizetype place;
    } rows[] = {
        {"A*Q", "unbekannter Name „Q“ an Stelle 3", 3},
        {"A+FOO(B)", "unbekannte Funktion „FOO“ an Stelle 3", 3},
        {"ABL(S;T", "Klammer fehlt an Stelle 7", 7},
        {"A)+B", "Klammer fehlt an Stelle 2", 2},
        {"ABL(S)", "ABL braucht 2 Angaben", 1},
        {"GLAETT(B;4)", "ungerade Zahl ab 3 sein, an Stelle 10", 10},
        {"GLAETT(B;1,5)", "ganze Zahl hin, an Stelle 10", 10},
        {"SAVGOL(S;5;5)", "kleiner als das Fenster sein, an Stelle 12", 12},
        {"SAVGOL(S;201;3)", "Fenster von 201 Punkten ist länger als die 200 Punkte", 10},
        {"2*ABL(S;C)", "Punkt 1 und 2 haben dasselbe x, an Stelle 3", 3},
        {"A+GLAETT(B*/2;5)", "unverständliche Schreibweise an Stelle 12", 12},
        {"A+ABL(S;T)*B C", "Leerzeichen an Stelle 13", 13},
        {"ABL(A;;T)", "braucht 2 Angaben", 1},
        {deep, "zu viele Reihenfunktionen ineinander an Stelle 31", 31},
        {huge, "die Formel ist zu lang", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.formula.substr(0, 40));
        ColumnFormula f;
        std::vector<double> out;
        const bool ok = f.compile(QString::fromStdString(row.formula), Names) &&
                        f.evaluate(r.columns(), out);
        ASSERT_FALSE(ok);
        EXPECT_TRUE(f.error().Message.contains(QString::fromUtf8(row.says)))
            << f.error().Message.toStdString();
        EXPECT_EQ(f.error().Place, row.place);
    }
}

} // namespace
