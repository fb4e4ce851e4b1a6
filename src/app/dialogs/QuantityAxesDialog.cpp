#include "dialogs/QuantityAxesDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using kurvimat::display::QuantityAxes;
using kurvimat::display::QuantityRef;

QuantityAxesDialog::QuantityAxesDialog(std::vector<QuantityRef> refs, const QuantityAxes& chosen,
                                       QWidget* parent)
    : QDialog(parent), refs_(std::move(refs)) {
    setObjectName(QStringLiteral("QuantityAxesDialog"));
    setWindowTitle(tr("Achsen wählen"));
    const auto combo = [this](const char* name, bool none) {
        auto* box = new QComboBox(this);
        box->setObjectName(QLatin1String(name));
        if (none) box->addItem(tr("– keine –"), QString());
        for (const QuantityRef& r : refs_)
            box->addItem(r.Title().remove(QStringLiteral("<vf>")), r.Key);
        return box;
    };
    x_ = combo("ComboAchseX", false);
    left_ = combo("ComboAchseLinks", false);
    right_ = combo("ComboAchseRechts", true);
    const auto select = [](QComboBox* box, const QString& key, int fallback) {
        const int i = box->findData(key);
        box->setCurrentIndex(i >= 0 ? i : std::min(fallback, box->count() - 1));
    };
    select(x_, chosen.X, 1);
    select(left_, chosen.Left, 2);
    select(right_, chosen.Right, 0);

    // More curves on an axis: each on the one of its unit.
    more_ = new QListWidget(this);
    more_->setObjectName(QStringLiteral("ListeWeitereGroessen"));
    for (const QuantityRef& r : refs_) {
        if (r.Key == kurvimat::display::TimeKey) continue;
        auto* item = new QListWidgetItem(r.Title().remove(QStringLiteral("<vf>")), more_);
        item->setData(Qt::UserRole, r.Key);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(chosen.More.contains(r.Key) ? Qt::Checked : Qt::Unchecked);
    }
    more_->setMaximumHeight(more_->sizeHintForRow(0) * 5 + 2 * more_->frameWidth());

    auto* form = new QFormLayout;
    form->addRow(tr("&x-Achse:"), x_);
    form->addRow(tr("&Linke Achse:"), left_);
    form->addRow(tr("&Rechte Achse:"), right_);
    form->addRow(tr("&Dazu:"), more_);
    auto* hint = new QLabel(
        tr("Eine Größe unter „Dazu“ erscheint auf der Achse ihrer Einheit, links oder rechts. "
           "Mit der Zeit als x zeigt das Diagramm wieder die Messung über der Zeit. "
           "Eine berechnete Größe (Messen ▸ Neue Größe …) linearisiert, z. B. T² oder ln(U)."),
        this);
    hint->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(tr("Abbrechen"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addWidget(buttons);
}

QuantityAxes QuantityAxesDialog::axes() const {
    QStringList more;
    for (int i = 0; i < more_->count(); ++i)
        if (more_->item(i)->checkState() == Qt::Checked)
            more << more_->item(i)->data(Qt::UserRole).toString();
    return {x_->currentData().toString(), left_->currentData().toString(),
            right_->currentData().toString(), more};
}
