#include "FitReadout.h"

#include "UserFit.h"

#include <QCoreApplication>
#include <QLocale>

#include <cmath>
#include <numbers>
#include <vector>

namespace kurvimat::analysis {

namespace {

QString rSquaredName(const FitResult& fit) {
    return fit.RSquaredUncentred ? QCoreApplication::translate("FitReadout", "R² bezogen auf 0")
                                 : QStringLiteral("R²");
}

std::vector<FitParameter> parameters(const FitResult& fit, const FitUnits& units) {
    const FitModelSpec* m = FindFitModel(fit.Model);
    return m ? m->Readout(fit, units) : std::vector<FitParameter>{};
}

} // namespace

QString RatioUnit(const QString& y, const QString& x) {
    if (x.isEmpty()) return y;
    return (y.isEmpty() ? QStringLiteral("1") : y) + QLatin1Char('/') + x;
}

QString FitFormula(FitModel model) {
    const FitModelSpec* m = FindFitModel(model);
    return m ? QString::fromUtf8(m->Formula) : QString();
}

FitUnits TimeFitUnits(const QString& y, bool minutes) {
    return minutes ? FitUnits{y, QStringLiteral("min"), 1.0 / 60} : FitUnits{y};
}

QStringList FitReadout(const FitResult& fit, const FitUnits& units) {
    if (!fit.Converged) return {fit.Error};
    QStringList out{fit.User ? QStringLiteral("y = ") + fit.User->Model().Formula.trimmed()
                             : FitFormula(fit.Model)};
    for (const FitParameter& p : parameters(fit, units))
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
    for (const FitParameter& p : parameters(fit, units)) {
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
