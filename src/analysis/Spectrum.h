// The amplitude spectrum of stored points ("Spektrum"): GSL's mixed-radix real FFT over the
// points of a time span, mean removed, windowed, scaled so that a sine of amplitude A shows a
// peak of height A in the channel's own unit.
#pragma once

#include "Measure.h"

#include <limits>
#include <optional>
#include <vector>

namespace kurvimat::analysis {

enum class SpectrumWindow {
    Hann,        ///< the default: leakage falls off fast, peaks stay apart
    Rectangular, ///< no window: the narrowest peaks, for signals periodic in the span
};

struct SpectrumOptions {
    SpectrumWindow Window = SpectrumWindow::Hann;
    /// The span of times; the default takes every point (the whole sweep). Either order.
    double T1 = -std::numeric_limits<double>::infinity();
    double T2 = std::numeric_limits<double>::infinity();
};

/// A peak between bins: where a parabola through the highest bin and its neighbours (on a
/// logarithmic scale for the Hann window) has its top, its height corrected by the window's
/// response at that distance from the bin.
struct SpectrumPeak {
    double Frequency = 0; ///< Hz
    double Amplitude = 0; ///< the channel's unit: the amplitude of a sine at that frequency
    int Bin = 0;          ///< the highest bin of the peak
};

struct SpectrumResult {
    /// Amplitude of bin k at frequency k·BinWidth, k = 0 .. up to half the sampling rate.
    /// The mean is removed before the window: bin 0 holds only what leaks into it.
    std::vector<double> Amplitude;
    double BinWidth = 0;   ///< Hz
    double SampleRate = 0; ///< Hz, from the mean step of the points' times
    int PointCount = 0;    ///< points the spectrum was computed from (of the grid, resampled)
    bool Resampled = false; ///< uneven steps: values were interpolated onto an even grid
    SpectrumWindow Window = SpectrumWindow::Hann;
    std::optional<SpectrumPeak> Peak; ///< the highest peak (none when the signal is flat)

    double frequency(int bin) const { return bin * BinWidth; }
    double nyquistFrequency() const { return SampleRate / 2; }
};

/// The spectrum of the points of `series` whose times lie in the options' span, selected by
/// their times whatever their order (as the readout does). Needs four points with distinct
/// times; otherwise the result has no bins.
SpectrumResult ComputeSpectrum(const PointSeries& series, const SpectrumOptions& options = {});

/// Up to `count` peaks (local maxima of the bins, interpolated as Peak is), highest first,
/// each at least `minRelative` of the highest. For two tones or a string's overtones.
std::vector<SpectrumPeak> SpectrumPeaks(const SpectrumResult& spectrum, int count,
                                        double minRelative = 0.01);

/// The peak nearest to frequency f: the local maximum within `bins` bins of it, interpolated;
/// none when the spectrum is empty. For a cursor that snaps to a peak.
std::optional<SpectrumPeak> PeakNear(const SpectrumResult& spectrum, double f, int bins = 3);

} // namespace kurvimat::analysis
