// The main window's panels and controls at their design places (a 1024 x 715 client area), and
// the anchoring that keeps them in place when the window is resized. It builds into the
// window's controls and needs nothing else of the window.
#pragma once

#include <QSize>

#include <vector>
#include <QCoreApplication>

struct MainControls;
struct PlotViewData;
class PlotHost;
class PlotView;
class QMainWindow;
class QWidget;

class MainLayout {
    Q_DECLARE_TR_FUNCTIONS(MainLayout)

public:
    explicit MainLayout(MainControls& controls) : controls_(controls) {}

    // The window's central widget with the four panels and their controls, created in the
    // order of the tab chain; the middle panel is the plot view, which shows data for host.
    PlotView* Build(QMainWindow& window, PlotViewData& data, PlotHost& host);
    // Start-up: the plot fills its panel, the right-hand controls and the axis images follow;
    // then the distances to the right and bottom edges are taken as they are now.
    void FitPlotToPanel();
    void CaptureAnchors();
    // The panels follow the client area, the anchored controls their panels, and the signal
    // panel scrolls when the left panel is too low for it.
    void Resize();
    void PlaceSignalPanel();
    // The smallest client area in which every control is whole (at least 770 x 570).
    QSize MinimumClientSize() const;

private:
    // A control that keeps its distance to its panel's right and/or bottom edge.
    struct Anchor {
        QWidget* widget;
        bool right, bottom, stretchWidth, stretchHeight;
        int rightGap = 0, bottomGap = 0;
    };

    void layoutPanels();
    void applyAnchors();
    void createTopPanel();
    void createSignalPanel();
    void createBottomPanel();

    MainControls& controls_;
    QWidget* central_ = nullptr;
    std::vector<Anchor> anchors_;
};
