// The main window's link to the instrument: which HID device it adopts, how it is configured,
// what happens when it leaves, and the hardware settings window that drives the configuration.
#pragma once

#include "InstrumentLink.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <cstdint>
#include <memory>

namespace kurvimat::hid {
class HidPlatform;
class THidDevice;
class THidDeviceController;
} // namespace kurvimat::hid
using kurvimat::acquisition::InstrumentConfiguration;
using kurvimat::hid::HidPlatform;
using kurvimat::hid::THidDevice;
using kurvimat::hid::THidDeviceController;

class TFormHardware;
class TFormMain;

class TInstrumentLink : public QObject {
public:
    /// Binds the controller's events and the hardware window to the main window. The
    /// controller's first enumeration runs from the event loop.
    TInstrumentLink(TFormMain& main, std::shared_ptr<HidPlatform> platform);
    ~TInstrumentLink() override;

    void HidDeviceController1Arrival(THidDevice* HidDev);
    void HidDeviceController1DeviceUnplug(THidDevice* HidDev);
    void HidDeviceController1DeviceChange();
    void ButtonHardwareClick();
    /// Builds and sends the configuration report of the held device (the first half of the
    /// main window's SendConfiguration).
    void ConfigureDevice();

    THidDeviceController& HidDeviceController1() { return *Controller; }
    TFormHardware& FormHardware() { return *Hardware; }

    /// Unplugs every claimed device while the main window still exists.
    void Shutdown();

private:
    /// Takes the instrument into use: data handler, caption, hardware button, configuration.
    void Adopt(THidDevice* HidDev, const QString& product, const QString& serial);
    /// After the held instrument left: another present one takes over, as if it had arrived.
    void AdoptWaitingInstrument();
    void UseDeepQueues(THidDevice* HidDev);

    TFormMain& Main;
    std::unique_ptr<TFormHardware> Hardware;
    std::unique_ptr<THidDeviceController> Controller;

    // What the held instrument was last configured with: a failed send keeps it.
    bool failureShown_ = false;
    bool shortReportShown_ = false;
    // Instruments told that they cannot be opened, by DevInst (new for every plug-in).
    QSet<QString> toldNoAccess_;
};
