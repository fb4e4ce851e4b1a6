#include "MeasurementText.h"

#include "Codec1252.h"
#include "MeasurementFields.h"
#include "Numbers.h"
#include "TableNumbers.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <deque>

using kurvimat::signals::FormatValue;
using kurvimat::signals::MaxQuantityColumns;
using kurvimat::signals::MaxSignificantDigits;
using kurvimat::signals::QuantityColumn;

namespace kurvimat::exchange {

namespace {

constexpr QChar Tab = u'\t';
constexpr QChar Quote = u'"';
const QString LineEnd = QStringLiteral("\r\n");
// The first lines with something in them decide the field separator.
constexpr std::size_t SeparatorSampleLines = 200;

// Writes a definition so that TakeField gives it back: a TAB outside a quoted stretch is
// quoted on its own, a line break would split the header and becomes a blank, and an odd
// number of quotes is closed so that it cannot swallow the next field. Quotes themselves
// cannot survive TakeField; ordinary definitions come out unchanged.
QString protectField(const QString& def) {
    QString out;
    out.reserve(def.size() + 2);
    bool quoted = false;
    for (const QChar c : def) {
        if (c == Quote) {
            quoted = !quoted;
            out += c;
        } else if (c == Tab && !quoted) {
            out += QStringLiteral("\"\t\"");
        } else if (c == u'\r' || c == u'\n') {
            out += u' ';
        } else {
            out += c;
        }
    }
    if (quoted) out += Quote;
    return out;
}

// A CSV field as spreadsheets read it back: quoted, quotes doubled, where it holds the
// separator, a quote or blanks at its ends; a line break would split the header and becomes a
// blank.
QString csvField(const QString& def, QChar separator) {
    QString out = def;
    out.replace(u'\r', u' ').replace(u'\n', u' ');
    if (!out.contains(separator) && !out.contains(Quote) && out.trimmed() == out) return out;
    out.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return Quote + out + Quote;
}

// Limits a line to MeasurementTextMaxLineLength characters without splitting a surrogate pair.
QStringView cutLine(QStringView line) {
    qsizetype n = MeasurementTextMaxLineLength;
    if (line[n - 1].isHighSurrogate() && line[n].isLowSurrogate()) --n;
    return line.first(n);
}

float readBack(const QString& text) {
    return static_cast<float>(ReadTableNumber(text).value_or(0.0));
}

constexpr double DaySeconds = 86400;
// Significant digits that tell every two doubles apart.
constexpr int DoubleDigits = 17;
// ReadClockTime of a clock time alone ("24:00:60" at most); with a date it counts the days
// since the Julian origin, millions of them.
constexpr double LongestClockDay = DaySeconds + 60;

// A time field: a number, or a date and clock time; kind tells them apart.
enum class TimeKind { None, Number, Clock };
struct TimeReading {
    QChar decimalMark; // for numbers whose one separator is ambiguous
    bool dayFirst = false;
};
std::optional<double> readTime(QStringView field, TimeKind& kind, const TimeReading& how = {}) {
    if (const auto v = ReadTableNumber(field, how.decimalMark)) {
        kind = TimeKind::Number;
        return v;
    }
    if (const auto v = ReadClockTime(field, how.dayFirst)) {
        kind = TimeKind::Clock;
        return v;
    }
    kind = TimeKind::None;
    return std::nullopt;
}

bool isBlankField(QStringView field) {
    for (const QChar c : field)
        if (c != u' ' && c != QChar(0x00A0)) return false;
    return true;
}

// Control characters other than TAB and the line breaks (a NUL, the C1 range a code page
// leaves undefined) and the replacement character of a broken decode: no table is like that.
// Nor is a PDF, whose head is plain text.
bool isTableText(QStringView text) {
    if (text.startsWith(u"%PDF-")) return false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 && u != u'\t' && u != u'\r' && u != u'\n') return false;
        if ((u >= 0x7F && u < 0xA0) || u == 0xFFFD) return false;
    }
    return true;
}

// One field from `from` to the separator that ends it (returned; line.size() at the end of the
// line), its characters appended to out. Quotes toggle a stretch in which the separator belongs
// to the field. In CSV two quotes inside it are one; the TAB text keeps its own rule, under which
// the program's writer protects a TAB with quotes that may meet another quote.
qsizetype scanField(QStringView line, qsizetype from, QChar separator, QString& out) {
    const bool doubled = separator != Tab;
    bool quoted = false;
    qsizetype i = from;
    for (; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == Quote) {
            if (doubled && quoted && i + 1 < line.size() && line[i + 1] == Quote) {
                out += Quote;
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (c == separator && !quoted) {
            break;
        } else {
            out += c;
        }
    }
    return i;
}

// The first three fields of a line, the further ones up to MaxQuantityColumns, how many fields
// it has (a separator at the end of a line starts an empty last field) and how many up to the
// last one with something in it. The further fields of a plain line are views into it, made
// strings only where quotes had to be taken out (owned): ten thousand lines of 64 further
// fields would otherwise hold as many strings.
struct Fields {
    QString f[3];
    std::vector<QStringView> more;
    std::vector<QString> owned; // moved, a string keeps its characters where they are
    int count = 1;
    int filled = 0;
};
Fields splitFields(QStringView line, QChar separator) {
    Fields out;
    const bool plain = !line.contains(Quote);
    qsizetype start = 0;
    while (true) {
        QString field;
        QStringView view;
        qsizetype end;
        if (plain) { // the usual line: fields are slices
            end = line.indexOf(separator, start);
            if (end < 0) end = line.size();
            view = line.sliced(start, end - start);
        } else {
            end = scanField(line, start, separator, field);
            view = field;
        }
        if (!isBlankField(view)) out.filled = out.count;
        if (out.count <= 3) {
            out.f[out.count - 1] = plain ? view.toString() : std::move(field);
        } else if (out.count <= 3 + MaxQuantityColumns) {
            if (!plain) view = out.owned.emplace_back(std::move(field));
            out.more.push_back(view);
        }
        if (end >= line.size()) break;
        ++out.count;
        start = end + 1;
    }
    return out;
}

// Whether the separator occurs outside quotes.
bool separates(QStringView line, QChar separator) {
    bool quoted = false;
    for (const QChar c : line) {
        if (c == Quote) quoted = !quoted;
        else if (c == separator && !quoted) return true;
    }
    return false;
}

// The separator that makes points of the most of the first lines: a time and a value.
QChar detectSeparator(const std::vector<QStringView>& lines) {
    const std::size_t n = std::min(lines.size(), SeparatorSampleLines);
    QChar best = Tab;
    int bestScore = -1;
    for (const QChar separator : {Tab, QChar(u';'), QChar(u',')}) {
        bool present = false;
        for (std::size_t i = 0; i < n && !present; ++i)
            present = separates(lines[i], separator);
        if (!present) continue;
        int score = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const Fields f = splitFields(lines[i], separator);
            TimeKind kind;
            score += readTime(f.f[0], kind) && ReadTableNumber(f.f[1]) ? 1 : 0;
        }
        if (score > bestScore) {
            best = separator;
            bestScore = score;
        }
    }
    return best;
}

void addPoint(MeasurementText& m, double t, double a, double b) {
    if (m.count == 0) {
        m.minT = m.maxT = t;
        m.minA = m.maxA = a;
        m.minB = m.maxB = b;
    } else {
        m.minT = std::min(m.minT, t), m.maxT = std::max(m.maxT, t);
        m.minA = std::min(m.minA, a), m.maxA = std::max(m.maxA, a);
        m.minB = std::min(m.minB, b), m.maxB = std::max(m.maxB, b);
    }
    m.t.push_back(t);
    m.a.push_back(a);
    m.b.push_back(b);
    ++m.count;
}

// How the text's numbers whose one separator before three digits is ambiguous ("101.325") read:
// with the decimal separator most of its other numbers show, else the one that suits the field
// separator (a comma between fields: the point), else the window's language's. Null where no
// number is ambiguous. m learns what is worth saying: the first such field that reads as
// grouped digits, or where nothing in the text decided, the first such field.
QChar textDecimalMark(MeasurementText& m, const std::vector<Fields>& rows, std::size_t first) {
    int points = 0, commas = 0;
    QString pointWitness, commaWitness, withPoint, withComma;
    for (std::size_t i = first; i < rows.size(); ++i) {
        for (const QString& field : rows[i].f) {
            if (IsAmbiguousNumber(field)) {
                QString& seen = field.contains(u'.') ? withPoint : withComma;
                if (seen.isEmpty()) seen = field.trimmed();
                continue;
            }
            const QChar mark = DecimalMarkOf(field);
            if (mark == u'.' && points++ == 0) pointWitness = field.trimmed();
            if (mark == u',' && commas++ == 0) commaWitness = field.trimmed();
        }
    }
    if (withPoint.isEmpty() && withComma.isEmpty()) return {};
    QChar mark;
    if (points != commas) {
        mark = points > commas ? u'.' : u',';
        m.decidingField = points > commas ? pointWitness : commaWitness;
        m.ambiguousField = mark == u'.' ? withComma : withPoint; // read as grouped digits
    } else {
        // Spreadsheets separate fields by ';' where the comma is the decimal separator.
        mark = m.separator == u';'   ? u','
               : m.separator == u',' ? u'.'
                                     : (QLocale().decimalPoint() == u',' ? u',' : u'.');
        m.ambiguousField = withPoint.isEmpty() ? withComma : withPoint;
    }
    if (m.ambiguousField.isEmpty()) m.decidingField.clear();
    m.ambiguousValue = ReadTableNumber(m.ambiguousField, mark).value_or(0);
    return mark;
}

// A line cut to the length that is read, with its number (1-based).
struct TextLine {
    QStringView text;
    int number;
};

bool startsField(QStringView line, qsizetype i) {
    return i == 0 || line[i - 1] == Tab || line[i - 1] == u';' || line[i - 1] == u',';
}

// How a line leaves the quotes: whether it ends inside a quoted stretch that opened where a
// field starts (a cell with a line break in it), and, for a line that began inside one,
// whether that stretch closed where its field ends. Two quotes inside a stretch toggle it
// twice, so CSV's doubled quotes need no rule of their own.
struct QuoteState {
    bool endsOpen = false;
    bool closedAtFieldEnd = true;
};
QuoteState scanQuotes(QStringView line, bool carried) {
    QuoteState state;
    bool quoted = carried, fieldStart = carried;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] != Quote) continue;
        if (quoted && i + 1 < line.size() && line[i + 1] == Quote) {
            ++i;
        } else if (quoted) {
            quoted = false;
            if (carried) {
                qsizetype j = i + 1;
                while (j < line.size() && (line[j] == u' ' || line[j] == QChar(0x00A0)))
                    ++j;
                state.closedAtFieldEnd = j == line.size() || startsField(line, j + 1);
                carried = false;
            }
        } else {
            quoted = true;
            fieldStart = startsField(line, i);
        }
    }
    state.endsOpen = quoted && fieldStart;
    return state;
}

// One record: a line, or the lines a quoted field runs over, each break a blank. Anything
// else that looks like one (a stray quote, a field that does not close where a field ends, a
// record longer than is read) leaves the line a record of its own, as it always was.
struct Record {
    QStringView text;
    int lines = 1;
};
Record nextRecord(QStringView text, qsizetype& pos, QString& joined) {
    const QStringView line = nextTextLine(text, pos);
    if (!line.contains(Quote) || !scanQuotes(line, false).endsOpen) return {line, 1};
    joined = line.toString();
    qsizetype p = pos;
    for (int lines = 2; p < text.size() && joined.size() < MeasurementTextMaxLineLength; ++lines) {
        const QStringView next = nextTextLine(text, p);
        joined += u' ';
        joined += next;
        const QuoteState state = scanQuotes(next, true);
        if (!state.closedAtFieldEnd || joined.size() > MeasurementTextMaxLineLength) break;
        if (!state.endsOpen) {
            pos = p;
            return {joined, lines};
        }
    }
    return {line, 1};
}

} // namespace

QString FormatAsRead(float x) {
    if (x == 0 || !std::isfinite(x)) return FormatValue(x);
    // The shortest digits of a float; FormatValue rounds the same value to as many, which
    // reads back the same unless a tie went the other way.
    char buf[48];
    const auto end = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific).ptr;
    int digits = 0;
    for (const char* p = buf; p < end && *p != 'e'; ++p)
        digits += *p >= '0' && *p <= '9';
    // At least the four digits the program writes: in the general form trailing zeros are
    // dropped, so "2860" stays "2860" (not "2,86E+03") and "0,5" stays "0,5"; the exponent
    // form keeps its four-digit look ("1,000E+05").
    for (digits = std::max(digits, 4); digits < MaxSignificantDigits; ++digits) {
        QString text = FormatValue(x, digits);
        if (readBack(text) == x) return text;
    }
    return FormatValue(x, MaxSignificantDigits);
}

QString FormatAsRead(double x) {
    if (x == 0 || !std::isfinite(x)) return FormatValue(x);
    char buf[48];
    const auto end = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific).ptr;
    int digits = 0;
    const char* e = buf;
    for (; e < end && *e != 'e'; ++e)
        digits += *e >= '0' && *e <= '9';
    int exponent = 0;
    if (e < end) std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exponent);
    digits = std::max(digits, 4);
    // Whole digits stay written out: epoch seconds read "1709288100", not "1,7092881E+09".
    if (exponent >= 0 && exponent < DoubleDigits) digits = std::max(digits, exponent + 1);
    signals::NumberStyle style;
    for (; digits < DoubleDigits; ++digits) {
        style.Digits = digits;
        QString text = signals::FormatNumber(x, style);
        if (ReadTableNumber(text) == x) return text;
    }
    style.Digits = DoubleDigits;
    return signals::FormatNumber(x, style);
}

QString nextTableRecord(QStringView text, qsizetype& pos) {
    QString joined;
    const Record record = nextRecord(text, pos, joined);
    return record.lines > 1 ? joined : record.text.toString();
}

QString TakeField(QString& line) {
    QString field;
    const qsizetype end = scanField(line, 0, Tab, field);
    if (end < line.size())
        line.remove(0, end + 1);
    else
        line.clear();
    return field;
}

QStringList SplitTableLine(QStringView line, QChar separator) {
    QStringList fields;
    qsizetype start = 0;
    while (true) {
        QString field;
        const qsizetype end = scanField(line, start, separator, field);
        fields << field;
        if (end >= line.size()) return fields;
        start = end + 1;
    }
}

QChar DecimalMark(const MeasurementTextFormat& format) {
    if (!format.decimalMark.isNull()) return format.decimalMark;
    return QLocale().decimalPoint() == u',' ? u',' : u'.';
}

QChar FieldSeparator(const MeasurementTextFormat& format) {
    if (format.layout == TableLayout::Tab) return Tab;
    return DecimalMark(format) == u',' ? u';' : u',';
}

namespace {

template <class Number>
QString formatText(const QString& defA, const QString& defB, std::span<const Number> t,
                   std::span<const Number> a, std::span<const Number> b,
                   const MeasurementTextFormat& format, std::span<const QuantityColumn> further) {
    const std::size_t n = std::min({t.size(), a.size(), b.size()});
    MeasurementFields fields(format);
    fields.addTimes(t.first(n));
    QString text;
    text.reserve(qsizetype(n) * 32 + defA.size() + defB.size() + 16);
    if (format.layout == TableLayout::Tab) {
        text += QStringLiteral("Zeit in s\t");
        text += protectField(defA);
        text += Tab;
        text += protectField(defB);
        for (const QuantityColumn& c : further) {
            text += Tab;
            text += protectField(c.header);
        }
    } else {
        // A spreadsheet's CSV speaks the language of its numbers, which is the window's.
        const QChar separator = FieldSeparator(format);
        text +=
            DecimalMark(format) == u',' ? QStringLiteral("Zeit in s") : QStringLiteral("Time in s");
        text += separator;
        text += csvField(defA, separator);
        text += separator;
        text += csvField(defB, separator);
        for (const QuantityColumn& c : further) {
            text += separator;
            text += csvField(c.header, separator);
        }
    }
    text += LineEnd;
    for (std::size_t i = 0; i < n; ++i)
        fields.appendLine(text, t[i], a[i], b[i], further, i);
    return text;
}

} // namespace

QString formatMeasurementText(const QString& defA, const QString& defB, std::span<const float> t,
                              std::span<const float> a, std::span<const float> b,
                              const MeasurementTextFormat& format,
                              std::span<const QuantityColumn> further) {
    return formatText(defA, defB, t, a, b, format, further);
}

QString formatMeasurementText(const QString& defA, const QString& defB, std::span<const double> t,
                              std::span<const double> a, std::span<const double> b,
                              const MeasurementTextFormat& format,
                              std::span<const QuantityColumn> further) {
    return formatText(defA, defB, t, a, b, format, further);
}

QString formatPoints(const PointColumns& p, const signals::Calibration& cal, TableLayout layout,
                     QChar decimalMark) {
    MeasurementTextFormat format =
        PointSetTextFormat(p.loaded, p.hasB, p.definitionA, p.definitionB, cal);
    format.layout = layout;
    format.decimalMark = decimalMark;
    const std::size_t n = std::min({p.t.size(), p.a.size(), p.b.size()});
    // Loaded points go back with the digits they were read with.
    if (std::min({p.exactT.size(), p.exactA.size(), p.exactB.size()}) >= n && !p.exactT.empty())
        return formatText(p.definitionA, p.definitionB, p.exactT.first(n), p.exactA.first(n),
                          p.exactB.first(n), format, p.further);
    return formatText(p.definitionA, p.definitionB, p.t, p.a, p.b, format, p.further);
}

QByteArray formatMeasurementFile(const QString& defA, const QString& defB,
                                 std::span<const float> t, std::span<const float> a,
                                 std::span<const float> b, const MeasurementTextFormat& format) {
    return measurementFileBytes(formatMeasurementText(defA, defB, t, a, b, format), format.layout);
}

QByteArray measurementFileBytes(const QString& text, TableLayout layout) {
    if (layout == TableLayout::Tab) return encodeText(text);
    return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

std::optional<MeasurementText> readMeasurementText(QStringView text) {
    if (text.startsWith(QChar(0xFEFF))) text = text.sliced(1); // a byte order mark
    MeasurementText m;
    if (!isTableText(text)) {
        if (text.trimmed().isEmpty()) return std::nullopt;
        m.notText = true;
        return m;
    }

    // All records with something in them, cut to the length that is read. The few that run
    // over line breaks are kept here; a deque leaves the views into them valid.
    std::vector<TextLine> lines;
    std::deque<QString> joinedRecords;
    QString joined;
    qsizetype pos = 0;
    for (int number = 1; pos < text.size();) {
        const Record record = nextRecord(text, pos, joined);
        QStringView line = record.text;
        const int lineNumber = number;
        number += record.lines;
        if (record.lines > 1) line = joinedRecords.emplace_back(std::move(joined));
        if (line.size() > MeasurementTextMaxLineLength) {
            ++m.cutLines;
            line = cutLine(line);
        }
        bool blank = true;
        for (const QChar c : line)
            blank = blank && (c == Tab || c == u' ' || c == QChar(0x00A0) || c == Quote ||
                              c == u';' || c == u',');
        if (!blank) lines.push_back({line, lineNumber});
    }
    if (lines.empty()) return std::nullopt;

    {
        std::vector<QStringView> sample;
        for (std::size_t i = 0; i < std::min(lines.size(), SeparatorSampleLines); ++i)
            sample.push_back(lines[i].text);
        m.separator = detectSeparator(sample);
    }
    std::vector<Fields> rows;
    rows.reserve(lines.size());
    for (const TextLine& line : lines)
        rows.push_back(splitFields(line.text, m.separator));
    TimeKind kind = TimeKind::None;
    readTime(rows[0].f[0], kind);
    m.header = kind == TimeKind::None;
    const std::size_t first = m.header ? 1 : 0;
    if (m.header) {
        m.defA = rows[0].f[1];
        m.defB = rows[0].f[2];
    }
    int further = 0;
    for (const Fields& r : rows)
        further = std::max(further, r.filled - 3);
    m.unreadColumns = std::max(further - MaxQuantityColumns, 0);
    further = std::min(further, MaxQuantityColumns);
    for (int j = 0; j < further; ++j) {
        const auto field = std::size_t(j);
        m.further.push_back(QuantityColumn::named(
            m.header && field < rows[0].more.size() ? rows[0].more[field].toString() : QString()));
    }
    // A further column is a quantity when every field it has on a point line is a number.
    std::vector<bool> numbers(std::size_t(further), true);
    // A column the text has holds a value somewhere; in it an empty field is no value.
    bool hasA = false;
    TimeReading how;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        // Separators at the end of a line with nothing after them make no column.
        m.columns = std::max(m.columns, rows[i].filled);
        if (i < first) continue;
        hasA = hasA || !isBlankField(rows[i].f[1]);
        m.hasB = m.hasB || !isBlankField(rows[i].f[2]);
        // A first number above 12 cannot be a month: the text writes day/month/year.
        how.dayFirst = how.dayFirst || SlashDateFirstNumber(rows[i].f[0]) > 12;
    }
    how.decimalMark = textDecimalMark(m, rows, first);

    TimeKind firstKind = TimeKind::None;
    double origin = 0;
    // Clock times without a date that step back by more than half a day crossed midnight.
    bool dayless = false;
    double previous = 0, days = 0;
    for (std::size_t i = first; i < rows.size(); ++i) {
        const Fields& r = rows[i];
        TimeKind lineKind = TimeKind::None;
        const std::optional<double> time = readTime(r.f[0], lineKind, how);
        const std::optional<double> a = ReadTableNumber(r.f[1], how.decimalMark);
        const std::optional<double> b = m.hasB ? ReadTableNumber(r.f[2], how.decimalMark) : 0.0;
        const bool point = time && hasA && a && b &&
                           (firstKind == TimeKind::None || lineKind == firstKind);
        if (!point) {
            if (m.skippedLines++ == 0) {
                m.firstSkippedLine = lines[i].number;
                m.firstSkipped = lines[i].text.toString();
            }
            continue;
        }
        if (m.count == MeasurementTextMaxPoints) {
            ++m.droppedLines;
            continue;
        }
        if (m.count == 0) {
            firstKind = lineKind;
            m.clockTimes = lineKind == TimeKind::Clock;
            if (m.clockTimes) origin = previous = *time;
            dayless = m.clockTimes && *time <= LongestClockDay;
            const std::size_t expected = std::min<std::size_t>(rows.size(), MeasurementTextMaxPoints);
            m.t.reserve(expected);
            m.a.reserve(expected);
            m.b.reserve(expected);
            for (QuantityColumn& c : m.further)
                c.values.reserve(expected);
        }
        if (dayless) {
            if (*time < previous - DaySeconds / 2) days += DaySeconds;
            previous = *time;
        }
        addPoint(m, *time + days - origin, *a, *b);
        for (std::size_t j = 0; j < m.further.size(); ++j) {
            const QStringView field = j < r.more.size() ? r.more[j] : QStringView();
            std::optional<double> v;
            if (!isBlankField(field)) {
                v = ReadTableNumber(field, how.decimalMark);
                numbers[j] = numbers[j] && v.has_value();
            }
            m.further[j].values.push_back(v.value_or(std::nan("")));
        }
    }
    // Columns of words (remarks, names) and columns without a value are no quantities.
    for (std::size_t j = m.further.size(); j-- > 0;) {
        const auto& values = m.further[j].values;
        if (numbers[j] &&
            std::any_of(values.begin(), values.end(), [](double v) { return !std::isnan(v); }))
            continue;
        m.further.erase(m.further.begin() + std::ptrdiff_t(j));
        ++m.leftColumns;
    }
    return m;
}

MeasurementTextFormat PointSetTextFormat(bool loaded, bool hasB, const QString& definitionA,
                                         const QString& definitionB,
                                         const signals::Calibration& cal) {
    MeasurementTextFormat format;
    format.asRead = loaded;
    format.hasB = hasB;
    if (!loaded) {
        format.digitsA = signals::ResolutionDigits(definitionA, signals::SignalChannel::A, cal);
        format.digitsB = signals::ResolutionDigits(definitionB, signals::SignalChannel::B, cal);
    }
    return format;
}

} // namespace kurvimat::exchange
