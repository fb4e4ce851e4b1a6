// Runs inside a virtual machine with the kernel's hid, hidraw and uhid drivers and no udevd:
// the Linux platform and the device layer against devices the kernel believes are real.
#include "UhidDevice.h"

#include "HidPlatformLinux.h"
#include "THidDevice.h"
#include "THidDeviceController.h"
#include "VirtualInstrument.h"
#include "dialogs/Dialogs.h"
#include "dialogs/TFormHardware.h"
#include "window/MainInstrument.h"
#include "window/TFormMain.h"

#include <QApplication>
#include <QPointer>
#include <QTemporaryDir>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <QRadioButton>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <memory>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kurvimat::hid;

namespace {

// The instrument's part of the title, after the session's file ("Unbenannt – "); the whole title
// when it has none.
QString Caption(const QWidget& w) {
    const QString title = w.windowTitle();
    const qsizetype at = title.indexOf(QStringLiteral(" – "));
    return at < 0 ? title : title.mid(at + 3);
}

// The deadlines only keep a broken kernel path from hanging the machine; no result depends on
// how long anything takes.
template <typename Predicate> bool pumpUntil(Predicate done, int ms = 30000) {
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
    THidDevice* claimed = plugAndWait();
    ASSERT_NE(claimed, nullptr);
    ASSERT_EQ(claim(claimed), claimed);
    const QPointer<THidDevice> first(claimed);
    const THidPnPInfo firstInfo = first->PnPInfo();
    uhid.destroy();
    ASSERT_TRUE(pumpUntil([&] { return !unplugged.empty(); })) << "unplug not noticed";
    // Claimed as it was, the object that left is dropped, not kept for the program's life.
    EXPECT_TRUE(pumpUntil([&] { return first.isNull(); }));

    THidDevice* second = plugAndWait();
    ASSERT_NE(second, nullptr) << "re-plug not noticed";
    EXPECT_EQ(second->PnPInfo().DevicePath, firstInfo.DevicePath)
        << "the kernel gave another node; the case is not exercised";
    EXPECT_NE(second->PnPInfo().DevInst, firstInfo.DevInst);
    EXPECT_TRUE(second->Present());
    EXPECT_EQ(second->ProductString(), QStringLiteral("Kurvimat 1.3"));

    std::vector<Received> received;
    second->SetDataHandler(recorder(received));
    ASSERT_EQ(claim(second), second);
    EXPECT_TRUE(waitUntilReading(received));
    for (THidDevice* listed : controller->DeviceList())
        EXPECT_TRUE(listed->Present()) << "a device that left stays listed";
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

// The GUI thread stalls for 1.5 s while the instrument streams at the pace of report mode 2 (a
// report every 8 ms): with the program's 512 reports nothing is lost and the order holds; with
// the kernel's 64 the loss is counted, so it can be shown, instead of being hidden.
TEST_F(KernelHid, StalledGuiThreadLosesNothingWithTheProgramsQueue) {
    for (const std::uint32_t depth : {512u, 64u}) {
        SCOPED_TRACE(depth);
        uhid.destroy();
        THidDevice* device = plugAndWait();
        ASSERT_NE(device, nullptr);
        std::vector<Received> received;
        device->SetDataHandler(recorder(received));
        ASSERT_EQ(claim(device), device);
        ASSERT_TRUE(device->Reading()) << "claimed with a handler but not read";
        device->SetReadBufferCount(depth);
        EXPECT_EQ(device->ReadBufferCount(), depth);
        ASSERT_TRUE(waitUntilReading(received));
        pumpFor(100);
        received.clear();
        const std::uint64_t lostBefore = device->LostReports();
        const std::uint32_t first = uhid.streamed();
        uhid.startStreaming(8000);
        ASSERT_TRUE(pumpUntil([&] { return received.size() >= 5; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        pumpFor(100);
        uhid.stopStreaming();
        const std::uint32_t sent = uhid.streamed() - first;
        const auto lost = [&] { return device->LostReports() - lostBefore; };
        ASSERT_TRUE(pumpUntil([&] { return received.size() + lost() >= sent; }));
        EXPECT_EQ(received.size() + lost(), sent);
        std::int64_t previous = std::int64_t(first) - 1;
        for (const Received& r : received) {
            std::uint32_t sequence = 0;
            std::memcpy(&sequence, r.data.data(), sizeof sequence);
            ASSERT_GT(sequence, previous) << "out of order";
            if (depth == 512) {
                ASSERT_EQ(sequence, previous + 1) << "lost in the queue";
            }
            previous = sequence;
        }
        if (depth == 512)
            EXPECT_EQ(lost(), 0u);
        else
            EXPECT_GT(lost(), 0u) << "the stall did not overflow the kernel's queue";
        std::printf("queue %u: %u reports sent, %zu delivered, %llu counted as lost\n", depth,
                    sent, received.size(), static_cast<unsigned long long>(lost()));
        device->SetDataHandler(nullptr);
    }
}

// Dialogs answered by the test.
class RecordingDialogs : public Dialogs {
public:
    bool AskYesNo(QWidget*, const QString& text) override {
        questions << text;
        return false;
    }
    void ShowError(QWidget*, const QString& text) override { errors << text; }
    void ShowInfo(QWidget*, const QString& text) override { errors << text; }
    QString OpenFileName(QWidget*, const QString&) override { return {}; }
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    QStringList questions, errors;
};

// The program's main window with its instrument link on the kernel's HID devices.
class KernelWindow : public ::testing::Test {
protected:
    void SetUp() override {
        SetAppDialogs(&dialogs);
        win = std::make_unique<TFormMain>();
        win->findChild<QTimer*>(QStringLiteral("TimerTakt"))->stop();
        link = std::make_unique<TInstrumentLink>(*win, makeSystemHidPlatform());
    }
    void TearDown() override {
        link.reset();
        win.reset();
        SetAppDialogs(nullptr);
        first.destroy();
        second.destroy();
    }
    bool titled(const char* title) {
        return pumpUntil([&] { return Caption(*win) == QLatin1String(title); });
    }

    RecordingDialogs dialogs;
    std::unique_ptr<TFormMain> win;
    std::unique_ptr<TInstrumentLink> link;
    UhidDevice first, second;
};

// With usbhid's quirk for the instrument's ids the kernel sends its output reports as
// SET_REPORT requests, and this instrument refuses them, as one that stalls the request.
TEST_F(KernelWindow, RefusedConfigurationIsSaidOnceAndTheReadingsStayTrue) {
    const int module = ::open("/modules/usbhid.ko", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(module, 0);
    ASSERT_EQ(::syscall(SYS_finit_module, module, "quirks=0x16c0:0x05df:0x40000", 0), 0)
        << std::strerror(errno);
    ::close(module);
    struct Unload {
        ~Unload() { ::syscall(SYS_delete_module, "usbhid", O_NONBLOCK); }
    } unload;
    UhidIdentity refusing;
    refusing.refuseSetReport = true;
    ASSERT_TRUE(first.create(refusing));
    ASSERT_TRUE(titled("Kurvimat 1.3 (KV-4711)"));
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors.front().contains(QStringLiteral("nicht an das Messgerät")));
    link->FormHardware().RadioButtonAhigh->click();
    EXPECT_EQ(dialogs.errors.size(), 1) << "said again";
    EXPECT_EQ(win->session().store().UmaxA, 5.0f)
        << "scaled for a range the instrument does not have";
    EXPECT_EQ(win->session().store().InputCodeA, 0x02);
    link.reset(); // before the module goes
    first.destroy();
}

// The user kept the first instrument; when it leaves, the second takes over and streams.
TEST_F(KernelWindow, WaitingInstrumentTakesOverWhenTheHeldOneLeaves) {
    UhidIdentity one, two;
    one.uniq = "KV-0001";
    two.uniq = "KV-0002";
    ASSERT_TRUE(first.create(one));
    ASSERT_TRUE(titled("Kurvimat 1.3 (KV-0001)"));
    ASSERT_TRUE(second.create(two));
    ASSERT_TRUE(pumpUntil([&] { return !dialogs.questions.isEmpty(); }));
    pumpFor(100);
    EXPECT_EQ(Caption(*win), QStringLiteral("Kurvimat 1.3 (KV-0001)"));
    EXPECT_TRUE(second.outputReports().empty());

    first.destroy();
    ASSERT_TRUE(titled("Kurvimat 1.3 (KV-0002)"));
    EXPECT_TRUE(second.waitOutputReports(1, 10000)) << "the second was not configured";
    const std::int32_t before = win->session().store().RawIndex;
    const std::uint8_t report[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_TRUE(pumpUntil([&] {
        second.sendInput(report, sizeof report);
        pumpFor(20);
        return win->session().store().RawIndex != before;
    })) << "the second instrument's reports are not decoded";
    EXPECT_EQ(dialogs.questions.size(), 1);
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

// The same program started again as another user, with two pipes to talk to its parent.
class UserProcess {
public:
    bool start(const char* filter, int uid) {
        int down[2], up[2];
        if (::pipe(down) != 0 || ::pipe(up) != 0) return false;
        const std::string filterArg = std::string("--gtest_filter=") + filter;
        const std::string uidEnv = "KURVIMAT_GUEST_UID=" + std::to_string(uid);
        const std::string pipeEnv =
            "KURVIMAT_GUEST_PIPE=" + std::to_string(down[0]) + "," + std::to_string(up[1]);
        std::vector<std::string> env = {uidEnv, pipeEnv, "HOME=/tmp", "QT_QPA_PLATFORM=offscreen"};
        char* argv[] = {const_cast<char*>("kurvimat_kernel_guest"),
                        const_cast<char*>(filterArg.c_str()), nullptr};
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(down[1]);
            ::close(up[0]);
            ::execve("/proc/self/exe", argv, envp.data());
            ::_exit(127);
        }
        ::close(down[0]);
        ::close(up[1]);
        toChild_ = down[1];
        fromChild_ = up[0];
        return pid_ > 0;
    }
    bool expect(const std::string& line) { return readLine(fromChild_) == line; }
    void say(const std::string& line) { writeLine(toChild_, line); }
    int finish() {
        int status = 0;
        if (pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status))
            return WEXITSTATUS(status);
        return -1;
    }
    ~UserProcess() {
        for (int fd : {toChild_, fromChild_})
            if (fd >= 0) ::close(fd);
    }

    static std::string readLine(int fd) {
        std::string line;
        char c = 0;
        pollfd p{fd, POLLIN, 0};
        while (::poll(&p, 1, 120000) == 1 && ::read(fd, &c, 1) == 1 && c != '\n')
            line += c;
        return line;
    }
    static void writeLine(int fd, const std::string& line) {
        const std::string text = line + '\n';
        [[maybe_unused]] const auto written = ::write(fd, text.data(), text.size());
    }

private:
    pid_t pid_ = -1;
    int toChild_ = -1, fromChild_ = -1;
};

// What the udev rule does: the node of the uhid instrument with this serial is opened to all.
bool grantAccess(const std::string& uniq) {
    QDeadlineTimer guard(30000);
    while (!guard.hasExpired()) {
        if (DIR* dir = ::opendir("/sys/class/hidraw")) {
            while (dirent* entry = ::readdir(dir)) {
                const std::string name = entry->d_name;
                std::ifstream uevent("/sys/class/hidraw/" + name + "/device/uevent");
                const std::string text((std::istreambuf_iterator<char>(uevent)), {});
                if (text.find("HID_UNIQ=" + uniq) != std::string::npos &&
                    ::chmod(("/dev/" + name).c_str(), 0666) == 0) {
                    ::closedir(dir);
                    return true;
                }
            }
            ::closedir(dir);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// A user without the rights on the node meets the instrument: told once, not adopted; after
// the rights are given and the instrument is plugged in again, it is adopted without a restart.
TEST(KernelUser, UnprivilegedUserIsToldThenAdoptsAfterTheFix) {
    UhidDevice uhid;
    ASSERT_TRUE(uhid.create());
    UserProcess user;
    ASSERT_TRUE(user.start("KernelAsUser.*", 1000));
    EXPECT_TRUE(user.expect("told"));
    uhid.destroy();
    ASSERT_TRUE(uhid.create());
    EXPECT_TRUE(grantAccess(UhidIdentity().uniq));
    user.say("fixed");
    EXPECT_TRUE(user.expect("adopted"));
    EXPECT_TRUE(uhid.waitOutputReports(1, 10000)) << "not configured by the user's program";
    EXPECT_EQ(user.finish(), 0);
}

// The user's half of the test above; runs only when started by it.
TEST(KernelAsUser, MeetsTheInstrument) {
    const char* pipes = std::getenv("KURVIMAT_GUEST_PIPE");
    if (!pipes) GTEST_SKIP() << "started by KernelUser only";
    int fromParent = -1, toParent = -1;
    ASSERT_EQ(std::sscanf(pipes, "%d,%d", &fromParent, &toParent), 2);
    EXPECT_NE(::geteuid(), 0u);
    RecordingDialogs dialogs;
    SetAppDialogs(&dialogs);
    {
        TFormMain win;
        TInstrumentLink link(win, makeSystemHidPlatform());
        EXPECT_TRUE(pumpUntil([&] { return !dialogs.errors.isEmpty(); }));
        EXPECT_EQ(win.HeldInstrument(), nullptr);
        EXPECT_EQ(Caption(win), QStringLiteral("Kurvimat"));
        ASSERT_EQ(dialogs.errors.size(), 1);
        EXPECT_TRUE(dialogs.errors.front().contains(QStringLiteral("udevadm")));
        UserProcess::writeLine(toParent, "told");
        // Meanwhile the kernel's events wait in the monitor's socket.
        EXPECT_EQ(UserProcess::readLine(fromParent), "fixed");
        EXPECT_TRUE(pumpUntil([&] { return win.HeldInstrument() != nullptr; }));
        EXPECT_EQ(Caption(win), QStringLiteral("Kurvimat 1.3 (KV-4711)"));
        EXPECT_EQ(dialogs.errors.size(), 1);
        UserProcess::writeLine(toParent, win.HeldInstrument() ? "adopted" : "not adopted");
    }
    SetAppDialogs(nullptr);
}

// sysfs shows a new hidraw device a moment before devtmpfs has made its node. Listed in that
// moment, it would be taken for a device we may not open, for good: no reading thread, or the
// "no access" message. Enumerating in a tight loop while the kernel makes the device hits the
// moment now and then; a listing must never offer a node that does not open yet.
TEST(KernelPlatform, ANewDeviceIsListedOnlyOnceItsNodeOpens) {
    // A busy thread makes the guest's one processor switch more often, as load would.
    std::atomic<bool> busy{true};
    std::thread spinner([&] {
        while (busy) {
        }
    });
    struct Join {
        std::atomic<bool>& busy;
        std::thread& thread;
        ~Join() {
            busy = false;
            thread.join();
        }
    } join{busy, spinner};
    for (int plug = 0; plug < 150; ++plug) {
        SCOPED_TRACE(plug);
        UhidDevice uhid;
        HidPlatformLinux platform; // as a program just started
        ASSERT_TRUE(uhid.create());
        QDeadlineTimer guard(30000);
        bool listed = false;
        while (!listed && !guard.hasExpired()) {
            const auto list = platform.enumerate();
            ASSERT_TRUE(list.has_value());
            for (const THidPnPInfo& info : *list) {
                if (!info.DevInst.startsWith(QStringLiteral("0003:16C0:05DF."))) continue;
                listed = true;
                const auto handle = platform.open(info.DevicePath, HidPlatform::Access::ReadWrite);
                ASSERT_NE(handle, HidPlatform::InvalidHandle)
                    << info.DevicePath.toStdString() << " listed before it opens";
                platform.close(handle);
            }
        }
        ASSERT_TRUE(listed);
        uhid.destroy();
    }
}

// Counts over all repetitions (--gtest_repeat): the unit test's own counts are the last one's.
class Tally : public ::testing::EmptyTestEventListener {
public:
    void OnTestEnd(const ::testing::TestInfo& info) override {
        if (info.result()->Failed())
            ++failed;
        else if (!info.result()->Skipped())
            ++passed;
    }
    int passed = 0, failed = 0;
};

} // namespace

int main(int argc, char** argv) {
    // The unprivileged half of a test: this program started again, then made another user.
    const char* user = std::getenv("KURVIMAT_GUEST_UID");
    if (user) {
        const uid_t uid = static_cast<uid_t>(std::atoi(user));
        if (::setgroups(0, nullptr) != 0 || ::setresgid(uid, uid, uid) != 0 ||
            ::setresuid(uid, uid, uid) != 0) {
            std::perror("dropping privileges");
            return 2;
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QTemporaryDir data; // the windows' session journals, not in the user's folder
    qputenv("KURVIMAT_DATA_DIR", data.path().toUtf8());
    ::testing::InitGoogleTest(&argc, argv);
    auto* tally = new Tally; // owned by gtest's listener list
    ::testing::UnitTest::GetInstance()->listeners().Append(tally);
    const int rc = RUN_ALL_TESTS();
    if (user) return rc;
    // The host parses this line.
    std::printf("KURVIMAT-KERNEL: %d passed, %d failed\n", tally->passed, tally->failed);
    std::fflush(stdout);
    return rc;
}
