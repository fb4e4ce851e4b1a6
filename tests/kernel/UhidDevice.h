#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

/// Who a uhid device says it is.
struct UhidIdentity {
    std::string name = "Kurvimat 1.3";
    std::string uniq = "KV-4711";
    std::uint16_t vendor = 0x16C0;
    std::uint16_t product = 0x05DF;
    std::uint16_t version = 0x0103;
    /// Answers SET_REPORT requests with an error, as an instrument that stalls them.
    bool refuseSetReport = false;
};

/// A HID device made by the kernel's uhid driver: the kernel sees it as real hardware, so the
/// whole path through hid, hidraw, sysfs and uevents is exercised. A service thread answers the
/// kernel's requests and records every output report.
class UhidDevice {
public:
    using Identity = UhidIdentity;

    /// Vendor page, 8 data bytes in and 8 out, no report IDs.
    static std::vector<std::uint8_t> instrumentDescriptor();

    UhidDevice() = default;
    UhidDevice(const UhidDevice&) = delete;
    UhidDevice& operator=(const UhidDevice&) = delete;
    ~UhidDevice();

    bool create(const Identity& identity = Identity());
    /// Unplugs the device; the service thread ends.
    void destroy();
    bool created() const { return fd_ >= 0; }

    /// One input report as the device would send it (data bytes only, no report ID).
    bool sendInput(const std::uint8_t* data, std::size_t length);

    /// Sends numbered reports (bytes 0-3: sequence, little endian) every `periodUs`.
    void startStreaming(unsigned periodUs);
    void stopStreaming();
    std::uint32_t streamed() const { return streamed_; }

    std::vector<std::vector<std::uint8_t>> outputReports() const;
    /// Waits at most `ms` for the n-th output report.
    bool waitOutputReports(std::size_t n, int ms) const;
    int openCount() const { return opens_; }

private:
    void serve();
    bool writeEvent(const void* event, std::size_t size);

    int fd_ = -1;
    bool refuse_ = false;
    int stopFd_ = -1;
    std::thread service_;
    std::thread streamer_;
    std::atomic<bool> streaming_{false};
    std::atomic<std::uint32_t> streamed_{0};
    std::atomic<int> opens_{0};
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::vector<std::uint8_t>> outputs_;
};
