#include "CursorOverlay.h"

#include "DisplayState.h"
#include "IndexedImage.h"
#include "Plot.h"

#include <QRect>
#include <QString>

#include <algorithm>
#include <cmath>

namespace kurvimat::display {

namespace {

constexpr int DashOn = 4, DashPeriod = 7;
// Half a tangent's length, logical pixels: long enough to read its lean, short enough to stay
// near the cursor on a bending curve.
constexpr int TangentHalf = 40;

// Dashes of their logical length at every scale; the line itself stays one device pixel wide.
struct Dashes {
    int On, Period;
    bool drawn(int k, bool solid) const { return solid || k % Period < On; }
};

} // namespace

void DrawCursors(IndexedImage& image, const CursorMarks& marks, const ScaleSet& scales,
                 const QFont& font, const PaintGeometry& g, const std::vector<QRect>* within) {
    const int w = image.width(), h = image.height();
    if (w < 4 || h < 4) return;
    // The rows of column x (or the columns of row y) to draw: all, or those in the areas.
    const auto spans = [within](int at, bool column, int from, int to) {
        std::vector<std::pair<int, int>> out;
        if (!within) {
            out.emplace_back(from, to);
            return out;
        }
        for (const QRect& r : *within) {
            if (column ? (at < r.left() || at > r.right()) : (at < r.top() || at > r.bottom()))
                continue;
            const int lo = std::max(from, column ? r.top() : r.left());
            const int hi = std::min(to, column ? r.bottom() : r.right());
            if (lo <= hi) out.emplace_back(lo, hi);
        }
        return out;
    };
    // A name is written again where an area comes near it (glyphs may overhang their cell).
    const auto touched = [within](QRect cell) {
        if (!within) return true;
        const QRect near = cell.adjusted(-cell.height(), -cell.height(), cell.height(),
                                         cell.height());
        return std::any_of(within->begin(), within->end(),
                           [&](const QRect& r) { return r.intersects(near); });
    };
    const bool spectrum = marks.XNames == CursorMarks::Names::Spectrum;
    const QString xName = marks.XNames == CursorMarks::Names::Time ? QStringLiteral("t")
                          : spectrum                               ? QStringLiteral("f")
                                                                   : QStringLiteral("x");
    const Tscale& bottom = *scales.Bottom;
    const Tscale& value = marks.OnB ? scales.B : scales.A;
    const std::uint8_t valueMask =
        marks.OnB ? PaletteMask::CursorValueB : PaletteMask::CursorValueA;
    const Dashes dashes{g.px(DashOn), std::max(g.px(DashPeriod), 1)};

    // The tangents first: the cursors' lines and names are drawn over them.
    for (int i = 0; i < 2 && marks.Vertical; ++i) {
        if (!marks.Tangents[i]) continue;
        const CursorMarks::Tangent& t = *marks.Tangents[i];
        const Tscale& scale = i == 0 ? scales.A : scales.B;
        const double x0 = PlotColumn(t.T, bottom.RangeStart, bottom.RangeEnd, w);
        const double y0 = PlotRow(t.Value, scale.RangeStart, scale.RangeEnd, h);
        if (!(x0 >= 1 && x0 <= w - 2) || !std::isfinite(y0)) continue;
        // Its direction in pixels, through a point a tenth of the visible time further on.
        const double dt = (bottom.RangeEnd - bottom.RangeStart) / 10;
        const double dx = PlotColumn(t.T + dt, bottom.RangeStart, bottom.RangeEnd, w) - x0;
        const double dy = PlotRow(t.Value + t.Slope * dt, scale.RangeStart, scale.RangeEnd, h) - y0;
        const double length = std::hypot(dx, dy);
        if (!(length > 0) || !std::isfinite(length)) continue;
        const double ux = g.px(TangentHalf) * dx / length, uy = g.px(TangentHalf) * dy / length;
        const std::uint8_t mask = i == 0 ? PaletteMask::FitA : PaletteMask::FitB;
        const QRect inside(1, 1, w - 2, h - 2);
        const auto draw = [&](QRect clip) {
            image.andThickSegment(x0 - ux, y0 - uy, x0 + ux, y0 + uy, mask, g.weight(), clip);
        };
        if (!within) {
            draw(inside);
        } else {
            for (const QRect& r : *within)
                draw(r & inside);
        }
    }
    for (int i = 0; i < 2 && marks.Vertical; ++i) {
        const double c = PlotColumn(marks.X[i], bottom.RangeStart, bottom.RangeEnd, w);
        if (!(c >= 1 && c <= w - 2)) continue;
        const int x = static_cast<int>(c);
        const std::uint8_t mask = !spectrum ? PaletteMask::CursorTime
                                  : i == 0  ? PaletteMask::CursorValueA
                                            : PaletteMask::CursorValueB;
        for (const auto& [from, to] : spans(x, true, 1, h - 2))
            for (int y = from; y <= to; ++y)
                if (dashes.drawn(y - 1, marks.Active == i)) image.row(y)[x] &= mask;
        const QString name =
            xName + (spectrum ? QString(QChar(i == 0 ? u'A' : u'B')) : QString::number(i + 1));
        const QSize size = IndexedImage::textSize(name, font);
        // Beside the line, on the side with room.
        const int tx = x + g.px(3) + size.width() < w - 1 ? x + g.px(3) : x - g.px(2) - size.width();
        if (touched({QPoint(tx, g.px(3 + 12 * i)), size}))
            image.drawText(tx, g.px(3 + 12 * i), name, font, PaletteIndex::CursorLabel);
    }
    for (int i = 0; i < 2 && marks.Horizontal; ++i) {
        const double r = PlotRow(marks.Y[i], value.RangeStart, value.RangeEnd, h);
        if (!(r >= 1 && r <= h - 2)) continue;
        const int y = static_cast<int>(r);
        std::uint8_t* row = image.row(y);
        for (const auto& [from, to] : spans(y, false, 1, w - 2))
            for (int x = from; x <= to; ++x)
                if (dashes.drawn(x - 1, marks.Active == 2 + i)) row[x] &= valueMask;
        const QString name = QStringLiteral("y") + QString::number(i + 1);
        const QSize size = IndexedImage::textSize(name, font);
        const int ty = y - size.height() >= 1 ? y - size.height() : y + g.px(2);
        const int tx = w - size.width() - g.px(4 + 16 * i);
        if (touched({QPoint(tx, ty), size}))
            image.drawText(tx, ty, name, font, PaletteIndex::CursorLabel);
    }
}

} // namespace kurvimat::display
