#include "dialogs/QuantityAxesDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
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

    auto* form = new QFormLayout;
    form->addRow(tr("&x-Achse:"), x_);
    form->addRow(tr("&Linke Achse:"), left_);
    form->addRow(tr("&Rechte Achse:"), right_);
    auto* hint = new QLabel(
        tr("Mit der Zeit als x zeigt das Diagramm wieder die Messung über der Zeit. "
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
    return {x_->currentData().toString(), left_->currentData().toString(),
            right_->currentData().toString()};
}
