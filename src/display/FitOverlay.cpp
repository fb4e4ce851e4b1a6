#include "FitOverlay.h"

#include "Plot.h"
#include "Scale.h"

#include <algorithm>
#include <cmath>

namespace kurvimat::display {

namespace {

// Rows far outside are pulled to just beyond the image, where the line leaves no trace, so that
// a step between two columns never runs through millions of rows.
double clampRow(double row, int h) {
    return std::clamp(row, -3.0, static_cast<double>(h + 2));
}

void stepLine(IndexedImage& image, double x0, double y0, double x1, double y1,
              std::uint8_t mask, int weight) {
    const double n = std::max({std::fabs(x1 - x0), std::fabs(y1 - y0), 1.0});
    for (int k = 0; k <= static_cast<int>(n); ++k) {
        const int x = static_cast<int>(std::nearbyint(x0 + (x1 - x0) * k / n));
        const int y = static_cast<int>(std::nearbyint(y0 + (y1 - y0) * k / n));
        // A square of weight x weight pixels from the point down and to the right, as a cell of
        // the scale; each pixel of it ANDed once per step is harmless (AND is idempotent).
        for (int dy = 0; dy < weight; ++dy)
            for (int dx = 0; dx < weight; ++dx)
                if (x + dx > 0 && x + dx < image.width() - 1 && y + dy > 0 &&
                    y + dy < image.height() - 1)
                    image.row(y + dy)[x + dx] &= mask;
    }
}

} // namespace

QRect FitReadoutRect(QSize image, const FitDrawing& fit, const QFont& font,
                     const PaintGeometry& g) {
    if (fit.Readout.isEmpty()) return {};
    int width = 0, lineHeight = 0;
    for (const QString& line : fit.Readout) {
        const QSize s = IndexedImage::textSize(line, font);
        width = std::max(width, s.width());
        lineHeight = std::max(lineHeight, s.height());
    }
    const int margin = g.px(10), pad = g.px(4);
    int top = g.px(24);
    if (!fit.ChannelB && fit.LegendLines > 0) { // as RunLayer lists the names
        const int line = IndexedImage::textSize(QStringLiteral("Mg"), font).height();
        top = std::max(top, g.px(7) + (fit.LegendLines + 1) * line + pad);
    }
    top = std::max(top, fit.Below);
    const int boxWidth = width + 2 * pad;
    const int left = fit.ChannelB ? image.width() - margin - boxWidth : margin;
    return {left, top, boxWidth + 1, 2 * pad + lineHeight * static_cast<int>(fit.Readout.size()) + 1};
}

void DrawFitOverlay(IndexedImage& image, const FitDrawing& fit, const QFont& font,
                    const PaintGeometry& g) {
    const int w = image.width(), h = image.height();
    if (w < 4 || h < 4 || !fit.XScale || !fit.YScale || !fit.Value) return;
    const std::uint8_t mask =
        fit.Mask ? fit.Mask : fit.ChannelB ? PaletteMask::FitB : PaletteMask::FitA;
    const double xs = fit.XScale->RangeStart, xe = fit.XScale->RangeEnd;
    const double ys = fit.YRange ? fit.YRange->first : fit.YScale->RangeStart,
                 ye = fit.YRange ? fit.YRange->second : fit.YScale->RangeEnd;
    const double lo = std::min(fit.XFrom, fit.XTo), hi = std::max(fit.XFrom, fit.XTo);
    const int first = std::max(1, static_cast<int>(std::ceil(PlotColumn(lo, xs, xe, w))));
    const int last = std::min(w - 2, static_cast<int>(std::floor(PlotColumn(hi, xs, xe, w))));
    bool havePrevious = false;
    double px = 0, py = 0;
    for (int column = first; column <= last; ++column) {
        const double x = xs + (column - 1) * (xe - xs) / (w - 3);
        const double value = fit.Value(std::clamp(x, lo, hi));
        if (!std::isfinite(value)) {
            havePrevious = false;
            continue;
        }
        const double row = clampRow(PlotRow(value, ys, ye, h), h);
        if (havePrevious)
            stepLine(image, px, py, column, row, mask, g.weight());
        else
            stepLine(image, column, row, column, row, mask, g.weight());
        havePrevious = true;
        px = column;
        py = row;
    }
    const QRect box = FitReadoutRect(image.size(), fit, font, g);
    if (box.isEmpty()) return;
    const std::uint8_t index =
        fit.Mask ? fit.Mask : fit.ChannelB ? PaletteIndex::FitTextB : PaletteIndex::FitTextA;
    image.drawRectangle(box.left(), box.top(), box.right(), box.bottom(), index,
                        PaletteIndex::Background);
    const int pad = g.px(4);
    const int lineHeight = (box.height() - 1 - 2 * pad) / static_cast<int>(fit.Readout.size());
    for (int i = 0; i < fit.Readout.size(); ++i)
        image.drawText(box.left() + pad, box.top() + pad + i * lineHeight, fit.Readout[i], font,
                       index);
}

std::vector<QRect> StackFitBoxes(std::vector<FitDrawing>& fits, QSize image, const QFont& font,
                                 const PaintGeometry& g) {
    std::vector<QRect> boxes;
    int below[2] = {0, 0}; // left, right
    for (FitDrawing& fit : fits) {
        int& side = below[fit.ChannelB ? 1 : 0];
        fit.Below = side;
        const QRect box = FitReadoutRect(image, fit, font, g);
        if (!box.isEmpty()) side = box.bottom() + 1 + g.px(6);
        boxes.push_back(box);
    }
    return boxes;
}

} // namespace kurvimat::display
