#include "SignalDefinition.h"

#include "FormulaParser.h"
#include "Numbers.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace kurvimat::signals {

namespace {

// 1-based position of the first occurrence, 0 when absent.
qsizetype position(const QString& s, QChar c) {
    return s.indexOf(c) + 1;
}

// Characters i to j, 1-based and inclusive; empty when j < i.
QString chars(const QString& s, qsizetype i, qsizetype j) {
    i = std::max<qsizetype>(i, 1);
    j = std::min(j, s.size());
    return j < i ? QString() : s.mid(i - 1, j - i + 1);
}

// Raw values of the inset probes: 5 % in from either end of 0..1023.
constexpr float RawInsetLow = 51.15f;
constexpr float RawInsetHigh = 971.85f;

struct ProbePoint {
    float raw, ownVoltage, voltageA, voltageB;
};

SampleResult probe(TParser& parser, const ProbePoint& p) {
    return EvaluateSample(parser, 0, p.raw, p.ownVoltage, p.voltageA, p.voltageB);
}

// Probes one end: channel A (or B) sits at that end, the other channel is tried at both of its
// ends so that a difference of the channels gets its full range.
float probeEnd(TParser& parser, SignalChannel channel, const Calibration& cal, bool high,
               bool* divByZero, EvalFailure* noValue) {
    const double dA = (double(cal.UmaxA) - cal.UminA) / 20;
    const double dB = (double(cal.UmaxB) - cal.UminB) / 20;
    const float aEnd = high ? cal.UmaxA : cal.UminA;
    const float aInset = static_cast<float>(high ? cal.UmaxA - dA : cal.UminA + dA);
    const float bNear = high ? cal.UmaxB : cal.UminB; // B at the probed end
    const float bFar = high ? cal.UminB : cal.UmaxB;
    const float bNearInset = static_cast<float>(high ? cal.UmaxB - dB : cal.UminB + dB);
    const float bFarInset = static_cast<float>(high ? cal.UminB + dB : cal.UmaxB - dB);
    const float raw = high ? 1023.0f : 0.0f;
    const float rawInset = high ? RawInsetHigh : RawInsetLow;

    const bool isA = channel == SignalChannel::A;
    const float own = isA ? aEnd : bNear;
    const float ownInset = isA ? aInset : bNearInset;

    bool divided = false;
    SampleResult r1 = probe(parser, {raw, own, aEnd, bNear});
    SampleResult r2 = probe(parser, {raw, own, aEnd, bFar});
    divided = r1.divByZero || r2.divByZero;
    if (r2.failed) {
        // Keeps formulas such as LN(1/X-1) away from their poles.
        r1 = probe(parser, {rawInset, ownInset, aInset, bNearInset});
        r2 = probe(parser, {rawInset, ownInset, aInset, bFarInset});
        divided = divided || r1.divByZero || r2.divByZero;
    }
    if (divByZero && divided) *divByZero = true;
    if (noValue)
        *noValue = r1.failed && r2.failed ? WorseFailure(r1.why, r2.why) : EvalFailure::None;
    return high ? std::max(r1.value, r2.value) : std::min(r1.value, r2.value);
}

// A typed limit beyond the float range would make the axis range infinite.
float intervalLimit(const QString& text) {
    constexpr double largest = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(ParseNumber(text), -largest, largest));
}

} // namespace

DefinitionParts SplitDefinition(const QString& line) {
    const qsizetype c = position(line, u':');
    const qsizetype o = position(line, u'(');
    const qsizetype e = position(line, u')');
    const qsizetype b1 = position(line, u'[');
    const qsizetype b2 = position(line, u']');

    DefinitionParts parts;
    // A "(" after the colon belongs to the formula.
    if (o + 1 < e && o < c) parts.unit = chars(line, o + 1, e - 1);
    parts.name = chars(line, 1, c - 1);
    parts.formula = c < b1 ? chars(line, c + 1, b1 - 1) : chars(line, c + 1, line.size());
    parts.formula.remove(u' ');
    if (!parts.unit.isEmpty()) {
        const bool blankBefore = o >= 2 && line[o - 2] == u' ';
        parts.name = chars(line, 1, blankBefore ? o - 2 : o - 1);
    }
    const qsizetype p = position(chars(line, b1, b2 - 1), u';');
    if (b1 > 0 && b1 < b2 && p > 0) {
        parts.minText = chars(line, b1 + 1, b1 + p - 2);
        parts.maxText = chars(line, b1 + p, b2 - 1);
    }
    return parts;
}

DefinitionParts PointSetParts(const QString& text) {
    if (ReadHeaderField(text) != HeaderField::Label) return SplitDefinition(text);
    DefinitionParts parts;
    const QString label = text.trimmed();
    parts.name = label;
    // "Name (Unit)", "Name [Unit]" or "Name in Unit"
    for (const auto& [open, close] : {std::pair{u'(', u')'}, std::pair{u'[', u']'}}) {
        const qsizetype o = label.indexOf(open);
        const qsizetype e = label.indexOf(close, o + 1);
        if (o > 0 && e > o + 1) {
            parts.name = label.first(o).trimmed();
            parts.unit = label.sliced(o + 1, e - o - 1).trimmed();
            return parts;
        }
    }
    const qsizetype in = label.lastIndexOf(QStringLiteral(" in "));
    if (in > 0 && in + 4 < label.size()) {
        parts.name = label.first(in).trimmed();
        parts.unit = label.sliced(in + 4).trimmed();
    }
    return parts;
}

bool IsDefinitionLine(const QString& text) {
    return text.isEmpty() || text.contains(u':');
}

bool FormulaCompiles(const QString& formula) {
    TParser trial;
    for (const char* name : {"r", "U"})
        trial.SetVariable(name, 0);
    try {
        trial.SetExpression(ParserExpression(formula));
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

qsizetype FormulaErrorPlace(const QString& formula, const std::exception& e) {
    qsizetype lead = 0; // the parser reads the formula without its outer blanks
    while (lead < formula.size() && formula[lead] == u' ')
        ++lead;
    const QString text = formula.trimmed();
    if (dynamic_cast<const EMissMatchingBracket*>(&e)) {
        // The first ")" without its "(", else the end, where a ")" is missing.
        int depth = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            depth += text[i] == u'(' ? 1 : text[i] == u')' ? -1 : 0;
            if (depth < 0) return lead + i + 1;
        }
        return depth > 0 ? lead + text.size() : 0;
    }
    if (dynamic_cast<const EExpressionHasBlanks*>(&e)) {
        const qsizetype blank = text.indexOf(u' ');
        return blank < 0 ? 0 : lead + blank + 1;
    }
    if (!dynamic_cast<const ESyntaxError*>(&e)) return 0;
    // The parser names the piece it could not read, or the two sides of the operator it tried
    // last (then the place is that operator), in the upper case it compiles.
    const QStringList pieces = QString::fromStdString(e.what()).split(u'\r');
    const QString upper = QString::fromStdString(ParserExpression(text)).toUpper();
    if (pieces.size() < 2 || pieces[1].trimmed().isEmpty()) return 0;
    const qsizetype at = upper.indexOf(pieces[1]);
    if (at < 0) return 0;
    return lead + at + 1 + (pieces.size() == 3 ? pieces[1].size() : 0);
}

HeaderField ReadHeaderField(const QString& field) {
    if (field.trimmed().isEmpty()) return HeaderField::Nothing;
    // "T1: Wasser (°C)" or "Messung 10:15 U (V)" are column labels with a colon in them.
    if (!field.contains(u':') || !FormulaCompiles(SplitDefinition(field).formula))
        return HeaderField::Label;
    return HeaderField::Definition;
}

QString shownName(const QString& name) {
    QString shown;
    shown.reserve(name.size());
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u < 0x20)
            shown += QChar(char16_t(0x2400 + u));
        else if (u == 0x7F)
            shown += QChar(u'\u2421');
        else if (u >= 0x80 && u <= 0x9F)
            shown += QChar(u'\uFFFD');
        else if (u == 0x2028 || u == 0x2029)
            shown += QChar(u'\u2424');
        else if (u == 0x061C || u == 0x200E || u == 0x200F || (u >= 0x202A && u <= 0x202E) ||
                 (u >= 0x2066 && u <= 0x2069))
            continue;
        else
            shown += c;
    }
    return shown;
}

QString SignalTitle(const QString& rawName, const QString& rawUnit) {
    const QString name = shownName(rawName), unit = shownName(rawUnit);
    if (unit.isEmpty()) return name;
    // The readouts' rule: the axis of "cm" shows "x10^-3", never "mcm".
    if (!UnitTakesPrefix(unit)) return name + QStringLiteral(" in ") + unit;
    return name + QStringLiteral(" in <vf>") + unit;
}

std::string ParserExpression(const QString& formula) {
    return QString(formula).replace(u',', u'.').toStdString();
}

QStringList BuiltInSignals() {
    // Translated where the list is asked for: after the program has installed its language.
    return {
        QCoreApplication::translate("SignalDefinition", "Spannung, unkalibriert (V): U"),
        QCoreApplication::translate("SignalDefinition", "digitale Rohdaten: D"),
        QCoreApplication::translate("SignalDefinition", "relativer Anteil (%): r*100"),
        QCoreApplication::translate("SignalDefinition", "Winkel Standardpoti (°): r*270"),
        QCoreApplication::translate("SignalDefinition", "Stromstärke, Rs = 1 Ohm (A): U/1"),
        QCoreApplication::translate(
            "SignalDefinition", "Stromstärke, Rs = 50 Ohm zw. A & B (A): (A-B)/50 [-0.02; 0.020]"),
        QCoreApplication::translate("SignalDefinition",
                                    "Temperatur, unkalibriert (°C): "
                                    "1/(1/298,15+ln(47/(5/U-1)/50)/3950)-273,15 [0;100]"),
        QCoreApplication::translate("SignalDefinition", "Sinusfunktion 1 Hz: sin(2*pi*t) [-1;1]"),
        QString(),
    };
}

float ChannelVoltage(float umin, float umax, float raw) {
    // Float arithmetic like the acquisition, so re-evaluated points match the recorded ones.
    return umin + (umax - umin) * raw / 1023.0f;
}

SampleResult EvaluateSample(TParser& parser, float time, float raw, float ownVoltage,
                            float voltageA, float voltageB) {
    // Built once: assigning by name must not build a string per sample.
    static const std::string nameR = "r";
    static const std::string nameU = "U";

    const double x = double(raw) / 1023;
    parser.SetT(time);
    parser.SetY(raw);
    parser.SetD(raw);
    parser.SetX(x);
    parser.SetVariable(nameR, x);
    parser.SetVariable(nameU, ownVoltage);
    parser.SetA(voltageA);
    parser.SetB(voltageB);
    try {
        const double v = parser.Value();
        // A non-finite result is an error however it got through; beyond the float range is
        // overflow.
        if (std::isnan(v)) return {0, true, false, EvalFailure::Invalid};
        const float f = static_cast<float>(v);
        if (std::isinf(f)) return {0, true, false, EvalFailure::Overflow};
        return {f, false};
    } catch (const EZeroDivide&) {
        return {0, true, false, EvalFailure::DivisionByZero};
    } catch (const EOverflow&) {
        return {0, true, false, EvalFailure::Overflow};
    } catch (const EMathError&) {
        return {0, true, false, EvalFailure::Invalid};
    } catch (const EDivByZero&) {
        // Contained like the floating-point family, so that no evaluation on the timer path
        // (readouts, level text, recording) raises an error tick after tick.
        return {0, true, true, EvalFailure::DivisionByZero};
    }
}

void CompileFormula(TParser& parser, const std::string& text) {
    if (!text.empty()) {
        // A trial parser with the same names: writing the expression of the real one discards
        // its program before compiling, and the channel must keep working when it is rejected.
        // Beyond the built-in names the signal code only ever creates "r" and "U".
        TParser trial;
        for (const char* name : {"r", "U"})
            if (parser.FindVariable(name)) trial.SetVariable(name, 0);
        trial.SetExpression(text);
    }
    parser.SetExpression(text);
}

EvalFailure WorseFailure(EvalFailure a, EvalFailure b) {
    if (a == EvalFailure::DivisionByZero || b == EvalFailure::DivisionByZero)
        return EvalFailure::DivisionByZero;
    return a != EvalFailure::None ? a : b;
}

float ProbeLowEnd(TParser& parser, SignalChannel channel, const Calibration& cal, bool* divByZero,
                  EvalFailure* noValue) {
    return probeEnd(parser, channel, cal, false, divByZero, noValue);
}

float ProbeHighEnd(TParser& parser, SignalChannel channel, const Calibration& cal,
                   bool* divByZero, EvalFailure* noValue) {
    return probeEnd(parser, channel, cal, true, divByZero, noValue);
}

int ResolutionDigits(const QString& definition, SignalChannel channel, const Calibration& cal) {
    constexpr int least = 4;
    TParser parser;
    for (const char* name : {"r", "U"})
        parser.SetVariable(name, 0);
    try {
        CompileFormula(parser, ParserExpression(SplitDefinition(definition).formula));
    } catch (const std::exception&) {
        return least;
    }
    const bool isA = channel == SignalChannel::A;
    const float umin = isA ? cal.UminA : cal.UminB, umax = isA ? cal.UmaxA : cal.UmaxB;
    // The other channel rests in the middle of its range.
    const float other = isA ? (cal.UminB + cal.UmaxB) / 2 : (cal.UminA + cal.UmaxA) / 2;
    const auto at = [&](float raw) {
        const float own = ChannelVoltage(umin, umax, raw);
        return EvaluateSample(parser, 0, raw, own, isA ? own : other, isA ? other : own);
    };
    int digits = least;
    for (int k = 0; k <= 128; ++k) {
        const int raw = std::min(k * 8, 1022);
        const SampleResult v0 = at(float(raw)), v1 = at(float(raw + 1));
        const double step = std::fabs(double(v1.value) - double(v0.value));
        const double magnitude = std::max(std::fabs(v0.value), std::fabs(v1.value));
        if (v0.failed || v1.failed || step == 0 || magnitude == 0) continue;
        // A last digit worth 10^(exponent + 1 - d) rounds by half of that: at most one step.
        const double exponent = std::floor(std::log10(magnitude));
        const int needed = int(std::ceil(exponent + 1 - std::log10(2 * step) - 1e-9));
        digits = std::max(digits, std::min(needed, MaxSignificantDigits));
    }
    return digits;
}

SignalRange ResolveRange(TParser& parser, SignalChannel channel, const Calibration& cal,
                         const QString& minText, const QString& maxText) {
    SignalRange range{0, 0, minText, maxText, minText.isEmpty() && maxText.isEmpty()};
    EvalFailure lowFails = EvalFailure::None, highFails = EvalFailure::None;
    if (!minText.isEmpty()) {
        range.min = intervalLimit(minText);
    } else {
        range.min = ProbeLowEnd(parser, channel, cal, &range.divByZero, &lowFails);
        range.minText = FormatValue(range.min);
    }
    if (!maxText.isEmpty()) {
        range.max = intervalLimit(maxText);
    } else {
        range.max = ProbeHighEnd(parser, channel, cal, &range.divByZero, &highFails);
        range.maxText = FormatValue(range.max);
    }
    // Only where no end was probed successfully: a typed end says nothing about the formula.
    const bool lowFailed = minText.isEmpty() ? lowFails != EvalFailure::None : true;
    const bool highFailed = maxText.isEmpty() ? highFails != EvalFailure::None : true;
    if (lowFailed && highFailed && !(minText.size() && maxText.size())) {
        // The ends are probed at time 0; a formula of the time may well have values later.
        const float midA = (cal.UminA + cal.UmaxA) / 2, midB = (cal.UminB + cal.UmaxB) / 2;
        const bool isA = channel == SignalChannel::A;
        if (EvaluateSample(parser, 1, 511.5f, isA ? midA : midB, midA, midB).failed)
            range.noValue = WorseFailure(lowFails, highFails);
    }
    OrderRange(range.min, range.max);
    return range;
}

bool RangeTextsMatch(const QString& minText, const QString& maxText, float defMin, float defMax) {
    // As an edit shows a probed end: FormatValue keeps four significant digits.
    const auto same = [](float typed, float end) {
        return typed == end || typed == float(ParseNumber(FormatValue(end)));
    };
    float low = intervalLimit(minText);
    float high = intervalLimit(maxText);
    OrderRange(low, high);
    return same(low, defMin) && same(high, defMax);
}

bool ReevaluatePoints(TParser& parser, SignalChannel channel, const RecordedPoints& points,
                      std::span<float> data, float& dataMin, float& dataMax, float& dataMinT,
                      float& dataMaxT, EvalFailure* noValue) {
    const std::size_t count =
        std::min({points.Count > 0 ? std::size_t(points.Count) : 0, points.DataT.size(),
                  points.SweepRawA.size(), points.SweepRawB.size(), points.VoltsA.size(),
                  points.VoltsB.size(), data.size()});
    const bool isA = channel == SignalChannel::A;
    bool divByZero = false;
    EvalFailure failure = EvalFailure::None;
    std::size_t values = 0;
    for (std::size_t i = 0; i < count; ++i) {
        // The voltages the point was measured as: a later change of the input range must not
        // rescale it.
        const float voltageA = points.VoltsA[i];
        const float voltageB = points.VoltsB[i];
        const float t = points.DataT[i];
        const SampleResult r =
            EvaluateSample(parser, t, isA ? points.SweepRawA[i] : points.SweepRawB[i],
                           isA ? voltageA : voltageB, voltageA, voltageB);
        divByZero = divByZero || r.divByZero;
        values += r.failed ? 0 : 1;
        failure = WorseFailure(failure, r.why);
        data[i] = r.value;
        if (i == 0) {
            dataMin = dataMax = r.value;
            dataMinT = points.TimeOrigin;
            dataMaxT = points.TimeOrigin + points.PointTime;
        }
        dataMin = std::min(dataMin, r.value);
        dataMax = std::max(dataMax, r.value);
        dataMaxT = std::max(dataMaxT, t);
    }
    if (noValue) *noValue = count > 0 && values == 0 ? failure : EvalFailure::None;
    return divByZero;
}

} // namespace kurvimat::signals
