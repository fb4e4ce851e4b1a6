#pragma once

#include "HidPlatform.h"
#include "HidTypes.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

namespace kurvimat::hid {

class THidDevice;

/// Keeps the list of present HID devices, raises the plug events and owns every device object.
/// Runs on the GUI thread. The first enumeration is posted, so it runs from the event loop
/// after construction. A device that leaves is taken off the list and destroyed from the
/// event loop after the change that reported it: drop references to it in its unplug handler
/// or in `OnRemoval`.
class THidDeviceController : public QObject {
public:
    explicit THidDeviceController(std::shared_ptr<HidPlatform> platform, QObject* owner = nullptr);
    ~THidDeviceController() override;

    /// Reconciles the list with the present devices and raises the events of any change.
    void DeviceChange();
    /// Takes the first device not yet claimed (starting its reading thread if it has a data
    /// handler); false when every listed device is claimed.
    bool ClaimNext(THidDevice*& HidDev);

    /// The platform's change notification; `param` -1 marks the start-up enumeration.
    void DeviceChangeNotification(int param);

    std::vector<THidDevice*> DeviceList() const;
    bool ChangeInProgress() const { return changeInProgress_; }
    int LastChangeParam() const { return lastChangeParam_; }
    QString Version() const { return QStringLiteral("1.0"); }
    HidPlatform& Platform() { return *platform_; }

    /// Calls `OnEnumerate` for each listed device until it returns false.
    void Enumerate();

    THidPlugEvent OnArrival;
    THidPlugEvent OnRemoval;
    THidNotifyEvent OnDeviceChange;
    THidEnumerateEvent OnEnumerate;

    // These pass a new handler on to every listed device that still holds the old one.
    void SetOnDeviceUnplug(THidPlugEvent handler);
    const THidPlugEvent& OnDeviceUnplug() const { return onDeviceUnplug_; }
    void SetOnDeviceData(THidDataEvent handler);
    const THidDataEvent& OnDeviceData() const { return onDeviceData_; }
    void SetOnDeviceDataError(THidDataErrorEvent handler);
    const THidDataErrorEvent& OnDeviceDataError() const { return onDeviceDataError_; }

    int DevThreadSleepTime() const { return devThreadSleepTime_; }
    void SetDevThreadSleepTime(int ms);

private:
    std::vector<std::unique_ptr<THidDevice>> enumerateDevices();
    void raiseWithInEvent(const THidPlugEvent& event, THidDevice* device);
    void disposeRetired();

    std::shared_ptr<HidPlatform> platform_;
    std::vector<std::unique_ptr<THidDevice>> deviceList_;
    // Devices that left the list, until the events reporting it are over.
    std::vector<std::unique_ptr<THidDevice>> retired_;
    bool changeInProgress_ = false;
    bool missedChange_ = false;
    int lastChangeParam_ = 0;
    int devThreadSleepTime_ = 100;
    THidPlugEvent onDeviceUnplug_;
    THidDataEvent onDeviceData_;
    THidDataErrorEvent onDeviceDataError_;
};

} // namespace kurvimat::hid
