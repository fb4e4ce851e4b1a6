// A student plugs and unplugs the instrument all afternoon while it streams: every cycle must
// give back its reading thread, its descriptors and its memory.
#include "ProcessResources.h"

#include "HidPlatformVirtual.h"
#include "HidTestSupport.h"
#include "InstrumentLink.h"
#include "THidDevice.h"
#include "THidDeviceController.h"
#include "VirtualInstrument.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

using namespace kurvimat::acquisition;
using namespace kurvimat::hid;

namespace {

// The controller with the handlers the main window binds: adopt the instrument on arrival,
// claim everything on a change, drop the data handler on unplug.
struct ProgramLikeController {
    explicit ProgramLikeController(std::shared_ptr<HidPlatform> platform)
        : controller(std::make_unique<THidDeviceController>(std::move(platform))) {
        controller->OnArrival = [this](THidDevice* device) {
            const auto& id = device->HidAttributes();
            if (!IsInstrument(id.VendorID, id.ProductID, device->ProductString()))
                return;
            held = device;
            device->SetDataHandler([this](THidDevice*, std::uint8_t, const std::uint8_t*,
                                          std::uint16_t) { ++reports; });
        };
        controller->OnDeviceChange = [this](THidDeviceController*) {
            THidDevice* device = nullptr;
            while (controller->ClaimNext(device)) {
                if (device == held) {
                    device->SetInputBufferCount(512);
                    device->SetReadBufferCount(512);
                }
            }
        };
        controller->SetOnDeviceUnplug([this](THidDevice* device) {
            if (device != held)
                return;
            device->SetDataHandler(nullptr);
            held = nullptr;
        });
    }

    std::unique_ptr<THidDeviceController> controller;
    THidDevice* held = nullptr;
    long reports = 0;
};

TEST(PlugCycles, ThousandCyclesWhileStreamingLeaveNothingBehind) {
    constexpr int Batches = 10;
    constexpr int CyclesPerBatch = 100;
    auto platform = std::make_shared<HidPlatformVirtual>();
    drainEvents();
    ProcessResources baseline;
    ProcessResources afterFirstBatch;
    const std::vector<std::uint8_t> report(VirtualInstrument::ReportLength, 0x55);

    for (int batch = 0; batch < Batches; ++batch) {
        SCOPED_TRACE("batch " + std::to_string(batch));
        {
            ProgramLikeController program(platform);
            for (int cycle = 0; cycle < CyclesPerBatch; ++cycle) {
                const int threadsBefore = currentResources().threads;
                const QString devInst = platform->plug(std::make_shared<VirtualInstrument>());
                ASSERT_TRUE(pumpUntil([&] { return program.held && program.held->Reading(); }))
                    << "cycle " << cycle << ": instrument not adopted";
                // Reports reach only a reader that is waiting: then one arrives for sure. The
                // event loop runs meanwhile, or a streamed report's hand-off would block it.
                ASSERT_TRUE(pumpUntil([&] { return platform->waitingReaders(devInst) > 0; }));
                const long before = program.reports;
                platform->injectReport(devInst, report);
                ASSERT_TRUE(pumpUntil([&] { return program.reports > before; }));

                platform->unplug(devInst);
                ASSERT_TRUE(pumpUntil([&] { return program.held == nullptr; }))
                    << "cycle " << cycle << ": unplug not handled";
                ASSERT_TRUE(program.controller->DeviceList().empty())
                    << "cycle " << cycle << ": the device that left stays listed";
                // A joined thread may still be counted for a moment while the kernel tears it
                // down; a leaked one stays. ThreadSanitizer starts a helper with the first
                // thread ever made.
                if (batch > 0 || cycle > 0) {
                    ASSERT_TRUE(pumpUntil(
                        [&] { return currentResources().threads == threadsBefore; }))
                        << "cycle " << cycle << ": a reading thread outlived its device; "
                        << "threads: " << threadNames();
                }
            }
            EXPECT_EQ(platform->openHandleCount(), 0u);
        }
        drainEvents();
        // Measured after the first batch: sanitizers and Qt start helpers of their own once.
        if (batch > 0) {
            EXPECT_TRUE(pumpUntil([&] { return currentResources().threads == baseline.threads; }));
        }
        const ProcessResources now = currentResources();
        if (batch == 0)
            baseline = now;
        EXPECT_EQ(now.threads, baseline.threads);
        EXPECT_EQ(now.descriptors, baseline.descriptors);
        if (batch == 0)
            afterFirstBatch = now;
    }
    const ProcessResources end = currentResources();
    std::printf("%d plug cycles: threads %d -> %d, descriptors %d -> %d, heap after the first "
                "batch %zu -> %zu bytes\n",
                Batches * CyclesPerBatch, baseline.threads, end.threads, baseline.descriptors,
                end.descriptors, afterFirstBatch.heapInUse, end.heapInUse);
    if (heapFiguresMeaningful()) {
        // The first batch warms up Qt and the allocator; after it the heap must stay put.
        const auto grown = static_cast<long long>(currentResources().heapInUse) -
                           static_cast<long long>(afterFirstBatch.heapInUse);
        EXPECT_LT(grown, 64 * 1024) << "heap grew by " << grown << " bytes over "
                                    << (Batches - 1) * CyclesPerBatch << " cycles";
    }
}

} // namespace
