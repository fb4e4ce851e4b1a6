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
using kurvimat::signals::SampleResult;

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

ChannelReadout makeReadout(float mean, float voltage, const SampleResult& value, bool applied,
                           const QString& unit) {
    ChannelReadout r;
    r.raw = FormatValue(std::nearbyint(mean));
    r.fraction = FormatFixed(mean / 1023.0f, 3);
    r.voltage = FormatFixed(voltage, 2);
    // A formula that fails here has no value to show, not 0.
    const QString shown = value.failed
                              ? QStringLiteral("–")
                              : FormatValue(RoundSignificant(value.value)) + QLatin1Char(' ') + unit;
    r.value = applied ? shown : r.raw;
    return r;
}

} // namespace

Readouts SamplePipeline::ReadoutTick() {
    Readouts out;
    if (store_.TickCount < INT_MAX) store_.TickCount += 1;
    if (store_.LabelCount <= 0 || store_.TickCount < ReadoutTicks) return out;

    events_ = {};
    const float mA = store_.LabelSumA / float(store_.LabelCount);
    const float mB = store_.LabelSumB / float(store_.LabelCount);
    const float ua = ChannelVoltage(store_.UminA, store_.UmaxA, mA);
    const float ub = ChannelVoltage(store_.UminB, store_.UmaxB, mB);
    const SampleResult ra = evaluate(parserA_, 0, mA, ua, ua, ub, true);
    const SampleResult rb = evaluate(parserB_, 0, mB, ub, ua, ub, false);
    store_.LabelValueA = ra.value;
    store_.LabelValueB = rb.value;
    out.a = makeReadout(mA, ua, ra, store_.DefAppliedA, store_.UnitA);
    out.b = makeReadout(mB, ub, rb, store_.DefAppliedB, store_.UnitB);

    store_.LabelSumA = store_.LabelSumB = 0;
    store_.LabelCount = 0;
    store_.TickCount = 0;
    out.refreshed = true;
    out.events = events_;
    return out;
}

} // namespace kurvimat::acquisition
