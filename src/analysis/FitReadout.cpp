#include "FitReadout.h"

#include <QCoreApplication>
#include <QLocale>

#include <cmath>
#include <numbers>
#include <vector>

namespace kurvimat::analysis {

namespace {

QString ratioUnit(const QString& y, const QString& x) {
    if (x.isEmpty()) return y;
    return (y.isEmpty() ? QStringLiteral("1") : y) + QLatin1Char('/') + x;
}

struct Parameter {
    QString Name;
    double Value = 0;
    double Sigma = 0; ///< NaN: none to state (t₀ is chosen, not fitted)
    QString Unit;
    QString Text; ///< instead of the value
};

// A damped sine whose damping does not differ from none by twice its uncertainty.
bool undamped(const FitResult& fit) {
    return !std::isfinite(fit.P[1]) || std::fabs(fit.Damping) <= 2 * fit.DampingSigma;
}

std::vector<Parameter> parameters(const FitResult& fit, const FitUnits& units) {
    const auto& p = fit.P;
    const auto& s = fit.Sigma;
    const QString& y = units.Y;
    const QString& x = units.X;
    const double k = units.XPerSecond;
    const double none = std::nan("");
    const double degrees = 180 / std::numbers::pi;
    switch (fit.Model) {
    case FitModel::Linear:
        return {{QStringLiteral("a"), p[0] / k, s[0] / k, ratioUnit(y, x), {}},
                {QStringLiteral("b"), p[1], s[1], y, {}}};
    case FitModel::Proportional:
        return {{QStringLiteral("a"), p[0] / k, s[0] / k, ratioUnit(y, x), {}}};
    case FitModel::XYLinear:
        return {{QStringLiteral("m"), p[0], s[0], ratioUnit(y, x), {}},
                {QStringLiteral("b"), p[1], s[1], y, {}}};
    case FitModel::Exponential:
        return {{QStringLiteral("a"), p[0], s[0], y, {}},
                {QStringLiteral("b"), p[1], s[1], y, {}},
                {QStringLiteral("τ"), p[2] * k, s[2] * k, x, {}},
                {QStringLiteral("t₀"), fit.Origin * k, none, x, {}}};
    case FitModel::DampedSine:
        return {{QStringLiteral("A"), p[0], s[0], y, {}},
                {QStringLiteral("τ"), p[1] * k, s[1] * k, x,
                 undamped(fit) ? QCoreApplication::translate("FitReadout", "∞ (ungedämpft)")
                               : QString()},
                {QStringLiteral("f"), p[2], s[2], QStringLiteral("Hz"), {}},
                {QStringLiteral("φ"), p[3] * degrees, s[3] * degrees, QStringLiteral("°"), {}},
                {QStringLiteral("c"), p[4], s[4], y, {}},
                {QStringLiteral("t₀"), fit.Origin * k, none, x, {}}};
    }
    return {};
}

QString rSquaredName(const FitResult& fit) {
    return fit.RSquaredUncentred ? QCoreApplication::translate("FitReadout", "R² bezogen auf 0")
                                 : QStringLiteral("R²");
}

} // namespace

QString FitFormula(FitModel model) {
    switch (model) {
    case FitModel::Linear:
        return QStringLiteral("y = a·t + b");
    case FitModel::Proportional:
        return QStringLiteral("y = a·t");
    case FitModel::Exponential:
        return QStringLiteral("y = a + b·e^(−(t − t₀)/τ)");
    case FitModel::DampedSine:
        return QStringLiteral("y = A·e^(−(t − t₀)/τ)·sin(2π·f·(t − t₀) + φ) + c");
    case FitModel::XYLinear:
        return QStringLiteral("y = m·x + b");
    }
    return {};
}

FitUnits TimeFitUnits(const QString& y, bool minutes) {
    return minutes ? FitUnits{y, QStringLiteral("min"), 1.0 / 60} : FitUnits{y};
}

QStringList FitReadout(const FitResult& fit, const FitUnits& units) {
    if (!fit.Converged) return {fit.Error};
    QStringList out{FitFormula(fit.Model)};
    for (const Parameter& p : parameters(fit, units))
        out << p.Name + QStringLiteral(" = ") +
                   (p.Text.isEmpty() ? FormatMeasurement(p.Value, p.Sigma, p.Unit) : p.Text);
    // Constant values leave nothing to explain: R² is 0/0 there, as a spreadsheet's RSQ says.
    QString r = std::isnan(fit.RSquared)
                    ? QCoreApplication::translate("FitReadout",
                                                  "R² = – (die Messwerte sind konstant: 0/0)")
                    : QStringLiteral("R² = ") + QLocale().toString(fit.RSquared, 'f', 5);
    // Through the origin the share is of the sum of squares about zero, as spreadsheets and
    // NIST state it there; about the mean it may even come out negative.
    if (fit.RSquaredUncentred) r += QCoreApplication::translate("FitReadout", " (bezogen auf 0)");
    out << r << QCoreApplication::translate("FitReadout", "%1 Messpunkte").arg(fit.PointCount);
    return out;
}

ReadoutTable FitTable(const FitResult& fit, const FitUnits& units, const QString& title) {
    ReadoutTable table;
    if (!fit.Converged) return table;
    const auto add = [&](const QString& name, ReadoutCell cell) {
        table.push_back({title + QLatin1Char(' ') + name, {std::move(cell)}, false, false, true});
    };
    for (const Parameter& p : parameters(fit, units)) {
        if (!p.Text.isEmpty())
            add(p.Name, {std::nullopt, p.Unit, std::nullopt, p.Text});
        else if (std::isnan(p.Sigma))
            add(p.Name, {p.Value, p.Unit, std::nullopt, {}});
        else
            add(p.Name, {p.Value, p.Unit, p.Sigma, {}});
    }
    // Five decimals shown, six copied.
    add(rSquaredName(fit), {std::nullopt, {}, std::nullopt,
                            std::isnan(fit.RSquared) ? QStringLiteral("–")
                                                     : QLocale().toString(fit.RSquared, 'f', 6)});
    add(QCoreApplication::translate("FitReadout", "Messpunkte"),
        {fit.PointCount, {}, std::nullopt, {}});
    return table;
}

} // namespace kurvimat::analysis
