// The data path allocates nothing per report. Counted at the bottom, at malloc, which the C++
// allocation functions below, the standard containers and Qt all go through. Under a sanitizer
// its allocator reports every allocation to a hook; without one this program interposes malloc
// and its relatives in front of the C library's.
#include "../SanitizedHeap.h"
#include "PipelineTestSupport.h"
#include "window/TFormMain.h"

#include <QApplication>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QString>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <new>
#include <thread>
#include <vector>


using namespace kurvimat::acquisition;
using namespace kurvimat::hid;

namespace {
std::atomic<bool> Counting{false};
std::atomic<long> Allocations{0};
void* volatile Sink;
// Only the tests' own thread counts: the window's journal writer makes its file on a thread of
// its own meanwhile, and that is not the share of a report.
const std::thread::id CountingThread = std::this_thread::get_id();

void noteAllocation() {
    if (Counting.load(std::memory_order_relaxed) && std::this_thread::get_id() == CountingThread)
        Allocations.fetch_add(1);
}
} // namespace

#ifdef KURVIMAT_SANITIZED_HEAP
extern "C" int __sanitizer_install_malloc_and_free_hooks(
    void (*malloc_hook)(const volatile void*, std::size_t), void (*free_hook)(const volatile void*));

namespace {
// Both hooks are required.
const bool HooksInstalled = __sanitizer_install_malloc_and_free_hooks(
    [](const volatile void*, std::size_t) { noteAllocation(); }, [](const volatile void*) {});
} // namespace
#else
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);

void* malloc(std::size_t size) {
    noteAllocation();
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
    noteAllocation();
    return __libc_calloc(count, size);
}
void* realloc(void* p, std::size_t size) {
    noteAllocation();
    return __libc_realloc(p, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
    noteAllocation();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** p, std::size_t alignment, std::size_t size) {
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
    noteAllocation();
    *p = __libc_memalign(alignment, size);
    return *p ? 0 : ENOMEM;
}
}

namespace {
const bool HooksInstalled = true;
} // namespace
#endif

// Every form of the C++ allocation functions, so that each pair of new and delete meets in
// malloc and free whichever form the library picks (std::stable_sort takes its buffer with the
// nothrow form).
namespace {
void* allocate(std::size_t size) noexcept {
    return std::malloc(size ? size : 1);
}
void* allocate(std::size_t size, std::align_val_t alignment) noexcept {
    const auto a = std::max(static_cast<std::size_t>(alignment), sizeof(void*));
    return std::aligned_alloc(a, (size + a - 1) / a * a);
}
template <class... Alignment>
void* allocateOrThrow(std::size_t size, Alignment... alignment) {
    if (void* p = allocate(size, alignment...)) return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t n) { return allocateOrThrow(n); }
void* operator new[](std::size_t n) { return allocateOrThrow(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return allocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return allocate(n); }
void* operator new(std::size_t n, std::align_val_t a) { return allocateOrThrow(n, a); }
void* operator new[](std::size_t n, std::align_val_t a) { return allocateOrThrow(n, a); }
void* operator new(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
    return allocate(n, a);
}
void* operator new[](std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
    return allocate(n, a);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

// The count of zero below means something only if every way of allocating is seen.
TEST(AllocationCount, SeesEveryWayOfAllocating) {
    // Kept where the optimizer cannot see through, so that no pair is elided.
    const auto keep = [](auto* p) {
        Sink = p;
        return p;
    };
    const std::pair<const char*, std::function<void()>> rows[] = {
        {"new", [&] { delete keep(new int(1)); }},
        {"new[]", [&] { delete[] keep(new int[3]); }},
        {"nothrow new", [&] { delete keep(new (std::nothrow) int(1)); }},
        {"aligned new",
         [&] {
             struct alignas(64) Wide {
                 char c[64];
             };
             delete keep(new Wide);
         }},
        {"malloc", [&] { std::free(keep(std::malloc(16))); }},
        {"calloc", [&] { std::free(keep(std::calloc(4, 4))); }},
        {"vector", [&] { keep(std::vector<int>(100).data()); }},
        {"QString", [&] { keep(QString(100, QLatin1Char('x')).data()); }},
    };
    ASSERT_TRUE(HooksInstalled);
    for (const auto& [name, allocate] : rows) {
        SCOPED_TRACE(name);
        Allocations = 0;
        Counting = true;
        allocate();
        Counting = false;
        EXPECT_GE(Allocations, 1);
    }
}

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

// The window's share of a report: it reads the trigger controls, hands the report on and shows
// what came of it.
TEST(WindowAllocation, ReportsOfTheHeldInstrumentAllocateNothing) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "acquisition_alloc_test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    // The store stays on the heap: a window on a small thread stack must not overflow it.
    static_assert(sizeof(TFormMain) < sizeof(MeasurementStore) / 16);
    QTemporaryDir data; // the window's session journal, not in the user's folder
    qputenv("KURVIMAT_DATA_DIR", data.path().toUtf8());
    TFormMain win;
    win.findChild<QTimer*>(QStringLiteral("TimerTakt"))->stop();
    win.findChild<QRadioButton*>(QStringLiteral("RadioButtonDauer"))->setChecked(true);
    win.session().store().InputCodeA = 2;
    win.session().store().InputCodeB = 3;
    win.session().store().DeviceMode = 2;
    win.session().store().IntervalMs = 2;
    win.session().store().PointCount = 100;
    win.session().store().PreTrigger = 20;
    THidDevice* const device = reinterpret_cast<THidDevice*>(std::uintptr_t(0x1000));
    win.HoldInstrument(device);
    std::array<std::uint8_t, 8> d{};
    Allocations = 0;
    for (int i = 0; i < 4000; ++i) {
        Counting = i >= 2000;
        d.fill(std::uint8_t(40 + i % 150));
        win.HidDeviceData(device, 0, d.data(), 8);
    }
    Counting = false;
    win.HoldInstrument(nullptr);
    EXPECT_GT(win.session().store().Data.Count, 0);
    EXPECT_EQ(Allocations, 0);
}

} // namespace
