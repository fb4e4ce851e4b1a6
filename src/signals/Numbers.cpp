#include "Numbers.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

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

QString FormatValue(double x, int digits) {
    if (x == 0) return QStringLiteral("0");
    char buf[64];
    if (!std::isfinite(x))
        return QString::fromLatin1(buf, std::to_chars(buf, buf + sizeof buf, x).ptr - buf);
    digits = std::clamp(digits, 1, MaxSignificantDigits);

    // Ties away from zero as people round by hand (1234.5 -> 1235). Thirty digits decide a tie
    // well below the resolution of a double.
    const auto result =
        std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific, 29);
    const std::string_view text(buf, result.ptr - buf); // "d.ddd...de+XX"
    const std::size_t ePos = text.find('e');
    int exponent = 0;
    std::from_chars(text.data() + ePos + (text[ePos + 1] == '+' ? 2 : 1), text.end(), exponent);
    std::string mantissa(text.substr(1, digits)); // ".ddd": the point makes way for digit 1
    mantissa[0] = text[0];
    if (text[digits + 1] >= '5') {
        std::size_t k = mantissa.size();
        while (k > 0 && mantissa[k - 1] == '9')
            mantissa[--k] = '0';
        if (k > 0) {
            ++mantissa[k - 1];
        } else { // 9.99... rounds up to the next power of ten
            mantissa.insert(mantissa.begin(), '1');
            mantissa.pop_back();
            ++exponent;
        }
    }

    QString out = x < 0 ? QStringLiteral("-") : QString();
    // ParseNumber reads only comma and point: any other separator of the locale is not written.
    const QString point =
        QLocale().decimalPoint() == u',' ? QStringLiteral(",") : QStringLiteral(".");
    if (std::fabs(x) < 1e-4 || exponent >= digits) {
        out += QLatin1Char(mantissa[0]);
        if (digits > 1) out += point + QLatin1String(mantissa.data() + 1, digits - 1);
        out += QLatin1Char('E');
        out += QLatin1Char(exponent < 0 ? '-' : '+');
        out += QStringLiteral("%1").arg(std::abs(exponent), 2, 10, QLatin1Char('0'));
        return out;
    }
    // General form: 0.0001 <= |x| < 10^digits, so -4 <= exponent < digits.
    std::string whole = "0", fraction;
    if (exponent >= 0) {
        whole = mantissa.substr(0, exponent + 1);
        fraction = mantissa.substr(exponent + 1);
    } else {
        fraction = std::string(-exponent - 1, '0') + mantissa;
    }
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    out += QLatin1String(whole.data(), whole.size());
    if (!fraction.empty()) out += point + QLatin1String(fraction.data(), fraction.size());
    return out;
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
