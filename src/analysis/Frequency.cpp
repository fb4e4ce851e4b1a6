#include "Frequency.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace kurvimat::analysis {

namespace {

constexpr double TwoPi = 2 * std::numbers::pi;

// The levels: percentiles read off a histogram of the values.
constexpr int Bins = 256;
constexpr double LowLevel = 0.02, HighLevel = 0.98;
// Beyond this many points the histogram takes this many of them.
constexpr int LevelSamples = 1024;
// How far (root mean square) crossings may stray from a steady period: a twentieth of it, or
// the third of a step that the edges of a pulse move with where their sampling phase drifts.
constexpr double MaxScatter = 0.05;
constexpr double MaxScatterSteps = 0.35;
// A straight line between two points places the crossing of a sine sampled this coarsely
// measurably off (4 % of a period at four points). Over many crossings that averages out; over
// few the sine through the points around each one places it.
constexpr double CoarsePointsPerPeriod = 12;
constexpr std::size_t FewCrossings = 24;
// A signal whose points a sine explains to this share of their variance is taken for one.
constexpr double SineLike = 0.99;
// A periodic signal repeats after its period: the differences from itself one period later
// stay below this share of its spread about the middle (noise: about all of it).
constexpr double MaxUnrepeated = 0.3;
// The comparison takes every k-th point, about this many.
constexpr int RepeatSamples = 1024;

struct Levels {
    double Low = 0, High = 0;
};

Levels levels(const float* v, int n, float lo, float hi) {
    std::array<int, Bins> histogram{};
    const double scale = Bins / (static_cast<double>(hi) - lo);
    const auto add = [&](float x) {
        if (!(x >= lo && x <= hi)) return; // a value that is no number
        const int k = static_cast<int>((x - static_cast<double>(lo)) * scale);
        ++histogram[static_cast<std::size_t>(std::clamp(k, 0, Bins - 1))];
    };
    int taken = n;
    if (n <= LevelSamples) {
        for (int i = 0; i < n; ++i)
            add(v[i]);
    } else {
        // Spread evenly but in no fixed stride, which a period could match: the fractional
        // parts of k times the golden ratio.
        taken = LevelSamples;
        constexpr double golden = 0.6180339887498949;
        double u = 0;
        for (int k = 0; k < taken; ++k) {
            add(v[static_cast<int>(u * n)]);
            u += golden;
            if (u >= 1) u -= 1;
        }
    }
    const auto quantile = [&](double q) {
        const double target = q * taken;
        double below = 0;
        for (int k = 0; k < Bins; ++k) {
            const int in = histogram[static_cast<std::size_t>(k)];
            if (in > 0 && below + in >= target) return lo + (k + (target - below) / in) / scale;
            below += in;
        }
        return static_cast<double>(hi);
    };
    return {quantile(LowLevel), quantile(HighLevel)};
}

struct Crossing {
    double Time = 0;
    int Before = 0; ///< the point before the middle; Before + 1 is beyond it
};

double linearTime(const float* t, const float* v, int i, double mid) {
    const double v0 = v[i], v1 = v[i + 1];
    return t[i] + (mid - v0) * (static_cast<double>(t[i + 1]) - t[i]) / (v1 - v0);
}

// Where the straight line through the points crossing the band meets the middle: noise on
// a slope averages out over them. Two points or fewer: between the two around the middle.
double bandTime(const float* t, const float* v, int first, int last, int before, double mid) {
    const int n = last - first + 1;
    if (n < 3) return linearTime(t, v, before, mid);
    const double origin = t[first];
    double st = 0, sv = 0, stt = 0, stv = 0;
    for (int i = first; i <= last; ++i) {
        const double x = t[i] - origin, y = v[i];
        st += x;
        sv += y;
        stt += x * x;
        stv += x * y;
    }
    const double sxx = stt - st * st / n, sxy = stv - st * sv / n;
    if (!(sxx > 0) || sxy == 0) return linearTime(t, v, before, mid);
    const double slope = sxy / sxx;
    const double at = origin + st / n + (mid - sv / n) / slope;
    // A line tilted by noise may meet the middle outside the band's points.
    return at >= t[first] && at <= t[last] ? at : linearTime(t, v, before, mid);
}

std::vector<Crossing> crossings(const float* t, const float* v, int n, double mid, double half) {
    // Compared as the values are kept.
    const float low = static_cast<float>(mid - half), high = static_cast<float>(mid + half);
    const float middle = static_cast<float>(mid);
    std::vector<Crossing> out;
    int state = 0;  // -1 below the band, +1 above, 0 not yet known
    int cross = -1; // the last pass through the middle towards the other side
    int left = -1;  // the last point on the side the signal last left
    for (int i = 0; i < n; ++i) {
        // Most points lie beyond the band on the side last left, where nothing happens.
        if (state > 0 && v[i] > high) {
            while (i + 1 < n && v[i + 1] > high)
                ++i;
            left = i;
            continue;
        }
        if (state < 0 && v[i] < low) {
            while (i + 1 < n && v[i + 1] < low)
                ++i;
            left = i;
            continue;
        }
        const float here = v[i];
        if (i > 0) {
            const float before = v[i - 1];
            // A dip into the band and back is no pass.
            if ((state < 0 && before < middle && here >= middle) ||
                (state > 0 && before >= middle && here < middle))
                cross = i - 1;
        }
        const int side = here < low ? -1 : here > high ? 1 : 0;
        if (side == 0) continue;
        if (state != 0 && cross >= 0)
            out.push_back({bandTime(t, v, left + 1, i - 1, cross, mid), cross});
        state = side;
        left = i;
        cross = -1;
    }
    return out;
}

// The period as the common slope of two straight lines, one through the rising and one
// through the falling crossings over their count, and how far the crossings stray from them
// (root mean square, in periods). A pulse's rising and falling crossings are not half a period
// apart, so each direction has its own line.
struct PeriodFit {
    double Period = 0;
    double Scatter = 0;
};

std::optional<PeriodFit> fitPeriod(const std::vector<double>& c) {
    double sxy = 0, sxx = 0;
    double mean[2] = {}, middle[2] = {};
    int size[2] = {};
    for (std::size_t p = 0; p < 2; ++p) {
        for (std::size_t k = p; k < c.size(); k += 2) {
            mean[p] += c[k];
            ++size[p];
        }
        if (size[p] == 0) continue;
        mean[p] /= size[p];
        middle[p] = (size[p] - 1) / 2.0;
        for (std::size_t k = p, j = 0; k < c.size(); k += 2, ++j) {
            sxy += (static_cast<double>(j) - middle[p]) * (c[k] - mean[p]);
            sxx += (static_cast<double>(j) - middle[p]) * (static_cast<double>(j) - middle[p]);
        }
    }
    if (!(sxx > 0) || !(sxy > 0)) return std::nullopt;
    PeriodFit fit;
    fit.Period = sxy / sxx;
    double squares = 0;
    for (std::size_t p = 0; p < 2; ++p)
        for (std::size_t k = p, j = 0; k < c.size(); k += 2, ++j) {
            const double e = c[k] - mean[p] - fit.Period * (static_cast<double>(j) - middle[p]);
            squares += e * e;
        }
    const int freedom = static_cast<int>(c.size()) - 1 - (size[0] > 0) - (size[1] > 0);
    fit.Scatter = freedom > 0 ? std::sqrt(squares / freedom) / fit.Period : 0;
    return fit;
}

// a·sin(w(t − t0)) + b·cos(w(t − t0)) + c through the points [from, to], least squares.
struct Sine {
    double A = 0, B = 0, C = 0, W = 0, T0 = 0;
    double operator()(double t) const {
        const double x = W * (t - T0);
        return A * std::sin(x) + B * std::cos(x) + C;
    }
    double slope(double t) const {
        const double x = W * (t - T0);
        return W * (A * std::cos(x) - B * std::sin(x));
    }
};

std::optional<Sine> fitSine(const float* t, const float* v, int from, int to, double w) {
    Sine s;
    s.W = w;
    s.T0 = t[from];
    double m[3][4] = {};
    for (int i = from; i <= to; ++i) {
        const double x = w * (t[i] - s.T0);
        const double row[3] = {std::sin(x), std::cos(x), 1};
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c)
                m[r][c] += row[r] * row[c];
            m[r][3] += row[r] * v[i];
        }
    }
    // Gaussian elimination with partial pivoting on the normal equations.
    for (int c = 0; c < 3; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 3; ++r)
            if (std::fabs(m[r][c]) > std::fabs(m[pivot][c])) pivot = r;
        if (!(std::fabs(m[pivot][c]) > 1e-12 * (to - from + 1))) return std::nullopt;
        std::swap(m[c], m[pivot]);
        for (int r = c + 1; r < 3; ++r) {
            const double f = m[r][c] / m[c][c];
            for (int k = c; k < 4; ++k)
                m[r][k] -= f * m[c][k];
        }
    }
    double x[3];
    for (int r = 2; r >= 0; --r) {
        double sum = m[r][3];
        for (int k = r + 1; k < 3; ++k)
            sum -= m[r][k] * x[k];
        x[r] = sum / m[r][r];
    }
    s.A = x[0];
    s.B = x[1];
    s.C = x[2];
    return s;
}

// The crossing's time on the sine through the points around it (one before, two after, as
// far as there are points), by Newton's method from the straight line's time; that time
// where the sine does not cross between the two points.
double sineTime(const float* t, const float* v, int n, const Crossing& c, double mid, double w) {
    const int from = std::max(0, c.Before - 1), to = std::min(n - 1, c.Before + 2);
    if (to - from < 2) return c.Time;
    const std::optional<Sine> s = fitSine(t, v, from, to, w);
    if (!s) return c.Time;
    const double a = t[c.Before], b = t[c.Before + 1];
    double x = c.Time;
    for (int i = 0; i < 8; ++i) {
        const double slope = s->slope(x);
        if (slope == 0) return c.Time;
        x -= ((*s)(x)-mid) / slope;
        if (!(x >= a && x <= b)) return c.Time;
    }
    return std::fabs((*s)(x)-mid) <= 1e-9 * (std::fabs(s->A) + std::fabs(s->B)) ? x : c.Time;
}

bool sineLike(const float* t, const float* v, int n, double period) {
    const std::optional<Sine> s = fitSine(t, v, 0, n - 1, TwoPi / period);
    if (!s) return false;
    double mean = 0;
    for (int i = 0; i < n; ++i)
        mean += v[i];
    mean /= n;
    double residual = 0, total = 0;
    for (int i = 0; i < n; ++i) {
        const double e = v[i] - (*s)(t[i]);
        residual += e * e;
        total += (v[i] - mean) * (v[i] - mean);
    }
    return total > 0 && residual <= (1 - SineLike) * total;
}

// How much of the points' spread about the middle does not come back one period later:
// Σ(v(t) − v(t + period))² over Σ((v(t) − mid)² + (v(t + period) − mid)²), the later value
// interpolated between points. Near 0 for a periodic signal, near 1 for noise; 1 where no
// point has one a period later.
double unrepeated(const float* t, const float* v, int n, double period, double mid) {
    const int stride = std::max(1, n / RepeatSamples);
    double differences = 0, spread = 0;
    int j = 0;
    for (int i = 0; i < n; i += stride) {
        const double at = t[i] + period;
        if (at > t[n - 1]) break;
        while (j + 2 < n && t[j + 1] <= at)
            ++j;
        const double t0 = t[j], t1 = t[j + 1];
        const double u = t1 > t0 ? std::clamp((at - t0) / (t1 - t0), 0.0, 1.0) : 0.0;
        const double later = v[j] + u * (static_cast<double>(v[j + 1]) - v[j]);
        const double now = v[i];
        differences += (now - later) * (now - later);
        spread += (now - mid) * (now - mid) + (later - mid) * (later - mid);
    }
    return spread > 0 ? differences / spread : 1;
}

// The slope d of y = a sin wt + b cos wt + c + d t through the points, by least squares.
std::optional<double> driftSlope(const float* t, const float* v, int count, double w) {
    std::array<std::array<double, 5>, 4> m{}; // normal equations, right side in column 4
    for (int i = 0; i < count; ++i) {
        const double u = double(t[i]) - t[0];
        const std::array<double, 4> x{std::sin(w * u), std::cos(w * u), 1, u};
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c)
                m[r][c] += x[r] * x[c];
            m[r][4] += x[r] * v[i];
        }
    }
    for (int c = 0; c < 4; ++c) { // Gauss-Jordan with partial pivoting
        int pivot = c;
        for (int r = c + 1; r < 4; ++r)
            if (std::fabs(m[r][c]) > std::fabs(m[pivot][c])) pivot = r;
        if (!(std::fabs(m[pivot][c]) > 1e-12)) return std::nullopt;
        std::swap(m[c], m[pivot]);
        for (int r = 0; r < 4; ++r) {
            if (r == c) continue;
            const double k = m[r][c] / m[c][c];
            for (int j = c; j < 5; ++j)
                m[r][j] -= k * m[c][j];
        }
    }
    const double d = m[3][4] / m[3][3];
    return std::isfinite(d) ? std::optional<double>(d) : std::nullopt;
}

std::optional<double> frequencyOf(const float* t, const float* v, int count, float lo, float hi) {
    if (count < 5 || !(hi > lo) || !std::isfinite(hi - lo)) return std::nullopt;
    const Levels l = levels(v, count, lo, hi);
    if (!(l.High > l.Low)) return std::nullopt;
    // The band: two fifths of the span between the levels. A triangle sampled at four points
    // per period may show only half its swing in some periods.
    const double mid = (l.Low + l.High) / 2, half = (l.High - l.Low) / 5;
    const std::vector<Crossing> found = crossings(t, v, count, mid, half);
    if (found.size() < 3) return std::nullopt;
    std::vector<double> times(found.size());
    for (std::size_t k = 0; k < found.size(); ++k)
        times[k] = found[k].Time;
    const std::optional<PeriodFit> fit = fitPeriod(times);
    const double step = (static_cast<double>(t[count - 1]) - t[0]) / (count - 1);
    if (!fit || fit->Scatter > std::max(MaxScatter, MaxScatterSteps * step / fit->Period))
        return std::nullopt;
    double period = fit->Period;

    if (period < CoarsePointsPerPeriod * step && found.size() <= FewCrossings) {
        std::optional<PeriodFit> refined = fit;
        for (int iteration = 0; iteration < 3; ++iteration) {
            for (std::size_t k = 0; k < found.size(); ++k)
                times[k] = sineTime(t, v, count, found[k], mid, TwoPi / refined->Period);
            const std::optional<PeriodFit> again = fitPeriod(times);
            if (!again) break;
            refined = again;
        }
        // The sine's times for points that look like a sine, unless the straight lines' lie
        // clearly more evenly (a triangle's crossings lie on its straight flanks), which
        // takes a few crossings more than the lines need to tell.
        const bool flanks = found.size() >= 6 && fit->Scatter < 0.5 * refined->Scatter;
        if (!flanks && sineLike(t, v, count, refined->Period)) period = refined->Period;
    }
    // Noise crosses too, now and then at nearly even intervals; it does not repeat itself.
    if (unrepeated(t, v, count, period, mid) > MaxUnrepeated) return std::nullopt;
    return 1 / period;
}

} // namespace

std::optional<double> PeriodicFrequency(const float* t, const float* v, int count, float lo,
                                        float hi) {
    std::optional<double> f = frequencyOf(t, v, count, lo, hi);
    if (!f) return f;
    // A drifting baseline moves the crossings of a fixed middle. Its slope comes from a line
    // fitted together with a sine of the frequency found (a line alone would take a sine's
    // own slope over a few periods for drift), and is taken off before looking again.
    std::vector<float> level(v, v + count);
    for (int iteration = 0; iteration < 2; ++iteration) {
        const std::optional<double> slope = driftSlope(t, level.data(), count, TwoPi * *f);
        if (!slope) break;
        for (int i = 0; i < count; ++i)
            level[i] = static_cast<float>(level[i] - *slope * (double(t[i]) - t[0]));
        const auto [least, greatest] = std::minmax_element(level.begin(), level.end());
        const std::optional<double> again = frequencyOf(t, level.data(), count, *least, *greatest);
        if (!again) break;
        f = again;
    }
    return f;
}

} // namespace kurvimat::analysis
