#pragma once

#include "HidPlatform.h"
#include "HidTypes.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace kurvimat::hid {

class THidDeviceController;
class THidDeviceReadThread;

/// One HID interface seen by the controller. Owned by the controller; the application only
/// borrows it. All members are for the GUI thread unless noted.
class THidDevice : public QObject {
public:
    THidDevice(THidDeviceController* controller, HidPlatform& platform, THidPnPInfo info);
    ~THidDevice() override;

    const THidPnPInfo& PnPInfo() const { return pnpInfo_; }
    bool Present() const { return present_; }
    bool Claimed() const { return claimed_; }
    bool InEvent() const { return inEvent_; }
    bool CanReadWrite() const { return canReadWrite_; }
    bool Accessible() const { return present_ && (claimed_ || inEvent_); }
    THidDeviceController* Controller() const { return controller_; }

    const THidAttributes& HidAttributes() const { return attributes_; }
    /// At most 254 characters; empty when unreadable (asked again on the next call).
    QString ProductString();
    /// Empty when the device has none (or answers with its language list instead).
    QString SerialNumberString();
    /// All zero when the report descriptor cannot be obtained.
    THidCaps HidCaps();

    void SetInputBufferCount(std::uint32_t n);
    void SetReadBufferCount(std::uint32_t n);
    std::uint32_t InputBufferCount() const { return inputCount_; }
    std::uint32_t ReadBufferCount() const;

    /// With none, returns only after the reading thread has ended: no report is delivered
    /// afterwards. With a handler, reading starts at once if the device is claimed.
    void SetDataHandler(THidDataEvent handler);
    const THidDataEvent& DataHandler() const { return dataHandler_; }
    void SetErrorHandler(THidDataErrorEvent handler);
    const THidDataErrorEvent& ErrorHandler() const { return errorHandler_; }
    void SetUnplugHandler(THidPlugEvent handler);
    const THidPlugEvent& UnplugHandler() const { return unplugHandler_; }
    THidDataLossEvent DataLossHandler;

    bool SendOutputReport(const std::uint8_t* buffer, std::uint32_t length);

    int WaitSlice() const { return waitSlice_; }
    /// Accepts 10 ... 10000 ms; other values are ignored.
    void SetWaitSlice(int ms);

    bool Reading() const { return readThread_ != nullptr; }
    const THidDeviceReadThread* ReadThread() const { return readThread_.get(); }
    /// Input reports the platform dropped since the device was created.
    std::uint64_t LostReports() const { return lostReports_; }

private:
    friend class THidDeviceController;
    friend class THidDeviceReadThread;

    bool openDeviceHandle();
    void closeDeviceHandle();
    void closeReadHandle();
    void startReadThread();
    void stopReadThread();
    void reapRetiredThread();
    /// Whether a hand-off of its reading thread runs further up the GUI thread's stack.
    bool midHandOff() const;
    void unplug();

    // Reading thread side.
    HidPlatform::Handle acquireReadHandle(std::uint32_t& error);
    void releaseReadHandle(HidPlatform::Handle handle, bool gone);
    void cancelPendingRead();
    void deliverReport(const std::uint8_t* buffer, std::size_t bytes, std::uint32_t lost);
    void deliverError(std::uint32_t error);

    THidDeviceController* controller_;
    HidPlatform& platform_;
    THidPnPInfo pnpInfo_;

    std::atomic<bool> present_{true};
    std::atomic<bool> claimed_{false};
    std::atomic<bool> inEvent_{false};
    bool canReadWrite_ = false;
    THidAttributes attributes_;

    HidPlatform::Handle deviceHandle_ = HidPlatform::InvalidHandle;
    std::uint32_t inputCount_ = 0;

    mutable std::mutex readMutex_; // guards the read handle, its count and the deferred close
    HidPlatform::Handle readHandle_ = HidPlatform::InvalidHandle;
    std::uint32_t readCount_ = 0;
    bool readInFlight_ = false;
    HidPlatform::Handle deferredClose_ = HidPlatform::InvalidHandle;

    QString productCache_;
    QString serialCache_;
    bool capsHeld_ = false;
    THidCaps caps_;

    std::atomic<int> waitSlice_{100};

    THidDataEvent dataHandler_;
    THidDataErrorEvent errorHandler_;
    THidPlugEvent unplugHandler_;
    // Whether a slot still holds what the controller handed out, so that a new controller
    // handler replaces it and one the application set stays.
    bool dataFromController_ = true;
    bool errorFromController_ = true;
    bool unplugFromController_ = true;

    std::unique_ptr<THidDeviceReadThread> readThread_;
    std::unique_ptr<THidDeviceReadThread> retiredThread_;
    std::uint64_t lostReports_ = 0;
};

} // namespace kurvimat::hid
