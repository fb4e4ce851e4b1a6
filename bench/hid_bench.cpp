// Report hand-off from a device's reading thread to the GUI thread: sustained reports per second
// (against the 125 reports/s the instrument sends in its fastest mode) and the latency of one
// report from injection to handler (against a plain two-thread mutex/condvar round trip measured
// in the same run).

#include "HidPlatformVirtual.h"
#include "THidDevice.h"
#include "THidDeviceController.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

using namespace kurvimat::hid;

namespace {

using Clock = std::chrono::steady_clock;
constexpr double Mode2ReportsPerSecond = 125.0; // 4 pairs of 2 ms per report

struct Rig {
    std::shared_ptr<HidPlatformVirtual> platform = std::make_shared<HidPlatformVirtual>();
    std::unique_ptr<THidDeviceController> controller;
    THidDevice* device = nullptr;
    QString devInst;
    std::atomic<std::uint64_t> delivered{0};
    std::int64_t lastLatencyNs = 0;

    Rig() {
        auto virtualDevice = std::make_shared<VirtualHidDevice>();
        virtualDevice->product = u"Bench";
        virtualDevice->caps.InputReportByteLength = 9;
        devInst = platform->plug(virtualDevice);
        controller = std::make_unique<THidDeviceController>(platform);
        controller->OnDeviceChange = [this](THidDeviceController* c) { c->ClaimNext(device); };
        while (!device)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        device->SetReadBufferCount(512);
        device->SetDataHandler(
            [this](THidDevice*, std::uint8_t, const std::uint8_t* data, std::uint16_t) {
                std::int64_t stamp = 0;
                std::memcpy(&stamp, data, sizeof stamp);
                lastLatencyNs = Clock::now().time_since_epoch().count() - stamp;
                delivered.fetch_add(1, std::memory_order_relaxed);
            });
        while (platform->waitingReaders(devInst) == 0)
            std::this_thread::yield();
    }
    ~Rig() { device->SetDataHandler(nullptr); }

    void inject() {
        std::vector<std::uint8_t> report(9, 0);
        const std::int64_t stamp = Clock::now().time_since_epoch().count();
        std::memcpy(report.data() + 1, &stamp, sizeof stamp);
        platform->injectReport(devInst, std::move(report));
    }
};

void BM_HandOffSustained(benchmark::State& state) {
    Rig rig;
    std::atomic<bool> running{true};
    // Keeps the reader's queue from running dry, so the hand-off is the bottleneck.
    std::thread feeder([&] {
        while (running) {
            if (rig.platform->queuedReports(rig.devInst) < 256) {
                for (int i = 0; i < 64; ++i)
                    rig.inject();
            } else {
                std::this_thread::yield();
            }
        }
    });
    const auto start = Clock::now();
    const std::uint64_t first = rig.delivered;
    for (auto _ : state) {
        const std::uint64_t before = rig.delivered;
        while (rig.delivered == before)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    running = false;
    feeder.join();
    const double rate = static_cast<double>(rig.delivered - first) / seconds;
    state.counters["reports_per_s"] = rate;
    state.counters["x_mode2_rate"] = rate / Mode2ReportsPerSecond;
    state.counters["lost"] = static_cast<double>(rig.device->LostReports());
}
BENCHMARK(BM_HandOffSustained)->Unit(benchmark::kMicrosecond)->MinTime(1.0)->UseRealTime();

// The cheapest possible cross-thread round trip: the floor for any synchronous hand-off.
double pingPongNs(int rounds) {
    std::mutex m;
    std::condition_variable cv;
    int turn = 0; // 0: main thread's move, 1: partner's
    bool stop = false;
    std::thread partner([&] {
        std::unique_lock lock(m);
        for (;;) {
            cv.wait(lock, [&] { return turn == 1 || stop; });
            if (stop) return;
            turn = 0;
            cv.notify_all();
        }
    });
    const auto start = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        std::unique_lock lock(m);
        turn = 1;
        cv.notify_all();
        cv.wait(lock, [&] { return turn == 0; });
    }
    const double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
    {
        std::lock_guard lock(m);
        stop = true;
    }
    cv.notify_all();
    partner.join();
    return ns / rounds;
}

void BM_HandOffLatency(benchmark::State& state) {
    Rig rig;
    std::vector<double> latencies;
    for (auto _ : state) {
        const std::uint64_t before = rig.delivered;
        rig.inject();
        while (rig.delivered == before)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        latencies.push_back(static_cast<double>(rig.lastLatencyNs));
    }
    std::sort(latencies.begin(), latencies.end());
    const auto percentile = [&](double p) {
        return latencies[std::min(latencies.size() - 1,
                                  static_cast<std::size_t>(p * latencies.size()))];
    };
    const double reference = pingPongNs(20000);
    state.counters["p50_us"] = percentile(0.50) / 1000.0;
    state.counters["p90_us"] = percentile(0.90) / 1000.0;
    state.counters["p99_us"] = percentile(0.99) / 1000.0;
    state.counters["max_us"] = latencies.back() / 1000.0;
    state.counters["pingpong_us"] = reference / 1000.0;
    state.counters["p50_x_pingpong"] = percentile(0.50) / reference;
    // Share of the 8 ms between two reports in the fastest mode that one hand-off takes.
    state.counters["p99_share_of_8ms"] = percentile(0.99) / 8e6;
}
BENCHMARK(BM_HandOffLatency)->Unit(benchmark::kMicrosecond)->MinTime(1.0)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
