#include "CurveFit.h"

#include "Measure.h"

#include <QCoreApplication>
#include <gsl/gsl_blas.h>
#include <gsl/gsl_eigen.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_fit.h>
#include <gsl/gsl_multifit.h>
#include <gsl/gsl_multifit_nlinear.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

namespace kurvimat::analysis {

namespace {

constexpr double TwoPi = 2 * std::numbers::pi;

QString tooFewText() {
    return QCoreApplication::translate("CurveFit",
                                       "Zu wenige Messpunkte für diese Ausgleichskurve");
}
QString flatText() {
    return QCoreApplication::translate(
        "CurveFit", "Die Messwerte ändern sich nicht: diese Ausgleichskurve ist nicht "
                    "bestimmt");
}
QString divergedText() {
    return QCoreApplication::translate("CurveFit", "Die Ausgleichskurve konvergiert nicht");
}

// GSL's default error handler aborts the program; every call here checks its status instead.
void quietGsl() {
    static const bool once = [] {
        gsl_set_error_handler_off();
        return true;
    }();
    (void)once;
}

struct Points {
    std::vector<double> x, y;
};

Points select(const FitSpan& span) {
    Points p;
    if (!span.T || !span.X || !span.Y) return p;
    // Chosen by time (or x) as every span is, whatever the points' order.
    const TimeBounds bounds = BoundsOf(span.T1, span.T2);
    for (int i = 0; i < span.Count; ++i) {
        const double x = span.X[i], y = span.Y[i];
        if (bounds.contains(span.T[i]) && std::isfinite(x) && std::isfinite(y)) {
            p.x.push_back(x);
            p.y.push_back(y);
        }
    }
    return p;
}

double mean(const std::vector<double>& v, std::size_t from, std::size_t to) {
    double s = 0;
    for (std::size_t i = from; i < to; ++i)
        s += v[i];
    return s / static_cast<double>(to - from);
}

// The nonlinear models work on t' = (t - t0) / span and y' = (y - mean) / deviation, so that
// the solver sees parameters of order one whatever the units and time scale of the data.
struct Normalised {
    std::vector<double> t, y;
    double t0 = 0, tScale = 1, yMean = 0, yScale = 1;
};

Normalised normalise(const Points& p) {
    Normalised n;
    const std::size_t count = p.x.size();
    n.t0 = *std::min_element(p.x.begin(), p.x.end());
    n.tScale = *std::max_element(p.x.begin(), p.x.end()) - n.t0;
    n.yMean = mean(p.y, 0, count);
    double ss = 0;
    for (double y : p.y)
        ss += (y - n.yMean) * (y - n.yMean);
    n.yScale = std::sqrt(ss / static_cast<double>(count));
    n.t.resize(count);
    n.y.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        n.t[i] = (p.x[i] - n.t0) / n.tScale;
        n.y[i] = (p.y[i] - n.yMean) / n.yScale;
    }
    return n;
}

// Model functions on normalised data. Exponential: (a, b, tau); damped sine: (A, lambda, f,
// phi, c) with lambda = 1/tau, which stays finite for an undamped sine.
double exponential(const double* p, double t) {
    return p[0] + p[1] * std::exp(-t / p[2]);
}
double dampedSine(const double* p, double t) {
    return p[0] * std::exp(-p[1] * t) * std::sin(TwoPi * p[2] * t + p[3]) + p[4];
}

struct Problem {
    const Normalised* data;
    FitModel model;
};

int residuals(const gsl_vector* params, void* context, gsl_vector* r) {
    const auto* pr = static_cast<const Problem*>(context);
    const double* p = params->data;
    const auto& t = pr->data->t;
    const auto& y = pr->data->y;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const double m = pr->model == FitModel::Exponential ? exponential(p, t[i])
                                                             : dampedSine(p, t[i]);
        gsl_vector_set(r, i, m - y[i]);
    }
    return GSL_SUCCESS;
}

int jacobian(const gsl_vector* params, void* context, gsl_matrix* j) {
    const auto* pr = static_cast<const Problem*>(context);
    const double* p = params->data;
    const auto& t = pr->data->t;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (pr->model == FitModel::Exponential) {
            const double e = std::exp(-t[i] / p[2]);
            gsl_matrix_set(j, i, 0, 1);
            gsl_matrix_set(j, i, 1, e);
            gsl_matrix_set(j, i, 2, p[1] * e * t[i] / (p[2] * p[2]));
        } else {
            const double e = std::exp(-p[1] * t[i]);
            const double arg = TwoPi * p[2] * t[i] + p[3];
            const double s = std::sin(arg), c = std::cos(arg);
            gsl_matrix_set(j, i, 0, e * s);
            gsl_matrix_set(j, i, 1, -t[i] * p[0] * e * s);
            gsl_matrix_set(j, i, 2, p[0] * e * c * TwoPi * t[i]);
            gsl_matrix_set(j, i, 3, p[0] * e * c);
            gsl_matrix_set(j, i, 4, 1);
        }
    }
    return GSL_SUCCESS;
}

// What the solver leaves: the parameters, their covariance (scaled by the residual variance)
// and the ratio of the smallest to the largest singular value of the Jacobian with columns of
// unit length, which is zero where a parameter, or a combination of them, does not change
// the curve at all.
struct Solution {
    std::vector<double> p;
    std::vector<double> covariance; ///< p.size() squared, row by row
    double conditionRatio = 0;
    int weakest = 0;
    double residualSd = 0; ///< of the residuals, on the normalised scale ///< the parameter that dominates the direction of the smallest singular value
};

void inspect(gsl_multifit_nlinear_workspace* w, Solution& s) {
    const std::size_t np = s.p.size();
    const gsl_matrix* jac = gsl_multifit_nlinear_jac(w);
    const gsl_vector* f = gsl_multifit_nlinear_residual(w);
    const std::size_t n = jac->size1;
    double chisq = 0;
    gsl_blas_ddot(f, f, &chisq);
    const double variance = n > np ? chisq / static_cast<double>(n - np) : std::nan("");
    s.residualSd = std::sqrt(variance);
    // JᵀJ with the columns scaled to unit length, its eigenvalues the squares of the scaled
    // Jacobian's singular values: one pass over the points instead of a decomposition of J.
    gsl_matrix* a = gsl_matrix_alloc(np, np);
    gsl_matrix* v = gsl_matrix_alloc(np, np);
    gsl_vector* eigen = gsl_vector_alloc(np);
    gsl_eigen_symmv_workspace* work = gsl_eigen_symmv_alloc(np);
    if (a && v && eigen && work) {
        gsl_blas_dsyrk(CblasUpper, CblasTrans, 1.0, jac, 0.0, a);
        std::vector<double> scale(np);
        bool zeroColumn = false;
        for (std::size_t i = 0; i < np; ++i) {
            scale[i] = std::sqrt(gsl_matrix_get(a, i, i));
            zeroColumn |= !(scale[i] > 0);
        }
        for (std::size_t i = 0; i < np; ++i)
            for (std::size_t k = i; k < np; ++k) {
                const double x = zeroColumn ? (i == k) : gsl_matrix_get(a, i, k) / (scale[i] * scale[k]);
                gsl_matrix_set(a, i, k, x);
                gsl_matrix_set(a, k, i, x);
            }
        if (!zeroColumn && gsl_eigen_symmv(a, eigen, v, work) == GSL_SUCCESS) {
            gsl_eigen_symmv_sort(eigen, v, GSL_EIGEN_SORT_VAL_DESC);
            const double largest = gsl_vector_get(eigen, 0);
            const double smallest = std::max(0.0, gsl_vector_get(eigen, np - 1));
            s.conditionRatio = largest > 0 ? std::sqrt(smallest / largest) : 0;
            double strongest = -1;
            for (std::size_t k = 0; k < np; ++k) {
                const double c = std::fabs(gsl_matrix_get(v, k, np - 1));
                if (c > strongest) {
                    strongest = c;
                    s.weakest = static_cast<int>(k);
                }
            }
            // (JᵀJ)⁻¹ = D⁻¹·V·Λ⁻¹·Vᵀ·D⁻¹, times the residual variance; a vanishing eigenvalue
            // leaves the parameters along it with no bound (an infinite uncertainty).
            s.covariance.assign(np * np, 0.0);
            for (std::size_t e = 0; e < np; ++e) {
                const double lambda = gsl_vector_get(eigen, e);
                const double inverse = lambda > 0 ? 1 / lambda : HUGE_VAL;
                for (std::size_t i = 0; i < np; ++i)
                    for (std::size_t k = 0; k < np; ++k)
                        s.covariance[i * np + k] += gsl_matrix_get(v, i, e) * inverse *
                                                    gsl_matrix_get(v, k, e) /
                                                    (scale[i] * scale[k]) * variance;
            }
        }
    }
    gsl_eigen_symmv_free(work);
    gsl_vector_free(eigen);
    gsl_matrix_free(v);
    gsl_matrix_free(a);
}

// Levenberg-Marquardt (GSL's trust-region driver) from the given start. False when it stops
// without converging or leaves the finite numbers.
bool solve(const Normalised& data, FitModel model, Solution& s) {
    std::vector<double>& p = s.p;
    Problem problem{&data, model};
    gsl_multifit_nlinear_fdf fdf{};
    fdf.f = residuals;
    fdf.df = jacobian;
    fdf.fvv = nullptr;
    fdf.n = data.t.size();
    fdf.p = p.size();
    fdf.params = &problem;
    gsl_multifit_nlinear_parameters settings = gsl_multifit_nlinear_default_parameters();
    gsl_multifit_nlinear_workspace* w =
        gsl_multifit_nlinear_alloc(gsl_multifit_nlinear_trust, &settings, fdf.n, fdf.p);
    if (!w) return false;
    gsl_vector_view start = gsl_vector_view_array(p.data(), p.size());
    int info = 0;
    int status = gsl_multifit_nlinear_init(&start.vector, &fdf, w);
    if (status == GSL_SUCCESS)
        status = gsl_multifit_nlinear_driver(200, 1e-10, 1e-10, 1e-12, nullptr, nullptr, &info, w);
    const gsl_vector* x = gsl_multifit_nlinear_position(w);
    for (std::size_t k = 0; k < p.size(); ++k)
        p[k] = gsl_vector_get(x, k);
    // "No further progress" at a noisy minimum is an answer as good as the tolerances.
    const bool stopped = status == GSL_SUCCESS || status == GSL_ENOPROG;
    const bool finite = std::all_of(p.begin(), p.end(), [](double v) { return std::isfinite(v); });
    // Where it got stuck too: the Jacobian there tells what the points leave open.
    if (finite) inspect(w, s);
    gsl_multifit_nlinear_free(w);
    return stopped && finite;
}

// Start of an exponential approach: end levels from the first and last twentieth, tau where
// 63 % of the change is done.
std::vector<double> exponentialStart(const Normalised& d) {
    const std::size_t n = d.t.size();
    const std::size_t k = std::max<std::size_t>(1, n / 20);
    const double first = mean(d.y, 0, k), last = mean(d.y, n - k, n);
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

// Start of a damped sine: frequency from the crossings of the mean (with hysteresis against
// noise), damping from the deviation in the two halves, amplitude, phase and offset by
// linear least squares for that frequency and damping.
std::vector<double> sineStart(const Normalised& d) {
    const std::size_t n = d.t.size();
    const double h = 0.3; // of the deviation, which is 1 after normalising
    std::vector<double> rising, all;
    int side = 0;          // -1 below mean - h, +1 above mean + h
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
    gsl_matrix* x = gsl_matrix_alloc(n, 3);
    gsl_vector* y = gsl_vector_alloc(n);
    gsl_vector* c = gsl_vector_alloc(3);
    gsl_matrix* cov = gsl_matrix_alloc(3, 3);
    gsl_multifit_linear_workspace* w = gsl_multifit_linear_alloc(n, 3);
    if (x && y && c && cov && w) {
        for (std::size_t i = 0; i < n; ++i) {
            const double e = std::exp(-lambda * d.t[i]);
            gsl_matrix_set(x, i, 0, e * std::sin(TwoPi * f * d.t[i]));
            gsl_matrix_set(x, i, 1, e * std::cos(TwoPi * f * d.t[i]));
            gsl_matrix_set(x, i, 2, 1);
            gsl_vector_set(y, i, d.y[i]);
        }
        double chisq = 0;
        if (gsl_multifit_linear(x, y, c, cov, &chisq, w) == GSL_SUCCESS) {
            const double s = gsl_vector_get(c, 0), co = gsl_vector_get(c, 1);
            if (std::hypot(s, co) > 0) {
                p[0] = std::hypot(s, co);
                p[3] = std::atan2(co, s);
            }
            p[4] = gsl_vector_get(c, 2);
        }
    }
    gsl_multifit_linear_free(w);
    gsl_matrix_free(cov);
    gsl_vector_free(c);
    gsl_vector_free(y);
    gsl_matrix_free(x);
    return p;
}

double rSquared(const FitResult& fit, const Points& p) {
    const double m = fit.RSquaredUncentred ? 0 : mean(p.y, 0, p.y.size());
    double res = 0, tot = 0;
    for (std::size_t i = 0; i < p.y.size(); ++i) {
        const double e = p.y[i] - FitValue(fit, p.x[i]);
        res += e * e;
        tot += (p.y[i] - m) * (p.y[i] - m);
    }
    // Constant values leave no variation to explain: the share is 0/0, not 1.
    if (tot == 0) return std::nan("");
    return 1 - res / tot;
}

bool allEqual(const std::vector<double>& v) {
    return std::all_of(v.begin(), v.end(), [&](double x) { return x == v.front(); });
}

FitResult failed(FitResult fit, const QString& text) {
    fit.Converged = false;
    fit.Error = text;
    return fit;
}

// The data do not determine a parameter when the Jacobian has (nearly) lost a rank, or when
// its uncertainty exceeds its value several times over; only parameters that set the curve's
// shape are judged so, an offset or a phase may well be zero.
constexpr double RankRatio = 1e-5;
constexpr double SigmaRatio = 3;
// An amplitude is seen only where it is at least twice its uncertainty: noise alone gives a
// sine of some frequency whose amplitude the points do not bear out.
constexpr double AmplitudeSigmas = 2;

const char* const ExponentialNames[] = {"a", "b", "\u03C4"};
const char* const SineNames[] = {"A", "\u03C4", "f", "\u03C6", "c"};

QString parameterName(FitModel model, int k) {
    return QString::fromUtf8(model == FitModel::Exponential ? ExponentialNames[k] : SineNames[k]);
}

// Why the points leave a parameter open, and what would pin it down, in German. `noise`: the
// residuals' standard deviation (0 where the solver got stuck and they say nothing).
QString undeterminedText(const FitResult& fit, int k, double step, double noise) {
    const double duration = fit.XMax - fit.XMin;
    // A change or a swing no larger than the scatter of the points is not seen at all.
    const bool drowned = std::fabs(fit.P[fit.Model == FitModel::Exponential ? 1 : 0]) < 3 * noise;
    QString why, help;
    if (drowned) {
        why = QCoreApplication::translate("CurveFit", "das Rauschen verdeckt den Verlauf");
        help = QCoreApplication::translate("CurveFit", "längere Messdauer oder weniger Rauschen");
    } else if (fit.Model == FitModel::Exponential) {
        const double tau = std::fabs(fit.P[2]);
        if (tau > duration / 2) {
            why = QCoreApplication::translate("CurveFit",
                                              "in der Messdauer ist die Kurve kaum gekrümmt");
            help = QCoreApplication::translate("CurveFit", "längere Messdauer");
        } else if (tau < 3 * step) {
            why = QCoreApplication::translate("CurveFit",
                                              "die Änderung ist nach wenigen Messpunkten vorbei");
            help = QCoreApplication::translate("CurveFit", "kürzeres Messintervall");
        } else {
            why = QCoreApplication::translate("CurveFit", "das Rauschen verdeckt den Verlauf");
            help =
                QCoreApplication::translate("CurveFit", "längere Messdauer oder weniger Rauschen");
        }
    } else {
        const double f = std::fabs(fit.P[2]);
        if (f * step > 0.25) {
            why = QCoreApplication::translate("CurveFit",
                                              "weniger als vier Messpunkte je Schwingung");
            help = QCoreApplication::translate("CurveFit", "kürzeres Messintervall");
        } else if (f * duration < 1) {
            why = QCoreApplication::translate("CurveFit",
                                              "weniger als eine Schwingung in der Messdauer");
            help = QCoreApplication::translate("CurveFit", "längere Messdauer");
        } else {
            why = QCoreApplication::translate("CurveFit", "das Rauschen verdeckt den Verlauf");
            help =
                QCoreApplication::translate("CurveFit", "längere Messdauer oder weniger Rauschen");
        }
    }
    return QCoreApplication::translate("CurveFit",
                                       "Die Messpunkte bestimmen %1 nicht: %2. Abhilfe: %3.")
        .arg(parameterName(fit.Model, k), why, help);
}

// The parameter the points leave open, if any.
std::optional<int> undetermined(const FitResult& fit, double conditionRatio, int weakest,
                                double step) {
    // An approach much slower than the measurement, or over within a few points, leaves a and
    // b open along with τ; it is τ that a longer measurement or a shorter interval pins down.
    const double tau = std::fabs(fit.P[2]);
    const bool slow = fit.Model == FitModel::Exponential &&
                      !(tau <= (fit.XMax - fit.XMin) / 2 && tau >= 3 * step);
    if (conditionRatio < RankRatio) return slow ? 2 : weakest;
    // Exponential: τ and b; damped sine: f and A.
    const int second = fit.Model == FitModel::Exponential ? 1 : 0;
    for (const int k : {2, second})
        if (!(fit.Sigma[k] <= SigmaRatio * std::fabs(fit.P[k]))) return slow ? 2 : k;
    if (!(AmplitudeSigmas * fit.Sigma[second] <= std::fabs(fit.P[second]))) return slow ? 2 : second;
    return std::nullopt;
}

} // namespace

int FitParameterCount(FitModel model) {
    switch (model) {
    case FitModel::Proportional:
        return 1;
    case FitModel::Exponential:
        return 3;
    case FitModel::DampedSine:
        return 5;
    default:
        return 2;
    }
}

FitResult FitCurve(FitModel model, const FitSpan& span) {
    quietGsl();
    FitResult fit;
    fit.Model = model;
    fit.ParameterCount = FitParameterCount(model);
    const Points pts = select(span);
    const std::size_t n = pts.x.size();
    fit.PointCount = static_cast<int>(n);
    if (n < static_cast<std::size_t>(fit.ParameterCount) + 1) return failed(fit, tooFewText());
    // Every model needs at least two distinct x; the nonlinear ones also a change in y.
    if (allEqual(pts.x)) return failed(fit, flatText());
    fit.XMin = *std::min_element(pts.x.begin(), pts.x.end());
    fit.XMax = *std::max_element(pts.x.begin(), pts.x.end());

    switch (model) {
    case FitModel::Linear:
    case FitModel::XYLinear: {
        double b = 0, a = 0, c00 = 0, c01 = 0, c11 = 0, ss = 0;
        gsl_fit_linear(pts.x.data(), 1, pts.y.data(), 1, n, &b, &a, &c00, &c01, &c11, &ss);
        fit.P = {a, b};
        fit.Sigma = {std::sqrt(c11), std::sqrt(c00)};
        break;
    }
    case FitModel::Proportional: {
        double a = 0, c11 = 0, ss = 0;
        gsl_fit_mul(pts.x.data(), 1, pts.y.data(), 1, n, &a, &c11, &ss);
        fit.P = {a};
        fit.Sigma = {std::sqrt(c11)};
        fit.RSquaredUncentred = true;
        break;
    }
    case FitModel::Exponential:
    case FitModel::DampedSine: {
        if (allEqual(pts.y)) return failed(fit, flatText());
        // Start values read the curve along time, whatever order the points are stored in.
        Points sorted = pts;
        if (!std::is_sorted(pts.x.begin(), pts.x.end())) {
            std::vector<std::size_t> order(n);
            for (std::size_t i = 0; i < n; ++i)
                order[i] = i;
            std::stable_sort(order.begin(), order.end(),
                             [&](std::size_t a, std::size_t b) { return pts.x[a] < pts.x[b]; });
            for (std::size_t i = 0; i < n; ++i) {
                sorted.x[i] = pts.x[order[i]];
                sorted.y[i] = pts.y[order[i]];
            }
        }
        const Normalised d = normalise(sorted);
        Solution solution;
        solution.p = model == FitModel::Exponential ? exponentialStart(d) : sineStart(d);
        const bool converged = solve(d, model, solution);
        if (!converged && solution.covariance.empty()) return failed(fit, divergedText());
        std::vector<double>& p = solution.p;
        const std::size_t np = p.size();
        const auto sigma = [&](std::size_t k) {
            return solution.covariance.empty()
                       ? std::nan("")
                       : std::sqrt(std::max(0.0, solution.covariance[k * np + k]));
        };
        fit.Origin = d.t0;
        if (model == FitModel::Exponential) {
            fit.P = {d.yMean + d.yScale * p[0], d.yScale * p[1], d.tScale * p[2]};
            fit.Sigma = {d.yScale * sigma(0), d.yScale * sigma(1), d.tScale * sigma(2)};
        } else {
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
            fit.P = {d.yScale * p[0], tau, p[2] / d.tScale, std::remainder(p[3], TwoPi),
                     d.yMean + d.yScale * p[4]};
            fit.Damping = lambda;
            fit.DampingSigma = sigma(1) / d.tScale;
            fit.Sigma = {d.yScale * sigma(0),
                         lambda == 0 ? HUGE_VAL : fit.DampingSigma / (lambda * lambda),
                         sigma(2) / d.tScale, sigma(3), d.yScale * sigma(4)};
        }
        const double step = (fit.XMax - fit.XMin) / static_cast<double>(n - 1);
        // Where the solver got stuck, the place says why only when the points' spacing or
        // extent plainly cannot show the curve: a sine with fewer than four points per period
        // or less than one period, an approach slower than twice the measurement.
        const double duration = fit.XMax - fit.XMin;
        const bool plain = model == FitModel::DampedSine
                               ? std::fabs(fit.P[2]) * step > 0.25 ||
                                     std::fabs(fit.P[2]) * duration < 1
                               : fit.P[2] > duration / 2;
        if (!converged && !plain) return failed(fit, divergedText());
        if (const auto k = undetermined(fit, solution.conditionRatio, solution.weakest, step))
            return failed(fit, undeterminedText(fit, *k, step, d.yScale * solution.residualSd));
        if (!converged) return failed(fit, divergedText());
        break;
    }
    }
    if (!std::all_of(fit.P.begin(), fit.P.begin() + fit.ParameterCount,
                     [](double v) { return !std::isnan(v); }))
        return failed(fit, divergedText());
    fit.Converged = true;
    fit.RSquared = rSquared(fit, pts);
    return fit;
}

double FitValue(const FitResult& fit, double t) {
    if (!fit.Converged) return std::nan("");
    const auto& p = fit.P;
    const double u = t - fit.Origin;
    switch (fit.Model) {
    case FitModel::Linear:
    case FitModel::XYLinear:
        return p[0] * t + p[1];
    case FitModel::Proportional:
        return p[0] * t;
    case FitModel::Exponential:
        return p[0] + p[1] * std::exp(-u / p[2]);
    case FitModel::DampedSine:
        return p[0] * std::exp(-u / p[1]) * std::sin(TwoPi * p[2] * u + p[3]) + p[4];
    }
    return std::nan("");
}

} // namespace kurvimat::analysis
