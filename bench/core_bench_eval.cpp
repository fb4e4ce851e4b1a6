// Re-evaluation of a full sweep (10000 stored points) after one definition change: compile the
// formula, then evaluate every point. The reference is the same formula written in C++ over the
// same points, timed in the same run; "vs_native" is the ratio of the two.
#include "FormulaParser.h"
#include "SignalDefinition.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

namespace {

constexpr int PointCount = 10000;

struct Sweep {
    std::vector<float> dataT, rawA, rawB, data;
    Sweep() : dataT(PointCount), rawA(PointCount), rawB(PointCount), data(PointCount) {
        for (int i = 0; i < PointCount; ++i) {
            dataT[i] = i * 0.005f - 0.1f;
            // Away from raw 0 and 1023, where the temperature formula has its poles.
            rawA[i] = 10 + std::fmod(i * 7.31f, 1000.0f);
            rawB[i] = 1013 - std::fmod(i * 3.17f, 1000.0f);
        }
    }
};

struct Case {
    const char* formula;
    float (*native)(float t, float u, float a, float b);
};

const Case Cases[] = {
    {"U", [](float, float u, float, float) { return u; }},
    {"(A-B)/50", [](float, float, float a, float b) { return (a - b) / 50; }},
    {"1/(1/298.15+ln(47/(5/U-1)/50)/3950)-273.15",
     [](float, float u, float, float) {
         return static_cast<float>(
             1 / (1 / 298.15 + std::log(47 / (5 / double(u) - 1) / 50) / 3950) - 273.15);
     }},
    {"sin(2*pi*t)", [](float t, float, float,
                       float) { return static_cast<float>(std::sin(2 * 3.141592653589793 * t)); }},
};

double nativeSeconds(const Case& c, Sweep& sweep, const Calibration& cal) {
    double best = 1e9;
    for (int run = 0; run < 20; ++run) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < PointCount; ++i) {
            const float a = ChannelVoltage(cal.UminA, cal.UmaxA, sweep.rawA[i]);
            const float b = ChannelVoltage(cal.UminB, cal.UmaxB, sweep.rawB[i]);
            sweep.data[i] = c.native(sweep.dataT[i], a, a, b);
        }
        benchmark::DoNotOptimize(sweep.data.data());
        benchmark::ClobberMemory();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    return best;
}

void BM_ReevaluateDefinitionChange(benchmark::State& state) {
    const Case& c = Cases[state.range(0)];
    Sweep sweep;
    const Calibration cal;
    TParser parser;
    parser.SetVariable("U", 0);
    parser.SetVariable("r", 0);
    const StoredPoints points{sweep.dataT, sweep.rawA, sweep.rawB, PointCount, -0.1f, 0.005f};
    float dataMin = 0, dataMax = 0, dataMinT = 0, dataMaxT = 0;

    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        parser.SetExpression(c.formula);
        ReevaluatePoints(parser, SignalChannel::A, cal, points, sweep.data, dataMin, dataMax,
                         dataMinT, dataMaxT);
        benchmark::DoNotOptimize(sweep.data.data());
        benchmark::ClobberMemory();
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const double perChange = elapsed.count() / double(state.iterations());

    state.SetLabel(c.formula);
    state.counters["ns_per_point"] = perChange / PointCount * 1e9;
    state.counters["vs_native"] = perChange / nativeSeconds(c, sweep, cal);
}

BENCHMARK(BM_ReevaluateDefinitionChange)
    ->DenseRange(0, std::size(Cases) - 1)
    ->Unit(benchmark::kMillisecond);

} // namespace
