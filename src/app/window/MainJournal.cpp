// The window's side of the experiment files and the runs: what it keeps of an experiment besides
// the session's (axes, plot mode, cursors, fit), showing an experiment or a run the session took,
// and a measurement text opened as a file.
#include "window/TFormMain.h"

#include "ExperimentFile.h"
#include "Numbers.h"
#include "PlotInteraction.h"
#include "SignalDefinition.h"
#include "TimeAxis.h"
#include "UserFit.h"
#include "dialogs/TFormHardware.h"
#include "plot/MainCursors.h"
#include "plot/QuantityPlot.h"
#include "runs/MainRuns.h"
#include "widgets/TComboBox.h"
#include "widgets/TPaintBox.h"
#include "window/SignalGroups.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

using namespace kurvimat::acquisition;
using namespace kurvimat::analysis;
using namespace kurvimat::display;
using namespace kurvimat::signals;

using namespace kurvimat::session;

namespace {

// The list entry whose number is value, chosen without running the change handler.
void PickNumber(TComboBox* box, qint64 value) {
    for (int i = 0; i < box->count(); ++i) {
        if (std::nearbyint(ParseNumber(box->itemText(i))) != double(value)) continue;
        if (box->ItemIndex() != i) box->SetItemIndex(i);
        return;
    }
}

template <class T> std::optional<T> Get(const Settings& settings, const char* key) {
    return settingAs<T>(settings, key);
}

// Ranges are only widened to take in the run's extremes, never narrowed.
void Widen(Tscale& scale, float min, float max) {
    if (scale.RangeStart > min) scale.RangeStart = min;
    if (scale.RangeEnd < max) scale.RangeEnd = max;
}

void AddHardwareSettings(Settings& s, const HardwareChoice& h) {
    namespace key = setting;
    s[key::InputRangeA] = qint64(h.A);
    s[key::InputRangeB] = qint64(h.B);
    s[key::Differential] = h.ADiff;
    s[key::ChannelBOn] = !h.BOff;
    s[key::PullUpA] = h.PullUpA;
    s[key::PullUpB] = h.PullUpB;
}

} // namespace

void TFormMain::AddDisplaySettings(Settings& s) {
    namespace key = setting;
    if (FormHardware) AddHardwareSettings(s, session_->hardware());
    s[key::AxisTMin] = ScaleT.RangeStart;
    s[key::AxisTMax] = ScaleT.RangeEnd;
    s[key::AxisAMin] = ScaleA.RangeStart;
    s[key::AxisAMax] = ScaleA.RangeEnd;
    s[key::AxisBMin] = ScaleB.RangeStart;
    s[key::AxisBMax] = ScaleB.RangeEnd;
    s[key::AxisAAuto] = Display.Changes.AutoLeft;
    s[key::AxisBAuto] = Display.Changes.AutoRight;
    s[key::AxisTAuto] = Display.Changes.AutoBottom;
    s[key::Cursors] = CursorSettings{Cursors.VerticalOn, Cursors.HorizontalOn, Cursors.X,
                                     Cursors.Y, Cursors.ValueAxisB, int(Cursors.Mode),
                                     int(Cursors.Active)}
                          .text();
    const bool fitShown =
        ShownFit && FitStillMatches(*ShownFit, Store, Plot->TimeMode());
    const auto fitText = [](const PlotFit& fit) {
        const auto& user = fit.Result.User;
        return fitSettingText(
            {fit.ChannelB, fit.Result.Model, fit.Result.XMin, fit.Result.XMax,
             user ? std::make_shared<const UserFitModel>(user->Model()) : nullptr});
    };
    const auto shownFitText = [&] { return fitText(*ShownFit); };
    const bool columnFit = fitShown && ShownFit->Column >= 0;
    s[key::Fit] = fitShown && !columnFit ? shownFitText() : QString();
    if (columnFit) s[key::ColumnFit] = ShownFit->ColumnHeader + u'\t' + shownFitText();
    // The runs by their places among those the file keeps (the user's): ids are the session's.
    QStringList shown;
    QString runFit;
    int place = 0;
    for (const kurvimat::session::Run& run : Runs->Journal().runs().runs()) {
        if (run.automatic) continue;
        if (Runs->IsShown(run.id)) shown << QString::number(place);
        if (ShownFit && ShownFit->RunId == run.id && Runs->FitStillShown(*ShownFit))
            runFit = QString::number(place) + u';' + shownFitText();
        ++place;
    }
    s[key::ShownRuns] = shown.join(u';');
    s[key::RunFit] = runFit;
    // The fits beside the last one, in the order they were made.
    QStringList more;
    // Those of quantities over a quantity while it is shown, over the points it shows.
    const auto ofQuantities = [this](const PlotFit& fit) {
        return session_->view().mode == PlotMode::Quantities &&
               FitStillMatches(fit, Quantities->Points(), PlotMode::Quantities);
    };
    for (const PlotFit& fit : KeptFits) {
        if (fit.Mode == PlotMode::Quantities) {
            if (ofQuantities(fit))
                more << QStringLiteral("quantity\t") + fit.ColumnHeader + u'\t' + fitText(fit);
        } else if (fit.Column >= 0) {
            if (FitStillMatches(fit, Store, Plot->TimeMode()))
                more << QStringLiteral("column\t") + fit.ColumnHeader + u'\t' + fitText(fit);
        } else if (fit.RunId == 0) {
            if (FitStillMatches(fit, Store, Plot->TimeMode()))
                more << QStringLiteral("data\t\t") + fitText(fit);
        } else if (Runs->FitStillShown(fit)) {
            int at = 0;
            for (const kurvimat::session::Run& run : Runs->Journal().runs().runs()) {
                if (run.automatic) continue;
                if (run.id == fit.RunId)
                    more << QStringLiteral("run\t%1\t").arg(at) + fitText(fit);
                ++at;
            }
        }
    }
    // The last one of them is made last again, and so is shown.
    if (ShownFit && ShownFit->Mode == PlotMode::Quantities && ofQuantities(*ShownFit))
        more << QStringLiteral("quantity\t") + ShownFit->ColumnHeader + u'\t' + shownFitText();
    if (!more.isEmpty()) s[key::MoreFits] = more.join(u'\n');
}

Settings TFormMain::DisplaySettings() {
    Settings s;
    AddDisplaySettings(s);
    // The instrument's choices whether or not one is linked now: its arrival changes no file.
    AddHardwareSettings(s, session_->hardware());
    return s;
}

void TFormMain::ShowExperiment(const Experiment& e, const kurvimat::session::AppliedExperiment& applied) {
    namespace key = setting;
    const Settings& s = e.settings;

    // The instrument, configured by the session already: its window shows the choices.
    if (FormHardware) FormHardware->ShowChoice(session_->hardware());
    ShowRangeLabels(*this, Store);
    PickNumber(ComboBoxSamplingRate, Store.IntervalMs);
    PickNumber(ComboBoxSamples, Store.PointCount);
    PaintBoxData->update();
    QRadioButton* const radios[] = {RadioButtonDauer, RadioButtonAuto, RadioButtonNormal,
                                    RadioButtonEinzel};
    if (QRadioButton* mode = radios[int(session_->trigger().mode)]; !mode->isChecked()) {
        const QSignalBlocker block(mode);
        mode->setChecked(true);
        AfterPipeline({});
    }
    ShowTriggerCaptions();
    {
        const QSignalBlocker block(CheckBoxSchnappschuss);
        CheckBoxSchnappschuss->setChecked(session_->trigger().autoSnapshot);
    }
    Plot->UpdateTimeScale(Store);

    // The definitions the session put in force; one it refused is said here, and stays in
    // its box to be mended.
    ReportError(FormulaProblemText(applied.events(), Store.FormulaA, Store.FormulaB));
    ComboBoxA->SetText(e.definitionA);
    Signals->Show('A', applied.definitions[0], applied.refused[0]);
    ComboBoxB->SetText(e.definitionB);
    Signals->Show('B', applied.definitions[1], applied.refused[1]);
    TitleLoadedAxes();
    if (!Store.Data.Loaded) TitleAxesByDefinitions();

    // What the plot shows and how.
    const kurvimat::session::ViewSettings& view = session_->view();
    CheckBoxKanalA->setChecked(view.showA);
    CheckBoxKanalB->setChecked(view.showB);
    ShowPlotMode();
    CheckBoxMinuten->setChecked(view.minutes);
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
    if (Get<bool>(s, key::TriggerHeld)) ButtonReset->setEnabled(session_->trigger().resetEnabled);

    if (const std::optional<CursorSettings>& c = applied.cursors) {
        Cursors.VerticalOn = c->verticalOn;
        Cursors.HorizontalOn = c->horizontalOn;
        Cursors.X = c->x;
        Cursors.Y = c->y;
        Cursors.ValueAxisB = c->valueAxisB;
        Cursors.Mode = PlotMode(c->mode);
        Cursors.Active = CursorId(c->active);
        if (Measuring) Measuring->Changed();
    }
    // The runs shown, by their places among the file's; a file without them shows none.
    std::vector<qint64> runIds;
    for (const kurvimat::session::Run& run : Runs->Journal().runs().runs())
        if (!run.automatic) runIds.push_back(run.id);
    const auto runAt = [&runIds](const QString& place) -> qint64 {
        bool ok = false;
        const int i = place.toInt(&ok);
        return ok && i >= 0 && i < int(runIds.size()) ? runIds[std::size_t(i)] : 0;
    };
    for (const QString& place :
         Get<QString>(s, key::ShownRuns).value_or(QString()).split(u';', Qt::SkipEmptyParts))
        if (const qint64 id = runAt(place)) Runs->SetShown(id, true);
    const QString runFit = Get<QString>(s, key::RunFit).value_or(QString());
    const qint64 fitRun = runAt(runFit.section(u';', 0, 0));
    const auto ofRun = readFitSetting(runFit.section(u';', 1));
    // The user's model of the file fills the dialog next time.
    if (ofRun && ofRun->user) LastUserFit = *ofRun->user;
    const auto ofData = readFitSetting(Get<QString>(s, key::Fit).value_or(QString()));
    if (ofData && ofData->user) LastUserFit = *ofData->user;
    // A further column of the data by its header, as the file names it; -1 without one.
    const auto columnNamed = [this](const QString& header) {
        const auto further = Store.Data.Further();
        const auto c = std::find_if(further.begin(), further.end(),
                                    [&](const auto& q) { return q.header == header; });
        return c == further.end() ? -1 : int(c - further.begin());
    };
    // The fits beside the last one first: each new one keeps those of other curves.
    Report->RemoveFit();
    const QString moreFits = Get<QString>(s, key::MoreFits).value_or(QString());
    for (const QString& line : moreFits.split(u'\n', Qt::SkipEmptyParts).mid(0, 16)) {
        const QStringList parts = line.split(u'\t');
        const auto f = parts.size() == 3 ? readFitSetting(parts[2]) : std::nullopt;
        if (!f) continue;
        if (parts[0] == QLatin1String("data")) {
            Report->FitOnPlot(f->channelB, f->model, f->from, f->to, f->user.get());
        } else if (parts[0] == QLatin1String("quantity")) {
            // A further column of its points by its header (the quantity's key).
            const auto further = Quantities->Points().Data.Further();
            const auto c = std::find_if(further.begin(), further.end(),
                                        [&](const auto& q) { return q.header == parts[1]; });
            const int column = c == further.end() ? -1 : int(c - further.begin());
            if (session_->view().mode == PlotMode::Quantities && (parts[1].isEmpty() || column >= 0))
                Report->FitQuantityOnPlot(f->channelB, f->model, f->from, f->to, f->user.get(),
                                          column);
        } else if (const int c = columnNamed(parts[1]);
                   parts[0] == QLatin1String("column") && c >= 0) {
            Report->FitColumnOnPlot(c, f->model, f->from, f->to, f->user.get());
        } else if (const qint64 id = runAt(parts[1]); parts[0] == QLatin1String("run") && id &&
                                                       Runs->IsShown(id)) {
            Report->FitRunOnPlot(id, f->channelB, f->model, f->from, f->to, f->user.get());
        }
    }
    const QString columnFit = Get<QString>(s, key::ColumnFit).value_or(QString());
    const auto ofColumn = readFitSetting(columnFit.section(u'\t', 1));
    if (ofColumn && ofColumn->user) LastUserFit = *ofColumn->user;
    const int column = columnNamed(columnFit.section(u'\t', 0, 0));
    if (const auto& f = ofData)
        Report->FitOnPlot(f->channelB, f->model, f->from, f->to, f->user.get());
    else if (ofColumn && column >= 0)
        Report->FitColumnOnPlot(column, ofColumn->model, ofColumn->from, ofColumn->to,
                                ofColumn->user.get());
    else if (fitRun && ofRun && Runs->IsShown(fitRun))
        Report->FitRunOnPlot(fitRun, ofRun->channelB, ofRun->model, ofRun->from, ofRun->to,
                             ofRun->user.get());
    Plot->ApplyAxisImages();
}

void TFormMain::OpenMeasurementText(const QString& path) {
    if (Exchange->ReadIntoBuffer(true, path))
        Handle([&] {
            HoldLoaded(Exchange->TakeBuffer(false));
            Exchange->ShowReport();
        });
}

void TFormMain::SaveDataText() {
    ButtonDatenSpeichern->click();
}

void TFormMain::ShowAppliedDefinitions(const AppliedDefinitions& applied) {
    for (const std::size_t i : {0u, 1u})
        if (applied.tried(i))
            Handle([&] {
                Signals->ShowApplied(i == 0 ? 'A' : 'B', applied.definitions[i],
                                     applied.refused[i]);
            });
}

void TFormMain::ShowRunAsCurrent(const kurvimat::session::Run& run,
                                 const AppliedDefinitions& applied) {
    Handle([&] {
        // The run's definitions in their boxes, as the session put them in force (or said
        // why not: the points stay as they are, the line in its box to be mended).
        if (applied.tried(0)) ComboBoxA->SetText(run.points.definitionA());
        if (applied.tried(1)) ComboBoxB->SetText(run.points.definitionB());
        ShowAppliedDefinitions(applied);
        if (!run.points.recorded()) {
            TitleLoadedAxes();
        } else if (AxesNameLoadedPoints) {
            TitleAxesByDefinitions();
        }
        if (!run.points.empty()) {
            const Extents& e = run.points.extents();
            Widen(ScaleA, e.minA, e.maxA);
            if (run.points.hasB()) Widen(ScaleB, e.minB, e.maxB);
            Widen(ScaleT, e.minT, e.maxT);
        }
    });
}
