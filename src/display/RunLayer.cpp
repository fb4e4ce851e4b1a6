#include "RunLayer.h"

#include "Palette.h"
#include "Plot.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace kurvimat::display {

void RunLayer::setRuns(std::vector<RunCurve> runs) {
    runs_ = std::move(runs);
    ranges_.clear();
    for (const RunCurve& run : runs_) {
        auto& ranges = ranges_.emplace_back();
        for (const signals::QuantityColumn& c : run.Columns) {
            double low = std::numeric_limits<double>::quiet_NaN(), high = low;
            for (const double v : c.values) {
                if (!std::isfinite(v)) continue;
                low = std::isnan(low) ? v : std::min(low, v);
                high = std::isnan(high) ? v : std::max(high, v);
            }
            ranges.emplace_back(low, high);
        }
    }
    // A new key for every new set: comparing the points would cost what drawing them does.
    static std::size_t generation = 0;
    key_ = (++generation * 0x9e3779b97f4a7c15ULL) | 1;
    drawn_ = false;
}

void RunLayer::paint(IndexedImage& image, const ScaleSet& scales, const DisplayControls& controls,
                     const PaintGeometry& g, const QFont& font, const AxisUnits& units) {
    const int w = image.width(), h = image.height();
    if (runs_.empty() || w < 3 || h < 3) return;
    const Key key{w,
                  h,
                  g.Scale,
                  controls,
                  {scales.A.RangeStart, scales.A.RangeEnd, scales.B.RangeStart, scales.B.RangeEnd,
                   scales.T.RangeStart, scales.T.RangeEnd},
                  key_,
                  units};
    if (!drawn_ || !(key == drawnFor_)) {
        layer_.resize(w, h);
        layer_.clear(PaletteIndex::Background);
        // Oldest first, so that where runs cross the newest is on top of the AND.
        for (const RunCurve& run : runs_) {
            const PointMasks masks{run.Colour, 0xFF};
            DrawCurves(layer_,
                       {run.T.data(), run.A.data(), run.B.data(),
                        int(std::min({run.T.size(), run.A.size(), run.B.size()})), masks, masks,
                        run.HasB},
                       scales, controls, g.weight());
            if (run.Columns.empty() || !signals::ColumnsFit(run.Columns, run.T.size())) continue;
            PlotCurves curves = CurvesOf(run.Columns, units.Left, units.Right.has_value(),
                                         units.Right.value_or(QString()));
            for (PlotCurve& curve : curves) curve.Masks = masks;
            DrawColumnCurves(layer_, run.T.data(), int(run.T.size()), run.Columns, curves, scales,
                             controls, g.weight());
        }
        // Names below the snapshot's legend line, each in its run's colour.
        const int line = IndexedImage::textSize(QStringLiteral("Mg"), font).height();
        int y = g.px(7) + line;
        for (const RunCurve& run : runs_) {
            if (y + line > h - 2) break;
            layer_.drawText(g.px(10), y, run.Name, font, run.Colour);
            y += line;
        }
        drawnFor_ = key;
        drawn_ = true;
    }
    for (int y = 1; y < h - 1; ++y) {
        std::uint8_t* to = image.row(y);
        const std::uint8_t* from = layer_.row(y);
        for (int x = 1; x < w - 1; ++x)
            to[x] &= from[x];
    }
}

} // namespace kurvimat::display
