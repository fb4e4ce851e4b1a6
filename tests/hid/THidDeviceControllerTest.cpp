#include "THidDeviceController.h"
#include "HidPlatformVirtual.h"
#include "HidTestSupport.h"
#include "THidDevice.h"

#include <QPointer>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kurvimat::hid;

namespace {

// Records the controller's events in order, as "arrival:<product>", "unplug:...", ...
struct EventLog {
    std::vector<std::string> events;
    std::vector<THidDevice*> arrived;

    void attach(THidDeviceController& c) {
        c.OnArrival = [this](THidDevice* d) {
            EXPECT_TRUE(d->InEvent());
            events.push_back("arrival:" + d->ProductString().toStdString());
            arrived.push_back(d);
        };
        c.OnRemoval = [this](THidDevice* d) {
            EXPECT_TRUE(d->InEvent());
            EXPECT_FALSE(d->Present());
            events.push_back("removal:" + d->ProductString().toStdString());
        };
        c.OnDeviceChange = [this](THidDeviceController*) { events.push_back("change"); };
        c.SetOnDeviceUnplug([this](THidDevice* d) {
            events.push_back("unplug:" + d->ProductString().toStdString());
        });
    }
};

class ControllerTest : public ::testing::Test {
protected:
    void TearDown() override {
        controller.reset();
        drainEvents();
    }
    void start() {
        controller = std::make_unique<THidDeviceController>(platform);
        log.attach(*controller);
        ASSERT_TRUE(log.events.empty()) << "nothing may be reported during construction";
        ASSERT_TRUE(
            pumpUntil([&] { return !log.events.empty() && log.events.back() == "change"; }));
    }
    void claimAll() {
        THidDevice* d = nullptr;
        while (controller->ClaimNext(d)) {
        }
    }

    std::shared_ptr<HidPlatformVirtual> platform = std::make_shared<HidPlatformVirtual>();
    std::unique_ptr<THidDeviceController> controller;
    EventLog log;
};

TEST_F(ControllerTest, StartWithoutDevicesRaisesOnlyOneDeviceChange) {
    start();
    drainEvents();
    EXPECT_EQ(log.events, std::vector<std::string>{"change"});
    EXPECT_EQ(controller->LastChangeParam(), -1);
}

TEST_F(ControllerTest, UnavailableServiceRaisesNothing) {
    platform->setAvailable(false);
    controller = std::make_unique<THidDeviceController>(platform);
    log.attach(*controller);
    drainEvents();
    EXPECT_TRUE(log.events.empty());
    EXPECT_TRUE(controller->DeviceList().empty());
}

TEST_F(ControllerTest, TwoEqualDevicesArriveAsSeparateObjectsBeforeTheChange) {
    platform->plug(makeDevice(u"Twin"));
    platform->plug(makeDevice(u"Twin"));
    start();
    EXPECT_EQ(log.events, (std::vector<std::string>{"arrival:Twin", "arrival:Twin", "change"}));
    ASSERT_EQ(log.arrived.size(), 2u);
    EXPECT_NE(log.arrived[0]->PnPInfo().DevInst, log.arrived[1]->PnPInfo().DevInst);
    EXPECT_EQ(log.arrived[0]->HidAttributes().VendorID, 0x1234);
    EXPECT_EQ(log.arrived[1]->HidAttributes().ProductID, 0x5678);
    EXPECT_FALSE(log.arrived[0]->InEvent());
}

TEST_F(ControllerTest, NotificationWithoutChangeRaisesNothing) {
    platform->plug(makeDevice());
    start();
    log.events.clear();
    platform->postChangeNotification();
    drainEvents();
    EXPECT_TRUE(log.events.empty());
    EXPECT_EQ(controller->DeviceList().size(), 1u);
}

TEST_F(ControllerTest, ClaimNextTakesDevicesInListOrderThenFails) {
    platform->plug(makeDevice(u"First"));
    platform->plug(makeDevice(u"Second"));
    start();
    THidDevice* d = nullptr;
    ASSERT_TRUE(controller->ClaimNext(d));
    EXPECT_EQ(d->ProductString(), "First");
    EXPECT_TRUE(d->Claimed());
    ASSERT_TRUE(controller->ClaimNext(d));
    EXPECT_EQ(d->ProductString(), "Second");
    EXPECT_FALSE(controller->ClaimNext(d));
    EXPECT_EQ(d, nullptr);
}

// Claimed or free, a device that left is reported once, dropped from the list and destroyed
// after the change; a re-plug is a new object.
TEST_F(ControllerTest, DeviceThatLeftIsReportedOnceThenDestroyedAndReplugIsANewObject) {
    for (const bool claimed : {true, false}) {
        SCOPED_TRACE(claimed ? "claimed" : "free");
        controller.reset();
        log = EventLog();
        const QString first = platform->plug(makeDevice(u"Meter"));
        start();
        if (claimed) claimAll();
        QPointer<THidDevice> old = log.arrived.at(0);
        log.events.clear();

        platform->unplug(first);
        ASSERT_TRUE(
            pumpUntil([&] { return !log.events.empty() && log.events.back() == "change"; }));
        EXPECT_EQ(log.events,
                  (std::vector<std::string>{"unplug:Meter", "removal:Meter", "change"}));
        EXPECT_TRUE(controller->DeviceList().empty());
        EXPECT_TRUE(pumpUntil([&] { return old.isNull(); })) << "the object outlived its device";
        EXPECT_EQ(platform->openHandleCount(), 0u);

        log.events.clear();
        platform->plug(makeDevice(u"Meter"));
        ASSERT_TRUE(
            pumpUntil([&] { return !log.events.empty() && log.events.back() == "change"; }));
        EXPECT_EQ(log.events, (std::vector<std::string>{"arrival:Meter", "change"}));
        EXPECT_EQ(controller->DeviceList().size(), 1u);

        // What left is not reported again on later changes.
        log.events.clear();
        platform->postChangeNotification();
        drainEvents();
        EXPECT_TRUE(log.events.empty());
        platform->unplug(controller->DeviceList().front()->PnPInfo().DevInst);
        drainEvents();
    }
}

TEST_F(ControllerTest, NotificationDuringDeviceChangeIsHandledAfterIt) {
    platform->plug(makeDevice(u"A"));
    controller = std::make_unique<THidDeviceController>(platform);
    log.attach(*controller);
    bool nested = false;
    int depth = 0;
    controller->OnArrival = [&](THidDevice* d) {
        nested = nested || depth > 0;
        ++depth;
        log.events.push_back("arrival:" + d->ProductString().toStdString());
        if (d->ProductString() == "A") {
            // Like a modal question: a second device appears and events are pumped.
            platform->plug(makeDevice(u"B"));
            drainEvents();
            EXPECT_TRUE(controller->ChangeInProgress());
        }
        --depth;
    };
    ASSERT_TRUE(
        pumpUntil([&] { return std::count(log.events.begin(), log.events.end(), "change") == 2; }));
    EXPECT_FALSE(nested);
    EXPECT_EQ(log.events, (std::vector<std::string>{"arrival:A", "change", "arrival:B", "change"}));
}

TEST_F(ControllerTest, ExceptionFromAHandlerDoesNotBlockLaterChanges) {
    platform->plug(makeDevice(u"A"));
    controller = std::make_unique<THidDeviceController>(platform);
    int arrivals = 0;
    controller->OnArrival = [&](THidDevice*) {
        if (++arrivals == 1) throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(controller->DeviceChangeNotification(-1), std::runtime_error);
    EXPECT_FALSE(controller->ChangeInProgress());
    platform->plug(makeDevice(u"B"));
    EXPECT_TRUE(pumpUntil([&] { return arrivals == 2; }));
}

TEST_F(ControllerTest, DeviceWithoutWriteAccessIsQueryableButNeverRead) {
    auto device = makeDevice(u"Locked");
    device->readWriteAccess = false;
    platform->plug(device);
    start();
    THidDevice* d = log.arrived.at(0);
    EXPECT_EQ(log.events.front(), "arrival:Locked");
    EXPECT_FALSE(d->CanReadWrite());
    EXPECT_EQ(d->HidAttributes().VendorID, 0x1234);
    claimAll();
    d->SetDataHandler([](THidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {});
    EXPECT_FALSE(d->Reading());
    const std::uint8_t report[9] = {};
    EXPECT_FALSE(d->SendOutputReport(report, 9));
}

TEST_F(ControllerTest, OutputReportsNeedTheRequestAndAnOutputReport) {
    struct Row {
        const char* name;
        std::uint16_t outputLength;
        bool platformSupport;
        bool expected;
    };
    const Row rows[] = {
        {"with output report", 9, true, true},
        {"without output report", 0, true, false},
        {"platform without set-output-report", 9, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto p = std::make_shared<HidPlatformVirtual>();
        p->setOutputReportSupported(row.platformSupport);
        p->plug(makeDevice(u"Out", 9, row.outputLength));
        THidDeviceController c(p);
        THidDevice* d = nullptr;
        c.OnDeviceChange = [&](THidDeviceController* s) { s->ClaimNext(d); };
        ASSERT_TRUE(pumpUntil([&] { return d != nullptr; }));
        EXPECT_EQ(d->HidCaps().OutputReportByteLength, row.outputLength);
        std::vector<std::uint8_t> report(9, 0);
        EXPECT_EQ(d->SendOutputReport(report.data(), 9), row.expected);
    }
}

TEST_F(ControllerTest, SerialNumberIsEmptyWhenItIsTheLanguageList) {
    struct Row {
        const char* name;
        std::u16string serial;
        std::u16string languages;
        QString expected;
    };
    const Row rows[] = {
        {"ordinary serial", u"VK-42", u"\x0409", "VK-42"},
        {"serial equals language list", u"\x0409", u"\x0409", ""},
        {"serial starts with the whole list", u"\x0409\x0407Z", std::u16string(u"\x0409\x0407", 2),
         ""},
        {"list with final NUL", u"\x0409Q", std::u16string(u"\x0407\0", 2), "\u0409Q"},
        {"no language list", u"VK-42", u"", ""},
        {"no serial", u"", u"\x0409", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto p = std::make_shared<HidPlatformVirtual>();
        auto device = makeDevice();
        device->serial = row.serial;
        device->languages = row.languages;
        p->plug(device);
        THidDeviceController c(p);
        QString serial = "unset";
        c.OnArrival = [&](THidDevice* d) { serial = d->SerialNumberString(); };
        ASSERT_TRUE(pumpUntil([&] { return serial != "unset"; }));
        EXPECT_EQ(serial, row.expected);
    }
}

TEST_F(ControllerTest, QueriesOfADeviceThatIsNotAccessibleFailQuietly) {
    platform->plug(makeDevice(u"Idle"));
    start();
    THidDevice* d = log.arrived.at(0);
    // Listed, free, outside an event: it may not be opened.
    EXPECT_EQ(d->SerialNumberString(), "");
    EXPECT_EQ(d->HidCaps(), THidCaps{}) << "the arrival handler did not ask for caps";
    EXPECT_EQ(d->ProductString(), "Idle") << "cached during arrival";
}

TEST_F(ControllerTest, DevThreadSleepTimeReachesOnlyDevicesStillOnTheOldValue) {
    platform->plug(makeDevice(u"A"));
    platform->plug(makeDevice(u"B"));
    start();
    log.arrived[1]->SetWaitSlice(50);
    log.arrived[1]->SetWaitSlice(5); // out of range: ignored
    controller->SetDevThreadSleepTime(200);
    EXPECT_EQ(log.arrived[0]->WaitSlice(), 200);
    EXPECT_EQ(log.arrived[1]->WaitSlice(), 50);
}

TEST_F(ControllerTest, NewControllerHandlersReplaceOnlyInheritedOnes) {
    platform->plug(makeDevice(u"A"));
    platform->plug(makeDevice(u"B"));
    start();
    int controllerCalls = 0;
    int ownCalls = 0;
    log.arrived[1]->SetUnplugHandler([&](THidDevice*) { ++ownCalls; });
    controller->SetOnDeviceUnplug([&](THidDevice*) { ++controllerCalls; });
    claimAll();
    controller.reset(); // unplugs the claimed devices
    EXPECT_EQ(controllerCalls, 1);
    EXPECT_EQ(ownCalls, 1);
}

TEST_F(ControllerTest, BufferCountsFollowThePlatformAndAreLostWithTheHandle) {
    platform->plug(makeDevice());
    start();
    claimAll();
    THidDevice* d = log.arrived.at(0);
    d->SetInputBufferCount(512);
    EXPECT_EQ(d->InputBufferCount(), 512u);
    d->SetReadBufferCount(512);
    EXPECT_EQ(d->ReadBufferCount(), 512u);
    d->SetInputBufferCount(600); // refused by the platform: the count it reports is kept
    EXPECT_EQ(d->InputBufferCount(), 512u);
    d->SerialNumberString(); // closes the general handle
    EXPECT_EQ(d->InputBufferCount(), 0u);
    EXPECT_EQ(d->ReadBufferCount(), 512u);
}

} // namespace
