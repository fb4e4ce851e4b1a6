// Statistics between the time cursors over 10000 stored points (minimum, maximum, mean, RMS,
// least-squares slope, frequency from the crossings of the middle, area) and the whole readout
// for both channels, against the floor of reading the points at all: a plain loop summing
// values and squares with minimum and maximum. The whole readout should cost at most three
// times the statistics of one channel. The amplitude spectrum of the same points (Hann window,
// GSL's real FFT) should cost at most twenty plain loops.
#include "BenchCollector.h"
#include "Measure.h"
#include "Readout.h"
#include "Spectrum.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
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
    benchmark::Shutdown();
    return 0;
}
