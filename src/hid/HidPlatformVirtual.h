#pragma once

#include "HidPlatform.h"
#include "VirtualHidDevice.h"

#include <QObject>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

namespace kurvimat::hid {

/// An in-process HID service for tests and the demo: devices are plugged and unplugged on
/// demand, each plug being a new device node. Every open handle has its own report queue
/// (default 32, like a fresh handle elsewhere); a reader too slow for a streaming device loses
/// the oldest reports, and the loss is reported with the next read.
class HidPlatformVirtual : public HidPlatform {
public:
    HidPlatformVirtual();
    ~HidPlatformVirtual() override;

    /// Returns the new node's `DevInst`; the change notification is posted.
    QString plug(std::shared_ptr<VirtualHidDevice> device);
    void unplug(const QString& devInst);
    /// Posts a change notification although nothing changed.
    void postChangeNotification();
    /// Queues a report on every open handle of the node, as if the device had sent it.
    void injectReport(const QString& devInst, std::vector<std::uint8_t> report);

    void setAvailable(bool available) { available_ = available; }
    void setOutputReportSupported(bool supported) { outputSupported_ = supported; }
    std::size_t openHandleCount() const;
    /// Reports waiting in the queues of all open handles of the node.
    std::size_t queuedReports(const QString& devInst) const;
    /// Reads currently waiting for a report of the node.
    std::size_t waitingReaders(const QString& devInst) const;

    bool available() const override { return available_; }
    std::optional<std::vector<THidPnPInfo>> enumerate() override;
    Handle open(const QString& devicePath, Access access) override;
    void close(Handle handle) override;
    bool getAttributes(Handle handle, THidAttributes& attributes) override;
    bool getProductString(Handle handle, char16_t* buffer, std::size_t units) override;
    bool getSerialNumberString(Handle handle, char16_t* buffer, std::size_t units) override;
    bool getIndexedString(Handle handle, unsigned index, char16_t* buffer,
                          std::size_t units) override;
    bool getCaps(Handle handle, THidCaps& caps) override;
    bool setNumInputBuffers(Handle handle, std::uint32_t count) override;
    bool getNumInputBuffers(Handle handle, std::uint32_t& count) override;
    ReadResult read(Handle handle, std::uint8_t* buffer, std::size_t length,
                    int timeoutMs) override;
    void cancelRead(Handle handle) override;
    bool hasSetOutputReport() const override { return outputSupported_; }
    bool setOutputReport(Handle handle, const std::uint8_t* data, std::size_t length) override;
    void setChangeHandler(std::function<void()> handler) override;
    std::uint32_t lastError() const override;

private:
    using Clock = std::chrono::steady_clock;
    struct Node {
        QString devInst;
        QString path;
        std::shared_ptr<VirtualHidDevice> device;
        Clock::time_point pluggedAt;
        bool present = true;
    };
    struct OpenHandle {
        std::shared_ptr<Node> node;
        Access access = Access::QueryOnly;
        std::deque<std::vector<std::uint8_t>> queue;
        std::uint32_t capacity = 32;
        std::uint32_t lost = 0;
        bool cancelled = false;
        int waiting = 0;
    };

    OpenHandle* find(Handle handle);
    OpenHandle* findPresent(Handle handle);
    std::int64_t elapsedMs(const Node& node) const;
    void pump(Node& node);
    void queueReport(Node& node, const std::vector<std::uint8_t>& report);
    bool copyString(Handle handle, const std::u16string VirtualHidDevice::*field, char16_t* buffer,
                    std::size_t units);

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::shared_ptr<Node>> nodes_;
    std::map<Handle, OpenHandle> handles_;
    Handle nextHandle_ = 1;
    int nextInstance_ = 1;
    bool available_ = true;
    bool outputSupported_ = true;
    std::function<void()> changeHandler_;
    QObject context_; // posted notifications die with the platform
};

} // namespace kurvimat::hid
