#include "Measure.h"

#include <algorithm>
#include <cmath>
#include <numeric>

TimeBounds BoundsOf(double t1, double t2) {
    if (t2 < t1) std::swap(t1, t2);
    return {static_cast<float>(t1), static_cast<float>(t2)};
}

bool TimesAscend(const PointSeries& s) {
    // Counted rather than searched: the loop vectorises, and sweeps, which ascend, run to the
    // end anyway.
    int falls = 0;
    for (int i = 1; i < s.Count; ++i)
        falls += !(s.T[i] >= s.T[i - 1]); // a NaN time counts as out of order
    return falls == 0;
}

PointSeries SelectSpan(const PointSeries& s, double t1, double t2, SpanBuffer& buffer) {
    if (s.Count <= 0 || !s.T || !s.V) return {};
    const TimeBounds b = BoundsOf(t1, t2);
    if (TimesAscend(s)) {
        const float* end = s.T + s.Count;
        const float* first = std::lower_bound(s.T, end, b.Lo);
        const float* last = std::upper_bound(first, end, b.Hi);
        const auto at = static_cast<int>(first - s.T);
        return {first, s.V + at, static_cast<int>(last - first)};
    }
    std::vector<int> order;
    for (int i = 0; i < s.Count; ++i)
        if (b.contains(s.T[i])) order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](int i, int j) { return s.T[i] < s.T[j]; });
    buffer.T.resize(order.size());
    buffer.V.resize(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        buffer.T[k] = s.T[order[k]];
        buffer.V[k] = s.V[order[k]];
    }
    return {buffer.T.data(), buffer.V.data(), static_cast<int>(order.size())};
}

std::optional<double> InterpolateAt(const PointSeries& s, double t) {
    if (s.Count <= 0 || !(t >= s.T[0]) || !(t <= s.T[s.Count - 1])) return std::nullopt;
    const float* end = s.T + s.Count;
    const int j = static_cast<int>(std::upper_bound(s.T, end, t) - s.T);
    if (j >= s.Count) return s.V[s.Count - 1];
    const int i = j - 1; // T[i] <= t < T[j]
    const double t0 = s.T[i], t1 = s.T[j];
    return s.V[i] + (s.V[j] - static_cast<double>(s.V[i])) * (t - t0) / (t1 - t0);
}

IndexSpan PointsBetween(const PointSeries& s, double t1, double t2) {
    if (s.Count <= 0) return {};
    if (t2 < t1) std::swap(t1, t2);
    const float* end = s.T + s.Count;
    const auto first = std::lower_bound(s.T, end, t1, [](float a, double b) { return a < b; });
    const auto last = std::upper_bound(first, end, t2, [](double a, float b) { return a < b; });
    return {static_cast<int>(first - s.T), static_cast<int>(last - s.T)};
}

std::optional<double> LeastSquaresSlope(const float* t, const float* v, int count) {
    if (count < 2) return std::nullopt;
    // Centred sums: times of a long recording are large against their spacing.
    double mt = 0, mv = 0;
    for (int i = 0; i < count; ++i) {
        mt += t[i];
        mv += v[i];
    }
    mt /= count;
    mv /= count;
    double stt = 0, stv = 0;
    for (int i = 0; i < count; ++i) {
        const double dt = t[i] - mt;
        stt += dt * dt;
        stv += dt * (v[i] - mv);
    }
    if (!(stt > 0)) return std::nullopt;
    return stv / stt;
}

std::optional<double> MeanCrossingFrequency(const float* t, const float* v, int count, double mean,
                                            double peakPeak) {
    if (!(peakPeak > 0) || count < 2) return std::nullopt;
    // Noise from the steps between neighbours (a smooth curve barely steps): the band is
    // at least three noise deviations wide on each side, so pure noise counts no crossings.
    double steps = 0;
    for (int i = 1; i < count; ++i) {
        const double d = static_cast<double>(v[i]) - v[i - 1];
        steps += d * d;
    }
    const double noise = std::sqrt(steps / (2.0 * (count - 1)));
    const double half = std::max(peakPeak / 20, 3 * noise);
    const double low = mean - half, high = mean + half;
    int state = 0;  // -1 below the band, +1 above, 0 not yet known
    int cross = -1; // last pass through the mean since leaving the band: points cross, cross + 1
    // Times of the first two and the last two crossings, and how many there were.
    double c[4] = {};
    int n = 0;
    for (int i = 0; i < count; ++i) {
        // Only passes towards the other side: a dip and return within the band is no crossing.
        if (i > 0 && ((state < 0 && v[i - 1] < mean && v[i] >= mean) ||
                      (state > 0 && v[i - 1] >= mean && v[i] < mean)))
            cross = i - 1;
        const int side = v[i] < low ? -1 : v[i] > high ? 1 : 0;
        if (side == 0 || side == state) continue;
        if (state != 0 && cross >= 0) {
            const double v0 = v[cross], v1 = v[cross + 1];
            const double at = t[cross] + (mean - v0) * (t[cross + 1] - t[cross]) / (v1 - v0);
            if (n < 2) {
                c[n] = at;
            } else {
                c[2] = n == 2 ? at : c[3];
                c[3] = at;
            }
            ++n;
        }
        state = side;
        cross = -1;
    }
    if (n < 3) return std::nullopt;
    const double lastTwo = n == 3 ? c[2] + c[1] : c[2] + c[3];
    // Mean of the full periods between crossings of the same direction: a pulse with an
    // uneven duty cycle has unequal half periods.
    const double periods = lastTwo - c[0] - c[1];
    if (!(periods > 0)) return std::nullopt;
    return (n - 2) / periods;
}

SpanStatistics StatisticsOver(const PointSeries& s, double t1, double t2) {
    SpanStatistics r;
    const IndexSpan span = PointsBetween(s, t1, t2);
    r.Count = span.Count();
    if (r.Count <= 0) return r;
    const float* t = s.T + span.First;
    const float* v = s.V + span.First;
    float lo = v[0], hi = v[0];
    double sum = 0, squares = 0;
    for (int i = 0; i < r.Count; ++i) {
        lo = std::min(lo, v[i]);
        hi = std::max(hi, v[i]);
        sum += v[i];
        squares += static_cast<double>(v[i]) * v[i];
    }
    r.Min = lo;
    r.Max = hi;
    r.Mean = sum / r.Count;
    r.Rms = std::sqrt(squares / r.Count);
    r.Slope = LeastSquaresSlope(t, v, r.Count);
    r.Frequency = MeanCrossingFrequency(t, v, r.Count, r.Mean, r.PeakPeak());
    return r;
}

int NearestInTime(const PointSeries& s, double t, double tolerance) {
    if (s.Count <= 0 || !(t >= s.T[0] - tolerance) || !(t <= s.T[s.Count - 1] + tolerance))
        return -1;
    const float* end = s.T + s.Count;
    const int j = static_cast<int>(
        std::lower_bound(s.T, end, t, [](float a, double b) { return a < b; }) - s.T);
    if (j == 0) return 0;
    if (j >= s.Count) return s.Count - 1;
    return (t - s.T[j - 1] <= s.T[j] - t) ? j - 1 : j;
}
