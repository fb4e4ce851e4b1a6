// Writing and reading the measurement text of a full store (10000 points), bytes included:
// points -> text -> file bytes (Windows-1252 here), and bytes -> text -> points. The references do
// the same number work in plain C (snprintf "%.4g" and std::from_chars over the bytes), timed in
// the same run; "vs_plain_c" is the ratio of the best runs of the two in thread CPU time.
#include "Codec1252.h"
#include "MeasurementText.h"

#include <QLocale>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace kurvimat::exchange;

namespace {

constexpr int PointCount = MeasurementTextMaxPoints;

struct Points {
    std::vector<float> t, a, b;
    Points() : t(PointCount), a(PointCount), b(PointCount) {
        for (int i = 0; i < PointCount; ++i) {
            t[i] = i * 0.005f - 0.1f;
            a[i] = 2.5f + 2.4f * std::sin(i * 0.01f);
            b[i] = 40.0f * std::cos(i * 0.003f) - 1e-5f * i;
        }
    }
};

const QString DefA = QStringLiteral("Spannung, unkalibriert (V): U");
const QString DefB = QStringLiteral("Temperatur, unkalibriert (°C): "
                                    "1/(1/298,15+ln(47/(5/U-1)/50)/3950)-273,15 [0;100]");

// CPU time of this thread: the machine is shared, and waiting for a core is not our cost.
double threadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

template <class F> double bestSeconds(F&& f) {
    double best = 1e9;
    for (int run = 0; run < 10; ++run) {
        const double start = threadSeconds();
        f();
        best = std::min(best, threadSeconds() - start);
    }
    return best;
}

double plainWriteSeconds(const Points& p) {
    std::vector<char> out(PointCount * 48 + 256);
    return bestSeconds([&] {
        char* w = out.data();
        w += std::snprintf(w, 256, "Zeit in s\t%s\t%s\r\n", "A", "B");
        for (int i = 0; i < PointCount; ++i)
            w += std::snprintf(w, 48, "%.4g\t%.4g\t%.4g\r\n", p.t[i], p.a[i], p.b[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    });
}

double plainReadSeconds(const QByteArray& bytes) {
    std::vector<float> t(PointCount), a(PointCount), b(PointCount);
    return bestSeconds([&] {
        const char* s = bytes.constData();
        const char* end = s + bytes.size();
        s = std::find(s, end, '\n') + 1; // header
        int n = 0;
        while (s < end && n < PointCount) {
            float* fields[3] = {&t[n], &a[n], &b[n]};
            for (float* field : fields) {
                const auto r = std::from_chars(s, end, *field);
                s = r.ptr + 1; // TAB, or CR before LF
            }
            if (s < end && *s == '\n') ++s;
            ++n;
        }
        benchmark::DoNotOptimize(t.data());
        benchmark::ClobberMemory();
    });
}

void BM_WriteText10000(benchmark::State& state) {
    QLocale::setDefault(QLocale(QLocale::English)); // "." so that the reference reads the same
    const Points p;
    QByteArray bytes;
    double best = 1e9;
    for (auto _ : state) {
        const double start = threadSeconds();
        bytes = encodeText(formatMeasurementText(DefA, DefB, p.t, p.a, p.b));
        benchmark::DoNotOptimize(bytes.data());
        best = std::min(best, threadSeconds() - start);
    }
    state.counters["bytes"] = double(bytes.size());
    state.counters["best_ms"] = best * 1e3;
    state.counters["vs_plain_c"] = best / plainWriteSeconds(p);
}

void BM_ReadText10000(benchmark::State& state) {
    QLocale::setDefault(QLocale(QLocale::English));
    const Points p;
    const QByteArray bytes = encodeText(formatMeasurementText(DefA, DefB, p.t, p.a, p.b));
    int count = 0;
    double best = 1e9;
    for (auto _ : state) {
        const double start = threadSeconds();
        const std::optional<MeasurementText> m = readMeasurementText(decodeText(bytes));
        count = m ? m->count : -1;
        benchmark::DoNotOptimize(count);
        best = std::min(best, threadSeconds() - start);
    }
    if (count != PointCount) state.SkipWithError("text did not read back fully");
    state.counters["best_ms"] = best * 1e3;
    state.counters["vs_plain_c"] = best / plainReadSeconds(bytes);
}

BENCHMARK(BM_WriteText10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadText10000)->Unit(benchmark::kMillisecond);

} // namespace
