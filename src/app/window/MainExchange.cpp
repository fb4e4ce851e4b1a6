// Data exchange: the buttons of the stored points and the snapshot; the exchange itself is
// DataExchange's.
#include "window/TFormMain.h"

#include <QPushButton>

using namespace kurvimat::exchange;

void TFormMain::ButtonDatenKopierenClick(QObject* Sender) {
    if (Exchange->SaveOrCopy(Sender == ButtonDatenSpeichern, [this](TableLayout layout) {
            return Exchange->WriteText(false, layout);
        }))
        Experiments->NoteDataSaved();
}

void TFormMain::ButtonSSspeichernClick(QObject* Sender) {
    Exchange->SaveOrCopy(Sender == ButtonSSspeichern,
                         [this](TableLayout layout) { return Exchange->WriteText(true, layout); });
}

void TFormMain::ButtonDatenLadenClick(QObject* Sender) {
    if (Exchange->ReadIntoBuffer(Sender == ButtonDatenLaden))
        Handle([&] {
            HoldLoaded(Exchange->TakeBuffer(false));
            Exchange->ShowReport();
        });
}

void TFormMain::HoldLoaded(bool taken) {
    if (!taken) return;
    // The next sweep would replace what was loaded; it stays until "Weiter".
    if (!session_->held()) StoppWeiter();
    Experiments->NoteTextLoaded();
}

void TFormMain::ButtonSSLadenClick(QObject* Sender) {
    if (Exchange->ReadIntoBuffer(Sender == ButtonSSLaden))
        Handle([&] {
            Exchange->TakeBuffer(true);
            Exchange->ShowReport();
        });
}

void TFormMain::ButtonDatenLoeschenClick() {
    session_->deleteData();
}
