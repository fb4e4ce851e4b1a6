#include "Analysis.h"

#include "Numbers.h"
#include "Scale.h"

#include <QCoreApplication>
#include <cmath>

using kurvimat::signals::FormatNumber;
using kurvimat::signals::GeneralStyle;

namespace kurvimat::display {

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
        return QCoreApplication::translate("Analysis", label) + number(v, locale);
    };
    return {line(QT_TRANSLATE_NOOP("Analysis", "Skala A min: "), scaleA.RangeStart),
            line(QT_TRANSLATE_NOOP("Analysis", "Skala A max: "), scaleA.RangeEnd),
            line(QT_TRANSLATE_NOOP("Analysis", "Differenz A: "), dA),
            line(QT_TRANSLATE_NOOP("Analysis", "Skala B min: "), scaleB.RangeStart),
            line(QT_TRANSLATE_NOOP("Analysis", "Skala B max: "), scaleB.RangeEnd),
            line(QT_TRANSLATE_NOOP("Analysis", "Differenz B: "), dB),
            line(QT_TRANSLATE_NOOP("Analysis", "Verhältnis A/B: "), ratioAB),
            line(QT_TRANSLATE_NOOP("Analysis", "Verhältnis B/A: "), ratioBA)};
}

void AnalysisReadout::Toggle(const Tscale& scaleA, const Tscale& scaleB, const QLocale& locale) {
    if (Visible) {
        Visible = false;
        return;
    }
    Lines = AnalysisLines(scaleA, scaleB, locale);
    Visible = true;
}

} // namespace kurvimat::display
