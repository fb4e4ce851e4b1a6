#include "Series.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace kurvimat::analysis {

namespace {

using Index = std::ptrdiff_t;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

SeriesResult failure(SeriesError error, std::size_t point = 0) {
    SeriesResult r;
    r.Error = error;
    r.Point = point;
    return r;
}

} // namespace

std::size_t SeriesReach(std::size_t from, int window) {
    const std::size_t half = std::size_t(std::max(window, 1) / 2);
    return from > half ? from - half : 0;
}

SeriesError DerivativeInto(std::span<const double> y, std::span<const double> x,
                           std::span<double> out, std::size_t from, std::size_t* zeroStep) {
    const Index n = Index(y.size());
    const auto zero = [zeroStep](Index second) {
        if (zeroStep) *zeroStep = std::size_t(second);
        return SeriesError::ZeroStep;
    };
    for (Index i = Index(from); i < n; ++i) {
        if (i == 0 || i == n - 1) {
            const Index a = i == 0 ? 0 : n - 2;
            const double dx = x[a + 1] - x[a];
            if (dx == 0) return zero(a + 1);
            out[i] = (y[a + 1] - y[a]) / dx;
            continue;
        }
        const double dx1 = x[i] - x[i - 1], dx2 = x[i + 1] - x[i];
        if (dx1 == 0) return zero(i);
        if (dx2 == 0) return zero(i + 1);
        if (dx1 == dx2) {
            out[i] = (y[i + 1] - y[i - 1]) / (2.0 * dx1);
        } else {
            // numpy's weights for uneven steps, in its order of operations.
            const double a = -dx2 / (dx1 * (dx1 + dx2));
            const double b = (dx2 - dx1) / (dx1 * dx2);
            const double c = dx1 / (dx2 * (dx1 + dx2));
            out[i] = a * y[i - 1] + b * y[i] + c * y[i + 1];
        }
    }
    return SeriesError::None;
}

SeriesResult Derivative(std::span<const double> y, std::span<const double> x) {
    if (y.size() != x.size()) return failure(SeriesError::LengthsDiffer);
    if (y.size() < 2) return failure(SeriesError::TooFewPoints);
    SeriesResult r;
    r.Values.resize(y.size());
    std::size_t at = 0;
    if (DerivativeInto(y, x, r.Values, 0, &at) != SeriesError::None)
        return failure(SeriesError::ZeroStep, at);
    return r;
}

void MovingAverageInto(std::span<const double> y, int n, std::span<double> out, std::size_t from) {
    const Index size = Index(y.size()), half = n / 2;
    const auto direct = [&](Index i) {
        const Index k = std::min({half, i, size - 1 - i});
        double sum = 0;
        for (Index j = i - k; j <= i + k; ++j) sum += y[j];
        out[i] = sum / double(2 * k + 1);
    };
    const Index begin = Index(from);
    const Index inLo = std::max(begin, half), inHi = size - half; // whole windows: [inLo, inHi)
    for (Index i = begin; i < std::min(inLo, size); ++i) direct(i);
    if (inLo < inHi) {
        // Offset by offset over all points, so that the loop vectorises; each point still adds
        // its window from left to right, as the direct sum does.
        double* const o = out.data();
        const double* const v = y.data();
        for (Index i = inLo; i < inHi; ++i) o[i] = v[i - half];
        for (Index j = 1; j < 2 * half + 1; ++j)
            for (Index i = inLo; i < inHi; ++i) o[i] += v[i - half + j];
        const double count = double(2 * half + 1);
        for (Index i = inLo; i < inHi; ++i) o[i] /= count;
    }
    for (Index i = std::max({inHi, inLo, begin}); i < size; ++i) direct(i);
}

SeriesResult MovingAverage(std::span<const double> y, int n) {
    if (n < 3 || n % 2 == 0) return failure(SeriesError::BadWindow);
    SeriesResult r;
    r.Values.resize(y.size());
    MovingAverageInto(y, n, r.Values, 0);
    return r;
}

SavitzkyGolayWeights::SavitzkyGolayWeights(int window, int order, int deriv)
    : window_(window), order_(order), deriv_(deriv), scale_(window / 2 > 0 ? window / 2 : 1) {
    // The least-squares polynomial of degree `order` through the window's points at
    // u = (j - half) / half, in [-1, 1] so that the powers stay well scaled. With B the window's
    // powers of u and B = QR, the fit's coefficients are R^-1 Q^T y, so the value (or derivative)
    // at a point is Q R^-T v . y, where v holds the powers (their derivatives) at that point.
    const int w = window, m = order + 1, half = window / 2;
    q_.assign(std::size_t(w * m), 0.0);
    r_.assign(std::size_t(m * m), 0.0);
    for (int k = 0; k < m; ++k) {
        double* col = &q_[std::size_t(k * w)];
        for (int j = 0; j < w; ++j) col[j] = std::pow((j - half) / scale_, k);
        // Gram-Schmidt twice keeps the columns orthogonal to working precision.
        for (int pass = 0; pass < 2; ++pass)
            for (int l = 0; l < k; ++l) {
                const double* prev = &q_[std::size_t(l * w)];
                double dot = 0;
                for (int j = 0; j < w; ++j) dot += prev[j] * col[j];
                for (int j = 0; j < w; ++j) col[j] -= dot * prev[j];
                r_[std::size_t(l * m + k)] += dot;
            }
        double norm = 0;
        for (int j = 0; j < w; ++j) norm += col[j] * col[j];
        norm = std::sqrt(norm);
        r_[std::size_t(k * m + k)] = norm;
        for (int j = 0; j < w; ++j) col[j] /= norm;
    }
    std::vector<double> v(static_cast<std::size_t>(m)), z(static_cast<std::size_t>(m));
    powersAt(half, v.data());
    // R^T z = v, forward.
    for (int k = 0; k < m; ++k) {
        double s = v[std::size_t(k)];
        for (int l = 0; l < k; ++l) s -= r_[std::size_t(l * m + k)] * z[std::size_t(l)];
        z[std::size_t(k)] = s / r_[std::size_t(k * m + k)];
    }
    middle_.assign(std::size_t(w), 0.0);
    for (int k = 0; k < m; ++k)
        for (int j = 0; j < w; ++j)
            middle_[std::size_t(j)] += q_[std::size_t(k * w + j)] * z[std::size_t(k)];
}

void SavitzkyGolayWeights::powersAt(int p, double* v) const {
    const double u = (p - window_ / 2) / scale_;
    for (int k = 0; k <= order_; ++k) {
        double f = k >= deriv_ ? std::pow(u, k - deriv_) : 0.0;
        for (int d = 0; d < deriv_ && k >= deriv_; ++d) f *= double(k - d);
        v[k] = f / std::pow(scale_, deriv_);
    }
}

void SavitzkyGolayWeights::fitEdge(std::span<const double> y, std::size_t start, int p0, int p1,
                                   double per, std::span<double> out) const {
    if (p0 >= p1) return;
    const int w = window_, m = order_ + 1;
    std::vector<double> beta(static_cast<std::size_t>(m)), v(static_cast<std::size_t>(m));
    for (int k = 0; k < m; ++k) {
        const double* col = &q_[std::size_t(k * w)];
        double dot = 0;
        for (int j = 0; j < w; ++j) dot += col[j] * y[start + std::size_t(j)];
        beta[std::size_t(k)] = dot;
    }
    // R beta = Q^T y, backward.
    for (int k = m - 1; k >= 0; --k) {
        double s = beta[std::size_t(k)];
        for (int l = k + 1; l < m; ++l) s -= r_[std::size_t(k * m + l)] * beta[std::size_t(l)];
        beta[std::size_t(k)] = s / r_[std::size_t(k * m + k)];
    }
    for (int p = p0; p < p1; ++p) {
        powersAt(p, v.data());
        double value = 0;
        for (int k = 0; k < m; ++k) value += beta[std::size_t(k)] * v[std::size_t(k)];
        out[start + std::size_t(p)] = deriv_ > 0 ? value * per : value;
    }
}

void SavitzkyGolayWeights::apply(std::span<const double> y, double delta, std::span<double> out,
                                 std::size_t from, std::vector<double>* sums,
                                 std::size_t held) const {
    const Index size = Index(y.size()), w = window_, half = w / 2;
    const double per = 1 / std::pow(delta, deriv_);
    const Index begin = Index(from);
    // The first window/2 points from the first window's fit, the last from the last window's.
    fitEdge(y, 0, int(std::min(begin, half)), int(std::min(half, size)), per, out);
    const Index inHi = size - half;
    double* const o = out.data();
    Index inLo = std::max(begin, half);
    if (sums) {
        sums->resize(std::size_t(std::max<Index>(size, 0)));
        // Kept sums, scaled by the new delta.
        const Index kept = std::min(Index(std::min(held, sums->size())), inHi);
        for (Index i = inLo; i < kept; ++i) o[i] = (*sums)[std::size_t(i)] * per;
        inLo = std::max(inLo, kept);
    }
    if (inLo < inHi) {
        const double* const v = y.data();
        for (Index i = inLo; i < inHi; ++i) o[i] = middle_[0] * v[i - half];
        for (Index j = 1; j < w; ++j) {
            const double c = middle_[std::size_t(j)];
            for (Index i = inLo; i < inHi; ++i) o[i] += c * v[i - half + j];
        }
        if (sums) std::copy(o + inLo, o + inHi, sums->begin() + inLo);
        if (deriv_ > 0)
            for (Index i = inLo; i < inHi; ++i) o[i] *= per;
    }
    const Index last = size - w;
    fitEdge(y, std::size_t(last), int(std::max({inHi, half, begin}) - last), int(w), per, out);
}

SeriesResult SavitzkyGolay(std::span<const double> y, int window, int order, int deriv,
                           double delta) {
    if (window < 1 || window % 2 == 0) return failure(SeriesError::BadWindow);
    if (order < 0 || order >= window || deriv < 0) return failure(SeriesError::BadOrder);
    if (std::size_t(window) > y.size()) return failure(SeriesError::WindowTooLong);
    SeriesResult r;
    r.Values.resize(y.size());
    SavitzkyGolayWeights(window, order, deriv).apply(y, delta, r.Values, 0);
    return r;
}

double MeanStep(std::span<const double> x) {
    return x.size() < 2 ? 0.0 : (x.back() - x.front()) / double(x.size() - 1);
}

void RunningIntegralInto(std::span<const double> y, std::span<const double> x,
                         std::span<double> out, std::size_t from) {
    const std::size_t n = y.size();
    if (n == 0 || from >= n) return;
    const auto gap = [&](std::size_t i) { return std::isnan(y[i]) || std::isnan(x[i]); };
    // The area so far: the last result that is not a gap.
    double area = 0;
    for (std::size_t j = from; j-- > 0;)
        if (!std::isnan(out[j])) {
            area = out[j];
            break;
        }
    if (from == 0) out[0] = gap(0) ? NaN : 0.0;
    for (std::size_t i = std::max<std::size_t>(from, 1); i < n; ++i) {
        // scipy's order: step * (sum of the sides) / 2.
        const double piece = (x[i] - x[i - 1]) * (y[i] + y[i - 1]) / 2.0;
        if (!std::isnan(piece)) area += piece;
        out[i] = gap(i) ? NaN : area;
    }
}

SeriesResult RunningIntegral(std::span<const double> y, std::span<const double> x) {
    if (y.size() != x.size()) return failure(SeriesError::LengthsDiffer);
    SeriesResult r;
    r.Values.resize(y.size());
    RunningIntegralInto(y, x, r.Values, 0);
    return r;
}

void DifferenceInto(std::span<const double> y, std::span<double> out, std::size_t from) {
    for (std::size_t i = from; i < y.size(); ++i) out[i] = i == 0 ? 0.0 : y[i] - y[i - 1];
}

SeriesResult Difference(std::span<const double> y) {
    SeriesResult r;
    r.Values.resize(y.size());
    DifferenceInto(y, r.Values, 0);
    return r;
}

} // namespace kurvimat::analysis
