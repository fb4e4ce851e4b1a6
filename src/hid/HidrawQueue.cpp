#include "HidrawQueue.h"

#include "HidrawRead.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace kurvimat::hid {

HidrawQueue::HidrawQueue(int fd, bool numberedReports, std::size_t reportLength,
                         std::uint32_t capacity)
    : fd_(fd), numbered_(numberedReports), slot_(std::max<std::size_t>(reportLength, 2)),
      slots_(MaxCapacity * slot_), sizes_(MaxCapacity),
      capacity_(std::clamp<std::uint32_t>(capacity, 1, MaxCapacity)) {
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
    drainer_ = std::thread([this] { drain(); });
}

HidrawQueue::~HidrawQueue() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(stopFd_, &one, sizeof one);
    drainer_.join();
    ::close(stopFd_);
}

bool HidrawQueue::setCapacity(std::uint32_t capacity) {
    if (capacity < 1 || capacity > MaxCapacity) return false;
    std::lock_guard lock(mutex_);
    capacity_ = capacity;
    while (count_ > capacity_)
        dropOldestLocked();
    return true;
}

std::uint32_t HidrawQueue::capacity() const {
    std::lock_guard lock(mutex_);
    return capacity_;
}

void HidrawQueue::cancel() {
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    cv_.notify_all();
}

void HidrawQueue::dropOldestLocked() {
    head_ = (head_ + 1) % MaxCapacity;
    --count_;
    ++lost_;
}

void HidrawQueue::pushLocked(const std::uint8_t* report, std::size_t bytes) {
    if (count_ >= capacity_) dropOldestLocked();
    const std::size_t index = (head_ + count_) % MaxCapacity;
    std::memcpy(&slots_[index * slot_], report, bytes);
    sizes_[index] = bytes;
    ++count_;
}

void HidrawQueue::drain() {
    std::vector<std::uint8_t> report(slot_);
    for (;;) {
        // No timeout: the stop signal or the device's leaving ends the wait.
        const auto result = readHidraw(fd_, stopFd_, numbered_, report.data(), report.size(), -1);
        using Status = HidPlatform::ReadResult::Status;
        if (result.status == Status::Cancelled) return;
        {
            std::lock_guard lock(mutex_);
            if (result.status == Status::Gone)
                gone_ = true;
            else if (result.status == Status::Data)
                pushLocked(report.data(), result.bytes);
        }
        cv_.notify_all();
        if (result.status == Status::Gone) return;
    }
}

HidPlatform::ReadResult HidrawQueue::read(std::uint8_t* buffer, std::size_t length,
                                          int timeoutMs) {
    using Status = HidPlatform::ReadResult::Status;
    std::unique_lock lock(mutex_);
    const auto ready = [this] { return count_ > 0 || cancelled_ || gone_; };
    if (timeoutMs < 0)
        cv_.wait(lock, ready);
    else if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready))
        return {Status::Timeout, 0, 0};
    if (cancelled_) {
        cancelled_ = false;
        return {Status::Cancelled, 0, 0};
    }
    if (count_ == 0) return {Status::Gone, 0, 0};
    const std::size_t bytes = std::min(sizes_[head_], length);
    std::memcpy(buffer, &slots_[head_ * slot_], bytes);
    head_ = (head_ + 1) % MaxCapacity;
    --count_;
    const std::uint32_t lost = lost_;
    lost_ = 0;
    return {Status::Data, bytes, lost};
}

} // namespace kurvimat::hid
