// The main window's link to the instrument: which HID device it adopts, how it is configured,
// what happens when it leaves, and the hardware settings window that drives the configuration.
#pragma once

#include "InstrumentLink.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace kurvimat::hid {
class HidPlatform;
class THidDevice;
class THidDeviceController;
} // namespace kurvimat::hid
namespace kurvimat::session {
class Session;
}

class QWidget;
class TFormHardware;
class TFormMain;

// What the instrument link asks of the main window: the session it configures, the instrument
// whose reports the window takes, and what the window shows of the link.
class InstrumentWindow {
public:
    virtual kurvimat::session::Session& session() = 0;
    // The instrument whose reports the window takes (nullptr: none) and what sends it the
    // configuration.
    virtual void HoldInstrument(kurvimat::hid::THidDevice* device,
                                std::function<void()> configure) = 0;
    virtual kurvimat::hid::THidDevice* HeldInstrument() const = 0;
    // The held instrument's data handler.
    virtual void HidDeviceData(kurvimat::hid::THidDevice* HidDev, std::uint8_t ReportID,
                               const std::uint8_t* Data, std::uint16_t Size) = 0;
    // Re-applies the signals under the calibration, the held instrument configured first.
    virtual void SendConfiguration() = 0;
    // The title's caption of the held instrument ("Kurvimat" while none is held) and whether
    // its settings window is offered.
    virtual void ShowInstrument(const QString& caption, bool settings) = 0;
    // Reports were lost: said until the next trigger.
    virtual void ShowDataLoss() = 0;
    // The link's settings window (nullptr: the link is gone), opened from the window's button.
    virtual void UseHardwareWindow(TFormHardware* hardware) = 0;

protected:
    ~InstrumentWindow() = default;
};

class TInstrumentLink : public QObject {
public:
    /// Binds the controller's events and the hardware window to the main window (`window`:
    /// the parent of the messages). The controller's first enumeration runs from the event loop.
    TInstrumentLink(QWidget& window, InstrumentWindow& main,
                    std::shared_ptr<kurvimat::hid::HidPlatform> platform);
    TInstrumentLink(TFormMain& main, std::shared_ptr<kurvimat::hid::HidPlatform> platform);
    ~TInstrumentLink() override;

    void HidDeviceController1Arrival(kurvimat::hid::THidDevice* HidDev);
    void HidDeviceController1DeviceUnplug(kurvimat::hid::THidDevice* HidDev);
    void HidDeviceController1DeviceChange();
    /// Builds and sends the configuration report of the held device (the first half of the
    /// main window's SendConfiguration).
    void ConfigureDevice();

    kurvimat::hid::THidDeviceController& HidDeviceController1() { return *Controller; }
    TFormHardware& FormHardware() { return *Hardware; }

    /// Unplugs every claimed device while the main window still exists.
    void Shutdown();

private:
    /// Takes the instrument into use: data handler, caption, hardware button, configuration.
    void Adopt(kurvimat::hid::THidDevice* HidDev, const QString& product, const QString& serial);
    /// After the held instrument left: another present one takes over, as if it had arrived.
    void AdoptWaitingInstrument();
    void UseDeepQueues(kurvimat::hid::THidDevice* HidDev);

    QWidget& Window;
    InstrumentWindow& Main;
    std::unique_ptr<TFormHardware> Hardware;
    std::unique_ptr<kurvimat::hid::THidDeviceController> Controller;

    // The held instrument's caption, for the messages about it.
    QString caption_;
    // What the held instrument was last configured with: a failed send keeps it.
    bool failureShown_ = false;
    bool shortReportShown_ = false;
    // Instruments told that they cannot be opened, by DevInst (new for every plug-in).
    QSet<QString> toldNoAccess_;
};
