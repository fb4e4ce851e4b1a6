#include "HidPlatformVirtual.h"

#include <QMetaObject>

#include <algorithm>
#include <cerrno>

namespace kurvimat::hid {

namespace {
thread_local std::uint32_t virtualLastError = 0;

template <typename T> T fail(T value, int error) {
    virtualLastError = static_cast<std::uint32_t>(error);
    return value;
}
} // namespace

HidPlatformVirtual::HidPlatformVirtual() = default;

HidPlatformVirtual::~HidPlatformVirtual() = default;

QString HidPlatformVirtual::plug(std::shared_ptr<VirtualHidDevice> device) {
    QString devInst;
    {
        std::lock_guard lock(mutex_);
        auto node = std::make_shared<Node>();
        const int instance = nextInstance_++;
        // Shaped like a kernel HID instance name, so it reads like a real identity.
        node->devInst = QStringLiteral("0006:%1:%2.%3")
                            .arg(device->attributes.VendorID, 4, 16, QLatin1Char('0'))
                            .arg(device->attributes.ProductID, 4, 16, QLatin1Char('0'))
                            .arg(instance, 4, 16, QLatin1Char('0'))
                            .toUpper();
        node->path = QStringLiteral("virtual:%1").arg(instance);
        node->device = std::move(device);
        node->pluggedAt = Clock::now();
        nodes_.push_back(node);
        devInst = node->devInst;
    }
    postChangeNotification();
    return devInst;
}

void HidPlatformVirtual::unplug(const QString& devInst) {
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(nodes_.begin(), nodes_.end(),
                               [&](const auto& n) { return n->devInst == devInst; });
        if (it == nodes_.end()) return;
        (*it)->present = false;
        nodes_.erase(it);
    }
    cv_.notify_all();
    postChangeNotification();
}

void HidPlatformVirtual::postChangeNotification() {
    if (!changeHandler_) return; // nobody listens yet: the first enumeration will see the device
    QMetaObject::invokeMethod(
        &context_,
        [this] {
            if (changeHandler_) changeHandler_();
        },
        Qt::QueuedConnection);
}

void HidPlatformVirtual::injectReport(const QString& devInst, std::vector<std::uint8_t> report) {
    {
        std::lock_guard lock(mutex_);
        for (auto& node : nodes_)
            if (node->devInst == devInst) queueReport(*node, report);
    }
    cv_.notify_all();
}

std::size_t HidPlatformVirtual::openHandleCount() const {
    std::lock_guard lock(mutex_);
    return handles_.size();
}

std::size_t HidPlatformVirtual::queuedReports(const QString& devInst) const {
    std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const auto& [h, entry] : handles_)
        if (entry.node->devInst == devInst) count += entry.queue.size();
    return count;
}

std::size_t HidPlatformVirtual::waitingReaders(const QString& devInst) const {
    std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const auto& [h, entry] : handles_)
        if (entry.node->devInst == devInst) count += entry.waiting;
    return count;
}

std::optional<std::vector<THidPnPInfo>> HidPlatformVirtual::enumerate() {
    std::lock_guard lock(mutex_);
    if (!available_) return std::nullopt;
    std::vector<THidPnPInfo> list;
    for (const auto& node : nodes_)
        list.push_back({node->devInst, node->path});
    return list;
}

HidPlatform::Handle HidPlatformVirtual::open(const QString& devicePath, Access access) {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(nodes_.begin(), nodes_.end(),
                           [&](const auto& n) { return n->path == devicePath; });
    if (it == nodes_.end()) return fail(InvalidHandle, ENOENT);
    if (access != Access::QueryOnly && !(*it)->device->readWriteAccess)
        return fail(InvalidHandle, EACCES);
    const Handle handle = nextHandle_++;
    OpenHandle& entry = handles_[handle];
    entry.node = *it;
    entry.access = access;
    return handle;
}

void HidPlatformVirtual::close(Handle handle) {
    {
        std::lock_guard lock(mutex_);
        handles_.erase(handle);
    }
    cv_.notify_all();
}

HidPlatformVirtual::OpenHandle* HidPlatformVirtual::find(Handle handle) {
    auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : &it->second;
}

HidPlatformVirtual::OpenHandle* HidPlatformVirtual::findPresent(Handle handle) {
    OpenHandle* entry = find(handle);
    if (!entry) return fail<OpenHandle*>(nullptr, EBADF);
    if (!entry->node->present) return fail<OpenHandle*>(nullptr, ENODEV);
    return entry;
}

bool HidPlatformVirtual::getAttributes(Handle handle, THidAttributes& attributes) {
    std::lock_guard lock(mutex_);
    OpenHandle* entry = findPresent(handle);
    if (!entry || !entry->node->device->attributesReadable) return false;
    attributes = entry->node->device->attributes;
    return true;
}

bool HidPlatformVirtual::copyString(Handle handle, const std::u16string VirtualHidDevice::*field,
                                    char16_t* buffer, std::size_t units) {
    std::lock_guard lock(mutex_);
    OpenHandle* entry = findPresent(handle);
    if (!entry) return false;
    const std::u16string& text = (*entry->node->device).*field;
    if (text.empty()) return fail(false, EIO);
    std::copy_n(text.begin(), std::min(text.size(), units), buffer);
    return true;
}

bool HidPlatformVirtual::getProductString(Handle handle, char16_t* buffer, std::size_t units) {
    return copyString(handle, &VirtualHidDevice::product, buffer, units);
}

bool HidPlatformVirtual::getSerialNumberString(Handle handle, char16_t* buffer, std::size_t units) {
    return copyString(handle, &VirtualHidDevice::serial, buffer, units);
}

bool HidPlatformVirtual::getIndexedString(Handle handle, unsigned index, char16_t* buffer,
                                          std::size_t units) {
    if (index != 0) return fail(false, EINVAL);
    return copyString(handle, &VirtualHidDevice::languages, buffer, units);
}

bool HidPlatformVirtual::getCaps(Handle handle, THidCaps& caps) {
    std::lock_guard lock(mutex_);
    OpenHandle* entry = findPresent(handle);
    if (!entry) return false;
    caps = entry->node->device->caps;
    return true;
}

bool HidPlatformVirtual::setNumInputBuffers(Handle handle, std::uint32_t count) {
    std::lock_guard lock(mutex_);
    OpenHandle* entry = findPresent(handle);
    if (!entry) return false;
    if (count < 2 || count > 512) return fail(false, EINVAL);
    entry->capacity = count;
    while (entry->queue.size() > count) {
        entry->queue.pop_front();
        ++entry->lost;
    }
    return true;
}

bool HidPlatformVirtual::getNumInputBuffers(Handle handle, std::uint32_t& count) {
    std::lock_guard lock(mutex_);
    OpenHandle* entry = findPresent(handle);
    if (!entry) return false;
    count = entry->capacity;
    return true;
}

std::int64_t HidPlatformVirtual::elapsedMs(const Node& node) const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - node.pluggedAt)
        .count();
}

void HidPlatformVirtual::queueReport(Node& node, const std::vector<std::uint8_t>& report) {
    for (auto& [h, entry] : handles_) {
        if (entry.node.get() != &node || entry.access == Access::QueryOnly) continue;
        if (entry.queue.size() >= entry.capacity) {
            entry.queue.pop_front();
            ++entry.lost;
        }
        entry.queue.push_back(report);
    }
}

// Reports are produced lazily when someone reads, for all the time that has passed; a slow
// reader thus finds its queue overflowed exactly as with a real device.
void HidPlatformVirtual::pump(Node& node) {
    const std::int64_t now = elapsedMs(node);
    std::vector<std::uint8_t> report;
    while (node.device->nextReportDue() <= now) {
        node.device->produceReport(report);
        queueReport(node, report);
    }
}

HidPlatform::ReadResult HidPlatformVirtual::read(Handle handle, std::uint8_t* buffer,
                                                 std::size_t length, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock lock(mutex_);
    for (;;) {
        OpenHandle* entry = findPresent(handle);
        if (!entry || entry->access == Access::QueryOnly) return {ReadResult::Status::Gone, 0, 0};
        if (entry->cancelled) {
            entry->cancelled = false;
            return {ReadResult::Status::Cancelled, 0, 0};
        }
        Node& node = *entry->node;
        pump(node);
        if (!entry->queue.empty()) {
            const std::vector<std::uint8_t> report = std::move(entry->queue.front());
            entry->queue.pop_front();
            const std::size_t bytes = std::min(report.size(), length);
            std::copy_n(report.begin(), bytes, buffer);
            const std::uint32_t lost = entry->lost;
            entry->lost = 0;
            return {ReadResult::Status::Data, bytes, lost};
        }
        if (Clock::now() >= deadline) return {ReadResult::Status::Timeout, 0, 0};
        auto wake = deadline;
        const std::int64_t due = node.device->nextReportDue();
        if (due != VirtualHidDevice::NoReport)
            wake = std::min(wake, node.pluggedAt + std::chrono::milliseconds(due));
        ++entry->waiting;
        cv_.wait_until(lock, wake);
        if (OpenHandle* again = find(handle)) --again->waiting;
    }
}

void HidPlatformVirtual::cancelRead(Handle handle) {
    {
        std::lock_guard lock(mutex_);
        if (OpenHandle* entry = find(handle)) entry->cancelled = true;
    }
    cv_.notify_all();
}

bool HidPlatformVirtual::setOutputReport(Handle handle, const std::uint8_t* data,
                                         std::size_t length) {
    bool accepted = false;
    {
        std::lock_guard lock(mutex_);
        OpenHandle* entry = findPresent(handle);
        if (!entry) return false;
        if (!outputSupported_ || entry->access != Access::ReadWrite) return fail(false, EACCES);
        Node& node = *entry->node;
        pump(node); // what was measured under the old settings is sent first
        accepted = node.device->outputReport(data, length, elapsedMs(node));
        if (!accepted) virtualLastError = EINVAL;
    }
    cv_.notify_all();
    return accepted;
}

void HidPlatformVirtual::setChangeHandler(std::function<void()> handler) {
    changeHandler_ = std::move(handler);
}

std::uint32_t HidPlatformVirtual::lastError() const {
    return virtualLastError;
}

} // namespace kurvimat::hid
