#include "dialogs/Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

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

std::optional<QString> Dialogs::AskText(QWidget* parent, const QString& caption,
                                        const QString& label, const QString& text) {
    QDialog dialog(parent);
    dialog.setWindowTitle(caption);
    auto* layout = new QVBoxLayout(&dialog);
    auto* what = new QLabel(label, &dialog);
    auto* edit = new QPlainTextEdit(text, &dialog);
    edit->setObjectName(QStringLiteral("EditText"));
    edit->setTabChangesFocus(true);
    what->setBuddy(edit);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QCoreApplication::translate("Dialogs", "OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QCoreApplication::translate("Dialogs", "Abbrechen"),
                       QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    // Return makes a new line; Ctrl+Return is done.
    auto* done = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), &dialog);
    QObject::connect(done, &QShortcut::activated, &dialog, &QDialog::accept);
    layout->addWidget(what);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    edit->selectAll();
    edit->setFocus();
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return edit->toPlainText();
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
