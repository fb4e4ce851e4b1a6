// The measuring readout in German: cursor positions, the signals at the cursors and the
// statistics between the time cursors, numbers as FormatValue writes them with the signals'
// units and SI prefixes; as a table for the window and as tab-separated text to copy.
#pragma once

#include "CursorState.h"
#include "Measure.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

/// Whether a unit takes an SI prefix: not empty, not "°..." or "%...", and not already
/// prefixed ("mV"), as the axis titles decide.
bool UnitTakesPrefix(const QString& unit);

/// A value with its unit: four significant digits with the locale's separator, the prefix
/// chosen so the number lies in 1 .. 999 where the unit takes one ("1,5 ms", "250 mV"),
/// "25,3 °C" otherwise; a unit-less value is the number alone.
QString FormatQuantity(double value, const QString& unit);

/// One signal as the readout names it.
struct SeriesInfo {
    PointSeries Points;
    QString Unit;
};

struct ReadoutInput {
    CursorState Cursors;
    PlotMode Mode = PlotMode::Normal;
    bool Minutes = false; ///< "Zeit in min": times in minutes, slopes per minute
    bool ShowA = true, ShowB = true;
    SeriesInfo DataA, DataB;
    SeriesInfo SnapA, SnapB; ///< Count 0 when there is no snapshot
    QRect Occupied; ///< a box already on the plot (a fit's readout), in plot pixels
};

/// A row: a label and one cell per column (or a single cell for the cursor positions).
struct ReadoutRow {
    QString Label;
    QStringList Cells;
    bool Header = false;
};
using ReadoutTable = QList<ReadoutRow>;

ReadoutTable ComposeReadout(const ReadoutInput& in);
/// Tab-separated lines, CR LF after each, as the program's other clipboard texts.
QString ReadoutText(const ReadoutTable& table);
/// A small HTML table for the label over the plot; the header cells of A and B in their
/// channel colours.
QString ReadoutHtml(const ReadoutTable& table);

/// The pointer's line: time and both signals of stored point `index` ("t = 250 ms   A = 4 V
/// B = 3,96 V"), only the shown ones.
QString PointerText(const ReadoutInput& in, int index);

/// Where the readout box sits inside the plot.
enum class Corner { TopRight, TopLeft, BottomRight, BottomLeft };
/// The corner where a box of `box` pixels (kept `margin` pixels from the frame) hides least:
/// a cursor line under it, or the occupied box overlapping it, weighs as much as a thousand
/// points of the shown curves. The
/// `current` corner stays unless another hides clearly less, so the box does not jump
/// with every sweep.
Corner QuietCorner(const ReadoutInput& in, const ScaleSet& scales, QSize plot, QSize box,
                   int margin, Corner current);
/// Top left of the box in that corner, in plot-image pixels.
QPoint CornerPosition(Corner corner, QSize plot, QSize box, int margin);
