// Input reports per second through DecodeReport, as a multiple of the instrument's fastest
// report rate (125 reports/s in mode 2) and against a plain copy of the same reports into the
// raw rings, measured in the same run.
#include "FormulaParser.h"
#include "SamplePipeline.h"

#include "BenchCollector.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace kurvimat::acquisition;
using namespace kurvimat::signals;

namespace {

constexpr double InstrumentReportsPerSecond = 125; // mode 2: one report every 8 ms
const char* const Temperature = "1/(1/298.15+ln(47/(5/U-1)/50)/3950)-273.15";

// A slowly rising and falling wave, so that crossings happen and ln() stays defined.
std::vector<std::array<std::uint8_t, 8>> Reports() {
    std::vector<std::array<std::uint8_t, 8>> reports(1024);
    for (std::size_t i = 0; i < reports.size(); ++i) {
        const int phase = int(i % 256);
        const auto v = std::uint8_t(20 + (phase < 128 ? phase : 255 - phase));
        reports[i] = {v,
                      std::uint8_t(v + 10),
                      v,
                      std::uint8_t(v + 10),
                      std::uint8_t(v + 1),
                      std::uint8_t(v + 11),
                      std::uint8_t(v + 1),
                      std::uint8_t(v + 11)};
    }
    return reports;
}

struct Bench {
    std::unique_ptr<MeasurementStore> store = std::make_unique<MeasurementStore>();
    TParser parserA, parserB;
    SamplePipeline pipe{*store, parserA, parserB};
    TriggerSettings controls;

    Bench(TriggerMode mode, int intervalMs, const char* formulaA, const char* formulaB) {
        parserA.SetVariable("U", 0);
        parserB.SetVariable("U", 0);
        parserA.SetExpression(formulaA);
        parserB.SetExpression(formulaB);
        store->InputCodeA = 2;
        store->InputCodeB = 3;
        store->DeviceMode = 2;
        store->IntervalMs = intervalMs;
        controls.mode = mode;
        controls.definitionA = "Spannung (V): U";
        controls.definitionB = QString("Temperatur (°C): ") + Temperature;
    }
};

// Dauer mode: a sweep is always running, so every closed block is evaluated twice.
void Pipeline(benchmark::State& state, TriggerMode mode, int intervalMs,
              const char* formulaB) {
    Bench b(mode, intervalMs, "U", formulaB);
    const auto reports = Reports();
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& r = reports[++i & 1023];
        benchmark::DoNotOptimize(b.pipe.DecodeReport(r.data(), 8, b.controls));
    }
    state.counters["sweeps"] = double(b.store->Data.Count);
}

// Reference: the same reports copied into two raw rings without any arithmetic.
void PlainCopy(benchmark::State& state) {
    auto store = std::make_unique<MeasurementStore>();
    const auto reports = Reports();
    std::size_t i = 0;
    int index = 0;
    for (auto _ : state) {
        const auto& r = reports[++i & 1023];
        for (int k = 0; k < 8; k += 2) {
            for (int twice = 0; twice < 2; ++twice) {
                store->RawA[index] = r[k] * 4;
                store->RawB[index] = r[k + 1] * 4;
                index = (index + 1) % RawCapacity;
            }
        }
        benchmark::DoNotOptimize(store->RawA[index]);
    }
}

// One trigger with 10000 history points: 20000 evaluations at once.
void FullHistoryTrigger(benchmark::State& state) {
    Bench b(TriggerMode::Normal, 2, "U", Temperature);
    b.store->PointCount = PointCapacity;
    b.store->PreTrigger = PointCapacity;
    const auto reports = Reports();
    for (int i = 0; i < 6000; ++i)
        b.pipe.DecodeReport(reports[i & 1023].data(), 8, b.controls);
    for (auto _ : state)
        benchmark::DoNotOptimize(b.pipe.TriggerSweep(b.controls));
}


} // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("report/plain copy", PlainCopy);
    benchmark::RegisterBenchmark("report/dauer 2 ms U+temperature", Pipeline, TriggerMode::Dauer,
                                 2, Temperature);
    benchmark::RegisterBenchmark("report/dauer 5 ms U+temperature", Pipeline, TriggerMode::Dauer,
                                 5, Temperature);
    benchmark::RegisterBenchmark("report/normal 2 ms", Pipeline, TriggerMode::Normal, 2,
                                 Temperature);
    // Every evaluation of signal B fails (division by zero): the cost of the error path.
    benchmark::RegisterBenchmark("report/dauer 2 ms, B always fails", Pipeline, TriggerMode::Dauer,
                                 2, "1/(Y-Y)");
    benchmark::RegisterBenchmark("trigger/10000 history points", FullHistoryTrigger);
    benchmark::Initialize(&argc, argv);
    BenchCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);

    const auto plain = collector.ns.find("report/plain copy");
    std::printf("\n%-34s %10s %14s %16s %12s\n", "mode 2 reports", "ns/report", "reports/s",
                "x instrument", "x plain copy");
    for (const auto& [name, ns] : collector.ns) {
        if (name.rfind("report/", 0) != 0) continue;
        const double perSecond = 1e9 / ns;
        std::printf("%-34s %10.1f %14.0f %16.0f %12.2f\n", name.c_str(), ns, perSecond,
                    perSecond / InstrumentReportsPerSecond,
                    plain != collector.ns.end() ? ns / plain->second : 0.0);
    }
    const auto trigger = collector.ns.find("trigger/10000 history points");
    if (trigger != collector.ns.end())
        std::printf("trigger with 10000 history points: %.0f us (%.1f %% of one 8 ms report "
                    "interval)\n",
                    trigger->second / 1000, trigger->second / 8e6 * 100);
    benchmark::Shutdown();
    return 0;
}
