#include "TApplication.h"

#include "Dialogs.h"

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
        AppDialogs().ShowError(activeWindow(), ErrorText(e));
    } catch (...) {
        AppDialogs().ShowError(activeWindow(), QStringLiteral("Unbekannter Fehler"));
    }
    return false;
}
