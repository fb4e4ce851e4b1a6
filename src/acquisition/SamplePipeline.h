// Decoded steps -> block averages -> trigger -> recorded sweep points, on a MeasurementStore.
#pragma once

#include "MeasurementStore.h"
#include "SignalDefinition.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <string>

namespace kurvimat::signals {
class TParser;
}

namespace kurvimat::acquisition {

/// The checked one of the four trigger mode radio buttons.
enum class TriggerMode { Dauer, Auto, Normal, Einzel };

/// The main window's trigger state, which its controls set and show. `resetEnabled` is in and
/// out: the pipeline arms and disarms "einzel", and the window shows it on ButtonReset.
struct TriggerSettings {
    bool channelA = true; // ButtonTriggerChannel shows "A", else "B"
    bool rising = true;   // ButtonTriggerRichtung shows "+", else "-"
    TriggerMode mode = TriggerMode::Auto;
    bool autoSnapshot = true; // CheckBoxSchnappschuss
    bool resetEnabled = true; // ButtonReset enabled; in "einzel" it holds the trigger
    QString definitionA;      // text of ComboBoxA, taken into Data.DefA at a trigger
    QString definitionB;      // text of ComboBoxB
    // "Stopp": no sweep is triggered or stored, so the plot holds; the raw rings, the block
    // means and the readouts go on. A sweep running when it is set is abandoned where it was.
    bool hold = false;
};

/// What happened during one call, for the window to show.
struct PipelineEvents {
    int triggers = 0;                   // sweeps started (hides "USB-Datenverlust!")
    int sweepsCompleted = 0;            // sweeps that reached PointCount
    bool timeRangeStartChanged = false; // ScaleT's RangeStart should become TimeRangeMin
    bool timeRangeEndChanged = false;   // ScaleT's RangeEnd should become TimeRangeMax
    // An integer division by zero ("DIV", "MOD") in the formula of signal A or B; raised once
    // per formula text, the value counted as 0 like any calculation error.
    bool divByZeroA = false;
    bool divByZeroB = false;
    // Every evaluation of signal A's or B's formula in a sweep failed, and why; raised once
    // per formula text.
    signals::EvalFailure noValueA = signals::EvalFailure::None;
    signals::EvalFailure noValueB = signals::EvalFailure::None;
    // What changed for the display: the raw rings, the block means or sweep, the stored points
    // or snapshot, the time axis.
    bool raw = false;
    bool means = false;
    bool points = false;
    bool axes = false;

    void Merge(const PipelineEvents& other);
};

/// The numeric readouts of one channel.
struct ChannelReadout {
    QString raw;      // LabelAroh: mean raw value, rounded
    QString fraction; // LabelAx: mean / 1023, "0,500"
    QString voltage;  // LabelUA: "2,50"
    QString value;    // LabelAkal: signal value and unit, "2,5 V"
};

struct Readouts {
    bool refreshed = false; // false: the labels keep their texts
    ChannelReadout a, b;
    PipelineEvents events; // only the divByZero flags are used
};

class SamplePipeline {
public:
    SamplePipeline(MeasurementStore& store, signals::TParser& parserA, signals::TParser& parserB);

    /// The data handler for the held instrument: decodes one input report (the bytes after the
    /// report id), writes the raw rings and runs the pipeline once per time step. Reports with
    /// fewer than eight data bytes are dropped. The caller checks that the report comes from the
    /// held device.
    PipelineEvents DecodeReport(const std::uint8_t* data, int size, TriggerSettings& controls);

    /// One time step with the channel A and B values.
    PipelineEvents PipelineStep(float a, float b, TriggerSettings& controls);

    /// The trigger operation (ButtonTrigger): starts a sweep at once.
    PipelineEvents TriggerSweep(TriggerSettings& controls);
    /// ButtonReset: re-arms the trigger, abandoning a running sweep.
    void ResetTrigger(TriggerSettings& controls);
    /// One of the four mode radio buttons was clicked: sets the state of ButtonReset.
    void TriggerModeChanged(TriggerSettings& controls) const;
    /// ButtonSchnappschuss: copies the stored points into the snapshot.
    void TakeSnapshot();
    /// ButtonSSLoeschen.
    void DeleteSnapshot();

    /// One tick of the window's 50 ms timer: refreshes the readouts once a second when steps have arrived.
    Readouts ReadoutTick();

    /// An integer division by zero met by the channel's current formula (here or by the
    /// window's evaluations): flags it in events the first time for each formula text.
    void NoteDivByZero(bool channelA, PipelineEvents& events);
    /// The channel's current formula gave no value at all (why): flags it in events the first
    /// time for each formula text.
    void NoteNoValue(bool channelA, signals::EvalFailure why, PipelineEvents& events);

    /// Called when a sweep starts, before it replaces the stored points, with the mode in
    /// force: the window keeps the points as a run when they are worth it.
    std::function<void(TriggerMode)> BeforeSweep;

private:
    void step(float a, float b);
    void emitMean(float ma, float mb);
    void recordPoint(float ma, float mb, float ua, float ub);
    void fireTrigger();
    // Stores sweep point `point` (its block values, the voltages they were measured as, and
    // the evaluated values).
    void storePoint(int point, float ya, float yb, float ua, float ub);
    signals::SampleResult evaluate(signals::TParser& parser, float t, float raw, float own,
                                   float ua, float ub, bool isA);
    // Of the sweep's points: how many gave a value of A and of B, and why the others failed.
    void noteSweepValues(const signals::SampleResult& a, const signals::SampleResult& b);

    MeasurementStore& store_;
    signals::TParser& parserA_;
    signals::TParser& parserB_;
    // Valid during a call.
    TriggerSettings* controls_ = nullptr;
    PipelineEvents events_;
    // Formula texts whose integer division by zero has been reported already.
    std::string reportedDivZeroA_, reportedDivZeroB_;
    // Formula texts that gave no value for a whole sweep, said once each.
    std::string reportedNoValueA_, reportedNoValueB_;
    signals::EvalFailure sweepFailureA_ = signals::EvalFailure::None;
    signals::EvalFailure sweepFailureB_ = signals::EvalFailure::None;
};

/// Notes the calibration in force for the raw entries written from now on (RawCalibrations),
/// when it differs from the last one noted.
void NoteCalibration(MeasurementStore& store);

/// Fixed-point text with three significant digits and `decimals` decimals, locale separator:
/// 0.50049 with 3 decimals gives "0,500", 2.5024 with 2 gives "2,50".
QString FormatFixed(double x, int decimals);

} // namespace kurvimat::acquisition
