// Curve fits ("Ausgleichskurven") over a time span of the stored points, by least squares
// through GSL. Nonlinear models start from values read off the data, so a fit needs no input
// beyond the model and the span.
#pragma once

#include "FitModels.h"

namespace kurvimat::analysis {

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

int FitParameterCount(FitModel model);

/// The fit of the span's points; FitModel::User fits `user` (refused without one).
FitResult FitCurve(FitModel model, const FitSpan& span, const UserFitModel* user = nullptr);
/// The same over the given points, all of them, as they are (in double precision).
FitResult FitPointsCurve(FitModel model, const std::vector<double>& x,
                         const std::vector<double>& y, const UserFitModel* user = nullptr);

/// The fitted curve at t (or x for XYLinear); NaN when the fit did not converge.
double FitValue(const FitResult& fit, double t);

} // namespace kurvimat::analysis
