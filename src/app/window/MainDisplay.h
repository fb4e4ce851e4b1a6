// The main window's drawing: what the display code draws the strips and the plot with, and
// the hidden analysis readout over the plot.
#pragma once

#include "Analysis.h"
#include "DisplayRefresh.h"
#include "plot/PlotView.h"

namespace kurvimat::session {
class Session;
}
struct MainControls;
class MainRuns;
class PlotReport;
class ReportHost;

class MainDisplay {
public:
    // window: the owner of the readout's connections. runs: the shown runs (may be null).
    MainDisplay(QWidget& window, kurvimat::session::Session& session, PlotView& plot,
                PlotViewData& data, const MainControls& controls, ReportHost& host,
                PlotReport& report, MainRuns* runs);

    // The session's points, the plot's points and scales, the images and canvases, and the
    // fit and runs drawn over the plot.
    kurvimat::display::DisplayContext Context();
    void DrawRawStrip();
    // The readout shows while the hot spot is held; the hidden button toggles it.
    void ConnectAnalysis();

private:
    void ShowAnalysis();

    QWidget& window_;
    kurvimat::session::Session& session_;
    PlotView& plot_;
    PlotViewData& data_;
    const MainControls& controls_;
    ReportHost& host_;
    PlotReport& report_;
    MainRuns* runs_;
    kurvimat::display::AnalysisReadout analysis_;
};
