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
    ControlsScope(TriggerSettings*& slot, TriggerSettings& controls) : slot_(slot) {
        slot_ = &controls;
    }
    ~ControlsScope() { slot_ = nullptr; }
    ControlsScope(const ControlsScope&) = delete;
    ControlsScope& operator=(const ControlsScope&) = delete;

private:
    TriggerSettings*& slot_;
};

} // namespace

void PipelineEvents::Merge(const PipelineEvents& other) {
    triggers += other.triggers;
    sweepsCompleted += other.sweepsCompleted;
    timeRangeStartChanged = timeRangeStartChanged || other.timeRangeStartChanged;
    timeRangeEndChanged = timeRangeEndChanged || other.timeRangeEndChanged;
    divByZeroA = divByZeroA || other.divByZeroA;
    divByZeroB = divByZeroB || other.divByZeroB;
    if (other.noValueA != signals::EvalFailure::None) noValueA = other.noValueA;
    if (other.noValueB != signals::EvalFailure::None) noValueB = other.noValueB;
    raw = raw || other.raw;
    means = means || other.means;
    points = points || other.points;
    axes = axes || other.axes;
}

SamplePipeline::SamplePipeline(MeasurementStore& store, TParser& parserA, TParser& parserB)
    : store_(store), parserA_(parserA), parserB_(parserB) {}

PipelineEvents SamplePipeline::DecodeReport(const std::uint8_t* data, int size,
                                            TriggerSettings& controls) {
    ControlsScope scope(controls_, controls);
    events_ = {};
    SamplePair pairs[MaxPairsPerReport];
    const int count = DecodePairs(store_.DeviceMode, data, size, pairs);
    if (count == 0) return events_;

    // One raw entry per millisecond; the pipeline gets one step per StepTime.
    NoteCalibration(store_);
    auto entry = [this](float a, float b) {
        store_.RawA[store_.RawIndex] = int(std::nearbyint(a));
        store_.RawB[store_.RawIndex] = int(std::nearbyint(b));
        store_.RawIndex = (store_.RawIndex + 1) % RawCapacity;
        if (store_.RawFilled < RawCapacity) store_.RawFilled += 1;
        store_.RawWritten += 1;
    };
    const int n = store_.DeviceMode;
    for (int p = 0; p < count; ++p) {
        const float a = pairs[p].a;
        const float b = pairs[p].b;
        if (n == 2) {
            // A pair covers 2 ms. With channel B off it holds two successive A readings.
            if (!store_.ChannelBOff()) {
                entry(a, b);
                step(a, b);
                entry(a, b);
                step(a, b);
            } else {
                entry(a, 0);
                step(a, 0);
                step(a, 0);
                entry(b, 0);
                step(b, 0);
                step(b, 0);
            }
            continue;
        }
        if (!store_.ChannelBOff()) {
            for (int k = 0; k < n; ++k) {
                entry(a, b);
                step(a, b);
            }
            continue;
        }
        // Channel B off: n entries (a first, then b) and 2n steps, n of each reading.
        float c = a;
        int j = 0;
        for (int k = 0; k < n; ++k) {
            entry(c, 0);
            step(c, 0);
            if (++j == n) c = b;
            step(c, 0);
            if (++j == n) c = b;
        }
    }
    events_.raw = true;
    return events_;
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
    ControlsScope scope(controls_, controls);
    events_ = {};
    step(a, b);
    return events_;
}

void SamplePipeline::step(float a, float b) {
    store_.LabelSumA += a;
    store_.LabelSumB += b;
    store_.LabelCount += 1;
    const bool bOff = store_.ChannelBOff();
    store_.BlockSumA += a;
    store_.BlockSumB += bOff ? double(a) * a : double(b);
    store_.BlockCount += 1;
    if (store_.BlockCount < store_.IntervalMs) return;

    const double n = store_.IntervalMs;
    if (bOff) {
        // Population standard deviation of the A values within the block.
        const double v = store_.BlockSumB - store_.BlockSumA * store_.BlockSumA / n;
        const double s = v > 0 ? std::sqrt(v / n) : 0.0;
        emitMean(float(store_.BlockSumA / n), float(s));
    } else {
        emitMean(float(store_.BlockSumA / n), float(store_.BlockSumB / n));
    }
    store_.BlockSumA = store_.BlockSumB = 0;
    store_.BlockCount = 0;
}

void SamplePipeline::emitMean(float ma, float mb) {
    if (controls_->hold && store_.TriggerPos >= 0) {
        store_.TriggerPos = -1;
        store_.SinceArmed = 0;
    }
    if (store_.TriggerPos == -1 && !controls_->hold) {
        const TriggerSettings& c = *controls_;
        bool fire = false;
        if (c.mode == TriggerMode::Dauer) {
            fire = true;
        } else {
            const float prev = c.channelA ? store_.PrevMeanA : store_.PrevMeanB;
            const float cur = c.channelA ? ma : mb;
            const float level = float(store_.TriggerLevel);
            fire = c.rising ? (level > prev && level <= cur) : (level < prev && level >= cur);
        }
        if (c.mode == TriggerMode::Einzel && c.resetEnabled) fire = false;
        if (c.mode == TriggerMode::Auto && store_.SinceArmed >= store_.PointCount) fire = true;
        if (store_.SinceArmed < SinceArmedLimit) store_.SinceArmed += 1;
        if (fire) fireTrigger();
    }
    // The trigger test ran before this block entered the ring, so the triggering block
    // becomes sweep point PreTrigger, time 0.
    const float ua = ChannelVoltage(store_.UminA, store_.UmaxA, ma);
    const float ub = ChannelVoltage(store_.UminB, store_.UmaxB, mb);
    store_.MeanA[store_.MeanIndex] = ma;
    store_.MeanB[store_.MeanIndex] = mb;
    store_.MeanVoltsA[store_.MeanIndex] = ua;
    store_.MeanVoltsB[store_.MeanIndex] = ub;
    store_.MeanIndex = (store_.MeanIndex + 1) % PointCapacity;
    if (store_.MeanFilled < PointCapacity) store_.MeanFilled += 1;
    if (store_.TriggerPos >= 0) recordPoint(ma, mb, ua, ub);
    store_.PrevMeanA = ma;
    store_.PrevMeanB = mb;
    events_.means = true;
}

void SamplePipeline::fireTrigger() {
    TriggerSettings& c = *controls_;
    if (BeforeSweep) BeforeSweep(c.mode);
    // An empty store (after an interval change, say) must not wipe the reference curve.
    if (c.autoSnapshot) TakeSnapshot();
    store_.TriggerPos = store_.MeanIndex;

    const float oldMin = store_.TimeRangeMin;
    const float oldMax = store_.TimeRangeMax;
    store_.PointTime = float(store_.IntervalMs) * store_.StepTime;
    store_.TimeOrigin = -float(store_.PreTrigger) * store_.PointTime;
    store_.Data.MinT = store_.TimeOrigin;
    store_.Data.MaxT = store_.TimeOrigin + store_.PointTime;
    store_.TimeRangeMin = store_.TimeOrigin;
    store_.TimeRangeMax = float(store_.PointCount - 1) * store_.PointTime + store_.TimeOrigin;
    if (store_.TimeRangeMin != oldMin) {
        events_.timeRangeStartChanged = true;
        events_.axes = true;
    }
    if (store_.TimeRangeMax != oldMax) {
        events_.timeRangeEndChanged = true;
        events_.axes = true;
    }
    store_.Data.DefA = c.definitionA;
    store_.Data.DefB = c.definitionB;

    // |<- PreTrigger history points ->|<- trigger block = point PreTrigger, t = 0 ...
    // Only measured blocks are taken: with a shorter history the sweep starts at point
    // SweepFirst, and every point keeps its time.
    const int pre = std::clamp(store_.PreTrigger, 0, PointCapacity);
    const int measured = std::min(pre, std::max(store_.MeanFilled, 0));
    store_.Data.Count = 0;
    store_.Data.Loaded = false;
    store_.Data.DropExact();
    store_.Data.HasB = true;
    store_.Data.NoValueA = store_.Data.NoValueB = false;
    store_.SweepFirst = pre - measured;
    const int start =
        ((store_.MeanIndex - measured) % PointCapacity + PointCapacity) % PointCapacity;
    for (int i = store_.SweepFirst; i < pre; ++i) {
        const int k = (start + i - store_.SweepFirst) % PointCapacity;
        storePoint(i, store_.MeanA[k], store_.MeanB[k], store_.MeanVoltsA[k], store_.MeanVoltsB[k]);
    }
    store_.SweepIndex = pre;
    events_.points = true;
    c.resetEnabled = true;
    events_.triggers += 1;
}

void SamplePipeline::recordPoint(float ma, float mb, float ua, float ub) {
    if (store_.SweepIndex < store_.PointCount && store_.SweepIndex < PointCapacity) {
        storePoint(store_.SweepIndex, ma, mb, ua, ub);
        store_.SweepIndex += 1;
    }
    if (store_.SweepIndex >= store_.PointCount) {
        store_.TriggerPos = -1;
        store_.SinceArmed = 0;
        if (controls_->mode == TriggerMode::Einzel) controls_->resetEnabled = true;
        events_.sweepsCompleted += 1;
    }
    events_.points = true;
}

void SamplePipeline::storePoint(int point, float ya, float yb, float ua, float ub) {
    const float t = float(point) * store_.PointTime + store_.TimeOrigin;
    store_.SweepRawA[point] = ya;
    store_.SweepRawB[point] = yb;
    store_.SweepVoltsA[point] = ua;
    store_.SweepVoltsB[point] = ub;
    const signals::SampleResult ra = evaluate(parserA_, t, ya, ua, ua, ub, true);
    const signals::SampleResult rb = evaluate(parserB_, t, yb, ub, ua, ub, false);
    const float va = ra.value, vb = rb.value;
    if (store_.Data.Count >= PointCapacity) return;
    noteSweepValues(ra, rb);
    const int i = store_.Data.Count;
    store_.Data.T[i] = t;
    store_.Data.A[i] = va;
    store_.Data.B[i] = vb;
    if (i == 0) {
        store_.Data.MinA = store_.Data.MaxA = va;
        store_.Data.MinB = store_.Data.MaxB = vb;
    } else {
        store_.Data.MinA = std::min(store_.Data.MinA, va);
        store_.Data.MaxA = std::max(store_.Data.MaxA, va);
        store_.Data.MinB = std::min(store_.Data.MinB, vb);
        store_.Data.MaxB = std::max(store_.Data.MaxB, vb);
    }
    if (t > store_.Data.MaxT) store_.Data.MaxT = t;
    store_.Data.Count += 1;
}

SampleResult SamplePipeline::evaluate(TParser& parser, float t, float raw, float own, float ua,
                                      float ub, bool isA) {
    const SampleResult r = EvaluateSample(parser, t, raw, own, ua, ub);
    if (r.divByZero) NoteDivByZero(isA, events_);
    return r;
}

void SamplePipeline::noteSweepValues(const SampleResult& a, const SampleResult& b) {
    StoredPoints& d = store_.Data;
    const bool first = d.Count == 0;
    // Up to this point of the sweep, no evaluation gave a value.
    const auto note = [first](bool& noValue, signals::EvalFailure& why,
                              const SampleResult& r) {
        noValue = (first || noValue) && r.failed;
        why = first ? r.why : signals::WorseFailure(why, r.why);
    };
    note(d.NoValueA, sweepFailureA_, a);
    note(d.NoValueB, sweepFailureB_, b);
    // Said when the sweep is long enough to tell (a few points of a pre-trigger history are
    // not).
    if (store_.Data.Count + 1 >= std::min(store_.PointCount, 10)) {
        if (d.NoValueA) NoteNoValue(true, sweepFailureA_, events_);
        if (d.NoValueB) NoteNoValue(false, sweepFailureB_, events_);
    }
}

void SamplePipeline::NoteNoValue(bool channelA, signals::EvalFailure why, PipelineEvents& events) {
    const std::string& expression = (channelA ? parserA_ : parserB_).Expression();
    std::string& reported = channelA ? reportedNoValueA_ : reportedNoValueB_;
    if (reported == expression || why == signals::EvalFailure::None) return;
    reported = expression;
    (channelA ? events.noValueA : events.noValueB) = why;
}

void SamplePipeline::NoteDivByZero(bool channelA, PipelineEvents& events) {
    const std::string& expression = (channelA ? parserA_ : parserB_).Expression();
    std::string& reported = channelA ? reportedDivZeroA_ : reportedDivZeroB_;
    if (reported == expression) return;
    reported = expression;
    (channelA ? events.divByZeroA : events.divByZeroB) = true;
}

PipelineEvents SamplePipeline::TriggerSweep(TriggerSettings& controls) {
    ControlsScope scope(controls_, controls);
    events_ = {};
    if (!controls.hold) fireTrigger();
    return events_;
}

void SamplePipeline::ResetTrigger(TriggerSettings& controls) {
    if (controls.mode == TriggerMode::Einzel) controls.resetEnabled = false;
    store_.TriggerPos = -1;
    store_.SinceArmed = 0;
}

void SamplePipeline::TriggerModeChanged(TriggerSettings& controls) const {
    controls.resetEnabled = controls.mode != TriggerMode::Einzel || store_.TriggerPos >= 0;
}

void SamplePipeline::TakeSnapshot() {
    // Without points there is nothing to keep: the snapshot stays as it is.
    if (store_.Data.Count <= 0) return;
    store_.Snap = store_.Data;
    store_.Snap.Count = std::clamp(store_.Data.Count, 0, PointCapacity);
}

void SamplePipeline::DeleteSnapshot() {
    store_.Snap.Count = 0;
    store_.Snap.Loaded = false;
    store_.Snap.DropExact();
    store_.Snap.HasB = true;
    store_.Snap.DefA.clear();
    store_.Snap.DefB.clear();
}

} // namespace kurvimat::acquisition
