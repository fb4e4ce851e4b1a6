// The menu bar and the actions it shares with the buttons, check boxes and the plot's menu;
// stopping and going on, taking a deletion or a load back, the table, big display and help
// windows, and the question on closing with unsaved work.
#include "window/ClassViewShare.h"
#include "window/TFormMain.h"

#include "window/MainActions.h"

#include "FitOverlay.h"
#include "Journal.h"
#include "MeasurementText.h"
#include "Plot.h"
#include "PlotZoom.h"
#include "SignalDefinition.h"
#include "UserFit.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/BigDisplay.h"
#include "dialogs/Dialogs.h"
#include "dialogs/FormulaVariablesDialog.h"
#include "dialogs/QuantityAxesDialog.h"
#include "plot/QuantityPlot.h"
#include "dialogs/QuantityDialog.h"
#include "dialogs/UserFitDialog.h"
#include "dialogs/ValuesDialog.h"
#include "help/HelpWindow.h"
#include "plot/MainCursors.h"
#include "runs/MainRuns.h"
#include "tables/PointTableModel.h"
#include "tables/StoreTableSource.h"
#include "tables/TableWindow.h"
#include "widgets/TComboBox.h"
#include "widgets/TPaintBox.h"

#include <QAction>
#include <QCheckBox>
#include <QByteArrayView>
#include <QHash>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>

#include <algorithm>

using namespace kurvimat::acquisition;
using namespace kurvimat::analysis;
using namespace kurvimat::display;
using namespace kurvimat::signals;

namespace {

// Of the first n stored points: their times, or their values with the definitions they were
// computed with.
std::size_t PointsHash(const MeasurementStore& s, int n, bool times) {
    n = std::clamp(n, 0, PointCapacity);
    const auto view = [n](const float* p) {
        return QByteArrayView(reinterpret_cast<const char*>(p),
                              static_cast<qsizetype>(n) * static_cast<qsizetype>(sizeof(float)));
    };
    const auto further = s.Data.Further();
    if (times) {
        // Other columns (a quantity added or removed) start the table over as other times do.
        std::size_t h = qHash(view(s.Data.T), static_cast<std::size_t>(n));
        for (const auto& c : further) h = qHash(c.header, h);
        return h;
    }
    std::size_t h = qHash(view(s.Data.B), qHash(view(s.Data.A), static_cast<std::size_t>(n)));
    for (const auto& c : further)
        h = qHash(QByteArrayView(reinterpret_cast<const char*>(c.values.data()),
                                 static_cast<qsizetype>(std::min<std::size_t>(c.values.size(), std::size_t(n)) * sizeof(double))),
                  h);
    return qHash(s.Data.DefA + QLatin1Char('\n') + s.Data.DefB, h);
}

// The windows opened from the menu are windows of their own that close with the main window;
// they first open over its right-hand part, on the same screen, so as not to cover its menus.
template <class W> W* OwnWindow(W* window, const QWidget& main, QSize size) {
    window->setWindowFlag(Qt::Window);
    window->resize(size);
    QRect place(main.geometry().topRight() + QPoint(-size.width() - 24, 90), size);
    if (const QScreen* screen = main.screen()) {
        const QRect room = screen->availableGeometry();
        place.moveRight(std::min(place.right(), room.right()));
        place.moveBottom(std::min(place.bottom(), room.bottom()));
        place.moveLeft(std::max(place.left(), room.left()));
        place.moveTop(std::max(place.top(), room.top()));
    }
    window->move(place.topLeft());
    return window;
}

} // namespace

int TFormMain::MenuBarHeight() const {
    const QMenuBar* bar = qobject_cast<const QMenuBar*>(menuWidget());
    if (!bar || bar->isNativeMenuBar() || bar->isHidden()) return 0;
    return bar->sizeHint().height();
}

void TFormMain::CreateMenus() {
    CreateActions(*this, *this, [this](int scale) { ButtonBildSpeichernClick(scale); });
    const auto fit = [this](bool channelB, FitModel model) {
        // Named, not bound: lambdas take them.
        const auto span = Report->FitSpan();
        const double from = span.first, to = span.second;
        if (model != FitModel::User) return Report->FitOnPlot(channelB, model, from, to);
        AskUserFit([this, channelB, from, to](const UserFitModel& user) {
            Report->FitOnPlot(channelB, FitModel::User, from, to, &user);
        });
    };
    CreateFitActions(*this, *this, fit);
    ShareWithButtons(*this, *this, [this] { UpdateMenuActions(); });
    // The class view puts its label into the menu bar's corner.
    menuBar();
    ClassView = new ClassViewShare(*this, *session_, Runs);
    for (QMenu* menu :
         BuildMenuBar(*this, *this, {ClassView->ShareAction(), ClassView->StopAction()}))
        connect(menu, &QMenu::aboutToShow, this, &TFormMain::UpdateMenuActions);

    connect(ActionNeueWertetabelle, &QAction::triggered, this, [this] { EnterValues(false); });
    connect(ActionWerteBearbeiten, &QAction::triggered, this, [this] { EnterValues(true); });
    // The table's menu offers the edit too: whether it can follows the data.
    connect(session_.get(), &kurvimat::session::Session::pointsChanged, this,
            [this] { ActionWerteBearbeiten->setEnabled(session_->dataEntered()); });
    connect(ActionNeueGroesse, &QAction::triggered, this, [this] { EditQuantities(true); });
    connect(ActionGroessen, &QAction::triggered, this, [this] { EditQuantities(false); });
    // A quantity the points do not compute is said once, with why; its column is left out.
    connect(session_.get(), &kurvimat::session::Session::quantitiesChanged, this, [this] {
        for (const kurvimat::session::QuantityFailure& f : session_->quantityFailures())
            ReportError(tr("Die Größe „%1“ kann nicht berechnet werden: %2")
                            .arg(f.name, f.error.Message));
    });
    connect(MenuZuletzt, &QMenu::aboutToShow, this,
            [this] { Experiments->FillRecentMenu(*MenuZuletzt); });
    connect(ActionDrucken, &QAction::triggered, this, [this] { ButtonDruckenClick(); });
    connect(ActionTitel, &QAction::triggered, this, [this] { Report->Notes().EditTitle(); });
    connect(ActionNotiz, &QAction::triggered, this, [this] { Report->Notes().AddNote(); });
    connect(MenuRechteAchse, &QMenu::aboutToShow, this, [this] { FillRightAxisMenu(); });
    connect(ActionAchsen, &QAction::triggered, this, &TFormMain::ChooseQuantityAxes);
    connect(ActionBeenden, &QAction::triggered, this, &QWidget::close);
    connect(ActionRueckgaengig, &QAction::triggered, this, &TFormMain::Undo);
    connect(ActionBildKopieren, &QAction::triggered, this, [this] { ButtonBildKopierenClick(); });
    connect(ActionMesswerteKopieren, &QAction::triggered, this,
            [this] { Measuring->CopyReadout(); });
    connect(ActionStoppWeiter, &QAction::triggered, this, &TFormMain::StoppWeiter);
    connect(ActionMessreiheBehalten, &QAction::triggered, Runs, &MainRuns::KeepCurrent);
    connect(ActionVersuchOeffnen, &QAction::triggered, Experiments, &ExperimentFiles::OpenAsk);
    connect(ActionVersuchSpeichern, &QAction::triggered, Experiments, &ExperimentFiles::SaveAsk);
    connect(ActionVersuchSpeichernUnter, &QAction::triggered, Experiments,
            &ExperimentFiles::SaveAs);
    connect(ActionVerworfeneSitzungen, &QAction::triggered, Experiments,
            &ExperimentFiles::RestoreDiscarded);
    // Placed in the visible span when switched on, as from the plot's menu.
    // On the cursors the plot shows: the time plot's, or those of quantities over a quantity.
    connect(ActionZeitcursor, &QAction::triggered, this, [this](bool on) {
        const ScaleSet s = Measuring->CursorScales();
        Plot->PlotCursors().setVerticalOn(on, s.Bottom->RangeStart, s.Bottom->RangeEnd);
        Measuring->Changed();
    });
    connect(ActionWertcursor, &QAction::triggered, this, [this](bool on) {
        const ScaleSet s = Measuring->CursorScales();
        CursorState& c = Plot->PlotCursors();
        const Tscale& axis = c.valueOnB(Plot->TimeMode()) ? s.B : s.A;
        c.setHorizontalOn(on, axis.RangeStart, axis.RangeEnd);
        Measuring->Changed();
    });
    // The tangent lies at t1: switched on, it brings the time cursors.
    connect(ActionTangente, &QAction::triggered, this, [this](bool on) {
        Cursors.TangentOn = on;
        if (on && !Cursors.VerticalOn) {
            const ScaleSet s = Scales();
            Cursors.setVerticalOn(true, s.Bottom->RangeStart, s.Bottom->RangeEnd);
        }
        Measuring->Changed();
    });
    connect(ActionTabelle, &QAction::triggered, this, &TFormMain::ShowTable);
    connect(ActionMessreihen, &QAction::triggered, Runs, [this] { Runs->ShowList(); });
    connect(ActionGrossanzeige, &QAction::triggered, this, &TFormMain::ShowBigDisplay);
    connect(ActionVollbild, &QAction::triggered, this, [this](bool on) {
        setWindowState(on ? windowState() | Qt::WindowFullScreen
                          : windowState() & ~Qt::WindowFullScreen);
    });
    // The guide is made when first asked for, then kept.
    const auto showGuide = [this](const QString& anchor) {
        if (!Anleitung) {
            Anleitung = OwnWindow(new HelpWindow(this), *this, {700, 640});
            Anleitung->setObjectName(QStringLiteral("Anleitung"));
        }
        Anleitung->showAnchor(anchor);
    };
    connect(ActionAnleitung, &QAction::triggered, this, [showGuide] { showGuide(QString()); });
    connect(ActionFormelvariablen, &QAction::triggered, this, [this, showGuide] {
        auto* dialog = new FormulaVariablesDialog(this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &FormulaVariablesDialog::guideRequested, this, showGuide);
        dialog->show();
    });
    connect(ActionUeber, &QAction::triggered, this, [this] {
        auto* dialog = new AboutDialog(this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
    });
    connect(ActionFitGerade, &QAction::triggered, this, [fit] { fit(false, FitModel::XYLinear); });
    connect(ActionFitParabel, &QAction::triggered, this,
            [fit] { fit(false, FitModel::XYQuadratic); });
    connect(ActionFitEigene, &QAction::triggered, this, [fit] { fit(false, FitModel::User); });
    connect(ActionFitEntfernen, &QAction::triggered, this, [this] { Report->RemoveFit(); });
    connect(MenuAusgleichskurve, &QMenu::aboutToShow, this, [this] {
        UpdateMenuActions();
        MenuAusgleichskurve->clear();
        if (session_->view().mode == PlotMode::Quantities)
            AddRunFitMenus(*MenuAusgleichskurve);
        else if (Plot->TimeMode() == PlotMode::Normal) {
            MenuAusgleichskurve->addActions({MenuFitA->menuAction(), MenuFitB->menuAction()});
            AddRunFitMenus(*MenuAusgleichskurve);
        } else
            MenuAusgleichskurve->addActions({ActionFitGerade, ActionFitParabel, ActionFitEigene});
        if (ShownFit || !KeptFits.empty()) MenuAusgleichskurve->addAction(ActionFitEntfernen);
    });

    // The client area keeps its design size: the window grows by the menu bar.
    resize(width(), height() + MenuBarHeight());
    UpdateMenuActions();
}

void TFormMain::FillRightAxisMenu() {
    // B, or a further column of another unit than A's: the right axis shows one at a time, so
    // that no curve is read against another quantity's scale.
    MenuRechteAchse->clear();
    const kurvimat::session::ViewSettings view = session_->view();
    const auto choose = [this](const QString& header, bool showB) {
        kurvimat::session::ViewSettings v = session_->view();
        v.rightAxis = header;
        session_->setView(v);
        CheckBoxKanalB->setChecked(showB);
        Display.Changes.PlotDirty = true;
    };
    const bool hasB = Store.Data.Count > 0 ? Store.Data.HasB : Store.Snap.HasB;
    QAction* b = MenuRechteAchse->addAction(tr("Kanal B"), this, [choose] { choose({}, true); });
    b->setCheckable(true);
    b->setChecked(hasB && view.showB);
    b->setEnabled(hasB);
    const std::optional<std::size_t> shown =
        Plot->TimeMode() == PlotMode::Normal ? RightAxisColumn(Store, view.showB) : std::nullopt;
    const QString unitA = kurvimat::signals::PointSetParts(Store.Data.DefA).unit;
    const auto further = Store.Data.Further();
    for (std::size_t i = 0; i < further.size(); ++i) {
        const auto& c = further[i];
        if (c.unit == unitA) continue;
        QAction* a = MenuRechteAchse->addAction(
            c.unit.isEmpty() ? c.name : c.name + QStringLiteral(" in ") + c.unit, this,
            [choose, header = c.header] { choose(header, false); });
        a->setCheckable(true);
        a->setChecked(shown == i);
    }
}

void TFormMain::AddRunFitMenus(QMenu& menu) {
    // Made afresh each time the menu opens: those of the last time go with their actions.
    const QString made = QStringLiteral("runFits");
    for (QMenu* old : menu.findChildren<QMenu*>(made, Qt::FindDirectChildrenOnly))
        old->deleteLater();
    // Over the span a fit takes (FitSpan); the user's model asked for first.
    const auto spanned = [this](auto fitOver) {
        return [this, fitOver](FitModel model) {
            const auto span = Report->FitSpan();
            const double from = span.first, to = span.second;
            if (model != FitModel::User) return fitOver(model, from, to, nullptr);
            AskUserFit([fitOver, from, to](const UserFitModel& user) {
                fitOver(FitModel::User, from, to, &user);
            });
        };
    };
    // A menu of the time models for one curve, "Ausgleichskurve v in m/s".
    const auto addFits = [&](const QString& name, const QString& unit, auto fitOver) {
        auto* fits = new QMenu(
            tr("Ausgleichskurve %1").arg(unit.isEmpty() ? name : name + QStringLiteral(" in ") + unit),
            &menu);
        fits->setObjectName(made);
        const auto fit = spanned(fitOver);
        for (const FitModelSpec& m : FitModels)
            if (m.OverTime) fits->addAction(FitMenuText(m), this, [fit, model = m.Model] { fit(model); });
        menu.addMenu(fits);
    };
    // Quantities over a quantity: the left one (as A), the right one (as B) and the further
    // columns of its points, over x.
    if (session_->view().mode == PlotMode::Quantities) {
        const MeasurementStore& shown = Quantities->Points();
        for (const bool right : {false, true}) {
            if (right && !shown.Data.HasB) continue;
            const auto parts = kurvimat::signals::PointSetParts(right ? shown.Data.DefB : shown.Data.DefA);
            addFits(kurvimat::signals::shownName(parts.name), kurvimat::signals::shownName(parts.unit),
                    [this, right](FitModel model, double from, double to, const UserFitModel* user) {
                        Report->FitOnPlot(right, model, from, to, user);
                    });
        }
        const auto more = shown.Data.Further();
        for (std::size_t i = 0; i < more.size(); ++i)
            addFits(kurvimat::signals::shownName(more[i].name), kurvimat::signals::shownName(more[i].unit),
                    [this, c = int(i)](FitModel model, double from, double to, const UserFitModel* user) {
                        Report->FitQuantityOnPlot(false, model, from, to, user, c);
                    });
        return;
    }
    // The data's further columns the plot draws, over time.
    const auto further = Store.Data.Further();
    for (const kurvimat::display::PlotCurve& curve : kurvimat::display::DataCurves(Store, ShowsB())) {
        if (curve.Source != kurvimat::display::CurveSource::Column) continue;
        const auto& column = further[std::size_t(curve.Column)];
        addFits(column.name, column.unit,
                [this, c = curve.Column](FitModel model, double from, double to, const UserFitModel* user) {
                    Report->FitColumnOnPlot(c, model, from, to, user);
                });
    }
    if (!Runs) return;
    bool first = true;
    for (const kurvimat::session::Run& run : Runs->Journal().runs().runs()) {
        if (!Runs->IsShown(run.id)) continue;
        if (first) menu.addSeparator();
        first = false;
        for (const bool channelB : {false, true}) {
            const std::optional<RunChannelPoints> points = Runs->FitPoints(run.id, channelB);
            if (!points) continue;
            auto* fits =
                new QMenu(tr("%1: Ausgleichskurve %2 (%3)")
                              .arg(run.name, channelB ? QStringLiteral("B") : QStringLiteral("A"),
                                   points->Name),
                          &menu);
            fits->setObjectName(made);
            const qint64 id = run.id;
            for (const FitModelSpec& m : FitModels)
                if (m.OverTime)
                    fits->addAction(FitMenuText(m), this, [this, id, channelB, model = m.Model] {
                        const auto span = Report->FitSpan();
                        const double from = span.first, to = span.second;
                        if (model != FitModel::User)
                            return Report->FitRunOnPlot(id, channelB, model, from, to);
                        AskUserFit([this, id, channelB, from, to](const UserFitModel& user) {
                            Report->FitRunOnPlot(id, channelB, FitModel::User, from, to, &user);
                        });
                    });
            fits->setEnabled(points->Count > 0);
            menu.addMenu(fits);
        }
    }
}

void TFormMain::AskUserFit(std::function<void(const UserFitModel&)> then) {
    auto* dialog = new UserFitDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (ShownFit && ShownFit->Result.User)
        dialog->setModel(ShownFit->Result.User->Model());
    else if (LastUserFit)
        dialog->setModel(*LastUserFit);
    connect(dialog, &QDialog::accepted, this, [this, dialog, then = std::move(then)] {
        LastUserFit = dialog->model();
        Handle([&] { then(*LastUserFit); });
    });
    dialog->open();
}

void TFormMain::UpdateMenuActions() {
    const DisplayControls controls = ReadDisplayControls();
    MenuActionState state;
    state.keys = KeyActions();
    state.mode = controls.Mode;
    state.timeCursors = Plot->PlotCursors().VerticalOn;
    state.valueCursors = Plot->PlotCursors().HorizontalOn;
    state.tangent = Cursors.TangentOn && Cursors.VerticalOn; // drawn only with t1
    state.haveData = Store.Data.Count > 0;
    state.hasB = Store.Data.HasB;
    state.entered = session_->dataEntered();
    state.nameA = StoredPointsParts(Store, false).name;
    state.nameB = StoredPointsParts(Store, true).name;
    ShowMenuState(*this, state);
}

KeyActionState TFormMain::KeyActions() {
    return {session_->trigger().resetEnabled, isFullScreen(), session_->undoStep(),
            Plot->PlotHistory().hasEarlier(CaptureRanges(Plot->PlotScales()))};
}

void TFormMain::StoppWeiter() {
    session_->setHeld(!session_->held());
    const bool held = session_->held();
    ActionStoppWeiter->setText(held ? tr("&Weiter") : tr("&Stopp"));
    LabelAngehalten->setVisible(held);
    LabelOszilloskop->setVisible(!held);
}

void TFormMain::Undo() {
    const std::optional<kurvimat::session::Undone> undo = session_->undo();
    if (!undo) {
        Measuring->ZoomBack();
        return;
    }
    Handle([&] {
        // The definitions in force before come back with the points: recorded ones are
        // evaluated under them again, loaded ones keep their values and labels.
        for (const char channel : {'A', 'B'}) {
            const std::optional<QString>& before =
                channel == 'A' ? undo->definitionA : undo->definitionB;
            const QString& now = channel == 'A' ? Store.AppliedDefA : Store.AppliedDefB;
            if (!before || *before == now) continue;
            (channel == 'A' ? ComboBoxA : ComboBoxB)->SetText(*before);
            channel == 'A' ? ApplySignalA(true) : ApplySignalB(true);
        }
        // The axes as they were before the load widened them.
        const auto showRanges = qScopeGuard([&] {
            if (!undo->shown) return;
            kurvimat::display::RestoreRanges({undo->shown->ranges}, Plot->Scales());
            Display.Changes.AxesChanged = true;
        });
        if (Store.Data.Loaded) {
            TitleLoadedAxes();
            return;
        }
        // Recorded points: under the definitions in force, named by them.
        if (AxesNameLoadedPoints) TitleAxesByDefinitions();
        if (Store.Data.DefA != Store.AppliedDefA) ApplySignalA(true);
        if (Store.Data.DefB != Store.AppliedDefB) ApplySignalB(true);
    });
}

void TFormMain::ChooseQuantityAxes() {
    const kurvimat::session::ViewSettings& v = session_->view();
    const bool shown = v.mode == PlotMode::Quantities;
    QuantityAxesDialog dialog(kurvimat::display::QuantityRefs(Store.Data),
                              {shown ? v.axisX : QString(), v.axisLeft, v.axisRight, v.axisMore},
                              this);
    dialog.setPalette(palette());
    if (dialog.exec() != QDialog::Accepted) return;
    ShowQuantities(dialog.axes());
}

void TFormMain::ShowQuantities(const kurvimat::display::QuantityAxes& axes) {
    kurvimat::session::ViewSettings v = session_->view();
    if (axes.X.isEmpty() || axes.X == kurvimat::display::TimeKey) {
        // Over the time: the time plot, its right axis showing the chosen column or B.
        if (v.mode == PlotMode::Quantities) v.mode = PlotMode::Normal;
        const bool column = !axes.Right.isEmpty() && axes.Right != u"A" && axes.Right != u"B";
        if (column) v.rightAxis = axes.Right;
        session_->setView(v);
        if (column || axes.Right == u"B") CheckBoxKanalB->setChecked(!column);
    } else {
        v.axisX = axes.X, v.axisLeft = axes.Left, v.axisRight = axes.Right;
        v.axisMore = axes.More;
        v.mode = PlotMode::Quantities;
        session_->setView(v);
        // The same mode with other quantities: worked out anew.
        if (ShownMode == PlotMode::Quantities) Quantities->Switched(true);
    }
    ShowPlotMode();
    Display.Changes.PlotDirty = true;
}

void TFormMain::EditQuantities(bool add, const kurvimat::session::QuantityDefinition& prefill) {
    const kurvimat::session::Quantities& q = session_->quantities();
    QuantityDialog dialog(q.definitions(), q.constants(),
                          kurvimat::session::Quantities::columnNames(Store.Data), this);
    dialog.setPalette(palette());
    if (add) dialog.addQuantity(prefill);
    if (dialog.exec() != QDialog::Accepted) return;
    if (const auto fault = session_->setQuantities(dialog.definitions(), dialog.constants(), true))
        ReportError(fault->message);
    UpdateMenuActions();
}

void TFormMain::EnterValues(bool edit) {
    std::vector<kurvimat::signals::QuantityColumn> columns;
    if (edit) columns = session_->enteredColumns();
    ValuesDialog dialog(columns, kurvimat::exchange::DecimalMark({}), this);
    dialog.setObjectName(QStringLiteral("Wertetabelle"));
    dialog.setPalette(palette());
    if (dialog.exec() != QDialog::Accepted) return;
    Handle([&] {
        const bool xy = dialog.columns().size() > 1;
        if (!Exchange->TakeEntered(dialog.columns(), edit && !columns.empty())) return;
        HoldLoaded(true);
        // The second column over the first, so a line fit is y over x; one column over its row.
        kurvimat::session::ViewSettings v = session_->view();
        v.mode = xy ? PlotMode::AAsX : PlotMode::Normal;
        session_->setView(v);
        ShowPlotMode();
        CheckBoxKanalA->setChecked(true);
        if (xy) CheckBoxKanalB->setChecked(true);
        UpdateMenuActions();
    });
}

void TFormMain::ShowTable() {
    if (!Tabelle) {
        Tabelle = OwnWindow(new TableWindow(this), *this, {560, 520});
        Tabelle->setObjectName(QStringLiteral("Tabelle"));
        TableOwner.reset(Tabelle);
        Tabelle->setWindowTitle(tr("Tabelle – Kurvimat"));
        Tabelle->addMenuActions(
            {ActionNeueWertetabelle, ActionWerteBearbeiten, ActionNeueGroesse, ActionGroessen});
        Tabelle->model().setSource(std::make_shared<StoreTableSource>(Store));
        TableCount = std::clamp(Store.Data.Count, 0, PointCapacity);
        TableTimes = PointsHash(Store, TableCount, true);
        TableValues = PointsHash(Store, TableCount, false);
        TableHighlight.reset();
    }
    FollowData();
    Tabelle->show();
    Tabelle->raise();
    Tabelle->activateWindow();
}

// The table follows the recording: fewer points or other times start it over (a new sweep,
// loaded points), other values of the same times are evaluated again, more points of the
// running sweep are added; the rows between the time cursors are highlighted.
void TFormMain::FollowData() {
    if (!Tabelle || Tabelle->choice() != TableWindow::CurrentData) return;
    PointTableModel& model = Tabelle->model();
    const int count = std::clamp(Store.Data.Count, 0, PointCapacity);
    if (count < TableCount || PointsHash(Store, TableCount, true) != TableTimes) {
        model.pointsReplaced();
    } else {
        if (PointsHash(Store, TableCount, false) != TableValues) model.valuesChanged();
        if (count > TableCount) model.pointsAppended();
    }
    TableTimes = PointsHash(Store, count, true);
    TableValues = PointsHash(Store, count, false);
    TableCount = count;

    std::optional<std::pair<double, double>> span;
    if (Cursors.VerticalOn && Cursors.Mode == PlotMode::Normal &&
        Plot->TimeMode() == PlotMode::Normal)
        span = std::pair{Cursors.X[0], Cursors.X[1]};
    if (span == TableHighlight) return;
    TableHighlight = span;
    if (span)
        model.setHighlight(span->first, span->second);
    else
        model.clearHighlight();
}

void TFormMain::ShowBigDisplay() {
    if (!Grossanzeige) {
        Grossanzeige = OwnWindow(new BigDisplay(this), *this, {800, 450});
        Grossanzeige->setObjectName(QStringLiteral("Grossanzeige"));
    }
    // At once the values the labels show, then every refresh.
    Readouts now;
    now.refreshed = true;
    now.a.value = LabelAkal->text();
    now.b.value = LabelBkal->text();
    Grossanzeige->setNames(Store.NameA, Store.NameB);
    Grossanzeige->setReadouts(now);
    Grossanzeige->show();
    Grossanzeige->raise();
    Grossanzeige->activateWindow();
}

void TFormMain::AfterReadoutTick(const Readouts& readouts) {
    if (Grossanzeige && Grossanzeige->isVisible()) {
        Grossanzeige->setNames(Store.NameA, Store.NameB);
        Grossanzeige->setReadouts(readouts);
    }
    FollowData();
    // The actions keys reach (Ctrl+Z, Reset, F11) follow every tick; the rest of the
    // menus is brought up to date when one opens.
    ShowKeyState(*this, KeyActions());
}
