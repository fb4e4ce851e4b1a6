// The display refresh at the end of every timer tick: the two strips, the axes that changed
// (with the axis buttons that belong to them), then the plot, each only when flagged, and the
// copies of the 8-bit images onto the paint boxes' canvases.
#pragma once

#include "DisplayState.h"
#include "IndexedImage.h"
#include "PlotPicture.h"

#include <QFont>
#include <QImage>

#include <vector>

class QPainter;

namespace kurvimat::acquisition {
struct MeasurementStore;
}

namespace kurvimat::signals {
class TParser;
}

namespace kurvimat::display {

class RunLayer;

/// Everything the drawing reads and writes, borrowed from the main window.
struct DisplayContext {
    acquisition::MeasurementStore& Store;
    ScaleSet Scales;
    DisplayState& State;
    DisplayControls Controls;
    signals::TParser& ParserA;
    signals::TParser& ParserB;
    IndexedImage& RawStrip;
    IndexedImage& MeanStrip;
    IndexedImage& Plot;
    // Canvases in device pixels, the images at the same scale (State.Geometry).
    QImage& RawCanvas;  ///< canvas of PaintBoxRoh
    QImage& MeanCanvas; ///< canvas of PaintBoxMittel
    QImage& DataCanvas; ///< canvas of PaintBoxData
    PlotOverlay Overlay = {}; ///< drawn into the plot image after the curves
    /// Stands for what Overlay draws: equal keys draw equal pixels (0 without an overlay).
    std::size_t OverlayKey = 0;
    /// The points of the plot and its axes, when not Store's (the spectrum's point set), with
    /// their flags (else State.Changes); the strips always show Store.
    acquisition::MeasurementStore* PlotPoints = nullptr;
    DisplayChanges* PlotChanges = nullptr;
    /// Shown runs, drawn under the cursors of a drawing in full of the stored points.
    RunLayer* Runs = nullptr;
};

/// Which canvases a call changed; the window repaints those paint boxes and applies
/// DisplayState::ImageVisible to the axis buttons when AxisButtonsChanged.
struct RefreshResult {
    bool Raw = false;
    bool Mean = false;
    bool Left = false;
    bool Right = false;
    bool Bottom = false;
    bool Plot = false;
    /// Only new points were drawn onto the mean strip or the plot.
    bool MeanPointsOnly = false;
    /// The plot and its strips moved for extra axes coming or going (the whole data canvas
    /// was drawn anew).
    bool Layout = false;
    bool PlotPointsOnly = false;
    /// Device pixels that changed: of the mean canvas, and of the data canvas when no axis was
    /// drawn. A drawing in full gives the tiles where it differs from the last frame, or the
    /// whole canvas (the plot's place).
    std::vector<QRect> MeanAreas;
    std::vector<QRect> PlotAreas;
    bool AxisButtonsChanged() const { return Left || Right || Bottom; }
    bool DataCanvas() const { return Left || Right || Bottom || Plot; }
};

/// The font of the plot's paint box: axis labels and legends, at a drawing's scale.
QFont DataFont(double scale = 1);

/// Draws a scale onto a painter in its Bounds, with the pen of the drawing's scale.
void DrawScale(QPainter& painter, Tscale& scale, const PaintGeometry& g);

void DrawRawStrip(DisplayContext& ctx);
void DrawMeanStrip(DisplayContext& ctx);
void DrawPlot(DisplayContext& ctx);

/// While a sweep streams: only the points that came since the last drawing, onto the mean
/// strip or the plot, and only the changed rectangle expanded. Returns false, drawing nothing,
/// when anything else changed; the caller then draws in full.
bool DrawMeanStripPoints(DisplayContext& ctx, std::vector<QRect>& changed);
/// changed receives device rectangles of the data canvas that follow the new stretch of the
/// curves.
bool DrawPlotPoints(DisplayContext& ctx, std::vector<QRect>& changed);

/// Merges neighbours in the list (a curve's stretches lie one after the other) into their
/// bounding rectangles until at most limit remain.
void MergeRects(std::vector<QRect>& rects, std::size_t limit);

/// Draws one axis strip onto the data canvas: white background, then the scale.
enum class Strip { Left, Right, Bottom };
void DrawAxis(DisplayContext& ctx, Strip strip);

/// Draws the extra axes' strips onto the data canvas: white background, then each scale.
void DrawExtraAxes(DisplayContext& ctx);
/// Gives the plot room for the extra axes its points need (ExtraAxesOf), placing the plot and the
/// strips anew and clearing the data canvas when their number changed. True when it did.
bool FollowExtraAxes(DisplayContext& ctx);

RefreshResult RefreshDisplay(DisplayContext& ctx);

/// A repaint request of the plot's paint box: the plot (redrawn if not valid) then the axes.
void paintPlotAndAxes(DisplayContext& ctx);

} // namespace kurvimat::display
