// The oscillogram as a picture (plot, axes, titles, legends, cursors) for the clipboard, a file
// or a printer, drawn by the code that draws the window's plot paint box, not grabbed from the
// screen.
#pragma once

#include "DisplayState.h"
#include "IndexedImage.h"

#include <QImage>
#include <QSize>

#include <functional>
#include <span>
#include <utility>

class QDateTime;

namespace kurvimat::acquisition {
struct MeasurementStore;
}

namespace kurvimat::display {

class RunLayer;

/// What the picture shows: the window's store, scales, control states and cursor marks, and the
/// size of its plot paint box in logical pixels (the picture's size at scale 1).
struct PictureSource {
    const acquisition::MeasurementStore& Store;
    ScaleSet Scales;
    DisplayControls Controls;
    QSize PaintBox;
    CursorMarks Cursors = {};
    const RunLayer* Runs = nullptr; ///< shown runs, drawn as the window draws them
};

/// Drawn into the plot image after the curves (for example a fitted curve), at the drawing's
/// geometry.
using PlotOverlay = std::function<void(IndexedImage&, const PaintGeometry&)>;

/// The picture as an RGB32 image of scale times the paint box's size (scale 1 .. 8), drawn as
/// the window draws its canvas on a screen of that device pixel ratio: at scale 1 it is the
/// window's canvas. No zoom box is shown. The scales are drawn at the picture's size and are
/// left as they were (places and grid outputs of the window's drawing).
QImage RenderPlotPicture(const PictureSource& source, int scale, const PlotOverlay& overlay = {});

/// The footer line of a printed picture: each definition of what is drawn, after its name
/// ("A", "B", a quantity's), then date and time (German form).
QString PictureFooter(std::span<const std::pair<QString, QString>> definitions,
                      const QDateTime& when);

} // namespace kurvimat::display
