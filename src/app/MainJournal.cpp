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

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalBlocker>
#include <QStandardPaths>

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
qint64 JournalMark(qint64 handedOver, const Journal& journal) {
    return handedOver + RunsMark(journal) * (qint64(1) << 32);
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
    if (std::exchange(JournalTriggered, false) && !Store.Data.Loaded) {
        Run header;
        header.intervalMs = Store.IntervalMs;
        header.pointCount = Store.PointCount;
        header.points = PointSet(PointSet::Origin::Recorded, true, !Store.ChannelBOff(),
                                 Store.Data.DefA, Store.Data.DefB);
        journal.beginRecording(header);
        JournalSeen = 0;
        ++JournalChanges;
    }
    // Points loaded or deleted since: the recording the journal holds is no longer shown.
    if (JournalSeen >= 0 && (Store.Data.Loaded || Store.Data.Count < JournalSeen)) JournalSeen = -1;
    if (JournalSeen >= 0) {
        const int count = std::min(Store.Data.Count, PointCapacity) - JournalSeen;
        SamplePoint points[64];
        for (int done = 0; done < count;) {
            const int n = std::min(count - done, 64);
            for (int i = 0; i < n; ++i)
                points[i] = session_->dataPoint(JournalSeen + done + i);
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
    if (journal.replaceIfLost(JournalClock().steadyMs())) {
        // Deleted or replaced by someone: a crash now would lose everything. The new journal
        // has the runs already; the recording's points go over again from the first.
        if (JournalSeen >= 0) JournalSeen = 0;
        ++JournalChanges;
        JournalHandOver();
        ReportError(tr("Die Sicherungsdatei dieser Sitzung wurde gelöscht oder ersetzt. Eine neue "
                       "ist angelegt, mit allen Messreihen und der laufenden Aufzeichnung: %1")
                        .arg(journal.path()));
    }
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
    const bool waiting = JournalTriggered || (JournalSeen >= 0 && Store.Data.Count > JournalSeen);
    return !waiting && JournalSavedAt >= 0 &&
           JournalSavedAt == JournalMark(JournalChanges, SessionJournal());
}

void TFormMain::OfferRecovery() {
    Journal& journal = SessionJournal();
    Recovery recovery(journal.folder(), JournalClock(), journal.path());
    if (!recovery.found()) {
        // Unreadable journals alone: nothing to offer, but not gone without a word.
        if (recovery.damagedCount() > 0) {
            recovery.moveToTrash();
            Dlg().ShowInfo(this, tr("Die Sicherungsdatei einer früheren Sitzung ist beschädigt; "
                                    "nichts davon ließ sich lesen. Sie liegt sieben Tage im "
                                    "Papierkorb der Sitzungen."));
        }
        return;
    }
    if (Dlg().AskRestore(this, recovery.question())) {
        recovery.restoreInto(journal);
        ++JournalChanges;
        Runs->Changed();
    } else {
        recovery.moveToTrash();
    }
}

void TFormMain::StartSession(const QString& file) {
    JournalProgress = qEnvironmentVariableIntValue("KURVIMAT_JOURNAL_PROGRESS") == 1;
    OfferRecovery();
    if (!file.isEmpty()) OpenFile(file);
}

void TFormMain::OpenFile(const QString& path) {
    // An experiment file is an SQLite database whatever its name; a measurement text never
    // begins with that header.
    QFile file(path);
    const bool database = file.open(QIODevice::ReadOnly) &&
                          file.read(16) == QByteArrayView("SQLite format 3\0", 16);
    if (database || path.endsWith(QStringLiteral(".kurvimat"), Qt::CaseInsensitive))
        OpenExperiment(path);
    else if (ReadIntoBuffer(true, path))
        ReadBuffer(false);
}

// --- the experiment file ---

Experiment TFormMain::CurrentExperiment() {
    namespace key = setting;
    Experiment e = session_->experiment();
    e.runs = SessionJournal().runs().userRuns();
    // The session's own settings are in; the instrument's and the display's follow.
    Settings& s = e.settings;
    if (FormHardware) {
        const HardwareChoice& h = session_->hardware();
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
    s[key::AxisAAuto] = Display.Changes.AutoLeft;
    s[key::AxisBAuto] = Display.Changes.AutoRight;
    s[key::AxisTAuto] = Display.Changes.AutoBottom;
    s[key::XyMode] = qint64(ReadDisplayControls().Mode());
    const ViewSettings& view = session_->view();
    s[key::TimeInMinutes] = view.minutes;
    s[key::ShowA] = view.showA;
    s[key::ShowB] = view.showB;
    s[key::Cursors] =
        Numbers({double(Cursors.VerticalOn), double(Cursors.HorizontalOn), Cursors.X[0],
                 Cursors.X[1], Cursors.Y[0], Cursors.Y[1], double(Cursors.ValueAxisB),
                 double(Cursors.Mode), double(Cursors.Active)});
    const bool fitShown =
        ShownFit && FitStillMatches(*ShownFit, Store, ReadDisplayControls().Mode());
    s[key::Fit] = fitShown ? fitSettingText({ShownFit->ChannelB, ShownFit->Result.Model,
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
        session_->setTriggerChannelA(*channel != QLatin1String("B"));
    if (const auto rising = Get<bool>(s, key::TriggerRising)) session_->setTriggerRising(*rising);
    ShowTriggerCaptions();
    if (const auto snap = Get<bool>(s, key::AutoSnapshot)) CheckBoxSchnappschuss->setChecked(*snap);
    session_->restoreTiming(Get<qint64>(s, key::TriggerLevel), Get<qint64>(s, key::PreTrigger),
                            Get<double>(s, key::TimeOrigin));
    Plot->UpdateTimeScale(Store);

    // The definitions in force, then the points as they were kept.
    ComboBoxA->SetText(e.definitionA);
    ApplySignalA(false);
    ComboBoxB->SetText(e.definitionB);
    ApplySignalB(false);
    session_->restoreData(e.data);
    session_->restoreSnapshot(e.snapshot, Get<bool>(s, key::SnapshotRecorded).value_or(false));
    TitleLoadedAxes();
    if (!Store.Data.Loaded) {
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
    DisplayChanges& c = Display.Changes;
    c.AutoLeft = Get<bool>(s, key::AxisAAuto).value_or(c.AutoLeft);
    c.AutoRight = Get<bool>(s, key::AxisBAuto).value_or(c.AutoRight);
    c.AutoBottom = Get<bool>(s, key::AxisTAuto).value_or(c.AutoBottom);
    c.AxesChanged = true;
    c.PlotDirty = true;
    // Held in "einzel", the opened points stay until the user triggers.
    if (const auto held = Get<bool>(s, key::TriggerHeld)) {
        session_->setArmed(*held);
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
    if (const auto f = readFitSetting(Get<QString>(s, key::Fit).value_or(QString())))
        FitOnPlot(f->channelB, f->model, f->from, f->to);
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
    JournalSavedAt = JournalMark(JournalChanges, SessionJournal());
    NoteExperimentFile(path);
    SessionJournal().noteSaved(path);
    return true;
}

bool TFormMain::OpenExperiment(const QString& path) {
    const ExperimentRead read = readExperiment(path);
    if (!read.experiment) {
        Dlg().ShowError(this, read.error + tr(" Daten und Einstellungen bleiben unverändert."));
        return false;
    }
    // Asked as closing asks: a cancelled (or failed) save opens nothing.
    const bool wasHeld = session_->held();
    if (!AskUnsavedWork(tr("Sollen sie gespeichert werden, bevor %1 geöffnet wird?")
                            .arg(QFileInfo(path).fileName())))
        return false;
    SessionDiscarded = false; // the session goes on, under the file's runs
    if (!wasHeld && session_->held()) StoppWeiter();
    Handle([&] {
        // The points the file replaces are kept as any load's are, with the session's runs
        // they go to the Papierkorb; the file's runs begin a journal of their own.
        KeepBeforeReplacing(kurvimat::session::Replacement::Load);
        HoldRunKeeping(true);
        const auto release = qScopeGuard([this] { HoldRunKeeping(false); });
        Runs->StartOver();
        Journal& journal = SessionJournal();
        for (Run run : read.experiment->runs) {
            run.id = 0;
            journal.addRun(std::move(run));
        }
        Runs->Changed();
        ApplyExperiment(*read.experiment);
    });
    // The session is the file's now.
    JournalSavedAt = JournalMark(JournalChanges, SessionJournal());
    NoteExperimentFile(path);
    SessionJournal().noteSaved(path);
    return true;
}

void TFormMain::RestoreDiscarded() {
    Journal& journal = SessionJournal();
    Recovery trash(QDir(journal.folder()).filePath(QLatin1String(TrashFolderName)), JournalClock());
    if (!trash.found()) {
        Dlg().ShowInfo(this, tr("Im Papierkorb der Sitzungen liegt nichts. Verworfene Sitzungen "
                                "bleiben dort sieben Tage."));
        return;
    }
    const QDateTime last = QDateTime::fromMSecsSinceEpoch(trash.lastAtMs()).toLocalTime();
    if (!Dlg().AskYesNo(this, tr("Im Papierkorb der Sitzungen liegen %1 Messreihen, die letzte "
                                 "vom %2. Sollen sie zu den Messreihen dieser Sitzung kommen?")
                                  .arg(trash.runCount())
                                  .arg(last.toString(QStringLiteral("dd.MM. HH:mm")))))
        return;
    trash.restoreInto(journal);
    ++JournalChanges;
    Runs->Changed();
    Runs->ShowList();
}

void TFormMain::SaveExperimentAsk() {
    if (ExperimentPath.isEmpty())
        SaveExperimentAs();
    else
        SaveExperiment(ExperimentPath);
}

void TFormMain::SaveExperimentAs() {
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

// --- the title and the recent experiments ---

namespace {

constexpr int RecentCount = 8;
const QString RecentKey = QStringLiteral("Versuche/ZuletztGeoeffnet");

QSettings RecentSettings() {
    return QSettings(QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
                         .filePath(QStringLiteral("Kurvimat.ini")),
                     QSettings::IniFormat);
}

QStringList LoadRecentExperiments() {
    QStringList recent = RecentSettings().value(RecentKey).toStringList();
    recent.removeAll(QString());
    return recent.mid(0, RecentCount);
}

} // namespace

void TFormMain::NoteExperimentFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    ExperimentPath = absolute;
    ExperimentSignature = CurrentDataSignature();
    Recent = LoadRecentExperiments(); // another window may have added its own
    Recent.removeAll(absolute);
    Recent.prepend(absolute);
    Recent = Recent.mid(0, RecentCount);
    RecentSettings().setValue(RecentKey, Recent);
    ShowTitle();
}

void TFormMain::FillRecentMenu() {
    Recent = LoadRecentExperiments();
    MenuZuletzt->clear();
    for (const QString& path : Recent) {
        const int n = int(MenuZuletzt->actions().size()) + 1;
        QString name = QFileInfo(path).fileName();
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* a = MenuZuletzt->addAction(QStringLiteral("&%1 %2").arg(n).arg(name));
        a->setToolTip(QDir::toNativeSeparators(path));
        a->setStatusTip(QDir::toNativeSeparators(path));
        connect(a, &QAction::triggered, this, [this, path] { OpenExperiment(path); });
    }
    if (Recent.isEmpty()) MenuZuletzt->addAction(tr("(keine)"))->setEnabled(false);
}

void TFormMain::ShowTitle() {
    QString title = InstrumentCaption;
    if (!ExperimentPath.isEmpty()) {
        const bool changed = !ExperimentSaved() || CurrentDataSignature() != ExperimentSignature;
        title = QStringLiteral("%1%2 – %3")
                    .arg(QFileInfo(ExperimentPath).fileName(),
                         changed ? QStringLiteral("*") : QString(), InstrumentCaption);
    }
    if (windowTitle() != title) setWindowTitle(title);
}
