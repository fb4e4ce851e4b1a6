#include "Palette.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace kurvimat::display;

namespace {

struct ColourCase {
    const char* name;
    int index;
    int r, g, b;
};

// red = high nibble, blue = low nibble, green = their AND; each as 165 * n / 10.
const ColourCase kColours[] = {
    {"black", 0x00, 0, 0, 0},
    {"blue A core", 0x0F, 0, 0, 247},
    {"red B core", 0xF0, 247, 0, 0},
    {"background", 0xFF, 247, 247, 247},
    {"mixed nibbles 0x5A", 0x5A, 82, 0, 165},
    {"green only where both nibbles share bits 0xA5", 0xA5, 165, 0, 82},
    {"shared bit 0x37", 0x37, 49, 49, 115},
};

TEST(Palette, EntriesFollowTheNibbleRule) {
    const Palette palette;
    for (const ColourCase& c : kColours) {
        SCOPED_TRACE(c.name);
        const QRgb rgb = palette.rgb(c.index);
        EXPECT_EQ(qRed(rgb), c.r);
        EXPECT_EQ(qGreen(rgb), c.g);
        EXPECT_EQ(qBlue(rgb), c.b);
        EXPECT_EQ(qAlpha(rgb), 255) << "an Indexed8 or RGB32 image needs opaque entries";
    }
}

TEST(Palette, EntriesAreBlueGreenRedReservedBytes) {
    const Palette palette;
    ASSERT_EQ(sizeof(Palette::Entry), 4u);
    for (int i : {0x00, 0x0F, 0xF0, 0xFF, 0x5A, 0xA5}) {
        SCOPED_TRACE(i);
        unsigned char bytes[4];
        std::memcpy(bytes, &palette.entries()[static_cast<std::size_t>(i)], 4);
        const QRgb rgb = palette.rgb(i);
        EXPECT_EQ(bytes[0], qBlue(rgb));
        EXPECT_EQ(bytes[1], qGreen(rgb));
        EXPECT_EQ(bytes[2], qRed(rgb));
        EXPECT_EQ(bytes[3], 0);
    }
    EXPECT_EQ(palette.colorTable().size(), 256);
}

TEST(Palette, NamedMasksGiveTheirColoursOnTheBackground) {
    struct MaskCase {
        const char* name;
        std::uint8_t mask;
        int r, g, b;
    };
    const MaskCase cases[] = {
        {"strip A core", PaletteMask::StripA.Core, 0, 0, 247},
        {"strip A halo", PaletteMask::StripA.Halo, 214, 214, 247},
        {"strip B core", PaletteMask::StripB.Core, 247, 0, 0},
        {"strip B halo", PaletteMask::StripB.Halo, 247, 214, 214},
        {"history A", PaletteMask::HistoryA.Core, 132, 132, 247},
        {"history A halo", PaletteMask::HistoryA.Halo, 231, 231, 247},
        {"history B", PaletteMask::HistoryB.Core, 247, 132, 132},
        {"history B halo", PaletteMask::HistoryB.Halo, 247, 231, 231},
        {"live A", PaletteMask::LiveA.Core, 0, 0, 247},
        {"live A halo", PaletteMask::LiveA.Halo, 165, 165, 247},
        {"live B", PaletteMask::LiveB.Core, 247, 0, 0},
        {"live B halo", PaletteMask::LiveB.Halo, 247, 165, 165},
        {"snapshot A", PaletteMask::SnapshotA.Core, 214, 214, 247},
        {"snapshot A halo", PaletteMask::SnapshotA.Halo, 231, 231, 247},
        {"snapshot B", PaletteMask::SnapshotB.Core, 247, 214, 214},
        {"snapshot B halo", PaletteMask::SnapshotB.Halo, 247, 231, 231},
        {"grid left", PaletteMask::GridLeft, 231, 231, 247},
        {"grid right", PaletteMask::GridRight, 247, 231, 231},
        {"grid time", PaletteMask::GridBottomTime, 231, 231, 231},
        {"grid B as x", PaletteMask::GridBottomBAsX, 247, 231, 231},
        {"grid A as x", PaletteMask::GridBottomAAsX, 231, 231, 247},
        {"zero left", PaletteMask::ZeroLineLeft, 165, 165, 247},
        {"zero right", PaletteMask::ZeroLineRight, 247, 165, 165},
        {"differential zero", PaletteIndex::DifferentialZeroLine, 214, 214, 247},
    };
    const Palette palette;
    for (const MaskCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QRgb rgb = palette.rgb(PaletteIndex::Background & c.mask);
        EXPECT_EQ(qRgb(qRed(rgb), qGreen(rgb), qBlue(rgb)), qRgb(c.r, c.g, c.b));
    }
}

// A shown run must be told from everything else the plot draws, and from the other runs: its
// colour is none of theirs, and clearly darker than the background in at least one primary.
TEST(Palette, RunColoursAreTheirOwn) {
    const std::uint8_t others[] = {
        PaletteMask::LiveA.Core,     PaletteMask::LiveA.Halo,     PaletteMask::LiveB.Core,
        PaletteMask::LiveB.Halo,     PaletteMask::SnapshotA.Core, PaletteMask::SnapshotA.Halo,
        PaletteMask::SnapshotB.Core, PaletteMask::SnapshotB.Halo, PaletteMask::FitA,
        PaletteMask::FitB,           PaletteMask::CursorTime,     PaletteMask::CursorValueA,
        PaletteMask::CursorValueB,   PaletteMask::ZeroLineLeft,   PaletteMask::ZeroLineRight,
        PaletteMask::GridLeft,       PaletteMask::GridRight,      PaletteMask::GridBottomTime,
        PaletteIndex::Black,         PaletteIndex::CursorLabel,   PaletteIndex::Caption};
    const Palette palette;
    const auto rgb = [&](std::uint8_t mask) {
        return palette.rgb(PaletteIndex::Background & mask);
    };
    for (std::size_t i = 0; i < PaletteMask::Runs.size(); ++i) {
        SCOPED_TRACE(i);
        const QRgb c = rgb(PaletteMask::Run(i));
        for (const std::uint8_t other : others)
            EXPECT_NE(c, rgb(other)) << int(other);
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_NE(c, rgb(PaletteMask::Run(j)));
        EXPECT_LE(std::min({qRed(c), qGreen(c), qBlue(c)}), 150);
        EXPECT_EQ(PaletteMask::Run(i + PaletteMask::Runs.size()), PaletteMask::Run(i));
    }
    // A further column of the data likewise, and none is a run's; its halo and its fit are
    // made as the channels' are.
    EXPECT_EQ(PaletteMask::HaloOf(PaletteMask::LiveA.Core), PaletteMask::LiveA.Halo);
    EXPECT_EQ(PaletteMask::HaloOf(PaletteMask::LiveB.Core), PaletteMask::LiveB.Halo);
    for (std::size_t i = 0; i < PaletteMask::Further.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "column " << i);
        const PointMasks m = PaletteMask::FurtherColumn(i);
        const QRgb c = rgb(m.Core);
        for (const std::uint8_t other : others)
            EXPECT_NE(c, rgb(other)) << int(other);
        for (std::size_t j = 0; j < PaletteMask::Runs.size(); ++j)
            EXPECT_NE(c, rgb(PaletteMask::Run(j)));
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_NE(c, rgb(PaletteMask::FurtherColumn(j).Core));
        EXPECT_LE(0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c), 150)
            << "dark enough to read on the background";
        const QRgb halo = rgb(m.Halo);
        EXPECT_TRUE(qRed(halo) >= qRed(c) && qGreen(halo) >= qGreen(c) && qBlue(halo) >= qBlue(c))
            << "the halo is lighter than the core";
        const QRgb fit = rgb(PaletteMask::FurtherFit(i));
        EXPECT_NE(fit, c);
        EXPECT_TRUE(qRed(fit) <= qRed(c) && qGreen(fit) <= qGreen(c) && qBlue(fit) <= qBlue(c))
            << "the fit is darker than its column";
        EXPECT_EQ(PaletteMask::FurtherColumn(i + PaletteMask::Further.size()), m);
    }
}

TEST(Palette, NearestIndexFindsEveryEntryAndTheCaptionGrey) {
    const Palette palette;
    for (int i = 0; i < Palette::Size; ++i)
        ASSERT_EQ(Palette::nearestIndex(palette.rgb(i)), i) << "entry " << i;

    struct NearCase {
        const char* name;
        std::uint8_t index;
        int r, g, b;
    };
    // The nearest grey to 128 is 132; 175 lies nearer to 181 than to 165.
    const NearCase cases[] = {
        {"caption", PaletteIndex::Caption, 132, 132, 132},
        {"zoom box", PaletteIndex::ZoomBox, 132, 132, 132},
        {"legend A", PaletteIndex::SnapshotLegendA, 181, 181, 247},
        {"legend B", PaletteIndex::SnapshotLegendB, 247, 181, 181},
        {"channel A", PaletteIndex::ChannelA, 0, 0, 247},
        {"channel B", PaletteIndex::ChannelB, 247, 0, 0},
    };
    for (const NearCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(palette.rgb(c.index), qRgb(c.r, c.g, c.b));
    }
}

} // namespace
