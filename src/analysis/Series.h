// Functions over whole columns of points: the derivative by another column, moving average,
// Savitzky-Golay smoothing and its derivative, the running integral, the step to the previous
// point. Each gives what numpy and scipy give for the same columns (to rounding), works in
// O(N) or O(N * window) without allocating per point, and keeps a NaN local: only the results
// whose window reaches it are NaN.
//
// Every function also exists as a kernel that computes only the results [from, size) into an
// output that already holds the others, for points arriving at the end of a recording; a
// result's window reaches back at most `SeriesReach` points.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace kurvimat::analysis {

enum class SeriesError {
    None,
    TooFewPoints,  // the derivative needs two points
    ZeroStep,      // two neighbouring points with the same x: the derivative has no value
    BadWindow,     // a window that is even, or shorter than 3 (moving average) or 1
    WindowTooLong, // a Savitzky-Golay window longer than the points
    BadOrder,      // a polynomial order not below the window, or negative
    LengthsDiffer, // the two columns have different lengths
};

struct SeriesResult {
    std::vector<double> Values; // empty on an error
    SeriesError Error = SeriesError::None;
    std::size_t Point = 0; // ZeroStep: the index of the second of the two equal x
    bool ok() const { return Error == SeriesError::None; }
};

/// dy/dx as numpy.gradient(y, x) with edge_order=1: second-order central differences with
/// numpy's weights for uneven steps inside, one-sided differences at both ends. Where the two
/// steps around a point are equal the weights reduce to (y[i+1] - y[i-1]) / (2 dx), numpy's
/// formula for evenly spaced x, and that is what is computed there. x may fall or rise.
SeriesResult Derivative(std::span<const double> y, std::span<const double> x);

/// Centred moving average over n points (n odd, at least 3). Point i averages the 2k+1 points
/// around it with k = min(n/2, i, N-1-i): the window shrinks symmetrically at the ends, so the
/// ends stay centred (no lag) and have a value; the first and the last point are themselves.
/// n may exceed the number of points.
SeriesResult MovingAverage(std::span<const double> y, int n);

/// scipy.signal.savgol_filter(y, window, order, deriv, delta, mode='interp'), deriv 0 or 1:
/// inside, the least-squares polynomial of the window around each point, evaluated at its
/// middle; the first and last window/2 points from the polynomial of the first and the last
/// window. A derivative beyond the order is 0. window odd and at most the number of points,
/// 0 <= order < window.
SeriesResult SavitzkyGolay(std::span<const double> y, int window, int order, int deriv,
                           double delta);

/// The mean step of x, (x[N-1] - x[0]) / (N-1), the sample spacing Savitzky-Golay's derivative
/// takes; 0 for fewer than two points.
double MeanStep(std::span<const double> x);

/// Running integral by the trapezoid rule from the first point (0 there), as
/// scipy.integrate.cumulative_trapezoid(y, x, initial=0). A trapezoid with a NaN adds nothing,
/// so the integral goes on after a gap in the data; the results at NaN points are NaN.
SeriesResult RunningIntegral(std::span<const double> y, std::span<const double> x);

/// y[i] - y[i-1]; the first point has no previous one and gets 0.
SeriesResult Difference(std::span<const double> y);

// Kernels: the results [from, y.size()) into out (out.size() == y.size()); the results before
// `from` are read where the function needs them (the running integral) and left as they are.
// The checks above are the caller's: lengths equal, parameters valid, y.size() >= window.
SeriesError DerivativeInto(std::span<const double> y, std::span<const double> x,
                           std::span<double> out, std::size_t from, std::size_t* zeroStep);
void MovingAverageInto(std::span<const double> y, int n, std::span<double> out, std::size_t from);
void RunningIntegralInto(std::span<const double> y, std::span<const double> x,
                         std::span<double> out, std::size_t from);
void DifferenceInto(std::span<const double> y, std::span<double> out, std::size_t from);

/// Savitzky-Golay weights for one window, made once and applied to many points.
class SavitzkyGolayWeights {
public:
    // Valid parameters only (SavitzkyGolay checks them).
    SavitzkyGolayWeights(int window, int order, int deriv);
    int window() const { return window_; }
    // The results [from, y.size()); delta scales the derivative. sums, when given, keeps the
    // middle points' window sums before that scaling (resized to y's length): where its first
    // `held` entries still hold (their windows unchanged), a new delta only scales them again,
    // which gives the same numbers as summing anew.
    void apply(std::span<const double> y, double delta, std::span<double> out,
               std::size_t from, std::vector<double>* sums = nullptr, std::size_t held = 0) const;

private:
    int window_, order_, deriv_;
    double scale_; // u = (j - window/2) / scale_ lies in [-1, 1]
    // The window's powers of u as Q R, Q column by column: the first and the last window are
    // fitted through them; the middle weights serve every point inside. O(window * order).
    std::vector<double> q_, r_, middle_;
    // The derivative of u^k (per unit of j) at the window's point p, for k = 0..order.
    void powersAt(int p, double* v) const;
    // The fit of the window starting at `start`, evaluated at its points [p0, p1) into out.
    void fitEdge(std::span<const double> y, std::size_t start, int p0, int p1, double per,
                 std::span<double> out) const;
};

/// How far back a change reaches: the first result that changes when the points from `from`
/// on change or are new, for a function whose window is `window` points (3 for the derivative,
/// n for the moving average and Savitzky-Golay, 1 for the integral and the difference: each
/// result there depends on earlier points only). Savitzky-Golay's last window/2 results, fitted
/// to the last window, are among them.
std::size_t SeriesReach(std::size_t from, int window);

} // namespace kurvimat::analysis
