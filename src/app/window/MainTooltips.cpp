// What each control does, said where the pointer rests: the controls are named after their
// members, the tooltips are one table by those names. Also the hints a control gives by itself:
// a signal line edited but not yet applied, and drop-down lists as wide as their entries.
#include "window/MainTooltips.h"

#include "help/GuideText.h"
#include "plot/MainCursors.h"
#include "plot/ReadoutBox.h"
#include "widgets/InputTint.h"
#include "widgets/MainControls.h"
#include "widgets/TComboBox.h"
#include "widgets/TPaintBox.h"

#include <QCoreApplication>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

namespace {
// The tooltips are this file's own translation context.
struct MainTooltips {
    Q_DECLARE_TR_FUNCTIONS(MainTooltips)
};
} // namespace

void NameControls(MainControls& c) {
#define NAMED(member) std::pair<const char*, QObject*>(#member, c.member)
    const std::pair<const char*, QObject*> controls[] = {
        NAMED(PanellinksPuffer), NAMED(PanelSignale), NAMED(ScrollBarSignale),
        NAMED(LabelUeberschr), NAMED(LabelOszilloskop), NAMED(LabelDataLoss), NAMED(PaintBoxRoh),
        NAMED(PaintBoxMittel), NAMED(LabelSamplingrate), NAMED(ComboBoxSamplingRate),
        NAMED(LabelSamples), NAMED(ComboBoxSamples), NAMED(LabelHardware), NAMED(ButtonHardware),
        NAMED(LabelUAmax), NAMED(LabelUBmax), NAMED(LabelUBmin), NAMED(LabelUAmin),
        NAMED(ShapeUmax), NAMED(ShapeUmin), NAMED(MemoExchange), NAMED(ButtonBearbeiten),
        NAMED(CheckBoxAXY), NAMED(CheckBoxBXY), NAMED(CheckBoxSpektrum), NAMED(CheckBoxMinuten),
        NAMED(LabelXY), NAMED(LabelKlammer), NAMED(ImageSchnappschuss), NAMED(ButtonSchnappschuss),
        NAMED(CheckBoxSchnappschuss), NAMED(ShapeAnalysis), NAMED(ButtonAnalyse), NAMED(LabelAngehalten),
        NAMED(ActionVersuchOeffnen), NAMED(ActionVersuchSpeichern),
        NAMED(ActionVersuchSpeichernUnter), NAMED(MenuZuletzt),
        NAMED(ActionVerworfeneSitzungen),
        NAMED(ActionMessreiheBehalten), NAMED(ActionMessreihen), NAMED(ActionDatenLaden),
        NAMED(ActionDatenSpeichern), NAMED(ActionSSLaden), NAMED(ActionSSSpeichern),
        NAMED(MenuBildSpeichern), NAMED(ActionDrucken), NAMED(ActionBeenden),
        NAMED(ActionRueckgaengig), NAMED(ActionDatenKopieren), NAMED(ActionDatenEinfuegen),
        NAMED(ActionBildKopieren), NAMED(ActionMesswerteKopieren), NAMED(ActionDatenLoeschen),
        NAMED(ActionDauer), NAMED(ActionAuto), NAMED(ActionNormal), NAMED(ActionEinzel),
        NAMED(ActionTrigger), NAMED(ActionReset), NAMED(ActionStoppWeiter),
        NAMED(ActionSchnappschuss), NAMED(ActionZeitcursor), NAMED(ActionWertcursor),
        NAMED(ActionTangente), NAMED(ActionNeueWertetabelle), NAMED(ActionWerteBearbeiten),
        NAMED(ActionNeueGroesse), NAMED(ActionGroessen), NAMED(ActionTitel),
        NAMED(ActionNotiz), NAMED(MenuRechteAchse), NAMED(ActionAchsen),
        NAMED(MenuAusgleichskurve), NAMED(MenuFitA), NAMED(MenuFitB), NAMED(ActionFitGerade),
        NAMED(ActionFitParabel), NAMED(ActionFitEigene),
        NAMED(ActionFitEntfernen), NAMED(ActionSpektrum), NAMED(ActionKanalBx),
        NAMED(ActionKanalAx), NAMED(ActionMinuten), NAMED(ActionTabelle),
        NAMED(ActionGrossanzeige), NAMED(ActionVollbild), NAMED(ActionAnleitung),
        NAMED(ActionFormelvariablen), NAMED(ActionUeber)};
#undef NAMED
    for (const auto& [name, object] : controls)
        object->setObjectName(QString::fromLatin1(name));
}

void ApplyTooltips(QWidget& window, MainControls& controls, QWidget& readout) {
    NameControls(controls);
    readout.setObjectName(QStringLiteral("LabelMesswerte"));
    QStringList variables;
    for (const FormulaVariable& v : FormulaVariables())
        variables << v.name + QStringLiteral(" – ") + v.meaning;
    const QString formula =
        MainTooltips::tr("Berechnungsterm des Signals aus den Variablen; mit Enter übernehmen. "
                      "Hilfe ▸ Formelvariablen erklärt mehr.") +
        QStringLiteral("\n") + variables.join(QLatin1Char('\n'));
    const QString autoScale = MainTooltips::tr("Skala automatisch erweitern, sobald Messwerte darüber "
                                            "hinausgehen (an/aus).");
    const QString fullScale = MainTooltips::tr("Skala einmal an alle Messwerte anpassen.");
    const std::pair<const char*, QString> tips[] = {
        {"PaintBoxRoh",
         MainTooltips::tr("Die Rohwerte der letzten Sekunden, wie das Gerät sie liefert.")},
        {"ButtonTrigger",
         MainTooltips::tr("Startet sofort eine Messung, ohne auf die Triggerbedingung zu "
                       "warten (Messen ▸ Trigger).")},
        {"ButtonTriggerChannel",
         MainTooltips::tr("Der Kanal, dessen Signal die Messung auslöst; ein Klick "
                       "wechselt zwischen A und B.")},
        {"ButtonTriggerRichtung",
         MainTooltips::tr("Auslösen bei steigendem (+) oder fallendem (-) Signal; "
                       "ein Klick wechselt.")},
        {"RadioButtonDauer",
         MainTooltips::tr("dauer: eine Messung nach der anderen, ohne auf den Trigger zu "
                       "warten (Messen ▸ Trigger dauer).")},
        {"RadioButtonAuto",
         MainTooltips::tr("auto: misst beim Trigger; kommt keiner, nach einer Messdauer auch "
                       "ohne ihn (Messen ▸ Trigger auto).")},
        {"RadioButtonNormal",
         MainTooltips::tr("normal: misst nur, wenn das Signal die Triggerschwelle in der "
                       "gewählten Richtung kreuzt (Messen ▸ Trigger normal).")},
        {"RadioButtonEinzel",
         MainTooltips::tr("einzel: genau eine Messung beim nächsten Trigger; „Reset“ "
                       "macht für die nächste bereit (Messen ▸ Trigger einzel).")},
        {"ButtonReset",
         MainTooltips::tr("Bricht eine laufende Messung ab und wartet wieder auf den Trigger; "
                       "im Modus einzel: bereit für die nächste Messung.")},
        {"PaintBoxMittel", MainTooltips::tr("Der Verlauf der Messpunkte; ein Klick oder Ziehen setzt "
                                         "Triggerschwelle und Vorlauf.")},
        {"ComboBoxSamplingRate",
         MainTooltips::tr("Die Zeit zwischen zwei Messpunkten; jeder Punkt ist der "
                       "Mittelwert dieser Zeit.")},
        {"ComboBoxSamples", MainTooltips::tr("Wie viele Messpunkte eine Messung hat.")},
        {"ButtonHardware",
         MainTooltips::tr("Einstellungen des angeschlossenen Geräts (Eingangsbereiche).")},
        {"ShapeUmax", MainTooltips::tr("Obere Grenze des Eingangsbereichs.")},
        {"ShapeUmin", MainTooltips::tr("Untere Grenze des Eingangsbereichs.")},
        {"ComboBoxA", MainTooltips::tr("Das Signal von Kanal A: einen Eintrag wählen oder eine Zeile "
                                    "„Name (Einheit): Term“ eingeben und mit Enter übernehmen.")},
        {"ComboBoxB", MainTooltips::tr("Das Signal von Kanal B: einen Eintrag wählen oder eine Zeile "
                                    "„Name (Einheit): Term“ eingeben und mit Enter übernehmen.")},
        {"EditSignalA", MainTooltips::tr("Der Name des Signals A; mit Enter übernehmen.")},
        {"EditSignalB", MainTooltips::tr("Der Name des Signals B; mit Enter übernehmen.")},
        {"EditEinheitA", MainTooltips::tr("Die Einheit des Signals A; mit Enter übernehmen.")},
        {"EditEinheitB", MainTooltips::tr("Die Einheit des Signals B; mit Enter übernehmen.")},
        {"EditFormelA", formula},
        {"EditFormelB", formula},
        {"EditSkalaAmin", MainTooltips::tr("Der kleinste Wert der Skala A; mit Enter übernehmen.")},
        {"EditSkalaAmax", MainTooltips::tr("Der größte Wert der Skala A; mit Enter übernehmen.")},
        {"EditSkalaBmin", MainTooltips::tr("Der kleinste Wert der Skala B; mit Enter übernehmen.")},
        {"EditSkalaBmax", MainTooltips::tr("Der größte Wert der Skala B; mit Enter übernehmen.")},
        {"CheckBoxKanalA", MainTooltips::tr("Kanal A im Diagramm zeigen.")},
        {"CheckBoxKanalB", MainTooltips::tr("Kanal B im Diagramm zeigen.")},
        {"CheckBoxSkalaAauto",
         MainTooltips::tr("Skala A beim Übernehmen aus dem Wertebereich des Signals "
                       "bestimmen.")},
        {"CheckBoxSkalaBauto",
         MainTooltips::tr("Skala B beim Übernehmen aus dem Wertebereich des Signals "
                       "bestimmen.")},
        {"PaintBoxData",
         MainTooltips::tr("Das Diagramm: Ziehen oder Mausrad zoomt, Doppelklick passt an, "
                       "Rücktaste zoomt zurück; rechte Maustaste: Cursor, Bild, "
                       "Ausgleichskurve.")},
        {"ImageLinksAuto", autoScale},
        {"ImageLinksAutoOff", autoScale},
        {"ImageRechtsAuto", autoScale},
        {"ImageRechtsAutoOff", autoScale},
        {"ImageUntenAuto", autoScale},
        {"ImageUntenAutoOff", autoScale},
        {"ImageLinksFull", fullScale},
        {"ImageLinksFullOn", fullScale},
        {"ImageRechtsFull", fullScale},
        {"ImageRechtsFullOn", fullScale},
        {"ImageUntenFull", fullScale},
        {"ImageUntenFullOn", fullScale},
        {"ButtonBearbeiten", MainTooltips::tr("Öffnet die Liste der eigenen Signale zum Bearbeiten.")},
        {"CheckBoxAXY",
         MainTooltips::tr("Kanal A auf der x-Achse: zeigt B über A (Ansicht ▸ Kanal A als x).")},
        {"CheckBoxBXY",
         MainTooltips::tr("Kanal B auf der x-Achse: zeigt A über B (Ansicht ▸ Kanal B als x).")},
        {"CheckBoxSpektrum",
         MainTooltips::tr("Zeigt das Frequenzspektrum der Messung (Messen ▸ Spektrum).")},
        {"CheckBoxMinuten", MainTooltips::tr("Die Zeitachse in Minuten statt in Sekunden.")},
        {"ButtonDatenKopieren",
         MainTooltips::tr("Kopiert die Messdaten als Tabelle in die Zwischenablage, "
                       "etwa für eine Tabellenkalkulation.")},
        {"ButtonDatenSpeichern", MainTooltips::tr("Speichert die Messdaten in einer Textdatei "
                                               "(Datei ▸ Daten speichern).")},
        {"ButtonDatenLaden",
         MainTooltips::tr("Lädt Messdaten aus einer Textdatei; Strg+Z nimmt es zurück.")},
        {"ButtonDatenEinfuegen",
         MainTooltips::tr("Übernimmt Messdaten aus der Zwischenablage; Strg+Z nimmt "
                       "es zurück.")},
        {"ButtonDatenLoeschen", MainTooltips::tr("Löscht die Messdaten; Strg+Z holt sie zurück.")},
        {"ButtonSSkopieren",
         MainTooltips::tr("Kopiert den Schnappschuss als Tabelle in die Zwischenablage.")},
        {"ButtonSSspeichern", MainTooltips::tr("Speichert den Schnappschuss in einer Textdatei.")},
        {"ButtonSSLaden", MainTooltips::tr("Lädt einen Schnappschuss aus einer Textdatei.")},
        {"ButtonSSEinfuegen",
         MainTooltips::tr("Übernimmt einen Schnappschuss aus der Zwischenablage.")},
        {"ButtonSSLoeschen", MainTooltips::tr("Löscht den Schnappschuss.")},
        {"ImageSchnappschuss", MainTooltips::tr("Der Schnappschuss: die Messung als graue Vergleichskurve.")},
        {"ButtonSchnappschuss", MainTooltips::tr("Hält die Messung als graue Vergleichskurve fest "
                                              "(Messen ▸ Schnappschuss).")},
        {"CheckBoxSchnappschuss", MainTooltips::tr("Bei jedem Trigger wird die vorige Messung zum "
                                                "Schnappschuss.")},
        {"ShapeAnalysis", MainTooltips::tr("Gedrückt halten: die Auswertung der Messung.")},
        {"ButtonAnalyse", MainTooltips::tr("Zeigt die Auswertung der Messung oder blendet sie aus.")},
        {"LabelAngehalten",
         MainTooltips::tr("Es werden keine Messungen gespeichert; das Diagramm steht. "
                       "Weiter mit der Leertaste oder Messen ▸ Weiter.")},
        {"LabelMesswerte",
         MainTooltips::tr("Die Messwerte an den Cursorn; Doppelklick klappt ein und aus, "
                       "Strg+C kopiert. „–“ bei der Frequenz: keine volle Periode "
                       "zwischen den Cursorn.")},
    };
    for (const auto& [name, tip] : tips)
        if (auto* widget = window.findChild<QWidget*>(QString::fromLatin1(name)))
            widget->setToolTip(tip);
    ShowPendingInput(controls, &window);
}

// A signal line typed but not applied is tinted until Enter applies it or a choice from the
// list replaces it; a rejected one stays tinted in the box or edit it was typed into. The list
// of a drop-down is as wide as its longest entry.
void ShowPendingInput(MainControls& c, QObject* context) {
    for (const char channel : {'A', 'B'}) {
        const bool a = channel == 'A';
        TComboBox* combo = a ? c.ComboBoxA : c.ComboBoxB;
        QLineEdit* const pending[] = {a ? c.EditSignalA : c.EditSignalB,
                                      a ? c.EditEinheitA : c.EditEinheitB,
                                      a ? c.EditFormelA : c.EditFormelB, combo->lineEdit()};
        // A rejected line being mended in the box stays tinted; Enter or a choice settles it.
        const auto settleEdits = [pending](bool box) {
            for (QLineEdit* edit : pending)
                if ((box || edit != pending[3]) &&
                    (edit->property("rejectedText").toString() != edit->text() ||
                     !edit->property("rejectedText").isValid()))
                    SettleInput(edit);
        };
        const auto settle = [settleEdits] { settleEdits(true); };
        for (QLineEdit* edit : {pending[0], pending[1], pending[2]})
            QObject::connect(edit, &QLineEdit::textEdited, context,
                             [edit] { MarkPendingInput(edit); });
        // Mending a rejected line in the box keeps it tinted until it is applied.
        QObject::connect(pending[3], &QLineEdit::textEdited, context, [edit = pending[3]] {
            if (edit->property("rejectedText").isValid()) MarkNotApplied(edit);
        });
        // Enter in any of the group's edits applies the whole line.
        for (QLineEdit* edit :
             {pending[0], pending[1], pending[2], a ? c.EditSkalaAmin : c.EditSkalaBmin,
              a ? c.EditSkalaAmax : c.EditSkalaBmax})
            QObject::connect(edit, &QLineEdit::returnPressed, context, settle);
        QObject::connect(combo, &TComboBox::Change, context,
                         [settleEdits, combo] { settleEdits(combo->ItemIndex() >= 0); });
        QObject::connect(combo, &TComboBox::EnterPressed, context, settle);
    }

    for (TComboBox* combo : {c.ComboBoxA, c.ComboBoxB, c.ComboBoxSamplingRate, c.ComboBoxSamples}) {
        const auto widen = [combo] {
            QAbstractItemView* view = combo->view();
            const int frame = 2 * (view->frameWidth() + 4);
            view->setMinimumWidth(view->sizeHintForColumn(0) + frame +
                                  view->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
        };
        QAbstractItemModel* model = combo->model();
        QObject::connect(model, &QAbstractItemModel::rowsInserted, combo, widen);
        QObject::connect(model, &QAbstractItemModel::rowsRemoved, combo, widen);
        QObject::connect(model, &QAbstractItemModel::modelReset, combo, widen);
        QObject::connect(model, &QAbstractItemModel::dataChanged, combo, widen);
        widen();
    }
}
