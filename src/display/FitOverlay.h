// A fitted curve and its readout drawn into the plot image, over the curves, with masks of
// their own.
#pragma once

#include "DisplayState.h"
#include "IndexedImage.h"

#include <QRect>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QFont;

namespace kurvimat::display {

class Tscale;

struct FitDrawing {
    std::function<double(double)> Value; ///< the fitted quantity at x; NaN leaves a gap
    double XFrom = 0, XTo = 0;           ///< where the curve runs, in x units
    const Tscale* XScale = nullptr;      ///< range of x: time, or the channel below in XY
    const Tscale* YScale = nullptr;      ///< range of the fitted channel
    /// Of a column on an extra axis: that axis's range, over YScale's.
    std::optional<std::pair<double, double>> YRange;
    bool ChannelB = false;
    /// AND mask of the curve, also the readout's colour; 0 for the channel's fit colour.
    std::uint8_t Mask = 0;
    /// Run names the plot lists at its top left, under the snapshot's legend line: the box of
    /// channel A keeps below them.
    int LegendLines = 0;
    /// The box's top at least this far down (image pixels): below the boxes drawn before it.
    int Below = 0;
    QStringList Readout; ///< shown in a box at the fitted channel's side (A left, B right)
};

/// Draws the curve column by column over the part of [XFrom, XTo] inside the x range, joining
/// the columns with a line ANDed with PaletteMask::FitA / FitB, as thick as the drawing's
/// points' weight, then the readout box (font given at the drawing's scale).
/// Where the readout box goes in an image of that size (empty without readout lines).
QRect FitReadoutRect(QSize image, const FitDrawing& fit, const QFont& font,
                     const PaintGeometry& g = {});

void DrawFitOverlay(IndexedImage& image, const FitDrawing& fit, const QFont& font,
                    const PaintGeometry& g = {});

/// Several fits' boxes one below the other on each side (Below set); their places in order.
std::vector<QRect> StackFitBoxes(std::vector<FitDrawing>& fits, QSize image, const QFont& font,
                                 const PaintGeometry& g = {});

} // namespace kurvimat::display
