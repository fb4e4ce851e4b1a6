#pragma once

#include "HidPlatform.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace kurvimat::hid {

class THidDevice;

/// Keeps one read outstanding for its device and hands every completed report to the GUI
/// thread, blocking until the handler has returned. Lives on the GUI thread as an object; the
/// worker is a std::thread. Never frees itself.
class THidDeviceReadThread : public QObject {
public:
    /// Starts at once; `reportLength` fixes the buffer (report ID byte included).
    THidDeviceReadThread(THidDevice* device, std::size_t reportLength);
    ~THidDeviceReadThread() override;

    /// GUI thread: asks the worker to end, then waits for it while executing its hand-offs.
    /// Called from inside one of this thread's own hand-offs, it only asks and returns: the
    /// owner joins the thread later (see `serving`).
    void stop();
    void requestTermination();
    bool serving() const { return serving_; }
    bool ended() const;
    /// Whether the worker waits in a hand-off that the GUI thread has not run yet.
    bool handOffPending() const;

    /// The error of the last read that could not be issued; readable from any thread.
    std::uint32_t lastError() const { return lastError_.load(); }

private:
    enum class Request { None, Report, Error };

    void run();
    void handOff(Request request);
    void serve();
    bool waitSlice(int ms);

    THidDevice* device_;
    std::vector<std::uint8_t> buffer_;
    std::size_t bytesRead_ = 0;
    std::uint32_t lost_ = 0;
    std::atomic<std::uint32_t> lastError_{0};

    std::atomic<bool> terminate_{false};
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    Request pending_ = Request::None; // guarded by mutex_
    bool ended_ = false;              // guarded by mutex_
    bool serving_ = false;            // GUI thread only
    std::thread worker_;
};

} // namespace kurvimat::hid
