// Measurements on the stored points: values between points, statistics over a time span,
// the least-squares slope and the frequency from mean crossings. Pure functions over the
// store's float arrays. Sweeps store ascending times; loaded texts may run backwards or out of
// order, so every span is chosen by the points' times, never by their places.
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
    std::optional<double> Slope;     ///< least-squares line, value per second; needs two times
    std::optional<double> Frequency; ///< Hz, see PeriodicFrequency
    /// Area under the curve from t1 to t2, value times seconds: trapezoids over the stored
    /// points, with the ends interpolated where the cursors lie between points. Nothing
    /// without two points of the curve in the span.
    std::optional<double> Integral;
    double PeakPeak() const { return Max - Min; }
};
SpanStatistics StatisticsOver(const PointSeries& s, double t1, double t2);

/// The stored point nearest to time t, or -1 when t lies more than `tolerance` outside the
/// points' time range (or there are none).
int NearestInTime(const PointSeries& s, double t, double tolerance);

} // namespace kurvimat::analysis
