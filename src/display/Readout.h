// The measuring readout in German: cursor positions, the signals at the cursors and the
// statistics between the time cursors, numbers as FormatValue writes them with the signals'
// units and SI prefixes; as a table for the window and as tab-separated text to copy, numbers
// apart from their units so that a spreadsheet reads them as numbers.
#pragma once

#include "CursorState.h"
#include "Measure.h"
#include "Quantity.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace kurvimat::acquisition {
struct StoredPoints;
}

namespace kurvimat::display {

/// One signal as the readout names it.
struct SeriesInfo {
    analysis::PointSeries Points;
    QString Unit;
};

/// A shown run's signal with the title of its columns ("Reihe 2 A").
struct NamedSeries {
    QString Title;
    SeriesInfo Series;
};

/// The data's further columns as the readout lists them: each by its name, with the points
/// that hold a value (a blank is left out), in single precision as the channels are. Copies
/// share the values the series point into.
struct FurtherSeries {
    std::vector<NamedSeries> Columns;
    std::shared_ptr<const std::vector<std::vector<float>>> Values;
};
FurtherSeries FurtherSeriesOf(const acquisition::StoredPoints& data);

struct ReadoutInput {
    CursorState Cursors;
    analysis::PlotMode Mode = analysis::PlotMode::Normal;
    bool Minutes = false; ///< "Zeit in min": times in minutes, slopes and areas per minute
    bool ShowA = true, ShowB = true;
    SeriesInfo DataA, DataB;
    SeriesInfo SnapA, SnapB; ///< Count 0 when there is no snapshot
    /// Shown runs: like the snapshot, columns of their own where the time cursors reach them.
    std::vector<NamedSeries> Runs;
    /// The data's further columns: in the time plot columns of their own after A's and B's.
    FurtherSeries Further;
    QRect Occupied; ///< a box already on the plot (a fit's readout), in plot pixels
    analysis::ReadoutTable Fit; ///< a fit shown on the plot: its rows join the copied text
};

/// The readout; with the tangent on, a row of its slope at t1 with the slope's uncertainty.
analysis::ReadoutTable ComposeReadout(const ReadoutInput& in);
/// What the plot draws for the cursors, with the tangents at t1 of the shown channels' stored
/// points while the tangent is on in the time plot.
CursorMarks MarksOf(const ReadoutInput& in);
/// Tab-separated, CR LF after each line, for a spreadsheet: a line of headers, one column per
/// quantity with its unit ("A Minimum (mV)"), and a line of bare numbers (one digit more than
/// shown; no value leaves its cell empty).
QString ReadoutText(const analysis::ReadoutTable& table);
/// A small HTML table for the label over the plot; the header cells of A and B in their
/// channel colours.
QString ReadoutHtml(const analysis::ReadoutTable& table);
/// A cell as the box shows it.
QString CellText(const analysis::ReadoutCell& cell);

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

} // namespace kurvimat::display
