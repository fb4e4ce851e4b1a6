#include "dialogs/Dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

QString AppTitle() {
    return QApplication::applicationName();
}

QString RunFileDialog(QWidget* parent, QFileDialog::AcceptMode mode, const QString& filter,
                      const QString& defaultSuffix, const QString& startAt = {}) {
    QFileDialog dialog(parent);
    if (!startAt.isEmpty()) dialog.selectFile(startAt);
    dialog.setAcceptMode(mode);
    dialog.setNameFilter(filter);
    if (mode == QFileDialog::AcceptSave) {
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(defaultSuffix);
        // A name typed without ending takes the chosen filter's: "messung" under the CSV
        // filter is saved as "messung.csv", which then decides the layout.
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog, defaultSuffix](const QString& chosen) {
                             const qsizetype at = chosen.indexOf(QStringLiteral("(*."));
                             const QString suffix =
                                 at < 0 ? QString() : chosen.mid(at + 3).section(u')', 0, 0);
                             dialog.setDefaultSuffix(suffix.isEmpty() || suffix == u'*' ||
                                                             suffix.contains(u' ')
                                                         ? defaultSuffix
                                                         : suffix);
                         });
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    } else {
        // A name that does not exist is accepted; reading it then reports the failure.
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

QtDialogs& QtInstance() {
    static QtDialogs instance;
    return instance;
}

Dialogs* installed = nullptr;

} // namespace

bool QtDialogs::AskYesNo(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, AppTitle(), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void QtDialogs::ShowError(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, AppTitle(), text);
}

void QtDialogs::ShowErrorDetails(QWidget* parent, const QString& text, const QString& details) {
    if (details.isEmpty()) return ShowError(parent, text);
    QMessageBox box(QMessageBox::Critical, AppTitle(), text, QMessageBox::Ok, parent);
    box.setDetailedText(details);
    box.exec();
}

void QtDialogs::ShowInfo(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, AppTitle(), text);
}

QString QtDialogs::OpenFileName(QWidget* parent, const QString& filter) {
    return RunFileDialog(parent, QFileDialog::AcceptOpen, filter, {});
}

QString QtDialogs::SaveFileName(QWidget* parent, const QString& filter,
                                const QString& defaultSuffix, const QString& startAt) {
    return RunFileDialog(parent, QFileDialog::AcceptSave, filter, defaultSuffix, startAt);
}

Dialogs::SaveChoice Dialogs::AskSaveDiscardCancel(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, AppTitle(), text, QMessageBox::NoButton, parent);
    QPushButton* save =
        box.addButton(QCoreApplication::translate("Dialogs", "Speichern"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QCoreApplication::translate("Dialogs", "Verwerfen"),
                                         QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QCoreApplication::translate("Dialogs", "Abbrechen"),
                                        QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save) return SaveChoice::Save;
    if (box.clickedButton() == discard) return SaveChoice::Discard;
    return SaveChoice::Cancel;
}

bool Dialogs::AskRestore(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, AppTitle(), text, QMessageBox::NoButton, parent);
    QPushButton* restore = box.addButton(
        QCoreApplication::translate("Dialogs", "Wiederherstellen"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QCoreApplication::translate("Dialogs", "Verwerfen"),
                                         QMessageBox::DestructiveRole);
    box.setDefaultButton(restore);
    box.setEscapeButton(discard);
    box.exec();
    return box.clickedButton() != discard;
}

Dialogs& AppDialogs() {
    return installed ? *installed : QtInstance();
}

void SetAppDialogs(Dialogs* d) {
    installed = d;
}

bool MayReplace(QWidget& parent, const QString& fileName) {
    if (!QFileInfo::exists(fileName)) return true;
    return AppDialogs().AskYesNo(
        &parent, QCoreApplication::translate("Dialogs", "Die Datei %1 ist schon vorhanden. "
                                                        "Soll sie ersetzt werden?")
                     .arg(QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath())));
}
