#pragma once

#include "HidPlatform.h"
#include "HidrawQueue.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

class QSocketNotifier;
struct udev;
struct udev_monitor;

namespace kurvimat::hid {

/// HID on Linux: hidraw nodes found with libudev, hot-plug through the udev monitor, queries
/// from sysfs (so a node without access rights still tells who it is), reports through the
/// hidraw file. Without udev the service is unavailable and there are no devices.
class HidPlatformLinux : public HidPlatform {
public:
    HidPlatformLinux();
    ~HidPlatformLinux() override;

    bool available() const override { return udev_ != nullptr; }
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
    bool hasSetOutputReport() const override { return true; }
    bool setOutputReport(Handle handle, const std::uint8_t* data, std::size_t length) override;
    void setChangeHandler(std::function<void()> handler) override;
    std::uint32_t lastError() const override;

private:
    struct Entry {
        Entry() = default;
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;
        ~Entry();    // stops the queue and closes the file: the last user of the entry does
        int fd = -1; // -1 for a query-only handle
        // Made by the first read, so that handles nobody reads keep no thread.
        std::mutex queueMutex;
        std::unique_ptr<HidrawQueue> queue;
        std::uint32_t capacity = HidrawQueue::DefaultCapacity;
        bool cancelPending = false;
        THidAttributes attributes;
        bool attributesKnown = false;
        std::u16string product;
        std::u16string serial;
        THidCaps caps;
        bool capsKnown = false;
        bool numberedReports = false;
    };

    bool describe(const std::string& devnode, Entry& entry); // mutex_ held
    std::shared_ptr<Entry> find(Handle handle);
    static HidrawQueue* queueFor(Entry& entry, std::size_t reportLength);
    void drainMonitor();

    mutable std::mutex mutex_; // libudev contexts are not thread-safe; guards handles_ too
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> changeHandler_;
    std::map<Handle, std::shared_ptr<Entry>> handles_;
    Handle nextHandle_ = 1;
};

} // namespace kurvimat::hid
