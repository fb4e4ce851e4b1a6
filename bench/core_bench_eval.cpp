// Re-evaluation of a full sweep (10000 stored points) after one definition change: compile the
// formula, then evaluate every point. The reference is the same formula written in C++ over the
// same points, timed in the same run; "vs_native" is the ratio of the two (thread CPU time).
#include "FormulaParser.h"
#include "SignalDefinition.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <vector>

using namespace kurvimat::signals;

namespace {

constexpr int PointCount = 10000;

// Thread CPU time: the machine running the benchmarks is often shared.
double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

struct Sweep {
    std::vector<float> dataT, rawA, rawB, voltsA, voltsB, data;
    Sweep()
        : dataT(PointCount), rawA(PointCount), rawB(PointCount), voltsA(PointCount),
          voltsB(PointCount), data(PointCount) {
        const Calibration cal;
        for (int i = 0; i < PointCount; ++i) {
            dataT[i] = i * 0.005f - 0.1f;
            // Away from raw 0 and 1023, where the temperature formula has its poles.
            rawA[i] = 10 + std::fmod(i * 7.31f, 1000.0f);
            rawB[i] = 1013 - std::fmod(i * 3.17f, 1000.0f);
            // The voltages the points were measured as, kept beside their raw values.
            voltsA[i] = ChannelVoltage(cal.UminA, cal.UmaxA, rawA[i]);
            voltsB[i] = ChannelVoltage(cal.UminB, cal.UmaxB, rawB[i]);
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
    constexpr int Runs = 50;
    const double start = cpuSeconds();
    for (int run = 0; run < Runs; ++run) {
        for (int i = 0; i < PointCount; ++i) {
            const float a = ChannelVoltage(cal.UminA, cal.UmaxA, sweep.rawA[i]);
            const float b = ChannelVoltage(cal.UminB, cal.UmaxB, sweep.rawB[i]);
            sweep.data[i] = c.native(sweep.dataT[i], a, a, b);
        }
        benchmark::DoNotOptimize(sweep.data.data());
        benchmark::ClobberMemory();
    }
    return (cpuSeconds() - start) / Runs;
}

void BM_ReevaluateDefinitionChange(benchmark::State& state) {
    const Case& c = Cases[state.range(0)];
    Sweep sweep;
    const Calibration cal;
    TParser parser;
    parser.SetVariable("U", 0);
    parser.SetVariable("r", 0);
    const RecordedPoints points{sweep.dataT,  sweep.rawA, sweep.rawB, sweep.voltsA,
                              sweep.voltsB, PointCount, -0.1f,      0.005f};
    float dataMin = 0, dataMax = 0, dataMinT = 0, dataMaxT = 0;

    const double start = cpuSeconds();
    for (auto _ : state) {
        parser.SetExpression(c.formula);
        ReevaluatePoints(parser, SignalChannel::A, points, sweep.data, dataMin, dataMax, dataMinT,
                         dataMaxT);
        benchmark::DoNotOptimize(sweep.data.data());
        benchmark::ClobberMemory();
    }
    const double perChange = (cpuSeconds() - start) / double(state.iterations());

    state.SetLabel(c.formula);
    state.counters["ns_per_point"] = perChange / PointCount * 1e9;
    state.counters["vs_native"] = perChange / nativeSeconds(c, sweep, cal);
}

BENCHMARK(BM_ReevaluateDefinitionChange)
    ->DenseRange(0, std::size(Cases) - 1)
    ->Unit(benchmark::kMillisecond);

} // namespace
