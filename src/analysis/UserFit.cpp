#include "UserFit.h"

#include "FormulaParser.h"
#include "SignalDefinition.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <string>

namespace kurvimat::analysis {

namespace {

using kurvimat::signals::TParser;

constexpr const char* SeriesNames[] = {"ABL", "GLAETT", "SAVGOL", "SAVGOLABL", "INTEGRAL", "DIFF"};

bool asciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// A name the parser takes as a variable of its own: it must read back what was stored, and no
// function may have it, so a function's name, an operator (DIV, MOD) or PI is no parameter.
bool parserVariable(const std::string& name) {
    if (name == "X" || name == "PI" || name.find("DIV") != std::string::npos ||
        name.find("MOD") != std::string::npos)
        return false;
    for (const char* series : SeriesNames)
        if (name == series) return false;
    try {
        // A function's name followed by its argument compiles: no parameter may shadow it.
        TParser function;
        function.SetExpression(name + "(1)");
        return false;
    } catch (const std::exception&) {
    }
    try {
        TParser probe;
        probe.SetVariable(name, 1.5);
        probe.SetExpression(name + "*2");
        return probe.Value() == 3;
    } catch (const std::exception&) {
        return false;
    }
}

// The first series function called in the formula, with its 1-based place.
std::optional<ColumnFormulaError> seriesCall(const QString& formula) {
    for (qsizetype i = 0; i < formula.size();) {
        const QChar c = formula[i];
        if (!(asciiLetter(c) || c == u'_' || c.isDigit())) {
            ++i;
            continue;
        }
        const qsizetype b = i;
        while (i < formula.size() &&
               (asciiLetter(formula[i]) || formula[i].isDigit() || formula[i] == u'_' ||
                formula[i] == u'.' || formula[i] == u','))
            ++i;
        if (!asciiLetter(formula[b])) continue; // a number
        const QString name = formula.mid(b, i - b).toUpper();
        for (const char* series : SeriesNames)
            if (name == QLatin1StringView(series))
                return ColumnFormulaError{
                    QCoreApplication::translate(
                        "UserFit",
                        "%1 an Stelle %2 rechnet über ganze Spalten und passt nicht in eine "
                        "Ausgleichsfunktion")
                        .arg(name)
                        .arg(b + 1),
                    b + 1};
    }
    return std::nullopt;
}

std::optional<ColumnFormulaError> checkNames(const UserFitModel& m) {
    const auto error = [](const QString& text) { return ColumnFormulaError{text, 0}; };
    const std::size_t count = m.Names.size();
    if (count < 1 || count > std::size_t(MaxFitParameters))
        return error(QCoreApplication::translate(
                         "UserFit", "Eine eigene Funktion hat 1 bis %1 Parameter, nicht %2")
                         .arg(MaxFitParameters)
                         .arg(count));
    if (m.Start.size() != count)
        return error(
            QCoreApplication::translate("UserFit", "Jeder Parameter braucht einen Startwert"));
    std::vector<std::string> seen;
    for (std::size_t k = 0; k < count; ++k) {
        const QString& name = m.Names[k];
        const QString shown = signals::shownName(name.left(MaxUserFitNameLength + 1));
        const bool wellFormed = !name.isEmpty() && name.size() <= MaxUserFitNameLength &&
                                asciiLetter(name[0]) &&
                                std::all_of(name.begin(), name.end(), [](QChar c) {
                                    return asciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'_';
                                });
        if (!wellFormed)
            return error(QCoreApplication::translate(
                             "UserFit",
                             "„%1“ ist kein Parametername: ein Buchstabe, dann Buchstaben, "
                             "Ziffern oder _, höchstens %2 Zeichen")
                             .arg(shown)
                             .arg(MaxUserFitNameLength));
        const std::string upper = name.toUpper().toStdString();
        if (!parserVariable(upper))
            return error(
                QCoreApplication::translate(
                    "UserFit", "„%1“ ist ein Name der Formelsprache und kein Parametername")
                    .arg(shown));
        if (std::find(seen.begin(), seen.end(), upper) != seen.end())
            return error(
                QCoreApplication::translate("UserFit", "Der Parametername „%1“ kommt zweimal vor")
                    .arg(shown));
        seen.push_back(upper);
        if (!std::isfinite(m.Start[k]))
            return error(
                QCoreApplication::translate("UserFit", "Der Startwert von %1 ist keine Zahl")
                    .arg(shown));
    }
    return std::nullopt;
}

std::vector<std::string> columnNames(const UserFitModel& m) {
    std::vector<std::string> names{"X"};
    for (const QString& name : m.Names)
        names.push_back(name.toUpper().toStdString());
    return names;
}

} // namespace

std::optional<ColumnFormulaError> CheckUserFitModel(const UserFitModel& model) {
    ColumnFormulaError error;
    if (UserFitCurve::Compile(model, &error)) return std::nullopt;
    return error;
}

std::shared_ptr<const UserFitCurve> UserFitCurve::Compile(const UserFitModel& model,
                                                          ColumnFormulaError* error) {
    const auto fail = [&](ColumnFormulaError e) {
        if (error) *error = std::move(e);
        return nullptr;
    };
    if (auto e = checkNames(model)) return fail(*e);
    if (model.Formula.size() > MaxColumnFormulaLength)
        return fail({QCoreApplication::translate("ColumnFormula", "die Formel ist zu lang"), 0});
    if (auto e = seriesCall(model.Formula)) return fail(*e);
    std::shared_ptr<UserFitCurve> curve(new UserFitCurve);
    if (!curve->formula_.compile(model.Formula, columnNames(model), "X"))
        return fail(curve->formula_.error());
    curve->model_ = model;
    curve->columns_.resize(model.Names.size() + 1);
    return curve;
}

void UserFitCurve::Evaluate(std::span<const double> x, const double* p,
                            std::vector<double>& out) const {
    const std::scoped_lock lock(mutex_);
    const std::size_t n = x.size();
    std::vector<std::span<const double>> spans{x};
    for (std::size_t k = 1; k < columns_.size(); ++k) {
        columns_[k].assign(n, p[k - 1]);
        spans.emplace_back(columns_[k]);
    }
    if (!formula_.evaluate(spans, out)) out.assign(n, std::nan(""));
}

double UserFitCurve::Value(double x, const double* p) const {
    std::vector<double> out;
    Evaluate(std::span<const double>(&x, 1), p, out);
    return out.empty() ? std::nan("") : out[0];
}

double UserFitValue(const FitResult& fit, double x) {
    return fit.User ? fit.User->Value(x, fit.P.data()) : std::nan("");
}

std::vector<FitParameter> UserFitReadout(const FitResult& fit, const FitUnits&) {
    // The units of the user's parameters are the user's to know.
    std::vector<FitParameter> out;
    if (!fit.User) return out;
    const auto& names = fit.User->Model().Names;
    for (std::size_t k = 0; k < names.size() && k < fit.P.size(); ++k)
        out.push_back({names[k], fit.P[k], fit.Sigma[k], QString(), {}});
    return out;
}

} // namespace kurvimat::analysis
