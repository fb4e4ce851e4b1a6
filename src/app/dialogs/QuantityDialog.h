// "Größen": the calculated quantities of the session, each a name, a unit and a formula, and
// the constants their formulas use. The dialog edits a copy; the caller puts it in force.
#pragma once

#include "Quantities.h"

#include <QDialog>
#include <QStringList>

#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

class QuantityDialog : public QDialog {
    Q_OBJECT
public:
    /// columns: the identifiers of the data's other columns, which formulas may use.
    QuantityDialog(std::vector<kurvimat::session::QuantityDefinition> definitions,
                   QStringList constants, QStringList columns, QWidget* parent = nullptr);

    /// A new quantity, prefilled (a formula offered from elsewhere), selected for editing.
    void addQuantity(const kurvimat::session::QuantityDefinition& prefill = {});
    std::vector<kurvimat::session::QuantityDefinition> definitions() const;
    QStringList constants() const;

    /// OK: taken only when the definitions hold; else the fault is said and marked.
    void accept() override;

private:
    std::vector<kurvimat::session::QuantityDefinition> definitions_;
    QStringList columns_;
    int current_ = -1;
    QListWidget* list_;
    QLineEdit *name_, *unit_, *formula_;
    QPlainTextEdit* constants_;
    QLabel* fault_;
    QPushButton* remove_;

    void takeFields();
    void select(int index);
    void removeQuantity();
};
