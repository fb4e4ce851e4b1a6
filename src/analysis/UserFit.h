// A fit model the user writes: y as a formula over x in the formula language, with up to six
// parameters named by the user and their start values. The formula is compiled once through
// ColumnFormula (the formula parser, German errors with the place, bounded text) over the
// column X and one column per parameter; the series functions over whole columns are refused,
// since a curve's value at x must not depend on the other points.
#pragma once

#include "ColumnFormula.h"
#include "FitModels.h"

#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace kurvimat::analysis {

/// Longest parameter name taken.
inline constexpr qsizetype MaxUserFitNameLength = 16;

/// Why the model cannot be fitted, in German (the place in the formula where there is one), or
/// none: 1 to 6 names, each a letter then letters, digits or "_", distinct in any case, not x
/// nor a name of the formula language; a finite start value for each; a formula that compiles.
std::optional<ColumnFormulaError> CheckUserFitModel(const UserFitModel& model);

class UserFitCurve {
public:
    /// The compiled model, or nullptr with *error set (when given) as CheckUserFitModel says.
    static std::shared_ptr<const UserFitCurve> Compile(const UserFitModel& model,
                                                       ColumnFormulaError* error = nullptr);

    const UserFitModel& Model() const { return model_; }
    int ParameterCount() const { return int(model_.Names.size()); }

    /// The formula at every x for the parameters p (ParameterCount() of them) into out; NaN
    /// where it has no value (a division by zero, a root of a negative number). Safe to call
    /// from several threads: one evaluation at a time.
    void Evaluate(std::span<const double> x, const double* p, std::vector<double>& out) const;
    double Value(double x, const double* p) const;

private:
    UserFitCurve() = default;
    UserFitModel model_;
    mutable std::mutex mutex_;
    mutable ColumnFormula formula_;
    mutable std::vector<std::vector<double>> columns_;
};

} // namespace kurvimat::analysis
