// Runs inside a virtual machine with the kernel's hid, hidraw and uhid drivers and no udevd:
// the Linux platform and the device layer against devices the kernel believes are real.
#include "UhidDevice.h"

#include "HidPlatformLinux.h"
#include "THidDevice.h"
#include "THidDeviceController.h"
#include "VirtualInstrument.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The deadlines only keep a broken kernel path from hanging the machine; no result depends on
// how long anything takes.
template <typename Predicate> bool pumpUntil(Predicate done, int ms = 10000) {
    QDeadlineTimer guard(ms);
    while (!done()) {
        if (guard.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void pumpFor(int ms) {
    QDeadlineTimer until(ms);
    while (!until.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

bool isInstrument(THidDevice* device) {
    return device->HidAttributes().VendorID == VirtualInstrument::VendorId &&
           device->HidAttributes().ProductID == VirtualInstrument::ProductId;
}

struct Received {
    std::uint8_t reportId;
    std::vector<std::uint8_t> data;
};

// One controller on the system platform, as the program holds it, with the instrument's
// arrivals and unplugs recorded.
class KernelHid : public ::testing::Test {
protected:
    void SetUp() override {
        controller = std::make_unique<THidDeviceController>(makeSystemHidPlatform());
        controller->OnArrival = [this](THidDevice* device) {
            if (isInstrument(device))
                arrived.push_back(device);
        };
        controller->SetOnDeviceUnplug([this](THidDevice* device) {
            unplugged.push_back(device);
            device->SetDataHandler(nullptr); // as the program does: stop reading at once
        });
        controller->OnDeviceChange = [this](THidDeviceController*) { ++changes; };
    }

    void TearDown() override {
        controller.reset();
        uhid.destroy();
    }

    // Waits for the controller's own change notification: no DeviceChange call from here, so
    // a platform that misses hot-plug events fails.
    THidDevice* plugAndWait(const UhidIdentity& identity = UhidIdentity()) {
        const std::size_t before = arrived.size();
        if (!uhid.create(identity))
            return nullptr;
        if (!pumpUntil([&] { return arrived.size() > before; }))
            return nullptr;
        return arrived.back();
    }

    THidDevice* claim(THidDevice* wanted) {
        THidDevice* device = nullptr;
        while (controller->ClaimNext(device))
            if (device == wanted)
                return device;
        return wanted->Claimed() ? wanted : nullptr;
    }

    // Reports sent before the reading thread has its hidraw file open are lost by design;
    // knock until one comes through.
    bool waitUntilReading(const std::vector<Received>& received) {
        const std::uint8_t knock[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0, 0, 0, 0};
        return pumpUntil([&] {
            if (!received.empty())
                return true;
            uhid.sendInput(knock, sizeof knock);
            pumpFor(20);
            return !received.empty();
        });
    }

    THidDataEvent recorder(std::vector<Received>& into) {
        return [&into](THidDevice*, std::uint8_t id, const std::uint8_t* data, std::uint16_t size) {
            into.push_back({id, std::vector<std::uint8_t>(data, data + size)});
        };
    }

    UhidDevice uhid;
    std::unique_ptr<THidDeviceController> controller;
    std::vector<THidDevice*> arrived;
    std::vector<THidDevice*> unplugged;
    int changes = 0;
};

TEST_F(KernelHid, EnumerationGivesIdentityStringsAndReportLengths) {
    UhidDevice::Identity identity;
    identity.uniq = "KV-0815";
    THidDevice* device = plugAndWait(identity);
    ASSERT_NE(device, nullptr) << "no arrival for the uhid instrument";
    // Queries open the node only while the device is claimed or inside an event.
    ASSERT_EQ(claim(device), device);
    EXPECT_TRUE(device->PnPInfo().DevInst.startsWith(QStringLiteral("0003:16C0:05DF.")))
        << device->PnPInfo().DevInst.toStdString();
    EXPECT_TRUE(device->PnPInfo().DevicePath.startsWith(QStringLiteral("/dev/hidraw")))
        << device->PnPInfo().DevicePath.toStdString();
    EXPECT_EQ(device->HidAttributes().VendorID, 0x16C0);
    EXPECT_EQ(device->HidAttributes().ProductID, 0x05DF);
    EXPECT_TRUE(device->CanReadWrite());
    EXPECT_EQ(device->ProductString(), QStringLiteral("Kurvimat 1.3"));
    EXPECT_EQ(device->SerialNumberString(), QStringLiteral("KV-0815"));
    const THidCaps caps = device->HidCaps();
    EXPECT_EQ(caps.UsagePage, 0xFF00);
    EXPECT_EQ(caps.Usage, 0x01);
    EXPECT_EQ(caps.InputReportByteLength, 9);
    EXPECT_EQ(caps.OutputReportByteLength, 9);
}

TEST_F(KernelHid, ConfigurationReportArrivesWithItsBytes) {
    THidDevice* device = plugAndWait();
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(claim(device), device);
    const std::uint8_t report[9] = {0x00, 0x96, 0x83, 0x03, 0x0A, 0, 0, 0, 0};
    EXPECT_TRUE(device->SendOutputReport(report, sizeof report));
    ASSERT_TRUE(uhid.waitOutputReports(1, 5000));
    const auto outputs = uhid.outputReports();
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_EQ(outputs[0], std::vector<std::uint8_t>(report, report + sizeof report));
}

class KernelHidModes : public KernelHid, public ::testing::WithParamInterface<int> {};

// The instrument's report layouts of each mode pass the kernel and the layer byte for byte and
// in order; the configuration that selects the mode reaches the device first.
TEST_P(KernelHidModes, InputReportsArriveInOrder) {
    const int mode = GetParam();
    THidDevice* device = plugAndWait();
    ASSERT_NE(device, nullptr);
    std::vector<Received> received;
    device->SetDataHandler(recorder(received));
    ASSERT_EQ(claim(device), device);
    ASSERT_TRUE(device->Reading());

    const std::uint8_t config[9] = {0x00, 0x02, 0x03, static_cast<std::uint8_t>(mode), 0,
                                    0,    0,    0,    0};
    ASSERT_TRUE(device->SendOutputReport(config, sizeof config));
    ASSERT_TRUE(uhid.waitOutputReports(1, 5000));
    VirtualInstrument instrument;
    const auto output = uhid.outputReports().front();
    ASSERT_TRUE(instrument.outputReport(output.data(), output.size(), 0));
    ASSERT_EQ(instrument.mode(), mode);

    ASSERT_TRUE(waitUntilReading(received));
    pumpFor(50);
    received.clear();

    // Fewer than the 64 reports a hidraw reader queues, so none may be lost.
    constexpr int Count = 48;
    std::vector<std::vector<std::uint8_t>> sent;
    std::vector<std::uint8_t> report;
    for (int i = 0; i < Count; ++i) {
        instrument.produceReport(report);
        sent.emplace_back(report.begin() + 1, report.end());
        ASSERT_TRUE(uhid.sendInput(sent.back().data(), sent.back().size()));
    }
    ASSERT_TRUE(pumpUntil([&] { return received.size() >= sent.size(); }))
        << received.size() << " of " << Count << " reports";
    ASSERT_EQ(received.size(), sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(received[i].reportId, 0);
        EXPECT_EQ(received[i].data, sent[i]);
    }
    device->SetDataHandler(nullptr);
    EXPECT_FALSE(device->Reading());
}

INSTANTIATE_TEST_SUITE_P(Modes, KernelHidModes, ::testing::Values(2, 3, 4, 5),
                         [](const auto& info) { return "Mode" + std::to_string(info.param); });

TEST_F(KernelHid, UnplugWhileStreamingIsSeenAndEndsTheReads) {
    THidDevice* device = plugAndWait();
    ASSERT_NE(device, nullptr);
    std::vector<Received> received;
    device->SetDataHandler(recorder(received));
    ASSERT_EQ(claim(device), device);
    ASSERT_TRUE(waitUntilReading(received));

    // A handle of its own shows what the kernel does to a reader of a vanished node.
    HidPlatformLinux platform;
    const auto handle =
        platform.open(device->PnPInfo().DevicePath, HidPlatform::Access::ReadOnly);
    ASSERT_NE(handle, HidPlatform::InvalidHandle);

    uhid.startStreaming(1000);
    pumpUntil([&] { return received.size() > 100; });
    uhid.destroy();

    ASSERT_TRUE(pumpUntil([&] { return !unplugged.empty(); })) << "unplug not noticed";
    EXPECT_EQ(unplugged.front(), device);
    EXPECT_FALSE(device->Present());
    EXPECT_FALSE(device->Reading());
    const std::size_t atUnplug = received.size();
    pumpFor(100);
    EXPECT_EQ(received.size(), atUnplug) << "reports delivered after the unplug";

    std::uint8_t buffer[9];
    HidPlatform::ReadResult result;
    do // queued reports may still be read first; then the node is gone
        result = platform.read(handle, buffer, sizeof buffer, 1000);
    while (result.status == HidPlatform::ReadResult::Status::Data);
    EXPECT_EQ(result.status, HidPlatform::ReadResult::Status::Gone);
    platform.close(handle);
}

TEST_F(KernelHid, ReplugReusesTheNodeNameButIsANewDevice) {
    THidDevice* first = plugAndWait();
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(claim(first), first);
    const THidPnPInfo firstInfo = first->PnPInfo();
    uhid.destroy();
    ASSERT_TRUE(pumpUntil([&] { return !unplugged.empty(); })) << "unplug not noticed";

    THidDevice* second = plugAndWait();
    ASSERT_NE(second, nullptr) << "re-plug not noticed";
    EXPECT_NE(second, first);
    EXPECT_EQ(second->PnPInfo().DevicePath, firstInfo.DevicePath)
        << "the kernel gave another node; the case is not exercised";
    EXPECT_NE(second->PnPInfo().DevInst, firstInfo.DevInst);
    EXPECT_FALSE(first->Present());
    EXPECT_TRUE(second->Present());
    EXPECT_EQ(second->ProductString(), QStringLiteral("Kurvimat 1.3"));

    // The new object reads; the old one, still listed because it was claimed, does not.
    std::vector<Received> received;
    second->SetDataHandler(recorder(received));
    ASSERT_EQ(claim(second), second);
    EXPECT_TRUE(waitUntilReading(received));
    const auto list = controller->DeviceList();
    EXPECT_NE(std::find(list.begin(), list.end(), first), list.end());
}

TEST_F(KernelHid, ClosingWhileStreamingStopsTheReadingThread) {
    THidDevice* device = plugAndWait();
    ASSERT_NE(device, nullptr);
    std::vector<Received> received;
    device->SetDataHandler(recorder(received));
    ASSERT_EQ(claim(device), device);
    ASSERT_TRUE(waitUntilReading(received));
    uhid.startStreaming(500);
    ASSERT_TRUE(pumpUntil([&] { return received.size() > 200; }));

    device->SetDataHandler(nullptr);
    EXPECT_FALSE(device->Reading());
    const std::size_t atStop = received.size();
    pumpFor(100);
    EXPECT_EQ(received.size(), atStop) << "reports delivered after the handler was removed";

    // The controller goes while the device still streams and is claimed.
    controller.reset();
    EXPECT_EQ(unplugged.size(), 1u);
    EXPECT_GT(uhid.streamed(), atStop);
}

TEST_F(KernelHid, DeviceWithTheInstrumentsIdsButAnotherNameKeepsItsName) {
    UhidDevice::Identity identity;
    identity.name = "Kurvimat 1.2";
    THidDevice* device = plugAndWait(identity);
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(claim(device), device);
    EXPECT_EQ(device->ProductString(), QStringLiteral("Kurvimat 1.2"));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    const auto& unit = *::testing::UnitTest::GetInstance();
    // The host parses this line.
    std::printf("KURVIMAT-KERNEL: %d passed, %d failed\n", unit.successful_test_count(),
                unit.failed_test_count());
    std::fflush(stdout);
    return rc;
}
