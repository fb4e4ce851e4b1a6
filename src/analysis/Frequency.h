// The frequency of a periodic signal between the time cursors, from the times it crosses the
// middle of its range. The hysteresis comes from the values' distribution, not from the steps
// between neighbours, which for a coarsely sampled sine or a pulse are the signal itself.
#pragma once

#include <optional>

namespace kurvimat::analysis {

/// Frequency in Hz of the points (times ascending) or nothing.
///
/// The middle lies half way between a low and a high level, the 2nd and the 98th percentile of
/// the values (a pulse of 5 % duty still reaches both). A crossing counts when the signal,
/// having passed the middle, leaves a band of half the span between the levels on the other
/// side: noise on a level or on a slope does not count. Its time is interpolated between the
/// points around the middle; a sine sampled with fewer than about a dozen points per period
/// gets it from the sine through the points around the crossing instead, a straight line
/// cutting its curve too early or too late.
///
/// The rising crossings lie on a straight line over their count, the falling ones on a
/// parallel one; the common slope is the period. Crossings far off those lines (noise, or no
/// period at all) give nothing, as do fewer than three crossings (one full period). `lo`,
/// `hi`: the least and the greatest value.
std::optional<double> PeriodicFrequency(const float* t, const float* v, int count, float lo,
                                        float hi);

} // namespace kurvimat::analysis
