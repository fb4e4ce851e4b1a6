#include "MeasurementText.h"

#include "Codec1252.h"
#include "Numbers.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

constexpr QChar Tab = u'\t';
constexpr QChar Quote = u'"';
const QString LineEnd = QStringLiteral("\r\n");

// A line of this many characters or fewer is a point only with the two TABs of one: three
// one-character numbers ("0\t5\t1") are a point, blank or stray short lines are not.
constexpr qsizetype ShortLineLength = 5;

bool isPointLine(QStringView line) {
    return line.size() > ShortLineLength || line.count(Tab) >= 2;
}

// Whether a field begins as a number does ("-1,5", ".5", " 2e3"); words and empty fields do not.
bool startsWithNumber(QStringView field) {
    qsizetype i = 0;
    while (i < field.size() && field[i] == u' ')
        ++i;
    if (i < field.size() && (field[i] == u'+' || field[i] == u'-')) ++i;
    if (i < field.size() && (field[i] == u'.' || field[i] == u',')) ++i;
    return i < field.size() && field[i].unicode() >= u'0' && field[i].unicode() <= u'9';
}

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

// Stored points are 32-bit floats. A number beyond that range is held at the largest float
// of its sign, so that nothing non-finite reaches the store, the extremes or the axes.
float toStored(double x) {
    if (std::isnan(x)) return 0.0f;
    if (x > FLT_MAX) return FLT_MAX;
    if (x < -FLT_MAX) return -FLT_MAX;
    return static_cast<float>(x);
}

// Limits a line to MeasurementTextMaxLineLength characters without splitting a surrogate pair.
QStringView cutLine(QStringView line) {
    qsizetype n = MeasurementTextMaxLineLength;
    if (line[n - 1].isHighSurrogate() && line[n].isLowSurrogate()) --n;
    return line.first(n);
}

float readNumber(const QString& field) {
    return toStored(ParseNumber(field));
}

// Four digits, or more where four would write two consecutive different times alike (a 2 ms
// sweep past 10 s needs five): the times must keep their order and spacing through the text.
int timeDigits(std::span<const float> t) {
    int digits = 4;
    auto readBack = [&digits](float x) { return readNumber(FormatValue(x, digits)); };
    float previous = t.empty() ? 0.0f : readBack(t[0]);
    for (std::size_t i = 1; i < t.size(); ++i) {
        float current = readBack(t[i]);
        while (t[i] != t[i - 1] && current == previous && digits < MaxSignificantDigits) {
            ++digits;
            previous = readBack(t[i - 1]);
            current = readBack(t[i]);
        }
        previous = current;
    }
    return digits;
}

void addPoint(MeasurementText& m, float t, float a, float b) {
    if (m.count == 0) {
        m.minT = m.maxT = t;
        m.minA = m.maxA = a;
        m.minB = m.maxB = b;
    } else {
        if (t < m.minT) m.minT = t;
        if (t > m.maxT) m.maxT = t;
        if (a < m.minA) m.minA = a;
        if (a > m.maxA) m.maxA = a;
        if (b < m.minB) m.minB = b;
        if (b > m.maxB) m.maxB = b;
    }
    m.t.push_back(t);
    m.a.push_back(a);
    m.b.push_back(b);
    ++m.count;
}

} // namespace

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
                              std::span<const float> a, std::span<const float> b) {
    const std::size_t n = std::min({t.size(), a.size(), b.size()});
    const int digitsT = timeDigits(t.first(n));
    QString text;
    text.reserve(qsizetype(n) * 32 + defA.size() + defB.size() + 16);
    text += QStringLiteral("Zeit in s\t");
    text += protectField(defA);
    text += Tab;
    text += protectField(defB);
    text += LineEnd;
    for (std::size_t i = 0; i < n; ++i) {
        text += FormatValue(t[i], digitsT);
        text += Tab;
        text += FormatValue(a[i]);
        text += Tab;
        text += FormatValue(b[i]);
        text += LineEnd;
    }
    return text;
}

std::optional<MeasurementText> readMeasurementText(QStringView text) {
    qsizetype pos = 0;
    if (text.isEmpty()) return std::nullopt;
    QStringView header = nextTextLine(text, pos);
    if (pos >= text.size()) return std::nullopt; // a header alone carries no points

    MeasurementText m;
    auto limit = [&m](QStringView line) {
        if (line.size() <= MeasurementTextMaxLineLength) return line;
        ++m.cutLines;
        return cutLine(line);
    };

    QString line = limit(header).toString();
    TakeField(line); // the time caption is not checked
    m.defA = TakeField(line);
    m.defB = TakeField(line);

    bool numbers = false;
    while (pos < text.size()) {
        const QStringView view = limit(nextTextLine(text, pos));
        if (!isPointLine(view)) continue;
        if (m.count == MeasurementTextMaxPoints) {
            ++m.droppedLines;
            continue;
        }
        if (m.count == 0) {
            m.t.reserve(MeasurementTextMaxPoints);
            m.a.reserve(MeasurementTextMaxPoints);
            m.b.reserve(MeasurementTextMaxPoints);
        }
        line = view.toString();
        const QString time = TakeField(line);
        numbers = numbers || startsWithNumber(time);
        const float t = readNumber(time);
        const float a = readNumber(TakeField(line));
        const float b = readNumber(TakeField(line));
        addPoint(m, t, a, b);
    }
    if (!numbers) {
        MeasurementText refused;
        refused.withoutNumbers = true;
        refused.cutLines = m.cutLines;
        return refused;
    }
    return m;
}
