#include "MeasurementFields.h"

#include "Numbers.h"

#include <algorithm>
#include <cmath>

using kurvimat::signals::FormatValue;
using kurvimat::signals::MaxSignificantDigits;

namespace kurvimat::exchange {

namespace {
// Beyond this a recorded value rounded to its digits would leave the float range.
constexpr float RoundableLimit = 3.4e38f;
constexpr int CalculatedDigits = 6; // significant digits a calculated value is written with
} // namespace

namespace {
// FormatValue writes the window's decimal separator; a format with its own gets that instead.
QString withMark(QString number, QChar mark) {
    if (mark.isNull()) return number;
    for (QChar& c : number)
        if (c == u',' || c == u'.') c = mark;
    return number;
}
} // namespace

MeasurementFields::MeasurementFields(const MeasurementTextFormat& format)
    : format_(format), separator_(FieldSeparator(format)) {
    // The TAB text keeps FormatValue's separator unless told otherwise; CSV must not write the
    // separator between its fields into a number.
    if (format.layout == TableLayout::Csv) format_.decimalMark = DecimalMark(format);
}

void MeasurementFields::addTimes(std::span<const float> t) {
    takeTimes(t);
}

void MeasurementFields::addTimes(std::span<const double> t) {
    takeTimes(t);
}

template <class Number> void MeasurementFields::takeTimes(std::span<const Number> t) {
    for (const Number x : t) {
        if (hasLast_) {
            const double d = std::fabs(double(x) - double(last_));
            if (d > 0 && (step_ == 0 || d < step_)) {
                step_ = d;
                // A step a little short of a power of ten (float noise) still counts as that one.
                decimals_ = int(std::ceil(-std::log10(step_ * 1.001)));
            }
        }
        last_ = x;
        hasLast_ = true;
    }
}

void MeasurementFields::clearTimes() {
    step_ = 0;
    hasLast_ = false;
    decimals_ = 0;
}

// Recorded times: at least four significant digits, and as many as resolve the smallest step,
// counted from each time's own magnitude. Counting them from the spacing, not from the largest
// time, keeps float noise near zero out of the text ("-0,01", not "-0,0099999").
QString MeasurementFields::time(float t) const {
    return timeOf(t);
}

QString MeasurementFields::time(double t) const {
    return timeOf(t);
}

template <class Number> QString MeasurementFields::timeOf(Number t) const {
    if (format_.asRead || !(std::fabs(t) < RoundableLimit))
        return withMark(FormatAsRead(t), format_.decimalMark);
    int digits = 4;
    if (step_ > 0 && t != 0) {
        const int exponent = int(std::floor(std::log10(std::fabs(double(t)))));
        digits = std::clamp(exponent + 1 + decimals_, 4, MaxSignificantDigits);
    }
    return withMark(FormatValue(t, digits), format_.decimalMark);
}

QString MeasurementFields::valueA(float a) const {
    return value(a, format_.digitsA);
}

QString MeasurementFields::valueA(double a) const {
    return value(a, format_.digitsA);
}

QString MeasurementFields::valueB(float b) const {
    return format_.hasB ? value(b, format_.digitsB) : QString();
}

QString MeasurementFields::valueB(double b) const {
    return format_.hasB ? value(b, format_.digitsB) : QString();
}

QString MeasurementFields::further(const signals::QuantityColumn& column, std::size_t row) const {
    if (row >= column.values.size() || std::isnan(column.values[row])) return {};
    // A calculated value carries the rounding of its arithmetic (0,4909999…), not digits
    // anyone measured: six significant ones say all its inputs can.
    const double x = column.values[row];
    if (column.origin == signals::ColumnOrigin::Calculated && std::fabs(x) < RoundableLimit)
        return withMark(FormatValue(x, CalculatedDigits), format_.decimalMark);
    return withMark(FormatAsRead(x), format_.decimalMark);
}

void MeasurementFields::appendLine(QString& text, float t, float a, float b,
                                   std::span<const signals::QuantityColumn> columns,
                                   std::size_t row) const {
    line(text, t, a, b, columns, row);
}

void MeasurementFields::appendLine(QString& text, double t, double a, double b,
                                   std::span<const signals::QuantityColumn> columns,
                                   std::size_t row) const {
    line(text, t, a, b, columns, row);
}

template <class Number>
void MeasurementFields::line(QString& text, Number t, Number a, Number b,
                             std::span<const signals::QuantityColumn> columns,
                             std::size_t row) const {
    text += time(t);
    text += separator_;
    text += valueA(a);
    text += separator_;
    text += valueB(b);
    for (const signals::QuantityColumn& column : columns) {
        text += separator_;
        text += further(column, row);
    }
    text += QStringLiteral("\r\n");
}

template <class Number> QString MeasurementFields::value(Number x, int digits) const {
    if (format_.asRead || !(std::fabs(x) < RoundableLimit))
        return withMark(FormatAsRead(x), format_.decimalMark);
    return withMark(FormatValue(x, digits), format_.decimalMark);
}

} // namespace kurvimat::exchange
