// "Über Kurvimat": name, version, what the program is, and its licence.
#pragma once

#include <QDialog>
#include <QString>

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    /// The program's version, from the build's project version ("0.1").
    static QString version();
    /// The dialog's text (rich text).
    static QString text();
};
