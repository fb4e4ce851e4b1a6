// The lab report's side of the plot: the plot as a picture (clipboard, PNG file, printer) and
// curve fits on the plot, offered in the plot's context menu and the "Messen" menu.
#pragma once

#include "PlotFit.h"
#include "PlotPicture.h"
#include "plot/NotesLayer.h"
#include "plot/PlotView.h"

#include <QCoreApplication>
#include <QImage>

#include <utility>

namespace kurvimat::session {
class Session;
}
struct MainControls;
class MainRuns;
class QMenu;
class QPrinter;
class QWidget;

// What the report asks of the window: the plot's controls as they stand, and its menus' state.
class ReportHost {
public:
    virtual kurvimat::display::DisplayControls ReadDisplayControls() const = 0;
    // Brings the actions' captions, checks and enabled states up to the window's state.
    virtual void UpdateMenuActions() = 0;
    // A menu of the time models for each channel of each shown run.
    virtual void AddRunFitMenus(QMenu& menu) = 0;

protected:
    ~ReportHost() = default;
};

class PlotReport {
    // The window's texts: the report speaks as the window.
    Q_DECLARE_TR_FUNCTIONS(TFormMain)

public:
    // window: the parent of the dialogs. runs: the shown runs and their fits (may be null).
    PlotReport(QWidget& window, kurvimat::session::Session& session, PlotView& plot,
               PlotViewData& data, const MainControls& controls, ReportHost& host, MainRuns* runs);

    // The picture with the fit, the notes and, when shown, the cursors and their readout; of
    // the paint box's size, or of `size` (logical pixels) for a page of another shape.
    QImage PlotPictureImage(int scale, QSize size = {}, bool withTitle = true);
    // One landscape page: the title at the top, the plot drawn anew to fill the page (an axis
    // that shows nothing left out), a footer with the definitions drawn and the date and time.
    bool PrintPlot(QPrinter& printer);
    // The title and the notes over the plot.
    PlotNotesLayer& Notes() { return *notes_; }
    // The picture to the clipboard; to a PNG file asked for, at the given scale; to a printer
    // asked for.
    void CopyPicture();
    void SavePicture(int scale);
    void Print();

    // Fits a channel over [from, to] (of time: between the time cursors when they are shown,
    // else the visible span; of the bottom channel in an XY mode) and shows the curve with its
    // readout on the plot; a fit that cannot be made is reported.
    // `user`: the formula of FitModel::User.
    void FitOnPlot(bool channelB, kurvimat::analysis::FitModel model, double from, double to,
                   const kurvimat::analysis::UserFitModel* user = nullptr);
    // Of quantities over a quantity: the left (or right) one over x, or the further column
    // `column` of its points, with a time model.
    void FitQuantityOnPlot(bool right, kurvimat::analysis::FitModel model, double from, double to,
                           const kurvimat::analysis::UserFitModel* user = nullptr, int column = -1);
    // The same of a shown run's channel, in the normal mode; it goes when the run is hidden.
    void FitRunOnPlot(qint64 run, bool channelB, kurvimat::analysis::FitModel model, double from,
                      double to, const kurvimat::analysis::UserFitModel* user = nullptr);
    // The same of one of the data's further columns over time, in the normal mode.
    void FitColumnOnPlot(int column, kurvimat::analysis::FitModel model, double from, double to,
                         const kurvimat::analysis::UserFitModel* user = nullptr);
    // Takes every fit away.
    void RemoveFit();
    // Between the vertical cursors when they are shown, else the visible span of the bottom
    // axis.
    std::pair<double, double> FitSpan() const;
    // Draws the shown fits into the plot image, their boxes one below the other; a fit goes
    // once the data it was made of changed.
    kurvimat::display::PlotOverlay ReportOverlay();
    // What the plot draws for each shown fit (the last made last), boxes clear of the shown
    // runs' names; and where those boxes go in a plot image of that size.
    std::vector<kurvimat::display::FitDrawing> FitDrawings();
    std::vector<QRect> FitBoxes(QSize image, const kurvimat::display::PaintGeometry& g);

    // Adds the plot's report actions to a menu (the plot's context menu, after the cursors').
    void AddReportActions(QMenu& menu);

private:
    kurvimat::display::PictureSource PlotPictureSource(QSize size);
    // A new fit is shown; one of another curve stays beside it, one of the same curve goes.
    void Show(kurvimat::display::PlotFit fit);
    bool StillShown(const kurvimat::display::PlotFit& fit, kurvimat::analysis::PlotMode mode) const;
    // The definitions of what the plot draws, for a printed page's footer.
    std::vector<std::pair<QString, QString>> DrawnDefinitions();
    bool RightAxisUsed();
    // Why the fit could not be made; noneBetween: no point lies in its span.
    void ShowFitFailure(const kurvimat::display::PlotFit& fit, bool noneBetween);

    QWidget& window_;
    kurvimat::session::Session& session_;
    PlotView& plot_;
    PlotViewData& data_;
    const MainControls& controls_;
    ReportHost& host_;
    MainRuns* runs_;
    PlotNotesLayer* notes_; // owned by the plot's paint box
};
