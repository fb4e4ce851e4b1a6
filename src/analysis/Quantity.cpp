#include "Quantity.h"

#include "Numbers.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

using kurvimat::signals::FormatNumber;
using kurvimat::signals::FormatValue;
using kurvimat::signals::NumberStyle;
using kurvimat::signals::SiPrefix;
using kurvimat::signals::UnitTakesPrefix;

namespace kurvimat::analysis {

namespace {

const QString None = QStringLiteral("\u2013"); // en dash: no value here

// The value over 10^e with e a multiple of three that puts it in 1 .. 999 once rounded to
// `digits` significant digits, within the prefixes there are.
int prefixExponent(double value, int digits) {
    if (value == 0 || !std::isfinite(value)) return 0;
    int e = 3 * static_cast<int>(std::floor(std::log10(std::fabs(value)) / 3));
    e = std::clamp(e, -12, 12);
    const double m = std::fabs(value) / std::pow(10.0, e);
    // log10 may land a hair beside a power of ten, and 999,96 shows as 1000 in four digits.
    if (m < 1 && e > -12) return e - 3;
    if (m >= 1000 - 0.5 * std::pow(10.0, 3 - digits) && e < 12) return e + 3;
    return e;
}

// Fixed decimals with the separator FormatValue writes, no grouping, no "-0".
QString fixed(double x, int decimals) {
    NumberStyle style;
    style.Decimals = decimals;
    return FormatNumber(x, style);
}

} // namespace

ShownQuantity ShowQuantity(double value, const QString& unit, int digits) {
    if (!std::isfinite(value)) return {None, unit, 0};
    if (!UnitTakesPrefix(unit) || value == 0) return {FormatValue(value, digits), unit, 0};
    const int e = prefixExponent(value, digits);
    return {FormatValue(value / std::pow(10.0, e), digits), SiPrefix(e).value_or(QString()) + unit,
            e};
}

QString FormatQuantity(double value, const QString& unit) {
    if (!std::isfinite(value)) return None;
    const ShownQuantity q = ShowQuantity(value, unit);
    return q.Unit.isEmpty() ? q.Number : q.Number + QLatin1Char(' ') + q.Unit;
}

ShownMeasurement ShowMeasurement(double value, double uncertainty, const QString& unit,
                                 int extraDigits) {
    if (!std::isfinite(value) || !(uncertainty > 0) || !std::isfinite(uncertainty)) {
        const ShownQuantity q = ShowQuantity(value, unit, 4 + extraDigits);
        return {q.Number, {}, q.Unit};
    }
    const int e = UnitTakesPrefix(unit)
                      ? prefixExponent(std::max(std::fabs(value), uncertainty), 4)
                      : 0;
    const double scale = std::pow(10.0, e);
    const double v = value / scale, u = uncertainty / scale;
    // The decimal place of the uncertainty's last digit shown: its first, or its first two
    // where the first is a 1 (0,14 rounded to 0,1 would say a third less).
    int place = static_cast<int>(std::floor(std::log10(u)));
    if (u / std::pow(10.0, place) < 1.95) --place;
    // Single-precision points carry no more than about seven digits.
    if (v != 0) place = std::max(place, static_cast<int>(std::floor(std::log10(std::fabs(v)))) - 6);
    place -= extraDigits;
    const int decimals = std::max(0, -place);
    const double step = std::pow(10.0, place);
    const double roundedU = std::round(u / step) * step;
    ShownMeasurement m;
    m.Value = fixed(std::round(v / step) * step, decimals);
    m.Uncertainty = roundedU > 0 ? fixed(roundedU, decimals)
                                 : QStringLiteral("< ") + fixed(step, decimals);
    m.Unit = SiPrefix(e).value_or(QString()) + unit;
    return m;
}

QString FormatMeasurement(double value, double uncertainty, const QString& unit) {
    const ShownMeasurement m = ShowMeasurement(value, uncertainty, unit);
    QString text = m.Value;
    if (!m.Uncertainty.isEmpty()) text += QStringLiteral(" \u00B1 ") + m.Uncertainty;
    return m.Unit.isEmpty() ? text : text + QLatin1Char(' ') + m.Unit;
}

} // namespace kurvimat::analysis
