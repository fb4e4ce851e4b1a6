#pragma once

#include "Palette.h"

#include <QImage>
#include <QRect>
#include <QSize>

#include <array>
#include <cstdint>
#include <vector>

class QFont;
class QString;

namespace kurvimat::display {

/// How a drawing operation combines its value with a pixel.
enum class PixelOp {
    Set, ///< the pixel becomes the value (a palette index)
    And, ///< the pixel is ANDed with the value (a mask)
};

/// An 8-bit image whose pixels are palette indices, drawn by byte arithmetic on its rows.
///
/// Rows are reached through a table of row starts that is rebuilt whenever the image is
/// created or resized; row 0 is the top row. Every drawing operation clips to the image (or to
/// a given clip rectangle), so no coordinates can write outside it. Rectangles follow the
/// (left, top, right, bottom) convention with right and bottom exclusive; lines, like a
/// canvas's LineTo, leave out their end point.
class IndexedImage {
public:
    IndexedImage();
    IndexedImage(int width, int height);
    IndexedImage(const IndexedImage& other);
    IndexedImage& operator=(const IndexedImage& other);
    IndexedImage(IndexedImage&& other) noexcept;
    IndexedImage& operator=(IndexedImage&& other) noexcept;

    /// Sets the size and fills the whole image with the background index. Negative sizes
    /// count as 0.
    void resize(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    QSize size() const { return {width_, height_}; }
    QRect rect() const { return {0, 0, width_, height_}; }
    /// Bytes from one row start to the next (a multiple of 4, as QImage needs).
    int bytesPerLine() const { return stride_; }
    bool contains(int x, int y) const {
        return static_cast<unsigned>(x) < static_cast<unsigned>(width_) &&
               static_cast<unsigned>(y) < static_cast<unsigned>(height_);
    }

    std::uint8_t* row(int y) { return rows_[static_cast<std::size_t>(y)]; }
    const std::uint8_t* row(int y) const { return rows_[static_cast<std::size_t>(y)]; }
    /// Unchecked read; use contains() first for coordinates that may lie outside.
    std::uint8_t pixel(int x, int y) const { return row(y)[x]; }

    void clear(std::uint8_t index);
    /// Copies the pixels of area (clipped to both images) from an image of the same size at
    /// the same place; false, copying nothing, for another size.
    bool copyArea(const IndexedImage& from, QRect area);
    void setPixel(int x, int y, std::uint8_t index) {
        if (contains(x, y)) row(y)[x] = index;
    }
    void andPixel(int x, int y, std::uint8_t mask) {
        if (contains(x, y)) row(y)[x] &= mask;
    }

    /// A point: the core mask ANDed into (x, y) and its four direct neighbours, the halo mask
    /// into the four diagonal neighbours. Pixels outside the image are left out.
    void andPoint(int x, int y, PointMasks masks);
    /// A point of a drawing at a larger scale: the 3 x 3 point with every pixel grown to a
    /// weight x weight cell, the middle cell holding (x, y); weight 1 is the point above. Only
    /// pixels inside clip (and the image) are written.
    void andPoint(int x, int y, PointMasks masks, int weight, QRect clip);
    /// The inner pixels of a segment at a larger scale: andSegment moved over a weight x weight
    /// brush placed like a point's middle cell, so the line is as thick as the point's core.
    void andThickSegment(double x0, double y0, double x1, double y1, std::uint8_t mask,
                         int weight, QRect clip);
    /// The same for a point whose 3 x 3 block is known to lie inside the image (no checks).
    void andPointInside(int x, int y, PointMasks masks) {
        std::uint8_t* up = row(y - 1) + x;
        std::uint8_t* mid = row(y) + x;
        std::uint8_t* down = row(y + 1) + x;
        up[-1] &= masks.Halo;
        up[0] &= masks.Core;
        up[1] &= masks.Halo;
        mid[-1] &= masks.Core;
        mid[0] &= masks.Core;
        mid[1] &= masks.Core;
        down[-1] &= masks.Halo;
        down[0] &= masks.Core;
        down[1] &= masks.Halo;
    }

    /// Fills columns left .. right-1 of rows top .. bottom-1.
    void fillRect(int left, int top, int right, int bottom, std::uint8_t index);
    /// The one-pixel outline of the same area; dotted sets every other pixel along it.
    void frameRect(int left, int top, int right, int bottom, std::uint8_t index,
                   bool dotted = false);
    /// A canvas rectangle: outline in the pen index, inside in the brush index.
    void drawRectangle(int left, int top, int right, int bottom, std::uint8_t pen,
                       std::uint8_t brush);

    /// Columns x0 .. x1 (inclusive, either order) of row y.
    void horizontalLine(int y, int x0, int x1, std::uint8_t value, PixelOp op);
    /// Rows y0 .. y1 (inclusive, either order) of column x.
    void verticalLine(int x, int y0, int y1, std::uint8_t value, PixelOp op);
    /// A straight line from (x0, y0) towards (x1, y1), end point excluded.
    void drawLine(int x0, int y0, int x1, int y1, std::uint8_t value, PixelOp op);

    /// The inner pixels of a curve segment whose end points are drawn as points: with
    /// n = round(length), pixel k = 1 .. n-1 is (x0 + round(k*dx/n), y0 + round(k*dy/n)), halves
    /// to even. Only pixels inside clip (intersected with the image) are ANDed with the mask.
    /// The visible steps are found before stepping, so a segment running far outside costs
    /// no more than its visible part.
    ///
    /// End points are pixel positions (rounded to whole pixels) of any size, as rounding a
    /// value far outside an axis range gives them; stepping is exact up to +-2^60. Ends beyond
    /// that are first moved along the segment to near the image; a segment with a non-finite
    /// end draws nothing.
    void andSegment(double x0, double y0, double x1, double y1, std::uint8_t mask, QRect clip);
    void andSegment(double x0, double y0, double x1, double y1, std::uint8_t mask) {
        andSegment(x0, y0, x1, y1, mask, rect());
    }

    /// Width and height of the text cell of a text in a font, as drawText places it.
    static QSize textSize(const QString& text, const QFont& font);
    /// Writes index where the text covers a pixel; (x, y) is the top left of the text cell.
    /// Glyphs are rendered without anti-aliasing, as a canvas draws small text.
    void drawText(int x, int y, const QString& text, const QFont& font, std::uint8_t index);

    /// Colour table used by the views and the expansion; the Kurvimat palette by default.
    void setPalette(const Palette& palette);

    /// An Indexed8 QImage over this image's bytes with the colour table. It shares the
    /// bytes: it is valid until the next resize and must not outlive this image.
    QImage indexed8() const;
    /// Writes this image into an RGB32 / ARGB32 target with its top left at (x, y), one
    /// table lookup per pixel, clipped to the target. Returns false for other formats.
    bool expandInto(QImage& target, int x, int y) const { return expandInto(target, x, y, rect()); }
    /// The same for the part source of this image only (it lands at (x, y) + its position).
    bool expandInto(QImage& target, int x, int y, QRect source) const;
    /// The same for the whole image, writing only the pixels whose colour differs from the
    /// target's. Returns where they lie, in tiles of this image of the given size (cut at its
    /// edges): per column of tiles one rectangle for each run of tiles holding a difference,
    /// columns from left to right. Nothing for a target of another format.
    std::vector<QRect> expandChangedInto(QImage& target, int x, int y, int tileWidth,
                                         int tileHeight) const;
    /// A new RGB32 image with the colours of this one.
    QImage toRgb32() const;

private:
    void rebuildRowTable();

    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    std::vector<std::uint8_t> bytes_;
    std::vector<std::uint8_t*> rows_;
    std::array<QRgb, Palette::Size> lookup_{};
    QList<QRgb> colorTable_;
};

} // namespace kurvimat::display
