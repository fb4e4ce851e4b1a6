// The curve fits' models, one entry each: the name experiment files store, the menu's name,
// the formula, the parameters with their units, the function and its derivatives, where the
// solver starts and when the points do not determine the curve. A new model is an entry in
// FitModels below (and its enumerator) plus its rows in the tests; the solver, the readout,
// the menus and the files read the table.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <vector>

namespace kurvimat::analysis {

/// Experiment files of earlier versions stored these numbers: they keep their values.
enum class FitModel {
    Linear,       ///< y = a·t + b
    Proportional, ///< y = a·t
    Exponential,  ///< y = a + b·e^(−(t − t₀)/τ): cooling, charging
    DampedSine,   ///< y = A·e^(−(t − t₀)/τ)·sin(2πf·(t − t₀) + φ) + c
    XYLinear,     ///< y = m·x + b, one channel against the other
    Logistic,     ///< y = c / (1 + e^(−(t − t₀)/τ)): an S-curve
    Quadratic,    ///< y = a·t² + b·t + c
    PowerLaw,     ///< y = a·tⁿ, t > 0
    User,         ///< a formula the user writes over x with named parameters (UserFitModel)
    XYQuadratic,  ///< y = a·x² + b·x + c, one channel against the other
};

/// Most parameters a fit has: the user's model takes up to six.
inline constexpr int MaxFitParameters = 6;

/// A model the user writes in the formula language: y as a formula over x (the time, or the
/// quantity of the bottom axis) and up to six parameters with the names the user chose and the
/// values the solver starts from.
struct UserFitModel {
    QString Formula;
    std::vector<QString> Names;
    std::vector<double> Start;
    bool operator==(const UserFitModel&) const = default;
};

/// A user's model compiled for evaluation (UserFit.h).
class UserFitCurve;

/// Parameters in the model's order (FitModelSpec::ParameterNames). The time models but the
/// S-curve measure t − t₀ from Origin, the start of the span, so that b and A are the values
/// there.
/// A damped sine without damping has τ = +∞.
struct FitResult {
    FitModel Model = FitModel::Linear;
    std::array<double, MaxFitParameters> P{};
    /// Standard uncertainty of each parameter, in its unit: the parameters' covariance at the
    /// optimum scaled by the residual variance. For a damped sine that may have no damping,
    /// τ's is +∞ and Damping/DampingSigma hold 1/τ and its uncertainty.
    std::array<double, MaxFitParameters> Sigma{};
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
    /// The user's model (FitModel::User): its formula, names and compiled form.
    std::shared_ptr<const UserFitCurve> User;
};

/// Units of the readout: of the fitted quantity, and of x. The time models fit seconds; with
/// "Zeit in min" they show minutes (XPerSecond 1/60): τ and t₀ in minutes, slopes per minute.
struct FitUnits {
    QString Y;
    QString X = QStringLiteral("s");
    double XPerSecond = 1;
};

/// A parameter as the readout shows it.
struct FitParameter {
    QString Name;
    double Value = 0;
    double Sigma = 0; ///< NaN: none to state (t₀ is chosen, not fitted)
    QString Unit;
    QString Text; ///< instead of the value
};

/// The points a nonlinear model is solved on: t' = (t − t0)/tScale and y' = (y − yMean)/yScale,
/// so that the solver sees parameters of order one whatever the units and time scale.
struct FitPoints {
    std::vector<double> t, y;
    double t0 = 0, tScale = 1, yMean = 0, yScale = 1;
};

/// Why the points leave a parameter open, and what would pin it down; German.
struct FitReason {
    QString Why, Help;
};

/// When the points do not determine a nonlinear model. A parameter is open when the Jacobian
/// has (nearly) lost a rank, when a Shape parameter's uncertainty exceeds its value several
/// times, or when the Amplitude is not twice its uncertainty.
struct FitRefusal {
    std::array<int, 2> Shape{};
    int Amplitude = 0;
    /// The parameter that the span's extent or the points' spacing plainly leaves open, named
    /// instead of the weakest one; none where the points could show it.
    std::optional<int> (*Blame)(const FitResult& fit, double step, double duration) = nullptr;
    /// The extent or spacing cannot show the curve at all: a solver stuck there is answered
    /// with why rather than "does not converge".
    bool (*Plain)(const FitResult& fit, double step, double duration) = nullptr;
    /// Refused even when determined: the parameter the points do not show (nullptr: none).
    std::optional<int> (*Unseen)(const FitResult& fit, double step, double duration) = nullptr;
    /// Why and the remedy for an open parameter; none: noise hides the curve.
    std::optional<FitReason> (*Reason)(const FitResult& fit, double step, double duration) =
        nullptr;
};

struct FitModelSpec {
    FitModel Model;
    const char* Name;     ///< as experiment files store it
    const char* MenuName; ///< German, before the formula in the menus (context "FitModels")
    const char* Formula;  ///< UTF-8, as the menu and the readout write it
    bool OverTime;        ///< a model of the time plot (the XY line is the XY modes')
    int ParameterCount;
    std::array<const char*, 5> ParameterNames; ///< UTF-8, in the refusal's text
    /// Linear models: the parameters and their uncertainties straight from the points.
    void (*Direct)(const std::vector<double>& x, const std::vector<double>& y, FitResult& fit);
    /// Nonlinear models, on FitPoints: y' about its mean (Centre) or about zero, or the points
    /// as they are (Raw: t0 = yMean = 0, scales 1), which a power of t needs; the function,
    /// its derivatives by each parameter, the start read off the points (sorted by t).
    bool Centre;
    bool Raw;
    double (*Function)(const double* p, double t);
    void (*Derivatives)(const double* p, double t, double* d);
    std::vector<double> (*Start)(const FitPoints& d);
    /// The solution in the data's units: P, Sigma (and Damping) from p and its uncertainties
    /// on FitPoints; may turn p into an equivalent form first.
    void (*Physical)(std::vector<double>& p, const std::vector<double>& sigma, const FitPoints& d,
                     FitResult& fit);
    FitRefusal Refusal;
    /// The fitted curve at t (x for the XY line).
    double (*Value)(const FitResult& fit, double t);
    /// The readout's parameters with their units.
    std::vector<FitParameter> (*Readout)(const FitResult& fit, const FitUnits& units);
};

// Tools the entries share, in CurveFit.cpp.
struct StraightLine {
    double Slope = 0, Intercept = 0, SlopeSigma = 0, InterceptSigma = 0;
};
/// Least squares y = Slope·x + Intercept, or through the origin.
StraightLine FitStraightLine(const std::vector<double>& x, const std::vector<double>& y,
                             bool throughOrigin);
/// Least squares of y as a sum of the given columns times coefficients; none when singular.
std::optional<std::vector<double>> FitColumns(const std::vector<std::vector<double>>& columns,
                                              const std::vector<double>& y);
/// Least squares y = a·x² + b·x + c into fit.P and fit.Sigma (the residual variance times
/// (XᵀX)⁻¹, the covariance scipy's curve_fit states), solved on x about its mean and scaled so
/// that times far from zero lose no digits; fit.Error when fewer than three distinct x leave
/// the curvature open.
void FitParabola(const std::vector<double>& x, const std::vector<double>& y, FitResult& fit);
/// The user's model (FitModel::User) at x, and its parameters for the readout (UserFit.cpp).
double UserFitValue(const FitResult& fit, double x);
std::vector<FitParameter> UserFitReadout(const FitResult& fit, const FitUnits& units);
double MeanOf(const std::vector<double>& v, std::size_t from, std::size_t to);
/// x / y, the unit of a slope.
QString RatioUnit(const QString& y, const QString& x);

namespace fitmodels {

constexpr double TwoPi = 2 * std::numbers::pi;

inline QString longer() {
    return QCoreApplication::translate("CurveFit", "längere Messdauer");
}
inline QString shorterInterval() {
    return QCoreApplication::translate("CurveFit", "kürzeres Messintervall");
}

// A damped sine whose damping does not differ from none by twice its uncertainty.
inline bool undamped(const FitResult& fit) {
    return !std::isfinite(fit.P[1]) || std::fabs(fit.Damping) <= 2 * fit.DampingSigma;
}

inline void line(const std::vector<double>& x, const std::vector<double>& y, FitResult& fit) {
    const StraightLine l = FitStraightLine(x, y, false);
    fit.P = {l.Slope, l.Intercept};
    fit.Sigma = {l.SlopeSigma, l.InterceptSigma};
}

// Exponential approach on FitPoints: (a, b, τ).
inline std::vector<double> exponentialStart(const FitPoints& d) {
    // End levels from the first and last twentieth, τ where 63 % of the change is done.
    const std::size_t n = d.t.size();
    const std::size_t k = std::max<std::size_t>(1, n / 20);
    const double first = MeanOf(d.y, 0, k), last = MeanOf(d.y, n - k, n);
    const double level = last + (first - last) * std::exp(-1.0);
    double tau = 0.5;
    for (std::size_t i = 0; i < n; ++i) {
        if ((first - level) * (d.y[i] - level) <= 0) {
            tau = std::max(d.t[i], 1e-3);
            break;
        }
    }
    return {last, first - last, tau};
}

// Damped sine on FitPoints: (A, λ, f, φ, c) with λ = 1/τ, which stays finite for an undamped
// sine. The start: frequency from the crossings of the mean (with hysteresis against noise),
// damping from the deviation in the two halves, amplitude, phase and offset by linear least
// squares for that frequency and damping.
inline std::vector<double> sineStart(const FitPoints& d) {
    const std::size_t n = d.t.size();
    const double h = 0.3; // of the deviation, which is 1 on FitPoints
    std::vector<double> rising, all;
    int side = 0; // -1 below mean - h, +1 above mean + h
    double lastCross = d.t[0];
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && (d.y[i - 1] < 0) != (d.y[i] < 0)) lastCross = d.t[i];
        const int now = d.y[i] > h ? 1 : d.y[i] < -h ? -1 : 0;
        if (now != 0 && now != side) {
            if (side != 0) {
                all.push_back(lastCross);
                if (now > 0) rising.push_back(lastCross);
            }
            side = now;
        }
    }
    double f = 0.5;
    if (rising.size() >= 2)
        f = static_cast<double>(rising.size() - 1) / (rising.back() - rising.front());
    else if (all.size() >= 2)
        f = static_cast<double>(all.size() - 1) / (2 * (all.back() - all.front()));

    double lambda = 0;
    double s1 = 0, s2 = 0;
    std::size_t n1 = 0, n2 = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (d.t[i] < 0.5) {
            s1 += d.y[i] * d.y[i];
            ++n1;
        } else {
            s2 += d.y[i] * d.y[i];
            ++n2;
        }
    }
    if (n1 > 0 && n2 > 0 && s1 > 0 && s2 > 0) {
        const double r1 = std::sqrt(s1 / n1), r2 = std::sqrt(s2 / n2);
        if (r1 > r2) lambda = std::log(r1 / r2) / 0.5;
    }

    std::vector<double> p{1, lambda, f, 0, 0};
    std::vector<std::vector<double>> columns(3, std::vector<double>(n));
    for (std::size_t i = 0; i < n; ++i) {
        const double e = std::exp(-lambda * d.t[i]);
        columns[0][i] = e * std::sin(TwoPi * f * d.t[i]);
        columns[1][i] = e * std::cos(TwoPi * f * d.t[i]);
        columns[2][i] = 1;
    }
    if (const auto c = FitColumns(columns, d.y)) {
        const double s = (*c)[0], co = (*c)[1];
        if (std::hypot(s, co) > 0) {
            p[0] = std::hypot(s, co);
            p[3] = std::atan2(co, s);
        }
        p[4] = (*c)[2];
    }
    return p;
}

// The S-curve's logistic function of z = (t − t₀)/τ, without overflow on either side.
inline double sigmoid(double z) {
    if (z >= 0) return 1 / (1 + std::exp(-z));
    const double e = std::exp(z);
    return e / (1 + e);
}

// S-curve on FitPoints (y about zero): (c, t₀, τ). The level c from the end that is farther from
// zero; t₀ where the points cross half of it, |τ| from there to where they cross c/(1 + e^−1)
// (rising) or c/(1 + e) (falling, τ < 0).
inline std::vector<double> logisticStart(const FitPoints& d) {
    const std::size_t n = d.t.size();
    const std::size_t k = std::max<std::size_t>(1, n / 20);
    const double first = MeanOf(d.y, 0, k), last = MeanOf(d.y, n - k, n);
    const bool falling = std::fabs(first) > std::fabs(last);
    const double c = falling ? first : last;
    const auto crossing = [&](double level, std::size_t from) -> std::optional<std::size_t> {
        for (std::size_t i = from; i < n; ++i)
            if ((first - level) * (d.y[i] - level) <= 0) return i;
        return std::nullopt;
    };
    const auto half = crossing(c / 2, 0);
    const double t0 = half ? d.t[*half] : 0.5;
    double width = 0.1;
    if (half)
        if (const auto w = crossing(c * sigmoid(falling ? -1 : 1), *half))
            width = std::max(d.t[*w] - t0, 1e-3);
    return {c, t0, falling ? -width : width};
}

// Whether the points show the S whole, from 5 % to 95 % of c (t₀ ± 3|τ|): a part of it, a
// straight rise say, fits an S that the points do not bear out.
inline bool noS(const FitResult& fit) {
    const double t0 = fit.P[1], reach = 3 * std::fabs(fit.P[2]);
    return !(t0 - reach >= fit.XMin && t0 + reach <= fit.XMax);
}

// Power law on the points as they are (t > 0): (a, n). n from a line through ln|y| over ln t
// where y keeps one sign, else 1; then a by least squares for that n.
inline std::vector<double> powerStart(const FitPoints& d) {
    const std::size_t n = d.t.size();
    const bool positive = std::all_of(d.y.begin(), d.y.end(), [](double v) { return v > 0; });
    const bool negative = std::all_of(d.y.begin(), d.y.end(), [](double v) { return v < 0; });
    double exponent = 1;
    if (positive || negative) {
        std::vector<double> lx(n), ly(n);
        for (std::size_t i = 0; i < n; ++i) {
            lx[i] = std::log(d.t[i]);
            ly[i] = std::log(std::fabs(d.y[i]));
        }
        const StraightLine l = FitStraightLine(lx, ly, false);
        if (std::isfinite(l.Slope)) exponent = l.Slope;
    }
    double sty = 0, stt = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double u = std::pow(d.t[i], exponent);
        sty += u * d.y[i];
        stt += u * u;
    }
    return {stt > 0 && std::isfinite(sty / stt) ? sty / stt : 1.0, exponent};
}

inline FitParameter origin(const FitResult& fit, const FitUnits& units) {
    return {QStringLiteral("t₀"), fit.Origin * units.XPerSecond, std::nan(""), units.X, {}};
}

} // namespace fitmodels

// The models. Their order is the menu's.
inline const FitModelSpec FitModels[] = {
    {FitModel::Linear, "linear", QT_TRANSLATE_NOOP("FitModels", "Gerade"), "y = a·t + b", true,
     2, {"a", "b"}, fitmodels::line, false, false, nullptr, nullptr, nullptr, nullptr, {},
     [](const FitResult& f, double t) { return f.P[0] * t + f.P[1]; },
     [](const FitResult& f, const FitUnits& u) -> std::vector<FitParameter> {
         const double k = u.XPerSecond;
         return {{QStringLiteral("a"), f.P[0] / k, f.Sigma[0] / k, RatioUnit(u.Y, u.X), {}},
                 {QStringLiteral("b"), f.P[1], f.Sigma[1], u.Y, {}}};
     }},
    {FitModel::Proportional, "proportional", QT_TRANSLATE_NOOP("FitModels", "Ursprungsgerade"),
     "y = a·t", true, 1, {"a"},
     [](const std::vector<double>& x, const std::vector<double>& y, FitResult& fit) {
         const StraightLine l = FitStraightLine(x, y, true);
         fit.P = {l.Slope};
         fit.Sigma = {l.SlopeSigma};
         fit.RSquaredUncentred = true;
     },
     false, false, nullptr, nullptr, nullptr, nullptr, {},
     [](const FitResult& f, double t) { return f.P[0] * t; },
     [](const FitResult& f, const FitUnits& u) -> std::vector<FitParameter> {
         const double k = u.XPerSecond;
         return {{QStringLiteral("a"), f.P[0] / k, f.Sigma[0] / k, RatioUnit(u.Y, u.X), {}}};
     }},
    {FitModel::Exponential, "exponential",
     QT_TRANSLATE_NOOP("FitModels", "Exponentielle Annäherung"), "y = a + b·e^(−(t − t₀)/τ)",
     true, 3, {"a", "b", "τ"}, nullptr, true, false,
     [](const double* p, double t) { return p[0] + p[1] * std::exp(-t / p[2]); },
     [](const double* p, double t, double* d) {
         const double e = std::exp(-t / p[2]);
         d[0] = 1;
         d[1] = e;
         d[2] = p[1] * e * t / (p[2] * p[2]);
     },
     fitmodels::exponentialStart,
     [](std::vector<double>& p, const std::vector<double>& s, const FitPoints& d, FitResult& fit) {
         fit.P = {d.yMean + d.yScale * p[0], d.yScale * p[1], d.tScale * p[2]};
         fit.Sigma = {d.yScale * s[0], d.yScale * s[1], d.tScale * s[2]};
     },
     // An approach much slower than the measurement, or over within a few points, leaves a and
     // b open along with τ; it is τ that a longer measurement or a shorter interval pins down.
     {{2, 1}, 1,
      [](const FitResult& f, double step, double duration) -> std::optional<int> {
          const double tau = std::fabs(f.P[2]);
          if (!(tau <= duration / 2 && tau >= 3 * step)) return 2;
          return std::nullopt;
      },
      [](const FitResult& f, double, double duration) { return f.P[2] > duration / 2; }, nullptr,
      [](const FitResult& f, double step, double duration) -> std::optional<FitReason> {
          const double tau = std::fabs(f.P[2]);
          if (tau > duration / 2)
              return FitReason{QCoreApplication::translate("CurveFit", "in der Messdauer ist die Kurve kaum gekrümmt"),
                               fitmodels::longer()};
          if (tau < 3 * step)
              return FitReason{
                  QCoreApplication::translate("CurveFit", "die Änderung ist nach wenigen Messpunkten vorbei"),
                  fitmodels::shorterInterval()};
          return std::nullopt;
      }},
     [](const FitResult& f, double t) { return f.P[0] + f.P[1] * std::exp(-(t - f.Origin) / f.P[2]); },
     [](const FitResult& f, const FitUnits& u) -> std::vector<FitParameter> {
         const double k = u.XPerSecond;
         return {{QStringLiteral("a"), f.P[0], f.Sigma[0], u.Y, {}},
                 {QStringLiteral("b"), f.P[1], f.Sigma[1], u.Y, {}},
                 {QStringLiteral("τ"), f.P[2] * k, f.Sigma[2] * k, u.X, {}},
                 fitmodels::origin(f, u)};
     }},
    {FitModel::DampedSine, "damped_sine", QT_TRANSLATE_NOOP("FitModels", "Gedämpfte Schwingung"),
     "y = A·e^(−(t − t₀)/τ)·sin(2π·f·(t − t₀) + φ) + c", true, 5, {"A", "τ", "f", "φ", "c"},
     nullptr, true, false,
     [](const double* p, double t) {
         return p[0] * std::exp(-p[1] * t) * std::sin(fitmodels::TwoPi * p[2] * t + p[3]) + p[4];
     },
     [](const double* p, double t, double* d) {
         const double e = std::exp(-p[1] * t);
         const double arg = fitmodels::TwoPi * p[2] * t + p[3];
         const double s = std::sin(arg), c = std::cos(arg);
         d[0] = e * s;
         d[1] = -t * p[0] * e * s;
         d[2] = p[0] * e * c * fitmodels::TwoPi * t;
         d[3] = p[0] * e * c;
         d[4] = 1;
     },
     fitmodels::sineStart,
     [](std::vector<double>& p, const std::vector<double>& s, const FitPoints& d, FitResult& fit) {
         // A negative frequency or amplitude is the same curve with another phase.
         if (p[2] < 0) {
             p[2] = -p[2];
             p[3] = std::numbers::pi - p[3];
         }
         if (p[0] < 0) {
             p[0] = -p[0];
             p[3] += std::numbers::pi;
         }
         const double lambda = p[1] / d.tScale;
         const double tau = lambda == 0 ? HUGE_VAL : 1 / lambda;
         fit.P = {d.yScale * p[0], tau, p[2] / d.tScale, std::remainder(p[3], fitmodels::TwoPi),
                  d.yMean + d.yScale * p[4]};
         fit.Damping = lambda;
         fit.DampingSigma = s[1] / d.tScale;
         fit.Sigma = {d.yScale * s[0], lambda == 0 ? HUGE_VAL : fit.DampingSigma / (lambda * lambda),
                      s[2] / d.tScale, s[3], d.yScale * s[4]};
     },
     // Frequency and amplitude set the curve's shape; an offset or a phase may well be zero.
     {{2, 0}, 0, nullptr,
      // Fewer than four points per period, or less than one period.
      [](const FitResult& f, double step, double duration) {
          return std::fabs(f.P[2]) * step > 0.25 || std::fabs(f.P[2]) * duration < 1;
      },
      nullptr,
      [](const FitResult& f, double step, double duration) -> std::optional<FitReason> {
          const double frequency = std::fabs(f.P[2]);
          if (frequency * step > 0.25)
              return FitReason{QCoreApplication::translate("CurveFit", "weniger als vier Messpunkte je Schwingung"),
                               fitmodels::shorterInterval()};
          if (frequency * duration < 1)
              return FitReason{
                  QCoreApplication::translate("CurveFit", "weniger als eine Schwingung in der Messdauer"),
                  fitmodels::longer()};
          return std::nullopt;
      }},
     [](const FitResult& f, double t) {
         const double u = t - f.Origin;
         return f.P[0] * std::exp(-u / f.P[1]) * std::sin(fitmodels::TwoPi * f.P[2] * u + f.P[3]) +
                f.P[4];
     },
     [](const FitResult& f, const FitUnits& u) -> std::vector<FitParameter> {
         const double k = u.XPerSecond;
         const double degrees = 180 / std::numbers::pi;
         return {{QStringLiteral("A"), f.P[0], f.Sigma[0], u.Y, {}},
                 {QStringLiteral("τ"), f.P[1] * k, f.Sigma[1] * k, u.X,
                  fitmodels::undamped(f)
                      ? QCoreApplication::translate("FitReadout", "∞ (ungedämpft)")
                      : QString()},
                 {QStringLiteral("f"), f.P[2], f.Sigma[2], QStringLiteral("Hz"), {}},
                 {QStringLiteral("φ"), f.P[3] * degrees, f.Sigma[3] * degrees, QStringLiteral("°"),
                  {}},
                 {QStringLiteral("c"), f.P[4], f.Sigma[4], u.Y, {}},
                 fitmodels::origin(f, u)};
     }},
    {FitModel::XYLinear, "xy_linear", QT_TRANSLATE_NOOP("FitModels", "Ausgleichsgerade"),
     "y = m·x + b", false, 2, {"m", "b"}, fitmodels::line, false, false, nullptr, nullptr, nullptr,
     nullptr, {}, [](const FitResult& f, double x) { return f.P[0] * x + f.P[1]; },
     [](const FitResult& f, const FitUnits& u) -> std::vector<FitParameter> {
         return {{QStringLiteral("m"), f.P[0], f.Sigma[0], RatioUnit(u.Y, u.X), {}},
                 {QStringLiteral("b"), f.P[1], f.Sigma[1], u.Y, {}}};
     }},
    // A capacitor charged through a transistor that opens slowly, a population that saturates.
    {FitModel::Logistic, "logistic", QT_TRANSLATE_NOOP("FitModels", "S-Kurve (logistisch)"),
     "y = c / (1 + e^(−(t − t₀)/τ))", true, 3, {"c", "t₀", "τ"}, nullptr, false, false,
     [](const double* p, double t) { return p[0] * fitmodels::sigmoid((t - p[1]) / p[2]); },
     [](const double* p, double t, double* d) {
         const double z = (t - p[1]) / p[2];
         const double g = fitmodels::sigmoid(z);
         d[0] = g;
         d[1] = -p[0] * g * (1 - g) / p[2];
         d[2] = -p[0] * g * (1 - g) * z / p[2];
     },
     fitmodels::logisticStart,
     [](std::vector<double>& p, const std::vector<double>& s, const FitPoints& d, FitResult& fit) {
         fit.P = {d.yScale * p[0], d.t0 + d.tScale * p[1], d.tScale * p[2]};
         fit.Sigma = {d.yScale * s[0], d.tScale * s[1], d.tScale * s[2]};
     },
     {{2, 0}, 0,
      [](const FitResult& f, double, double) -> std::optional<int> {
          if (fitmodels::noS(f)) return 1;
          return std::nullopt;
      },
      [](const FitResult& f, double, double) { return fitmodels::noS(f); },
      [](const FitResult& f, double, double) -> std::optional<int> {
          if (fitmodels::noS(f)) return 1;
          return std::nullopt;
      },
      [](const FitResult& f, double step, double) -> std::optional<FitReason> {
          if (fitmodels::noS(f))
              return FitReason{
                  QCoreApplication::translate("CurveFit", "in der Messdauer ist keine S-Kurve zu sehen"),
                  fitmodels::longer()};
          if (std::fabs(f.P[2]) < 3 * step)
              return FitReason{
                  QCoreApplication::translate("CurveFit", "die Änderung ist nach wenigen Messpunkten vorbei"),
                  fitmodels::shorterInterval()};
          return std::nullopt;
      }},
     [](const FitResult& f, double t) { return f.P[0] * fitmodels::sigmoid((t - f.P[1]) / f.P[2]); },
     [](const FitResult& f, const FitUnits& u) -> std::vector<FitParameter> {
         const double k = u.XPerSecond;
         return {{QStringLiteral("c"), f.P[0], f.Sigma[0], u.Y, {}},
                 {QStringLiteral("t₀"), f.P[1] * k, f.Sigma[1] * k, u.X, {}},
                 {QStringLiteral("τ"), f.P[2] * k, f.Sigma[2] * k, u.X, {}}};
     }},
    // A throw, a braking distance over time; over raw t, as a spreadsheet's trend line.
    {FitModel::Quadratic, "quadratic", QT_TRANSLATE_NOOP("FitModels", "Parabel"),
     "y = a·t² + b·t + c", true, 3, {"a", "b", "c"}, FitParabola, false, false, nullptr, nullptr,
     nullptr, nullptr, {},
     [](const FitResult& f, double t) { return (f.P[0] * t + f.P[1]) * t + f.P[2]; },
     [](const FitResult& f, const FitUnits& u) -> std::vector<FitParameter> {
         const double k = u.XPerSecond;
         return {{QStringLiteral("a"), f.P[0] / (k * k), f.Sigma[0] / (k * k),
                  RatioUnit(u.Y, u.X + QStringLiteral("²")), {}},
                 {QStringLiteral("b"), f.P[1] / k, f.Sigma[1] / k, RatioUnit(u.Y, u.X), {}},
                 {QStringLiteral("c"), f.P[2], f.Sigma[2], u.Y, {}}};
     }},
    // A pendulum's period over its length, a fall's distance over time. On the points as they
    // are: a shift of t would not be a power of t. a is the value at t = 1 s, in seconds
    // whatever the axis shows (converting it to minutes would need its covariance with n).
    {FitModel::PowerLaw, "power_law", QT_TRANSLATE_NOOP("FitModels", "Potenzfunktion"),
     "y = a·tⁿ", true, 2, {"a", "n"}, nullptr, false, true,
     [](const double* p, double t) { return p[0] * std::pow(t, p[1]); },
     [](const double* p, double t, double* d) {
         const double u = std::pow(t, p[1]);
         d[0] = u;
         d[1] = p[0] * u * std::log(t);
     },
     fitmodels::powerStart,
     [](std::vector<double>& p, const std::vector<double>& s, const FitPoints&, FitResult& fit) {
         fit.P = {p[0], p[1]};
         fit.Sigma = {s[0], s[1]};
     },
     {{1, 1}, 0, nullptr, nullptr, nullptr, nullptr},
     [](const FitResult& f, double t) { return f.P[0] * std::pow(t, f.P[1]); },
     [](const FitResult& f, const FitUnits& u) -> std::vector<FitParameter> {
         return {{QStringLiteral("a"), f.P[0], f.Sigma[0], u.Y, {}},
                 {QStringLiteral("n"), f.P[1], f.Sigma[1], QString(), {}}};
     }},
    // Solved from the user's start values with its formula (UserFit.h); its parameters are
    // the fit's, not the table's.
    {FitModel::User, "user", QT_TRANSLATE_NOOP("FitModels", "Eigene Funktion …"), "y = f(x)",
     true, 0, {}, nullptr, false, true, nullptr, nullptr, nullptr, nullptr, {}, UserFitValue,
     UserFitReadout},
    {FitModel::XYQuadratic, "xy_quadratic", QT_TRANSLATE_NOOP("FitModels", "Ausgleichsparabel"),
     "y = a·x² + b·x + c", false, 3, {"a", "b", "c"}, FitParabola, false, false, nullptr,
     nullptr, nullptr, nullptr, {},
     [](const FitResult& f, double x) { return (f.P[0] * x + f.P[1]) * x + f.P[2]; },
     [](const FitResult& f, const FitUnits& u) -> std::vector<FitParameter> {
         return {{QStringLiteral("a"), f.P[0], f.Sigma[0],
                  RatioUnit(u.Y, u.X.isEmpty() ? u.X : u.X + QStringLiteral("²")), {}},
                 {QStringLiteral("b"), f.P[1], f.Sigma[1], RatioUnit(u.Y, u.X), {}},
                 {QStringLiteral("c"), f.P[2], f.Sigma[2], u.Y, {}}};
     }},
};

/// The entry of a model; nullptr for a number no model has.
const FitModelSpec* FindFitModel(FitModel model);
/// The model an experiment file names, by its Name; none for a name no model has.
std::optional<FitModel> FitModelNamed(QStringView name);

} // namespace kurvimat::analysis
