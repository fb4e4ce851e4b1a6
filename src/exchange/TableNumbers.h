// Numbers and times as spreadsheets and people write them into a table of measurements.
#pragma once

#include <QChar>
#include <QStringView>

#include <optional>

namespace kurvimat::exchange {

/// A whole field as a number. Comma or point is the decimal separator; a field with both takes
/// the last one as the decimal separator and the other as grouping digits by three
/// ("101.325,00" and "101,325.00" are 101325), and one separator that appears more than once
/// groups digits ("1.234.567"). An exponent ("1,235E+04") is allowed, and a trailing "%" reads
/// as the sheet holds such a cell: "10,00 %" is 0,1; blanks, also no-break ones, around the number
/// are ignored. Nothing for an empty field, a word, "nan", "inf", a clock time or anything else
/// around the number, and nothing for a number beyond the range of a 32-bit float. One separator
/// followed by exactly three digits ("101.325", "1,100") is ambiguous alone: it is the decimal
/// separator where it equals decimalMark or decimalMark is null, else it groups digits (101325,
/// 1100).
std::optional<double> ReadTableNumber(QStringView field, QChar decimalMark = {});

/// The decimal separator a number field shows unambiguously: the last of both separators, the
/// other one of a separator that repeats ("1.234.567"), a lone separator not followed by
/// exactly three digits ("20,37") or before an exponent. Null for a field without separator,
/// an ambiguous one ("101.325") and anything that is no number.
QChar DecimalMarkOf(QStringView field);
/// A number field whose one separator, followed by exactly three digits after one to three
/// digits (not a lone 0), could group digits or start decimals: "101.325", "-1,100".
bool IsAmbiguousNumber(QStringView field);

/// A date with a clock time, a date alone or a clock time alone ("01.03.24 10:15",
/// "01.03.2024 10:15:05", "2024-03-01T10:15:05", "10:15:30", "10:15:30,25") as seconds since
/// an origin of its own: only differences between two such times mean anything. Dates with
/// slashes are month/day/year as English spreadsheets write them ("03/01/24 10:15 AM", clock
/// times with AM or PM), or day/month/year where dayFirst says so.
std::optional<double> ReadClockTime(QStringView field, bool dayFirst = false);
/// The first number of a slash date ("13/01/24"): above 12 it cannot be a month. 0 for a field
/// that does not start like one.
int SlashDateFirstNumber(QStringView field);

} // namespace kurvimat::exchange
