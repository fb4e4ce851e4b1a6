// Curve fits ("Ausgleichskurven") over a time span of the stored points, by least squares
// through GSL. Nonlinear models start from values read off the data, so a fit needs no input
// beyond the model and the span.
#pragma once

#include <QString>

#include <array>

namespace kurvimat::analysis {

enum class FitModel {
    Linear,       ///< y = a·t + b
    Proportional, ///< y = a·t
    Exponential,  ///< y = a + b·e^(−(t − t₀)/τ): cooling, charging
    DampedSine,   ///< y = A·e^(−(t − t₀)/τ)·sin(2πf·(t − t₀) + φ) + c
    XYLinear,     ///< y = m·x + b, one channel against the other
};

/// The points a fit reads: Y over X for the indices whose T lies in [T1, T2] (T1 > T2 is taken
/// as the same span). For the time models X is T itself.
struct FitSpan {
    const float* T = nullptr;
    const float* X = nullptr;
    const float* Y = nullptr;
    int Count = 0;
    double T1 = 0;
    double T2 = 0;
};

/// Parameters in model order: Linear (a, b), Proportional (a), Exponential (a, b, τ),
/// DampedSine (A, τ, f, φ, c), XYLinear (m, b). The time models measure t − t₀ from
/// Origin, the start of the span, so that b and A are the values there. A damped sine without
/// damping has τ = +∞.
struct FitResult {
    FitModel Model = FitModel::Linear;
    std::array<double, 5> P{};
    /// Standard uncertainty of each parameter, in its unit: the parameters' covariance at the
    /// optimum scaled by the residual variance. For a damped sine that may have no damping,
    /// τ's is +∞ and Damping/DampingSigma hold 1/τ and its uncertainty.
    std::array<double, 5> Sigma{};
    double Damping = 0, DampingSigma = 0; ///< 1/τ of a damped sine, per second
    int ParameterCount = 0;
    double Origin = 0;
    int PointCount = 0;
    double XMin = 0, XMax = 0; ///< extent of the fitted points in x (t for the time models)
    double RSquared = 0;
    /// R² = 1 − Σ(y − ŷ)²/Σy², about zero rather than the mean: the line through the origin
    /// reports it, as spreadsheets and NIST's reference values do for fits without a constant.
    bool RSquaredUncentred = false;
    bool Converged = false;
    QString Error; ///< German, for the user; empty when converged
};

int FitParameterCount(FitModel model);

FitResult FitCurve(FitModel model, const FitSpan& span);

/// The fitted curve at t (or x for XYLinear); NaN when the fit did not converge.
double FitValue(const FitResult& fit, double t);

} // namespace kurvimat::analysis
