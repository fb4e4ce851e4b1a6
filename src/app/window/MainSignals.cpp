// The two signal groups' handlers: the groups themselves are SignalGroups'.
#include "dialogs/TFormSignale.h"
#include "window/SignalGroups.h"
#include "window/TFormMain.h"

#include <QTimer>

void TFormMain::OfferAsQuantity(char channel, const QString& name, const QString& unit,
                                const QString& formula) {
    // Asked after the handler: the box's line is in force by then.
    QTimer::singleShot(0, this, [this, channel, name, unit, formula] {
        if (!AppDialogs().AskYesNo(
                this, tr("Die geladenen Werte von Kanal %1 können nicht neu berechnet werden: "
                         "hinter ihnen stehen keine Rohwerte des Geräts. Sie bleiben, wie sie "
                         "geladen wurden.\n\nDie Formel „%2“ als neue Größe über den "
                         "geladenen Werten anlegen?")
                          .arg(QChar::fromLatin1(channel), formula)))
            return;
        const QString id = kurvimat::session::Quantities::identifier(name);
        EditQuantities(true, {id.isEmpty() ? QStringLiteral("G") : id, unit, formula});
    });
}

void TFormMain::ApplySignalA(bool reevaluate) {
    Handle([&] { Signals->Apply('A', reevaluate); });
}
void TFormMain::ApplySignalB(bool reevaluate) {
    Handle([&] { Signals->Apply('B', reevaluate); });
}
void TFormMain::ComboBoxAChange() {
    Handle([&] { Signals->Change('A'); });
}
void TFormMain::ComboBoxBChange() {
    Handle([&] { Signals->Change('B'); });
}
void TFormMain::ComboBoxAKeyPress(QObject* Sender) {
    Handle([&] { Signals->KeyPress('A', Sender); });
}
void TFormMain::ComboBoxBKeyPress(QObject* Sender) {
    Handle([&] { Signals->KeyPress('B', Sender); });
}
void TFormMain::EditSignalAKeyPress(QObject* Sender) {
    Handle([&] { Signals->EditKeyPress('A', Sender); });
}
void TFormMain::EditSignalBKeyPress(QObject* Sender) {
    Handle([&] { Signals->EditKeyPress('B', Sender); });
}
void TFormMain::CheckBoxSkalaAautoClick() {
    Handle([&] { Signals->AutoRangeClick('A'); });
}
void TFormMain::CheckBoxSkalaBautoClick() {
    Handle([&] { Signals->AutoRangeClick('B'); });
}

void TFormMain::ButtonBearbeitenClick() {
    if (TFormSignale* editor = Signals->Editor()) {
        editor->show();
        editor->raise();
        editor->activateWindow();
    }
}

void TFormMain::UseSignalEditor(TFormSignale& editor) {
    Signals->UseEditor(editor);
}

void ConnectSignalEditor(TFormMain& main, TFormSignale& editor) {
    main.UseSignalEditor(editor);
}
