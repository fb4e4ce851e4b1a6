// Trigger controls, snapshot buttons and the two timing choices.
#include "Numbers.h"
#include "RunPolicy.h"
#include "SamplePipeline.h"
#include "SignalDefinition.h"
#include "TimeAxis.h"
#include "widgets/TComboBox.h"
#include "widgets/TPaintBox.h"
#include "window/SignalGroups.h"
#include "window/TFormMain.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <cmath>

using namespace kurvimat::acquisition;
using namespace kurvimat::signals;
using kurvimat::display::DisplayChanges;

// Range labels: one black label stands for both channels while their ranges agree.
void ShowRangeLabels(const MainControls& c, const MeasurementStore& store) {
    c.LabelUAmax->setText(RangeLabel(store.UmaxA));
    c.LabelUAmin->setText(RangeLabel(store.UminA));
    c.LabelUBmax->setText(RangeLabel(store.UmaxB));
    c.LabelUBmin->setText(RangeLabel(store.UminB));
    const auto pair = [](QLabel* a, QLabel* b) {
        const bool differ = a->text() != b->text();
        QPalette pal = a->palette();
        pal.setColor(QPalette::WindowText, differ ? QColor(0, 0, 247) : QColor(Qt::black));
        a->setPalette(pal);
        b->setVisible(differ);
    };
    pair(c.LabelUAmax, c.LabelUBmax);
    pair(c.LabelUAmin, c.LabelUBmin);
}

void TFormMain::AfterPipeline(const PipelineEvents& events) {
    DisplayChanges& c = Display.Changes;
    c.RawDirty = c.RawDirty || events.raw;
    c.MeanDirty = c.MeanDirty || events.means;
    c.PlotDirty = c.PlotDirty || events.points;
    c.AxesChanged = c.AxesChanged || events.axes;
    ButtonReset->setEnabled(session_->trigger().resetEnabled);
    if (events.triggers > 0) {
        LabelDataLoss->hide();
        // Recorded points replace loaded ones: the axes name the definitions in force again.
        if (AxesNameLoadedPoints) {
            TitleAxesByDefinitions();
            c.AxesChanged = true;
        }
    }
    // A changed time range comes with events.axes.
    if (events.timeRangeStartChanged) ScaleT.RangeStart = Store.TimeRangeMin;
    if (events.timeRangeEndChanged) ScaleT.RangeEnd = Store.TimeRangeMax;
    ReportError(FormulaProblemText(events, Store.FormulaA, Store.FormulaB));
}

void TFormMain::ButtonTriggerClick() {
    AfterPipeline(session_->triggerSweep());
}

void TFormMain::ButtonResetClick() {
    session_->resetTrigger();
    AfterPipeline({});
}

// The session has taken the mode (and kept the last sweep of the one left when worth it).
void TFormMain::RadioButtonDauerClick() {
    AfterPipeline({});
}

void TFormMain::ButtonTriggerChannelClick() {
    session_->setTriggerChannelA(!session_->trigger().channelA);
    ShowTriggerCaptions();
}

void TFormMain::ButtonTriggerRichtungClick() {
    session_->setTriggerRising(!session_->trigger().rising);
    ShowTriggerCaptions();
}

void TFormMain::ShowTriggerCaptions() {
    const TriggerSettings& trigger = session_->trigger();
    ButtonTriggerChannel->setText(trigger.channelA ? QStringLiteral("A") : QStringLiteral("B"));
    ButtonTriggerRichtung->setText(trigger.rising ? QStringLiteral("+") : QStringLiteral("-"));
}

void TFormMain::ButtonSchnappschussClick() {
    session_->takeSnapshot();
}

void TFormMain::ButtonSSLoeschenClick() {
    session_->deleteSnapshot();
}

// The session keeps the points, changes the interval, starts the sweep afresh and applies the
// boxes' lines again; the window shows what it applied and the new time scale. A rejected
// line is said once the handler has run all its steps.
void TFormMain::ComboBoxSamplingRateChange() {
    const int index = ComboBoxSamplingRate->currentIndex();
    if (index < 0 || index >= int(IntervalChoicesMs.size())) return;
    Handle([this, index] {
        const kurvimat::session::IntervalChange change =
            session_->changeInterval(IntervalChoicesMs[std::size_t(index)], ComboBoxA->Text(),
                                     ComboBoxB->Text());
        if (change.reportModeChanged) ShowRangeLabels(*this, Store);
        ShowAppliedDefinitions(change.applied);
        Plot->UpdateTimeScale(Store);
        PaintBoxData->update();
    });
}

void TFormMain::ComboBoxSamplesChange() {
    if (ComboBoxSamples->currentIndex() < 0) return;
    Handle([this] {
        session_->setPointCount(
            static_cast<int>(std::nearbyint(ParseNumber(ComboBoxSamples->Text()))));
        ApplySignalA(true);
        ApplySignalB(true);
        session_->rebuildTimeAxis();
        Plot->UpdateTimeScale(Store);
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
        ShowRangeLabels(*this, Store);
    });
}
