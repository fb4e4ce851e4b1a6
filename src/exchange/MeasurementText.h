// The tab-separated measurement text that carries a point set (data or snapshot) through the
// clipboard and text files: a header line "Zeit in s<TAB>definition A<TAB>definition B", then
// one line "time<TAB>A<TAB>B" per point, CR LF after every line. The same table as CSV for
// spreadsheets, and the reader of both and of what spreadsheets write.
#pragma once

#include "QuantityColumn.h"
#include "SignalDefinition.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <span>
#include <vector>

namespace kurvimat::exchange {

/// Points a text can bring into the store; equals the store's capacity.
inline constexpr int MeasurementTextMaxPoints = 10000;
/// Characters of a line that are read; the rest of a longer line is ignored.
inline constexpr qsizetype MeasurementTextMaxLineLength = 4096;

/// Removes the first TAB-separated field from line and returns it. Double quotes toggle a
/// quoted stretch in which TABs belong to the field; the quotes themselves are dropped.
QString TakeField(QString& line);

/// The fields of one line split at separator as TakeField splits at TAB; with ';' or ',' two
/// quotes inside a quoted stretch are one quote of the field, as in CSV.
QStringList SplitTableLine(QStringView line, QChar separator);

/// A point set as read from a measurement text or a table a spreadsheet wrote.
struct MeasurementText {
    /// Fields 2 and 3 of the header: definition lines, or column labels such as
    /// "Temperatur (°C)". Empty without a header.
    QString defA;
    QString defB;
    /// The first line is a header: its first field is neither a number nor a time.
    bool header = false;
    /// Some point line has a value in the third column; without one, b holds zeros that stand
    /// for nothing and the B extremes mean nothing.
    bool hasB = false;
    /// The numbers as read, in double precision: a float would make one time of epoch seconds
    /// a second apart.
    std::vector<double> t; ///< seconds
    std::vector<double> a;
    std::vector<double> b;
    int count = 0; ///< size of t, a and b
    /// Extremes of the points; meaningful only while count > 0.
    double minT = 0, maxT = 0, minA = 0, maxA = 0, minB = 0, maxB = 0;
    /// Point lines after the first MeasurementTextMaxPoints, which were not read.
    int droppedLines = 0;
    /// Lines longer than MeasurementTextMaxLineLength, read only up to that length.
    int cutLines = 0;
    /// Lines with something in them that are no point: a field that is not a whole number, an
    /// empty field in a column the text has, a time of another kind than the first point's.
    int skippedLines = 0;
    int firstSkippedLine = 0; ///< 1-based number of the first of them
    QString firstSkipped;     ///< its text
    /// Most fields a line has.
    int columns = 0;
    /// The fields after the third that hold numbers, each a quantity named by its header field
    /// (QuantityColumn::named), its values as read, NaN for a blank field; at most
    /// MaxQuantityColumns.
    std::vector<signals::QuantityColumn> further;
    /// Columns beyond MaxQuantityColumns further ones, which were not read.
    int unreadColumns = 0;
    /// Further columns left out: words in them (a remark), or no value at all.
    int leftColumns = 0;
    /// The times were dates or clock times, read as seconds since the first point.
    bool clockTimes = false;
    /// The text holds control characters (a NUL, say): it is no table, and no point was read.
    bool notText = false;
    /// What separates the fields: TAB, ';' or ','; detected from the text.
    QChar separator = u'\t';
    /// The first field whose one separator before three digits could group digits or start
    /// decimals ("101.325"), and its value as read; empty where there was none.
    QString ambiguousField;
    double ambiguousValue = 0;
    /// The field that showed the text's decimal separator and so decided how ambiguousField
    /// reads ("20,37"); empty where the separator of the fields or the window's language did.
    QString decidingField;
};

/// The two layouts the writer has.
enum class TableLayout {
    Tab, ///< the program's own text: TAB between fields, Windows-1252 where it fits
    Csv, ///< for spreadsheets: ';' with the decimal comma, ',' with the point; UTF-8 with BOM
};

/// How the numbers of a point set are written.
struct MeasurementTextFormat {
    /// Loaded values: each is written as the shortest text that reads back as the same number
    /// (FormatAsRead), float or double as it was kept.
    bool asRead = false;
    /// Significant digits of recorded values (FormatValue); times get theirs from their spacing.
    int digitsA = 4;
    int digitsB = 4;
    /// Without B the third field of every point line stays empty.
    bool hasB = true;
    TableLayout layout = TableLayout::Tab;
    /// ',' or '.'; null: the window's language's (the default QLocale's).
    QChar decimalMark;
};

/// The decimal separator numbers are written with in format: its own, else the window's.
QChar DecimalMark(const MeasurementTextFormat& format);
/// The separator between fields in format: TAB, or for CSV ';' beside the decimal comma and ','
/// beside the point.
QChar FieldSeparator(const MeasurementTextFormat& format);

/// The text of a point set, lines ending in CR LF. The TAB text's header begins "Zeit in s",
/// the program's own; CSV's "Time in s" beside the decimal point, the window's language. Recorded
/// times are written with at least four significant digits and as many as keep two different
/// consecutive times apart, but never finer than their spacing needs, so that float noise near 0
/// does not show. Writes min(t.size(), a.size(), b.size()) points; after B each further column,
/// its header in the header line and its values as read (a blank where there is none).
QString formatMeasurementText(const QString& defA, const QString& defB, std::span<const float> t,
                              std::span<const float> a, std::span<const float> b,
                              const MeasurementTextFormat& format = {},
                              std::span<const signals::QuantityColumn> further = {});
/// The same of loaded points kept in double precision: written as read, they give back the
/// digits of the text they came from.
QString formatMeasurementText(const QString& defA, const QString& defB, std::span<const double> t,
                              std::span<const double> a, std::span<const double> b,
                              const MeasurementTextFormat& format = {},
                              std::span<const signals::QuantityColumn> further = {});

/// The points of one set where they are kept, as the writer takes them.
struct PointColumns {
    QString definitionA, definitionB;
    bool loaded = false; ///< no raw values behind them: written as read
    bool hasB = true;
    std::span<const float> t, a, b;
    /// The numbers as read, all three where the set keeps them; written instead of the floats.
    std::span<const double> exactT, exactA, exactB;
    std::span<const signals::QuantityColumn> further;
};

/// The text of a set's points as "Daten kopieren", a save, a run's copy and the class view's
/// download write it: PointSetTextFormat's numbers in layout, with decimalMark where given.
QString formatPoints(const PointColumns& points, const signals::Calibration& cal,
                     TableLayout layout = TableLayout::Tab, QChar decimalMark = {});

/// A text formatMeasurementText wrote in layout as the bytes of a file: the TAB text as
/// encodeText encodes it, CSV as UTF-8 behind a byte order mark.
QByteArray measurementFileBytes(const QString& text, TableLayout layout);

/// A point set as the bytes of a file: formatMeasurementText in format's layout, the TAB text
/// encoded as encodeText does, CSV as UTF-8 behind a byte order mark (spreadsheets then take it
/// without asking). What a browser downloads or a save writes.
QByteArray formatMeasurementFile(const QString& defA, const QString& defB,
                                 std::span<const float> t, std::span<const float> a,
                                 std::span<const float> b, const MeasurementTextFormat& format);

/// One record of a table text from pos, which it moves past the record: a line (CR LF, LF or CR
/// ends it), or the lines a quoted field that starts a field runs over up to the quote that
/// ends it, as spreadsheets write a cell with a line break; each break in the field becomes a
/// blank. A quote that does not close where a field ends within MeasurementTextMaxLineLength
/// characters leaves its line a record of its own.
QString nextTableRecord(QStringView text, qsizetype& pos);

/// Reads a measurement text (from a file after decodeText, or from the clipboard) record by
/// record (nextTableRecord); blank lines are no points. The field separator is TAB, ';' or ',',
/// whichever makes points of the most lines (TAB, then ';' on a tie); a comma separates fields
/// only where the numbers use the decimal point. The first line is a header when its first
/// field is neither a number nor a time; otherwise it is a point like the others. A line is a
/// point when its time and its values in the columns the text has read whole
/// (ReadTableNumber, or ReadClockTime for the time); every other line with something in it is
/// skipped and counted. A number whose one separator before three digits is ambiguous reads
/// as the other numbers of the text show the decimal separator, else as the field separator
/// (';': decimal comma, ',': decimal point) or the window's language suggests. Returns nothing for
/// a text with nothing but blanks.
std::optional<MeasurementText> readMeasurementText(QStringView text);

/// The shortest text that reads back as x, in FormatValue's form with at least four significant
/// digits: "1234,5", "0,1", "2860", "1,000E+05".
QString FormatAsRead(float x);
/// The shortest text that reads back as the double x, at least four significant digits; whole
/// numbers below 10^17 are written out ("1709288100", "99999999", "45352,427083").
QString FormatAsRead(double x);

/// The measurement text's format of a point set, as "Daten kopieren" writes it: loaded values as
/// read, recorded ones with the digits one raw step of the instrument needs through the
/// definition under the calibration.
MeasurementTextFormat PointSetTextFormat(bool loaded, bool hasB, const QString& definitionA,
                                         const QString& definitionB,
                                         const signals::Calibration& cal);

} // namespace kurvimat::exchange
