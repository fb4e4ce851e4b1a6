// Trigger controls, snapshot buttons and the two timing choices.
#include "Numbers.h"
#include "RunPolicy.h"
#include "SamplePipeline.h"
#include "SignalDefinition.h"
#include "TComboBox.h"
#include "TFormMain.h"
#include "TPaintBox.h"
#include "TimeAxis.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <cmath>

using namespace kurvimat::acquisition;
using namespace kurvimat::signals;

TriggerSettings TFormMain::TriggerControls() const {
    TriggerSettings s = Trigger;
    s.hold = Held;
    // The lines in force, not a typed or rejected one still standing in a combo box.
    s.definitionA = Store.AppliedDefA;
    s.definitionB = Store.AppliedDefB;
    return s;
}

void TFormMain::AfterPipeline(const TriggerSettings& controls, const PipelineEvents& events) {
    Trigger.resetEnabled = controls.resetEnabled;
    ButtonReset->setEnabled(Trigger.resetEnabled);
    if (events.triggers > 0) {
        Label3->hide();
        // Recorded points replace loaded ones: the axes name the definitions in force again.
        if (AxesNameLoadedPoints) {
            ScaleA.Title = SignalTitle(Store.NameA, Store.UnitA);
            ScaleB.Title = SignalTitle(Store.NameB, Store.UnitB);
            AxesNameLoadedPoints = false;
            Store.AxesChanged = true;
        }
    }
    if (events.timeRangeStartChanged) {
        ScaleT.RangeStart = Store.TimeRangeMin;
        Store.AxesChanged = true;
    }
    if (events.timeRangeEndChanged) {
        ScaleT.RangeEnd = Store.TimeRangeMax;
        Store.AxesChanged = true;
    }
    ReportDivByZero(events);
    JournalAfterPipeline(events);
}

void TFormMain::ButtonTriggerClick() {
    TriggerSettings controls = TriggerControls();
    const PipelineEvents events = Pipeline.TriggerSweep(controls);
    AfterPipeline(controls, events);
}

void TFormMain::ButtonResetClick() {
    KeepBeforeReplacing(kurvimat::session::Replacement::Reset);
    TriggerSettings controls = TriggerControls();
    Pipeline.ResetTrigger(controls);
    AfterPipeline(controls, {});
}

void TFormMain::RadioButtonDauerClick() {
    KeepBeforeReplacing(kurvimat::session::Replacement::ModeChange);
    TriggerSettings controls = TriggerControls();
    Pipeline.TriggerModeChanged(controls);
    AfterPipeline(controls, {});
}

void TFormMain::ButtonTriggerChannelClick() {
    Trigger.channelA = !Trigger.channelA;
    ShowTriggerCaptions();
}

void TFormMain::ButtonTriggerRichtungClick() {
    Trigger.rising = !Trigger.rising;
    ShowTriggerCaptions();
}

void TFormMain::ShowTriggerCaptions() {
    ButtonTriggerChannel->setText(Trigger.channelA ? QStringLiteral("A") : QStringLiteral("B"));
    ButtonTriggerRichtung->setText(Trigger.rising ? QStringLiteral("+") : QStringLiteral("-"));
}

void TFormMain::ButtonSchnappschussClick() {
    Pipeline.TakeSnapshot();
}

void TFormMain::ButtonSSLoeschenClick() {
    Pipeline.DeleteSnapshot();
}

// A rejected definition is reported once the handler has run all its steps.
void TFormMain::ComboBoxSamplingRateChange() {
    const int index = ComboBoxSamplingRate->currentIndex();
    if (index < 0 || index >= int(IntervalChoicesMs.size())) return;
    Handle([this, index] {
        KeepBeforeReplacing(kurvimat::session::Replacement::SettingsChange);
        Store.IntervalMs = IntervalChoicesMs[std::size_t(index)];
        const int mode = DeviceModeForInterval(Store.IntervalMs);
        if (mode != Store.DeviceMode) {
            Store.DeviceMode = mode;
            SendConfiguration();
        }
        RebuildMeanHistory(Store);
        ComboBoxSamplesChange();
    });
}

void TFormMain::ComboBoxSamplesChange() {
    if (ComboBoxSamples->currentIndex() < 0) return;
    Handle([this] {
        ChangePointCount(Store,
                         static_cast<int>(std::nearbyint(ParseNumber(ComboBoxSamples->Text()))));
        ApplySignalA(true);
        ApplySignalB(true);
        RebuildTimeAxis(Store);
        UpdateTimeScale();
        PaintBoxData->update();
    });
}

// The configuration report itself is built and sent by the instrument link once a device is
// held; the signals and range labels follow the calibration in every case. Recorded points
// keep the voltages they were measured as.
void TFormMain::SendConfiguration() {
    Handle([this] {
        if (Device && ConfigureDevice) ConfigureDevice();
        ApplySignalA(true);
        ApplySignalB(true);
        UpdateRangeLabels();
    });
}
