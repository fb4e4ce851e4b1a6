// The lab report's buttons and menu entries: the plot as a picture to the clipboard, a PNG
// file or the printer (PlotReport).
#include "window/TFormMain.h"

void TFormMain::ButtonBildKopierenClick() {
    Report->CopyPicture();
}

void TFormMain::ButtonBildSpeichernClick(int scale) {
    Report->SavePicture(scale);
}

void TFormMain::ButtonDruckenClick() {
    Report->Print();
}
