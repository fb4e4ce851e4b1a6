// The held instrument as seen from the main window.
#include "TFormMain.h"

#include "THidDevice.h"

#include <utility>

// Removing the handler stops the device's reading thread before it returns, so no report of
// this device is decoded afterwards.
void TFormMain::ReleaseDevice() {
    if (Device) Device->SetDataHandler(nullptr);
}

void TFormMain::HoldInstrument(THidDevice* device, std::function<void()> configure) {
    Device = device;
    ConfigureDevice = std::move(configure);
}
