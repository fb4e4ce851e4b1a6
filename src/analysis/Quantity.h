// Values with their units as the readouts write them: an SI prefix where the unit takes one,
// significant digits as FormatValue counts them, or the digits an uncertainty leaves; and the
// readout's table of them, which the plot's readout and a fit's readout both fill.
#pragma once

#include "Numbers.h"

#include <QList>
#include <QString>

#include <optional>

namespace kurvimat::analysis {

/// A number and its unit, apart: the unit with the prefix that puts the number in 1 .. 999
/// where the unit takes one (`signals::UnitTakesPrefix`, the axes' rule, so that a readout and
/// its axis agree).
struct ShownQuantity {
    QString Number; ///< with the locale's separator; "–" where there is no finite value
    QString Unit;
    int Exponent = 0; ///< of the prefix: the number is the value over 10^Exponent
};

/// `digits` significant digits ("250 ms" with four, "250,04 ms" with five).
ShownQuantity ShowQuantity(double value, const QString& unit, int digits = 4);

/// "1,5 ms", "250 mV", "25,3 °C"; a unit-less value is the number alone.
QString FormatQuantity(double value, const QString& unit);

/// A value and its standard uncertainty in one prefixed unit, each to the decimal place of the
/// uncertainty's first significant digit (its first two where that digit is 1), as
/// measurements are written: "120,0 ± 0,3 s", "3,21 ± 0,14 mV". `extraDigits` more decimals
/// for the copied text. Without a finite positive uncertainty: the value as FormatQuantity
/// writes it, Uncertainty empty.
struct ShownMeasurement {
    QString Value, Uncertainty, Unit;
};
ShownMeasurement ShowMeasurement(double value, double uncertainty, const QString& unit,
                                 int extraDigits = 0);
QString FormatMeasurement(double value, double uncertainty, const QString& unit);

/// A cell: a value in a unit (shown with its SI prefix), a value with its standard
/// uncertainty, or a text (a column's title, "∞").
struct ReadoutCell {
    std::optional<double> Value; ///< none and no Text: no value here ("–")
    QString Unit;                ///< before its prefix
    std::optional<double> Uncertainty;
    QString Text;
};

/// A row: a label and one cell per column (or a single cell for the cursor positions).
struct ReadoutRow {
    QString Label;
    QList<ReadoutCell> Cells;
    bool Header = false;   ///< the columns' titles
    bool Columns = false;  ///< one cell per column of the last header row
    bool CopyOnly = false; ///< in the copied text only: a fit's lines, which the plot shows
};
using ReadoutTable = QList<ReadoutRow>;

} // namespace kurvimat::analysis
