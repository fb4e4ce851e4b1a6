// A formula over named columns of points, compiled once and evaluated over whole columns: new
// quantities from the time, the channels and other quantities, with series functions that
// take whole columns (derivative, smoothing, running integral, difference).
#pragma once

#include "Series.h"

#include <QString>

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kurvimat::signals {
class TParser;
}

namespace kurvimat::analysis {

/// What went wrong, in German, with the 1-based place in the formula text it is about (0 where
/// there is none); the message names the place too.
struct ColumnFormulaError {
    QString Message;
    qsizetype Place = 0;
};

/// Longest formula text taken; a longer one is refused at once as too long.
inline constexpr qsizetype MaxColumnFormulaLength = 2000;
/// Series-function calls per formula, and how deep they may lie in each other.
inline constexpr int MaxSeriesCalls = 16;
inline constexpr int MaxSeriesNesting = 6;

/// The series functions (upper-case, arguments separated by ";" since the comma is the
/// decimal comma, as in a definition's [min;max]):
///   ABL(y;x)                    dy/dx, numpy.gradient's differences (`Derivative`)
///   GLAETT(y;n)                 centred moving average over n points (`MovingAverage`)
///   SAVGOL(y;Fenster;Ordnung)   Savitzky-Golay smoothing (`SavitzkyGolay`)
///   SAVGOLABL(y;Fenster;Ordnung) its derivative by the time, delta its mean step
///   INTEGRAL(y;x)               running integral by the trapezoid rule (`RunningIntegral`)
///   DIFF(y)                     step to the previous point, 0 at the first (`Difference`)
/// y and x are formulas over the columns and may hold series functions themselves; windows and
/// orders are whole numbers. Outside the series functions the formula is the parser's, with
/// MIN(a;b) and MAX(a;b) written with ";" as well.
///
/// Evaluation: every series call over whole columns, inner ones first, their arguments point
/// by point with the formula parser; then the rest of the formula point by point with their
/// results as variables. A point where the parser meets an error (division by zero, LN of a
/// negative number) gets NaN, which the series functions keep local.
class ColumnFormula {
public:
    ColumnFormula();
    ~ColumnFormula();
    ColumnFormula(const ColumnFormula&) = delete;
    ColumnFormula& operator=(const ColumnFormula&) = delete;

    /// Compiles text over the columns named (identifiers, in either case, in the order
    /// evaluate receives them); `timeName` is the column SAVGOLABL takes its step from. False
    /// with error() set when the text is refused; the formula then has no program.
    bool compile(const QString& text, const std::vector<std::string>& names,
                 const std::string& timeName = "T");
    const ColumnFormulaError& error() const { return error_; }
    bool compiled() const { return compiled_; }

    /// All results into out (resized to the columns' length). False with error() set when the
    /// columns do not fit or a series function refuses them (a window longer than the points,
    /// a derivative over equal x).
    bool evaluate(std::span<const std::span<const double>> columns, std::vector<double>& out);

    /// While recording: the points from `changed` on are new or changed since the last
    /// evaluation, the ones before are as they were. The first result that must be computed
    /// again, as far back as the windows of the series functions reach (all of them when
    /// SAVGOLABL's mean step changed, and those no evaluation has given yet).
    std::size_t firstChanged(std::span<const std::span<const double>> columns,
                             std::size_t changed) const;

    /// Computes only the results from firstChanged(columns, changed) on; out holds the last
    /// evaluation's results. Returns that first index through *first when given. A failed
    /// evaluation keeps what its series calls computed before the failure, so evaluating the
    /// grown columns again costs their new points, not all of them (a window still longer than
    /// the points, a derivative over the same equal x).
    bool evaluateChanged(std::span<const std::span<const double>> columns, std::size_t changed,
                         std::vector<double>& out, std::size_t* first = nullptr);

    /// Values the evaluations computed since compile (the series calls', their arguments' and
    /// the results): what they cost, for the tests.
    std::size_t computedValues() const { return computed_; }

private:
    struct PointFormula;
    struct Call;
    std::vector<std::string> columns_;
    std::vector<std::unique_ptr<Call>> calls_; // in the order of the text
    std::vector<int> order_;                   // of evaluation: inner calls first
    std::unique_ptr<PointFormula> outer_;
    int timeColumn_ = -1;
    std::size_t count_ = 0;     // points of the last evaluation, failed or not
    std::size_t lastCount_ = 0; // results in out that hold for those points
    std::size_t computed_ = 0;
    bool compiled_ = false;
    ColumnFormulaError error_;

    // Where each stage computes from: per call its arguments y and x and its results, then the
    // whole formula's results.
    struct Plan {
        std::vector<std::size_t> y, x, call;
        // Of a SAVGOLABL whose mean step changed: its window sums that still hold (all its
        // values change, but only by the new scale).
        std::vector<std::size_t> sumsHeld;
        std::size_t outer = 0;
    };
    bool fail(const QString& message, qsizetype place);
    void forget();
    Plan plan(std::span<const std::span<const double>> columns, std::size_t changed) const;
    const double* source(std::span<const std::span<const double>> columns, int index) const;
    void evaluatePoints(PointFormula& f, std::span<const std::span<const double>> columns,
                        std::size_t first, std::size_t count, double* out) const;
};

} // namespace kurvimat::analysis
