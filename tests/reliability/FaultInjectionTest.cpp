// Faults from outside at the worst moment: a GUI thread that stalls during a burst, an unplug
// racing an output report, a look-alike device, and closing while a report is being handed over.
#include "ProcessResources.h"

#include "HidPlatformVirtual.h"
#include "HidTestSupport.h"
#include "InstrumentLink.h"
#include "THidDevice.h"
#include "THidDeviceController.h"
#include "THidDeviceReadThread.h"
#include "VirtualInstrument.h"

#include <QPointer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <thread>

using namespace kurvimat::acquisition;
using namespace kurvimat::hid;

namespace {

class LayerFixture : public ::testing::Test {
protected:
    void TearDown() override {
        controller.reset();
        drainEvents();
        EXPECT_EQ(platform->openHandleCount(), 0u);
    }

    THidDevice* adopt(std::shared_ptr<VirtualHidDevice> device) {
        devInst = platform->plug(std::move(device));
        if (!controller)
            controller = std::make_unique<THidDeviceController>(platform);
        THidDevice* found = nullptr;
        controller->OnArrival = [&](THidDevice* d) { found = d; };
        EXPECT_TRUE(pumpUntil([&] { return found != nullptr; }));
        controller->OnArrival = nullptr;
        drainEvents();
        THidDevice* claimed = nullptr;
        while (controller->ClaimNext(claimed)) {
        }
        return found;
    }

    THidDataEvent counter() {
        return [this](THidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {
            ++delivered;
        };
    }

    void waitForReader() {
        ASSERT_TRUE(spinUntil([&] { return platform->waitingReaders(devInst) > 0; }));
    }

    std::shared_ptr<HidPlatformVirtual> platform = std::make_shared<HidPlatformVirtual>();
    std::unique_ptr<THidDeviceController> controller;
    QString devInst;
    long delivered = 0;
};

// --- GUI stalled during a burst -------------------------------------------------------------

struct StallCase {
    const char* name;
    std::uint32_t readBuffers; // 0: the platform's default queue
    int burst;
};

class StalledGui : public LayerFixture, public ::testing::WithParamInterface<StallCase> {};

// Whatever the queue drops while the GUI thread is busy must be reported: every report of the
// burst is either delivered or counted as lost.
TEST_P(StalledGui, EveryReportIsDeliveredOrReportedLost) {
    const StallCase c = GetParam();
    THidDevice* device = adopt(makeDevice());
    ASSERT_NE(device, nullptr);
    std::uint64_t reportedLost = 0;
    device->DataLossHandler = [&](THidDevice*, std::uint32_t lost) { reportedLost += lost; };
    device->SetDataHandler(counter());
    if (c.readBuffers)
        device->SetReadBufferCount(c.readBuffers);
    waitForReader();

    const std::vector<std::uint8_t> report(9, 0xA5);
    for (int i = 0; i < c.burst; ++i)
        platform->injectReport(devInst, report);
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // the stall: no event loop
    ASSERT_TRUE(pumpUntil([&] {
        return delivered + static_cast<long>(reportedLost) >= c.burst &&
               platform->queuedReports(devInst) == 0;
    })) << delivered << " delivered, " << reportedLost << " reported lost of " << c.burst;
    EXPECT_EQ(delivered + static_cast<long>(reportedLost), c.burst);
    EXPECT_EQ(device->LostReports(), reportedLost);
    const long queue = c.readBuffers ? c.readBuffers : 32;
    if (c.burst <= queue)
        EXPECT_EQ(reportedLost, 0u);
    else // one report may sit in the reader's buffer, the rest beyond the queue are gone
        EXPECT_GE(reportedLost, static_cast<std::uint64_t>(c.burst - queue - 1));
    device->SetDataHandler(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Bursts, StalledGui,
                         ::testing::Values(StallCase{"DefaultQueueSmallBurst", 0, 25},
                                           StallCase{"DefaultQueueOverflows", 0, 100},
                                           StallCase{"ProgramQueueHoldsBurst", 512, 400},
                                           StallCase{"ProgramQueueOverflows", 512, 1000}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Unplug racing an output report --------------------------------------------------------

TEST_F(LayerFixture, UnplugDuringOutputReportsFailsTheSendsNotTheProgram) {
    std::mt19937 random(7);
    controller = std::make_unique<THidDeviceController>(platform);
    int unplugs = 0;
    controller->SetOnDeviceUnplug([&](THidDevice* d) {
        ++unplugs;
        d->SetDataHandler(nullptr);
        // The program may still try to configure a device it is losing.
        const std::uint8_t config[9] = {0, 2, 3, 5, 0, 0, 0, 0, 0};
        EXPECT_FALSE(d->SendOutputReport(config, sizeof config));
    });
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(round);
        THidDevice* device = adopt(std::make_shared<VirtualInstrument>());
        ASSERT_NE(device, nullptr);
        device->SetDataHandler(counter());
        const QPointer<THidDevice> alive(device);
        const int delayUs = std::uniform_int_distribution<int>(0, 2000)(random);
        std::atomic<bool> gone{false};
        std::thread unplugger([&] {
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
            platform->unplug(devInst);
            gone = true;
        });
        std::uint8_t config[9] = {0, 2, 3, 2, 0, 0, 0, 0, 0};
        while (!gone) {
            config[3] = static_cast<std::uint8_t>(2 + (config[3] - 1) % 4);
            device->SendOutputReport(config, sizeof config);
        }
        unplugger.join();
        EXPECT_FALSE(device->SendOutputReport(config, sizeof config)) << "sent to a gone device";
        const int before = unplugs;
        ASSERT_TRUE(pumpUntil([&] { return unplugs == before + 1; }));
        ASSERT_TRUE(pumpUntil([&] { return alive.isNull(); })) << "the device outlived its leaving";
    }
    drainEvents();
    EXPECT_EQ(unplugs, 50);
}

// --- A look-alike device --------------------------------------------------------------------

struct LookAlike {
    const char* name;
    std::u16string product;
    std::uint16_t vendor, productId;
    bool instrument;
};

class LookAlikes : public LayerFixture, public ::testing::WithParamInterface<LookAlike> {};

// Only vendor, product id and the exact product string make the instrument; what the layer
// reports during the arrival decides, as it does for the main window.
TEST_P(LookAlikes, OnlyTheExactIdentityIsTheInstrument) {
    const LookAlike c = GetParam();
    auto device = std::make_shared<VirtualInstrument>();
    device->product = c.product;
    device->attributes.VendorID = c.vendor;
    device->attributes.ProductID = c.productId;
    controller = std::make_unique<THidDeviceController>(platform);
    int decided = 0;
    bool taken = false;
    controller->OnArrival = [&](THidDevice* d) {
        const auto& id = d->HidAttributes();
        taken = IsInstrument(id.VendorID, id.ProductID, d->ProductString());
        ++decided;
    };
    platform->plug(device);
    ASSERT_TRUE(pumpUntil([&] { return decided == 1; }));
    EXPECT_EQ(taken, c.instrument);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, LookAlikes,
    ::testing::Values(LookAlike{"Instrument", u"Kurvimat 1.3", 0x16C0, 0x05DF, true},
                      LookAlike{"OlderFirmware", u"Kurvimat 1.2", 0x16C0, 0x05DF, false},
                      LookAlike{"LowerCase", u"kurvimat 1.3", 0x16C0, 0x05DF, false},
                      LookAlike{"TrailingBlank", u"Kurvimat 1.3 ", 0x16C0, 0x05DF, false},
                      LookAlike{"UnreadableString", u"", 0x16C0, 0x05DF, false},
                      LookAlike{"OtherProductId", u"Kurvimat 1.3", 0x16C0, 0x05DC, false},
                      LookAlike{"OtherVendor", u"Kurvimat 1.3", 0x16C1, 0x05DF, false}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Closing while a report is being handed over ------------------------------------------

enum class Closing { RemoveHandler, UnplugAndRemove, DestroyController };

class ClosingDuringHandOff : public LayerFixture, public ::testing::WithParamInterface<Closing> {};

// The reading thread waits in a hand-off the GUI thread has not run yet; closing must serve or
// drop it, end the thread before returning, and deliver nothing afterwards.
TEST_P(ClosingDuringHandOff, EndsTheThreadWithoutDeadlock) {
    const int threadsBefore = currentResources().threads;
    THidDevice* device = adopt(makeDevice());
    ASSERT_NE(device, nullptr);
    device->SetDataHandler(counter());
    waitForReader();
    platform->injectReport(devInst, std::vector<std::uint8_t>(9, 1));
    ASSERT_TRUE(spinUntil([&] { return device->ReadThread()->handOffPending(); }));
    platform->injectReport(devInst, std::vector<std::uint8_t>(9, 2)); // waits in the queue

    switch (GetParam()) {
    case Closing::RemoveHandler:
        device->SetDataHandler(nullptr);
        EXPECT_FALSE(device->Reading());
        break;
    case Closing::UnplugAndRemove:
        controller->SetOnDeviceUnplug([](THidDevice* d) { d->SetDataHandler(nullptr); });
        platform->unplug(devInst);
        controller->DeviceChange();
        EXPECT_FALSE(device->Present());
        EXPECT_FALSE(device->Reading());
        break;
    case Closing::DestroyController:
        controller.reset();
        break;
    }
    EXPECT_EQ(currentResources().threads, threadsBefore) << "the reading thread is still there";
    const long atClose = delivered;
    EXPECT_LE(atClose, 1) << "only the report already handed over may still be delivered";
    drainEvents();
    EXPECT_EQ(delivered, atClose) << "a report was delivered after closing";
}

INSTANTIATE_TEST_SUITE_P(Ways, ClosingDuringHandOff,
                         ::testing::Values(Closing::RemoveHandler, Closing::UnplugAndRemove,
                                           Closing::DestroyController),
                         [](const auto& info) {
                             switch (info.param) {
                             case Closing::RemoveHandler: return std::string("RemoveHandler");
                             case Closing::UnplugAndRemove: return std::string("UnplugAndRemove");
                             default: return std::string("DestroyController");
                             }
                         });

} // namespace
