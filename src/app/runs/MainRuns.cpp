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

MainRuns::MainRuns(Session& session, RunsHost& host, DisplayChanges& changes, QWidget& window)
    : QObject(&window), session_(session), host_(host), changes_(changes), window_(window) {
    connect(&session_, &Session::runsChanged, this, &MainRuns::Changed);
}

MainRuns::~MainRuns() = default;

kurvimat::session::Journal& MainRuns::Journal() {
    return session_.journal();
}

void MainRuns::KeepCurrent() {
    const std::optional<Kept> kept = session_.keepCurrent();
    if (!kept) return;
    const Kept done = *kept;
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
    const std::optional<AppliedDefinitions> applied = session_.makeRunCurrent(id);
    if (!applied) return false;
    host_.ShowRunAsCurrent(*session_.journal().runs().find(id), *applied);
    return true;
}

QString MainRuns::Text(qint64 id, TableLayout layout) const {
    const Run* run = session_.journal().runs().find(id);
    if (!run) return {};
    return formatPoints(kurvimat::session::pointColumns(run->points), session_.calibration(),
                        layout);
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
        curves.push_back({p.times(), p.valuesA(), p.valuesB(), p.hasB(), Colour(run.id),
                          shownName(run.name), p.columns()});
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
    keep->setEnabled(session_.store().Data.Count > 0 && !session_.currentFacts().alreadyKept);
    menu.addSeparator();
}
