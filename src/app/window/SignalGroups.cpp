#include "window/SignalGroups.h"

#include "FormulaParser.h"
#include "Session.h"
#include "SignalDefinition.h"
#include "dialogs/Dialogs.h"
#include "dialogs/TFormSignale.h"
#include "plot/PlotView.h"
#include "widgets/InputTint.h"
#include "widgets/MainControls.h"
#include "widgets/TComboBox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSignalBlocker>

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
        return at(SignalGroups::tr("Klammer fehlt"), SignalGroups::tr("Klammer fehlt an Stelle %1"));
    if (dynamic_cast<const EExpressionHasBlanks*>(&e))
        return at(SignalGroups::tr("Leerzeichen in der Formel"),
                  SignalGroups::tr("Leerzeichen an Stelle %1"));
    if (dynamic_cast<const EExpressionTooLong*>(&e)) return SignalGroups::tr("die Formel ist zu lang");
    if (dynamic_cast<const ETooManyNestings*>(&e)) return SignalGroups::tr("zu viele Klammerebenen");
    if (dynamic_cast<const EExpressionTooComplex*>(&e))
        return SignalGroups::tr("die Formel ist zu umfangreich");
    if (dynamic_cast<const EBadName*>(&e)) return SignalGroups::tr("unbekannter Name");
    if (dynamic_cast<const ESyntaxError*>(&e))
        return at(SignalGroups::tr("die Schreibweise ist unverständlich"),
                  SignalGroups::tr("unverständliche Schreibweise an Stelle %1"));
    return SignalGroups::tr("die Formel lässt sich nicht übersetzen");
}

QString FormulaErrorText(char channel, const QString& formula, const std::exception& e) {
    return SignalGroups::tr("Die Formel von Signal %1 ist fehlerhaft: %2 (%3).")
        .arg(QChar::fromLatin1(channel), FormulaProblem(formula, e), formula);
}

QString FormulaErrorDetails(const std::exception& e) {
    return SignalGroups::tr("Meldung des Formelparsers: %1")
        .arg(QString::fromUtf8(e.what()).replace(u'\r', u' ').simplified());
}

QString DivByZeroText(char channel, const QString& formula) {
    // The parser's own message inside a German sentence that names the signal and formula.
    return SignalGroups::tr("Signal %1: Die Formel „%2“ teilt mit DIV oder MOD durch "
                         "null; ihr Wert gilt dort als 0. (Meldung des Formelparsers: %3)\n")
        .arg(QChar::fromLatin1(channel), formula, QString::fromUtf8(EDivByZero().what()));
}

QString NoValueText(char channel, const QString& formula, EvalFailure why) {
    const QString reason = why == EvalFailure::DivisionByZero ? SignalGroups::tr("Division durch 0")
                           : why == EvalFailure::Overflow     ? SignalGroups::tr("Überlauf")
                                                              : SignalGroups::tr("ungültige Rechnung");
    return SignalGroups::tr("Signal %1: Die Formel „%2“ gibt für keinen Messwert einen Wert (%3); "
                         "seine Punkte werden nicht gezeichnet.\n")
        .arg(QChar::fromLatin1(channel), formula, reason);
}

} // namespace

QString FormulaProblemText(const PipelineEvents& events, const QString& formulaA,
                           const QString& formulaB) {
    // A formula without any value is said once, as that; its divisions need no second word.
    QString text;
    if (events.noValueA != EvalFailure::None)
        text += NoValueText('A', formulaA, events.noValueA);
    else if (events.divByZeroA)
        text += DivByZeroText('A', formulaA);
    if (events.noValueB != EvalFailure::None)
        text += NoValueText('B', formulaB, events.noValueB);
    else if (events.divByZeroB)
        text += DivByZeroText('B', formulaB);
    return text.trimmed();
}

// The controls and store members of one signal group.
struct SignalGroups::Group {
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
    const QString& AppliedDef;
    const float& DefMin;
    const float& DefMax;
    const bool& DefApplied;
    Tscale& Scale;
};

SignalGroups::SignalGroups(MainControls& controls, kurvimat::session::Session& session,
                           PlotView& plot, SignalGroupsHost& host)
    : controls_(controls), session_(session), plot_(plot), host_(host) {}

SignalGroups::Group SignalGroups::Of(char channel) {
    const MeasurementStore& s = session_.store();
    const MainControls& c = controls_;
    const ScaleSet scales = plot_.Scales();
    if (channel == 'A')
        return {SignalChannel::A, c.ComboBoxA,     c.EditSignalA,   c.EditEinheitA,
                c.EditFormelA,    c.EditSkalaAmin, c.EditSkalaAmax, c.CheckBoxSkalaAauto,
                c.CheckBoxKanalA, s.NameA,         s.UnitA,         s.FormulaA,
                s.AppliedDefA,    s.DefMinA,       s.DefMaxA,       s.DefAppliedA,
                scales.A};
    return {SignalChannel::B, c.ComboBoxB,     c.EditSignalB,   c.EditEinheitB,
            c.EditFormelB,    c.EditSkalaBmin, c.EditSkalaBmax, c.CheckBoxSkalaBauto,
            c.CheckBoxKanalB, s.NameB,         s.UnitB,         s.FormulaB,
            s.AppliedDefB,    s.DefMinB,       s.DefMaxB,       s.DefAppliedB,
            scales.B};
}

bool SignalGroups::Apply(char channel, bool reevaluate) {
    // Whatever fails after the session took the line is noted and leaves the caller's steps
    // running, as a handler of its own would.
    try {
        Group g = Of(channel);
        std::optional<kurvimat::session::AppliedDefinition> result;
        std::exception_ptr refused;
        // Loaded values have no raw values behind them: a new formula would only put its
        // name over them.
        const MeasurementStore& before = session_.store();
        const QString shown = SplitDefinition(channel == 'A' ? before.Data.DefA : before.Data.DefB).formula;
        const bool foreign = reevaluate && before.Data.Loaded && before.Data.Count > 0 &&
                             (channel == 'A' || before.Data.HasB);
        try {
            result = session_.applyDefinition(g.channel, g.Combo->Text(), reevaluate);
        } catch (const std::exception&) {
            refused = std::current_exception();
        }
        Show(channel, result, refused);
        if (!result) return false;
        const MeasurementStore& s = session_.store();
        host_.ReportError(FormulaProblemText(result->events, s.FormulaA, s.FormulaB));
        if (foreign && !result->parts.formula.isEmpty() && result->parts.formula != shown)
            host_.OfferAsQuantity(channel, result->parts.name, result->parts.unit,
                                  result->parts.formula);
        return true;
    } catch (const std::exception& e) {
        host_.NoteError(QString::fromUtf8(e.what()), {});
        return false;
    }
}

void SignalGroups::Show(char channel,
                        const std::optional<kurvimat::session::AppliedDefinition>& applied,
                        const std::exception_ptr& refused) {
    Group g = Of(channel);
    const DefinitionParts parts = SplitDefinition(g.Combo->Text());
    if (!applied) {
        // The channel keeps working with its applied formula, name, unit, range and title,
        // and the edits keep showing them; the typed line stays in the box to be mended.
        try {
            if (refused) std::rethrow_exception(refused);
        } catch (const std::exception& e) {
            host_.NoteError(FormulaErrorText(channel, parts.formula, e), FormulaErrorDetails(e));
        }
        MarkNotApplied(g.Combo->lineEdit());
        return;
    }
    const kurvimat::session::AppliedDefinition& result = *applied;
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
    g.Scale.RangeStart = g.DefMin;
    g.Scale.RangeEnd = g.DefMax;
    g.Scale.Title = SignalTitle(g.Name, g.Unit);
    host_.TitleLoadedAxes();
}

void SignalGroups::ShowApplied(char channel,
                               const std::optional<kurvimat::session::AppliedDefinition>& applied,
                               const std::exception_ptr& refused) {
    Show(channel, applied, refused);
    const MeasurementStore& s = session_.store();
    if (applied) host_.ReportError(FormulaProblemText(applied->events, s.FormulaA, s.FormulaB));
}

void SignalGroups::EditKeyPress(char channel, QObject* sender) {
    Group g = Of(channel);
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
    if (KeyPress(channel, sender)) return;
    // Rejected: the box and the auto range show the definition in force again, the edits
    // keep what was typed into them, tinted.
    g.Combo->SetText(g.AppliedDef);
    SettleInput(g.Combo->lineEdit());
    {
        const QSignalBlocker block(g.CheckBoxSkalaAuto);
        g.CheckBoxSkalaAuto->setChecked(autoBefore);
    }
    for (QLineEdit* edit : {g.EditSignal, g.EditEinheit, g.EditFormel})
        if (edit->property("pendingTip").isValid()) MarkNotApplied(edit);
}

bool SignalGroups::KeyPress(char channel, QObject* sender) {
    Group g = Of(channel);
    // Enter in a range edit keeps the stored values only when nothing but the interval
    // changed: a formula edited before must reach the points it names.
    const DefinitionParts parts = SplitDefinition(g.Combo->Text());
    const bool rangeEdit =
        sender == g.EditSkalaMin || sender == g.EditSkalaMax || sender == g.CheckBoxSkalaAuto;
    const bool rangeOnly = rangeEdit && g.DefApplied && parts.formula == g.Formula &&
                           parts.name == g.Name && parts.unit == g.Unit;
    return Apply(channel, !rangeOnly);
}

void SignalGroups::Change(char channel) {
    Group g = Of(channel);
    const int index = g.Combo->ItemIndex();
    // The ninth entry is the empty line: no signal.
    g.CheckBoxKanal->setChecked(index != 8);
    if (index >= 0 && g.Combo->itemText(index) == g.Combo->Text()) Apply(channel, true);
}

void SignalGroups::AutoRangeClick(char channel) {
    Group g = Of(channel);
    if (g.CheckBoxSkalaAuto->isChecked()) {
        g.EditSkalaMin->clear();
        g.EditSkalaMax->clear();
    }
    EditKeyPress(channel, g.CheckBoxSkalaAuto);
}

void SignalGroups::FillSignalLists() {
    const QStringList user = editor_ ? editor_->Lines() : QStringList{QString()};
    QStringList items = BuiltInSignals();
    items += user;
    controls_.ComboBoxA->SetItems(items);
    if (editor_) editor_->ShowBuiltIn(BuiltInSignals().mid(0, 8));
    controls_.ComboBoxB->SetItems(items);
}

void SignalGroups::UseEditor(TFormSignale& editor) {
    editor_ = &editor;
    editor.TypedLine = [this](char channel) -> std::optional<QString> {
        const TComboBox* box = channel == 'A' ? controls_.ComboBoxA : controls_.ComboBoxB;
        if (box->ItemIndex() >= 0) return std::nullopt;
        return box->Text();
    };
    editor.OnListsChanged = [this] { FillSignalLists(); };
    editor.OnError = [&editor](const QString& text) { AppDialogs().ShowError(&editor, text); };
}
