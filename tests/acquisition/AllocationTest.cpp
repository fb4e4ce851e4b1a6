// The data path allocates nothing per report: counted through the global operator new, which
// every standard container and string of the pipeline and the parser goes through.
#include "PipelineTestSupport.h"

#include <array>
#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> Counting{false};
std::atomic<long> Allocations{0};
} // namespace

void* operator new(std::size_t size) {
    if (Counting) ++Allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

TEST_F(PipelineFixture, ReportsInDauerModeWithTwoFormulasAllocateNothing) {
    struct Row {
        const char* name;
        TriggerMode mode;
        int intervalMs;
        bool channelBOff;
    } rows[] = {
        {"dauer, 2 ms", TriggerMode::Dauer, 2, false},
        {"dauer, 5 ms, B off", TriggerMode::Dauer, 5, true},
        {"auto, 2 ms", TriggerMode::Auto, 2, false},
    };
    ParserA.SetVariable("r", 0);
    ParserB.SetVariable("r", 0);
    // Formulas that do not fail on these values: a failing evaluation throws, and that may
    // allocate (channel B off gives B the deviation 0, so U = 0 there).
    SetFormulas("1/(1/298.15+ln(47/(5/U-1)/50)/3950)-273.15", "Y*2+U");
    S.DeviceMode = 2;
    S.PointCount = 100;
    S.PreTrigger = 20;
    for (const Row& r : rows) {
        Allocations = 0;
        SCOPED_TRACE(r.name);
        Controls.mode = r.mode;
        S.IntervalMs = r.intervalMs;
        S.InputCodeB = r.channelBOff ? S.InputCodeA : 3;
        std::array<std::uint8_t, 8> d{};
        PipelineEvents events;
        for (int i = 0; i < 4000; ++i) {
            // The first 2000 reports fill the history with values the formulas take.
            Counting = i >= 2000;
            d.fill(std::uint8_t(40 + i % 150));
            events.Merge(Pipe.DecodeReport(d.data(), 8, Controls));
        }
        Counting = false;
        EXPECT_GT(events.triggers, 20);
        EXPECT_EQ(Allocations, 0);
    }
}

} // namespace
