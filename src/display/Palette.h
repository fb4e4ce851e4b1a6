#pragma once

#include <QList>
#include <QRgb>

#include <array>
#include <cstdint>

namespace kurvimat::display {

/// The 256-entry colour table shared by the raw strip, the mean strip and the plot image.
///
/// A pixel value v carries two 4-bit intensities: v / 16 is red, v % 16 is blue and
/// (v / 16) & (v % 16) is green. Drawing clears bits (AND with a mask), so channel A (clears
/// the high nibble) tends to blue, channel B (clears the low nibble) to red, overlaps to black.
class Palette {
public:
    /// One entry as a device-independent colour table stores it, byte by byte.
    struct Entry {
        std::uint8_t Blue;
        std::uint8_t Green;
        std::uint8_t Red;
        std::uint8_t Reserved;
    };

    Palette();

    static constexpr int Size = 256;

    /// 0, 16, 33, ... 247 for nibble 0 ... 15.
    static constexpr int intensity(int nibble) { return nibble * 165 / 10; }
    static constexpr int red(int index) { return intensity(index / 16); }
    static constexpr int green(int index) { return intensity((index / 16) & (index % 16)); }
    static constexpr int blue(int index) { return intensity(index % 16); }

    /// Palette index whose colour lies nearest (Euclidean in RGB) to the given colour; the lower
    /// index wins a tie.
    static constexpr std::uint8_t nearestIndex(int r, int g, int b) {
        int best = 0;
        int bestDistance = -1;
        for (int i = 0; i < Size; ++i) {
            const int dr = red(i) - r, dg = green(i) - g, db = blue(i) - b;
            const int distance = dr * dr + dg * dg + db * db;
            if (bestDistance < 0 || distance < bestDistance) {
                best = i;
                bestDistance = distance;
            }
        }
        return static_cast<std::uint8_t>(best);
    }
    static std::uint8_t nearestIndex(QRgb colour) {
        return nearestIndex(qRed(colour), qGreen(colour), qBlue(colour));
    }

    const std::array<Entry, Size>& entries() const { return entries_; }
    /// Opaque colour of an entry (alpha 255), as QImage and RGB32 pixels need it.
    QRgb rgb(int index) const { return rgb_[static_cast<std::uint8_t>(index)]; }
    /// The table as QImage::setColorTable takes it.
    const QList<QRgb>& colorTable() const { return rgb_; }

private:
    std::array<Entry, Size> entries_{};
    QList<QRgb> rgb_;
};

/// Palette indices written (not ANDed) as plain colours.
namespace PaletteIndex {
inline constexpr std::uint8_t Background = 0xFF; ///< (247, 247, 247)
inline constexpr std::uint8_t Black = 0x00;
inline constexpr std::uint8_t ChannelA = 0x0F; ///< (0, 0, 247), trigger marker of channel A
inline constexpr std::uint8_t ChannelB = 0xF0; ///< (247, 0, 0), trigger marker of channel B
/// Strip captions are drawn in (128, 128, 128).
inline constexpr std::uint8_t Caption = Palette::nearestIndex(128, 128, 128);
/// Dotted frame of the zoom box, (131, 131, 131).
inline constexpr std::uint8_t ZoomBox = Palette::nearestIndex(131, 131, 131);
/// Legends of a snapshot whose definitions differ from the live data.
inline constexpr std::uint8_t SnapshotLegendA = Palette::nearestIndex(175, 175, 247);
inline constexpr std::uint8_t SnapshotLegendB = Palette::nearestIndex(247, 175, 175);
/// Mid-range line of the strips in differential mode (written, not ANDed).
inline constexpr std::uint8_t DifferentialZeroLine = 0xDF;
/// Names of the measuring cursors beside their lines.
inline constexpr std::uint8_t CursorLabel = Palette::nearestIndex(82, 82, 82);
/// Readout of a fitted curve, in the colour of its curve.
inline constexpr std::uint8_t FitTextA = 0x09; ///< (0, 0, 148)
inline constexpr std::uint8_t FitTextB = 0x90; ///< (148, 0, 0)
} // namespace PaletteIndex

/// Masks of a point: the core goes into the pixel and its four direct neighbours, the halo
/// into the four diagonal ones.
struct PointMasks {
    std::uint8_t Core;
    std::uint8_t Halo;
    bool operator==(const PointMasks&) const = default;
};

/// AND masks of everything drawn by clearing bits.
namespace PaletteMask {
// Strips
inline constexpr PointMasks StripA{0x0F, 0xDF};
inline constexpr PointMasks StripB{0xF0, 0xFD};
inline constexpr PointMasks HistoryA{0x8F, 0xEF}; ///< pre-trigger history while armed
inline constexpr PointMasks HistoryB{0xF8, 0xFE};
// Plot curves (segments use the core mask)
inline constexpr PointMasks LiveA{0x0F, 0xAF};
inline constexpr PointMasks LiveB{0xF0, 0xFA};
inline constexpr PointMasks SnapshotA{0xDF, 0xEF};
inline constexpr PointMasks SnapshotB{0xFD, 0xFE};
// Plot grid, by strip
inline constexpr std::uint8_t GridLeft = 0xEF;
inline constexpr std::uint8_t GridRight = 0xFE;
inline constexpr std::uint8_t GridBottomTime = 0xEE;
inline constexpr std::uint8_t GridBottomBAsX = 0xFE;
inline constexpr std::uint8_t GridBottomAAsX = 0xEF;
// Plot zero lines
inline constexpr std::uint8_t ZeroLineLeft = 0xAF;
inline constexpr std::uint8_t ZeroLineRight = 0xFA; ///< also the vertical one with B as x
// Measuring cursors: neutral grey for time (or x), tinted by the axis for values, so a curve
// under a cursor keeps its own hue.
inline constexpr std::uint8_t CursorTime = 0x77;
inline constexpr std::uint8_t CursorValueA = 0x7F;
inline constexpr std::uint8_t CursorValueB = 0xF7;
// Fitted curves: a darker shade of the channel's colour, so that the line shows on the
// channel's own points and they show around it; A and B meet in black. They keep the bits the
// cursors clear (0x88): a cursor crossing a fit stays visible, and no cursor over a point of
// the channel (0x07, 0x70) looks like a fit.
inline constexpr std::uint8_t FitA = 0x09;
inline constexpr std::uint8_t FitB = 0x90;
// Shown runs, one colour each in turn (points, segments and legend): hues between the
// channels' blue and red and a grey, none of them a channel's, the snapshot's, a fit's or a
// cursor's. Purple (82, 0, 165), wine (165, 0, 82), charcoal (66, 66, 66), violet
// (99, 66, 198), rose (198, 66, 99), pink (231, 132, 148).
inline constexpr std::array<std::uint8_t, 6> Runs{0x5A, 0xA5, 0x44, 0x6C, 0xC6, 0xE9};
inline constexpr std::uint8_t Run(std::size_t n) { return Runs[n % Runs.size()]; }
// A fit of a shown run: the run's colour at half each intensity, so that it shows on the run's
// own points.
inline constexpr std::uint8_t RunFit(std::uint8_t run) { return (run >> 1) & 0x77; }
// Further columns of the data, one colour each in turn: hues the channels, the snapshot, the
// runs, the fits and the cursors leave free, each dark enough to read on the background.
// Plum (148, 0, 99), brown (99, 33, 49), navy (33, 33, 165), grey (148, 148, 148).
inline constexpr std::array<std::uint8_t, 4> Further{0x96, 0x63, 0x2A, 0x99};
// A further column's point halo: each nibble two thirds of the way to the background, as the
// live channels' halos are.
inline constexpr std::uint8_t HaloOf(std::uint8_t core) {
    const int r = core >> 4, b = core & 0x0F;
    return static_cast<std::uint8_t>(((15 - (15 - r) / 3) << 4) | (15 - (15 - b) / 3));
}
inline constexpr PointMasks FurtherColumn(std::size_t n) {
    const std::uint8_t core = Further[n % Further.size()];
    return {core, HaloOf(core)};
}
// A fit of a further column: its colour at half each intensity, as a run's fit.
inline constexpr std::uint8_t FurtherFit(std::size_t n) {
    return RunFit(Further[n % Further.size()]);
}
} // namespace PaletteMask

} // namespace kurvimat::display
