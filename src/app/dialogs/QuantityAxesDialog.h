// "Achsen wählen": which quantity runs along x and which the left and right axes show, among
// the time, the channels and the further columns of the current points.
#pragma once

#include "QuantityAxes.h"

#include <QDialog>

#include <vector>

class QComboBox;
class QListWidget;

class QuantityAxesDialog : public QDialog {
    Q_OBJECT
public:
    /// The choices offered; `chosen` preselected where it names one of them.
    QuantityAxesDialog(std::vector<kurvimat::display::QuantityRef> refs,
                       const kurvimat::display::QuantityAxes& chosen, QWidget* parent = nullptr);

    kurvimat::display::QuantityAxes axes() const;

private:
    std::vector<kurvimat::display::QuantityRef> refs_;
    QComboBox *x_, *left_, *right_;
    QListWidget* more_;
};
