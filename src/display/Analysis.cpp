#include "Analysis.h"

#include "Numbers.h"
#include "skala.h"

#include <cmath>

namespace {

QString number(double v, const QLocale& locale) {
    // A ratio of a span that rounded to 0 has no value to show.
    if (!std::isfinite(v)) return QStringLiteral("-");
    return FormatNumber(v, GeneralStyle(locale, 5));
}

} // namespace

QStringList AnalysisLines(const Tscale& scaleA, const Tscale& scaleB, const QLocale& locale) {
    const double dA = static_cast<float>(scaleA.RangeEnd - scaleA.RangeStart);
    const double dB = static_cast<float>(scaleB.RangeEnd - scaleB.RangeStart);
    const double ratioAB = dB != 0 ? dA / dB : NAN;
    const double ratioBA = dA != 0 ? dB / dA : NAN;
    auto line = [&](const char* label, double v) {
        return QString::fromUtf8(label) + number(v, locale);
    };
    return {line("Skala A min: ", scaleA.RangeStart),
            line("Skala A max: ", scaleA.RangeEnd),
            line("Differenz A: ", dA),
            line("Skala B min: ", scaleB.RangeStart),
            line("Skala B max: ", scaleB.RangeEnd),
            line("Differenz B: ", dB),
            line("Verhältnis A/B: ", ratioAB),
            line("Verhältnis B/A: ", ratioBA)};
}

void AnalysisReadout::Toggle(const Tscale& scaleA, const Tscale& scaleB, const QLocale& locale) {
    if (Visible) {
        Visible = false;
        return;
    }
    Lines = AnalysisLines(scaleA, scaleB, locale);
    Visible = true;
}
