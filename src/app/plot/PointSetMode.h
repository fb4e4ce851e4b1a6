// A plot mode that shows a point set of its own (the spectrum): while it is the chosen mode,
// the plot draws, zooms, reads out and offers in its menu what this gives, and the time plot's
// points, ranges and cursors wait unchanged. A new such mode implements this and is named in
// the window's table of mode boxes.
#pragma once

#include "CursorState.h"
#include "DisplayState.h"
#include "PlotZoom.h"
#include "Readout.h"

#include <QString>
#include <QtGlobal>

class QMenu;
namespace kurvimat::acquisition {
class MeasurementStore;
}

class PointSetMode {
public:
    /// The mode's box was checked (true) or another choice left it (false).
    virtual void Switched(bool on) = 0;
    /// The plot's strips were laid out anew: the scales take their places.
    virtual void Place() = 0;
    /// Before each refresh while chosen: true when it computed its points anew.
    virtual bool Update(bool now = false) = 0;
    /// What the computation and the refresh that drew it took.
    virtual void Spent(qint64 nanoseconds) = 0;

    virtual kurvimat::acquisition::MeasurementStore& Points() = 0;
    virtual kurvimat::display::DisplayChanges& Changes() = 0;
    virtual kurvimat::display::ScaleSet Scales() = 0;
    /// The way back through its own ranges.
    virtual kurvimat::display::ZoomHistory& History() = 0;

    /// The readout in place of the cursors', its marks on the plot, and what the readout
    /// box's corner search and the pointer read.
    virtual kurvimat::analysis::ReadoutTable Table() const = 0;
    virtual kurvimat::display::CursorMarks Marks() const = 0;
    virtual kurvimat::display::ReadoutInput CornerInput() const = 0;
    virtual QString PointerText(int index) const = 0;
    /// Its entries at the top of the plot's menu.
    virtual void AddMenuActions(QMenu& menu) = 0;
    /// Cursors of its own, where it has them (its Table and Marks then follow them); none: the
    /// time plot's cursors wait while it is shown.
    virtual kurvimat::display::CursorState* OwnCursors() { return nullptr; }

protected:
    ~PointSetMode() = default;
};
