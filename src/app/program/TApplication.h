// The application object: an exception that escapes an event handler is shown to the user
// and the program carries on.
#pragma once

#include <QApplication>
#include <QStringList>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The message shown for an escaped exception (for the tests of the window handlers).
    static QString ErrorText(const std::exception& e);

private:
    void ShowOnce(const QString& text);
    QStringList OpenMessages; // messages whose box is open
};
