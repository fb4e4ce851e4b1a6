// What the plot shows: the stored points over time, one channel over the other, or a point set
// of their own (the spectrum, quantities over a quantity). The session keeps the choice; the
// display, the cursors and the fits read it.
#pragma once

namespace kurvimat::analysis {

// The numbers are stored in journals as the time plot's mode (0 to 2): keep them.
enum class PlotMode {
    Normal,   ///< time below, A left, B right
    BAsX,     ///< B below, A left, right strip empty ("Kanal B als x")
    AAsX,     ///< A below, B right, left strip empty ("Kanal A als x")
    Spectrum, ///< the amplitudes over the frequency ("Spektrum"), on scales of its own
    Quantities, ///< chosen quantities over another one (T² over l), on scales of their own
};

/// A channel's values run along x; otherwise the points' own x does (time, frequency).
constexpr bool ChannelAsX(PlotMode mode) {
    return mode == PlotMode::BAsX || mode == PlotMode::AAsX;
}

/// A mode that computes a point set and keeps scales of its own; the stored points' cursors,
/// fit and ranges wait for the way back meanwhile.
constexpr bool OwnPoints(PlotMode mode) {
    return mode == PlotMode::Spectrum || mode == PlotMode::Quantities;
}

/// The time plot's mode beneath `mode`: the one the cursors, a fit and the stored points'
/// strips are placed in. A mode of its own points leaves the time plot as the time.
constexpr PlotMode TimePlotMode(PlotMode mode) {
    return OwnPoints(mode) ? PlotMode::Normal : mode;
}

} // namespace kurvimat::analysis
