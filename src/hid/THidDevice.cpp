#include "THidDevice.h"

#include "THidDeviceController.h"
#include "THidDeviceReadThread.h"

#include <QMetaObject>

#include <algorithm>
#include <array>
#include <new>

namespace kurvimat::hid {

namespace {

constexpr std::size_t StringUnits = 254;
// Reported when the reading thread may not open the device (it left or was never claimed).
constexpr std::uint32_t ErrorNotAccessible = 19;

QString textUpToNul(const std::array<char16_t, StringUnits>& buffer) {
    const auto end = std::find(buffer.begin(), buffer.end(), u'\0');
    return QString::fromUtf16(buffer.data(), static_cast<qsizetype>(end - buffer.begin()));
}

} // namespace

THidDevice::THidDevice(THidDeviceController* controller, HidPlatform& platform, THidPnPInfo info)
    : controller_(controller), platform_(platform), pnpInfo_(std::move(info)) {
    if (controller_) {
        dataHandler_ = controller_->OnDeviceData();
        unplugHandler_ = controller_->OnDeviceUnplug();
        errorHandler_ = controller_->OnDeviceDataError();
        waitSlice_ = controller_->DevThreadSleepTime();
    }
    deviceHandle_ = platform_.open(pnpInfo_.DevicePath, HidPlatform::Access::ReadWrite);
    canReadWrite_ = deviceHandle_ != HidPlatform::InvalidHandle;
    if (!canReadWrite_)
        deviceHandle_ = platform_.open(pnpInfo_.DevicePath, HidPlatform::Access::QueryOnly);
    if (deviceHandle_ != HidPlatform::InvalidHandle &&
        !platform_.getAttributes(deviceHandle_, attributes_))
        attributes_ = THidAttributes{};
}

THidDevice::~THidDevice() {
    controller_ = nullptr;
    try {
        SetDataHandler(nullptr);
        reapRetiredThread();
    } catch (...) {
        // A handler threw while the thread was served to its end; the thread has ended.
    }
    unplugHandler_ = nullptr;
    closeDeviceHandle();
    closeReadHandle();
    std::lock_guard lock(readMutex_);
    if (deferredClose_ != HidPlatform::InvalidHandle) platform_.close(deferredClose_);
}

std::uint32_t THidDevice::ReadBufferCount() const {
    std::lock_guard lock(readMutex_);
    return readCount_;
}

bool THidDevice::openDeviceHandle() {
    if (Accessible() && deviceHandle_ == HidPlatform::InvalidHandle) {
        deviceHandle_ = platform_.open(pnpInfo_.DevicePath, HidPlatform::Access::ReadWrite);
        canReadWrite_ = deviceHandle_ != HidPlatform::InvalidHandle;
        if (!canReadWrite_)
            deviceHandle_ = platform_.open(pnpInfo_.DevicePath, HidPlatform::Access::QueryOnly);
        if (deviceHandle_ != HidPlatform::InvalidHandle) {
            if (inputCount_ != 0) platform_.setNumInputBuffers(deviceHandle_, inputCount_);
            std::uint32_t count = 0;
            inputCount_ = platform_.getNumInputBuffers(deviceHandle_, count) ? count : 0;
        }
    }
    return deviceHandle_ != HidPlatform::InvalidHandle;
}

void THidDevice::closeDeviceHandle() {
    if (deviceHandle_ != HidPlatform::InvalidHandle) {
        platform_.close(deviceHandle_);
        deviceHandle_ = HidPlatform::InvalidHandle;
    }
    inputCount_ = 0;
}

void THidDevice::closeReadHandle() {
    std::lock_guard lock(readMutex_);
    if (readHandle_ != HidPlatform::InvalidHandle) {
        if (readInFlight_) {
            // Closing under a waiting reader would let the number be reused meanwhile; the
            // reader closes it when its read has returned.
            deferredClose_ = readHandle_;
            platform_.cancelRead(readHandle_);
        } else {
            platform_.close(readHandle_);
        }
        readHandle_ = HidPlatform::InvalidHandle;
    }
    readCount_ = 0;
}

QString THidDevice::ProductString() {
    if (productCache_.isEmpty() && openDeviceHandle()) {
        std::array<char16_t, StringUnits> buffer{};
        if (platform_.getProductString(deviceHandle_, buffer.data(), buffer.size()))
            productCache_ = textUpToNul(buffer);
        closeDeviceHandle();
    }
    return productCache_;
}

QString THidDevice::SerialNumberString() {
    if (serialCache_.isEmpty() && openDeviceHandle()) {
        std::array<char16_t, StringUnits> serial{};
        if (platform_.getSerialNumberString(deviceHandle_, serial.data(), serial.size())) {
            std::array<char16_t, StringUnits> languages;
            languages.fill(u'\xFFFF');
            platform_.getIndexedString(deviceHandle_, 0, languages.data(), languages.size());
            // Length of the language list: up to its last written unit, without a final NUL.
            std::size_t n = 0;
            for (std::size_t k = languages.size(); k-- > 0;) {
                if (languages[k] != u'\xFFFF') {
                    n = languages[k] != 0 ? k + 1 : k;
                    break;
                }
            }
            // Some devices answer the serial query with their language list.
            if (n > 0 && !std::equal(serial.begin(), serial.begin() + n, languages.begin()))
                serialCache_ = textUpToNul(serial);
        }
        closeDeviceHandle();
    }
    return serialCache_;
}

THidCaps THidDevice::HidCaps() {
    if (!capsHeld_ && openDeviceHandle()) {
        THidCaps caps;
        capsHeld_ = platform_.getCaps(deviceHandle_, caps);
        caps_ = capsHeld_ ? caps : THidCaps{};
        closeDeviceHandle();
    }
    return capsHeld_ ? caps_ : THidCaps{};
}

void THidDevice::SetInputBufferCount(std::uint32_t n) {
    if (n != inputCount_ && openDeviceHandle()) {
        platform_.setNumInputBuffers(deviceHandle_, n);
        std::uint32_t count = 0;
        inputCount_ = platform_.getNumInputBuffers(deviceHandle_, count) ? count : 0;
    }
}

void THidDevice::SetReadBufferCount(std::uint32_t n) {
    std::lock_guard lock(readMutex_);
    if (n == readCount_ || !Accessible()) return;
    if (readHandle_ == HidPlatform::InvalidHandle)
        readHandle_ = platform_.open(pnpInfo_.DevicePath, HidPlatform::Access::ReadOnly);
    if (readHandle_ == HidPlatform::InvalidHandle) return;
    platform_.setNumInputBuffers(readHandle_, n);
    std::uint32_t count = 0;
    readCount_ = platform_.getNumInputBuffers(readHandle_, count) ? count : 0;
}

void THidDevice::SetDataHandler(THidDataEvent handler) {
    if (!handler) {
        try {
            stopReadThread();
        } catch (...) {
            // The thread has ended all the same; the removal must stand.
            dataHandler_ = nullptr;
            dataFromController_ = false;
            throw;
        }
    }
    dataHandler_ = std::move(handler);
    dataFromController_ = false;
    startReadThread();
}

void THidDevice::SetErrorHandler(THidDataErrorEvent handler) {
    errorHandler_ = std::move(handler);
    errorFromController_ = false;
}

void THidDevice::SetUnplugHandler(THidPlugEvent handler) {
    unplugHandler_ = std::move(handler);
    unplugFromController_ = false;
}

void THidDevice::SetWaitSlice(int ms) {
    if (ms >= 10 && ms <= 10000) waitSlice_ = ms;
}

bool THidDevice::SendOutputReport(const std::uint8_t* buffer, std::uint32_t length) {
    if (!platform_.hasSetOutputReport() || !openDeviceHandle()) return false;
    return platform_.setOutputReport(deviceHandle_, buffer, length);
}

void THidDevice::startReadThread() {
    if (!dataHandler_ || !present_ || !claimed_ || !canReadWrite_ || readThread_) return;
    // A device without input reports would only spin on empty reads.
    const std::size_t length = HidCaps().InputReportByteLength;
    if (length == 0) return;
    reapRetiredThread();
    try {
        readThread_ = std::make_unique<THidDeviceReadThread>(this, length);
    } catch (const std::exception&) {
        readThread_.reset(); // no thread: the device simply delivers nothing
    }
}

void THidDevice::stopReadThread() {
    if (!readThread_) return;
    if (readThread_->serving()) {
        // Asked from inside this thread's own hand-off: the worker waits for us to return,
        // so it can only be joined afterwards. It delivers nothing more once asked to end.
        readThread_->requestTermination();
        retiredThread_ = std::move(readThread_);
        QMetaObject::invokeMethod(
            this, [this] { reapRetiredThread(); }, Qt::QueuedConnection);
        return;
    }
    const auto thread = std::move(readThread_); // gone even if a served handler throws
    thread->stop();
}

void THidDevice::reapRetiredThread() {
    if (retiredThread_ && !retiredThread_->serving()) {
        retiredThread_->stop();
        retiredThread_.reset();
    }
}

bool THidDevice::midHandOff() const {
    return (readThread_ && readThread_->serving()) || (retiredThread_ && retiredThread_->serving());
}

void THidDevice::unplug() {
    closeDeviceHandle();
    closeReadHandle();
    present_ = false;
    if (unplugHandler_) {
        THidPlugEvent handler = unplugHandler_;
        handler(this);
        unplugHandler_ = nullptr;
    }
}

HidPlatform::Handle THidDevice::acquireReadHandle(std::uint32_t& error) {
    std::lock_guard lock(readMutex_);
    if (!Accessible()) {
        error = ErrorNotAccessible;
        return HidPlatform::InvalidHandle;
    }
    if (readHandle_ == HidPlatform::InvalidHandle) {
        readHandle_ = platform_.open(pnpInfo_.DevicePath, HidPlatform::Access::ReadOnly);
        if (readHandle_ == HidPlatform::InvalidHandle) {
            error = platform_.lastError();
            return HidPlatform::InvalidHandle;
        }
        if (readCount_ != 0) platform_.setNumInputBuffers(readHandle_, readCount_);
        std::uint32_t count = 0;
        readCount_ = platform_.getNumInputBuffers(readHandle_, count) ? count : 0;
    }
    readInFlight_ = true;
    return readHandle_;
}

void THidDevice::releaseReadHandle(HidPlatform::Handle handle, bool gone) {
    std::lock_guard lock(readMutex_);
    readInFlight_ = false;
    if (deferredClose_ != HidPlatform::InvalidHandle) {
        platform_.close(deferredClose_);
        deferredClose_ = HidPlatform::InvalidHandle;
    } else if (gone && readHandle_ == handle) {
        // A dead handle is dropped so that the next read reopens (or fails and waits)
        // instead of failing at once in a loop.
        platform_.close(readHandle_);
        readHandle_ = HidPlatform::InvalidHandle;
        readCount_ = 0;
    }
}

void THidDevice::cancelPendingRead() {
    std::lock_guard lock(readMutex_);
    if (readHandle_ != HidPlatform::InvalidHandle) platform_.cancelRead(readHandle_);
}

void THidDevice::deliverReport(const std::uint8_t* buffer, std::size_t bytes, std::uint32_t lost) {
    if (lost > 0) {
        lostReports_ += lost;
        if (DataLossHandler) DataLossHandler(this, lost);
    }
    if (dataHandler_ && bytes > 0) {
        // A copy: the handler may replace itself.
        const THidDataEvent handler = dataHandler_;
        handler(this, buffer[0], buffer + 1, static_cast<std::uint16_t>(bytes - 1));
    }
}

void THidDevice::deliverError(std::uint32_t error) {
    if (errorHandler_) {
        const THidDataErrorEvent handler = errorHandler_;
        handler(this, error);
    }
}

} // namespace kurvimat::hid
