// The two signal groups: applying a definition line, building it from the edits, the auto
// range box, and the definition lists.
#include "Dialogs.h"
#include "FormulaParser.h"
#include "Numbers.h"
#include "SignalDefinition.h"
#include "TComboBox.h"
#include "TFormMain.h"
#include "TFormSignale.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>
#include <span>

using namespace kurvimat::acquisition;
using namespace kurvimat::display;
using namespace kurvimat::signals;

namespace {

// What the parser found wrong, in German, with the place where it knows one.
QString FormulaProblem(const QString& formula, const std::exception& e) {
    const qsizetype place = FormulaErrorPlace(formula, e);
    const auto at = [place](const QString& problem, const QString& problemAt) {
        return place > 0 ? problemAt.arg(place) : problem;
    };
    if (dynamic_cast<const EMissMatchingBracket*>(&e))
        return at(TFormMain::tr("Klammer fehlt"), TFormMain::tr("Klammer fehlt an Stelle %1"));
    if (dynamic_cast<const EExpressionHasBlanks*>(&e))
        return at(TFormMain::tr("Leerzeichen in der Formel"),
                  TFormMain::tr("Leerzeichen an Stelle %1"));
    if (dynamic_cast<const ETooManyNestings*>(&e)) return TFormMain::tr("zu viele Klammerebenen");
    if (dynamic_cast<const EExpressionTooComplex*>(&e))
        return TFormMain::tr("die Formel ist zu umfangreich");
    if (dynamic_cast<const EBadName*>(&e)) return TFormMain::tr("unbekannter Name");
    if (dynamic_cast<const ESyntaxError*>(&e))
        return at(TFormMain::tr("die Schreibweise ist unverständlich"),
                  TFormMain::tr("unverständliche Schreibweise an Stelle %1"));
    return TFormMain::tr("die Formel lässt sich nicht übersetzen");
}

} // namespace

QString TFormMain::FormulaErrorText(char channel, const QString& formula, const std::exception& e) {
    return tr("Die Formel von Signal %1 ist fehlerhaft: %2 (%3).")
        .arg(QChar::fromLatin1(channel), FormulaProblem(formula, e), formula);
}

QString TFormMain::FormulaErrorDetails(const std::exception& e) {
    return tr("Meldung des Formelparsers: %1")
        .arg(QString::fromUtf8(e.what()).replace(u'\r', u' ').simplified());
}

// The controls and store members of one signal group.
struct TFormMain::SignalGroup {
    SignalChannel channel;
    TComboBox* Combo;
    QLineEdit* EditSignal;
    QLineEdit* EditEinheit;
    QLineEdit* EditFormel;
    QLineEdit* EditSkalaMin;
    QLineEdit* EditSkalaMax;
    QCheckBox* CheckBoxSkalaAuto;
    QCheckBox* CheckBoxKanal;
    const QString& Name;
    const QString& Unit;
    const QString& Formula;
    const float& DefMin;
    const float& DefMax;
    const bool& DefApplied;
    Tscale& Scale;
};

TFormMain::SignalGroup TFormMain::Group(char channel) {
    const MeasurementStore& s = session_->store();
    if (channel == 'A')
        return {SignalChannel::A, ComboBoxA,     EditSignalA,   EditEinheitA,
                EditFormelA,      EditSkalaAmin, EditSkalaAmax, CheckBoxSkalaAauto,
                CheckBoxKanalA,   s.NameA,       s.UnitA,       s.FormulaA,
                s.DefMinA,        s.DefMaxA,     s.DefAppliedA, ScaleA};
    return {SignalChannel::B, ComboBoxB,     EditSignalB,   EditEinheitB,
            EditFormelB,      EditSkalaBmin, EditSkalaBmax, CheckBoxSkalaBauto,
            CheckBoxKanalB,   s.NameB,       s.UnitB,       s.FormulaB,
            s.DefMinB,        s.DefMaxB,     s.DefAppliedB, ScaleB};
}

void TFormMain::ApplySignalA(bool reevaluate) {
    ApplySignal('A', reevaluate);
}
void TFormMain::ApplySignalB(bool reevaluate) {
    ApplySignal('B', reevaluate);
}
void TFormMain::ComboBoxAChange() {
    ComboBoxChange('A');
}
void TFormMain::ComboBoxBChange() {
    ComboBoxChange('B');
}
void TFormMain::ComboBoxAKeyPress(QObject* Sender) {
    ComboBoxKeyPress('A', Sender);
}
void TFormMain::ComboBoxBKeyPress(QObject* Sender) {
    ComboBoxKeyPress('B', Sender);
}
void TFormMain::EditSignalAKeyPress(QObject* Sender) {
    EditSignalKeyPress('A', Sender);
}
void TFormMain::EditSignalBKeyPress(QObject* Sender) {
    EditSignalKeyPress('B', Sender);
}
void TFormMain::CheckBoxSkalaAautoClick() {
    CheckBoxSkalaAutoClick('A');
}
void TFormMain::CheckBoxSkalaBautoClick() {
    CheckBoxSkalaAutoClick('B');
}

Calibration TFormMain::CurrentCalibration() const {
    return session_->calibration();
}

bool TFormMain::ApplySignal(char channel, bool reevaluate) {
    bool applied = false;
    Handle([&] {
        SignalGroup g = Group(channel);
        const QString line = g.Combo->Text();
        const DefinitionParts parts = SplitDefinition(line);
        kurvimat::session::AppliedDefinition result;
        try {
            result = session_->applyDefinition(g.channel, line, reevaluate);
        } catch (const std::exception& e) {
            // The channel keeps working with its applied formula, name, unit, range and title,
            // and the edits keep showing them; the typed line stays in the box to be mended.
            NoteError(FormulaErrorText(channel, parts.formula, e), FormulaErrorDetails(e));
            MarkNotApplied(g.Combo->lineEdit());
            return;
        }
        for (QLineEdit* edit : {g.EditSignal, g.EditEinheit, g.EditFormel, g.Combo->lineEdit()})
            SettleInput(edit);
        g.EditSignal->setText(parts.name);
        g.EditEinheit->setText(parts.unit);
        g.EditFormel->setText(parts.formula);
        g.EditSkalaMin->setText(parts.minText);
        g.EditSkalaMax->setText(parts.maxText);
        {
            // Set here without its click handler: that would rebuild the line from the edits
            // (a trailing blank, no selected entry) and apply it a second time.
            const QSignalBlocker block(g.CheckBoxSkalaAuto);
            g.CheckBoxSkalaAuto->setChecked(parts.minText.isEmpty() && parts.maxText.isEmpty());
        }
        if (parts.minText.isEmpty()) g.EditSkalaMin->setText(result.range.minText);
        if (parts.maxText.isEmpty()) g.EditSkalaMax->setText(result.range.maxText);
        ReportDivByZero(result.events);
        g.Scale.RangeStart = g.DefMin;
        g.Scale.RangeEnd = g.DefMax;
        g.Scale.Title = SignalTitle(g.Name, g.Unit);
        TitleLoadedAxes(Store, *this);
        applied = true;
    });
    return applied;
}

// Enter in one of the edits: the definition line is rebuilt from the parts and applied.
void TFormMain::EditSignalKeyPress(char channel, QObject* Sender) {
    Handle([&] {
        SignalGroup g = Group(channel);
        QString s = g.EditSignal->text();
        if (!g.EditEinheit->text().isEmpty())
            s += QStringLiteral(" (") + g.EditEinheit->text() + QStringLiteral(")");
        if (!s.isEmpty()) s += QStringLiteral(": ");
        s += g.EditFormel->text() + QStringLiteral(" ");
        const QString minText = g.EditSkalaMin->text();
        const QString maxText = g.EditSkalaMax->text();
        if (minText.isEmpty() || maxText.isEmpty()) {
            g.CheckBoxSkalaAuto->setChecked(true);
        } else if (!RangeTextsMatch(minText, maxText, g.DefMin, g.DefMax)) {
            g.CheckBoxSkalaAuto->setChecked(false);
        }
        if (!g.CheckBoxSkalaAuto->isChecked()) {
            // The texts are read again: a nested apply may have shown new ones.
            s += QStringLiteral("[") + g.EditSkalaMin->text() + QStringLiteral(";") +
                 g.EditSkalaMax->text() + QStringLiteral("]");
            g.CheckBoxSkalaAuto->setChecked(false);
        }
        const bool autoBefore = g.CheckBoxSkalaAuto->isChecked();
        g.Combo->SetText(s);
        if (ComboBoxKeyPress(channel, Sender)) return;
        // Rejected: the box and the auto range show the definition in force again, the edits
        // keep what was typed into them, tinted.
        const QString& inForce = channel == 'A' ? Store.AppliedDefA : Store.AppliedDefB;
        g.Combo->SetText(inForce);
        SettleInput(g.Combo->lineEdit());
        {
            const QSignalBlocker block(g.CheckBoxSkalaAuto);
            g.CheckBoxSkalaAuto->setChecked(autoBefore);
        }
        for (QLineEdit* edit : {g.EditSignal, g.EditEinheit, g.EditFormel})
            if (edit->property("pendingTip").isValid()) MarkNotApplied(edit);
    });
}

bool TFormMain::ComboBoxKeyPress(char channel, QObject* Sender) {
    SignalGroup g = Group(channel);
    // Enter in a range edit keeps the stored values only when nothing but the interval
    // changed: a formula edited before must reach the points it names.
    const DefinitionParts parts = SplitDefinition(g.Combo->Text());
    const bool rangeEdit =
        Sender == g.EditSkalaMin || Sender == g.EditSkalaMax || Sender == g.CheckBoxSkalaAuto;
    const bool rangeOnly = rangeEdit && g.DefApplied && parts.formula == g.Formula &&
                           parts.name == g.Name && parts.unit == g.Unit;
    return ApplySignal(channel, !rangeOnly);
}

void TFormMain::ComboBoxChange(char channel) {
    Handle([&] {
        SignalGroup g = Group(channel);
        const int index = g.Combo->ItemIndex();
        // The ninth entry is the empty line: no signal.
        g.CheckBoxKanal->setChecked(index != 8);
        if (index >= 0 && g.Combo->itemText(index) == g.Combo->Text()) ApplySignal(channel, true);
    });
}

void TFormMain::CheckBoxSkalaAutoClick(char channel) {
    Handle([&] {
        SignalGroup g = Group(channel);
        if (g.CheckBoxSkalaAuto->isChecked()) {
            g.EditSkalaMin->clear();
            g.EditSkalaMax->clear();
        }
        EditSignalKeyPress(channel, g.CheckBoxSkalaAuto);
    });
}

void TFormMain::ButtonBearbeitenClick() {
    if (FormSignale) {
        FormSignale->show();
        FormSignale->raise();
        FormSignale->activateWindow();
    }
}

void TFormMain::FillSignalLists() {
    const QStringList user = FormSignale ? FormSignale->Lines() : QStringList{QString()};
    QStringList items = BuiltInSignals();
    items += user;
    ComboBoxA->SetItems(items);
    if (FormSignale) FormSignale->ShowBuiltIn(BuiltInSignals().mid(0, 8));
    ComboBoxB->SetItems(items);
}

void TFormMain::UseSignalEditor(TFormSignale& editor) {
    FormSignale = &editor;
    editor.TypedLine = [this](char channel) -> std::optional<QString> {
        const TComboBox* box = channel == 'A' ? ComboBoxA : ComboBoxB;
        if (box->ItemIndex() >= 0) return std::nullopt;
        return box->Text();
    };
    editor.OnListsChanged = [this] { FillSignalLists(); };
    editor.OnError = [this, &editor](const QString& text) { Dlg().ShowError(&editor, text); };
}

void ConnectSignalEditor(TFormMain& main, TFormSignale& editor) {
    main.UseSignalEditor(editor);
}
