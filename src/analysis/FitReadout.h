// What a fit says, in German: the model's formula, each parameter with its standard
// uncertainty and unit, R²; as lines for the box on the plot and as rows for the copied text.
#pragma once

#include "CurveFit.h"
#include "Quantity.h"

#include <QString>
#include <QStringList>

namespace kurvimat::analysis {

/// The model's formula, as the menu and the readout write it ("y = a·t + b").
QString FitFormula(FitModel model);

/// The units of a time model with or without "Zeit in min".
FitUnits TimeFitUnits(const QString& y, bool minutes);

/// The readout: the model's formula, one line per parameter with its uncertainty, unit and SI
/// prefix ("τ = 120,0 ± 0,3 s"), R² (about zero for the line through the origin, and said so),
/// the number of points; or the error text.
QStringList FitReadout(const FitResult& fit, const FitUnits& units);

/// The same as rows for the copied text, each label starting with `title`; none for a fit
/// that did not converge.
ReadoutTable FitTable(const FitResult& fit, const FitUnits& units, const QString& title);

} // namespace kurvimat::analysis
