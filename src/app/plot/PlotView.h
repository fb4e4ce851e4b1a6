// The plot panel: the plot's paint box, the axis buttons beside it and the analysis readout
// over it, and the mouse on them and on the overview strip; the display state it shows.
#pragma once

#include "CursorState.h"
#include "DisplayState.h"
#include "IndexedImage.h"
#include "Palette.h"
#include "PlotFit.h"
#include "PlotZoom.h"
#include "Scale.h"

#include <QColor>
#include <QSize>
#include <QWidget>

#include <array>
#include <optional>

namespace kurvimat::acquisition {
class MeasurementStore;
}

class MainCursors;
class PointSetMode;
class QPlainTextEdit;
class TImage;
class TPaintBox;

// The axis titles of A and B in their channels' colours.
inline const QColor ScaleTitleBlue(0, 0, 248);
inline const QColor ScaleTitleRed(248, 0, 0);

// What the plot and the strips above it show and how: the window holds it (its display code
// draws with it), the plot view reads and changes it on the mouse's behalf.
struct PlotViewData {
    kurvimat::display::Palette Palette;
    kurvimat::display::IndexedImage RawStripBitmap, MeanStripBitmap, PlotBitmap;
    kurvimat::display::DisplayState Display;
    // Measuring cursors (their time span feeds measurements over a span) and the earlier axis
    // ranges.
    kurvimat::display::CursorState Cursors;
    kurvimat::display::ZoomHistory RangeHistory;
    kurvimat::display::Tscale ScaleA, ScaleB, ScaleT, ScaleX;
    kurvimat::display::Tscale* ScaleLeft = &ScaleA;
    kurvimat::display::Tscale* ScaleRight = &ScaleB;
    kurvimat::display::Tscale* ScaleBottom = &ScaleT;
    std::optional<kurvimat::display::PlotFit> ShownFit; // the last one made
    std::vector<kurvimat::display::PlotFit> KeptFits;   // of other curves, shown beside it
    bool AxesNameLoadedPoints = false; // ScaleA/B titles name loaded points (TitleLoadedAxes)

    kurvimat::display::ScaleSet Scales() {
        return {ScaleA, ScaleB, ScaleT, ScaleX, ScaleLeft, ScaleRight, ScaleBottom};
    }
    // The plot image's size in logical pixels, as mouse positions are given.
    QSize PlotSize() const { return Display.Geometry.logical(PlotBitmap.size()); }
};

// What the plot view asks of its window: the recorded points (the overview strip shows them,
// and the plot unless a mode of its own points is chosen), that mode's part, the mode.
class PlotHost {
public:
    virtual kurvimat::acquisition::MeasurementStore& RecordedStore() = 0;
    virtual PointSetMode* ShownPointSet() = 0;
    virtual kurvimat::analysis::PlotMode Mode() const = 0;
    // Channel B is shown; else the right axis may show a further column.
    virtual bool ShowsB() const = 0;

protected:
    ~PlotHost() = default;
};

class PlotView : public QWidget {
    Q_OBJECT
public:
    // Builds the controls at their design places in a panel of the design plot's size.
    PlotView(QWidget* parent, PlotViewData& data, PlotHost& host);

    // Presses, drags and double clicks on the plot and the strip zoom, pan and fit; the axis
    // buttons set their axis's range.
    void ConnectMouse(TPaintBox* strip);
    // Shows of each axis button pair the one the display state names.
    void ApplyAxisImages();
    // The right axis's buttons at its top, left of the extra axes the layout gave room.
    void PlaceRightAxisImages();
    // The time axis over the stored points' time range, titled in the unit it counts in.
    void UpdateTimeScale(const kurvimat::acquisition::MeasurementStore& store);
    void SetMeasuring(MainCursors* measuring) { measuring_ = measuring; }

    // What the plot shows, for those who look at it.
    const kurvimat::display::IndexedImage& Image() const { return data_.PlotBitmap; }
    const kurvimat::display::IndexedImage& RawStripImage() const { return data_.RawStripBitmap; }
    const kurvimat::display::Palette& Colours() const { return data_.Palette; }
    kurvimat::display::DisplayState& State() { return data_.Display; }
    kurvimat::display::CursorState& Cursors() { return data_.Cursors; }
    kurvimat::display::ZoomHistory& History() { return data_.RangeHistory; }
    kurvimat::display::ScaleSet Scales() { return data_.Scales(); }
    const std::optional<kurvimat::display::PlotFit>& ShownFit() const { return data_.ShownFit; }
    QSize PlotSize() const { return data_.PlotSize(); }
    // The points, their display flags and the scales the plot shows, and the way back
    // through those scales: the recorded ones, or those of a mode of its own points.
    kurvimat::acquisition::MeasurementStore& PlotStore();
    kurvimat::display::DisplayChanges& PlotChanges();
    kurvimat::display::ScaleSet PlotScales();
    kurvimat::display::ZoomHistory& PlotHistory();
    // The cursors the plot shows and moves: a mode's own, else the time plot's.
    kurvimat::display::CursorState& PlotCursors();
    kurvimat::analysis::PlotMode Mode() const { return host_.Mode(); }
    bool ShowsB() const { return host_.ShowsB(); }
    // The time plot's mode: the cursors and a fit are placed in it.
    kurvimat::analysis::PlotMode TimeMode() const {
        return kurvimat::analysis::TimePlotMode(host_.Mode());
    }
    PointSetMode* ShownPointSet() { return host_.ShownPointSet(); }
    // The measuring cursors' routing: the plot's menu and the readout.
    MainCursors* Measuring() const { return measuring_; }

    TPaintBox* PaintBoxData = nullptr;
    // In the order of AxisImage.
    std::array<TImage*, kurvimat::display::AxisImageCount> AxisImages{};
    QPlainTextEdit* MemoAnalysis = nullptr;

private:
    PlotViewData& data_;
    PlotHost& host_;
    MainCursors* measuring_ = nullptr;
};
