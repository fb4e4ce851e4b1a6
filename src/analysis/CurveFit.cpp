#include "CurveFit.h"

#include "Measure.h"
#include "UserFit.h"

#include <QCoreApplication>
#include <QLocale>
#include <gsl/gsl_blas.h>
#include <gsl/gsl_eigen.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_fit.h>
#include <gsl/gsl_multifit.h>
#include <gsl/gsl_multifit_nlinear.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <vector>

namespace kurvimat::analysis {

namespace {

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
QString positiveText() {
    return QCoreApplication::translate(
        "CurveFit", "Eine Potenzfunktion braucht Messpunkte mit t > 0: die Zeitspanne beginnt "
                    "bei 0 oder davor");
}
QString noModelText() {
    return QCoreApplication::translate("CurveFit", "Die eigene Funktion fehlt");
}
QString noValueText(double x) {
    return QCoreApplication::translate(
               "CurveFit", "Die Funktion hat mit den Startwerten bei x = %1 keinen Wert")
        .arg(QLocale().toString(x, 'g', 6));
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

// The nonlinear models work on t' = (t - t0) / span and y' = (y - mean) / deviation (or
// y / deviation where the model has no offset).
FitPoints normalise(const Points& p, bool centre, bool raw) {
    FitPoints n;
    const std::size_t count = p.x.size();
    if (raw) {
        n.t = p.x;
        n.y = p.y;
        return n;
    }
    n.t0 = *std::min_element(p.x.begin(), p.x.end());
    n.tScale = *std::max_element(p.x.begin(), p.x.end()) - n.t0;
    const double m = mean(p.y, 0, count);
    double ss = 0;
    for (double y : p.y)
        ss += (y - m) * (y - m);
    n.yMean = centre ? m : 0;
    n.yScale = std::sqrt(ss / static_cast<double>(count));
    n.t.resize(count);
    n.y.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        n.t[i] = (p.x[i] - n.t0) / n.tScale;
        n.y[i] = (p.y[i] - n.yMean) / n.yScale;
    }
    return n;
}

struct Problem {
    const FitPoints* data;
    const FitModelSpec* model;
    const UserFitCurve* user = nullptr; ///< instead of the model's function and derivatives
    std::vector<double> up, down;       ///< the user's formula at shifted parameters
};

// Where the user's formula has no value the residual is this large, so that the solver
// rejects a step that leads there rather than stopping on a NaN.
constexpr double NoValue = 1e100;

int residuals(const gsl_vector* params, void* context, gsl_vector* r) {
    auto* pr = static_cast<Problem*>(context);
    const double* p = params->data;
    const auto& t = pr->data->t;
    const auto& y = pr->data->y;
    if (pr->user) {
        pr->user->Evaluate(t, p, pr->up);
        for (std::size_t i = 0; i < t.size(); ++i) {
            const double e = pr->up[i] - y[i];
            gsl_vector_set(r, i, std::isfinite(e) ? e : NoValue);
        }
        return GSL_SUCCESS;
    }
    for (std::size_t i = 0; i < t.size(); ++i)
        gsl_vector_set(r, i, pr->model->Function(p, t[i]) - y[i]);
    return GSL_SUCCESS;
}

// The user's formula differentiated by central differences, the step scaled to the parameter
// (the cube root of the rounding error balances it against the truncation error); one-sided
// where the formula has no value on one side.
void userJacobian(Problem& pr, const gsl_vector* params, gsl_matrix* j) {
    const auto& t = pr.data->t;
    std::vector<double> p(params->data, params->data + params->size);
    std::vector<double> centre;
    pr.user->Evaluate(t, p.data(), centre);
    const double step = std::cbrt(std::numeric_limits<double>::epsilon());
    for (std::size_t k = 0; k < p.size(); ++k) {
        const double value = p[k];
        const double h = step * (value != 0 ? std::fabs(value) : 1.0);
        p[k] = value + h;
        const double hUp = p[k] - value; // the step as represented
        pr.user->Evaluate(t, p.data(), pr.up);
        p[k] = value - h;
        const double hDown = value - p[k];
        pr.user->Evaluate(t, p.data(), pr.down);
        p[k] = value;
        for (std::size_t i = 0; i < t.size(); ++i) {
            const double u = pr.up[i], d = pr.down[i], c = centre[i];
            double slope = 0;
            if (std::isfinite(u) && std::isfinite(d))
                slope = (u - d) / (hUp + hDown);
            else if (std::isfinite(u) && std::isfinite(c))
                slope = (u - c) / hUp;
            else if (std::isfinite(d) && std::isfinite(c))
                slope = (c - d) / hDown;
            gsl_matrix_set(j, i, k, std::isfinite(slope) ? slope : 0.0);
        }
    }
}

int jacobian(const gsl_vector* params, void* context, gsl_matrix* j) {
    auto* pr = static_cast<Problem*>(context);
    if (pr->user) {
        userJacobian(*pr, params, j);
        return GSL_SUCCESS;
    }
    const double* p = params->data;
    const auto& t = pr->data->t;
    double d[MaxFitParameters];
    for (std::size_t i = 0; i < t.size(); ++i) {
        pr->model->Derivatives(p, t[i], d);
        for (std::size_t k = 0; k < j->size2; ++k)
            gsl_matrix_set(j, i, k, d[k]);
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
    int weakest = 0; ///< the parameter that dominates the direction of the smallest singular value
    bool inspected = false; ///< the solver ended on finite parameters and the above are set
    double residualSd = 0;  ///< of the residuals, on the normalised scale
};

void inspect(gsl_multifit_nlinear_workspace* w, Solution& s) {
    const std::size_t np = s.p.size();
    const gsl_matrix* jac = gsl_multifit_nlinear_jac(w);
    const gsl_vector* f = gsl_multifit_nlinear_residual(w);
    const std::size_t n = jac->size1;
    s.inspected = true;
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
            // A parameter that changes no residual at all is the one the points leave open.
            if (!(scale[i] > 0) && !zeroColumn) s.weakest = static_cast<int>(i);
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
bool solve(const FitPoints& data, const FitModelSpec& model, Solution& s,
           const UserFitCurve* user = nullptr) {
    std::vector<double>& p = s.p;
    Problem problem{&data, &model, user, {}, {}};
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
        // The user's start may lie far from the optimum, as NIST's first start values do; its
        // parameters are in the data's units, not of order one, so the step and gradient
        // tests are tighter (Lanczos2, whose residuals are 1e-6, stops 1e-6 short otherwise).
        status = gsl_multifit_nlinear_driver(user ? 1000 : 200, user ? 1e-13 : 1e-10,
                                             user ? 1e-13 : 1e-10, 1e-12, nullptr, nullptr,
                                             &info, w);
    const gsl_vector* x = gsl_multifit_nlinear_position(w);
    for (std::size_t k = 0; k < p.size(); ++k)
        p[k] = gsl_vector_get(x, k);
    // "No further progress" at a noisy minimum is an answer as good as the tolerances; so is
    // a curve through every point, where the solver's tests of the step divide zero by zero.
    double yNorm = 0;
    for (const double v : data.y)
        yNorm = std::hypot(yNorm, v);
    const bool exact = status == GSL_SUCCESS || gsl_blas_dnrm2(gsl_multifit_nlinear_residual(w)) <=
                                                    1e-13 * yNorm;
    const bool stopped = exact || status == GSL_ENOPROG;
    const bool finite = std::all_of(p.begin(), p.end(), [](double v) { return std::isfinite(v); });
    // Where it got stuck too: the Jacobian there tells what the points leave open.
    if (finite) inspect(w, s);
    gsl_multifit_nlinear_free(w);
    return stopped && finite;
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

// Why the points leave parameter k open, and what would pin it down, in German. `noise`: the
// residuals' standard deviation (0 where the solver got stuck and they say nothing).
QString undeterminedText(const FitModelSpec& m, const FitResult& fit, int k, double step,
                         double noise) {
    const double duration = fit.XMax - fit.XMin;
    // A change or a swing no larger than the scatter of the points is not seen at all.
    const bool drowned = std::fabs(fit.P[m.Refusal.Amplitude]) < 3 * noise;
    std::optional<FitReason> reason;
    if (!drowned && m.Refusal.Reason) reason = m.Refusal.Reason(fit, step, duration);
    if (!reason)
        reason = FitReason{
            QCoreApplication::translate("CurveFit", "das Rauschen verdeckt den Verlauf"),
            QCoreApplication::translate("CurveFit", "längere Messdauer oder weniger Rauschen")};
    return QCoreApplication::translate("CurveFit",
                                       "Die Messpunkte bestimmen %1 nicht: %2. Abhilfe: %3.")
        .arg(QString::fromUtf8(m.ParameterNames[k]), reason->Why, reason->Help);
}

// The parameter the points leave open, if any.
std::optional<int> undetermined(const FitModelSpec& m, const FitResult& fit, double conditionRatio,
                                int weakest, double step) {
    const double duration = fit.XMax - fit.XMin;
    const FitRefusal& r = m.Refusal;
    if (r.Unseen)
        if (const auto k = r.Unseen(fit, step, duration)) return k;
    const std::optional<int> blamed = r.Blame ? r.Blame(fit, step, duration) : std::nullopt;
    if (conditionRatio < RankRatio) return blamed.value_or(weakest);
    for (const int k : r.Shape)
        if (!(fit.Sigma[k] <= SigmaRatio * std::fabs(fit.P[k]))) return blamed.value_or(k);
    if (!(AmplitudeSigmas * fit.Sigma[r.Amplitude] <= std::fabs(fit.P[r.Amplitude])))
        return blamed.value_or(r.Amplitude);
    return std::nullopt;
}

QString unknownModelText() {
    return QCoreApplication::translate("CurveFit", "Diese Ausgleichskurve gibt es nicht");
}

} // namespace

const FitModelSpec* FindFitModel(FitModel model) {
    for (const FitModelSpec& m : FitModels)
        if (m.Model == model) return &m;
    return nullptr;
}

std::optional<FitModel> FitModelNamed(QStringView name) {
    for (const FitModelSpec& m : FitModels)
        if (name == QLatin1StringView(m.Name)) return m.Model;
    return std::nullopt;
}

int FitParameterCount(FitModel model) {
    const FitModelSpec* m = FindFitModel(model);
    return m ? m->ParameterCount : 0;
}

StraightLine FitStraightLine(const std::vector<double>& x, const std::vector<double>& y,
                             bool throughOrigin) {
    StraightLine l;
    double ss = 0;
    if (throughOrigin) {
        double c11 = 0;
        gsl_fit_mul(x.data(), 1, y.data(), 1, x.size(), &l.Slope, &c11, &ss);
        l.SlopeSigma = std::sqrt(c11);
    } else {
        double c00 = 0, c01 = 0, c11 = 0;
        gsl_fit_linear(x.data(), 1, y.data(), 1, x.size(), &l.Intercept, &l.Slope, &c00, &c01,
                       &c11, &ss);
        l.SlopeSigma = std::sqrt(c11);
        l.InterceptSigma = std::sqrt(c00);
    }
    return l;
}

std::optional<std::vector<double>> FitColumns(const std::vector<std::vector<double>>& columns,
                                              const std::vector<double>& y) {
    const std::size_t n = y.size(), m = columns.size();
    std::optional<std::vector<double>> out;
    gsl_matrix* x = gsl_matrix_alloc(n, m);
    gsl_vector* v = gsl_vector_alloc(n);
    gsl_vector* c = gsl_vector_alloc(m);
    gsl_matrix* cov = gsl_matrix_alloc(m, m);
    gsl_multifit_linear_workspace* w = gsl_multifit_linear_alloc(n, m);
    if (x && v && c && cov && w) {
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t k = 0; k < m; ++k)
                gsl_matrix_set(x, i, k, columns[k][i]);
            gsl_vector_set(v, i, y[i]);
        }
        double chisq = 0;
        if (gsl_multifit_linear(x, v, c, cov, &chisq, w) == GSL_SUCCESS) {
            out.emplace(m);
            for (std::size_t k = 0; k < m; ++k)
                (*out)[k] = gsl_vector_get(c, k);
        }
    }
    gsl_multifit_linear_free(w);
    gsl_matrix_free(cov);
    gsl_vector_free(c);
    gsl_vector_free(v);
    gsl_matrix_free(x);
    return out;
}

double MeanOf(const std::vector<double>& v, std::size_t from, std::size_t to) {
    return mean(v, from, to);
}

namespace {

// The user's model from its start values; the points do not determine a parameter that the
// Jacobian's rank leaves open (the direction of its smallest singular value).
FitResult fitUser(FitResult fit, const UserFitModel* model, const Points& pts) {
    if (!model) return failed(fit, noModelText());
    ColumnFormulaError error;
    fit.User = UserFitCurve::Compile(*model, &error);
    if (!fit.User) return failed(fit, error.Message);
    const UserFitCurve& user = *fit.User;
    fit.ParameterCount = user.ParameterCount();
    const std::size_t n = pts.x.size();
    if (n < static_cast<std::size_t>(fit.ParameterCount) + 1) return failed(fit, tooFewText());
    if (allEqual(pts.x)) return failed(fit, flatText());
    const FitPoints d = normalise(pts, false, true);
    Solution solution;
    solution.p = model->Start;
    std::vector<double> first;
    user.Evaluate(d.t, solution.p.data(), first);
    for (std::size_t i = 0; i < n; ++i)
        if (!std::isfinite(first[i])) return failed(fit, noValueText(d.t[i]));
    const FitModelSpec& m = *FindFitModel(FitModel::User);
    const bool converged = solve(d, m, solution, &user);
    const std::size_t np = solution.p.size();
    if (!solution.inspected) return failed(fit, divergedText());
    std::optional<std::size_t> open;
    if (solution.conditionRatio < RankRatio) open = std::size_t(solution.weakest);
    else if (solution.covariance.empty()) return failed(fit, divergedText());
    for (std::size_t k = 0; k < np && !open; ++k) {
        fit.P[k] = solution.p[k];
        fit.Sigma[k] = std::sqrt(std::max(0.0, solution.covariance[k * np + k]));
        if (!std::isfinite(fit.Sigma[k])) open = k;
    }
    if (open)
        return failed(fit, QCoreApplication::translate(
                               "CurveFit", "Die Messpunkte bestimmen %1 nicht: der Parameter "
                                           "ändert die Kurve nicht oder nur so wie andere. "
                                           "Abhilfe: %2 weglassen, andere Startwerte oder "
                                           "Messpunkte über einen weiteren Bereich.")
                               .arg(model->Names[*open], model->Names[*open]));
    if (!converged) return failed(fit, divergedText());
    return fit;
}

} // namespace

void FitParabola(const std::vector<double>& x, const std::vector<double>& y, FitResult& fit) {
    // On u = (x − m)/s the columns are of order one; y = α·u² + β·u + γ is then turned back
    // into powers of x, and its covariance with the same linear map.
    const std::size_t n = x.size();
    const double m = mean(x, 0, n);
    double s = 0;
    for (double v : x)
        s = std::max(s, std::fabs(v - m));
    gsl_matrix* a = gsl_matrix_alloc(n, 3);
    gsl_vector* b = gsl_vector_alloc(n);
    gsl_vector* c = gsl_vector_alloc(3);
    gsl_matrix* cov = gsl_matrix_alloc(3, 3);
    gsl_multifit_linear_workspace* w = gsl_multifit_linear_alloc(n, 3);
    bool ok = false;
    std::array<double, 3> q{};
    std::array<std::array<double, 3>, 3> cq{};
    std::size_t rank = 0;
    double chisq = 0;
    if (a && b && c && cov && w && s > 0) {
        for (std::size_t i = 0; i < n; ++i) {
            const double u = (x[i] - m) / s;
            gsl_matrix_set(a, i, 0, u * u);
            gsl_matrix_set(a, i, 1, u);
            gsl_matrix_set(a, i, 2, 1);
            gsl_vector_set(b, i, y[i]);
        }
        // Fewer than three distinct x leave a column dependent on the others: the singular
        // values tell, with a tolerance far above rounding.
        ok = gsl_multifit_linear_tsvd(a, b, 1e-10, c, cov, &chisq, &rank, w) == GSL_SUCCESS &&
             rank == 3;
        for (std::size_t k = 0; k < 3 && ok; ++k) {
            q[k] = gsl_vector_get(c, k);
            for (std::size_t l = 0; l < 3; ++l)
                cq[k][l] = gsl_matrix_get(cov, k, l);
        }
    }
    gsl_multifit_linear_free(w);
    gsl_matrix_free(cov);
    gsl_vector_free(c);
    gsl_vector_free(b);
    gsl_matrix_free(a);
    if (!ok) {
        fit.Error = QCoreApplication::translate(
            "CurveFit", "Die Messpunkte bestimmen a nicht: sie liegen bei weniger als drei "
                        "verschiedenen Werten. Abhilfe: Messpunkte über einen weiteren Bereich.");
        return;
    }
    // GSL states (AᵀA)⁻¹ times the residual variance χ²/(n − 3), as curve_fit's pcov.
    // p = T·q: a = α/s², b = β/s − 2αm/s², c = γ − βm/s + αm²/s².
    const double t[3][3] = {{1 / (s * s), 0, 0},
                            {-2 * m / (s * s), 1 / s, 0},
                            {m * m / (s * s), -m / s, 1}};
    for (std::size_t k = 0; k < 3; ++k) {
        double v = 0, var = 0;
        for (std::size_t i = 0; i < 3; ++i) {
            v += t[k][i] * q[i];
            for (std::size_t l = 0; l < 3; ++l)
                var += t[k][i] * cq[i][l] * t[k][l];
        }
        fit.P[k] = v;
        fit.Sigma[k] = std::sqrt(std::max(0.0, var));
    }
}

FitResult FitCurve(FitModel model, const FitSpan& span, const UserFitModel* user) {
    const Points pts = select(span);
    return FitPointsCurve(model, pts.x, pts.y, user);
}

FitResult FitPointsCurve(FitModel model, const std::vector<double>& x,
                         const std::vector<double>& y, const UserFitModel* user) {
    quietGsl();
    FitResult fit;
    fit.Model = model;
    const FitModelSpec* entry = FindFitModel(model);
    if (!entry) return failed(fit, unknownModelText());
    const FitModelSpec& m = *entry;
    fit.ParameterCount = m.ParameterCount;
    Points pts;
    for (std::size_t i = 0; i < std::min(x.size(), y.size()); ++i)
        if (std::isfinite(x[i]) && std::isfinite(y[i])) {
            pts.x.push_back(x[i]);
            pts.y.push_back(y[i]);
        }
    const std::size_t n = pts.x.size();
    fit.PointCount = static_cast<int>(n);
    if (n < static_cast<std::size_t>(fit.ParameterCount) + 1) return failed(fit, tooFewText());
    // Every model needs at least two distinct x; the nonlinear ones also a change in y.
    if (n > 0 && allEqual(pts.x)) return failed(fit, flatText());
    if (n > 0) {
        fit.XMin = *std::min_element(pts.x.begin(), pts.x.end());
        fit.XMax = *std::max_element(pts.x.begin(), pts.x.end());
    }

    if (model == FitModel::User) {
        fit = fitUser(fit, user, pts);
        if (!fit.Error.isEmpty()) return fit;
    } else if (m.Direct) {
        m.Direct(pts.x, pts.y, fit);
        if (!fit.Error.isEmpty()) return failed(fit, fit.Error);
    } else {
        if (allEqual(pts.y)) return failed(fit, flatText());
        // A power of t has no value (or none that is real) at t ≤ 0.
        if (model == FitModel::PowerLaw && !(fit.XMin > 0)) return failed(fit, positiveText());
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
        const FitPoints d = normalise(sorted, m.Centre, m.Raw);
        Solution solution;
        solution.p = m.Start(d);
        const bool converged = solve(d, m, solution);
        if (!converged && solution.covariance.empty()) return failed(fit, divergedText());
        const std::size_t np = solution.p.size();
        std::vector<double> sigma(np);
        for (std::size_t k = 0; k < np; ++k)
            sigma[k] = solution.covariance.empty()
                           ? std::nan("")
                           : std::sqrt(std::max(0.0, solution.covariance[k * np + k]));
        fit.Origin = d.t0;
        m.Physical(solution.p, sigma, d, fit);
        const double step = (fit.XMax - fit.XMin) / static_cast<double>(n - 1);
        // Where the solver got stuck, the place says why only when the points' spacing or
        // extent plainly cannot show the curve.
        const double duration = fit.XMax - fit.XMin;
        if (!converged && !(m.Refusal.Plain && m.Refusal.Plain(fit, step, duration)))
            return failed(fit, divergedText());
        if (const auto k = undetermined(m, fit, solution.conditionRatio, solution.weakest, step))
            return failed(fit,
                          undeterminedText(m, fit, *k, step, d.yScale * solution.residualSd));
        if (!converged) return failed(fit, divergedText());
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
    const FitModelSpec* m = FindFitModel(fit.Model);
    return m ? m->Value(fit, t) : std::nan("");
}

} // namespace kurvimat::analysis
