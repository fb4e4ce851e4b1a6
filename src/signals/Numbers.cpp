#include "Numbers.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

namespace kurvimat::signals {

namespace {

bool isAsciiDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// strtod follows LC_NUMERIC, which Qt sets from the environment; from_chars never does.
double readDouble(const std::string& text) {
    double value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size()) return 0;
    return value;
}

template <typename T> void orderRange(T& min, T& max) {
    if (min == max) {
        max = 2 * min;
        min = 0;
    }
    if (min == max) {
        max = 1;
        min = -1;
    }
    if (min > max) std::swap(min, max);
}

} // namespace

double ParseNumber(const QString& text) {
    if (text.size() >= 2 && text.size() <= 4) { // the lengths of the yes-words
        const QString lower = text.toLower();
        for (const char* word : {"an", "on", "ja", "yes", "true", "wahr"}) {
            if (lower == QLatin1String(word)) return 1.0;
        }
    }

    // The longest number at the start of the text, in from_chars syntax; what follows it
    // ("12,5 V", "500 ms (2 Hz)") is not read.
    const qsizetype n = text.size();
    qsizetype i = 0;
    std::string number;
    auto readDigits = [&] {
        const std::size_t before = number.size();
        while (i < n && isAsciiDigit(text[i]))
            number += static_cast<char>(text[i++].unicode());
        return number.size() - before;
    };

    while (i < n && text[i] == u' ')
        ++i;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-') number += '-';
        ++i;
    }
    std::size_t digits = readDigits();
    if (digits == 0) number += '0'; // ".5": from_chars wants a digit before the point
    if (i < n && (text[i] == u'.' || text[i] == u',')) {
        ++i;
        number += '.';
        const std::size_t fraction = readDigits();
        if (fraction == 0) number.pop_back();
        digits += fraction;
    }
    if (digits == 0) return 0.0;
    if (i + 1 < n && (text[i] == u'e' || text[i] == u'E')) {
        // The exponent belongs to the number only with its digits: "1e" reads as 1.
        const std::size_t mantissaEnd = number.size();
        number += 'e';
        ++i;
        if (text[i] == u'+' || text[i] == u'-') number += static_cast<char>(text[i++].unicode());
        if (readDigits() == 0) number.resize(mantissaEnd);
    }

    const double value = readDouble(number);
    return value == 0 ? 0.0 : value; // no "-0" for the user
}

NumberStyle GeneralStyle(const QLocale& locale, int digits) {
    NumberStyle style;
    style.Digits = digits;
    style.Point = locale.decimalPoint();
    style.Minus = locale.negativeSign();
    style.Exponent = locale.exponential();
    style.Plus = locale.positiveSign();
    style.KeepZeros = false;
    style.SmallForm = NumberStyle::Small::RoundedBelowTenThousandth;
    return style;
}

QString FormatNumber(double x, const NumberStyle& style) {
    if (std::isnan(x)) return QStringLiteral("nan");
    if (std::isinf(x)) return (x < 0 ? style.Minus : QString()) + QStringLiteral("inf");
    const bool fixed = style.Decimals >= 0;
    // ParseNumber reads only comma and point: any other separator of the locale is not written.
    const QString point = !style.Point.isEmpty()             ? style.Point
                          : QLocale().decimalPoint() == u',' ? QStringLiteral(",")
                                                             : QStringLiteral(".");
    if (x == 0 && !fixed) return QStringLiteral("0");

    // The digits decide a tie twenty-nine places further on, well below the resolution of a
    // double. Fixed decimals of a large number may need more.
    char small[64];
    std::string large;
    const auto scientific = [&](int precision) -> std::string_view { // "d.ddd...de+XX"
        char* buf = small;
        std::size_t size = sizeof small;
        if (precision > 40) {
            large.resize(static_cast<std::size_t>(precision) + 16);
            buf = large.data();
            size = large.size();
        }
        const auto end =
            std::to_chars(buf, buf + size, std::fabs(x), std::chars_format::scientific, precision);
        return {buf, static_cast<std::size_t>(end.ptr - buf)};
    };
    std::string_view text = scientific(29);
    std::size_t ePos = text.find('e');
    int exponent = 0;
    std::from_chars(text.data() + ePos + (text[ePos + 1] == '+' ? 2 : 1), text.end(), exponent);
    const int digits = fixed ? exponent + 1 + style.Decimals : std::clamp(style.Digits, 1, 17);
    if (digits > 29) {
        text = scientific(digits + 29);
        ePos = text.find('e');
    }
    const auto digitAt = [&](int i) { return text[i == 0 ? 0 : std::size_t(i) + 1]; };

    std::string mantissa;
    for (int i = 0; i < digits; ++i)
        mantissa += digitAt(i);
    if (digits >= 0 && digitAt(digits) >= '5') {
        std::size_t k = mantissa.size();
        while (k > 0 && mantissa[k - 1] == '9')
            mantissa[--k] = '0';
        if (k > 0) {
            ++mantissa[k - 1];
        } else { // 9.99... rounds up to the next power of ten
            mantissa.insert(mantissa.begin(), '1');
            if (!fixed) mantissa.pop_back();
            ++exponent;
        }
    }
    const bool zero = mantissa.find_first_not_of('0') == std::string::npos;
    QString out = x < 0 && !zero ? style.Minus : QString();
    if (fixed && zero) {
        exponent = 0;
        mantissa.assign(static_cast<std::size_t>(style.Decimals) + 1, '0');
    }

    std::size_t significant = mantissa.size(); // without trailing zeros
    while (significant > 1 && mantissa[significant - 1] == '0')
        --significant;
    const int plainDecimals = static_cast<int>(significant) - 1 - exponent;
    bool exponentForm = false;
    if (!fixed) {
        switch (style.SmallForm) {
        case NumberStyle::Small::BelowTenThousandth:
            exponentForm = std::fabs(x) < 1e-4;
            break;
        case NumberStyle::Small::RoundedBelowTenThousandth:
            exponentForm = exponent < -4;
            break;
        case NumberStyle::Small::MoreDecimalsThanDigits:
            exponentForm = plainDecimals > digits;
            break;
        }
        exponentForm = exponentForm || exponent >= digits;
    }
    if (exponentForm) {
        const std::size_t shown = style.KeepZeros ? mantissa.size() : significant;
        out += QLatin1Char(mantissa[0]);
        if (shown > 1) out += point + QLatin1String(mantissa.data() + 1, shown - 1);
        out += style.Exponent + (exponent < 0 ? style.Minus : style.Plus);
        out += QStringLiteral("%1").arg(std::abs(exponent), style.ExponentDigits, 10,
                                        QLatin1Char('0'));
        return out;
    }
    // General form: the whole digits, then the fraction (fixed: all its decimals).
    std::string whole = "0", fraction;
    if (exponent >= 0) {
        whole = mantissa.substr(0, static_cast<std::size_t>(exponent) + 1);
        fraction = mantissa.substr(whole.size());
    } else {
        fraction = std::string(static_cast<std::size_t>(-exponent - 1), '0') + mantissa;
    }
    if (!fixed) {
        while (!fraction.empty() && fraction.back() == '0')
            fraction.pop_back();
    }
    out += QLatin1String(whole.data(), whole.size());
    if (!fraction.empty()) out += point + QLatin1String(fraction.data(), fraction.size());
    return out;
}

QString FormatValue(double x, int digits) {
    NumberStyle style;
    style.Digits = std::clamp(digits, 1, MaxSignificantDigits);
    return FormatNumber(x, style);
}

float RoundSignificant(float x) {
    if (x == 0 || !std::isfinite(x)) return x;
    // The offset makes truncation act as floor for negative logarithms.
    const int e = static_cast<int>(std::trunc(std::log10(std::fabs(double(x))) + 1000)) - 1000;
    const float f = static_cast<float>(std::exp(e * std::log(10.0)));
    const float m = static_cast<float>(double(x) / f);
    // The magnitude is rounded, so that -1.235 goes to -1.24 as 1.235 goes to 1.24.
    const float r = static_cast<float>(std::trunc(std::fabs(double(m)) * 100 + 0.5) / 100);
    return static_cast<float>(std::copysign(double(r), double(m)) * f);
}

void OrderRange(float& min, float& max) {
    orderRange(min, max);
}

void OrderRange(double& min, double& max) {
    orderRange(min, max);
}

bool UnitTakesPrefix(const QString& unit) {
    if (unit.isEmpty()) return false;
    const QChar u = unit.front();
    if (u == QChar(0x00B0) || u == u'%' || u.isDigit()) return false;
    qsizetype end = 0;
    while (end < unit.size() && unit[end] != u'/' && unit[end] != QChar(0x00B7) &&
           unit[end] != u'*' && unit[end] != u' ')
        ++end;
    const QStringView first = QStringView(unit).first(end);
    for (const QChar c : first)
        if (c.isDigit() || c == u'^' || c == QChar(0x00B2) || c == QChar(0x00B3)) return false;
    static const QStringList unprefixed = {QStringLiteral("h"), QStringLiteral("min"),
                                           QStringLiteral("d")};
    if (unprefixed.contains(first)) return false;
    static const QStringList ownUnits = {QStringLiteral("mol"), QStringLiteral("cd"),
                                         QStringLiteral("cal"), QStringLiteral("Gy"),
                                         QStringLiteral("kat"), QStringLiteral("dpt")};
    if (ownUnits.contains(first)) return true;
    // The prefixes people write before a unit, deca's "da" included: "cm", "hPa", "daN".
    static const QString prefixes = QStringLiteral("pn\u00B5umcdhkMGT");
    return !(first.size() >= 2 && prefixes.contains(u));
}

std::optional<QString> SiPrefix(int exponent) {
    switch (exponent) {
    case -12:
        return QStringLiteral("p");
    case -9:
        return QStringLiteral("n");
    case -6:
        return QString(QChar(0x00B5)); // micro sign
    case -3:
        return QStringLiteral("m");
    case 0:
        return QString();
    case 3:
        return QStringLiteral("k");
    case 6:
        return QStringLiteral("M");
    case 9:
        return QStringLiteral("G");
    case 12:
        return QStringLiteral("T");
    default:
        return std::nullopt;
    }
}

} // namespace kurvimat::signals
