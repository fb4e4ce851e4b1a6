// Measurements on the stored points: values between points, statistics over a time span,
// the least-squares slope, the frequency from mean crossings and the tangent at a time. Pure
// functions over the store's float arrays. Sweeps store ascending times; loaded texts may run
// backwards or out of order, so every span is chosen by the points' times, never by their places.
#pragma once

#include <optional>
#include <vector>

namespace kurvimat::analysis {

/// One set of stored points (the data or the snapshot), borrowed.
struct PointSeries {
    const float* T = nullptr;
    const float* V = nullptr;
    int Count = 0;
};

/// A span's bounds as stored times meet them: compared in single precision, so that a span
/// ending at 2.7 includes the point stored as 2.7f. Every span computation chooses its points
/// with this test.
struct TimeBounds {
    float Lo = 0, Hi = 0;
    bool contains(float t) const { return t >= Lo && t <= Hi; }
};
/// Either order of t1, t2.
TimeBounds BoundsOf(double t1, double t2);

/// Whether the times never decrease.
bool TimesAscend(const PointSeries& s);

/// Room for the points of a span of a series whose times do not ascend.
struct SpanBuffer {
    std::vector<float> T, V;
};

/// The points whose times lie in [t1, t2] (either order), in ascending time: a view into `s`
/// when its times ascend, else sorted copies in `buffer` (equal times keep their order).
PointSeries SelectSpan(const PointSeries& s, double t1, double t2, SpanBuffer& buffer);

/// The value at time t, linear between the stored points nearest before and after it in
/// time; nothing outside the points' time range (an exact hit on a single point gives that
/// point).
std::optional<double> InterpolateAt(const PointSeries& s, double t);

/// Statistics of the points with t1 <= T <= t2 (either order of t1, t2).
struct SpanStatistics {
    std::optional<double> At1, At2; ///< the values at t1 and t2, as InterpolateAt gives them
    int Count = 0;
    double Min = 0, Max = 0;
    double Mean = 0;
    double Rms = 0;                  ///< root of the mean square of the values
    /// Sample standard deviation, n - 1 in the denominator (numpy.std with ddof=1); needs two
    /// points.
    std::optional<double> StdDev;
    std::optional<double> Slope;     ///< least-squares line, value per second; needs two times
    std::optional<double> Frequency; ///< Hz, see PeriodicFrequency
    /// Area under the curve from t1 to t2, value times seconds: trapezoids over the stored
    /// points, with the ends interpolated where the cursors lie between points. Nothing
    /// without two points of the curve in the span.
    std::optional<double> Integral;
    double PeakPeak() const { return Max - Min; }
};
SpanStatistics StatisticsOver(const PointSeries& s, double t1, double t2);

/// The tangent's parabola is fitted to this many points: a sine sampled with 100 points per
/// period bends so little across them that its slope reads about 1 % low (5 % at 50 points),
/// while noise on the points averages over eleven.
inline constexpr int TangentPoints = 11;

/// The tangent of the curve at time t: a parabola in (T - t) fitted by least squares to the
/// TangentPoints points nearest to t in time (of those with a finite value; all there are when
/// fewer). A parabola rather than a line: where the points lie unevenly about t (near the ends
/// of the curve, or t between two points) it follows the curve's bend instead of leaning with
/// it.
struct Tangent {
    double Value = 0;       ///< the parabola at t
    double Slope = 0;       ///< value per second
    double Uncertainty = 0; ///< standard uncertainty of the slope, from the points' scatter
                            ///< about the parabola (its covariance scaled by chi^2 / (n - 3))
};
/// Nothing outside the points' time range, nor with fewer than four points or three times.
std::optional<Tangent> TangentAt(const PointSeries& s, double t);

/// The stored point nearest to time t, or -1 when t lies more than `tolerance` outside the
/// points' time range (or there are none).
int NearestInTime(const PointSeries& s, double t, double tolerance);

} // namespace kurvimat::analysis
