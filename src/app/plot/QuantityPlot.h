// The plot of quantities over a quantity (T² over l, v over s): a plot mode of its own points.
// The chosen x runs along the bottom, quantities on the left axis and on the right; the points
// are the current data's, sorted by x, worked out again whenever they change. Fits (over x,
// with every model of the time plot), cursors of its own and the pointer's readout work on
// them; the time plot's ranges, cursors and fits wait unchanged for the way back.
#pragma once

#include "PlotZoom.h"
#include "QuantityAxes.h"
#include "Scale.h"
#include "plot/PointSetMode.h"

#include <QCoreApplication>
#include <QObject>

#include <cstddef>
#include <memory>

class PlotView;
class QMenu;
namespace kurvimat::session {
class Session;
}

class QuantityPlot : public QObject, public PointSetMode {
    Q_DECLARE_TR_FUNCTIONS(QuantityPlot)

public:
    QuantityPlot(PlotView& plot, kurvimat::session::Session& session);
    ~QuantityPlot() override;

    /// The session's choice of quantities.
    kurvimat::display::QuantityAxes Axes() const;

    void Switched(bool on) override;
    void Place() override;
    bool Update(bool now = false) override;
    void Spent(qint64) override {}

    kurvimat::acquisition::MeasurementStore& Points() override;
    kurvimat::display::DisplayChanges& Changes() override { return changes_; }
    kurvimat::display::ScaleSet Scales() override;
    kurvimat::display::ZoomHistory& History() override { return history_; }

    kurvimat::analysis::ReadoutTable Table() const override;
    kurvimat::display::CursorMarks Marks() const override;
    kurvimat::display::ReadoutInput CornerInput() const override;
    QString PointerText(int index) const override;
    /// "Achsen wählen …"
    void AddMenuActions(QMenu& menu) override;
    /// x1, x2 along the chosen x and y1, y2 on the left or right axis.
    kurvimat::display::CursorState* OwnCursors() override { return &cursors_; }

private:
    std::size_t KeyOf() const;

    PlotView& plot_;
    kurvimat::session::Session& session_;
    // Made when first shown: it is large.
    std::unique_ptr<kurvimat::acquisition::MeasurementStore> points_;
    kurvimat::display::DisplayChanges changes_{.AutoLeft = true, .AutoRight = true};
    kurvimat::display::Tscale ScaleA, ScaleB, ScaleQ, ScaleX;
    kurvimat::display::Tscale* ScaleLeft = &ScaleA;
    kurvimat::display::Tscale* ScaleRight = &ScaleB;
    kurvimat::display::Tscale* ScaleBottom = &ScaleQ;
    std::size_t key_ = 0;  ///< what the points were worked out from
    bool fitted_ = false;  ///< the axes were fitted to fittedAxes_
    kurvimat::display::QuantityAxes fittedAxes_;
    kurvimat::display::ZoomHistory history_;
    kurvimat::display::CursorState cursors_;
};
