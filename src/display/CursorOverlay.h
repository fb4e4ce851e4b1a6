// The measuring cursors drawn into the plot image: vertical lines at values of the bottom
// scale, horizontal lines at values of scale A or B, ANDed with masks of their own; the
// active one solid, the others dashed, each named beside its line. A vertical line at an
// infinite value is left out. The tangents at t1 are short lines through the curves in the
// channels' darker shades, as fitted curves are drawn.
#pragma once

#include <QRect>

#include <array>
#include <optional>
#include <vector>

class QFont;

namespace kurvimat::display {

class IndexedImage;
struct PaintGeometry;
struct ScaleSet;

struct CursorMarks {
    /// t1, t2 or x1, x2; fA, fB: the spectrum's peaks, in the channels' colours.
    enum class Names { Time, Xy, Spectrum };
    bool Vertical = false;
    bool Horizontal = false;
    std::array<double, 2> X{}; ///< in the units of the bottom scale
    std::array<double, 2> Y{}; ///< in the units of scale A, or B when OnB
    bool OnB = false;
    Names XNames = Names::Time;
    int Active = -1; ///< 0, 1: vertical; 2, 3: horizontal
    /// A tangent through (T, Value), in the units of the bottom scale and of scale A or B.
    struct Tangent {
        double T = 0, Value = 0, Slope = 0;
        bool operator==(const Tangent&) const = default;
    };
    std::array<std::optional<Tangent>, 2> Tangents; ///< of channel A and B
    bool operator==(const CursorMarks&) const = default;
};

/// Font given at the drawing's scale; offsets and dashes follow g. With `within`, only what
/// lies in those rectangles is drawn again (over new points: the rest is there already).
void DrawCursors(IndexedImage& image, const CursorMarks& marks, const ScaleSet& scales,
                 const QFont& font, const PaintGeometry& g,
                 const std::vector<QRect>* within = nullptr);

} // namespace kurvimat::display
