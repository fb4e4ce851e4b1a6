#include "SamplePipeline.h"

#include "FormulaParser.h"
#include "ReportDecoder.h"
#include "SignalDefinition.h"

#include <algorithm>
#include <cmath>

using kurvimat::signals::ChannelVoltage;
using kurvimat::signals::EvaluateSample;
using kurvimat::signals::SampleResult;
using kurvimat::signals::TParser;

namespace kurvimat::acquisition {

namespace {

// Most closed blocks SinceArmed counts.
constexpr int SinceArmedLimit = 10000;

// Binds the caller's controls to the pipeline for one call, also when an exception leaves it.
class ControlsScope {
public:
    ControlsScope(TriggerSettings*& slot, TriggerSettings& controls) : Slot(slot) {
        Slot = &controls;
    }
    ~ControlsScope() { Slot = nullptr; }
    ControlsScope(const ControlsScope&) = delete;
    ControlsScope& operator=(const ControlsScope&) = delete;

private:
    TriggerSettings*& Slot;
};

} // namespace

void PipelineEvents::Merge(const PipelineEvents& other) {
    triggers += other.triggers;
    sweepsCompleted += other.sweepsCompleted;
    timeRangeStartChanged = timeRangeStartChanged || other.timeRangeStartChanged;
    timeRangeEndChanged = timeRangeEndChanged || other.timeRangeEndChanged;
    divByZeroA = divByZeroA || other.divByZeroA;
    divByZeroB = divByZeroB || other.divByZeroB;
}

SamplePipeline::SamplePipeline(MeasurementStore& store, TParser& parserA, TParser& parserB)
    : S(store), ParserA(parserA), ParserB(parserB) {}

PipelineEvents SamplePipeline::DecodeReport(const std::uint8_t* data, int size,
                                            TriggerSettings& controls) {
    ControlsScope scope(Controls, controls);
    Events = {};
    SamplePair pairs[MaxPairsPerReport];
    const int count = DecodePairs(S.DeviceMode, data, size, pairs);
    if (count == 0) return Events;

    // One raw entry per millisecond; the pipeline gets one step per StepTime.
    NoteCalibration(S);
    auto entry = [this](float a, float b) {
        S.RawA[S.RawIndex] = int(std::nearbyint(a));
        S.RawB[S.RawIndex] = int(std::nearbyint(b));
        S.RawIndex = (S.RawIndex + 1) % RawCapacity;
        if (S.RawFilled < RawCapacity) S.RawFilled += 1;
        S.RawWritten += 1;
    };
    const int n = S.DeviceMode;
    for (int p = 0; p < count; ++p) {
        const float a = pairs[p].a;
        const float b = pairs[p].b;
        if (n == 2) {
            // A pair covers 2 ms. With channel B off it holds two successive A readings.
            if (!S.ChannelBOff()) {
                entry(a, b);
                Step(a, b);
                entry(a, b);
                Step(a, b);
            } else {
                entry(a, 0);
                Step(a, 0);
                Step(a, 0);
                entry(b, 0);
                Step(b, 0);
                Step(b, 0);
            }
            continue;
        }
        if (!S.ChannelBOff()) {
            for (int k = 0; k < n; ++k) {
                entry(a, b);
                Step(a, b);
            }
            continue;
        }
        // Channel B off: n entries (a first, then b) and 2n steps, n of each reading.
        float c = a;
        int j = 0;
        for (int k = 0; k < n; ++k) {
            entry(c, 0);
            Step(c, 0);
            if (++j == n) c = b;
            Step(c, 0);
            if (++j == n) c = b;
        }
    }
    S.RawDirty = true;
    return Events;
}

void NoteCalibration(MeasurementStore& s) {
    using Cal = MeasurementStore::RawCalibration;
    const int n = std::clamp(s.RawCalibrationCount, 0, MeasurementStore::RawCalibrationCapacity);
    if (n > 0) {
        const Cal& last = s.RawCalibrations[n - 1];
        if (last.UminA == s.UminA && last.UmaxA == s.UmaxA && last.UminB == s.UminB &&
            last.UmaxB == s.UmaxB)
            return;
    }
    Cal* slot = s.RawCalibrations + n;
    if (n == MeasurementStore::RawCalibrationCapacity) {
        std::copy(s.RawCalibrations + 1, s.RawCalibrations + n, s.RawCalibrations);
        slot = s.RawCalibrations + n - 1;
    } else {
        s.RawCalibrationCount = n + 1;
    }
    *slot = {s.RawWritten, s.UminA, s.UmaxA, s.UminB, s.UmaxB};
}

PipelineEvents SamplePipeline::PipelineStep(float a, float b, TriggerSettings& controls) {
    ControlsScope scope(Controls, controls);
    Events = {};
    Step(a, b);
    return Events;
}

void SamplePipeline::Step(float a, float b) {
    S.LabelSumA += a;
    S.LabelSumB += b;
    S.LabelCount += 1;
    const bool bOff = S.ChannelBOff();
    S.BlockSumA += a;
    S.BlockSumB += bOff ? double(a) * a : double(b);
    S.BlockCount += 1;
    if (S.BlockCount < S.IntervalMs) return;

    const double n = S.IntervalMs;
    if (bOff) {
        // Population standard deviation of the A values within the block.
        const double v = S.BlockSumB - S.BlockSumA * S.BlockSumA / n;
        const double s = v > 0 ? std::sqrt(v / n) : 0.0;
        EmitMean(float(S.BlockSumA / n), float(s));
    } else {
        EmitMean(float(S.BlockSumA / n), float(S.BlockSumB / n));
    }
    S.BlockSumA = S.BlockSumB = 0;
    S.BlockCount = 0;
}

void SamplePipeline::EmitMean(float ma, float mb) {
    if (Controls->hold && S.TriggerPos >= 0) {
        S.TriggerPos = -1;
        S.SinceArmed = 0;
    }
    if (S.TriggerPos == -1 && !Controls->hold) {
        const TriggerSettings& c = *Controls;
        bool fire = false;
        if (c.mode == TriggerMode::Dauer) {
            fire = true;
        } else {
            const float prev = c.channelA ? S.PrevMeanA : S.PrevMeanB;
            const float cur = c.channelA ? ma : mb;
            const float level = float(S.TriggerLevel);
            fire = c.rising ? (level > prev && level <= cur) : (level < prev && level >= cur);
        }
        if (c.mode == TriggerMode::Einzel && c.resetEnabled) fire = false;
        if (c.mode == TriggerMode::Auto && S.SinceArmed >= S.PointCount) fire = true;
        if (S.SinceArmed < SinceArmedLimit) S.SinceArmed += 1;
        if (fire) Fire();
    }
    // The trigger test ran before this block entered the ring, so the triggering block
    // becomes sweep point PreTrigger, time 0.
    const float ua = ChannelVoltage(S.UminA, S.UmaxA, ma);
    const float ub = ChannelVoltage(S.UminB, S.UmaxB, mb);
    S.MeanA[S.MeanIndex] = ma;
    S.MeanB[S.MeanIndex] = mb;
    S.MeanVoltsA[S.MeanIndex] = ua;
    S.MeanVoltsB[S.MeanIndex] = ub;
    S.MeanIndex = (S.MeanIndex + 1) % PointCapacity;
    if (S.MeanFilled < PointCapacity) S.MeanFilled += 1;
    if (S.TriggerPos >= 0) RecordPoint(ma, mb, ua, ub);
    S.PrevMeanA = ma;
    S.PrevMeanB = mb;
    S.MeanDirty = true;
}

void SamplePipeline::Fire() {
    TriggerSettings& c = *Controls;
    if (BeforeSweep) BeforeSweep(c.mode);
    // An empty store (after an interval change, say) must not wipe the reference curve.
    if (c.autoSnapshot) TakeSnapshot();
    S.TriggerPos = S.MeanIndex;

    const float oldMin = S.TimeRangeMin;
    const float oldMax = S.TimeRangeMax;
    S.PointTime = float(S.IntervalMs) * S.StepTime;
    S.TimeOrigin = -float(S.PreTrigger) * S.PointTime;
    S.DataMinT = S.TimeOrigin;
    S.DataMaxT = S.TimeOrigin + S.PointTime;
    S.TimeRangeMin = S.TimeOrigin;
    S.TimeRangeMax = float(S.PointCount - 1) * S.PointTime + S.TimeOrigin;
    if (S.TimeRangeMin != oldMin) {
        Events.timeRangeStartChanged = true;
        S.AxesChanged = true;
    }
    if (S.TimeRangeMax != oldMax) {
        Events.timeRangeEndChanged = true;
        S.AxesChanged = true;
    }
    S.DataDefA = c.definitionA;
    S.DataDefB = c.definitionB;

    // |<- PreTrigger history points ->|<- trigger block = point PreTrigger, t = 0 ...
    // Only measured blocks are taken: with a shorter history the sweep starts at point
    // SweepFirst, and every point keeps its time.
    const int pre = std::clamp(S.PreTrigger, 0, PointCapacity);
    const int measured = std::min(pre, std::max(S.MeanFilled, 0));
    S.DataCount = 0;
    S.DataLoaded = false;
    S.DataHasB = true;
    S.SweepFirst = pre - measured;
    const int start = ((S.MeanIndex - measured) % PointCapacity + PointCapacity) % PointCapacity;
    for (int i = S.SweepFirst; i < pre; ++i) {
        const int k = (start + i - S.SweepFirst) % PointCapacity;
        StorePoint(i, S.MeanA[k], S.MeanB[k], S.MeanVoltsA[k], S.MeanVoltsB[k]);
    }
    S.SweepIndex = pre;
    S.PlotDirty = true;
    c.resetEnabled = true;
    Events.triggers += 1;
}

void SamplePipeline::RecordPoint(float ma, float mb, float ua, float ub) {
    if (S.SweepIndex < S.PointCount && S.SweepIndex < PointCapacity) {
        StorePoint(S.SweepIndex, ma, mb, ua, ub);
        S.SweepIndex += 1;
    }
    if (S.SweepIndex >= S.PointCount) {
        S.TriggerPos = -1;
        S.SinceArmed = 0;
        if (Controls->mode == TriggerMode::Einzel) Controls->resetEnabled = true;
        Events.sweepsCompleted += 1;
    }
    S.PlotDirty = true;
}

void SamplePipeline::StorePoint(int point, float ya, float yb, float ua, float ub) {
    const float t = float(point) * S.PointTime + S.TimeOrigin;
    S.SweepRawA[point] = ya;
    S.SweepRawB[point] = yb;
    S.SweepVoltsA[point] = ua;
    S.SweepVoltsB[point] = ub;
    const float va = Evaluate(ParserA, t, ya, ua, ua, ub, true);
    const float vb = Evaluate(ParserB, t, yb, ub, ua, ub, false);
    if (S.DataCount >= PointCapacity) return;
    const int i = S.DataCount;
    S.DataT[i] = t;
    S.DataA[i] = va;
    S.DataB[i] = vb;
    if (i == 0) {
        S.DataMinA = S.DataMaxA = va;
        S.DataMinB = S.DataMaxB = vb;
    } else {
        S.DataMinA = std::min(S.DataMinA, va);
        S.DataMaxA = std::max(S.DataMaxA, va);
        S.DataMinB = std::min(S.DataMinB, vb);
        S.DataMaxB = std::max(S.DataMaxB, vb);
    }
    if (t > S.DataMaxT) S.DataMaxT = t;
    S.DataCount += 1;
}

float SamplePipeline::Evaluate(TParser& parser, float t, float raw, float own, float ua, float ub,
                               bool isA) {
    const SampleResult r = EvaluateSample(parser, t, raw, own, ua, ub);
    if (r.divByZero) NoteDivByZero(isA, Events);
    return r.value;
}

void SamplePipeline::NoteDivByZero(bool channelA, PipelineEvents& events) {
    const std::string& expression = (channelA ? ParserA : ParserB).Expression();
    std::string& reported = channelA ? ReportedDivZeroA : ReportedDivZeroB;
    if (reported == expression) return;
    reported = expression;
    (channelA ? events.divByZeroA : events.divByZeroB) = true;
}

PipelineEvents SamplePipeline::TriggerSweep(TriggerSettings& controls) {
    ControlsScope scope(Controls, controls);
    Events = {};
    if (!controls.hold) Fire();
    return Events;
}

void SamplePipeline::ResetTrigger(TriggerSettings& controls) {
    if (controls.mode == TriggerMode::Einzel) controls.resetEnabled = false;
    S.TriggerPos = -1;
    S.SinceArmed = 0;
}

void SamplePipeline::TriggerModeChanged(TriggerSettings& controls) const {
    controls.resetEnabled = controls.mode != TriggerMode::Einzel || S.TriggerPos >= 0;
}

void SamplePipeline::TakeSnapshot() {
    // Without points there is nothing to keep: the snapshot stays as it is.
    if (S.DataCount <= 0) return;
    S.SnapLoaded = S.DataLoaded;
    S.SnapHasB = S.DataHasB;
    S.SnapDefA = S.DataDefA;
    S.SnapDefB = S.DataDefB;
    S.SnapMinA = S.DataMinA;
    S.SnapMaxA = S.DataMaxA;
    S.SnapMinB = S.DataMinB;
    S.SnapMaxB = S.DataMaxB;
    S.SnapMinT = S.DataMinT;
    S.SnapMaxT = S.DataMaxT;
    const int n = std::clamp(S.DataCount, 0, PointCapacity);
    std::copy_n(S.DataT, n, S.SnapT);
    std::copy_n(S.DataA, n, S.SnapA);
    std::copy_n(S.DataB, n, S.SnapB);
    S.SnapCount = n;
    S.PlotDirty = true;
}

void SamplePipeline::DeleteSnapshot() {
    S.SnapCount = 0;
    S.SnapLoaded = false;
    S.SnapHasB = true;
    S.SnapDefA.clear();
    S.SnapDefB.clear();
    S.PlotDirty = true;
}

} // namespace kurvimat::acquisition
