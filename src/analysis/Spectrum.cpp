#include "Spectrum.h"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_fft_real.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace kurvimat::analysis {

namespace {

constexpr double Pi = std::numbers::pi;

// Lengths GSL transforms in O(n log n): its real transform has fast passes for the factors 2,
// 3, 4 and 5 and a slow general one for other primes (a prime length costs n² operations).
bool smooth(int n) {
    for (const int f : {2, 3, 5, 7})
        while (n % f == 0)
            n /= f;
    return n == 1;
}

int smoothLengthFrom(int n) {
    while (!smooth(n))
        ++n;
    return n;
}

double sinc(double x) {
    return x == 0 ? 1 : std::sin(Pi * x) / (Pi * x);
}

// The window's response to a sine x bins (of the unpadded length) beside a bin, relative to
// its response on the bin.
double response(SpectrumWindow window, double x) {
    const double s = sinc(x);
    if (window == SpectrumWindow::Rectangular) return std::fabs(s);
    if (std::fabs(std::fabs(x) - 1) < 1e-9) return 0.5; // the limit of sinc(x) / (1 − x²)
    return std::fabs(s / (1 - x * x));
}

// The values of the n points interpolated onto `count` even steps from the first one's time.
std::vector<double> resample(const float* t, const float* v, int n, double step, int count) {
    std::vector<double> out(static_cast<std::size_t>(count));
    int j = 0;
    for (int i = 0; i < count; ++i) {
        const double at = t[0] + i * step;
        while (j + 2 < n && t[j + 1] <= at)
            ++j;
        const double t0 = t[j], t1 = t[j + 1];
        const double u = t1 > t0 ? std::clamp((at - t0) / (t1 - t0), 0.0, 1.0) : 1.0;
        out[static_cast<std::size_t>(i)] = v[j] + u * (static_cast<double>(v[j + 1]) - v[j]);
    }
    return out;
}

struct FftDeleter {
    void operator()(gsl_fft_real_wavetable* w) const { gsl_fft_real_wavetable_free(w); }
    void operator()(gsl_fft_real_workspace* w) const { gsl_fft_real_workspace_free(w); }
};

// GSL's tables for one length, kept for the next call: the readout asks for the same span
// again and again while a sweep runs.
struct FftPlan {
    std::size_t Length = 0;
    std::unique_ptr<gsl_fft_real_wavetable, FftDeleter> Table;
    std::unique_ptr<gsl_fft_real_workspace, FftDeleter> Work;
};

// In place: GSL's half-complex result, Re and Im of bin k at 2k − 1 and 2k.
bool transform(std::vector<double>& data) {
    static const bool quiet = [] {
        gsl_set_error_handler_off();
        return true;
    }();
    (void)quiet;
    thread_local FftPlan plan;
    const std::size_t n = data.size();
    if (plan.Length != n) {
        plan.Table.reset(gsl_fft_real_wavetable_alloc(n));
        plan.Work.reset(gsl_fft_real_workspace_alloc(n));
        plan.Length = plan.Table && plan.Work ? n : 0;
    }
    return plan.Length == n &&
           gsl_fft_real_transform(data.data(), 1, n, plan.Table.get(), plan.Work.get()) ==
               GSL_SUCCESS;
}

} // namespace

SpectrumResult ComputeSpectrum(const PointSeries& series, const SpectrumOptions& options) {
    SpectrumResult r;
    SpanBuffer buffer;
    const PointSeries span = SelectSpan(series, options.T1, options.T2, buffer);
    // Values that are no number (a channel without a value there) leave gaps, as on the plot.
    std::vector<float> finiteT, finiteV;
    PointSeries p = span;
    if (!std::all_of(span.V, span.V + span.Count, [](float x) { return std::isfinite(x); })) {
        for (int i = 0; i < span.Count; ++i) {
            if (!std::isfinite(span.V[i])) continue;
            finiteT.push_back(span.T[i]);
            finiteV.push_back(span.V[i]);
        }
        p = {finiteT.data(), finiteV.data(), static_cast<int>(finiteT.size())};
    }
    const int n = p.Count;
    if (n < 4 || !(p.T[n - 1] > p.T[0])) return r;
    // The mean step, from the ends: single-precision times of a long recording step
    // unevenly in their last digits. A step off it by more than a quarter (a gap, a
    // repeated time) has the values interpolated onto even steps of the interval most points
    // keep, the gaps filled in.
    double step = (static_cast<double>(p.T[n - 1]) - p.T[0]) / (n - 1);
    bool uneven = false;
    for (int i = 1; i < n; ++i) {
        const double d = static_cast<double>(p.T[i]) - p.T[i - 1];
        uneven |= d < 0.75 * step || d > 1.25 * step;
    }
    r.Resampled = uneven;
    int points = n;
    std::vector<double> even;
    if (uneven) {
        std::vector<double> steps;
        for (int i = 1; i < n; ++i)
            if (p.T[i] > p.T[i - 1]) steps.push_back(static_cast<double>(p.T[i]) - p.T[i - 1]);
        const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
        std::nth_element(steps.begin(), middle, steps.end());
        // Never more than four grid points per point: a few close pairs do not set the grid.
        const double span = static_cast<double>(p.T[n - 1]) - p.T[0];
        step = std::max(*middle, span / (4.0 * n));
        points = static_cast<int>(std::lround(span / step)) + 1;
        even = resample(p.T, p.V, n, step, points);
    }
    const auto value = [&](int i) { return uneven ? even[static_cast<std::size_t>(i)] : p.V[i]; };

    double mean = 0;
    for (int i = 0; i < points; ++i)
        mean += value(i);
    mean /= points;
    const int m = smoothLengthFrom(points);
    std::vector<double> data(static_cast<std::size_t>(m), 0.0);
    double windowSum = 0;
    if (options.Window == SpectrumWindow::Hann) {
        // 0.5 − 0.5·cos(2πi/n), the cosine turned on step by step rather than called per point.
        const double c = std::cos(2 * Pi / points), s1 = std::sin(2 * Pi / points);
        double cosine = 1, sine = 0;
        for (int i = 0; i < points; ++i) {
            const double w = 0.5 - 0.5 * cosine;
            windowSum += w;
            data[static_cast<std::size_t>(i)] = w * (value(i) - mean);
            const double next = cosine * c - sine * s1;
            sine = sine * c + cosine * s1;
            cosine = next;
        }
    } else {
        for (int i = 0; i < points; ++i)
            data[static_cast<std::size_t>(i)] = value(i) - mean;
        windowSum = points;
    }
    if (!(windowSum > 0) || !transform(data)) return r;

    r.PointCount = points;
    r.Window = options.Window;
    r.SampleRate = 1 / step;
    r.BinWidth = r.SampleRate / m;
    const int bins = m / 2 + 1;
    r.Amplitude.resize(static_cast<std::size_t>(bins));
    r.Amplitude[0] = std::fabs(data[0]) / windowSum;
    for (int k = 1; k < bins; ++k) {
        const bool nyquist = 2 * k == m;
        const double re = data[static_cast<std::size_t>(2 * k - 1)];
        const double im = nyquist ? 0 : data[static_cast<std::size_t>(2 * k)];
        // A sine's power lies half in bin k, half in its mirror −k: doubled, but not at the
        // Nyquist frequency, which is its own mirror.
        r.Amplitude[static_cast<std::size_t>(k)] =
            (nyquist ? 1 : 2) * std::sqrt(re * re + im * im) / windowSum;
    }
    const std::vector<SpectrumPeak> peaks = SpectrumPeaks(r, 1, 0);
    if (!peaks.empty()) r.Peak = peaks.front();
    return r;
}

namespace {

// The peak at local maximum `k`: offset and height between the bins. Hann: the top of a
// parabola through the logarithms of the three bins. Rectangular: the parabola misses by up to
// a sixth of a bin there, so the offset comes from the ratio of the two highest bins, which
// the window's response fixes exactly.
SpectrumPeak interpolate(const SpectrumResult& s, SpectrumWindow window, int k) {
    const auto& a = s.Amplitude;
    const int last = static_cast<int>(a.size()) - 1;
    const double b = a[static_cast<std::size_t>(k)];
    const double l = k > 0 ? a[static_cast<std::size_t>(k - 1)] : 0;
    const double r = k < last ? a[static_cast<std::size_t>(k + 1)] : 0;
    // Bins of the padded transform per bin of the points' own length.
    const double scale = s.SampleRate / (s.PointCount * s.BinWidth);
    double d = 0;
    if (window == SpectrumWindow::Hann) {
        if (l > 0 && r > 0 && k > 0 && k < last) {
            const double ll = std::log(l), lb = std::log(b), lr = std::log(r);
            const double curve = ll - 2 * lb + lr;
            if (curve < 0) d = std::clamp(0.5 * (ll - lr) / curve, -0.5, 0.5);
        }
    } else {
        const int side = r >= l ? 1 : -1;
        const double ratio = (side > 0 ? r : l) / b;
        // ratio grows from the response one bin beside to 1 as the sine moves half way over.
        double lo = 0, hi = 0.5;
        for (int i = 0; i < 40; ++i) {
            const double mid = (lo + hi) / 2;
            const double got = response(window, (1 - mid) / scale) / response(window, mid / scale);
            (got < ratio ? lo : hi) = mid;
        }
        d = side * (lo + hi) / 2;
    }
    SpectrumPeak p;
    p.Bin = k;
    p.Frequency = (k + d) * s.BinWidth;
    p.Amplitude = b / response(window, d / scale);
    return p;
}

} // namespace

std::vector<SpectrumPeak> SpectrumPeaks(const SpectrumResult& spectrum, int count,
                                        double minRelative) {
    std::vector<SpectrumPeak> peaks;
    const auto& a = spectrum.Amplitude;
    const int bins = static_cast<int>(a.size());
    std::vector<int> maxima;
    for (int k = 1; k < bins; ++k) {
        const double left = a[static_cast<std::size_t>(k - 1)];
        const double right = k + 1 < bins ? a[static_cast<std::size_t>(k + 1)] : 0;
        const double here = a[static_cast<std::size_t>(k)];
        if (here > 0 && here > left && here >= right) maxima.push_back(k);
    }
    if (maxima.empty() || count <= 0) return peaks;
    const auto highest = maxima.begin() + std::min<std::ptrdiff_t>(count, std::ssize(maxima));
    std::partial_sort(maxima.begin(), highest, maxima.end(), [&](int i, int j) {
        return a[static_cast<std::size_t>(i)] > a[static_cast<std::size_t>(j)];
    });
    maxima.erase(highest, maxima.end());
    const double floor = minRelative * a[static_cast<std::size_t>(maxima.front())];
    for (const int k : maxima) {
        if (static_cast<int>(peaks.size()) >= count || a[static_cast<std::size_t>(k)] < floor)
            break;
        peaks.push_back(interpolate(spectrum, spectrum.Window, k));
    }
    return peaks;
}

std::optional<SpectrumPeak> PeakNear(const SpectrumResult& spectrum, double f, int bins) {
    const auto& a = spectrum.Amplitude;
    if (a.size() < 2 || !(spectrum.BinWidth > 0)) return std::nullopt;
    const int last = static_cast<int>(a.size()) - 1;
    const int centre = static_cast<int>(std::lround(f / spectrum.BinWidth));
    const int from = std::clamp(centre - bins, 1, last), to = std::clamp(centre + bins, 1, last);
    int best = from;
    for (int k = from; k <= to; ++k)
        if (a[static_cast<std::size_t>(k)] > a[static_cast<std::size_t>(best)]) best = k;
    return interpolate(spectrum, spectrum.Window, best);
}

} // namespace kurvimat::analysis
