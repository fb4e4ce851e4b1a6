// The held instrument as seen from the main window: its reports, its caption in the title, its
// settings window.
#include "window/TFormMain.h"

#include "dialogs/TFormHardware.h"
#include "widgets/TPaintBox.h"

#include <QLabel>
#include <QPushButton>

#include <utility>

using kurvimat::hid::THidDevice;

void TFormMain::HoldInstrument(THidDevice* device, std::function<void()> configure) {
    Device = device;
    ConfigureDevice = std::move(configure);
}

void TFormMain::ShowInstrument(const QString& caption, bool settings) {
    InstrumentCaption = caption;
    ShowTitle();
    ButtonHardware->setEnabled(settings);
}

void TFormMain::ShowDataLoss() {
    LabelDataLoss->show();
}

void TFormMain::UseHardwareWindow(TFormHardware* hardware) {
    FormHardware = hardware;
}

void TFormMain::ButtonHardwareClick() {
    if (!FormHardware) return;
    // Right edge on the button's right edge, top at the averaged strip.
    const QPoint origin = mapToGlobal(QPoint(0, 0));
    const QPoint button = ButtonHardware->mapTo(this, QPoint(0, 0));
    const QPoint strip = PaintBoxMittel->mapTo(this, QPoint(0, 0));
    FormHardware->move(origin.x() + button.x() + ButtonHardware->width() - FormHardware->width() - 1,
                       origin.y() + strip.y());
    FormHardware->show();
    FormHardware->raise();
}
