// The main window's side of the measuring cursors: routes mouse, wheel and keys on the plot
// to the cursor state and the wheel zoom, builds the plot's context menu, and shows the
// readout and the value under the pointer over the plot.
#pragma once

#include "FitOverlay.h"
#include "PlotZoom.h"
#include "Readout.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QTimer>

#include <optional>
#include <QCoreApplication>

class MainRuns;
class PlotReport;
class PlotView;
class PointSetMode;
class QAction;
class QLabel;
class QMenu;
class ReadoutBox;
namespace kurvimat::session {
class Session;
}

// What the plot's menu and the readout take from the window beyond the plot.
class CursorHost {
public:
    // Brings the actions' captions, checks and enabled states up to the window's state.
    virtual void UpdateMenuActions() = 0;

protected:
    ~CursorHost() = default;
};

class MainCursors : public QObject {
    Q_DECLARE_TR_FUNCTIONS(MainCursors)

public:
    // The actions of the window's menus the plot's menu offers too.
    struct MenuActions {
        QAction* TimeCursors = nullptr;
        QAction* ValueCursors = nullptr;
        QAction* Tangent = nullptr;
        QAction* CopyReadout = nullptr;
    };

    // On the plot of the window `plot` lies in; while a mode of its own points is chosen (the
    // spectrum), its readout and menu replace the cursors'.
    MainCursors(PlotView& plot, kurvimat::session::Session& session, CursorHost& host);
    // Made after the cursors: the menus' actions, the runs (their series in the readout,
    // their entries in the menu) and the report (the fit's box kept clear, its entries).
    void UseMenus(const MenuActions& actions, MainRuns* runs, PlotReport* report);

    /// The context menu of a right click without movement (the caller shows and deletes it).
    QMenu* CreateMenu();
    /// The readout as the window shows and copies it.
    kurvimat::analysis::ReadoutTable Table() const;
    void CopyReadout();
    void ZoomBack();
    /// Puts the state into the plot's marks, flags a redraw and refreshes the readout.
    void Changed();
    /// The scales the cursors the plot shows lie on: a mode's own, or the time plot's.
    kurvimat::display::ScaleSet CursorScales() const;
    /// The window is being destroyed: its widgets' events are no longer looked at.
    void WindowClosing() { windowClosing_ = true; }

    ReadoutBox* LabelMesswerte; ///< the readout over the plot
    QLabel* LabelZeiger;    ///< time and values at the pointer

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    kurvimat::display::ReadoutInput Input() const;
    // The chosen mode of its own points, if any; without cursors of its own the time plot's
    // wait meanwhile (Waiting), else the cursors are its own, on its scales (CursorScales).
    PointSetMode* Own() const;
    bool Waiting() const;
    // What the readout box's corner is chosen by: the curves as the plot shows them.
    kurvimat::display::ReadoutInput CornerInput() const;
    kurvimat::display::ZoomHistory& History();
    void AddReadoutActions(QMenu& menu);
    kurvimat::display::CursorAxes Axes() const;
    void ShowReadout();
    void ShowPointer(QPointF at);
    // Mouse positions and widgets are logical pixels, the plot image is device pixels.
    QPointF ImagePoint(QPointF logical) const; ///< in the plot image
    double DevicePixels(double logical) const;
    QPoint PlotOrigin() const; ///< the plot image's top left in its panel, logical
    bool Key(int key, Qt::KeyboardModifiers modifiers);
    void Step(bool vertical, int steps);
    void RememberRanges();
    void OpenMenu(QPoint global);
    // Shows the whole readout or only the cursor positions, the other of what is shown.
    void ToggleFold();

    PlotView& plot_;
    kurvimat::session::Session& session_;
    CursorHost& host_;
    MainRuns* runs_ = nullptr;
    PlotReport* report_ = nullptr;
    MenuActions actions_;
    std::optional<kurvimat::display::CursorId> dragging_;
    QPoint rightPress_{-1, -1};
    QElapsedTimer lastWheel_;
    QTimer refresh_;
    kurvimat::analysis::ReadoutTable shownTable_; ///< in full, also while folded
    QSize shownFor_;
    // Auto: the whole readout where it fits a third of the plot, else collapsed.
    enum class Fold { Auto, Open, Closed } fold_ = Fold::Auto;
    bool shownCollapsed_ = false;
    kurvimat::display::Corner corner_ = kurvimat::display::Corner::TopRight;
    // What the corner was chosen for, and when.
    QSize cornerBox_, cornerPlot_;
    kurvimat::display::CursorMarks cornerMarks_;
    QElapsedTimer cornerAge_;
    bool placedByUser_ = false;
    QPoint boxGrip_;
    QPoint boxRightPress_;
    bool windowClosing_ = false;
};
