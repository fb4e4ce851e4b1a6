// The menu bar and the actions it shares with the buttons, check boxes and the plot's menu;
// stopping and going on, taking a deletion or a load back, the table, big display and help
// windows, and the question on closing with unsaved work.
#include "ClassViewShare.h"
#include "TFormMain.h"

#include "AboutDialog.h"
#include "BigDisplay.h"
#include "Dialogs.h"
#include "FitOverlay.h"
#include "FormulaVariablesDialog.h"
#include "Journal.h"
#include "HelpWindow.h"
#include "MainCursors.h"
#include "MainRuns.h"
#include "MainSpectrum.h"
#include "PointTableModel.h"
#include "SignalDefinition.h"
#include "StoreTableSource.h"
#include "TComboBox.h"
#include "TableWindow.h"
#include "TPaintBox.h"

#include <QAction>
#include <QActionGroup>
#include <QByteArrayView>
#include <QCheckBox>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <algorithm>

using namespace kurvimat::acquisition;
using namespace kurvimat::analysis;
using namespace kurvimat::display;
using namespace kurvimat::signals;

namespace {

// A fit model as its menu entry shows it: the name, then the formula the readout shows too.
QString FitMenuText(const FitModelSpec& m) {
    return QCoreApplication::translate("FitModels", m.MenuName) + QStringLiteral("  ") +
           QString::fromUtf8(m.Formula);
}

// Of the first n stored points: their times, or their values with the definitions they were
// computed with.
std::size_t PointsHash(const MeasurementStore& s, int n, bool times) {
    n = std::clamp(n, 0, PointCapacity);
    const auto view = [n](const float* p) {
        return QByteArrayView(reinterpret_cast<const char*>(p),
                              static_cast<qsizetype>(n) * static_cast<qsizetype>(sizeof(float)));
    };
    if (times) return qHash(view(s.Data.T), static_cast<std::size_t>(n));
    const std::size_t h = qHash(view(s.Data.B), qHash(view(s.Data.A), static_cast<std::size_t>(n)));
    return qHash(s.Data.DefA + QLatin1Char('\n') + s.Data.DefB, h);
}

// The current data as saved: to tell whether they were saved as they are.
std::size_t DataSignature(const MeasurementStore& s) {
    return PointsHash(s, s.Data.Count, true) ^ (PointsHash(s, s.Data.Count, false) * 31);
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

// Space is "Stopp/Weiter", but a button or check box the user reached with Tab keeps it for
// itself; one that has the focus from a click or from the window's start leaves it.
class SpaceForKeyboardFocus : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            // Coming back to the window keeps what the focus was reached by.
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                watched->setProperty("keyboardFocus", reason == Qt::TabFocusReason ||
                                                          reason == Qt::BacktabFocusReason ||
                                                          reason == Qt::ShortcutFocusReason);
        }
        if (event->type() == QEvent::ShortcutOverride) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier &&
                watched->property("keyboardFocus").toBool())
                event->accept();
        }
        return false;
    }
};

} // namespace

int TFormMain::MenuBarHeight() const {
    const QMenuBar* bar = qobject_cast<const QMenuBar*>(menuWidget());
    if (!bar || bar->isNativeMenuBar() || bar->isHidden()) return 0;
    return bar->sizeHint().height();
}

void TFormMain::CreateMenus() {
    CreateActions();
    CreateFitActions();
    ShareWithButtons();

    QMenuBar* bar = menuBar();
    QMenu* datei = bar->addMenu(tr("&Datei"));
    datei->addAction(ActionVersuchOeffnen);
    datei->addMenu(MenuZuletzt);
    datei->addActions({ActionVersuchSpeichern, ActionVersuchSpeichernUnter});
    datei->addAction(ActionVerworfeneSitzungen);
    datei->addSeparator();
    datei->addActions({ActionDatenLaden, ActionDatenSpeichern, ActionSSLaden, ActionSSSpeichern});
    datei->addMenu(MenuBildSpeichern);
    datei->addAction(ActionDrucken);
    datei->addSeparator();
    ClassView = new ClassViewShare(*this, *session_, Runs);
    datei->addActions({ClassView->ShareAction(), ClassView->StopAction()});
    datei->addSeparator();
    datei->addAction(ActionBeenden);

    QMenu* bearbeiten = bar->addMenu(tr("&Bearbeiten"));
    bearbeiten->addAction(ActionRueckgaengig);
    bearbeiten->addSeparator();
    bearbeiten->addActions({ActionDatenKopieren, ActionDatenEinfuegen, ActionBildKopieren,
                            ActionMesswerteKopieren});
    bearbeiten->addSeparator();
    bearbeiten->addAction(ActionDatenLoeschen);

    QMenu* messen = bar->addMenu(tr("&Messen"));
    messen->addActions({ActionDauer, ActionAuto, ActionNormal, ActionEinzel});
    messen->addSeparator();
    messen->addActions({ActionTrigger, ActionReset, ActionStoppWeiter});
    messen->addSeparator();
    messen->addActions({ActionSchnappschuss, ActionMessreiheBehalten});
    messen->addSeparator();
    messen->addActions({ActionZeitcursor, ActionWertcursor});
    messen->addMenu(MenuAusgleichskurve);
    messen->addSeparator();
    messen->addAction(ActionSpektrum);

    QMenu* ansicht = bar->addMenu(tr("&Ansicht"));
    ansicht->addActions({ActionKanalAx, ActionKanalBx, ActionMinuten});
    ansicht->addSeparator();
    ansicht->addActions({ActionTabelle, ActionMessreihen, ActionGrossanzeige});
    ansicht->addSeparator();
    ansicht->addAction(ActionVollbild);

    QMenu* hilfe = bar->addMenu(tr("&Hilfe"));
    hilfe->addActions({ActionAnleitung, ActionFormelvariablen});
    hilfe->addSeparator();
    hilfe->addAction(ActionUeber);

    for (QMenu* menu : {datei, bearbeiten, messen, ansicht, hilfe})
        connect(menu, &QMenu::aboutToShow, this, &TFormMain::UpdateMenuActions);
    // The keys also work in full screen and while a menu bar lives outside the window.
    for (QAction* a : findChildren<QAction*>(Qt::FindDirectChildrenOnly))
        if (!a->shortcut().isEmpty()) addAction(a);

    LabelAngehalten = new QLabel(tr("Angehalten"), Paneloben);
    LabelAngehalten->setFont(Label2->font());
    QPalette red = LabelAngehalten->palette();
    red.setColor(QPalette::WindowText, QColor(247, 0, 0));
    LabelAngehalten->setPalette(red);
    LabelAngehalten->adjustSize();
    LabelAngehalten->move(Label2->pos());
    LabelAngehalten->hide();

    auto* space = new SpaceForKeyboardFocus(this);
    for (QAbstractButton* button : findChildren<QAbstractButton*>())
        button->installEventFilter(space);

    // The client area keeps its design size: the window grows by the menu bar.
    resize(width(), height() + MenuBarHeight());
    UpdateMenuActions();
}

void TFormMain::CreateActions() {
    const auto make = [this](const QString& text, const QKeySequence& key = {}) {
        auto* a = new QAction(text, this);
        a->setShortcut(key);
        return a;
    };
    ActionVersuchOeffnen = make(tr("Versuch &öffnen …"), QKeySequence(Qt::CTRL | Qt::Key_O));
    ActionVersuchSpeichern = make(tr("Versuch &speichern"), QKeySequence(Qt::CTRL | Qt::Key_S));
    ActionVersuchSpeichernUnter =
        make(tr("Versuch speichern &unter …"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    MenuZuletzt = new QMenu(tr("&Zuletzt geöffnet"), this);
    connect(MenuZuletzt, &QMenu::aboutToShow, this,
            [this] { Experiments->FillRecentMenu(*MenuZuletzt); });
    ActionDatenLaden = make(tr("Daten &laden …"));
    ActionDatenSpeichern = make(tr("&Daten speichern …"));
    ActionSSLaden = make(tr("Schnappschuss l&aden …"));
    ActionSSSpeichern = make(tr("Schnappschuss spei&chern …"));
    ActionDrucken = make(tr("Drucken …"), QKeySequence(Qt::CTRL | Qt::Key_P));
    ActionBeenden = make(tr("&Beenden"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(ActionDrucken, &QAction::triggered, this, [this] { ButtonDruckenClick(); });
    connect(ActionBeenden, &QAction::triggered, this, &QWidget::close);

    MenuBildSpeichern = new QMenu(tr("Bild speichern"), this);
    const std::pair<int, QString> sizes[] = {{1, tr("in Fenstergröße …")},
                                             {2, tr("doppelt so groß …")},
                                             {3, tr("dreimal so groß …")}};
    for (const auto& [scale, caption] : sizes)
        MenuBildSpeichern->addAction(caption, this, [this, scale = scale] { ButtonBildSpeichernClick(scale); });

    ActionRueckgaengig = make(tr("&Rückgängig"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    connect(ActionRueckgaengig, &QAction::triggered, this, &TFormMain::Undo);
    ActionDatenKopieren = make(tr("Daten &kopieren"));
    ActionDatenEinfuegen = make(tr("Daten &einfügen"));
    ActionBildKopieren = make(tr("Bild kopieren"));
    connect(ActionBildKopieren, &QAction::triggered, this, [this] { ButtonBildKopierenClick(); });
    // The key is the window's own shortcut (MainCursors), which yields to a text field's copy.
    ActionMesswerteKopieren = make(tr("Messwerte kopieren\tStrg+C"));
    connect(ActionMesswerteKopieren, &QAction::triggered, this, [this] { Measuring->CopyReadout(); });
    ActionDatenLoeschen = make(tr("Daten l&öschen"));

    ActionDauer = make(tr("Trigger &dauer"));
    ActionAuto = make(tr("Trigger &auto"));
    ActionNormal = make(tr("Trigger &normal"));
    ActionEinzel = make(tr("Trigger &einzel"));
    ActionTrigger = make(tr("&Trigger"));
    ActionReset = make(tr("&Reset"));
    ActionStoppWeiter = make(tr("&Stopp"), QKeySequence(Qt::Key_Space));
    connect(ActionStoppWeiter, &QAction::triggered, this, &TFormMain::StoppWeiter);
    ActionSchnappschuss = make(tr("Schnapps&chuss"));
    ActionMessreiheBehalten = make(tr("Messreihe &behalten"));
    connect(ActionMessreiheBehalten, &QAction::triggered, Runs, &MainRuns::KeepCurrent);
    connect(ActionVersuchOeffnen, &QAction::triggered, Experiments, &ExperimentFiles::OpenAsk);
    connect(ActionVersuchSpeichern, &QAction::triggered, Experiments, &ExperimentFiles::SaveAsk);
    connect(ActionVersuchSpeichernUnter, &QAction::triggered, Experiments,
            &ExperimentFiles::SaveAs);
    ActionVerworfeneSitzungen = make(tr("&Verworfene Sitzungen …"));
    connect(ActionVerworfeneSitzungen, &QAction::triggered, Experiments,
            &ExperimentFiles::RestoreDiscarded);

    ActionZeitcursor = make(tr("Zeitcursor t1, t2"));
    ActionZeitcursor->setCheckable(true);
    // Placed in the visible span when switched on, as from the plot's menu.
    connect(ActionZeitcursor, &QAction::triggered, this, [this](bool on) {
        const ScaleSet s = Scales();
        Cursors.setVerticalOn(on, s.Bottom->RangeStart, s.Bottom->RangeEnd);
        Measuring->Changed();
    });
    ActionWertcursor = make(tr("Wertcursor y1, y2"));
    ActionWertcursor->setCheckable(true);
    connect(ActionWertcursor, &QAction::triggered, this, [this](bool on) {
        const ScaleSet s = Scales();
        const Tscale& axis = Cursors.valueOnB(ReadDisplayControls().Mode()) ? s.B : s.A;
        Cursors.setHorizontalOn(on, axis.RangeStart, axis.RangeEnd);
        Measuring->Changed();
    });
    ActionSpektrum = make(tr("S&pektrum"));

    ActionKanalAx = make(tr("Kanal &A als x"));
    ActionKanalBx = make(tr("Kanal &B als x"));
    ActionMinuten = make(tr("Zeit in &min"));
    ActionTabelle = make(tr("&Tabelle"));
    connect(ActionTabelle, &QAction::triggered, this, &TFormMain::ShowTable);
    ActionMessreihen = make(tr("Mess&reihen …"));
    connect(ActionMessreihen, &QAction::triggered, Runs, [this] { Runs->ShowList(); });
    ActionGrossanzeige = make(tr("&Großanzeige"));
    connect(ActionGrossanzeige, &QAction::triggered, this, &TFormMain::ShowBigDisplay);
    ActionVollbild = make(tr("&Vollbild"), QKeySequence(Qt::Key_F11));
    ActionVollbild->setCheckable(true);
    connect(ActionVollbild, &QAction::triggered, this, [this](bool on) {
        setWindowState(on ? windowState() | Qt::WindowFullScreen
                          : windowState() & ~Qt::WindowFullScreen);
    });

    ActionAnleitung = make(tr("&Anleitung"), QKeySequence(Qt::Key_F1));
    connect(ActionAnleitung, &QAction::triggered, this, [this] { ShowGuide(QString()); });
    ActionFormelvariablen = make(tr("&Formelvariablen"));
    connect(ActionFormelvariablen, &QAction::triggered, this, [this] {
        auto* dialog = new FormulaVariablesDialog(this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &FormulaVariablesDialog::guideRequested, this, &TFormMain::ShowGuide);
        dialog->show();
    });
    ActionUeber = make(tr("Ü&ber Kurvimat"));
    connect(ActionUeber, &QAction::triggered, this, [this] {
        auto* dialog = new AboutDialog(this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
    });
}

// The fit entries of the plot's menu and of "Messen": one set of actions, their captions and
// states brought up to date before either menu shows them.
void TFormMain::CreateFitActions() {
    MenuFitA = new QMenu(this);
    MenuFitB = new QMenu(this);
    for (const bool channelB : {false, true})
        for (const FitModelSpec& m : FitModels) {
            if (!m.OverTime) continue;
            const FitModel model = m.Model;
            (channelB ? MenuFitB : MenuFitA)
                ->addAction(FitMenuText(m), this, [this, channelB, model] {
                    const auto [from, to] = Report->FitSpan();
                    Report->FitOnPlot(channelB, model, from, to);
                });
        }
    ActionFitGerade = new QAction(FitMenuText(*FindFitModel(FitModel::XYLinear)), this);
    connect(ActionFitGerade, &QAction::triggered, this, [this] {
        const auto [from, to] = Report->FitSpan();
        Report->FitOnPlot(false, FitModel::XYLinear, from, to);
    });
    ActionFitEntfernen = new QAction(tr("Ausgleichskurve entfernen"), this);
    connect(ActionFitEntfernen, &QAction::triggered, this, [this] { Report->RemoveFit(); });

    MenuAusgleichskurve = new QMenu(tr("Ausgleichs&kurve"), this);
    connect(MenuAusgleichskurve, &QMenu::aboutToShow, this, [this] {
        UpdateMenuActions();
        MenuAusgleichskurve->clear();
        if (ReadDisplayControls().Mode() == PlotMode::Normal) {
            MenuAusgleichskurve->addActions({MenuFitA->menuAction(), MenuFitB->menuAction()});
            AddRunFitMenus(*MenuAusgleichskurve);
        } else
            MenuAusgleichskurve->addAction(ActionFitGerade);
        if (ShownFit) MenuAusgleichskurve->addAction(ActionFitEntfernen);
    });
}

void TFormMain::AddRunFitMenus(QMenu& menu) {
    // Made afresh each time the menu opens: those of the last time go with their actions.
    const QString made = QStringLiteral("runFits");
    for (QMenu* old : menu.findChildren<QMenu*>(made, Qt::FindDirectChildrenOnly))
        old->deleteLater();
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
                        const auto [from, to] = Report->FitSpan();
                        Report->FitRunOnPlot(id, channelB, model, from, to);
                    });
            fits->setEnabled(points->Count > 0);
            menu.addMenu(fits);
        }
    }
}

// An action with a button or check box runs it: a click is the one way in, whoever clicks.
void TFormMain::ShareWithButtons() {
    const std::pair<QAction*, QPushButton*> buttons[] = {
        {ActionDatenLaden, ButtonDatenLaden},     {ActionDatenSpeichern, ButtonDatenSpeichern},
        {ActionSSLaden, ButtonSSladen},            {ActionSSSpeichern, ButtonSSspeichern},
        {ActionDatenKopieren, ButtonDatenKopieren}, {ActionDatenEinfuegen, ButtonDatenEinfuegen},
        {ActionDatenLoeschen, ButtonDatenLoeschen}, {ActionTrigger, ButtonTrigger},
        {ActionReset, ButtonReset},                {ActionSchnappschuss, ButtonSchnappschuss}};
    for (const auto& [action, button] : buttons)
        connect(action, &QAction::triggered, button, &QPushButton::click);

    const std::pair<QAction*, QAbstractButton*> checks[] = {
        {ActionDauer, RadioButtonDauer},   {ActionAuto, RadioButtonAuto},
        {ActionNormal, RadioButtonNormal}, {ActionEinzel, RadioButtonEinzel},
        {ActionKanalBx, CheckBoxBXY},      {ActionKanalAx, CheckBoxAXY},
        {ActionMinuten, CheckBoxMinuten},  {ActionSpektrum, CheckBoxSpektrum}};
    auto* modes = new QActionGroup(this);
    for (const auto& [action, box] : checks) {
        action->setCheckable(true);
        if (qobject_cast<QRadioButton*>(box)) modes->addAction(action);
        connect(action, &QAction::triggered, box, [this, action = action, box = box] {
            box->click();
            // A radio button already chosen stays chosen; the xy boxes may clear each other.
            UpdateMenuActions();
        });
        connect(box, &QAbstractButton::toggled, action, &QAction::setChecked);
    }
}

void TFormMain::UpdateMenuActions() {
    const PlotMode mode = ReadDisplayControls().Mode();
    const bool normal = mode == PlotMode::Normal;
    const bool spectrum = Spectrum && Spectrum->Shown();
    const std::pair<QAction*, QAbstractButton*> checks[] = {
        {ActionDauer, RadioButtonDauer},   {ActionAuto, RadioButtonAuto},
        {ActionNormal, RadioButtonNormal}, {ActionEinzel, RadioButtonEinzel},
        {ActionKanalBx, CheckBoxBXY},      {ActionKanalAx, CheckBoxAXY},
        {ActionMinuten, CheckBoxMinuten},  {ActionSpektrum, CheckBoxSpektrum}};
    for (const auto& [action, box] : checks)
        action->setChecked(box->isChecked());

    ActionZeitcursor->setText(normal ? tr("Zeitcursor t1, t2") : tr("x-Cursor x1, x2"));
    ActionWertcursor->setText(normal ? tr("Wertcursor y1, y2") : tr("y-Cursor y1, y2"));
    ActionZeitcursor->setChecked(Cursors.VerticalOn);
    ActionWertcursor->setChecked(Cursors.HorizontalOn);
    // The cursors wait in the time plot while the spectrum shows.
    ActionZeitcursor->setEnabled(!spectrum);
    ActionWertcursor->setEnabled(!spectrum);
    ActionMesswerteKopieren->setEnabled(Cursors.VerticalOn || Cursors.HorizontalOn || spectrum);

    const bool haveData = Store.Data.Count > 0;
    for (const bool channelB : {false, true}) {
        QMenu* fits = channelB ? MenuFitB : MenuFitA;
        fits->setTitle(tr("Ausgleichskurve %1 (%2)")
                           .arg(channelB ? QStringLiteral("B") : QStringLiteral("A"),
                                StoredPointsParts(Store, channelB).name));
        fits->setEnabled(haveData && (!channelB || Store.Data.HasB)); // loaded without B
    }
    ActionFitGerade->setEnabled(haveData && Store.Data.HasB);
    MenuAusgleichskurve->menuAction()->setEnabled(!ReadDisplayControls().Spektrum);

    // What Ctrl+Z takes back.
    const bool zoomBack = CanZoomBack();
    using kurvimat::session::UndoStep;
    const std::optional<UndoStep> step = session_->undoStep();
    ActionRueckgaengig->setText(
        step ? tr("&Rückgängig: %1")
                   .arg(*step == UndoStep::DeleteData ? tr("Daten löschen")
                        : *step == UndoStep::PasteData ? tr("Daten einfügen")
                                                       : tr("Daten laden"))
        : zoomBack ? tr("&Rückgängig: Zoom")
                   : tr("&Rückgängig"));
    UpdateKeyActions();
}

bool TFormMain::CanZoomBack() {
    const ZoomHistory& zooms = Spectrum && Spectrum->Shown() ? Spectrum->History() : RangeHistory;
    return zooms.hasEarlier(CaptureRanges(PlotScales()));
}

void TFormMain::UpdateKeyActions() {
    ActionReset->setEnabled(session_->trigger().resetEnabled);
    // F11 toggles from this check: it follows the window also when the window manager left
    // full screen.
    ActionVollbild->setChecked(isFullScreen());
    ActionRueckgaengig->setEnabled(session_->undoStep() || CanZoomBack());
}

void TFormMain::StoppWeiter() {
    session_->setHeld(!session_->held());
    const bool held = session_->held();
    ActionStoppWeiter->setText(held ? tr("&Weiter") : tr("&Stopp"));
    LabelAngehalten->setVisible(held);
    Label2->setVisible(!held);
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
        if (Store.Data.Loaded) {
            TitleLoadedAxes();
            return;
        }
        // Recorded points: under the definitions in force, named by them.
        if (AxesNameLoadedPoints) {
            ScaleA.Title = SignalTitle(Store.NameA, Store.UnitA);
            ScaleB.Title = SignalTitle(Store.NameB, Store.UnitB);
            AxesNameLoadedPoints = false;
        }
        if (Store.Data.DefA != Store.AppliedDefA) ApplySignalA(true);
        if (Store.Data.DefB != Store.AppliedDefB) ApplySignalB(true);
    });
}

std::size_t TFormMain::CurrentDataSignature() const {
    return DataSignature(Store);
}

void TFormMain::ShowTable() {
    if (!Tabelle) {
        Tabelle = OwnWindow(new TableWindow(this), *this, {560, 520});
        Tabelle->setObjectName(QStringLiteral("Tabelle"));
        TableOwner.reset(Tabelle);
        Tabelle->setWindowTitle(tr("Tabelle – Kurvimat"));
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
        ReadDisplayControls().Mode() == PlotMode::Normal)
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

void TFormMain::ShowGuide(const QString& anchor) {
    if (!Anleitung) {
        Anleitung = OwnWindow(new HelpWindow(this), *this, {700, 640});
        Anleitung->setObjectName(QStringLiteral("Anleitung"));
    }
    Anleitung->showAnchor(anchor);
}

void TFormMain::AfterReadoutTick(const Readouts& readouts) {
    if (Grossanzeige && Grossanzeige->isVisible()) {
        Grossanzeige->setNames(Store.NameA, Store.NameB);
        Grossanzeige->setReadouts(readouts);
    }
    FollowData();
    // The actions keys reach (Ctrl+Z, Reset, F11) follow every tick; the rest of the
    // menus is brought up to date when one opens.
    UpdateKeyActions();
}
