#include "MainRuns.h"

#include "Journal.h"
#include "MeasurementText.h"
#include "Palette.h"
#include "PointTableSource.h"
#include "Readout.h"
#include "RunsWindow.h"
#include "SignalDefinition.h"
#include "StorePoints.h"
#include "TComboBox.h"
#include "TFormMain.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

#include <algorithm>

using namespace kurvimat::acquisition;
using namespace kurvimat::analysis;
using namespace kurvimat::display;
using namespace kurvimat::exchange;
using namespace kurvimat::signals;

using namespace kurvimat::session;

namespace {

SweepMode sweepMode(TriggerMode mode) {
    switch (mode) {
    case TriggerMode::Dauer:
        return SweepMode::Dauer;
    case TriggerMode::Normal:
        return SweepMode::Normal;
    case TriggerMode::Einzel:
        return SweepMode::Einzel;
    default:
        return SweepMode::Auto;
    }
}

// Ranges are only widened to take in the run's extremes, never narrowed.
void widen(Tscale& scale, float min, float max) {
    if (scale.RangeStart > min) scale.RangeStart = min;
    if (scale.RangeEnd < max) scale.RangeEnd = max;
}

} // namespace

MainRuns::MainRuns(TFormMain& window) : QObject(&window), w_(window) {
    const QString folder = qEnvironmentVariable("KURVIMAT_DATA_DIR");
    journal_ = std::make_unique<kurvimat::session::Journal>(
        folder.isEmpty() ? kurvimat::session::Journal::defaultFolder() : folder, clock_);
    dataSince_ = clock_.wallMs();
    w_.session().pipeline().BeforeSweep = [this](TriggerMode mode) { BeforeSweep(mode); };
}

// The window's members are gone by now (this is one of its children): only the journal is
// left to close, which commits what is pending.
MainRuns::~MainRuns() = default;

CurrentPoints MainRuns::Facts() const {
    const MeasurementStore& s = w_.session().store();
    CurrentPoints c;
    c.points = std::clamp(s.Data.Count, 0, PointCapacity);
    c.loaded = s.Data.Loaded;
    c.completeSweep = !s.Data.Loaded && s.SweepIndex >= s.PointCount;
    c.spanSeconds = c.points > 1 ? double(s.Data.T[c.points - 1]) - double(s.Data.T[0]) : 0.0;
    c.alreadyKept = kept_ && keptKey_ == currentPointsKey(s);
    c.mode = dataMode_;
    return c;
}

void MainRuns::BeforeReplace(Replacement what) {
    const KeepAs how = holdKeeping_ ? KeepAs::Nothing : keepAs(what, Facts());
    if (how != KeepAs::Nothing) Keep(how == KeepAs::History ? KeepKind::History : KeepKind::User);
    switch (what) {
    case Replacement::SettingsChange:
    case Replacement::DeleteData:
    case Replacement::Paste:
    case Replacement::Load:
        NewPoints(dataMode_);
        break;
    default: // a reset, a mode change: the points stay until the next sweep
        break;
    }
}

void MainRuns::BeforeSweep(TriggerMode mode) {
    BeforeReplace(Replacement::NextSweep);
    NewPoints(sweepMode(mode));
}

void MainRuns::NewPoints(SweepMode mode) {
    dataMode_ = mode;
    dataSince_ = clock_.wallMs();
    kept_ = false;
}

void MainRuns::KeepCurrent() {
    if (w_.session().store().Data.Count <= 0) return;
    const Kept done = Keep(KeepKind::User);
    // Shown at once: drawn over the plot, chosen in the list, and said there.
    SetShown(done.id, true);
    ShowList(false);
    list_->setCurrent(done.id);
    const Run* run = journal_->runs().find(done.id);
    list_->setStatus(done.added ? tr("Behalten als „%1“.").arg(run->name)
                               : tr("Diese Punkte sind schon „%1“.").arg(run->name));
}

Kept MainRuns::Keep(KeepKind kind) {
    const Kept done = journal_->keep(currentRun(w_.session().store(), dataSince_), kind);
    kept_ = true;
    keptKey_ = currentPointsKey(w_.session().store());
    Changed();
    return done;
}

void MainRuns::SetShown(qint64 id, bool on) {
    if (IsShown(id) == on) return;
    if (on)
        shown_.insert(id);
    else
        shown_.erase(id);
    UpdateLayer();
    UpdateList();
}

bool MainRuns::Rename(qint64 id, const QString& name) {
    const Run* run = journal_->runs().find(id);
    if (!run || run->name == name) return false;
    if (name.trimmed().isEmpty()) { // a run keeps a name
        UpdateList();
        return false;
    }
    journal_->renameRun(id, name);
    Changed();
    return true;
}

bool MainRuns::MakeCurrent(qint64 id) {
    if (!journal_->runs().find(id)) return false;
    BeforeReplace(Replacement::RunRestored);
    // Looked up again: keeping the current points may have moved the list.
    const Run run = *journal_->runs().find(id);
    MeasurementStore& s = w_.session().store();
    w_.Handle([&] {
        w_.session().restoreRun(run);
        // The run's definitions come into force as a loaded text's do; one that does not
        // compile leaves the points as they are.
        if (IsDefinitionLine(run.points.definitionA()) &&
            run.points.definitionA() != s.AppliedDefA) {
            w_.ComboBoxA->SetText(run.points.definitionA());
            w_.ApplySignalA(false);
        }
        if (run.points.hasB() && IsDefinitionLine(run.points.definitionB()) &&
            run.points.definitionB() != s.AppliedDefB) {
            w_.ComboBoxB->SetText(run.points.definitionB());
            w_.ApplySignalB(false);
        }
        w_.session().restoreRun(run); // applying a definition may have evaluated other points
        if (!run.points.recorded()) {
            w_.TitleLoadedAxes();
        } else if (w_.AxesNameLoadedPoints) {
            w_.ScaleA.Title = SignalTitle(s.NameA, s.UnitA);
            w_.ScaleB.Title = SignalTitle(s.NameB, s.UnitB);
            w_.AxesNameLoadedPoints = false;
        }
        if (!run.points.empty()) {
            const Extents& e = run.points.extents();
            widen(w_.ScaleA, e.minA, e.maxA);
            if (run.points.hasB()) widen(w_.ScaleB, e.minB, e.maxB);
            widen(w_.ScaleT, e.minT, e.maxT);
        }
    });
    dataMode_ = SweepMode::Einzel;
    dataSince_ = run.recordedAtMs;
    kept_ = true;
    keptKey_ = currentPointsKey(s);
    return true;
}

QString MainRuns::Text(qint64 id, TableLayout layout) const {
    const Run* run = journal_->runs().find(id);
    if (!run) return {};
    const PointSet& p = run->points;
    MeasurementTextFormat format = PointSetTextFormat(!p.recorded(), p.hasB(), p.definitionA(),
                                                      p.definitionB(), w_.session().calibration());
    format.layout = layout;
    if (p.exact())
        return formatMeasurementText(p.definitionA(), p.definitionB(), p.exactTimes(),
                                     p.exactValuesA(), p.exactValuesB(), format);
    return formatMeasurementText(p.definitionA(), p.definitionB(), p.times(), p.valuesA(),
                                 p.valuesB(), format);
}

void MainRuns::Copy(qint64 id) {
    if (journal_->runs().find(id)) QGuiApplication::clipboard()->setText(Text(id));
}

void MainRuns::Save(qint64 id) {
    if (journal_->runs().find(id))
        w_.SaveOrCopy(true, [this, id](TableLayout layout) { return Text(id, layout); });
}

bool MainRuns::Delete(qint64 id) {
    if (!journal_->deleteRun(id)) return false;
    Changed();
    return true;
}

bool MainRuns::UndoDelete() {
    const std::optional<qint64> id = journal_->undoDelete();
    if (!id) return false;
    Changed();
    if (list_) list_->setCurrent(*id);
    return true;
}

void MainRuns::AddReadoutSeries(ReadoutInput& in) const {
    for (const Run& run : journal_->runs().runs()) {
        if (!IsShown(run.id)) continue;
        const PointSet& p = run.points;
        const QString title = tr("Reihe %1").arg(run.id);
        const float* t = p.times().data();
        if (in.ShowA)
            in.Runs.push_back(
                {title + QStringLiteral(" A"),
                 {{t, p.valuesA().data(), p.size()}, PointSetParts(p.definitionA()).unit}});
        if (in.ShowB && p.hasB())
            in.Runs.push_back(
                {title + QStringLiteral(" B"),
                 {{t, p.valuesB().data(), p.size()}, PointSetParts(p.definitionB()).unit}});
    }
}

std::optional<RunChannelPoints> MainRuns::FitPoints(qint64 id, bool channelB) const {
    const Run* run = journal_->runs().find(id);
    if (!run || (channelB && !run->points.hasB())) return std::nullopt;
    const PointSet& p = run->points;
    const DefinitionParts parts = PointSetParts(channelB ? p.definitionB() : p.definitionA());
    return RunChannelPoints{p.times().data(),
                            (channelB ? p.valuesB() : p.valuesA()).data(),
                            p.size(),
                            channelB,
                            parts.name,
                            parts.unit,
                            run->id,
                            run->name,
                            Colour(run->id)};
}

bool MainRuns::FitStillShown(const PlotFit& fit) const {
    if (!IsShown(fit.RunId)) return false;
    const std::optional<RunChannelPoints> points = FitPoints(fit.RunId, fit.ChannelB);
    return points && RunFitStillMatches(fit, *points);
}

std::uint8_t MainRuns::Colour(qint64 id) {
    return PaletteMask::Run(std::size_t(std::max<qint64>(id - 1, 0)));
}

void MainRuns::StartOver() {
    journal_->startOver(true);
    shown_.clear();
    kept_ = false;
    Changed();
}

void MainRuns::Changed() {
    UpdateLayer();
    UpdateList();
    emit RunsChanged();
}

void MainRuns::UpdateLayer() {
    std::vector<RunCurve> curves;
    for (const Run& run : journal_->runs().runs()) {
        if (!IsShown(run.id)) continue;
        const PointSet& p = run.points;
        curves.push_back({p.times(), p.valuesA(), p.valuesB(), p.hasB(), Colour(run.id), run.name});
    }
    if (curves.empty() && layer_.empty()) return;
    layer_.setRuns(std::move(curves));
    w_.Display.Changes.PlotDirty = true;
}

void MainRuns::UpdateList() {
    if (!list_) return;
    QList<RunsWindow::Entry> entries;
    for (const Run& run : journal_->runs().runs()) {
        const std::uint8_t c = Colour(run.id);
        entries.push_back({run.id, run.name,
                           QColor(Palette::red(c), Palette::green(c), Palette::blue(c)),
                           IsShown(run.id), run.automatic});
    }
    list_->setEntries(entries);
    list_->setCanUndo(journal_->runs().canUndo());
}

void MainRuns::ShowList(bool activate) {
    if (!list_) {
        list_ = new RunsWindow(&w_);
        connect(list_, &RunsWindow::shownChanged, this, &MainRuns::SetShown);
        connect(list_, &RunsWindow::renamed, this, &MainRuns::Rename);
        connect(list_, &RunsWindow::makeCurrentRequested, this, &MainRuns::MakeCurrent);
        connect(list_, &RunsWindow::copyRequested, this, &MainRuns::Copy);
        connect(list_, &RunsWindow::saveRequested, this, &MainRuns::Save);
        connect(list_, &RunsWindow::deleteRequested, this, &MainRuns::Delete);
        connect(list_, &RunsWindow::undoRequested, this, &MainRuns::UndoDelete);
        connect(list_, &RunsWindow::keepRequested, this, &MainRuns::KeepCurrent);
        UpdateList();
        // Beside the plot's right edge, over the timing choices rather than the curves.
        const QRect main = w_.frameGeometry();
        list_->move(main.right() - list_->width() - 20, main.top() + 40);
    }
    list_->show();
    list_->raise();
    if (activate) list_->activateWindow();
}

void MainRuns::AddMenuActions(QMenu& menu) {
    QAction* open = menu.addAction(tr("Messreihen …"), this, [this] { ShowList(); });
    open->setToolTip(tr("Die Messreihen dieser Sitzung: zeigen, umbenennen, wieder zu den "
                        "aktuellen Daten machen, kopieren, speichern, löschen"));
    QAction* keep = menu.addAction(tr("Messreihe behalten"), this, [this] { KeepCurrent(); });
    keep->setEnabled(w_.session().store().Data.Count > 0 && !Facts().alreadyKept);
    menu.addSeparator();
}

// The window's side, here so that the window's own files need no more than a call.

kurvimat::session::Journal& TFormMain::SessionJournal() {
    return Runs->Journal();
}

const kurvimat::session::Journal& TFormMain::SessionJournal() const {
    return Runs->Journal();
}

void TFormMain::KeepCurrentAsRun() {
    Runs->KeepCurrent();
}

void TFormMain::ShowRunsList() {
    Runs->ShowList();
}

void TFormMain::KeepBeforeReplacing(kurvimat::session::Replacement what) {
    if (Runs) Runs->BeforeReplace(what);
}

void TFormMain::HoldRunKeeping(bool on) {
    if (Runs) Runs->HoldKeeping(on);
}
