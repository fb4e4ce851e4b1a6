// The oscillogram as a picture (plot, axes, titles, legends) for the clipboard, a file or a
// printer, drawn by the code that draws the window's plot paint box, not grabbed from the screen.
#pragma once

#include "DisplayState.h"
#include "IndexedImage.h"

#include <QImage>
#include <QSize>

#include <functional>

class QDateTime;
class QPainter;
struct MeasurementStore;

/// What the picture shows: the window's store, scales and control states, and the size of its
/// plot paint box (the picture's size at scale 1).
struct PictureSource {
    const MeasurementStore& Store;
    ScaleSet Scales;
    DisplayControls Controls;
    QSize PaintBox;
};

/// Drawn into the plot image after the curves (for example a fitted curve).
using PlotOverlay = std::function<void(IndexedImage&)>;

/// Paints the picture onto a painter in paint-box coordinates (0, 0) .. PaintBox; the caller's
/// transform or device pixel ratio decides the resolution. The axes and texts are drawn at that
/// resolution, the plot image keeps its pixels (each becomes a block). No zoom box is shown.
/// Draws the scales, so their grid outputs are those of the picture's axes afterwards, as they
/// are after the window draws them at the same size.
void PaintPlotPicture(QPainter& painter, const PictureSource& source,
                      const PlotOverlay& overlay = {});

/// The picture as an RGB32 image of scale times the paint box's size (scale 1 .. 8).
QImage RenderPlotPicture(const PictureSource& source, int scale, const PlotOverlay& overlay = {});

/// The footer line of a printed picture: both definitions, then date and time (German form).
QString PictureFooter(const QString& definitionA, const QString& definitionB,
                      const QDateTime& when);
