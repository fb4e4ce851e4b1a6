// Number routines shared by every place that reads or shows a number for the user.
#pragma once

#include <QString>

/// Reads a number the user typed. Comma and point are both decimal separators, whatever the
/// locale; "an", "on", "ja", "yes", "true" and "wahr" (any case) read as 1. Leading and trailing
/// blanks are ignored. A text that is not entirely a number yields the digits read before the
/// first unfitting character as one integer ("500 ms (2 Hz)" gives 500, "abc" gives 0).
/// A number beyond the double range reads as 0.
double ParseNumber(const QString& text);

/// Four significant digits with the locale's decimal separator: exponent form ("1,235E+04")
/// for magnitudes below 0.0001 (except 0) or from 10000 on, else general form ("0,0001234").
QString FormatValue(double x);

/// Rounds to three significant digits in 32-bit steps; the mantissa is truncated after adding
/// 0.5, so negative values round toward zero at ties and above (-1.234 gives -1.22).
float RoundSignificant(float x);

/// Makes a value range non-empty and ascending: 5..5 becomes 0..10, 0..0 becomes -1..1.
void OrderRange(float& min, float& max);
void OrderRange(double& min, double& max);
