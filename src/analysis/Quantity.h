// Values with their units as the readouts write them: an SI prefix where the unit takes one,
// significant digits as FormatValue counts them, or the digits an uncertainty leaves.
#pragma once

#include <QString>

namespace kurvimat::analysis {

/// Whether a unit takes an SI prefix. Not: an empty unit, one already prefixed ("mV"), or one
/// whose first factor is a unit no one prefixes: "h", "min", "d", "dB", "°C" (any "°..."),
/// "%", or a number ("1/s"). "°C/min" and "dB·s" take none either; "V·s" does.
bool UnitTakesPrefix(const QString& unit);

/// A number and its unit, apart: the unit with the prefix that puts the number in 1 .. 999
/// where the unit takes one.
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

} // namespace kurvimat::analysis
