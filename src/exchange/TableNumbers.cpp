#include "TableNumbers.h"

#include <QDate>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace kurvimat::exchange {

namespace {

bool isBlank(QChar c) {
    // Spreadsheets put a no-break space (or a narrow one) between a number and its "%".
    return c == u' ' || c == u'\t' || c == QChar(0x00A0) || c == QChar(0x202F) ||
           c == QChar(0x2009);
}

bool isDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

QStringView trimmed(QStringView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

// Digits grouped by three with `group` between the groups: "1.234.567".
bool appendGrouped(QStringView whole, QChar group, std::string& out) {
    qsizetype run = 0;
    bool first = true;
    for (const QChar c : whole) {
        if (c == group) {
            if (run == 0 || (first ? run > 3 : run != 3)) return false;
            first = false;
            run = 0;
        } else {
            out += char(c.unicode());
            ++run;
        }
    }
    return run > 0 && (first || run == 3);
}

// Reads n digits at pos as an integer.
bool takeNumber(QStringView s, qsizetype& pos, int minDigits, int maxDigits, int& value) {
    value = 0;
    int n = 0;
    while (pos < s.size() && isDigit(s[pos]) && n < maxDigits) {
        value = value * 10 + (s[pos].unicode() - u'0');
        ++pos;
        ++n;
    }
    return n >= minDigits;
}

bool takeChar(QStringView s, qsizetype& pos, QChar c) {
    if (pos < s.size() && s[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

// "dd.mm.yy", "dd.mm.yyyy", "yyyy-mm-dd", "mm/dd/yy" or "mm/dd/yyyy" (dayFirst: "dd/mm/yy")
// at pos: the day number.
std::optional<qint64> takeDate(QStringView s, qsizetype& pos, bool dayFirst) {
    qsizetype p = pos;
    int a = 0, b = 0, c = 0;
    QDate date;
    if (takeNumber(s, p, 4, 4, a) && takeChar(s, p, u'-') && takeNumber(s, p, 2, 2, b) &&
        takeChar(s, p, u'-') && takeNumber(s, p, 2, 2, c)) {
        date = QDate(a, b, c);
    } else if (p = pos; takeNumber(s, p, 1, 2, a) && takeChar(s, p, u'/') &&
                        takeNumber(s, p, 1, 2, b) && takeChar(s, p, u'/')) {
        const qsizetype yearAt = p;
        if (!takeNumber(s, p, 2, 4, c) || p - yearAt == 3) return std::nullopt;
        const int year = p - yearAt == 2 ? 2000 + c : c;
        date = dayFirst ? QDate(year, b, a) : QDate(year, a, b);
    } else {
        p = pos;
        if (!(takeNumber(s, p, 1, 2, a) && takeChar(s, p, u'.') && takeNumber(s, p, 1, 2, b) &&
              takeChar(s, p, u'.')))
            return std::nullopt;
        const qsizetype yearAt = p;
        if (!takeNumber(s, p, 2, 4, c) || p - yearAt == 3) return std::nullopt;
        date = QDate(p - yearAt == 2 ? 2000 + c : c, b, a);
    }
    if (!date.isValid()) return std::nullopt;
    pos = p;
    return date.toJulianDay();
}

// "h:mm", "h:mm:ss" or "h:mm:ss,fff" at pos: seconds of the day.
std::optional<double> takeClock(QStringView s, qsizetype& pos) {
    qsizetype p = pos;
    int h = 0, m = 0, sec = 0;
    if (!(takeNumber(s, p, 1, 2, h) && takeChar(s, p, u':') && takeNumber(s, p, 2, 2, m)) ||
        h > 24 || m > 59)
        return std::nullopt;
    double seconds = h * 3600.0 + m * 60.0;
    if (takeChar(s, p, u':')) {
        if (!takeNumber(s, p, 2, 2, sec) || sec > 60) return std::nullopt;
        seconds += sec;
        if (p < s.size() && (s[p] == u',' || s[p] == u'.')) {
            double scale = 0.1;
            ++p;
            if (p >= s.size() || !isDigit(s[p])) return std::nullopt;
            for (; p < s.size() && isDigit(s[p]); ++p, scale /= 10)
                seconds += (s[p].unicode() - u'0') * scale;
        }
    }
    pos = p;
    return seconds;
}

// A number field's parts: |sign|mantissa (digits and separators)|exponent and the rest.
struct NumberParts {
    bool negative = false;
    bool percent = false;
    QStringView mantissa;
    QStringView rest;
};
NumberParts numberParts(QStringView field) {
    QStringView s = trimmed(field);
    NumberParts p;
    if (s.endsWith(u'%')) {
        s = trimmed(s.chopped(1));
        p.percent = true;
    }
    qsizetype i = 0;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        p.negative = s[i] == u'-';
        ++i;
    }
    qsizetype m = i;
    while (m < s.size() && (isDigit(s[m]) || s[m] == u'.' || s[m] == u','))
        ++m;
    p.mantissa = s.sliced(i, m - i);
    p.rest = s.sliced(m);
    return p;
}

bool ambiguous(const NumberParts& p) {
    const QStringView m = p.mantissa;
    if (!p.rest.isEmpty() || m.count(u'.') + m.count(u',') != 1) return false;
    const qsizetype at = std::max(m.indexOf(u'.'), m.indexOf(u','));
    return at >= 1 && at <= 3 && m.size() - at - 1 == 3 && m[0] != u'0';
}

} // namespace

bool IsAmbiguousNumber(QStringView field) {
    return ambiguous(numberParts(field)) && ReadTableNumber(field).has_value();
}

QChar DecimalMarkOf(QStringView field) {
    const NumberParts p = numberParts(field);
    if (ambiguous(p) || !ReadTableNumber(field)) return {};
    const QStringView m = p.mantissa;
    const qsizetype points = m.count(u'.'), commas = m.count(u',');
    if (points > 0 && commas > 0) return m.lastIndexOf(u'.') > m.lastIndexOf(u',') ? u'.' : u',';
    if (points > 1) return u',';
    if (commas > 1) return u'.';
    if (points == 1) return u'.';
    if (commas == 1) return u',';
    return {};
}

std::optional<double> ReadTableNumber(QStringView field, QChar decimalMark) {
    const NumberParts parts = numberParts(field);
    const QStringView s = parts.rest;
    std::string number;
    if (parts.negative) number += '-';
    const QStringView mantissa = parts.mantissa;
    qsizetype m = 0; // in s, after the mantissa
    const qsizetype lastPoint = mantissa.lastIndexOf(u'.');
    const qsizetype lastComma = mantissa.lastIndexOf(u',');
    const qsizetype points = mantissa.count(u'.');
    const qsizetype commas = mantissa.count(u',');
    qsizetype decimalAt = -1; // index of the decimal separator in the mantissa
    QChar group;
    if (points > 0 && commas > 0) {
        decimalAt = std::max(lastPoint, lastComma);
        group = decimalAt == lastPoint ? u',' : u'.';
        if ((group == u',' ? points : commas) != 1) return std::nullopt;
    } else if (points + commas == 1) {
        const QChar mark = points == 1 ? u'.' : u',';
        if (!decimalMark.isNull() && mark != decimalMark && ambiguous(parts))
            group = mark;
        else
            decimalAt = std::max(lastPoint, lastComma);
    } else if (points + commas > 1) {
        group = points > 0 ? u'.' : u',';
    }
    const QStringView whole = decimalAt < 0 ? mantissa : mantissa.first(decimalAt);
    const QStringView fraction = decimalAt < 0 ? QStringView() : mantissa.sliced(decimalAt + 1);
    if (whole.isEmpty() && fraction.isEmpty()) return std::nullopt;
    if (whole.isEmpty()) {
        number += '0';
    } else if (group.isNull()) {
        for (const QChar c : whole)
            number += char(c.unicode());
    } else if (!appendGrouped(whole, group, number)) {
        return std::nullopt;
    }
    if (!fraction.isEmpty()) {
        number += '.';
        for (const QChar c : fraction) {
            if (!isDigit(c)) return std::nullopt;
            number += char(c.unicode());
        }
    }
    // The exponent is read whole: a percent lowers it by two, and the value read is then the
    // double nearest to the decimal number, as a sheet holds it ("0,07 %" is 0.0007 exactly).
    long long exponent = 0;
    if (m < s.size() && (s[m] == u'e' || s[m] == u'E')) {
        ++m;
        const bool negative = m < s.size() && s[m] == u'-';
        if (m < s.size() && (s[m] == u'+' || s[m] == u'-')) ++m;
        const qsizetype digitsAt = m;
        for (; m < s.size() && isDigit(s[m]); ++m)
            exponent = std::min(exponent * 10 + (s[m].unicode() - u'0'), 100000LL);
        if (m == digitsAt) return std::nullopt;
        if (negative) exponent = -exponent;
    }
    if (m != s.size()) return std::nullopt;
    if (parts.percent) exponent -= 2;
    if (exponent != 0) number += 'e' + std::to_string(exponent);
    double value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec != std::errc() || end != number.data() + number.size()) return std::nullopt;
    // What a 32-bit float cannot hold is no measured value.
    if (!std::isfinite(static_cast<float>(value))) return std::nullopt;
    return value == 0 ? 0.0 : value; // no "-0"
}

int SlashDateFirstNumber(QStringView field) {
    const QStringView s = trimmed(field);
    qsizetype pos = 0;
    int first = 0;
    return takeNumber(s, pos, 1, 2, first) && takeChar(s, pos, u'/') ? first : 0;
}

std::optional<double> ReadClockTime(QStringView field, bool dayFirst) {
    QStringView s = trimmed(field);
    // A 12-hour clock: "10:15 AM", "12:30 PM", "12:05 AM" (five past midnight).
    std::optional<bool> pm;
    if (s.size() > 2 && (s.endsWith(u"AM", Qt::CaseInsensitive) ||
                         s.endsWith(u"PM", Qt::CaseInsensitive))) {
        pm = s.endsWith(u"PM", Qt::CaseInsensitive);
        s = trimmed(s.chopped(2));
    }
    qsizetype pos = 0;
    const std::optional<qint64> day = takeDate(s, pos, dayFirst);
    std::optional<double> seconds;
    if (!day || (pos < s.size() && (isBlank(s[pos]) || s[pos] == u'T'))) {
        if (day) {
            while (pos < s.size() && (isBlank(s[pos]) || s[pos] == u'T'))
                ++pos;
        }
        seconds = takeClock(s, pos);
        if (!seconds) return std::nullopt;
        if (pm) {
            const double hour = std::floor(*seconds / 3600);
            if (hour < 1 || hour > 12) return std::nullopt;
            if (hour == 12) *seconds -= 12 * 3600.0;
            if (*pm) *seconds += 12 * 3600.0;
        }
    }
    if (pos != s.size() || (pm && !seconds)) return std::nullopt;
    return double(day.value_or(0)) * 86400.0 + seconds.value_or(0.0);
}

} // namespace kurvimat::exchange
