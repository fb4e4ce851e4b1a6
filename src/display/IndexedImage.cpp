#include "IndexedImage.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kurvimat::display {

namespace {

using Range = std::pair<std::int64_t, std::int64_t>; // [first, last)

// Smallest i in [0, count) for which a predicate that turns from false to true holds; count if
// it never does.
template <class Pred> std::int64_t firstTrue(std::int64_t count, Pred pred) {
    std::int64_t a = 0, b = count;
    while (a < b) {
        const std::int64_t m = a + (b - a) / 2;
        if (pred(m))
            b = m;
        else
            a = m + 1;
    }
    return a;
}

// Indices i in [0, count) for which f(i) lies in [lo, hi]; f is monotone, rising when
// direction >= 0, falling otherwise. Clipping this way gives exactly the pixels that stepping
// through the whole line and testing each would give.
template <class F>
Range insideRange(std::int64_t count, F f, std::int64_t direction, std::int64_t lo,
                  std::int64_t hi) {
    if (direction >= 0)
        return {firstTrue(count, [&](std::int64_t i) { return f(i) >= lo; }),
                firstTrue(count, [&](std::int64_t i) { return f(i) > hi; })};
    return {firstTrue(count, [&](std::int64_t i) { return f(i) <= hi; }),
            firstTrue(count, [&](std::int64_t i) { return f(i) < lo; })};
}

Range intersect(Range a, Range b) {
    return {std::max(a.first, b.first), std::min(a.second, b.second)};
}

// Segments are stepped in exact integer arithmetic for end points up to 2^60; ends beyond are
// first brought near the square of half side 2^50.
constexpr double integerLimit = 1152921504606846976.0; // 2^60
constexpr double squareHalf = 1125899906842624.0;      // 2^50

// Cuts a segment to the part near the square |x|, |y| <= 2^50 (its ends then lie within
// 2^51). A cut by parameter would lose the square in the rounding of 1e200-sized ends, so the
// segment is halved instead: a midpoint is exact up to its own rounding, whatever the ends.
void collectNearSquare(double ax, double ay, double bx, double by, bool& found, double* ends) {
    const double h = squareHalf;
    if ((ax < -h && bx < -h) || (ax > h && bx > h) || (ay < -h && by < -h) || (ay > h && by > h))
        return;
    if (std::max(std::fabs(bx - ax), std::fabs(by - ay)) <= h) {
        if (!found) {
            ends[0] = ax;
            ends[1] = ay;
            found = true;
        }
        ends[2] = bx;
        ends[3] = by;
        return;
    }
    const double mx = ax / 2 + bx / 2, my = ay / 2 + by / 2;
    collectNearSquare(ax, ay, mx, my, found, ends);
    collectNearSquare(mx, my, bx, by, found, ends);
}

bool clipToSquare(double x0, double y0, double x1, double y1, double* ends) {
    bool found = false;
    collectNearSquare(x0, y0, x1, y1, found, ends);
    return found;
}

// round(num / den) with halves to even, exactly; den > 0.
std::int64_t roundedQuotient(__int128 num, std::int64_t den) {
    __int128 q = num / den, r = num % den;
    if (r < 0) {
        --q;
        r += den;
    }
    if (2 * r > den || (2 * r == den && (q & 1) != 0)) ++q;
    return static_cast<std::int64_t>(q);
}

// round(sqrt(s)); a tie cannot occur for an integer s.
std::int64_t roundedSqrt(__int128 s) {
    auto m = static_cast<__int128>(std::sqrt(static_cast<double>(s)));
    while (m * m > s)
        --m;
    while ((m + 1) * (m + 1) <= s)
        ++m;
    // sqrt(s) >= m + 0.5  <=>  s >= m^2 + m + 0.25  <=>  s > m^2 + m
    return static_cast<std::int64_t>(s > m * m + m ? m + 1 : m);
}

inline void apply(std::uint8_t& pixel, std::uint8_t value, PixelOp op) {
    if (op == PixelOp::And)
        pixel &= value;
    else
        pixel = value;
}

// Font metrics must come from the same kind of device the glyphs are rendered on.
const QImage& textDevice() {
    static const QImage device(1, 1, QImage::Format_Alpha8);
    return device;
}

QFont aliasedFont(const QFont& font) {
    QFont f(font);
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

} // namespace

IndexedImage::IndexedImage() {
    setPalette(Palette());
}

IndexedImage::IndexedImage(int width, int height) : IndexedImage() {
    resize(width, height);
}

IndexedImage::IndexedImage(const IndexedImage& other)
    : width_(other.width_), height_(other.height_), stride_(other.stride_), bytes_(other.bytes_),
      lookup_(other.lookup_), colorTable_(other.colorTable_) {
    rebuildRowTable();
}

IndexedImage& IndexedImage::operator=(const IndexedImage& other) {
    if (this != &other) {
        width_ = other.width_;
        height_ = other.height_;
        stride_ = other.stride_;
        bytes_ = other.bytes_;
        lookup_ = other.lookup_;
        colorTable_ = other.colorTable_;
        rebuildRowTable();
    }
    return *this;
}

IndexedImage::IndexedImage(IndexedImage&& other) noexcept
    : width_(std::exchange(other.width_, 0)), height_(std::exchange(other.height_, 0)),
      stride_(std::exchange(other.stride_, 0)), bytes_(std::move(other.bytes_)),
      rows_(std::move(other.rows_)), lookup_(other.lookup_), colorTable_(other.colorTable_) {
    other.bytes_.clear();
    other.rows_.clear();
}

IndexedImage& IndexedImage::operator=(IndexedImage&& other) noexcept {
    if (this != &other) {
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
        stride_ = std::exchange(other.stride_, 0);
        bytes_ = std::move(other.bytes_);
        rows_ = std::move(other.rows_);
        lookup_ = other.lookup_;
        colorTable_ = other.colorTable_;
        other.bytes_.clear();
        other.rows_.clear();
    }
    return *this;
}

void IndexedImage::resize(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    stride_ = (width_ + 3) & ~3;
    bytes_.assign(static_cast<std::size_t>(stride_) * static_cast<std::size_t>(height_),
                  PaletteIndex::Background);
    rebuildRowTable();
}

void IndexedImage::rebuildRowTable() {
    rows_.resize(static_cast<std::size_t>(height_));
    for (int y = 0; y < height_; ++y)
        rows_[static_cast<std::size_t>(y)] =
            bytes_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride_);
}

void IndexedImage::clear(std::uint8_t index) {
    std::fill(bytes_.begin(), bytes_.end(), index);
}

bool IndexedImage::copyArea(const IndexedImage& from, QRect area) {
    if (from.size() != size()) return false;
    area &= rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        std::memcpy(row(y) + area.left(), from.row(y) + area.left(),
                    static_cast<std::size_t>(area.width()));
    return true;
}

void IndexedImage::andPoint(int x, int y, PointMasks masks) {
    if (x >= 1 && y >= 1 && x < width_ - 1 && y < height_ - 1) {
        andPointInside(x, y, masks);
        return;
    }
    // Near or beyond the edge; the test also keeps x +- 1 from overflowing.
    if (x < -1 || y < -1 || x > width_ || y > height_) return;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            andPixel(x + dx, y + dy, (dx == 0 || dy == 0) ? masks.Core : masks.Halo);
}

void IndexedImage::andPoint(int x, int y, PointMasks masks, int weight, QRect clip) {
    if (weight <= 1 && clip.contains(rect())) {
        andPoint(x, y, masks);
        return;
    }
    const int k = std::max(weight, 1);
    clip &= rect();
    // Three cells of k pixels each way; the middle cell holds (x, y), odd k centred on it.
    const int left = x - k - (k - 1) / 2, top = y - k - (k - 1) / 2;
    const int x0 = std::max(left, clip.left()), x1 = std::min(left + 3 * k - 1, clip.right());
    const int y0 = std::max(top, clip.top()), y1 = std::min(top + 3 * k - 1, clip.bottom());
    for (int py = y0; py <= y1; ++py) {
        const bool midRow = (py - top) / k == 1;
        std::uint8_t* line = row(py);
        for (int px = x0; px <= x1; ++px)
            line[px] &= midRow || (px - left) / k == 1 ? masks.Core : masks.Halo;
    }
}

void IndexedImage::andThickSegment(double x0, double y0, double x1, double y1, std::uint8_t mask,
                                   int weight, QRect clip) {
    // A brush as large as a point's middle cell.
    const int k = std::max(weight, 1), first = -(k - 1) / 2;
    for (int dy = first; dy < first + k; ++dy)
        for (int dx = first; dx < first + k; ++dx)
            andSegment(x0 + dx, y0 + dy, x1 + dx, y1 + dy, mask, clip);
}

void IndexedImage::fillRect(int left, int top, int right, int bottom, std::uint8_t index) {
    const int l = std::max(left, 0), r = std::min(right, width_);
    const int t = std::max(top, 0), b = std::min(bottom, height_);
    if (l >= r || t >= b) return;
    for (int y = t; y < b; ++y)
        std::memset(row(y) + l, index, static_cast<std::size_t>(r - l));
}

void IndexedImage::frameRect(int left, int top, int right, int bottom, std::uint8_t index,
                             bool dotted) {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    if (right == left || bottom == top) return;
    const int r = right - 1, b = bottom - 1;
    if (!dotted) {
        horizontalLine(top, left, r, index, PixelOp::Set);
        horizontalLine(b, left, r, index, PixelOp::Set);
        verticalLine(left, top, b, index, PixelOp::Set);
        verticalLine(r, top, b, index, PixelOp::Set);
        return;
    }
    // Walk the outline clockwise from the top left so the dots run on around the corners.
    // Outlines far outside the image are only ever small zoom boxes, so no clipping first.
    std::int64_t step = 0;
    auto dot = [&](int x, int y) {
        if ((step++ & 1) == 0) setPixel(x, y, index);
    };
    for (int x = left; x <= r; ++x)
        dot(x, top);
    for (int y = top + 1; y <= b; ++y)
        dot(r, y);
    if (b > top)
        for (int x = r - 1; x >= left; --x)
            dot(x, b);
    if (r > left)
        for (int y = b - 1; y > top; --y)
            dot(left, y);
}

void IndexedImage::drawRectangle(int left, int top, int right, int bottom, std::uint8_t pen,
                                 std::uint8_t brush) {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    fillRect(left + 1, top + 1, right - 1, bottom - 1, brush);
    frameRect(left, top, right, bottom, pen);
}

void IndexedImage::horizontalLine(int y, int x0, int x1, std::uint8_t value, PixelOp op) {
    if (y < 0 || y >= height_) return;
    if (x1 < x0) std::swap(x0, x1);
    x0 = std::max(x0, 0);
    x1 = std::min(x1, width_ - 1);
    std::uint8_t* p = row(y);
    if (op == PixelOp::Set) {
        if (x0 <= x1) std::memset(p + x0, value, static_cast<std::size_t>(x1 - x0 + 1));
        return;
    }
    for (int x = x0; x <= x1; ++x)
        p[x] &= value;
}

void IndexedImage::verticalLine(int x, int y0, int y1, std::uint8_t value, PixelOp op) {
    if (x < 0 || x >= width_) return;
    if (y1 < y0) std::swap(y0, y1);
    y0 = std::max(y0, 0);
    y1 = std::min(y1, height_ - 1);
    for (int y = y0; y <= y1; ++y)
        apply(row(y)[x], value, op);
}

void IndexedImage::drawLine(int x0, int y0, int x1, int y1, std::uint8_t value, PixelOp op) {
    const std::int64_t dx = std::int64_t{x1} - x0, dy = std::int64_t{y1} - y0;
    const std::int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const std::int64_t count = std::max(adx, ady);
    if (count == 0 || width_ == 0 || height_ == 0) return;
    const std::int64_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    const bool xMajor = adx >= ady;
    // Step i along the major axis; the minor offset is i * minor / major rounded half up.
    auto minorOffset = [&](std::int64_t i, std::int64_t minor, std::int64_t major) {
        return static_cast<std::int64_t>((__int128{2} * i * minor + major) / (__int128{2} * major));
    };
    auto xAt = [&](std::int64_t i) { return x0 + sx * (xMajor ? i : minorOffset(i, adx, ady)); };
    auto yAt = [&](std::int64_t i) { return y0 + sy * (xMajor ? minorOffset(i, ady, adx) : i); };
    const Range visible = intersect(insideRange(count, xAt, sx, 0, width_ - 1),
                                    insideRange(count, yAt, sy, 0, height_ - 1));
    for (std::int64_t i = visible.first; i < visible.second; ++i)
        apply(row(static_cast<int>(yAt(i)))[xAt(i)], value, op);
}

void IndexedImage::andSegment(double x0, double y0, double x1, double y1, std::uint8_t mask,
                              QRect clip) {
    clip &= rect();
    if (clip.isEmpty()) return;
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
        return;
    if (std::max({std::fabs(x0), std::fabs(y0), std::fabs(x1), std::fabs(y1)}) > integerLimit) {
        double ends[4];
        if (!clipToSquare(x0, y0, x1, y1, ends)) return;
        x0 = ends[0];
        y0 = ends[1];
        x1 = ends[2];
        y1 = ends[3];
    }
    const auto sx = static_cast<std::int64_t>(std::nearbyint(x0));
    const auto sy = static_cast<std::int64_t>(std::nearbyint(y0));
    const std::int64_t dx = static_cast<std::int64_t>(std::nearbyint(x1)) - sx;
    const std::int64_t dy = static_cast<std::int64_t>(std::nearbyint(y1)) - sy;
    const std::int64_t n = roundedSqrt(__int128{dx} * dx + __int128{dy} * dy);
    if (n < 2) return;
    // Steps k = 1 .. n-1 are indices i = k - 1. While |d| * n < 2^52 the double quotient
    // lies closer to the true one than any half, so nearbyint rounds it exactly and fast;
    // longer segments (far outside the image) take the 128-bit path.
    const double bound = 4503599627370496.0; // 2^52
    const bool fast = double(std::max(std::abs(dx), std::abs(dy))) * double(n) < bound;
    const double fdx = double(dx), fdy = double(dy), fn = double(n);
    auto offset = [&](std::int64_t k, std::int64_t d, double fd) {
        return fast ? static_cast<std::int64_t>(std::nearbyint(double(k) * fd / fn))
                    : roundedQuotient(__int128{k} * d, n);
    };
    auto xAt = [&](std::int64_t i) { return sx + offset(i + 1, dx, fdx); };
    auto yAt = [&](std::int64_t i) { return sy + offset(i + 1, dy, fdy); };
    const std::int64_t count = n - 1;
    const Range visible =
        intersect(insideRange(count, xAt, dx < 0 ? -1 : 1, clip.left(), clip.right()),
                  insideRange(count, yAt, dy < 0 ? -1 : 1, clip.top(), clip.bottom()));
    for (std::int64_t i = visible.first; i < visible.second; ++i)
        row(static_cast<int>(yAt(i)))[xAt(i)] &= mask;
}

namespace {

// A text's coverage, with the area it covers relative to the top left of its text cell.
struct TextMask {
    QString text;
    QString font;
    QRect area;
    QImage mask;
    QSize cell;
};

// Captions, legends and the trigger level come again with every frame: their rendered masks
// are kept (rendering costs more than the rest of a streaming frame).
const TextMask& textMask(const QString& text, const QFont& font) {
    thread_local std::array<TextMask, 32> cache;
    thread_local std::size_t next = 0;
    const QString key = font.key();
    for (const TextMask& m : cache)
        if (!m.mask.isNull() && m.text == text && m.font == key) return m;
    const QFont f = aliasedFont(font);
    const QFontMetrics metrics(f, &textDevice());
    const int ascent = metrics.ascent();
    const QRect cell(0, 0, metrics.horizontalAdvance(text), metrics.height());
    // Glyphs may reach beyond their cell (italics, overhangs). Without any usable font the
    // bounding box can be absurd: then only the cell counts.
    const QRect ink = metrics.boundingRect(text).translated(0, ascent);
    const int slack = 2 * std::max(metrics.height(), 1);
    const bool inkSane = cell.adjusted(-slack, -slack, slack, slack).contains(ink);
    TextMask& m = cache[next++ % cache.size()];
    m = {text, key, (inkSane ? cell | ink : cell).adjusted(-1, -1, 1, 1), {}, cell.size()};
    m.mask = QImage(m.area.size(), QImage::Format_Alpha8);
    if (m.mask.isNull()) return m;
    m.mask.fill(0);
    QPainter painter(&m.mask);
    painter.setFont(f);
    painter.setPen(QColor(0, 0, 0, 255));
    painter.drawText(-m.area.x(), -m.area.y() + ascent, text);
    return m;
}

} // namespace

// From the kept masks as well: the cursors' names are measured with every frame.
QSize IndexedImage::textSize(const QString& text, const QFont& font) {
    return textMask(text, font).cell;
}

void IndexedImage::drawText(int x, int y, const QString& text, const QFont& font,
                            std::uint8_t index) {
    if (text.isEmpty()) return;
    const TextMask& m = textMask(text, font);
    if (m.mask.isNull()) return;
    const QRect area = m.area.translated(x, y) & rect();
    if (area.isEmpty()) return;
    const int mx = area.x() - x - m.area.x(), my = area.y() - y - m.area.y();
    for (int r = 0; r < area.height(); ++r) {
        const uchar* coverage = m.mask.constScanLine(my + r) + mx;
        std::uint8_t* p = row(area.y() + r) + area.x();
        for (int c = 0; c < area.width(); ++c)
            if (coverage[c] >= 128) p[c] = index;
    }
}

void IndexedImage::setPalette(const Palette& palette) {
    colorTable_ = palette.colorTable();
    for (int i = 0; i < Palette::Size; ++i)
        lookup_[static_cast<std::size_t>(i)] = palette.rgb(i);
}

QImage IndexedImage::indexed8() const {
    if (width_ == 0 || height_ == 0) return {};
    QImage image(bytes_.data(), width_, height_, stride_, QImage::Format_Indexed8);
    image.setColorTable(colorTable_);
    return image;
}

namespace {

// The formats whose pixels are QRgb words, as the colour table's entries.
bool holdsQRgb(const QImage& image) {
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return true;
    default:
        return false;
    }
}

// The comparing expansion waits on reading the canvas back, which the hardware does not fetch
// ahead of tile-sized reads by itself.
inline void prefetch(const void* p) {
#if defined(__GNUC__)
    __builtin_prefetch(p);
#endif
}

// Whether any of eight pixels differs from one colour: one vector compare where there is one.
inline bool anyOfEightDiffers(const QRgb* dest, QRgb colour) {
#if defined(__SSE2__)
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    const __m128i x =
        _mm_or_si128(_mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(dest)), c),
                     _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(dest + 4)), c));
    return _mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_setzero_si128())) != 0xFFFF;
#else
    QRgb d = 0;
    for (int j = 0; j < 8; ++j)
        d |= dest[j] ^ colour;
    return d != 0;
#endif
}

// Writes the colours of n palette indices. Most of every image is one index (background):
// eight equal bytes take one lookup and one vector store instead of eight of each. Compare
// leaves such eight unwritten where they already show their colour and returns non-zero when
// any pixel differed.
template <bool Compare>
QRgb expandRun(const std::uint8_t* source, QRgb* dest, int n, const QRgb* lookup) {
    QRgb diff = 0;
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        std::uint64_t block;
        std::memcpy(&block, source + k, sizeof block);
        if (block == source[k] * 0x0101010101010101ULL) {
            const QRgb colour = lookup[source[k]];
            QRgb d = 0;
            if constexpr (Compare) d = anyOfEightDiffers(dest + k, colour);
            if (!Compare || d)
                for (int j = 0; j < 8; ++j)
                    dest[k + j] = colour;
            diff |= d;
        } else {
            for (int j = 0; j < 8; ++j) {
                const QRgb colour = lookup[source[k + j]];
                if constexpr (Compare) diff |= dest[k + j] ^ colour;
                dest[k + j] = colour;
            }
        }
    }
    for (; k < n; ++k) {
        const QRgb colour = lookup[source[k]];
        if constexpr (Compare) diff |= dest[k] ^ colour;
        dest[k] = colour;
    }
    return diff;
}

} // namespace

bool IndexedImage::expandInto(QImage& target, int x, int y, QRect source) const {
    if (!holdsQRgb(target)) return false;
    const QRect area = (source & rect()).translated(x, y) & target.rect();
    if (area.isEmpty()) return true;
    // One detach check for the whole copy instead of one per scanLine() call.
    uchar* base = target.bits();
    const qsizetype targetStride = target.bytesPerLine();
    const int sx = area.x() - x, width = area.width();
    const QRgb* lookup = lookup_.data();
    for (int r = 0; r < area.height(); ++r) {
        const std::uint8_t* source = row(area.y() - y + r) + sx;
        auto* dest = reinterpret_cast<QRgb*>(base + (area.y() + r) * targetStride) + area.x();
        expandRun<false>(source, dest, width, lookup);
    }
    return true;
}

std::vector<QRect> IndexedImage::expandChangedInto(QImage& target, int x, int y, int tileWidth,
                                                   int tileHeight) const {
    if (!holdsQRgb(target)) return {};
    const QRect area = rect().translated(x, y) & target.rect();
    if (area.isEmpty()) return {};
    tileWidth = std::max(tileWidth, 1);
    tileHeight = std::max(tileHeight, 1);
    const int columns = (width_ + tileWidth - 1) / tileWidth;
    const int tileRows = (height_ + tileHeight - 1) / tileHeight;
    std::vector<std::uint8_t> differs(static_cast<std::size_t>(columns) * tileRows, 0);
    uchar* base = target.bits();
    const qsizetype targetStride = target.bytesPerLine();
    const QRgb* lookup = lookup_.data();
    const int left = area.x() - x, right = area.right() + 1 - x;
    for (int sy = area.y() - y; sy < area.bottom() + 1 - y; ++sy) {
        const std::uint8_t* source = row(sy);
        auto* dest = reinterpret_cast<QRgb*>(base + (sy + y) * targetStride) + x;
        std::uint8_t* flags = differs.data() + static_cast<std::size_t>(sy / tileHeight) * columns;
        for (int c = left / tileWidth; c * tileWidth < right; ++c) {
            const int from = std::max(c * tileWidth, left), to = std::min(from + tileWidth, right);
            // Two kilobytes ahead; the window's 32-pixel tiles are two cache lines (a loop
            // over the tile's lines measured slower).
            prefetch(dest + from + 512);
            prefetch(dest + from + 528);
            const QRgb diff = expandRun<true>(source + from, dest + from, to - from, lookup);
            if (diff) flags[c] = 1;
        }
    }
    std::vector<QRect> tiles;
    for (int c = 0; c < columns; ++c)
        for (int t = 0; t < tileRows;) {
            if (!differs[static_cast<std::size_t>(t) * columns + c]) {
                ++t;
                continue;
            }
            const int first = t;
            while (t < tileRows && differs[static_cast<std::size_t>(t) * columns + c])
                ++t;
            tiles.push_back(
                QRect(c * tileWidth, first * tileHeight, tileWidth, (t - first) * tileHeight) &
                rect());
        }
    return tiles;
}

QImage IndexedImage::toRgb32() const {
    QImage image(width_, height_, QImage::Format_RGB32);
    if (!image.isNull()) expandInto(image, 0, 0);
    return image;
}

} // namespace kurvimat::display
