// Statistics between the time cursors over 10000 stored points (minimum, maximum, mean, RMS,
// least-squares slope, frequency from the crossings of the middle, area) and the whole readout
// for both channels, against the floor of reading the points at all: a plain loop summing
// values and squares with minimum and maximum. The whole readout should cost at most three
// times the statistics of one channel. The amplitude spectrum of the same points (Hann window,
// GSL's real FFT) should cost at most twenty plain loops. Column formulas over the same points
// (A*B, the derivative of A by T, B smoothed over 15 points) should cost at most twice plain
// C++ loops computing the same results.
#include "BenchCollector.h"
#include "ColumnFormula.h"
#include "Measure.h"
#include "Readout.h"
#include "Spectrum.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <span>
#include <string>
#include <vector>

using namespace kurvimat::analysis;
using kurvimat::display::ComposeReadout;
using kurvimat::display::ReadoutInput;

namespace {

constexpr int N = 10000;

struct Points {
    std::vector<float> t, a, b;
    Points() {
        unsigned seed = 1;
        for (int i = 0; i < N; ++i) {
            seed = seed * 1103515245u + 12345u;
            const double noise = ((seed >> 8) / 16777216.0 - 0.5) * 0.02;
            const double time = -0.1 + i * 0.005;
            t.push_back(static_cast<float>(time));
            a.push_back(
                static_cast<float>(2.5 + 1.5 * std::sin(2 * std::numbers::pi * time) + noise));
            b.push_back(static_cast<float>(0.8 + 3.2 * std::exp(-time / 120) + noise));
        }
    }
};
const Points& points() {
    static const Points p;
    return p;
}

void PlainLoop(benchmark::State& state) {
    const Points& p = points();
    for (auto _ : state) {
        float lo = p.a[0], hi = p.a[0];
        double sum = 0, squares = 0;
        for (int i = 0; i < N; ++i) {
            lo = std::min(lo, p.a[i]);
            hi = std::max(hi, p.a[i]);
            sum += p.a[i];
            squares += static_cast<double>(p.a[i]) * p.a[i];
        }
        benchmark::DoNotOptimize(lo);
        benchmark::DoNotOptimize(hi);
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(squares);
    }
}
BENCHMARK(PlainLoop)->Unit(benchmark::kMicrosecond);

void SpanStatistics10000(benchmark::State& state) {
    const Points& p = points();
    const PointSeries s{p.t.data(), p.a.data(), N};
    for (auto _ : state) {
        const SpanStatistics st = StatisticsOver(s, p.t.front(), p.t.back());
        benchmark::DoNotOptimize(st);
    }
}
BENCHMARK(SpanStatistics10000)->Unit(benchmark::kMicrosecond);

void WholeReadout10000(benchmark::State& state) {
    const Points& p = points();
    ReadoutInput in;
    in.Cursors.VerticalOn = in.Cursors.HorizontalOn = true;
    in.Cursors.X = {p.t.front(), p.t.back()};
    in.DataA = {{p.t.data(), p.a.data(), N}, QStringLiteral("V")};
    in.DataB = {{p.t.data(), p.b.data(), N}, QStringLiteral("V")};
    for (auto _ : state) {
        const ReadoutTable table = ComposeReadout(in);
        benchmark::DoNotOptimize(table);
    }
}
BENCHMARK(WholeReadout10000)->Unit(benchmark::kMicrosecond);

void Spectrum10000(benchmark::State& state) {
    const Points& p = points();
    const PointSeries s{p.t.data(), p.a.data(), N};
    for (auto _ : state) {
        const SpectrumResult r = ComputeSpectrum(s);
        benchmark::DoNotOptimize(r.Peak);
    }
}
BENCHMARK(Spectrum10000)->Unit(benchmark::kMicrosecond);

// A length other than the last call's every time (10000 and 9720 points in turn): GSL's
// tables are made afresh.
void SpectrumNewLength(benchmark::State& state) {
    const Points& p = points();
    bool shorter = false;
    for (auto _ : state) {
        const PointSeries s{p.t.data(), p.a.data(), shorter ? 9720 : N};
        const SpectrumResult r = ComputeSpectrum(s);
        benchmark::DoNotOptimize(r.Peak);
        shorter = !shorter;
    }
}
BENCHMARK(SpectrumNewLength)->Unit(benchmark::kMicrosecond);

// The points as double columns, as the column formulas take them.
struct Columns {
    std::vector<double> t, a, b;
    Columns() {
        const Points& p = points();
        t.assign(p.t.begin(), p.t.end());
        a.assign(p.a.begin(), p.a.end());
        b.assign(p.b.begin(), p.b.end());
    }
    std::vector<std::span<const double>> spans() const { return {t, a, b}; }
};
const Columns& columns() {
    static const Columns c;
    return c;
}

// What someone would write by hand: the product, numpy's gradient weights, the centred mean
// with the window shrinking at the ends.
void PlainColumnLoops(benchmark::State& state) {
    const Columns& c = columns();
    std::vector<double> product(N), slope(N), mean(N);
    for (auto _ : state) {
        for (int i = 0; i < N; ++i) product[i] = c.a[i] * c.b[i];
        slope[0] = (c.a[1] - c.a[0]) / (c.t[1] - c.t[0]);
        for (int i = 1; i < N - 1; ++i) {
            const double h1 = c.t[i] - c.t[i - 1], h2 = c.t[i + 1] - c.t[i];
            slope[i] = -h2 / (h1 * (h1 + h2)) * c.a[i - 1] + (h2 - h1) / (h1 * h2) * c.a[i] +
                       h1 / (h2 * (h1 + h2)) * c.a[i + 1];
        }
        slope[N - 1] = (c.a[N - 1] - c.a[N - 2]) / (c.t[N - 1] - c.t[N - 2]);
        for (int i = 0; i < N; ++i) {
            const int k = std::min({7, i, N - 1 - i});
            double sum = 0;
            for (int j = i - k; j <= i + k; ++j) sum += c.b[j];
            mean[i] = sum / (2 * k + 1);
        }
        benchmark::DoNotOptimize(product.data());
        benchmark::DoNotOptimize(slope.data());
        benchmark::DoNotOptimize(mean.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(PlainColumnLoops)->Unit(benchmark::kMicrosecond);

struct ThreeFormulas {
    ColumnFormula product, slope, mean;
    std::vector<double> out[3];
    ThreeFormulas() {
        const std::vector<std::string> names{"T", "A", "B"};
        if (!product.compile(QStringLiteral("A*B"), names) ||
            !slope.compile(QStringLiteral("ABL(A;T)"), names) ||
            !mean.compile(QStringLiteral("GLAETT(B;15)"), names))
            std::abort();
    }
};

void ColumnFormulas(benchmark::State& state) {
    const Columns& c = columns();
    ThreeFormulas f;
    for (auto _ : state) {
        if (!f.product.evaluate(c.spans(), f.out[0]) || !f.slope.evaluate(c.spans(), f.out[1]) ||
            !f.mean.evaluate(c.spans(), f.out[2]))
            std::abort();
        benchmark::DoNotOptimize(f.out[0].data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(ColumnFormulas)->Unit(benchmark::kMicrosecond);

// While recording: the last 10 of the 10000 points are new.
void ColumnFormulasLast10(benchmark::State& state) {
    const Columns& c = columns();
    ThreeFormulas f;
    if (!f.product.evaluate(c.spans(), f.out[0]) || !f.slope.evaluate(c.spans(), f.out[1]) ||
        !f.mean.evaluate(c.spans(), f.out[2]))
        std::abort();
    for (auto _ : state) {
        if (!f.product.evaluateChanged(c.spans(), N - 10, f.out[0]) ||
            !f.slope.evaluateChanged(c.spans(), N - 10, f.out[1]) ||
            !f.mean.evaluateChanged(c.spans(), N - 10, f.out[2]))
            std::abort();
        benchmark::DoNotOptimize(f.out[0].data());
    }
}
BENCHMARK(ColumnFormulasLast10)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    BenchCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    const double plain = collector.ns["PlainLoop"];
    const double statistics = collector.ns["SpanStatistics10000"];
    std::printf("\nus per call over %d points (CPU time), ratio to the plain loop:\n", N);
    for (const char* name :
         {"SpanStatistics10000", "WholeReadout10000", "Spectrum10000", "SpectrumNewLength"}) {
        const double t = collector.ns[name];
        std::printf("  %-22s %8.1f us  %5.1f x\n", name, t, plain > 0 ? t / plain : 0);
    }
    std::printf("  %-22s %8.1f us\n", "PlainLoop", plain);
    const double whole = collector.ns["WholeReadout10000"];
    std::printf("whole readout (both channels) / statistics of one channel: %.2f x (goal <= 3)\n",
                statistics > 0 ? whole / statistics : 0);
    const double loops = collector.ns["PlainColumnLoops"];
    const double formulas = collector.ns["ColumnFormulas"];
    std::printf("A*B, ABL(A;T), GLAETT(B;15) over %d points: %.1f us, plain loops %.1f us: "
                "%.2f x (goal <= 2); the last 10 points alone %.2f us\n",
                N, formulas, loops, loops > 0 ? formulas / loops : 0,
                collector.ns["ColumnFormulasLast10"]);
    benchmark::Shutdown();
    return 0;
}
