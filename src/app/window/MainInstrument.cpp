#include "window/MainInstrument.h"

#include "InstrumentLink.h"
#include "THidDevice.h"
#include "THidDeviceController.h"
#include "TimeAxis.h"
#include "dialogs/Dialogs.h"
#include "dialogs/TFormHardware.h"
#include "window/TFormMain.h"

#include <QMetaObject>

using namespace kurvimat::acquisition;
using namespace kurvimat::hid;

namespace {
// Queue sizes asked of the held instrument: about four seconds of mode-2 reports.
constexpr std::uint32_t InstrumentBufferCount = 512;
} // namespace

TInstrumentLink::TInstrumentLink(QWidget& window, InstrumentWindow& main,
                                 std::shared_ptr<HidPlatform> platform)
    : Window(window), Main(main), Hardware(std::make_unique<TFormHardware>()),
      Controller(std::make_unique<THidDeviceController>(std::move(platform))) {
    Hardware->OnSettingsChanged = [this] {
        Main.session().setHardware(Hardware->Choice());
        Main.SendConfiguration();
    };
    Main.UseHardwareWindow(Hardware.get());
    Controller->OnArrival = [this](THidDevice* d) { HidDeviceController1Arrival(d); };
    Controller->SetOnDeviceUnplug([this](THidDevice* d) { HidDeviceController1DeviceUnplug(d); });
    Controller->OnDeviceChange = [this](THidDeviceController*) {
        HidDeviceController1DeviceChange();
    };
}

TInstrumentLink::TInstrumentLink(TFormMain& main, std::shared_ptr<HidPlatform> platform)
    : TInstrumentLink(main, main, std::move(platform)) {}

TInstrumentLink::~TInstrumentLink() {
    Shutdown();
    Main.UseHardwareWindow(nullptr);
}

void TInstrumentLink::Shutdown() {
    if (!Controller) return;
    // The controller's devices go with it: the window keeps none of them.
    if (THidDevice* held = Main.HeldInstrument()) {
        held->SetDataHandler(nullptr);
        Main.HoldInstrument(nullptr, {});
    }
    Controller.reset();
}

void TInstrumentLink::HidDeviceController1Arrival(THidDevice* HidDev) {
    const QString product = HidDev->ProductString();
    const THidAttributes& ids = HidDev->HidAttributes();
    if (!IsInstrument(ids.VendorID, ids.ProductID, product)) return;
    const QString serial = HidDev->SerialNumberString();
    if (!HidDev->CanReadWrite()) {
        // Adopted, it would only look connected: no configuration, no readings.
        const QString& devInst = HidDev->PnPInfo().DevInst;
        if (!toldNoAccess_.contains(devInst)) {
            toldNoAccess_.insert(devInst);
            AppDialogs().ShowError(&Window, NoAccessMessage(DeviceCaption(product, serial),
                                                            HidDev->PnPInfo().DevicePath));
        }
        return;
    }
    if (THidDevice* held = Main.HeldInstrument()) {
        const QString question = SwitchQuestion(held->ProductString(), held->SerialNumberString(),
                                                product, serial);
        if (!AppDialogs().AskYesNo(&Window, question)) return;
        held->SetDataHandler(nullptr);
        held->DataLossHandler = nullptr;
    }
    Adopt(HidDev, product, serial);
}

void TInstrumentLink::Adopt(THidDevice* HidDev, const QString& product, const QString& serial) {
    Main.HoldInstrument(HidDev, [this] { ConfigureDevice(); });
    Main.session().instrumentAdopted();
    failureShown_ = false;
    shortReportShown_ = false;
    HidDev->SetDataHandler([this](THidDevice* dev, std::uint8_t id, const std::uint8_t* data,
                                  std::uint16_t size) { Main.HidDeviceData(dev, id, data, size); });
    // A loss the layer can see is shown until the next trigger.
    HidDev->DataLossHandler = [this](THidDevice* dev, std::uint32_t) {
        if (dev == Main.HeldInstrument()) Main.ShowDataLoss();
    };
    // A waiting instrument was claimed before it was adopted.
    if (HidDev->Claimed()) UseDeepQueues(HidDev);
    caption_ = DeviceCaption(product, serial);
    Main.ShowInstrument(caption_, HidDev->HidCaps().OutputReportByteLength > 1);
    Main.SendConfiguration();
}

void TInstrumentLink::HidDeviceController1DeviceUnplug(THidDevice* HidDev) {
    toldNoAccess_.remove(HidDev->PnPInfo().DevInst);
    if (HidDev != Main.HeldInstrument()) return;
    HidDev->SetDataHandler(nullptr);
    HidDev->DataLossHandler = nullptr;
    Main.HoldInstrument(nullptr, {});
    caption_ = QStringLiteral("Kurvimat");
    Main.ShowInstrument(caption_, false);
    Hardware->hide();
    // Not in the middle of the controller's reconciliation, and not at all once it is gone.
    QMetaObject::invokeMethod(
        this, [this] { AdoptWaitingInstrument(); }, Qt::QueuedConnection);
}

void TInstrumentLink::AdoptWaitingInstrument() {
    if (!Controller || Main.HeldInstrument()) return;
    // One candidate only: the list may change under a message box that adoption shows.
    for (THidDevice* device : Controller->DeviceList()) {
        const THidAttributes& ids = device->HidAttributes();
        if (device->Present() && device->Claimed() && device->CanReadWrite() &&
            IsInstrument(ids.VendorID, ids.ProductID, device->ProductString())) {
            HidDeviceController1Arrival(device);
            return;
        }
    }
}

void TInstrumentLink::HidDeviceController1DeviceChange() {
    THidDevice* device = nullptr;
    while (Controller->ClaimNext(device))
        if (device == Main.HeldInstrument()) UseDeepQueues(device);
}

void TInstrumentLink::UseDeepQueues(THidDevice* HidDev) {
    HidDev->SetInputBufferCount(InstrumentBufferCount);
    HidDev->SetReadBufferCount(InstrumentBufferCount);
}

void TInstrumentLink::ConfigureDevice() {
    if (!Main.HeldInstrument()) return;
    const int length = Main.HeldInstrument()->HidCaps().OutputReportByteLength;
    const InstrumentConfiguration c = ConfigureInstrument(Main.session().hardware(), length);
    if (!c.Send) {
        Main.session().instrumentConfigured(c, false);
        return;
    }
    const std::int32_t mode = Main.session().wantedDeviceMode();
    const auto report = ConfigurationReport(c, mode, length);
    const QString caption = caption_;
    if (length < ConfigurationBytes && !shortReportShown_) {
        shortReportShown_ = true;
        AppDialogs().ShowError(&Window, ShortReportMessage(length));
    }
    THidDevice* held = Main.HeldInstrument();
    if (!held) return; // it left while the message was open
    const bool sent = held->SendOutputReport(report.data(), std::uint32_t(length));
    if (sent) {
        failureShown_ = false;
    } else if (!failureShown_) {
        failureShown_ = true;
        AppDialogs().ShowError(&Window, ConfigurationFailedMessage(caption));
    }
    Main.session().instrumentConfigured(c, sent);
}
