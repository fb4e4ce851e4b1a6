#include "THidDeviceReadThread.h"
#include "HidPlatformVirtual.h"
#include "HidTestSupport.h"
#include "THidDevice.h"
#include "THidDeviceController.h"
#include "VirtualInstrument.h"

#include <QPointer>

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

using namespace kurvimat::hid;

namespace {

struct Delivery {
    std::uint8_t reportId;
    std::vector<std::uint8_t> data;
    std::thread::id thread;
};

class ReadThreadTest : public ::testing::Test {
protected:
    void TearDown() override {
        controller.reset();
        drainEvents();
        EXPECT_EQ(platform->openHandleCount(), 0u) << "every handle is closed at the end";
    }

    // Plugs the device, lets the controller find it and claims it with `claim`.
    THidDevice* adopt(std::shared_ptr<VirtualHidDevice> device, bool claim = true) {
        devInst = platform->plug(std::move(device));
        controller = std::make_unique<THidDeviceController>(platform);
        THidDevice* found = nullptr;
        controller->OnArrival = [&](THidDevice* d) { found = d; };
        EXPECT_TRUE(pumpUntil([&] { return found != nullptr; }));
        drainEvents();
        if (claim) {
            THidDevice* claimed = nullptr;
            EXPECT_TRUE(controller->ClaimNext(claimed));
        }
        return found;
    }

    // Reports reach only open handles: wait until the reading thread waits in a read.
    void waitForReader() {
        ASSERT_TRUE(spinUntil([&] { return platform->waitingReaders(devInst) > 0; }));
    }

    THidDataEvent recorder() {
        return [this](THidDevice*, std::uint8_t id, const std::uint8_t* data, std::uint16_t size) {
            deliveries.push_back(
                {id, std::vector<std::uint8_t>(data, data + size), std::this_thread::get_id()});
        };
    }

    std::shared_ptr<HidPlatformVirtual> platform = std::make_shared<HidPlatformVirtual>();
    std::unique_ptr<THidDeviceController> controller;
    QString devInst;
    std::vector<Delivery> deliveries;
};

TEST_F(ReadThreadTest, ReportsReachTheHandlerOnTheGuiThreadWithIdAndSize) {
    THidDevice* d = adopt(makeDevice(u"Box", 9));
    d->SetDataHandler(recorder());
    ASSERT_TRUE(d->Reading());
    waitForReader();
    const std::vector<std::vector<std::uint8_t>> reports = {
        {7}, {0, 0xAB}, {3, 1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}};
    for (const auto& r : reports)
        platform->injectReport(devInst, r);
    ASSERT_TRUE(pumpUntil([&] { return deliveries.size() == reports.size(); }));
    for (std::size_t i = 0; i < reports.size(); ++i) {
        SCOPED_TRACE(i);
        // Longer reports are cut to the device's input report length.
        const std::size_t bytes = std::min<std::size_t>(reports[i].size(), 9);
        EXPECT_EQ(deliveries[i].reportId, reports[i][0]);
        EXPECT_EQ(deliveries[i].data,
                  std::vector<std::uint8_t>(reports[i].begin() + 1, reports[i].begin() + bytes));
        EXPECT_EQ(deliveries[i].thread, std::this_thread::get_id());
    }
    d->SetDataHandler(nullptr);
}

TEST_F(ReadThreadTest, ReadingStartsOnlyForAClaimedDeviceWithAHandler) {
    THidDevice* d = adopt(makeDevice(), false);
    d->SetDataHandler(recorder());
    EXPECT_FALSE(d->Reading());
    THidDevice* claimed = nullptr;
    ASSERT_TRUE(controller->ClaimNext(claimed));
    EXPECT_TRUE(d->Reading());
    d->SetDataHandler(nullptr);
    EXPECT_FALSE(d->Reading());
    d->SetDataHandler(nullptr); // no thread: returns at once
    EXPECT_FALSE(d->Reading());
}

TEST_F(ReadThreadTest, StoppingWhileTheThreadWaitsInAHandOffServesItAndReturns) {
    THidDevice* d = adopt(makeDevice());
    d->SetDataHandler(recorder());
    waitForReader();
    platform->injectReport(devInst, {1, 42});
    ASSERT_TRUE(spinUntil([&] { return d->ReadThread()->handOffPending(); }));

    d->SetDataHandler(nullptr); // must not deadlock
    EXPECT_FALSE(d->Reading());
    ASSERT_EQ(deliveries.size(), 1u) << "the pending hand-off ran while stopping";
    EXPECT_EQ(deliveries[0].data, std::vector<std::uint8_t>{42});

    platform->injectReport(devInst, {1, 43});
    drainEvents();
    EXPECT_EQ(deliveries.size(), 1u) << "nothing is delivered after the handler is removed";
}

TEST_F(ReadThreadTest, HandlerThatThrowsWhileBeingStoppedStillEndsTheThread) {
    THidDevice* d = adopt(makeDevice());
    d->SetDataHandler([](THidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {
        throw std::runtime_error("decoder failed");
    });
    waitForReader();
    platform->injectReport(devInst, {0, 1});
    ASSERT_TRUE(spinUntil([&] { return d->ReadThread()->handOffPending(); }));
    EXPECT_THROW(d->SetDataHandler(nullptr), std::runtime_error);
    EXPECT_FALSE(d->Reading());
    EXPECT_EQ(d->DataHandler(), nullptr);
    d->SetDataHandler(recorder()); // a new thread can start
    EXPECT_TRUE(d->Reading());
    d->SetDataHandler(nullptr);
}

TEST_F(ReadThreadTest, HandlerMayRemoveItselfFromInsideAHandOff) {
    THidDevice* d = adopt(makeDevice());
    int calls = 0;
    d->SetDataHandler([&](THidDevice* dev, std::uint8_t, const std::uint8_t*, std::uint16_t) {
        ++calls;
        dev->SetDataHandler(nullptr);
    });
    waitForReader();
    for (int i = 0; i < 5; ++i)
        platform->injectReport(devInst, {0, static_cast<std::uint8_t>(i)});
    ASSERT_TRUE(pumpUntil([&] { return calls > 0; }));
    drainEvents();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(d->Reading());
    // A new handler starts a new thread that takes the remaining reports.
    d->SetDataHandler(recorder());
    EXPECT_TRUE(pumpUntil([&] { return deliveries.size() == 4; }));
    d->SetDataHandler(nullptr);
}

TEST_F(ReadThreadTest, ReportsDroppedByASlowReaderAreCountedAndReported) {
    THidDevice* d = adopt(makeDevice());
    std::uint32_t reportedLoss = 0;
    d->DataLossHandler = [&](THidDevice*, std::uint32_t lost) { reportedLoss += lost; };
    d->SetDataHandler(recorder());
    waitForReader();
    platform->injectReport(devInst, {0, 0});
    // The reader is now blocked in the hand-off; its queue (32 reports) overflows by 8.
    ASSERT_TRUE(spinUntil([&] { return d->ReadThread()->handOffPending(); }));
    for (int i = 1; i <= 40; ++i)
        platform->injectReport(devInst, {0, static_cast<std::uint8_t>(i)});
    ASSERT_TRUE(pumpUntil([&] { return deliveries.size() == 33; }));
    EXPECT_EQ(d->LostReports(), 8u);
    EXPECT_EQ(reportedLoss, 8u);
    EXPECT_EQ(deliveries[1].data[0], 9) << "the oldest reports are the ones lost";
    d->SetDataHandler(nullptr);
}

TEST_F(ReadThreadTest, UnplugHandlerThatRemovesTheDataHandlerEndsStreaming) {
    THidDevice* d = adopt(std::make_shared<VirtualInstrument>());
    controller->SetOnDeviceUnplug([](THidDevice* dev) { dev->SetDataHandler(nullptr); });
    d->SetUnplugHandler(controller->OnDeviceUnplug());
    d->SetDataHandler(recorder());
    ASSERT_TRUE(pumpUntil([&] { return deliveries.size() >= 3; }));
    const QPointer<THidDevice> alive(d);
    platform->unplug(devInst);
    ASSERT_TRUE(pumpUntil([&] { return alive.isNull(); }));
    EXPECT_EQ(platform->openHandleCount(), 0u);
}

TEST_F(ReadThreadTest, ReadErrorsReachTheErrorHandlerWhileTheDeviceIsGone) {
    THidDevice* d = adopt(makeDevice());
    std::vector<std::uint32_t> errors;
    d->SetErrorHandler([&](THidDevice*, std::uint32_t e) { errors.push_back(e); });
    d->SetDataHandler(recorder());
    // Nobody removes the data handler on unplug here; the device lives until the removal
    // event is over, and its reader keeps failing meanwhile.
    bool removed = false;
    controller->OnRemoval = [&](THidDevice* gone) {
        EXPECT_TRUE(pumpUntil([&] { return errors.size() >= 2; }));
        EXPECT_TRUE(gone->Reading());
        removed = true;
    };
    const QPointer<THidDevice> alive(d);
    platform->unplug(devInst);
    ASSERT_TRUE(pumpUntil([&] { return removed && alive.isNull(); }));
    EXPECT_NE(errors.at(0), 0u);
}

// A handler that stops its own thread: the call only asks (the worker waits for the handler
// to return) and must not spin; the thread ends once the hand-off is over.
TEST_F(ReadThreadTest, StopFromInsideItsOwnHandOffReturnsAndTheThreadEndsAfterwards) {
    THidDevice* d = adopt(makeDevice(), false); // unclaimed: its reads fail, errors are handed off
    std::unique_ptr<THidDeviceReadThread> thread;
    int calls = 0;
    d->SetErrorHandler([&](THidDevice*, std::uint32_t) {
        ++calls;
        thread->stop();
        EXPECT_FALSE(thread->ended());
    });
    thread = std::make_unique<THidDeviceReadThread>(d, 9);
    ASSERT_TRUE(pumpUntil([&] { return thread->ended(); }));
    EXPECT_EQ(calls, 1);
    EXPECT_NE(thread->lastError(), 0u);
    thread.reset();
}

TEST_F(ReadThreadTest, DestroyingTheControllerStopsAStreamingDevice) {
    THidDevice* d = adopt(std::make_shared<VirtualInstrument>());
    int unplugs = 0;
    d->SetUnplugHandler([&](THidDevice*) { ++unplugs; });
    d->SetDataHandler(recorder());
    ASSERT_TRUE(pumpUntil([&] { return deliveries.size() >= 3; }));
    controller.reset();
    EXPECT_EQ(unplugs, 1);
    const std::size_t delivered = deliveries.size();
    drainEvents();
    EXPECT_EQ(deliveries.size(), delivered);
    EXPECT_EQ(platform->openHandleCount(), 0u);
}

} // namespace
