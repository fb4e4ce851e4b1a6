#include "HidPlatformLinux.h"

#include "HidReportDescriptor.h"
#include "HidUevent.h"

#include <QSocketNotifier>

#include <libudev.h>
#include <linux/hidraw.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace kurvimat::hid {

namespace {

thread_local std::uint32_t linuxLastError = 0;

// sysfs gives strings after the kernel chose a language; it does not expose the list.
constexpr char16_t AssumedLanguage = 0x0409;

template <typename T> T fail(T value) {
    linuxLastError = static_cast<std::uint32_t>(errno);
    return value;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::u16string toUtf16(const char* text) {
    return text ? QString::fromUtf8(text).trimmed().toStdU16String() : std::u16string{};
}

// Without udevd (containers, initramfs, minimal systems) nobody passes the kernel's events on
// to the udev group, nor sets up the nodes' rights.
bool udevRunning() {
    return ::access("/run/udev/control", F_OK) == 0;
}

bool copyString(const std::u16string& text, char16_t* buffer, std::size_t units) {
    if (text.empty()) {
        linuxLastError = ENOENT;
        return false;
    }
    std::copy_n(text.begin(), std::min(text.size(), units), buffer);
    return true;
}

} // namespace

std::shared_ptr<HidPlatform> makeSystemHidPlatform() {
    return std::make_shared<HidPlatformLinux>();
}

HidPlatformLinux::HidPlatformLinux() : udev_(udev_new()) {}

HidPlatformLinux::Entry::~Entry() {
    queue.reset(); // its thread reads fd
    if (fd >= 0) ::close(fd);
}

HidPlatformLinux::~HidPlatformLinux() {
    notifier_.reset();
    handles_.clear();
    if (monitor_) udev_monitor_unref(monitor_);
    if (udev_) udev_unref(udev_);
}

std::optional<std::vector<THidPnPInfo>> HidPlatformLinux::enumerate() {
    std::lock_guard lock(mutex_);
    if (!udev_) return std::nullopt;
    udev_enumerate* enumeration = udev_enumerate_new(udev_);
    if (!enumeration) return std::nullopt;
    std::vector<THidPnPInfo> list;
    udev_enumerate_add_match_subsystem(enumeration, "hidraw");
    // sysfs shows a new device before its node is made and, with udevd, before its rights are
    // set. Listed then, it would be taken for one we may not open, for good: the event that
    // says it is ready would find it known. So only ready nodes are listed; that event follows.
    const bool udev = udevRunning();
    if (udev) udev_enumerate_add_match_is_initialized(enumeration);
    udev_enumerate_scan_devices(enumeration);
    udev_list_entry* item = nullptr;
    udev_list_entry_foreach(item, udev_enumerate_get_list_entry(enumeration)) {
        udev_device* device = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(item));
        if (!device) continue;
        const char* devnode = udev_device_get_devnode(device);
        udev_device* hid = udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr);
        // The hid device's name (bus:vendor:product.instance) is new for every plug-in.
        const char* instance = hid ? udev_device_get_sysname(hid) : nullptr;
        if (devnode && instance && (udev || ::access(devnode, F_OK) == 0))
            list.push_back({QString::fromUtf8(instance), QString::fromUtf8(devnode)});
        udev_device_unref(device);
    }
    udev_enumerate_unref(enumeration);
    return list;
}

bool HidPlatformLinux::describe(const std::string& devnode, Entry& entry) {
    const std::string sysname = devnode.substr(devnode.rfind('/') + 1);
    udev_device* device = udev_device_new_from_subsystem_sysname(udev_, "hidraw", sysname.c_str());
    if (!device) {
        linuxLastError = ENOENT;
        return false;
    }
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr);
    if (!hid) {
        udev_device_unref(device);
        linuxLastError = ENODEV;
        return false;
    }
    const std::string hidPath = udev_device_get_syspath(hid);
    const auto uevent = parseUevent(readFile(hidPath + "/uevent"));
    if (const auto it = uevent.find("HID_ID"); it != uevent.end()) {
        if (const auto id = parseHidId(it->second)) {
            entry.attributes.VendorID = id->vendor;
            entry.attributes.ProductID = id->product;
            entry.attributesKnown = true;
        }
    }
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(hid, "usb", "usb_device");
    const HidStrings strings =
        chooseHidStrings(usb ? udev_device_get_sysattr_value(usb, "product") : nullptr,
                         usb ? udev_device_get_sysattr_value(usb, "serial") : nullptr, uevent);
    entry.product = toUtf16(strings.product.c_str());
    entry.serial = toUtf16(strings.serial.c_str());
    if (const char* bcd = usb ? udev_device_get_sysattr_value(usb, "bcdDevice") : nullptr)
        entry.attributes.VersionNumber = static_cast<std::uint16_t>(std::strtoul(bcd, nullptr, 16));

    // The descriptor is world-readable in sysfs, so even a node we may not open has caps.
    const std::string descriptor = readFile(hidPath + "/report_descriptor");
    if (const auto lengths = parseReportDescriptor(
            reinterpret_cast<const std::uint8_t*>(descriptor.data()), descriptor.size());
        lengths && !descriptor.empty()) {
        entry.caps.UsagePage = lengths->usagePage;
        entry.caps.Usage = lengths->usage;
        entry.caps.InputReportByteLength = lengths->input;
        entry.caps.OutputReportByteLength = lengths->output;
        entry.caps.FeatureReportByteLength = lengths->feature;
        entry.numberedReports = lengths->numberedReports;
        entry.capsKnown = true;
    }
    udev_device_unref(device);
    return true;
}

HidPlatform::Handle HidPlatformLinux::open(const QString& devicePath, Access access) {
    std::lock_guard lock(mutex_);
    if (!udev_) {
        linuxLastError = ENODEV;
        return InvalidHandle;
    }
    auto entry = std::make_shared<Entry>();
    const std::string devnode = devicePath.toStdString();
    if (access != Access::QueryOnly) {
        const int flags =
            (access == Access::ReadWrite ? O_RDWR : O_RDONLY | O_NONBLOCK) | O_CLOEXEC;
        entry->fd = ::open(devnode.c_str(), flags);
        if (entry->fd < 0) return fail(InvalidHandle);
    }
    if (!describe(devnode, *entry)) return InvalidHandle;
    if (entry->fd >= 0) {
        hidraw_devinfo info{};
        if (::ioctl(entry->fd, HIDIOCGRAWINFO, &info) == 0) {
            entry->attributes.VendorID = static_cast<std::uint16_t>(info.vendor);
            entry->attributes.ProductID = static_cast<std::uint16_t>(info.product);
            entry->attributesKnown = true;
        }
    }
    const Handle handle = nextHandle_++;
    handles_[handle] = std::move(entry);
    return handle;
}

void HidPlatformLinux::close(Handle handle) {
    std::shared_ptr<Entry> entry;
    {
        std::lock_guard lock(mutex_);
        auto it = handles_.find(handle);
        if (it == handles_.end()) return;
        entry = std::move(it->second);
        handles_.erase(it);
    }
    // A reader still polling keeps the entry, and so the descriptors, until it returns.
}

std::shared_ptr<HidPlatformLinux::Entry> HidPlatformLinux::find(Handle handle) {
    std::lock_guard lock(mutex_);
    auto it = handles_.find(handle);
    if (it == handles_.end()) {
        linuxLastError = EBADF;
        return nullptr;
    }
    return it->second;
}

bool HidPlatformLinux::getAttributes(Handle handle, THidAttributes& attributes) {
    const auto entry = find(handle);
    if (!entry || !entry->attributesKnown) return false;
    attributes = entry->attributes;
    return true;
}

bool HidPlatformLinux::getProductString(Handle handle, char16_t* buffer, std::size_t units) {
    const auto entry = find(handle);
    return entry && copyString(entry->product, buffer, units);
}

bool HidPlatformLinux::getSerialNumberString(Handle handle, char16_t* buffer, std::size_t units) {
    const auto entry = find(handle);
    return entry && copyString(entry->serial, buffer, units);
}

bool HidPlatformLinux::getIndexedString(Handle handle, unsigned index, char16_t* buffer,
                                        std::size_t units) {
    const auto entry = find(handle);
    if (!entry || index != 0 || units == 0) {
        linuxLastError = EINVAL;
        return false;
    }
    buffer[0] = AssumedLanguage;
    return true;
}

bool HidPlatformLinux::getCaps(Handle handle, THidCaps& caps) {
    const auto entry = find(handle);
    if (!entry || !entry->capsKnown) return false;
    caps = entry->caps;
    return true;
}

// The kernel's own queue (64 reports) cannot be changed; the platform's ring behind it can.
bool HidPlatformLinux::setNumInputBuffers(Handle handle, std::uint32_t count) {
    const auto entry = find(handle);
    if (!entry || entry->fd < 0) return false;
    if (count < 1 || count > HidrawQueue::MaxCapacity) {
        linuxLastError = EINVAL;
        return false;
    }
    std::lock_guard lock(entry->queueMutex);
    entry->capacity = count;
    if (entry->queue) entry->queue->setCapacity(count);
    return true;
}

bool HidPlatformLinux::getNumInputBuffers(Handle handle, std::uint32_t& count) {
    const auto entry = find(handle);
    if (!entry || entry->fd < 0) return false;
    std::lock_guard lock(entry->queueMutex);
    count = entry->capacity;
    return true;
}

HidrawQueue* HidPlatformLinux::queueFor(Entry& entry, std::size_t reportLength) {
    std::lock_guard lock(entry.queueMutex);
    if (!entry.queue) {
        try {
            entry.queue = std::make_unique<HidrawQueue>(entry.fd, entry.numberedReports,
                                                        reportLength, entry.capacity);
        } catch (const std::exception&) {
            return nullptr;
        }
        if (entry.cancelPending) entry.queue->cancel();
        entry.cancelPending = false;
    }
    return entry.queue.get();
}

HidPlatform::ReadResult HidPlatformLinux::read(Handle handle, std::uint8_t* buffer,
                                               std::size_t length, int timeoutMs) {
    // Holding the entry keeps its file and queue alive while we wait, even if closed meanwhile.
    const auto entry = find(handle);
    if (!entry || entry->fd < 0) return {ReadResult::Status::Gone, 0, 0};
    HidrawQueue* queue = queueFor(*entry, length);
    if (!queue) {
        linuxLastError = ENOMEM;
        return {ReadResult::Status::Gone, 0, 0};
    }
    const ReadResult result = queue->read(buffer, length, timeoutMs);
    if (result.status == ReadResult::Status::Gone) linuxLastError = ENODEV;
    return result;
}

void HidPlatformLinux::cancelRead(Handle handle) {
    const auto entry = find(handle);
    if (!entry) return;
    std::lock_guard lock(entry->queueMutex);
    if (entry->queue)
        entry->queue->cancel();
    else
        entry->cancelPending = true;
}

bool HidPlatformLinux::setOutputReport(Handle handle, const std::uint8_t* data,
                                       std::size_t length) {
    const auto entry = find(handle);
    if (!entry || entry->fd < 0 || length == 0) {
        linuxLastError = EBADF;
        return false;
    }
    // Byte 0 is the report ID; hidraw drops a 0 for devices without numbered reports.
#ifdef HIDIOCSOUTPUT
    std::vector<std::uint8_t> copy(data, data + length); // the ioctl may write back
    if (::ioctl(entry->fd, HIDIOCSOUTPUT(length), copy.data()) >= 0) return true;
    if (errno != ENOTTY && errno != EINVAL && errno != ENOSYS) return fail(false);
#endif
    const ssize_t written = ::write(entry->fd, data, length);
    if (written < 0) return fail(false);
    return static_cast<std::size_t>(written) == length;
}

void HidPlatformLinux::setChangeHandler(std::function<void()> handler) {
    changeHandler_ = std::move(handler);
    if (!changeHandler_ || monitor_ || !udev_) return;
    std::lock_guard lock(mutex_);
    // Without udevd, listen to the kernel itself: its event comes after devtmpfs made the node.
    monitor_ = udev_monitor_new_from_netlink(udev_, udevRunning() ? "udev" : "kernel");
    if (!monitor_) return; // no hot-plug: devices present at start are still found
    udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr);
    if (udev_monitor_enable_receiving(monitor_) < 0) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
        return;
    }
    const int fd = udev_monitor_get_fd(monitor_);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { drainMonitor(); });
}

void HidPlatformLinux::drainMonitor() {
    {
        std::lock_guard lock(mutex_);
        while (udev_device* device = udev_monitor_receive_device(monitor_))
            udev_device_unref(device);
    }
    // Any event leads to a full enumeration, so the events themselves are not needed.
    if (changeHandler_) changeHandler_();
}

std::uint32_t HidPlatformLinux::lastError() const {
    return linuxLastError;
}

} // namespace kurvimat::hid
