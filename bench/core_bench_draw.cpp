// Drawing into the 8-bit images and showing them. References, timed in the same iterations:
// a plain memset of the same image for the drawing, QPainter::drawImage of the Indexed8 view
// for the expansion through the palette.
#include "IndexedImage.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "QtBenchMain.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

using namespace kurvimat::display;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Width = 1920, Height = 1080;

double seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

struct Pixel {
    int x, y;
};

// Deterministic positions spread over the whole image, edges included.
std::vector<Pixel> scatteredPoints(int count) {
    std::vector<Pixel> points(static_cast<std::size_t>(count));
    std::uint32_t state = 12345;
    auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (Pixel& p : points)
        p = {static_cast<int>(next() % Width), static_cast<int>(next() % Height)};
    return points;
}

// Two curves of 10000 points across the width, like a live sweep over its snapshot.
std::vector<Pixel> curvePoints(int count) {
    std::vector<Pixel> points(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int k = i % (count / 2);
        const double t = double(k) / (count / 2 - 1);
        const double y = Height / 2 + (Height / 2 - 40) * std::sin(2 * 3.14159265 * 3 * t) +
                         (i < count / 2 ? 0 : 25);
        points[static_cast<std::size_t>(i)] = {1 + static_cast<int>(t * (Width - 3)),
                                               static_cast<int>(y)};
    }
    return points;
}

void memsetImage(IndexedImage& image) {
    std::memset(image.row(0), PaletteIndex::Background,
                static_cast<std::size_t>(image.bytesPerLine()) * image.height());
}

void BM_DrawPoints20000(benchmark::State& state) {
    IndexedImage image(Width, Height);
    const std::vector<Pixel> points = scatteredPoints(20000);
    double drawTotal = 0, memsetTotal = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        memsetImage(image);
        benchmark::ClobberMemory();
        const auto t1 = Clock::now();
        for (const Pixel& p : points)
            image.andPoint(p.x, p.y, PaletteMask::LiveA);
        benchmark::ClobberMemory();
        const auto t2 = Clock::now();
        memsetTotal += seconds(t0, t1);
        drawTotal += seconds(t1, t2);
        state.SetIterationTime(seconds(t1, t2));
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["draw_ms"] = drawTotal / n * 1e3;
    state.counters["memset_ms"] = memsetTotal / n * 1e3;
    state.counters["vs_memset"] = drawTotal / memsetTotal;
}

void BM_DrawCurves20000(benchmark::State& state) {
    IndexedImage image(Width, Height);
    const std::vector<Pixel> points = curvePoints(20000);
    const QRect interior(1, 1, Width - 2, Height - 2);
    double drawTotal = 0, memsetTotal = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        memsetImage(image);
        benchmark::ClobberMemory();
        const auto t1 = Clock::now();
        for (std::size_t i = 0; i < points.size(); ++i) {
            const PointMasks masks =
                i < points.size() / 2 ? PaletteMask::SnapshotA : PaletteMask::LiveA;
            if (i % (points.size() / 2) != 0)
                image.andSegment(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y,
                                 masks.Core, interior);
            image.andPoint(points[i].x, points[i].y, masks);
        }
        benchmark::ClobberMemory();
        const auto t2 = Clock::now();
        memsetTotal += seconds(t0, t1);
        drawTotal += seconds(t1, t2);
        state.SetIterationTime(seconds(t1, t2));
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["draw_ms"] = drawTotal / n * 1e3;
    state.counters["memset_ms"] = memsetTotal / n * 1e3;
    state.counters["vs_memset"] = drawTotal / memsetTotal;
}

// Argument 0: every pixel differs from its neighbours (worst case); 1: a plot as drawn, mostly
// background with grid lines and a curve.
void BM_ExpandToRgb32(benchmark::State& state) {
    IndexedImage image(Width, Height);
    if (state.range(0) == 0) {
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                image.setPixel(x, y, static_cast<std::uint8_t>((x ^ y) * 37));
    } else {
        for (int x = 0; x < Width; x += 100)
            image.verticalLine(x, 0, Height, PaletteMask::GridLeft, PixelOp::And);
        for (int y = 0; y < Height; y += 80)
            image.horizontalLine(y, 0, Width, PaletteMask::GridLeft, PixelOp::And);
        for (int x = 1; x < Width - 1; x += 3)
            image.andPoint(x, static_cast<int>(Height / 2 + Height / 3 * std::sin(x / 150.0)),
                           PaletteMask::LiveA);
    }
    QImage canvas(Width + 140, Height + 60, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    const Palette palette;
    const QRgb* lookup = palette.colorTable().constData();
    double expandTotal = 0, drawImageTotal = 0, plainTotal = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        image.expandInto(canvas, 70, 15);
        benchmark::DoNotOptimize(canvas.constBits());
        const auto t1 = Clock::now();
        {
            QPainter painter(&canvas);
            painter.drawImage(70, 15, image.indexed8());
        }
        benchmark::DoNotOptimize(canvas.constBits());
        const auto t2 = Clock::now();
        // Reference: one table lookup per pixel.
        for (int y = 0; y < Height; ++y) {
            const std::uint8_t* from = image.row(y);
            auto* to = reinterpret_cast<QRgb*>(canvas.scanLine(y + 15)) + 70;
            for (int x = 0; x < Width; ++x)
                to[x] = lookup[from[x]];
        }
        benchmark::DoNotOptimize(canvas.constBits());
        const auto t3 = Clock::now();
        expandTotal += seconds(t0, t1);
        drawImageTotal += seconds(t1, t2);
        plainTotal += seconds(t2, t3);
        state.SetIterationTime(seconds(t0, t1));
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["expand_ms"] = expandTotal / n * 1e3;
    state.counters["drawImage_ms"] = drawImageTotal / n * 1e3;
    state.counters["drawImage_vs_expand"] = drawImageTotal / expandTotal;
    state.counters["lookup_loop_vs_expand"] = plainTotal / expandTotal;
}

BENCHMARK(BM_DrawPoints20000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawCurves20000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExpandToRgb32)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

// The one main of core_bench: QPainter and the text benchmarks want a GUI application.
int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
