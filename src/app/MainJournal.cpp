// The window's side of the session's journal and of the experiment file: the stored points
// handed to the journal as they come, its commits on the timer, the recovery question at start,
// and saving and opening a whole experiment with the settings read from and applied through
// the controls that hold them.
#include "TFormMain.h"

#include "Clock.h"
#include "Dialogs.h"
#include "ExperimentFile.h"
#include "Journal.h"
#include "MainCursors.h"
#include "MainRuns.h"
#include "Numbers.h"
#include "PlotInteraction.h"
#include "Recovery.h"
#include "RunPolicy.h"
#include "SignalDefinition.h"
#include "TComboBox.h"
#include "TFormHardware.h"
#include "TimeAxis.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

using namespace kurvimat::acquisition;
using namespace kurvimat::analysis;
using namespace kurvimat::display;
using namespace kurvimat::signals;

using namespace kurvimat::session;

namespace {

const SystemClock& JournalClock() {
    static const SystemClock clock;
    return clock;
}

// Changes of what the journal holds that the window does not see itself: runs kept, renamed,
// deleted or brought back by the run list.
qint64 RunsMark(const Journal& journal) {
    const RunList& runs = journal.runs();
    return runs.nextId() * 4096 + runs.size() * 2 + (runs.canUndo() ? 1 : 0);
}

// What the journal holds, as far as the window can tell: what it handed over, and the runs.
qint64 JournalMark(const TFormMain& w, const Journal& journal) {
    return w.JournalChanges + RunsMark(journal) * (qint64(1) << 32);
}

// Stored point i of the data with the raw values and voltages behind it.
SamplePoint DataPoint(const MeasurementStore& s, int i) {
    SamplePoint p{s.DataT[i], s.DataA[i], s.DataB[i]};
    const int k = s.SweepFirst + i;
    if (k >= 0 && k < PointCapacity) {
        p.rawA = s.SweepRawA[k];
        p.rawB = s.SweepRawB[k];
        p.voltsA = s.SweepVoltsA[k];
        p.voltsB = s.SweepVoltsB[k];
    }
    return p;
}

PointSet DataPoints(const MeasurementStore& s) {
    PointSet set(s.DataLoaded ? PointSet::Origin::Loaded : PointSet::Origin::Recorded, true,
                 s.DataHasB, s.DataDefA, s.DataDefB);
    const int n = std::clamp(s.DataCount, 0, PointCapacity);
    set.reserve(n);
    for (int i = 0; i < n; ++i)
        set.append(DataPoint(s, i));
    return set;
}

// The snapshot keeps no raw values: it is never evaluated again.
PointSet SnapshotPoints(const MeasurementStore& s) {
    PointSet set(PointSet::Origin::Loaded, true, s.SnapHasB, s.SnapDefA, s.SnapDefB);
    const int n = std::clamp(s.SnapCount, 0, PointCapacity);
    set.reserve(n);
    for (int i = 0; i < n; ++i)
        set.append({s.SnapT[i], s.SnapA[i], s.SnapB[i]});
    return set;
}

void FillData(MeasurementStore& s, const PointSet& p) {
    const int n = std::min(p.size(), PointCapacity);
    std::copy_n(p.times().begin(), n, s.DataT);
    std::copy_n(p.valuesA().begin(), n, s.DataA);
    std::copy_n(p.valuesB().begin(), n, s.DataB);
    s.DataCount = n;
    s.DataLoaded = !p.recorded();
    s.DataHasB = p.hasB();
    s.DataDefA = p.definitionA();
    s.DataDefB = p.definitionB();
    const Extents& e = p.extents();
    s.DataMinA = e.minA, s.DataMaxA = e.maxA, s.DataMinB = e.minB, s.DataMaxB = e.maxB;
    s.DataMinT = e.minT, s.DataMaxT = e.maxT;
    s.SweepFirst = 0;
    if (p.recorded() && n > 0 && s.PointTime > 0) {
        // Recorded points are evaluated again under a new definition at their sweep place.
        const double first = std::nearbyint((p.times()[0] - s.TimeOrigin) / s.PointTime);
        s.SweepFirst = int(std::clamp(first, 0.0, double(PointCapacity - n)));
        const auto put = [&](const std::vector<float>& from, float* to) {
            std::copy_n(from.begin(), n, to + s.SweepFirst);
        };
        put(p.rawA(), s.SweepRawA);
        put(p.rawB(), s.SweepRawB);
        put(p.voltsA(), s.SweepVoltsA);
        put(p.voltsB(), s.SweepVoltsB);
        s.SweepIndex = s.SweepFirst + n; // the mean strip shows the sweep as it was
        s.MeanDirty = true;
        s.DataMinT = std::min(e.minT, s.TimeOrigin);
    }
    s.TriggerPos = -1;
    s.SinceArmed = 0;
    s.PlotDirty = true;
}

void FillSnapshot(MeasurementStore& s, const std::optional<PointSet>& p, bool recorded) {
    const int n = p ? std::min(p->size(), PointCapacity) : 0;
    s.SnapCount = n;
    s.SnapLoaded = p && !recorded;
    s.SnapHasB = !p || p->hasB();
    s.SnapDefA = p ? p->definitionA() : QString();
    s.SnapDefB = p ? p->definitionB() : QString();
    if (p) {
        std::copy_n(p->times().begin(), n, s.SnapT);
        std::copy_n(p->valuesA().begin(), n, s.SnapA);
        std::copy_n(p->valuesB().begin(), n, s.SnapB);
        const Extents& e = p->extents();
        s.SnapMinA = e.minA, s.SnapMaxA = e.maxA, s.SnapMinB = e.minB, s.SnapMaxB = e.maxB;
        s.SnapMinT = e.minT, s.SnapMaxT = e.maxT;
    }
    s.PlotDirty = true;
}

QString Numbers(std::initializer_list<double> values) {
    QStringList parts;
    for (const double v : values)
        parts << QString::number(v, 'g', 17);
    return parts.join(QLatin1Char(';'));
}

std::vector<double> ParseNumbers(const QString& text, std::size_t count) {
    std::vector<double> values;
    for (const QString& part : text.split(QLatin1Char(';'))) {
        bool ok = false;
        const double v = part.toDouble(&ok);
        if (!ok) return {};
        values.push_back(v);
    }
    if (values.size() != count) return {};
    return values;
}

template <class T> std::optional<T> Get(const Settings& settings, const char* key) {
    const auto it = settings.find(QLatin1String(key));
    if (it == settings.end()) return std::nullopt;
    if (const T* v = std::get_if<T>(&it->second)) return *v;
    return std::nullopt;
}

// The list entry whose number is value, chosen without running the change handler; false when
// it was chosen already or there is none.
bool PickNumber(TComboBox* box, qint64 value) {
    for (int i = 0; i < box->count(); ++i) {
        if (std::nearbyint(ParseNumber(box->itemText(i))) != double(value)) continue;
        if (box->ItemIndex() == i) return false;
        box->SetItemIndex(i);
        return true;
    }
    return false;
}

} // namespace

// --- the journal ---

void TFormMain::JournalAfterPipeline(const PipelineEvents& events) {
    // The points wait in the store until the tick: the report path stays as cheap as it was.
    // A sweep lasts at least 200 ms unless nearly all of it is pre-trigger history, and a sweep
    // replaced within a tick would have been replaced in the journal too.
    JournalTriggered = JournalTriggered || events.triggers > 0;
    JournalSweepEnded = JournalSweepEnded || events.sweepsCompleted > 0;
}

void TFormMain::JournalHandOver() {
    Journal& journal = SessionJournal();
    if (std::exchange(JournalTriggered, false) && !Store.DataLoaded) {
        Run header;
        header.intervalMs = Store.IntervalMs;
        header.pointCount = Store.PointCount;
        header.points = PointSet(PointSet::Origin::Recorded, true, !Store.ChannelBOff(),
                                 Store.DataDefA, Store.DataDefB);
        journal.beginRecording(header);
        JournalSeen = 0;
        ++JournalChanges;
    }
    // Points loaded or deleted since: the recording the journal holds is no longer shown.
    if (JournalSeen >= 0 && (Store.DataLoaded || Store.DataCount < JournalSeen)) JournalSeen = -1;
    if (JournalSeen >= 0) {
        const int count = std::min(Store.DataCount, PointCapacity) - JournalSeen;
        SamplePoint points[64];
        for (int done = 0; done < count;) {
            const int n = std::min(count - done, 64);
            for (int i = 0; i < n; ++i)
                points[i] = DataPoint(Store, JournalSeen + done + i);
            journal.appendPoints(std::span<const SamplePoint>(points, std::size_t(n)));
            done += n;
        }
        if (count > 0) {
            JournalSeen += count;
            ++JournalChanges;
        }
    }
    if (std::exchange(JournalSweepEnded, false)) journal.endSweep();
}

void TFormMain::JournalTick() {
    JournalHandOver();
    Journal& journal = SessionJournal();
    journal.flushIfDue(JournalClock().steadyMs());
    if (const auto failure = journal.takeFailure()) ReportError(*failure);
    if (JournalProgress && journal.recordingSize() != JournalProgressFed) {
        // For the crash test: the points handed over and when, on the steady clock.
        JournalProgressFed = journal.recordingSize();
        std::printf("KURVIMAT-FED %d %lld\n", JournalProgressFed,
                    static_cast<long long>(JournalClock().steadyMs()));
        std::fflush(stdout);
    }
}

void TFormMain::JournalClosed() {
    JournalHandOver();
    // Saved as it is: nothing to offer at the next start; discarded: kept in the Papierkorb.
    if (ExperimentSaved())
        SessionJournal().finish();
    else if (SessionDiscarded)
        SessionJournal().discard();
}

bool TFormMain::ExperimentSaved() const {
    const bool waiting = JournalTriggered || (JournalSeen >= 0 && Store.DataCount > JournalSeen);
    return !waiting && JournalSavedAt >= 0 &&
           JournalSavedAt == JournalMark(*this, SessionJournal());
}

void TFormMain::OfferRecovery() {
    Journal& journal = SessionJournal();
    Recovery recovery(journal.folder(), JournalClock(), journal.path());
    if (!recovery.found()) {
        // Unreadable journals alone: nothing to ask, they go to the Papierkorb.
        if (recovery.damagedCount() > 0) recovery.moveToTrash();
        return;
    }
    if (Dlg().AskYesNo(this, recovery.question())) {
        recovery.restoreInto(journal);
        ++JournalChanges;
        Runs->Changed();
    } else {
        recovery.moveToTrash();
    }
}

void TFormMain::StartSession(const QStringList& arguments) {
    JournalProgress = qEnvironmentVariableIntValue("KURVIMAT_JOURNAL_PROGRESS") == 1;
    OfferRecovery();
    for (const QString& argument : arguments.mid(1))
        if (!argument.startsWith(QLatin1Char('-'))) {
            OpenExperiment(argument);
            break;
        }
}

// --- the experiment file ---

Experiment TFormMain::CurrentExperiment() {
    namespace key = setting;
    Experiment e;
    e.runs = SessionJournal().runs().runs();
    if (Store.DataCount > 0) e.data = DataPoints(Store);
    if (Store.SnapCount > 0) e.snapshot = SnapshotPoints(Store);
    e.definitionA = Store.AppliedDefA;
    e.definitionB = Store.AppliedDefB;

    Settings& s = e.settings;
    const TriggerSettings trigger = TriggerControls();
    s[key::IntervalMs] = qint64(Store.IntervalMs);
    s[key::PointCount] = qint64(Store.PointCount);
    s[key::TriggerMode] = qint64(trigger.mode);
    s[key::TriggerChannel] = trigger.channelA ? QStringLiteral("A") : QStringLiteral("B");
    s[key::TriggerRising] = trigger.rising;
    s[key::TriggerLevel] = qint64(Store.TriggerLevel);
    s[key::PreTrigger] = qint64(Store.PreTrigger);
    s[key::TriggerHeld] = trigger.resetEnabled; // in "einzel": the points wait for "Trigger"
    s[key::TimeOrigin] = double(Store.TimeOrigin);
    s[key::AutoSnapshot] = trigger.autoSnapshot;
    if (FormHardware) {
        const HardwareChoice h = FormHardware->Choice();
        s[key::InputRangeA] = qint64(h.A);
        s[key::InputRangeB] = qint64(h.B);
        s[key::Differential] = h.ADiff;
        s[key::ChannelBOn] = !h.BOff;
        s[key::PullUpA] = h.PullUpA;
        s[key::PullUpB] = h.PullUpB;
    }
    s[key::AxisTMin] = ScaleT.RangeStart;
    s[key::AxisTMax] = ScaleT.RangeEnd;
    s[key::AxisAMin] = ScaleA.RangeStart;
    s[key::AxisAMax] = ScaleA.RangeEnd;
    s[key::AxisBMin] = ScaleB.RangeStart;
    s[key::AxisBMax] = ScaleB.RangeEnd;
    s[key::AxisAAuto] = Store.AutoLeft;
    s[key::AxisBAuto] = Store.AutoRight;
    s[key::AxisTAuto] = Store.AutoBottom;
    s[key::XyMode] = qint64(ReadDisplayControls().Mode());
    s[key::TimeInMinutes] = CheckBoxMinuten->isChecked();
    s[key::ShowA] = CheckBoxKanalA->isChecked();
    s[key::ShowB] = CheckBoxKanalB->isChecked();
    s[key::SnapshotRecorded] = Store.SnapCount > 0 && !Store.SnapLoaded;
    s[key::Cursors] =
        Numbers({double(Cursors.VerticalOn), double(Cursors.HorizontalOn), Cursors.X[0],
                 Cursors.X[1], Cursors.Y[0], Cursors.Y[1], double(Cursors.ValueAxisB),
                 double(Cursors.Mode), double(Cursors.Active)});
    const bool fitShown =
        ShownFit && FitStillMatches(*ShownFit, Store, ReadDisplayControls().Mode());
    s[key::Fit] = fitShown ? Numbers({double(ShownFit->ChannelB), double(ShownFit->Result.Model),
                                      ShownFit->Result.XMin, ShownFit->Result.XMax})
                           : QString();
    return e;
}

void TFormMain::ApplyExperiment(const Experiment& e) {
    namespace key = setting;
    const Settings& s = e.settings;

    // The instrument first: ranges decide the calibration the definitions resolve under.
    if (FormHardware) {
        TFormHardware& h = *FormHardware;
        const auto range = [&s](const char* name, QRadioButton* low, QRadioButton* mid,
                                QRadioButton* high) {
            if (const auto r = Get<qint64>(s, name))
                (*r == qint64(InputRange::High)  ? high
                 : *r == qint64(InputRange::Mid) ? mid
                                                 : low)
                    ->setChecked(true);
        };
        range(key::InputRangeA, h.RadioButtonAlow, h.RadioButtonAmid, h.RadioButtonAhigh);
        range(key::InputRangeB, h.RadioButtonBlow, h.RadioButtonBmid, h.RadioButtonBhigh);
        const auto check = [&s](const char* name, QCheckBox* box, bool invert = false) {
            if (const auto v = Get<bool>(s, name)) box->setChecked(*v != invert);
        };
        check(key::Differential, h.CheckBoxAdiff);
        check(key::ChannelBOn, h.CheckBoxBoff, true);
        check(key::PullUpA, h.CheckBoxPullUpA);
        check(key::PullUpB, h.CheckBoxPullUpB);
        h.CheckBoxAdiffClick(); // as a click: the instrument is configured anew
    }

    // Timing through its lists' handlers; the count's handler follows the interval's.
    const bool interval = Get<qint64>(s, key::IntervalMs) &&
                          PickNumber(ComboBoxSamplingRate, *Get<qint64>(s, key::IntervalMs));
    const bool count = Get<qint64>(s, key::PointCount) &&
                       PickNumber(ComboBoxSamples, *Get<qint64>(s, key::PointCount));
    if (interval)
        ComboBoxSamplingRateChange();
    else if (count)
        ComboBoxSamplesChange();

    if (const auto mode = Get<qint64>(s, key::TriggerMode)) {
        QRadioButton* const radios[] = {RadioButtonDauer, RadioButtonAuto, RadioButtonNormal,
                                        RadioButtonEinzel};
        radios[std::clamp<qint64>(*mode, 0, 3)]->setChecked(true);
    }
    if (const auto channel = Get<QString>(s, key::TriggerChannel))
        Trigger.channelA = *channel != QLatin1String("B");
    if (const auto rising = Get<bool>(s, key::TriggerRising)) Trigger.rising = *rising;
    ShowTriggerCaptions();
    if (const auto level = Get<qint64>(s, key::TriggerLevel))
        Store.TriggerLevel = int(std::clamp<qint64>(*level, 0, 1023));
    if (const auto pre = Get<qint64>(s, key::PreTrigger))
        Store.PreTrigger = int(std::clamp<qint64>(*pre, 0, Store.PointCount));
    if (const auto snap = Get<bool>(s, key::AutoSnapshot)) CheckBoxSchnappschuss->setChecked(*snap);
    Store.TimeOrigin = float(
        Get<double>(s, key::TimeOrigin).value_or(-double(Store.PreTrigger) * Store.PointTime));
    Store.MeanDirty = true;
    RebuildTimeAxis(Store);
    UpdateTimeScale();

    // The definitions in force, then the points as they were kept.
    ComboBoxA->SetText(e.definitionA);
    ApplySignalA(false);
    ComboBoxB->SetText(e.definitionB);
    ApplySignalB(false);
    if (e.data) {
        FillData(Store, *e.data);
    } else {
        Store.DataCount = 0;
        Store.TriggerPos = -1;
        Store.PlotDirty = true;
    }
    FillSnapshot(Store, e.snapshot, Get<bool>(s, key::SnapshotRecorded).value_or(false));
    TitleLoadedAxes();
    if (!Store.DataLoaded) {
        AxesNameLoadedPoints = false;
        ScaleA.Title = SignalTitle(Store.NameA, Store.UnitA);
        ScaleB.Title = SignalTitle(Store.NameB, Store.UnitB);
    }
    // Points from a file are no recording; a sweep begun before is gone with them.
    JournalSeen = -1;
    JournalTriggered = JournalSweepEnded = false;

    // What the plot shows and how.
    if (const auto shown = Get<bool>(s, key::ShowA)) CheckBoxKanalA->setChecked(*shown);
    if (const auto shown = Get<bool>(s, key::ShowB)) CheckBoxKanalB->setChecked(*shown);
    if (const auto xy = Get<qint64>(s, key::XyMode)) {
        CheckBoxBXY->setChecked(*xy == qint64(PlotMode::BAsX));
        CheckBoxAXY->setChecked(*xy == qint64(PlotMode::AAsX));
    }
    if (const auto minutes = Get<bool>(s, key::TimeInMinutes))
        CheckBoxMinuten->setChecked(*minutes);
    const auto range = [&s](Tscale& scale, const char* min, const char* max) {
        const auto lo = Get<double>(s, min), hi = Get<double>(s, max);
        if (lo && hi && *lo < *hi) {
            scale.RangeStart = *lo;
            scale.RangeEnd = *hi;
        }
    };
    range(ScaleT, key::AxisTMin, key::AxisTMax);
    range(ScaleA, key::AxisAMin, key::AxisAMax);
    range(ScaleB, key::AxisBMin, key::AxisBMax);
    Store.AutoLeft = Get<bool>(s, key::AxisAAuto).value_or(Store.AutoLeft);
    Store.AutoRight = Get<bool>(s, key::AxisBAuto).value_or(Store.AutoRight);
    Store.AutoBottom = Get<bool>(s, key::AxisTAuto).value_or(Store.AutoBottom);
    Store.AxesChanged = true;
    Store.PlotDirty = true;
    // Held in "einzel", the opened points stay until the user triggers.
    if (const auto held = Get<bool>(s, key::TriggerHeld)) {
        Trigger.resetEnabled = *held;
        ButtonReset->setEnabled(*held);
    }

    if (const auto c = ParseNumbers(Get<QString>(s, key::Cursors).value_or(QString()), 9);
        !c.empty()) {
        Cursors.VerticalOn = c[0] != 0;
        Cursors.HorizontalOn = c[1] != 0;
        Cursors.X = {c[2], c[3]};
        Cursors.Y = {c[4], c[5]};
        Cursors.ValueAxisB = c[6] != 0;
        Cursors.Mode = PlotMode(std::clamp(int(c[7]), 0, 2));
        Cursors.Active = CursorId(std::clamp(int(c[8]), 0, 3));
        if (Measuring) Measuring->Changed();
    }
    if (const auto f = ParseNumbers(Get<QString>(s, key::Fit).value_or(QString()), 4); !f.empty())
        FitOnPlot(f[0] != 0, FitModel(int(f[1])), f[2], f[3]);
    else
        RemoveFit();
    ApplyAxisImages();
}

bool TFormMain::SaveExperiment(const QString& path) {
    JournalHandOver(); // what the file holds, the journal holds too
    if (const auto error = writeExperiment(path, CurrentExperiment())) {
        Dlg().ShowError(this, *error);
        return false;
    }
    JournalSavedAt = JournalMark(*this, SessionJournal());
    return true;
}

bool TFormMain::OpenExperiment(const QString& path) {
    const ExperimentRead read = readExperiment(path);
    if (!read.experiment) {
        Dlg().ShowError(this, read.error + tr(" Daten und Einstellungen bleiben unverändert."));
        return false;
    }
    Handle([&] {
        // The points the file replaces are kept as any load's are; then the file's runs take
        // the place of the session's (a deleted run can be brought back).
        KeepBeforeReplacing(kurvimat::session::Replacement::Load);
        HoldRunKeeping(true);
        const auto release = qScopeGuard([this] { HoldRunKeeping(false); });
        Journal& journal = SessionJournal();
        std::vector<qint64> ids;
        for (const Run& run : journal.runs().runs())
            ids.push_back(run.id);
        for (const qint64 id : ids)
            journal.deleteRun(id);
        for (Run run : read.experiment->runs) {
            run.id = 0;
            journal.addRun(std::move(run));
        }
        Runs->Changed();
        ApplyExperiment(*read.experiment);
    });
    // The session is the file's now.
    JournalSavedAt = JournalMark(*this, SessionJournal());
    return true;
}

void TFormMain::SaveExperimentAsk() {
    const QString name = Dlg().SaveFileName(
        this, tr("Kurvimat-Versuche (*.kurvimat);;Alle Dateien (*.*)"), QStringLiteral("kurvimat"));
    if (name.isEmpty() || !MayReplace(name)) return;
    SaveExperiment(name);
}

void TFormMain::OpenExperimentAsk() {
    const QString name =
        Dlg().OpenFileName(this, tr("Kurvimat-Versuche (*.kurvimat);;Alle Dateien (*.*)"));
    if (!name.isEmpty()) OpenExperiment(name);
}
