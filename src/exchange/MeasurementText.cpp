#include "MeasurementText.h"

#include "Codec1252.h"
#include "MeasurementFields.h"
#include "Numbers.h"
#include "TableNumbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>

using kurvimat::signals::FormatValue;
using kurvimat::signals::MaxSignificantDigits;

namespace kurvimat::exchange {

namespace {

constexpr QChar Tab = u'\t';
constexpr QChar Quote = u'"';
const QString LineEnd = QStringLiteral("\r\n");

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
// ReadClockTime of a clock time alone ("24:00:60" at most); with a date it counts the days
// since the Julian origin, millions of them.
constexpr double LongestClockDay = DaySeconds + 60;

// A time field: a number, or a date and clock time; kind tells them apart.
enum class TimeKind { None, Number, Clock };
std::optional<double> readTime(QStringView field, TimeKind& kind) {
    if (const auto v = ReadTableNumber(field)) {
        kind = TimeKind::Number;
        return v;
    }
    if (const auto v = ReadClockTime(field)) {
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
bool isTableText(QStringView text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 && u != u'\t' && u != u'\r' && u != u'\n') return false;
        if ((u >= 0x7F && u < 0xA0) || u == 0xFFFD) return false;
    }
    return true;
}

// The first three fields of a line, as TakeField takes them, and how many fields it has: a TAB
// at the end of a line starts an empty last field.
struct Fields {
    QString f[3];
    int count = 1;
};
Fields splitFields(QStringView line) {
    Fields out;
    if (!line.contains(Quote)) { // the usual line: fields are slices
        qsizetype start = 0;
        for (qsizetype i = 0; i <= line.size(); ++i) {
            if (i < line.size() && line[i] != Tab) continue;
            if (out.count <= 3) out.f[out.count - 1] = line.sliced(start, i - start).toString();
            if (i < line.size()) ++out.count;
            start = i + 1;
        }
        return out;
    }
    bool quoted = false;
    for (const QChar c : line) {
        if (c == Quote) {
            quoted = !quoted;
        } else if (c == Tab && !quoted) {
            ++out.count;
        } else if (out.count <= 3) {
            out.f[out.count - 1] += c;
        }
    }
    return out;
}

void addPoint(MeasurementText& m, float t, float a, float b) {
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

// A line cut to the length that is read, with its number (1-based).
struct TextLine {
    QStringView text;
    int number;
};

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

QString TakeField(QString& line) {
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (i < n && line[i] != Tab && line[i] != Quote)
        ++i;
    QString field = line.first(i); // up to here nothing is quoted: taken in one piece
    bool quoted = false;
    for (; i < n; ++i) {
        const QChar c = line[i];
        if (c == Quote) {
            quoted = !quoted;
        } else if (c == Tab && !quoted) {
            break;
        } else {
            field += c;
        }
    }
    if (i < n)
        line.remove(0, i + 1);
    else
        line.clear();
    return field;
}

QString formatMeasurementText(const QString& defA, const QString& defB, std::span<const float> t,
                              std::span<const float> a, std::span<const float> b,
                              const MeasurementTextFormat& format) {
    const std::size_t n = std::min({t.size(), a.size(), b.size()});
    MeasurementFields fields(format);
    fields.addTimes(t.first(n));
    QString text;
    text.reserve(qsizetype(n) * 32 + defA.size() + defB.size() + 16);
    text += QStringLiteral("Zeit in s\t");
    text += protectField(defA);
    text += Tab;
    text += protectField(defB);
    text += LineEnd;
    for (std::size_t i = 0; i < n; ++i)
        fields.appendLine(text, t[i], a[i], b[i]);
    return text;
}

std::optional<MeasurementText> readMeasurementText(QStringView text) {
    if (text.startsWith(QChar(0xFEFF))) text = text.sliced(1); // a byte order mark
    MeasurementText m;
    if (!isTableText(text)) {
        if (text.trimmed().isEmpty()) return std::nullopt;
        m.notText = true;
        return m;
    }

    // All lines with something in them, cut to the length that is read.
    std::vector<TextLine> lines;
    qsizetype pos = 0;
    for (int number = 1; pos < text.size(); ++number) {
        QStringView line = nextTextLine(text, pos);
        if (line.size() > MeasurementTextMaxLineLength) {
            ++m.cutLines;
            line = cutLine(line);
        }
        bool blank = true;
        for (const QChar c : line)
            blank = blank && (c == Tab || c == u' ' || c == QChar(0x00A0) || c == Quote);
        if (!blank) lines.push_back({line, number});
    }
    if (lines.empty()) return std::nullopt;

    std::vector<Fields> rows;
    rows.reserve(lines.size());
    for (const TextLine& line : lines)
        rows.push_back(splitFields(line.text));
    TimeKind kind = TimeKind::None;
    readTime(rows[0].f[0], kind);
    m.header = kind == TimeKind::None;
    const std::size_t first = m.header ? 1 : 0;
    if (m.header) {
        m.defA = rows[0].f[1];
        m.defB = rows[0].f[2];
    }
    // A column the text has holds a value somewhere; in it an empty field is no value.
    bool hasA = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        m.columns = std::max(m.columns, rows[i].count);
        if (i < first) continue;
        hasA = hasA || !isBlankField(rows[i].f[1]);
        m.hasB = m.hasB || !isBlankField(rows[i].f[2]);
    }

    TimeKind firstKind = TimeKind::None;
    double origin = 0;
    // Clock times without a date that step back by more than half a day crossed midnight.
    bool dayless = false;
    double previous = 0, days = 0;
    for (std::size_t i = first; i < rows.size(); ++i) {
        const Fields& r = rows[i];
        TimeKind lineKind = TimeKind::None;
        const std::optional<double> time = readTime(r.f[0], lineKind);
        const std::optional<double> a = ReadTableNumber(r.f[1]);
        const std::optional<double> b = m.hasB ? ReadTableNumber(r.f[2]) : 0.0;
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
        }
        if (dayless) {
            if (*time < previous - DaySeconds / 2) days += DaySeconds;
            previous = *time;
        }
        addPoint(m, static_cast<float>(*time + days - origin), static_cast<float>(*a),
                 static_cast<float>(*b));
    }
    return m;
}

} // namespace kurvimat::exchange
