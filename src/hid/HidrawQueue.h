#pragma once

#include "HidPlatform.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace kurvimat::hid {

/// The input queue of one hidraw file, as long as asked. The kernel keeps only 64 reports per
/// reader and drops the rest unseen; a thread of its own empties the file into this ring as
/// the reports come, so a reader blocked for a while (in a hand-off to a busy GUI thread) finds
/// them here, in order. What overflows the ring is dropped oldest first and counted.
class HidrawQueue {
public:
    static constexpr std::uint32_t MaxCapacity = 512;
    static constexpr std::uint32_t DefaultCapacity = 64; // what the kernel keeps

    /// Starts draining `fd` (not owned; it must stay open until the queue is destroyed).
    /// `reportLength` is the longest report kept, report ID byte included.
    HidrawQueue(int fd, bool numberedReports, std::size_t reportLength,
                std::uint32_t capacity = DefaultCapacity);
    ~HidrawQueue();
    HidrawQueue(const HidrawQueue&) = delete;
    HidrawQueue& operator=(const HidrawQueue&) = delete;

    /// False (and no change) outside 1 ... MaxCapacity. A shorter ring drops its oldest reports.
    bool setCapacity(std::uint32_t capacity);
    std::uint32_t capacity() const;

    /// The oldest report, waiting at most `timeoutMs`. `Gone` only once every report that
    /// came before the device left has been read.
    HidPlatform::ReadResult read(std::uint8_t* buffer, std::size_t length, int timeoutMs);
    /// Makes the pending read, or the next one, return `Cancelled`.
    void cancel();

private:
    void drain();
    void pushLocked(const std::uint8_t* report, std::size_t bytes);
    void dropOldestLocked();

    int fd_;
    int stopFd_ = -1;
    bool numbered_;
    std::size_t slot_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::uint8_t> slots_;  // MaxCapacity slots of slot_ bytes
    std::vector<std::size_t> sizes_;   // bytes held in each slot
    std::size_t head_ = 0, count_ = 0; // guarded by mutex_, like everything below
    std::uint32_t capacity_;
    std::uint32_t lost_ = 0;
    bool cancelled_ = false;
    bool gone_ = false;
    std::thread drainer_;
};

} // namespace kurvimat::hid
