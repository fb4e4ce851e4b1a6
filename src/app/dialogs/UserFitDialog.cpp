#include "dialogs/UserFitDialog.h"

#include "UserFit.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

using kurvimat::analysis::MaxFitParameters;
using kurvimat::analysis::UserFitModel;

UserFitDialog::UserFitDialog(QWidget* parent)
    : QDialog(parent), formula_(new QLineEdit(this)), error_(new QLabel(this)) {
    setWindowTitle(tr("Eigene Funktion anpassen"));
    setObjectName(QStringLiteral("FormEigeneFunktion"));
    auto* intro = new QLabel(
        tr("y als Formel über x (die Zeit in s, oder im XY-Betrieb die Größe der unteren "
           "Achse) mit bis zu sechs Parametern, z. B. a*(1-EXP(-b*x)). Jeder Parameter "
           "braucht einen Startwert in der Nähe des Ergebnisses."),
        this);
    intro->setWordWrap(true);
    formula_->setObjectName(QStringLiteral("EditFunktion"));
    formula_->setMaxLength(kurvimat::analysis::MaxColumnFormulaLength);
    auto* formulaLabel = new QLabel(tr("&Funktion:  y ="), this);
    formulaLabel->setBuddy(formula_);

    auto* grid = new QGridLayout;
    grid->addWidget(formulaLabel, 0, 0);
    grid->addWidget(formula_, 0, 1, 1, 2);
    grid->addWidget(new QLabel(tr("Parameter"), this), 1, 1);
    grid->addWidget(new QLabel(tr("Startwert"), this), 1, 2);
    for (int k = 0; k < MaxFitParameters; ++k) {
        auto* name = new QLineEdit(this);
        auto* start = new QLineEdit(this);
        name->setObjectName(QStringLiteral("EditName%1").arg(k + 1));
        start->setObjectName(QStringLiteral("EditStart%1").arg(k + 1));
        name->setMaxLength(int(kurvimat::analysis::MaxUserFitNameLength));
        name->setAccessibleName(tr("Name von Parameter %1").arg(k + 1));
        start->setAccessibleName(tr("Startwert von Parameter %1").arg(k + 1));
        // Alt+1 … Alt+6 reach the rows.
        auto* label = new QLabel(tr("&%1.").arg(k + 1), this);
        label->setBuddy(name);
        grid->addWidget(label, k + 2, 0);
        grid->addWidget(name, k + 2, 1);
        grid->addWidget(start, k + 2, 2);
        names_[std::size_t(k)] = name;
        starts_[std::size_t(k)] = start;
    }
    error_->setObjectName(QStringLiteral("LabelFehler"));
    error_->setWordWrap(true);
    error_->hide();

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* fit = buttons->addButton(tr("Anpassen"), QDialogButtonBox::AcceptRole);
    fit->setDefault(true);
    buttons->addButton(tr("Abbrechen"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &UserFitDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(grid);
    layout->addWidget(error_);
    layout->addWidget(buttons);
    setTabOrder(formula_, names_[0]);
    for (int k = 0; k < MaxFitParameters; ++k) {
        setTabOrder(names_[std::size_t(k)], starts_[std::size_t(k)]);
        if (k + 1 < MaxFitParameters)
            setTabOrder(starts_[std::size_t(k)], names_[std::size_t(k) + 1]);
    }
    setModel({QStringLiteral("a*(1-EXP(-b*x))"), {QStringLiteral("a"), QStringLiteral("b")},
              {1, 1}});
}

void UserFitDialog::setModel(const UserFitModel& model) {
    formula_->setText(model.Formula);
    for (std::size_t k = 0; k < names_.size(); ++k) {
        const bool used = k < model.Names.size() && k < model.Start.size();
        names_[k]->setText(used ? model.Names[k] : QString());
        starts_[k]->setText(used ? QLocale().toString(model.Start[k], 'g', 10) : QString());
    }
    error_->hide();
}

UserFitModel UserFitDialog::model() const {
    UserFitModel m;
    m.Formula = formula_->text();
    for (std::size_t k = 0; k < names_.size(); ++k) {
        const QString name = names_[k]->text().trimmed();
        if (name.isEmpty()) continue;
        // Comma or point, as everywhere a number is typed.
        QString text = starts_[k]->text().trimmed();
        text.replace(u',', u'.');
        bool ok = false;
        const double start = text.toDouble(&ok);
        m.Names.push_back(name);
        m.Start.push_back(ok ? start : std::nan(""));
    }
    return m;
}

void UserFitDialog::accept() {
    if (const auto error = kurvimat::analysis::CheckUserFitModel(model())) {
        error_->setText(error->Message);
        error_->show();
        if (error->Place > 0) {
            formula_->setFocus();
            formula_->setCursorPosition(int(error->Place - 1));
        }
        return;
    }
    QDialog::accept();
}
