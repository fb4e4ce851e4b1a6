#include "Numbers.h"

#include <QLocale>

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
    const QString lower = text.toLower();
    for (const char* word : {"an", "on", "ja", "yes", "true", "wahr"}) {
        if (lower == QLatin1String(word)) return 1.0;
    }

    const qsizetype n = text.size();
    qsizetype i = 0;
    // The number in from_chars syntax, and every digit consumed on the way (the fallback).
    std::string number;
    std::string digitsRead;
    auto readDigits = [&](std::string& into) {
        while (i < n && isAsciiDigit(text[i])) {
            const char c = static_cast<char>(text[i].unicode());
            into += c;
            digitsRead += c;
            ++i;
        }
    };

    while (i < n && text[i] == u' ')
        ++i;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-') number += '-';
        ++i;
    }
    std::string intDigits;
    readDigits(intDigits);
    number += intDigits.empty() ? std::string("0") : intDigits;
    if (i < n && (text[i] == u'.' || text[i] == u',')) {
        ++i;
        std::string fracDigits;
        readDigits(fracDigits);
        if (!fracDigits.empty()) number += '.' + fracDigits;
    }
    bool complete = true;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        std::string exponent = "e";
        if (i < n && (text[i] == u'+' || text[i] == u'-')) {
            exponent += static_cast<char>(text[i].unicode());
            ++i;
        }
        std::string expDigits;
        readDigits(expDigits);
        complete = !expDigits.empty();
        number += exponent + expDigits;
    }
    if (complete) {
        // Trailing blanks are as invisible as leading ones: "[-0.02 ; 5]" must not read as 2.
        qsizetype end = i;
        while (end < n && text[end] == u' ')
            ++end;
        complete = end == n;
    }

    const double value = readDouble(complete ? number : digitsRead);
    return value == 0 ? 0.0 : value; // no "-0" for the user
}

QString FormatValue(double x) {
    if (x == 0) return QStringLiteral("0");
    char buf[64];
    if (!std::isfinite(x))
        return QString::fromLatin1(buf, std::to_chars(buf, buf + sizeof buf, x).ptr - buf);

    // Four significant digits, ties away from zero as people round by hand (1234.5 -> 1235).
    // Thirty digits decide a tie well below the resolution of a double.
    const auto result =
        std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific, 29);
    const std::string_view text(buf, result.ptr - buf); // "d.ddd...de+XX"
    const std::size_t ePos = text.find('e');
    int exponent = 0;
    std::from_chars(text.data() + ePos + (text[ePos + 1] == '+' ? 2 : 1), text.end(), exponent);
    int mantissa =
        (text[0] - '0') * 1000 + (text[2] - '0') * 100 + (text[3] - '0') * 10 + (text[4] - '0');
    if (text[5] >= '5') ++mantissa;
    if (mantissa == 10000) {
        mantissa = 1000;
        ++exponent;
    }
    const std::string digits = std::to_string(mantissa);

    QString out = x < 0 ? QStringLiteral("-") : QString();
    const QString point = QLocale().decimalPoint();
    if (std::fabs(x) < 1e-4 || exponent >= 4) {
        out += QLatin1Char(digits[0]) + point + QLatin1String(digits.data() + 1, 3) +
               QLatin1Char('E') + QLatin1Char(exponent < 0 ? '-' : '+') +
               QStringLiteral("%1").arg(std::abs(exponent), 2, 10, QLatin1Char('0'));
        return out;
    }
    // General form: 0.0001 <= |x| < 10000, so -4 <= exponent <= 3.
    std::string whole = "0", fraction;
    if (exponent >= 0) {
        whole = digits.substr(0, exponent + 1);
        fraction = digits.substr(exponent + 1);
    } else {
        fraction = std::string(-exponent - 1, '0') + digits;
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
    const float r = static_cast<float>(std::trunc(double(m) * 100 + 0.5) / 100);
    return static_cast<float>(double(r) * f);
}

void OrderRange(float& min, float& max) {
    orderRange(min, max);
}

void OrderRange(double& min, double& max) {
    orderRange(min, max);
}
