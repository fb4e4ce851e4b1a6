#include "widgets/InputTint.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QVariant>

namespace {

const QColor PendingInput(255, 242, 179);

} // namespace

void MarkPendingInput(QLineEdit* edit) {
    if (edit->property("pendingTip").isValid()) return;
    edit->setProperty("pendingTip", edit->toolTip());
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Base, PendingInput);
    edit->setPalette(pal);
    edit->setToolTip(QCoreApplication::translate("TFormMain", "Eingabe mit Enter übernehmen"));
}

void MarkNotApplied(QLineEdit* edit) {
    edit->setProperty("rejectedText", edit->text());
    MarkPendingInput(edit);
}

void SettleInput(QLineEdit* edit) {
    edit->setProperty("rejectedText", QVariant());
    if (!edit->property("pendingTip").isValid()) return;
    edit->setPalette(QPalette());
    edit->setToolTip(edit->property("pendingTip").toString());
    edit->setProperty("pendingTip", QVariant());
}
