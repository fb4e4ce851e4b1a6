#include "dialogs/AboutDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Über Kurvimat"));
    setObjectName(QStringLiteral("FormUeber"));
    auto* label = new QLabel(text(), this);
    label->setObjectName(QStringLiteral("LabelUeber"));
    label->setWordWrap(true);
    label->setTextFormat(Qt::RichText);
    label->setOpenExternalLinks(true);
    label->setTextInteractionFlags(Qt::TextBrowserInteraction);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(tr("Schließen"), QDialogButtonBox::AcceptRole);
    close->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(buttons);
    label->setMinimumWidth(label->fontMetrics().averageCharWidth() * 60);
}

QString AboutDialog::version() {
    return QStringLiteral(KURVIMAT_VERSION);
}

QString AboutDialog::text() {
    return tr("<h2>Kurvimat</h2>"
              "<p>Version %1</p>"
              "<p>Das Programm zum USB-Speicheroszilloskop und Messwerterfasser Kurvimat für "
              "den Unterricht: zwei Eingänge, Messungen von 100 bis 10000 Punkten, Formeln für "
              "physikalische Größen, Cursor, Ausgleichskurven und Daten für die "
              "Tabellenkalkulation.</p>"
              "<p>Lizenz: GNU General Public License, Version 3 oder jede spätere Version "
              "(GPL-3.0-or-later). Kurvimat ist freie Software: Sie dürfen es unter diesen "
              "Bedingungen weitergeben und verändern. Es wird ohne jede Gewährleistung "
              "bereitgestellt.</p>"
              "<p>Gebaut mit Qt %2.</p>")
        .arg(version(), QString::fromLatin1(qVersion()));
}
