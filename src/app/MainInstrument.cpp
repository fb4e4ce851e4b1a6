#include "MainInstrument.h"

#include "Dialogs.h"
#include "InstrumentLink.h"
#include "TFormHardware.h"
#include "TFormMain.h"
#include "THidDevice.h"
#include "THidDeviceController.h"
#include "TPaintBox.h"
#include "TimeAxis.h"

#include <QLabel>
#include <QMetaObject>
#include <QPushButton>

using namespace kurvimat::acquisition;
using namespace kurvimat::hid;

namespace {
// Queue sizes asked of the held instrument: about four seconds of mode-2 reports.
constexpr std::uint32_t InstrumentBufferCount = 512;
} // namespace

TInstrumentLink::TInstrumentLink(TFormMain& main, std::shared_ptr<HidPlatform> platform)
    : Main(main), Hardware(std::make_unique<TFormHardware>()),
      Controller(std::make_unique<THidDeviceController>(std::move(platform))) {
    Hardware->OnSettingsChanged = [this] {
        Main.session().setHardware(Hardware->Choice());
        Main.SendConfiguration();
    };
    Main.ConfigureDevice = [this] { ConfigureDevice(); };
    Main.FormHardware = Hardware.get();
    Controller->OnArrival = [this](THidDevice* d) { HidDeviceController1Arrival(d); };
    Controller->SetOnDeviceUnplug([this](THidDevice* d) { HidDeviceController1DeviceUnplug(d); });
    Controller->OnDeviceChange = [this](THidDeviceController*) {
        HidDeviceController1DeviceChange();
    };
    QObject::connect(Main.ButtonHardware, &QPushButton::clicked, this,
                     &TInstrumentLink::ButtonHardwareClick);
}

TInstrumentLink::~TInstrumentLink() {
    Shutdown();
    Main.ConfigureDevice = nullptr;
    Main.FormHardware = nullptr;
}

void TInstrumentLink::Shutdown() {
    if (!Controller) return;
    if (Main.Device) Main.Device->SetDataHandler(nullptr);
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
            Main.Dlg().ShowError(&Main, NoAccessMessage(DeviceCaption(product, serial),
                                                        HidDev->PnPInfo().DevicePath));
        }
        return;
    }
    if (Main.Device) {
        const QString question = SwitchQuestion(Main.Device->ProductString(),
                                                Main.Device->SerialNumberString(), product, serial);
        if (!Main.Dlg().AskYesNo(&Main, question)) return;
        Main.Device->SetDataHandler(nullptr);
        Main.Device->DataLossHandler = nullptr;
    }
    Adopt(HidDev, product, serial);
}

void TInstrumentLink::Adopt(THidDevice* HidDev, const QString& product, const QString& serial) {
    Main.Device = HidDev;
    Main.session().instrumentAdopted();
    failureShown_ = false;
    shortReportShown_ = false;
    HidDev->SetDataHandler([this](THidDevice* dev, std::uint8_t id, const std::uint8_t* data,
                                  std::uint16_t size) { Main.HidDeviceData(dev, id, data, size); });
    // A loss the layer can see is shown until the next trigger.
    HidDev->DataLossHandler = [this](THidDevice* dev, std::uint32_t) {
        if (dev == Main.Device) Main.LabelDataLoss->show();
    };
    // A waiting instrument was claimed before it was adopted.
    if (HidDev->Claimed()) UseDeepQueues(HidDev);
    Main.InstrumentCaption = DeviceCaption(product, serial);
    Main.ShowTitle();
    if (HidDev->HidCaps().OutputReportByteLength > 1) Main.ButtonHardware->setEnabled(true);
    Main.SendConfiguration();
}

void TInstrumentLink::HidDeviceController1DeviceUnplug(THidDevice* HidDev) {
    toldNoAccess_.remove(HidDev->PnPInfo().DevInst);
    if (HidDev != Main.Device) return;
    HidDev->SetDataHandler(nullptr);
    HidDev->DataLossHandler = nullptr;
    Main.Device = nullptr;
    Main.InstrumentCaption = QStringLiteral("Kurvimat");
    Main.ShowTitle();
    Main.ButtonHardware->setEnabled(false);
    Hardware->hide();
    // Not in the middle of the controller's reconciliation, and not at all once it is gone.
    QMetaObject::invokeMethod(
        this, [this] { AdoptWaitingInstrument(); }, Qt::QueuedConnection);
}

void TInstrumentLink::AdoptWaitingInstrument() {
    if (!Controller || Main.Device) return;
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
        if (device == Main.Device) UseDeepQueues(device);
}

void TInstrumentLink::UseDeepQueues(THidDevice* HidDev) {
    HidDev->SetInputBufferCount(InstrumentBufferCount);
    HidDev->SetReadBufferCount(InstrumentBufferCount);
}

void TInstrumentLink::ConfigureDevice() {
    if (!Main.Device) return;
    const int length = Main.Device->HidCaps().OutputReportByteLength;
    const InstrumentConfiguration c = ConfigureInstrument(Main.session().hardware(), length);
    if (!c.Send) {
        Main.session().instrumentConfigured(c, false);
        return;
    }
    const std::int32_t mode = Main.session().wantedDeviceMode();
    const auto report = ConfigurationReport(c, mode, length);
    const QString caption = Main.InstrumentCaption;
    if (length < ConfigurationBytes && !shortReportShown_) {
        shortReportShown_ = true;
        Main.Dlg().ShowError(&Main, ShortReportMessage(length));
    }
    if (!Main.Device) return; // it left while the message was open
    const bool sent = Main.Device->SendOutputReport(report.data(), std::uint32_t(length));
    if (sent) {
        failureShown_ = false;
    } else if (!failureShown_) {
        failureShown_ = true;
        Main.Dlg().ShowError(&Main, ConfigurationFailedMessage(caption));
    }
    Main.session().instrumentConfigured(c, sent);
}

void TInstrumentLink::ButtonHardwareClick() {
    // Right edge on the button's right edge, top at the averaged strip.
    const QPoint origin = Main.mapToGlobal(QPoint(0, 0));
    const QPoint button = Main.ButtonHardware->mapTo(&Main, QPoint(0, 0));
    const QPoint strip = Main.PaintBoxMittel->mapTo(&Main, QPoint(0, 0));
    Hardware->move(origin.x() + button.x() + Main.ButtonHardware->width() - Hardware->width() - 1,
                   origin.y() + strip.y());
    Hardware->show();
    Hardware->raise();
}
