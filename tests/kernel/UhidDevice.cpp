#include "UhidDevice.h"

#include <linux/uhid.h>

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

std::vector<std::uint8_t> UhidDevice::instrumentDescriptor() {
    return {0x06, 0x00, 0xFF, // usage page (vendor 0xFF00)
            0x09, 0x01,       // usage 1
            0xA1, 0x01,       // collection (application)
            0x15, 0x00,       //   logical minimum 0
            0x26, 0xFF, 0x00, //   logical maximum 255
            0x75, 0x08,       //   report size 8
            0x95, 0x08,       //   report count 8
            0x09, 0x01,       //   usage 1
            0x81, 0x02,       //   input (data, variable, absolute)
            0x95, 0x08,       //   report count 8
            0x09, 0x01,       //   usage 1
            0x91, 0x02,       //   output (data, variable, absolute)
            0xC0};
}

UhidDevice::~UhidDevice() { destroy(); }

bool UhidDevice::writeEvent(const void* event, std::size_t size) {
    return ::write(fd_, event, size) == static_cast<ssize_t>(size);
}

bool UhidDevice::create(const Identity& identity) {
    if (fd_ >= 0)
        return false;
    fd_ = ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    uhid_event event{};
    event.type = UHID_CREATE2;
    auto& create = event.u.create2;
    std::strncpy(reinterpret_cast<char*>(create.name), identity.name.c_str(),
                 sizeof create.name - 1);
    std::strncpy(reinterpret_cast<char*>(create.uniq), identity.uniq.c_str(),
                 sizeof create.uniq - 1);
    std::strncpy(reinterpret_cast<char*>(create.phys), "kurvimat-test/input0",
                 sizeof create.phys - 1);
    const auto descriptor = instrumentDescriptor();
    create.rd_size = static_cast<std::uint16_t>(descriptor.size());
    std::memcpy(create.rd_data, descriptor.data(), descriptor.size());
    create.bus = 0x03; // USB, so the node looks like the instrument's
    create.vendor = identity.vendor;
    create.product = identity.product;
    create.version = identity.version;
    if (!writeEvent(&event, sizeof event)) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    refuse_ = identity.refuseSetReport;
    stopFd_ = ::eventfd(0, EFD_CLOEXEC);
    service_ = std::thread([this] { serve(); });
    return true;
}

void UhidDevice::destroy() {
    stopStreaming();
    if (fd_ < 0)
        return;
    uhid_event event{};
    event.type = UHID_DESTROY;
    writeEvent(&event, sizeof event);
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(stopFd_, &one, sizeof one);
    service_.join();
    ::close(stopFd_);
    ::close(fd_);
    stopFd_ = fd_ = -1;
}

bool UhidDevice::sendInput(const std::uint8_t* data, std::size_t length) {
    if (fd_ < 0 || length > UHID_DATA_MAX)
        return false;
    uhid_event event{};
    event.type = UHID_INPUT2;
    event.u.input2.size = static_cast<std::uint16_t>(length);
    std::memcpy(event.u.input2.data, data, length);
    // Only the used part of the event is written, as the driver allows.
    const std::size_t size = offsetof(uhid_event, u.input2.data) + length;
    return writeEvent(&event, size);
}

void UhidDevice::startStreaming(unsigned periodUs) {
    stopStreaming();
    streaming_ = true;
    streamer_ = std::thread([this, periodUs] {
        std::uint8_t report[8] = {};
        while (streaming_) {
            const std::uint32_t n = streamed_;
            std::memcpy(report, &n, sizeof n);
            if (sendInput(report, sizeof report))
                ++streamed_;
            std::this_thread::sleep_for(std::chrono::microseconds(periodUs));
        }
    });
}

void UhidDevice::stopStreaming() {
    streaming_ = false;
    if (streamer_.joinable())
        streamer_.join();
}

std::vector<std::vector<std::uint8_t>> UhidDevice::outputReports() const {
    std::lock_guard lock(mutex_);
    return outputs_;
}

bool UhidDevice::waitOutputReports(std::size_t n, int ms) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(ms),
                             [&] { return outputs_.size() >= n; });
}

void UhidDevice::serve() {
    for (;;) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents & POLLIN)
            return;
        uhid_event event{};
        if (::read(fd_, &event, sizeof event) <= 0)
            continue;
        switch (event.type) {
        case UHID_OPEN:
            ++opens_;
            break;
        case UHID_OUTPUT: {
            const auto& output = event.u.output;
            std::lock_guard lock(mutex_);
            outputs_.emplace_back(output.data, output.data + output.size);
            changed_.notify_all();
            break;
        }
        case UHID_SET_REPORT: {
            if (!refuse_) {
                const auto& set = event.u.set_report;
                std::lock_guard lock(mutex_);
                std::vector<std::uint8_t> report{set.rnum};
                report.insert(report.end(), set.data, set.data + set.size);
                outputs_.push_back(std::move(report));
                changed_.notify_all();
            }
            uhid_event reply{};
            reply.type = UHID_SET_REPORT_REPLY;
            reply.u.set_report_reply.id = event.u.set_report.id;
            reply.u.set_report_reply.err = refuse_ ? 5 : 0; // EIO
            writeEvent(&reply, sizeof reply);
            break;
        }
        case UHID_GET_REPORT: {
            uhid_event reply{};
            reply.type = UHID_GET_REPORT_REPLY;
            reply.u.get_report_reply.id = event.u.get_report.id;
            reply.u.get_report_reply.err = 5; // EIO: the instrument has no feature reports
            writeEvent(&reply, sizeof reply);
            break;
        }
        default:
            break;
        }
    }
}
