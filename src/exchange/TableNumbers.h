// Numbers and times as spreadsheets and people write them into a table of measurements.
#pragma once

#include <QStringView>

#include <optional>

namespace kurvimat::exchange {

/// A whole field as a number. Comma or point is the decimal separator; a field with both takes
/// the last one as the decimal separator and the other as grouping digits by three
/// ("101.325,00" and "101,325.00" are 101325), and one separator that appears more than once
/// groups digits ("1.234.567"). An exponent ("1,235E+04") and a trailing "%" ("10,00 %") are
/// allowed; blanks, also no-break ones, around the number are ignored. Nothing for an empty
/// field, a word, "nan", "inf", a clock time or anything else around the number, and nothing
/// for a number beyond the range of a 32-bit float.
std::optional<double> ReadTableNumber(QStringView field);

/// A date with a clock time, a date alone or a clock time alone ("01.03.24 10:15",
/// "01.03.2024 10:15:05", "2024-03-01T10:15:05", "10:15:30", "10:15:30,25") as seconds since
/// an origin of its own: only differences between two such times mean anything.
std::optional<double> ReadClockTime(QStringView field);

} // namespace kurvimat::exchange
