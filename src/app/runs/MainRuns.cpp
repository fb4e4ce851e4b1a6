#include "runs/MainRuns.h"

#include "DisplayState.h"
#include "Journal.h"
#include "MeasurementText.h"
#include "Palette.h"
#include "Readout.h"
#include "Session.h"
#include "SignalDefinition.h"
#include "StorePoints.h"
#include "runs/RunsWindow.h"
#include "tables/PointTableSource.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QWidget>

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

} // namespace

MainRuns::MainRuns(Session& session, RunsHost& host, DisplayChanges& changes, QWidget& window)
    : QObject(&window), session_(session), host_(host), changes_(changes), window_(window) {
    dataSince_ = clock_.wallMs();
    session_.pipeline().BeforeSweep = [this](TriggerMode mode) { BeforeSweep(mode); };
}

MainRuns::~MainRuns() = default;

kurvimat::session::Journal& MainRuns::Journal() {
    return session_.journal();
}

CurrentPoints MainRuns::Facts() const {
    const MeasurementStore& s = session_.store();
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
    if (session_.store().Data.Count <= 0) return;
    const Kept done = Keep(KeepKind::User);
    // Shown at once: drawn over the plot, chosen in the list, and said there.
    SetShown(done.id, true);
    ShowList(false);
    list_->setCurrent(done.id);
    const Run* run = session_.journal().runs().find(done.id);
    list_->setStatus(done.added ? tr("Behalten als „%1“.").arg(shownName(run->name))
                                : tr("Diese Punkte sind schon „%1“.").arg(shownName(run->name)));
}

void MainRuns::Say(const QString& text) {
    ShowList(false);
    list_->setStatus(text);
}

Kept MainRuns::Keep(KeepKind kind) {
    const Kept done = session_.journal().keep(currentRun(session_.store(), dataSince_), kind);
    kept_ = true;
    keptKey_ = currentPointsKey(session_.store());
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
    const Run* run = session_.journal().runs().find(id);
    if (!run || run->name == name) return false;
    if (name.trimmed().isEmpty()) { // a run keeps a name
        UpdateList();
        return false;
    }
    session_.journal().renameRun(id, name);
    Changed();
    return true;
}

bool MainRuns::MakeCurrent(qint64 id) {
    if (!session_.journal().runs().find(id)) return false;
    BeforeReplace(Replacement::RunRestored);
    // Looked up again: keeping the current points may have moved the list.
    const Run run = *session_.journal().runs().find(id);
    host_.TakeRunAsCurrent(run);
    const MeasurementStore& s = session_.store();
    dataMode_ = SweepMode::Einzel;
    dataSince_ = run.recordedAtMs;
    kept_ = true;
    keptKey_ = currentPointsKey(s);
    return true;
}

QString MainRuns::Text(qint64 id, TableLayout layout) const {
    const Run* run = session_.journal().runs().find(id);
    if (!run) return {};
    const PointSet& p = run->points;
    MeasurementTextFormat format = PointSetTextFormat(!p.recorded(), p.hasB(), p.definitionA(),
                                                      p.definitionB(), session_.calibration());
    format.layout = layout;
    if (p.exact())
        return formatMeasurementText(p.definitionA(), p.definitionB(), p.exactTimes(),
                                     p.exactValuesA(), p.exactValuesB(), format);
    return formatMeasurementText(p.definitionA(), p.definitionB(), p.times(), p.valuesA(),
                                 p.valuesB(), format);
}

void MainRuns::Copy(qint64 id) {
    if (session_.journal().runs().find(id)) QGuiApplication::clipboard()->setText(Text(id));
}

void MainRuns::Save(qint64 id) {
    if (session_.journal().runs().find(id))
        host_.SaveOrCopy(true, [this, id](TableLayout layout) { return Text(id, layout); });
}

bool MainRuns::Delete(qint64 id) {
    if (!session_.journal().deleteRun(id)) return false;
    Changed();
    return true;
}

bool MainRuns::UndoDelete() {
    const std::optional<qint64> id = session_.journal().undoDelete();
    if (!id) return false;
    Changed();
    if (list_) list_->setCurrent(*id);
    return true;
}

void MainRuns::AddReadoutSeries(ReadoutInput& in) const {
    for (const Run& run : session_.journal().runs().runs()) {
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
    const Run* run = session_.journal().runs().find(id);
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

void MainRuns::StartedOver() {
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
    for (const Run& run : session_.journal().runs().runs()) {
        if (!IsShown(run.id)) continue;
        const PointSet& p = run.points;
        curves.push_back(
            {p.times(), p.valuesA(), p.valuesB(), p.hasB(), Colour(run.id), shownName(run.name)});
    }
    if (curves.empty() && layer_.empty()) return;
    layer_.setRuns(std::move(curves));
    changes_.PlotDirty = true;
}

void MainRuns::UpdateList() {
    if (!list_) return;
    QList<RunsWindow::Entry> entries;
    for (const Run& run : session_.journal().runs().runs()) {
        const std::uint8_t c = Colour(run.id);
        entries.push_back({run.id, run.name,
                           QColor(Palette::red(c), Palette::green(c), Palette::blue(c)),
                           IsShown(run.id), run.automatic});
    }
    list_->setEntries(entries);
    list_->setCanUndo(session_.journal().runs().canUndo());
}

void MainRuns::ShowList(bool activate) {
    if (!list_) {
        list_ = new RunsWindow(&window_);
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
        const QRect main = window_.frameGeometry();
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
    keep->setEnabled(session_.store().Data.Count > 0 && !Facts().alreadyKept);
    menu.addSeparator();
}
