// "Eigene Funktion": the user's fit model, y as a formula over x with up to six named
// parameters and their start values. Checked before it closes: a refused model keeps the dialog
// open with the reason, the cursor at the place in the formula it names.
#pragma once

#include "FitModels.h"

#include <QDialog>

#include <array>

class QLabel;
class QLineEdit;

class UserFitDialog : public QDialog {
    Q_OBJECT
public:
    explicit UserFitDialog(QWidget* parent = nullptr);

    /// The fields from a model (the last one fitted, or an example).
    void setModel(const kurvimat::analysis::UserFitModel& model);
    /// The model as typed: the rows with a name, a start value that is no number as NaN.
    kurvimat::analysis::UserFitModel model() const;

    /// Closes only for a model that compiles; else says why.
    void accept() override;

private:
    QLineEdit* formula_;
    std::array<QLineEdit*, kurvimat::analysis::MaxFitParameters> names_{}, starts_{};
    QLabel* error_;
};
