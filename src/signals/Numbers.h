// Number routines shared by every place that reads or shows a number for the user.
#pragma once

#include <QString>

#include <optional>

class QLocale;

namespace kurvimat::signals {

/// Reads a number the user typed. Comma and point are both decimal separators, whatever the
/// locale; "an", "on", "ja", "yes", "true" and "wahr" (any case) read as 1. Leading blanks are
/// ignored. The number at the start of the text is read, sign, decimals and exponent included,
/// and whatever follows it is not ("12,5 V" gives 12.5, "-5 V" gives -5, "500 ms (2 Hz)" gives
/// 500); a text that does not start with a number gives 0, and so does a number beyond the
/// double range.
double ParseNumber(const QString& text);

/// Significant digits that always tell two different 32-bit floats apart.
inline constexpr int MaxSignificantDigits = 9;

/// How FormatNumber writes a number; the defaults are FormatValue's.
struct NumberStyle {
    /// When numbers below 1 take the exponent form (numbers from 10^Digits on always do).
    enum class Small {
        BelowTenThousandth,        ///< below 0.0001 before rounding
        RoundedBelowTenThousandth, ///< below 0.0001 once rounded, as printf's %g and QLocale's 'g'
        MoreDecimalsThanDigits,    ///< where the general form needs more decimals than Digits
    };
    int Digits = 4;    ///< significant digits, 1 to 17
    int Decimals = -1; ///< 0 or more: this many decimals instead, never the exponent form
    QString Point;     ///< empty: the locale's comma, else a point (what ParseNumber reads)
    QString Minus = QStringLiteral("-");
    QString Exponent = QStringLiteral("E"); ///< between mantissa and exponent
    QString Plus = QStringLiteral("+");     ///< before an exponent of 0 or more
    int ExponentDigits = 2;                 ///< at least, zero-filled
    bool KeepZeros = true;                  ///< an exponent form's mantissa keeps all Digits
    Small SmallForm = Small::BelowTenThousandth;
};

/// QLocale's 'g' form with `digits` significant digits: the locale's signs and separator,
/// no grouping, no trailing zeros.
NumberStyle GeneralStyle(const QLocale& locale, int digits);

/// The one number writer: rounded to the style's significant digits (or decimals), ties away
/// from zero as people round by hand (1234.5 -> 1235), general form ("0,0001234") or exponent
/// form ("1,235E+04"). 0 is "0" (with its decimals), a result that rounds to zero has no
/// minus; infinities are "inf" and "-inf", any NaN is "nan".
QString FormatNumber(double x, const NumberStyle& style);

/// Four (or 1 to MaxSignificantDigits) significant digits with the locale's decimal separator,
/// or a point where the locale has neither comma nor point, so that ParseNumber reads it back.
/// Exponent form ("1,235E+04") for magnitudes below 0.0001 (except 0) or from 10^digits on,
/// else general form ("0,0001234").
QString FormatValue(double x, int digits = 4);

/// Rounds to three significant digits in 32-bit steps, ties away from zero for either sign
/// (-1.235 gives -1.24, -9.999 gives -10).
float RoundSignificant(float x);

/// Makes a value range non-empty and ascending: 5..5 becomes 0..10, 0..0 becomes -1..1.
void OrderRange(float& min, float& max);
void OrderRange(double& min, double& max);

/// SI prefix for an engineering exponent (a multiple of 3 from -12 to 12; "" for 0), or none.
std::optional<QString> SiPrefix(int exponent);

/// Whether a unit takes an SI prefix before it, in a readout and on an axis. Its first factor
/// (up to "/", "·", "*" or a blank) decides. Not: an empty unit; one that carries a prefix
/// already ("mV", "cm/g", "hPa", "dm³", "daN", "dB"); a power ("m²", "s^2": a prefix would be
/// raised with it); a unit no one prefixes ("h", "min", "d", any "°...", "%"); a number
/// ("1/s"). Units of their own that begin with a prefix's letter ("mol", "cd", "cal", "Gy",
/// "kat", "dpt") take one, as do "m", "Pa" and "V·s".
bool UnitTakesPrefix(const QString& unit);

} // namespace kurvimat::signals
