// The once-a-second numeric readouts of both channels.
#include "SamplePipeline.h"

#include "Numbers.h"
#include "SignalDefinition.h"

#include <QLocale>

#include <climits>
#include <cmath>

QString FormatFixed(double x, int decimals) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    if (!std::isfinite(x)) return locale.toString(x);
    // Three significant digits first (correctly rounded through the decimal exponent form),
    // then padded or cut to the fixed number of decimals.
    double r = QString::number(x, 'e', 2).toDouble();
    if (std::fabs(r) < 0.5 * std::pow(10.0, -decimals)) r = 0.0; // no "-0,00"
    return locale.toString(r, 'f', decimals);
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
