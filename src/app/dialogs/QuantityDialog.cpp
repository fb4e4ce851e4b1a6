#include "dialogs/QuantityDialog.h"

#include "widgets/InputTint.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using kurvimat::session::QuantityDefinition;
using kurvimat::session::Quantities;

QuantityDialog::QuantityDialog(std::vector<QuantityDefinition> definitions, QStringList constants,
                               QStringList columns, QWidget* parent)
    : QDialog(parent), definitions_(std::move(definitions)), columns_(std::move(columns)) {
    setWindowTitle(tr("Größen"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("ListGroessen"));
    auto* add = new QPushButton(tr("&Neue Größe"), this);
    remove_ = new QPushButton(tr("&Entfernen"), this);
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("EditName"));
    unit_ = new QLineEdit(this);
    unit_->setObjectName(QStringLiteral("EditEinheit"));
    formula_ = new QLineEdit(this);
    formula_->setObjectName(QStringLiteral("EditFormel"));
    formula_->setMaxLength(int(kurvimat::analysis::MaxColumnFormulaLength));
    formula_->setToolTip(tr("Über T (Zeit), A, B, die anderen Spalten und die Konstanten, "
                            "z. B. ABL(s;T), 0,5*m*v^2, GLAETT(A;5)"));
    constants_ = new QPlainTextEdit(constants.join(u'\n'), this);
    constants_->setObjectName(QStringLiteral("EditKonstanten"));
    constants_->setTabChangesFocus(true);
    constants_->setToolTip(tr("Eine Konstante je Zeile, z. B. „m = 0,25 kg“"));
    constants_->setFixedHeight(fontMetrics().lineSpacing() * 5);
    fault_ = new QLabel(this);
    fault_->setObjectName(QStringLiteral("LabelFehler"));
    fault_->setWordWrap(true);
    QPalette red = fault_->palette();
    red.setColor(QPalette::WindowText, QColor(248, 0, 0));
    fault_->setPalette(red);

    auto* form = new QFormLayout;
    const auto row = [&](const QString& text, QWidget* field) {
        auto* label = new QLabel(text, this);
        label->setBuddy(field);
        form->addRow(label, field);
    };
    row(tr("N&ame:"), name_);
    row(tr("E&inheit:"), unit_);
    row(tr("&Formel:"), formula_);
    row(tr("&Konstanten:"), constants_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove_);
    buttons->addStretch();
    auto* box = new QDialogButtonBox(this);
    box->addButton(tr("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    box->addButton(tr("Abbrechen"), QDialogButtonBox::RejectRole);
    auto* top = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(list_);
    left->addLayout(buttons);
    top->addLayout(left, 1);
    top->addLayout(form, 2);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addWidget(fault_);
    all->addWidget(box);
    // Tab order: the list, its buttons, the fields, the constants, OK.
    setTabOrder(list_, add);
    setTabOrder(add, remove_);
    setTabOrder(remove_, name_);
    setTabOrder(name_, unit_);
    setTabOrder(unit_, formula_);
    setTabOrder(formula_, constants_);

    connect(add, &QPushButton::clicked, this, [this] { addQuantity(); });
    connect(remove_, &QPushButton::clicked, this, &QuantityDialog::removeQuantity);
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row == current_) return;
        takeFields();
        select(row);
    });
    connect(name_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (QListWidgetItem* item = list_->item(current_)) item->setText(text);
    });
    connect(formula_, &QLineEdit::textEdited, this, [this] { SettleInput(formula_); });
    connect(box, &QDialogButtonBox::accepted, this, &QuantityDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QuantityDialog::reject);

    for (const QuantityDefinition& d : definitions_) list_->addItem(d.name);
    select(definitions_.empty() ? -1 : 0);
    resize(620, 320);
}

void QuantityDialog::takeFields() {
    if (current_ < 0 || current_ >= int(definitions_.size())) return;
    QuantityDefinition& d = definitions_[std::size_t(current_)];
    d.name = name_->text().trimmed();
    d.unit = unit_->text().trimmed();
    d.formula = formula_->text().trimmed();
}

void QuantityDialog::select(int index) {
    current_ = index;
    const bool any = index >= 0 && index < int(definitions_.size());
    for (QWidget* w : {static_cast<QWidget*>(name_), static_cast<QWidget*>(unit_),
                       static_cast<QWidget*>(formula_), static_cast<QWidget*>(remove_)})
        w->setEnabled(any);
    const QuantityDefinition d = any ? definitions_[std::size_t(index)] : QuantityDefinition{};
    name_->setText(d.name);
    unit_->setText(d.unit);
    formula_->setText(d.formula);
    SettleInput(formula_);
    if (list_->currentRow() != index) list_->setCurrentRow(index);
}

void QuantityDialog::addQuantity(const QuantityDefinition& prefill) {
    takeFields();
    definitions_.push_back(prefill);
    list_->addItem(prefill.name);
    select(int(definitions_.size()) - 1);
    name_->setFocus();
}

void QuantityDialog::removeQuantity() {
    if (current_ < 0 || current_ >= int(definitions_.size())) return;
    const int gone = current_;
    definitions_.erase(definitions_.begin() + gone);
    current_ = -1;
    delete list_->takeItem(gone);
    select(std::min(gone, int(definitions_.size()) - 1));
}

std::vector<QuantityDefinition> QuantityDialog::definitions() const {
    auto out = definitions_;
    if (current_ >= 0 && current_ < int(out.size()))
        out[std::size_t(current_)] = {name_->text().trimmed(), unit_->text().trimmed(),
                                      formula_->text().trimmed()};
    return out;
}

QStringList QuantityDialog::constants() const {
    QStringList lines = constants_->toPlainText().split(u'\n');
    lines.removeIf([](const QString& l) { return l.trimmed().isEmpty(); });
    return lines;
}

void QuantityDialog::accept() {
    takeFields();
    const auto fault = Quantities::check(definitions_, constants(), columns_);
    if (!fault) {
        fault_->clear();
        QDialog::accept();
        return;
    }
    fault_->setText(fault->message);
    if (fault->index >= 0) {
        select(fault->index);
        if (fault->place > 0) {
            // The place as the signal lines mark theirs: selected, the line tinted.
            formula_->setFocus();
            formula_->setSelection(int(fault->place) - 1, 1);
            MarkNotApplied(formula_);
        } else {
            name_->setFocus();
        }
    } else {
        constants_->setFocus();
    }
}
