// The once-a-second numeric readouts of both channels.
#include "SamplePipeline.h"

#include "Numbers.h"
#include "SignalDefinition.h"

#include <QLocale>

#include <climits>
#include <cmath>

using kurvimat::signals::ChannelVoltage;
using kurvimat::signals::FormatNumber;
using kurvimat::signals::FormatValue;
using kurvimat::signals::GeneralStyle;
using kurvimat::signals::NumberStyle;
using kurvimat::signals::ParseNumber;
using kurvimat::signals::RoundSignificant;

namespace kurvimat::acquisition {

QString FormatFixed(double x, int decimals) {
    // Three significant digits first, then that number padded or cut to the fixed decimals.
    NumberStyle threeDigits;
    threeDigits.Digits = 3;
    threeDigits.Point = QStringLiteral(".");
    NumberStyle style = GeneralStyle(QLocale(), 3);
    style.Decimals = decimals;
    if (!std::isfinite(x)) return FormatNumber(x, style);
    return FormatNumber(ParseNumber(FormatNumber(x, threeDigits)), style);
}

namespace {

ChannelReadout MakeReadout(float mean, float voltage, float value, bool applied,
                           const QString& unit) {
    ChannelReadout r;
    r.raw = FormatValue(std::nearbyint(mean));
    r.fraction = FormatFixed(mean / 1023.0f, 3);
    r.voltage = FormatFixed(voltage, 2);
    r.value = applied ? FormatValue(RoundSignificant(value)) + QLatin1Char(' ') + unit : r.raw;
    return r;
}

} // namespace

Readouts SamplePipeline::ReadoutTick() {
    Readouts out;
    if (S.TickCount < INT_MAX) S.TickCount += 1;
    if (S.LabelCount <= 0 || S.TickCount < ReadoutTicks) return out;

    Events = {};
    const float mA = S.LabelSumA / float(S.LabelCount);
    const float mB = S.LabelSumB / float(S.LabelCount);
    const float ua = ChannelVoltage(S.UminA, S.UmaxA, mA);
    const float ub = ChannelVoltage(S.UminB, S.UmaxB, mB);
    S.LabelValueA = Evaluate(ParserA, 0, mA, ua, ua, ub, true);
    S.LabelValueB = Evaluate(ParserB, 0, mB, ub, ua, ub, false);
    out.a = MakeReadout(mA, ua, S.LabelValueA, S.DefAppliedA, S.UnitA);
    out.b = MakeReadout(mB, ub, S.LabelValueB, S.DefAppliedB, S.UnitB);

    S.LabelSumA = S.LabelSumB = 0;
    S.LabelCount = 0;
    S.TickCount = 0;
    out.refreshed = true;
    out.events = Events;
    return out;
}

} // namespace kurvimat::acquisition
