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

// A point line needs more than this many characters; shorter ones are skipped.
constexpr qsizetype ShortLineLength = 5;

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

float takeNumber(QString& line) {
    return toStored(ParseNumber(TakeField(line)));
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
    QString text;
    text.reserve(qsizetype(n) * 32 + defA.size() + defB.size() + 16);
    text += QStringLiteral("Zeit in s\t");
    text += protectField(defA);
    text += Tab;
    text += protectField(defB);
    text += LineEnd;
    for (std::size_t i = 0; i < n; ++i) {
        text += FormatValue(t[i]);
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

    while (pos < text.size()) {
        const QStringView view = limit(nextTextLine(text, pos));
        if (view.size() <= ShortLineLength) continue;
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
        const float t = takeNumber(line);
        const float a = takeNumber(line);
        const float b = takeNumber(line);
        addPoint(m, t, a, b);
    }
    return m;
}
