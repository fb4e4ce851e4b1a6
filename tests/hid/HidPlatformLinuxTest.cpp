#include "HidPlatformLinux.h"
#include "HidTestSupport.h"
#include "HidrawQueue.h"
#include "HidrawRead.h"
#include "THidDeviceController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace kurvimat::hid;

namespace {

using Status = HidPlatform::ReadResult::Status;

// A packet socket keeps report boundaries as a hidraw file does.
struct FakeHidraw {
    int fds[2] = {-1, -1};
    int cancel = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    FakeHidraw() { EXPECT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds), 0); }
    ~FakeHidraw() {
        for (int fd : {fds[0], fds[1], cancel})
            if (fd >= 0) ::close(fd);
    }
    void send(const std::vector<std::uint8_t>& bytes) {
        ASSERT_EQ(::write(fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void closePeer() {
        ::close(fds[1]);
        fds[1] = -1;
    }
    void signalCancel() {
        const std::uint64_t one = 1;
        ASSERT_EQ(::write(cancel, &one, sizeof one), 8);
    }
};

TEST(HidrawReadTest, ReportsGetTheirIdByteAndEventsTheirStatus) {
    struct Row {
        const char* name;
        bool numbered;
        std::size_t length;
        std::vector<std::uint8_t> sent; // empty: nothing sent
        bool cancel;
        bool peerGone;
        Status status;
        std::vector<std::uint8_t> expected;
    };
    const Row rows[] = {
        {"unnumbered report gets ID 0",
         false,
         9,
         {0xAA, 0xBB},
         false,
         false,
         Status::Data,
         {0, 0xAA, 0xBB}},
        {"numbered report keeps its ID", true, 9, {5, 1, 2}, false, false, Status::Data, {5, 1, 2}},
        {"long report is cut to the buffer",
         false,
         3,
         {1, 2, 3, 4},
         false,
         false,
         Status::Data,
         {0, 1, 2}},
        {"nothing there", false, 9, {}, false, false, Status::Timeout, {}},
        {"cancel wins over data", false, 9, {7}, true, false, Status::Cancelled, {}},
        {"peer gone", false, 9, {}, false, true, Status::Gone, {}},
        {"buffer too small for any data", false, 1, {7}, false, false, Status::Gone, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeHidraw hidraw;
        if (!row.sent.empty()) hidraw.send(row.sent);
        if (row.cancel) hidraw.signalCancel();
        if (row.peerGone) hidraw.closePeer();
        std::array<std::uint8_t, 16> buffer{};
        const auto result =
            readHidraw(hidraw.fds[0], hidraw.cancel, row.numbered, buffer.data(), row.length, 0);
        EXPECT_EQ(result.status, row.status);
        if (row.status == Status::Data) {
            ASSERT_EQ(result.bytes, row.expected.size());
            EXPECT_TRUE(std::equal(row.expected.begin(), row.expected.end(), buffer.begin()));
        }
    }
}

TEST(HidrawReadTest, ACancelIsConsumedByTheReadItEnds) {
    FakeHidraw hidraw;
    std::array<std::uint8_t, 9> buffer{};
    hidraw.signalCancel();
    EXPECT_EQ(readHidraw(hidraw.fds[0], hidraw.cancel, false, buffer.data(), 9, 0).status,
              Status::Cancelled);
    hidraw.send({1, 2});
    EXPECT_EQ(readHidraw(hidraw.fds[0], hidraw.cancel, false, buffer.data(), 9, 0).status,
              Status::Data);
}

// The ring behind the kernel's queue: as deep as asked, oldest dropped first and counted, the
// rest in order, and the device's leaving reported only after what it sent before.
TEST(HidrawQueueTest, KeepsWhatWasAskedForInOrder) {
    struct Row {
        std::uint32_t capacity;
        int sent;
    };
    for (const Row row : {Row{512, 300}, Row{512, 600}, Row{64, 100}, Row{1, 3}}) {
        SCOPED_TRACE(std::to_string(row.capacity) + " deep, " + std::to_string(row.sent) + " sent");
        FakeHidraw hidraw;
        HidrawQueue queue(hidraw.fds[0], false, 3);
        EXPECT_FALSE(queue.setCapacity(0));
        EXPECT_FALSE(queue.setCapacity(HidrawQueue::MaxCapacity + 1));
        ASSERT_TRUE(queue.setCapacity(row.capacity));
        for (int i = 0; i < row.sent; ++i)
            hidraw.send({std::uint8_t(i & 0xFF), std::uint8_t(i >> 8)});
        ASSERT_TRUE(pumpUntil([&] {
            int pending = 0;
            return ::ioctl(hidraw.fds[0], FIONREAD, &pending) == 0 && pending == 0;
        }));
        hidraw.closePeer();
        const int kept = std::min<int>(row.sent, int(row.capacity));
        std::uint32_t lost = 0;
        std::array<std::uint8_t, 3> buffer{};
        for (int i = row.sent - kept; i < row.sent; ++i) {
            const auto result = queue.read(buffer.data(), buffer.size(), 5000);
            ASSERT_EQ(result.status, Status::Data) << i;
            lost += result.lost;
            ASSERT_EQ(buffer[1] | buffer[2] << 8, i);
        }
        EXPECT_EQ(lost, std::uint32_t(row.sent - kept));
        EXPECT_EQ(queue.read(buffer.data(), buffer.size(), 5000).status, Status::Gone);
        queue.cancel();
        EXPECT_EQ(queue.read(buffer.data(), buffer.size(), 0).status, Status::Cancelled);
    }
}

// Whatever hidraw nodes this machine has, the controller reports each once and then the change.
TEST(HidPlatformLinuxTest, ControllerOnTheSystemPlatformStartsCleanly) {
    auto platform = std::make_shared<HidPlatformLinux>();
    const auto present = platform->enumerate();
    EXPECT_EQ(present.has_value(), platform->available());
    EXPECT_EQ(platform->open("/dev/no-such-hidraw", HidPlatform::Access::QueryOnly),
              HidPlatform::InvalidHandle);

    THidDeviceController controller(platform);
    int arrivals = 0;
    int changes = 0;
    controller.OnArrival = [&](THidDevice*) { ++arrivals; };
    controller.OnDeviceChange = [&](THidDeviceController*) { ++changes; };
    if (!platform->available()) {
        drainEvents();
        EXPECT_EQ(changes, 0);
        return;
    }
    ASSERT_TRUE(pumpUntil([&] { return changes > 0; }));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(arrivals, static_cast<int>(present->size()));
}

} // namespace
