#include "program/TApplication.h"

#include "dialogs/Dialogs.h"

#include <exception>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Kurvimat"));
}

QString TApplication::ErrorText(const std::exception& e) {
    return QString::fromUtf8(e.what());
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowOnce(ErrorText(e));
    } catch (...) {
        ShowOnce(tr("Unbekannter Fehler"));
    }
    return false;
}

void TApplication::ShowOnce(const QString& text) {
    // The box runs a nested event loop; an error that recurs in it (a timer, say) must not
    // stack a second box with the same message on the first.
    if (OpenMessages.contains(text)) return;
    OpenMessages << text;
    AppDialogs().ShowError(activeWindow(), text);
    OpenMessages.removeOne(text);
}
