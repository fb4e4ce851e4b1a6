// The menu bar and the actions it shares with the buttons, check boxes and the plot's menu, as
// the window's controls: their captions, keys and places, and their states as the window gives
// them. What an action does is the window's: it connects them.
#include "window/MainActions.h"

#include "widgets/MainControls.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <array>

using namespace kurvimat::analysis;
using namespace kurvimat::display;

namespace {

// The menus' texts are this file's own translation context.
struct MainActions {
    Q_DECLARE_TR_FUNCTIONS(MainActions)
};

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

// The checkable actions and the radio buttons and check boxes they stand for.
std::array<std::pair<QAction*, QAbstractButton*>, 8> CheckedActions(const MainControls& c) {
    return {{{c.ActionDauer, c.RadioButtonDauer},
             {c.ActionAuto, c.RadioButtonAuto},
             {c.ActionNormal, c.RadioButtonNormal},
             {c.ActionEinzel, c.RadioButtonEinzel},
             {c.ActionKanalBx, c.CheckBoxBXY},
             {c.ActionKanalAx, c.CheckBoxAXY},
             {c.ActionMinuten, c.CheckBoxMinuten},
             {c.ActionSpektrum, c.CheckBoxSpektrum}}};
}

} // namespace

QString FitMenuText(const FitModelSpec& m) {
    return QCoreApplication::translate("FitModels", m.MenuName) + QStringLiteral("  ") +
           QString::fromUtf8(m.Formula);
}

void CreateActions(MainControls& c, QWidget& owner,
                   const std::function<void(int scale)>& savePicture) {
    const auto make = [&owner](const QString& text, const QKeySequence& key = {}) {
        auto* a = new QAction(text, &owner);
        a->setShortcut(key);
        return a;
    };
    c.ActionVersuchOeffnen =
        make(MainActions::tr("Versuch &öffnen …"), QKeySequence(Qt::CTRL | Qt::Key_O));
    c.ActionVersuchSpeichern =
        make(MainActions::tr("Versuch &speichern"), QKeySequence(Qt::CTRL | Qt::Key_S));
    c.ActionVersuchSpeichernUnter = make(MainActions::tr("Versuch speichern &unter …"),
                                         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    c.MenuZuletzt = new QMenu(MainActions::tr("&Zuletzt geöffnet"), &owner);
    c.ActionDatenLaden = make(MainActions::tr("Daten &laden …"));
    c.ActionDatenSpeichern = make(MainActions::tr("&Daten speichern …"));
    c.ActionSSLaden = make(MainActions::tr("Schnappschuss l&aden …"));
    c.ActionSSSpeichern = make(MainActions::tr("Schnappschuss spei&chern …"));
    c.ActionDrucken = make(MainActions::tr("Drucken …"), QKeySequence(Qt::CTRL | Qt::Key_P));
    c.ActionBeenden = make(MainActions::tr("&Beenden"), QKeySequence(Qt::CTRL | Qt::Key_Q));

    c.MenuBildSpeichern = new QMenu(MainActions::tr("Bild speichern"), &owner);
    const std::pair<int, QString> sizes[] = {{1, MainActions::tr("in Fenstergröße …")},
                                             {2, MainActions::tr("doppelt so groß …")},
                                             {3, MainActions::tr("dreimal so groß …")}};
    for (const auto& [scale, caption] : sizes)
        c.MenuBildSpeichern->addAction(caption, &owner,
                                       [savePicture, scale = scale] { savePicture(scale); });

    c.ActionRueckgaengig = make(MainActions::tr("&Rückgängig"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    c.ActionDatenKopieren = make(MainActions::tr("Daten &kopieren"));
    c.ActionDatenEinfuegen = make(MainActions::tr("Daten &einfügen"));
    c.ActionBildKopieren = make(MainActions::tr("Bild kopieren"));
    // The key is the window's own shortcut (MainCursors), which yields to a text field's copy.
    c.ActionMesswerteKopieren = make(MainActions::tr("Messwerte kopieren\tStrg+C"));
    c.ActionDatenLoeschen = make(MainActions::tr("Daten l&öschen"));

    c.ActionDauer = make(MainActions::tr("Trigger &dauer"));
    c.ActionAuto = make(MainActions::tr("Trigger &auto"));
    c.ActionNormal = make(MainActions::tr("Trigger &normal"));
    c.ActionEinzel = make(MainActions::tr("Trigger &einzel"));
    c.ActionTrigger = make(MainActions::tr("&Trigger"));
    c.ActionReset = make(MainActions::tr("&Reset"));
    c.ActionStoppWeiter = make(MainActions::tr("&Stopp"), QKeySequence(Qt::Key_Space));
    c.ActionSchnappschuss = make(MainActions::tr("Schnapps&chuss"));
    c.ActionMessreiheBehalten = make(MainActions::tr("Messreihe &behalten"));
    c.ActionNeueWertetabelle = make(MainActions::tr("Neue &Wertetabelle …"));
    c.ActionWerteBearbeiten = make(MainActions::tr("Werte &bearbeiten …"));
    c.ActionNeueGroesse = make(MainActions::tr("Neue &Größe …"));
    c.ActionGroessen = make(MainActions::tr("Grö&ßen …"));
    c.ActionVerworfeneSitzungen = make(MainActions::tr("&Verworfene Sitzungen …"));

    c.ActionZeitcursor = make(MainActions::tr("Zeitcursor t1, t2"));
    c.ActionZeitcursor->setCheckable(true);
    c.ActionWertcursor = make(MainActions::tr("Wertcursor y1, y2"));
    c.ActionWertcursor->setCheckable(true);
    c.ActionTangente =
        make(MainActions::tr("&Tangente am Zeitcursor"), QKeySequence(Qt::CTRL | Qt::Key_T));
    c.ActionTangente->setCheckable(true);
    c.ActionSpektrum = make(MainActions::tr("S&pektrum"));

    c.ActionKanalAx = make(MainActions::tr("Kanal &A als x"));
    c.ActionKanalBx = make(MainActions::tr("Kanal &B als x"));
    c.ActionMinuten = make(MainActions::tr("Zeit in &min"));
    c.ActionTabelle = make(MainActions::tr("&Tabelle"));
    c.ActionMessreihen = make(MainActions::tr("Mess&reihen …"));
    c.ActionGrossanzeige = make(MainActions::tr("&Großanzeige"));
    c.ActionVollbild = make(MainActions::tr("&Vollbild"), QKeySequence(Qt::Key_F11));
    c.ActionVollbild->setCheckable(true);
    c.ActionTitel = make(MainActions::tr("T&itel …"));
    c.ActionNotiz = make(MainActions::tr("&Notiz hinzufügen …"));
    c.MenuRechteAchse = new QMenu(MainActions::tr("&Rechte Achse"), &owner);
    c.ActionAchsen = make(MainActions::tr("Größen als A&chsen …"));

    c.ActionAnleitung = make(MainActions::tr("&Anleitung"), QKeySequence(Qt::Key_F1));
    c.ActionFormelvariablen = make(MainActions::tr("&Formelvariablen"));
    c.ActionUeber = make(MainActions::tr("Ü&ber Kurvimat"));
}

void CreateFitActions(MainControls& c, QWidget& owner,
                      const std::function<void(bool channelB, FitModel model)>& fit) {
    c.MenuFitA = new QMenu(&owner);
    c.MenuFitB = new QMenu(&owner);
    for (const bool channelB : {false, true})
        for (const FitModelSpec& m : FitModels) {
            if (!m.OverTime) continue;
            (channelB ? c.MenuFitB : c.MenuFitA)
                ->addAction(FitMenuText(m), &owner,
                            [fit, channelB, model = m.Model] { fit(channelB, model); });
        }
    c.ActionFitGerade = new QAction(FitMenuText(*FindFitModel(FitModel::XYLinear)), &owner);
    c.ActionFitParabel = new QAction(FitMenuText(*FindFitModel(FitModel::XYQuadratic)), &owner);
    c.ActionFitEigene = new QAction(FitMenuText(*FindFitModel(FitModel::User)), &owner);
    c.ActionFitEntfernen = new QAction(MainActions::tr("Ausgleichskurve entfernen"), &owner);
    c.MenuAusgleichskurve = new QMenu(MainActions::tr("Ausgleichs&kurve"), &owner);
}

void ShareWithButtons(MainControls& c, QObject& owner, const std::function<void()>& clicked) {
    const std::pair<QAction*, QPushButton*> buttons[] = {
        {c.ActionDatenLaden, c.ButtonDatenLaden},
        {c.ActionDatenSpeichern, c.ButtonDatenSpeichern},
        {c.ActionSSLaden, c.ButtonSSLaden},
        {c.ActionSSSpeichern, c.ButtonSSspeichern},
        {c.ActionDatenKopieren, c.ButtonDatenKopieren},
        {c.ActionDatenEinfuegen, c.ButtonDatenEinfuegen},
        {c.ActionDatenLoeschen, c.ButtonDatenLoeschen},
        {c.ActionTrigger, c.ButtonTrigger},
        {c.ActionReset, c.ButtonReset},
        {c.ActionSchnappschuss, c.ButtonSchnappschuss}};
    for (const auto& [action, button] : buttons)
        QObject::connect(action, &QAction::triggered, button, &QPushButton::click);

    auto* modes = new QActionGroup(&owner);
    for (const auto& [action, box] : CheckedActions(c)) {
        action->setCheckable(true);
        if (qobject_cast<QRadioButton*>(box)) modes->addAction(action);
        QObject::connect(action, &QAction::triggered, box, [clicked, box = box] {
            box->click();
            // A radio button already chosen stays chosen; the xy boxes may clear each other.
            clicked();
        });
        QObject::connect(box, &QAbstractButton::toggled, action, &QAction::setChecked);
    }
}

QList<QMenu*> BuildMenuBar(QMainWindow& window, MainControls& c, const QList<QAction*>& classView) {
    QMenuBar* bar = window.menuBar();
    QMenu* datei = bar->addMenu(MainActions::tr("&Datei"));
    datei->addAction(c.ActionVersuchOeffnen);
    datei->addMenu(c.MenuZuletzt);
    datei->addActions({c.ActionVersuchSpeichern, c.ActionVersuchSpeichernUnter});
    datei->addAction(c.ActionVerworfeneSitzungen);
    datei->addSeparator();
    datei->addActions(
        {c.ActionDatenLaden, c.ActionDatenSpeichern, c.ActionSSLaden, c.ActionSSSpeichern});
    datei->addMenu(c.MenuBildSpeichern);
    datei->addAction(c.ActionDrucken);
    datei->addSeparator();
    datei->addActions(classView);
    datei->addSeparator();
    datei->addAction(c.ActionBeenden);

    QMenu* bearbeiten = bar->addMenu(MainActions::tr("&Bearbeiten"));
    bearbeiten->addAction(c.ActionRueckgaengig);
    bearbeiten->addSeparator();
    bearbeiten->addActions({c.ActionDatenKopieren, c.ActionDatenEinfuegen, c.ActionBildKopieren,
                            c.ActionMesswerteKopieren});
    bearbeiten->addSeparator();
    bearbeiten->addAction(c.ActionDatenLoeschen);

    QMenu* messen = bar->addMenu(MainActions::tr("&Messen"));
    messen->addActions({c.ActionDauer, c.ActionAuto, c.ActionNormal, c.ActionEinzel});
    messen->addSeparator();
    messen->addActions({c.ActionTrigger, c.ActionReset, c.ActionStoppWeiter});
    messen->addSeparator();
    messen->addActions({c.ActionSchnappschuss, c.ActionMessreiheBehalten});
    messen->addSeparator();
    messen->addActions({c.ActionNeueWertetabelle, c.ActionWerteBearbeiten});
    messen->addActions({c.ActionNeueGroesse, c.ActionGroessen});
    messen->addSeparator();
    messen->addActions({c.ActionZeitcursor, c.ActionWertcursor, c.ActionTangente});
    messen->addMenu(c.MenuAusgleichskurve);
    messen->addSeparator();
    messen->addAction(c.ActionSpektrum);

    QMenu* ansicht = bar->addMenu(MainActions::tr("&Ansicht"));
    ansicht->addActions({c.ActionKanalAx, c.ActionKanalBx, c.ActionMinuten});
    ansicht->addMenu(c.MenuRechteAchse);
    ansicht->addAction(c.ActionAchsen);
    ansicht->addSeparator();
    ansicht->addActions({c.ActionTabelle, c.ActionMessreihen, c.ActionGrossanzeige});
    ansicht->addSeparator();
    ansicht->addActions({c.ActionTitel, c.ActionNotiz});
    ansicht->addSeparator();
    ansicht->addAction(c.ActionVollbild);

    QMenu* hilfe = bar->addMenu(MainActions::tr("&Hilfe"));
    hilfe->addActions({c.ActionAnleitung, c.ActionFormelvariablen});
    hilfe->addSeparator();
    hilfe->addAction(c.ActionUeber);

    // The keys also work in full screen and while a menu bar lives outside the window.
    for (QAction* a : window.findChildren<QAction*>(Qt::FindDirectChildrenOnly))
        if (!a->shortcut().isEmpty()) window.addAction(a);

    c.LabelAngehalten = new QLabel(MainActions::tr("Angehalten"), c.Paneloben);
    c.LabelAngehalten->setFont(c.LabelOszilloskop->font());
    QPalette red = c.LabelAngehalten->palette();
    red.setColor(QPalette::WindowText, QColor(247, 0, 0));
    c.LabelAngehalten->setPalette(red);
    c.LabelAngehalten->adjustSize();
    c.LabelAngehalten->move(c.LabelOszilloskop->pos());
    c.LabelAngehalten->hide();

    auto* space = new SpaceForKeyboardFocus(&window);
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>())
        button->installEventFilter(space);
    return {datei, bearbeiten, messen, ansicht, hilfe};
}

void ShowMenuState(MainControls& c, const MenuActionState& state) {
    // The cursors' captions are the time plot's, where they wait.
    const bool quantities = state.mode == PlotMode::Quantities; // its own cursors over x
    const bool normal = TimePlotMode(state.mode) == PlotMode::Normal && !quantities;
    const bool own = OwnPoints(state.mode);
    for (const auto& [action, box] : CheckedActions(c))
        action->setChecked(box->isChecked());

    c.ActionZeitcursor->setText(normal ? MainActions::tr("Zeitcursor t1, t2")
                                       : MainActions::tr("x-Cursor x1, x2"));
    c.ActionWertcursor->setText(normal ? MainActions::tr("Wertcursor y1, y2")
                                       : MainActions::tr("y-Cursor y1, y2"));
    c.ActionZeitcursor->setChecked(state.timeCursors);
    c.ActionWertcursor->setChecked(state.valueCursors);
    // The cursors wait in the time plot while a mode of its own points shows (its readout is
    // copied instead).
    c.ActionZeitcursor->setEnabled(!own || quantities);
    c.ActionWertcursor->setEnabled(!own || quantities);
    // A tangent leans over time: none in the XY modes.
    c.ActionTangente->setChecked(state.tangent);
    c.ActionTangente->setEnabled(!own && normal);
    c.ActionMesswerteKopieren->setEnabled(state.timeCursors || state.valueCursors || own);

    for (const bool channelB : {false, true}) {
        QMenu* fits = channelB ? c.MenuFitB : c.MenuFitA;
        fits->setTitle(MainActions::tr("Ausgleichskurve %1 (%2)")
                           .arg(channelB ? QStringLiteral("B") : QStringLiteral("A"),
                                channelB ? state.nameB : state.nameA));
        fits->setEnabled(state.haveData && (!channelB || state.hasB)); // loaded without B
    }
    for (QAction* xy : {c.ActionFitGerade, c.ActionFitParabel, c.ActionFitEigene})
        xy->setEnabled(state.haveData && state.hasB);
    // Fits are of the stored points, or of the quantities shown over a quantity.
    c.MenuAusgleichskurve->menuAction()->setEnabled(!own || state.mode == PlotMode::Quantities);
    c.ActionWerteBearbeiten->setEnabled(state.entered);

    // What Ctrl+Z takes back.
    using kurvimat::session::UndoStep;
    const std::optional<UndoStep>& step = state.keys.undo;
    c.ActionRueckgaengig->setText(
        step ? MainActions::tr("&Rückgängig: %1")
                   .arg(*step == UndoStep::DeleteData         ? MainActions::tr("Daten löschen")
                        : *step == UndoStep::PasteData        ? MainActions::tr("Daten einfügen")
                        : *step == UndoStep::ChangeQuantities ? MainActions::tr("Größen ändern")
                        : *step == UndoStep::ChangeNotes      ? MainActions::tr("Notizen ändern")
                        : *step == UndoStep::EnterValues      ? MainActions::tr("Werte eingeben")
                        : *step == UndoStep::EditValues       ? MainActions::tr("Werte bearbeiten")
                                                              : MainActions::tr("Daten laden"))
        : state.keys.zoomBack ? MainActions::tr("&Rückgängig: Zoom")
                              : MainActions::tr("&Rückgängig"));
    ShowKeyState(c, state.keys);
}

void ShowKeyState(MainControls& c, const KeyActionState& state) {
    c.ActionReset->setEnabled(state.resetEnabled);
    // F11 toggles from this check: it follows the window also when the window manager left
    // full screen.
    c.ActionVollbild->setChecked(state.fullScreen);
    c.ActionRueckgaengig->setEnabled(state.undo || state.zoomBack);
}
