#include "Measure.h"

#include "Frequency.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kurvimat::analysis {

TimeBounds BoundsOf(double t1, double t2) {
    if (t2 < t1) std::swap(t1, t2);
    return {static_cast<float>(t1), static_cast<float>(t2)};
}

namespace {

// The points of the span, knowing whether the series' times ascend.
PointSeries select(const PointSeries& s, double t1, double t2, SpanBuffer& buffer,
                   bool ascending) {
    if (s.Count <= 0 || !s.T || !s.V) return {};
    const TimeBounds b = BoundsOf(t1, t2);
    if (ascending) {
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

std::optional<double> interpolate(const PointSeries& s, double t, bool ascending) {
    if (s.Count <= 0 || !(t == t)) return std::nullopt;
    int before = -1, after = -1; // the nearest points at or before t, and after it
    if (ascending) {
        const float* end = s.T + s.Count;
        const int j = static_cast<int>(
            std::upper_bound(s.T, end, t, [](double a, float b) { return a < b; }) - s.T);
        before = j - 1;
        after = j < s.Count ? j : -1;
    } else {
        // The last of equal times, as the search above finds it.
        for (int i = 0; i < s.Count; ++i) {
            const float ti = s.T[i];
            if (ti <= t && (before < 0 || ti >= s.T[before])) before = i;
            if (ti > t && (after < 0 || ti < s.T[after])) after = i;
        }
    }
    if (before < 0) return std::nullopt;
    if (after < 0) {
        if (s.T[before] != t) return std::nullopt;
        return s.V[before];
    }
    const double t0 = s.T[before], t1 = s.T[after];
    return s.V[before] + (s.V[after] - static_cast<double>(s.V[before])) * (t - t0) / (t1 - t0);
}

// Sums over the points for mean, RMS, the least-squares slope (times from the first point's,
// which keeps the sums of a long recording's large times exact enough) and the trapezoids.
struct Sums {
    double Sum = 0, Squares = 0, T = 0, TT = 0, TV = 0, Twice = 0;
};

void add(Sums& s, const float* t, const float* v, int i, double origin) {
    const double x = v[i], dt = t[i] - origin;
    s.Sum += x;
    s.Squares += x * x;
    s.T += dt;
    s.TT += dt * dt;
    s.TV += dt * x;
    if (i > 0) s.Twice += (static_cast<double>(t[i]) - t[i - 1]) * (x + v[i - 1]);
}

Sums sums(const float* t, const float* v, int n) {
    Sums total;
    const double origin = t[0];
    int i = 0;
#if defined(__SSE2__)
    // Two points at a time, in double precision.
    const auto load = [](const float* p) {
        return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
    };
    const __m128d o = _mm_set1_pd(origin);
    __m128d sum = _mm_setzero_pd(), squares = sum, st = sum, stt = sum, stv = sum, twice = sum;
    add(total, t, v, 0, origin);
    for (i = 1; i + 2 <= n; i += 2) {
        const __m128d x = load(v + i), before = load(v + i - 1);
        const __m128d time = load(t + i), dt = _mm_sub_pd(time, o);
        sum = _mm_add_pd(sum, x);
        squares = _mm_add_pd(squares, _mm_mul_pd(x, x));
        st = _mm_add_pd(st, dt);
        stt = _mm_add_pd(stt, _mm_mul_pd(dt, dt));
        stv = _mm_add_pd(stv, _mm_mul_pd(dt, x));
        twice = _mm_add_pd(twice, _mm_mul_pd(_mm_sub_pd(time, load(t + i - 1)), _mm_add_pd(x, before)));
    }
    const auto both = [](__m128d a) { return _mm_cvtsd_f64(_mm_add_sd(a, _mm_unpackhi_pd(a, a))); };
    total.Sum += both(sum);
    total.Squares += both(squares);
    total.T += both(st);
    total.TT += both(stt);
    total.TV += both(stv);
    total.Twice += both(twice);
#endif
    for (; i < n; ++i)
        add(total, t, v, i, origin);
    return total;
}

struct Extremes {
    float Lo, Hi;
};

Extremes extremes(const float* v, int n) {
    Extremes e{v[0], v[0]};
    int i = 1;
#if defined(__SSE2__)
    if (n >= 5) {
        __m128 lo = _mm_set1_ps(v[0]), hi = lo;
        for (; i + 4 <= n; i += 4) {
            const __m128 x = _mm_loadu_ps(v + i);
            // A NaN value is passed over: min and max return their second operand then.
            lo = _mm_min_ps(x, lo);
            hi = _mm_max_ps(x, hi);
        }
        float l[4], h[4];
        _mm_storeu_ps(l, lo);
        _mm_storeu_ps(h, hi);
        e = {std::min({l[0], l[1], l[2], l[3]}), std::max({h[0], h[1], h[2], h[3]})};
    }
#endif
    for (; i < n; ++i) {
        e.Lo = std::min(e.Lo, v[i]);
        e.Hi = std::max(e.Hi, v[i]);
    }
    return e;
}

} // namespace

bool TimesAscend(const PointSeries& s) {
    // In blocks, each one vector compare at a time where there is one; a NaN time counts as out
    // of order.
    constexpr int block = 1024;
    for (int from = 1; from < s.Count; from += block) {
        const int to = std::min(s.Count, from + block);
        int i = from;
        bool ascending = true;
#if defined(__SSE2__)
        __m128 falls = _mm_setzero_ps();
        for (; i + 4 <= to; i += 4)
            falls = _mm_or_ps(falls, _mm_cmpnge_ps(_mm_loadu_ps(s.T + i), _mm_loadu_ps(s.T + i - 1)));
        ascending = _mm_movemask_ps(falls) == 0;
#endif
        for (; i < to; ++i)
            ascending &= s.T[i] >= s.T[i - 1];
        if (!ascending) return false;
    }
    return true;
}

PointSeries SelectSpan(const PointSeries& s, double t1, double t2, SpanBuffer& buffer) {
    return select(s, t1, t2, buffer, TimesAscend(s));
}

std::optional<double> InterpolateAt(const PointSeries& s, double t) {
    return interpolate(s, t, TimesAscend(s));
}

SpanStatistics StatisticsOver(const PointSeries& s, double t1, double t2) {
    SpanStatistics r;
    const bool ascending = TimesAscend(s);
    r.At1 = interpolate(s, t1, ascending);
    r.At2 = interpolate(s, t2, ascending);
    const double from = std::min(t1, t2), to = std::max(t1, t2);
    const std::optional<double> atFrom = t1 <= t2 ? r.At1 : r.At2;
    const std::optional<double> atTo = t1 <= t2 ? r.At2 : r.At1;
    SpanBuffer buffer;
    const PointSeries span = select(s, t1, t2, buffer, ascending);
    r.Count = span.Count;
    if (r.Count <= 0) {
        // Both cursors between the same two points: the area of that piece.
        if (atFrom && atTo) r.Integral = (to - from) * (*atFrom + *atTo) / 2;
        return r;
    }
    const float* t = span.T;
    const float* v = span.V;
    const int n = r.Count;
    const auto [lo, hi] = extremes(v, n);
    const Sums sum = sums(t, v, n);
    r.Min = lo;
    r.Max = hi;
    r.Mean = sum.Sum / n;
    r.Rms = std::sqrt(sum.Squares / n);
    if (n >= 2) {
        // About the mean in a second pass: the sum of squares less n mean^2 cancels to noise
        // for a small ripple on a large offset.
        double squares = 0;
        for (int i = 0; i < n; ++i)
            squares += (v[i] - r.Mean) * (v[i] - r.Mean);
        r.StdDev = std::sqrt(squares / (n - 1));
    }
    const double varianceT = sum.TT - sum.T * sum.T / n;
    // Below rounding of the sums: all times (nearly) equal.
    if (n >= 2 && varianceT > 1e-12 * sum.TT) r.Slope = (sum.TV - sum.T * sum.Sum / n) / varianceT;
    r.Frequency = PeriodicFrequency(t, v, n, lo, hi);

    // The ends from the cursors to the first and last point, where the curve reaches them.
    double area = sum.Twice / 2;
    int pieces = n - 1;
    if (atFrom && from < t[0]) {
        area += (t[0] - from) * (*atFrom + v[0]) / 2;
        ++pieces;
    }
    if (atTo && to > t[n - 1]) {
        area += (to - t[n - 1]) * (*atTo + v[n - 1]) / 2;
        ++pieces;
    }
    if (pieces > 0) r.Integral = area;
    return r;
}

std::optional<Tangent> TangentAt(const PointSeries& s, double t) {
    if (s.Count <= 0 || !s.T || !s.V || !(t == t)) return std::nullopt;
    SpanBuffer buffer;
    const PointSeries p =
        TimesAscend(s) ? s : select(s, -INFINITY, INFINITY, buffer, false); // no NaN times
    if (p.Count < 4 || t < p.T[0] || t > p.T[p.Count - 1]) return std::nullopt;

    // The nearest points, growing from t to whichever side the next one is nearer (the earlier
    // one of two as near).
    double u[TangentPoints], y[TangentPoints];
    int n = 0;
    int lo = static_cast<int>(
        std::lower_bound(p.T, p.T + p.Count, t, [](float a, double b) { return a < b; }) - p.T);
    int hi = lo;
    while (n < TangentPoints && (lo > 0 || hi < p.Count)) {
        const bool left = hi >= p.Count || (lo > 0 && t - p.T[lo - 1] <= p.T[hi] - t);
        const int i = left ? --lo : hi++;
        if (!std::isfinite(p.V[i])) continue;
        u[n] = p.T[i] - t;
        y[n] = p.V[i];
        ++n;
    }
    if (n < 4) return std::nullopt;
    // Times in units of the farthest one, which keeps the normal equations well conditioned.
    double h = 0;
    for (int k = 0; k < n; ++k)
        h = std::max(h, std::fabs(u[k]));
    if (!(h > 0)) return std::nullopt;
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0, s4 = 0, b0 = 0, b1 = 0, b2 = 0;
    for (int k = 0; k < n; ++k) {
        u[k] /= h;
        const double x = u[k], xx = x * x;
        s0 += 1;
        s1 += x;
        s2 += xx;
        s3 += xx * x;
        s4 += xx * xx;
        b0 += y[k];
        b1 += x * y[k];
        b2 += xx * y[k];
    }
    // The inverse of the symmetric normal matrix [s0 s1 s2; s1 s2 s3; s2 s3 s4] by cofactors.
    const double c00 = s2 * s4 - s3 * s3, c01 = s2 * s3 - s1 * s4, c02 = s1 * s3 - s2 * s2;
    const double c11 = s0 * s4 - s2 * s2, c12 = s1 * s2 - s0 * s3, c22 = s0 * s2 - s1 * s1;
    const double det = s0 * c00 + s1 * c01 + s2 * c02;
    // Fewer than three distinct times make it singular, up to rounding.
    if (!(det > 1e-9 * s0 * s2 * s4)) return std::nullopt;
    const double a0 = (c00 * b0 + c01 * b1 + c02 * b2) / det;
    const double a1 = (c01 * b0 + c11 * b1 + c12 * b2) / det;
    const double a2 = (c02 * b0 + c12 * b1 + c22 * b2) / det;
    double residuals = 0;
    for (int k = 0; k < n; ++k) {
        const double e = y[k] - (a0 + (a1 + a2 * u[k]) * u[k]);
        residuals += e * e;
    }
    const double variance = residuals / (n - 3) * c11 / det;
    return Tangent{a0, a1 / h, std::sqrt(std::max(variance, 0.0)) / h};
}

int NearestInTime(const PointSeries& s, double t, double tolerance) {
    if (s.Count <= 0 || !(t == t)) return -1;
    if (!TimesAscend(s)) {
        int best = -1;
        float first = INFINITY, last = -INFINITY;
        for (int i = 0; i < s.Count; ++i) {
            const float ti = s.T[i];
            if (!(ti == ti)) continue;
            first = std::min(first, ti);
            last = std::max(last, ti);
            // The first of equal times, as the search below finds it.
            if (best < 0 || std::fabs(ti - t) < std::fabs(s.T[best] - t)) best = i;
        }
        if (best < 0 || !(t >= first - tolerance) || !(t <= last + tolerance)) return -1;
        return best;
    }
    if (!(t >= s.T[0] - tolerance) || !(t <= s.T[s.Count - 1] + tolerance)) return -1;
    const float* end = s.T + s.Count;
    const int j = static_cast<int>(
        std::lower_bound(s.T, end, t, [](float a, double b) { return a < b; }) - s.T);
    if (j == 0) return 0;
    if (j >= s.Count) return s.Count - 1;
    return (t - s.T[j - 1] <= s.T[j] - t) ? j - 1 : j;
}

} // namespace kurvimat::analysis
