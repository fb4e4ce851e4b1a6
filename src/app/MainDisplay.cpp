// Entry points of the display. The strips, the plot and the axes are drawn by the display
// code that plugs in here; until it does, the store's change flags simply stay set.
#include "TFormMain.h"

void TFormMain::FormResize() {}

void TFormMain::RefreshDisplay() {}

void TFormMain::DrawRawStrip() {}

void TFormMain::DrawMeanStrip() {}

void TFormMain::DrawPlot() {}
