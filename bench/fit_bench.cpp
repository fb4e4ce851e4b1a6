// A curve fit of each model over 10000 noisy points (a full sweep), timed together with its
// reference: one plain loop computing the residual sum of squares of the true curve over the
// same points, the least work any fit does per iteration. Times are the thread's CPU time.
#include "CurveFit.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

using namespace kurvimat::analysis;

namespace {

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

constexpr int Points = 10000;

struct Case {
    FitModel model;
    std::function<double(double)> truth;
};

const Case& caseOf(int index) {
    constexpr double Pi = std::numbers::pi;
    static const Case cases[] = {
        {FitModel::Linear, [](double t) { return 2.5 * t - 1; }},
        {FitModel::Proportional, [](double t) { return -0.8 * t; }},
        {FitModel::Exponential, [](double t) { return 20 + 60 * std::exp(-t / 4); }},
        {FitModel::DampedSine,
         [=](double t) { return 1.5 * std::exp(-t / 5) * std::sin(2 * Pi * 1.3 * t + 0.7) + 2.5; }},
        {FitModel::XYLinear, [](double x) { return 3 * x + 1; }},
    };
    return cases[index];
}

void BM_Fit(benchmark::State& state) {
    const Case& c = caseOf(static_cast<int>(state.range(0)));
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, 0.05);
    std::vector<float> t(Points), y(Points);
    for (int i = 0; i < Points; ++i) {
        t[i] = static_cast<float>(10.0 * i / (Points - 1));
        y[i] = static_cast<float>(c.truth(t[i]) + noise(random));
    }
    const FitSpan span{t.data(), t.data(), y.data(), Points, 0, 10};
    double fit = 0, reference = 0;
    for (auto _ : state) {
        const double t0 = cpuSeconds();
        const FitResult r = FitCurve(c.model, span);
        benchmark::DoNotOptimize(r.P);
        const double t1 = cpuSeconds();
        double sum = 0;
        for (int i = 0; i < Points; ++i) {
            const double e = y[i] - c.truth(t[i]);
            sum += e * e;
        }
        benchmark::DoNotOptimize(sum);
        const double t2 = cpuSeconds();
        if (!r.Converged) state.SkipWithError("fit did not converge");
        fit += t1 - t0;
        reference += t2 - t1;
        state.SetIterationTime(t1 - t0);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["fit_ms"] = fit / n * 1e3;
    state.counters["residual_pass_ms"] = reference / n * 1e3;
    state.counters["fit_vs_pass"] = fit / reference;
}

BENCHMARK(BM_Fit)
    ->ArgName("model")
    ->DenseRange(0, 4)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
