// "Wertetabelle": values read off a ruler or a stopwatch, typed or pasted into a grid whose
// first two rows name the columns (name, unit). The dialog reads the cells; the caller hands
// the columns to the session, which makes them the data.
#pragma once

#include "QuantityColumn.h"

#include <QChar>
#include <QDialog>
#include <QString>
#include <QStringList>

#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

/// Rows of values the dialog takes at most: the points a set holds.
inline constexpr int MaxValueRows = 10000;
/// Columns it takes at most: A, B and the further columns a set holds.
inline constexpr int MaxValueColumns = kurvimat::signals::MaxQuantityColumns + 2;
/// A pasted text longer than this is not read.
inline constexpr qsizetype MaxPastedChars = 1 << 20;

/// The cells as typed: a name and a unit per column, rows of cells (a row may be shorter).
struct ValueCells {
    QStringList names, units;
    std::vector<QStringList> rows;
};

/// What reading the cells gave: the columns ("l in m", origin Entered, NaN for a blank cell),
/// or the first fault in German with its cell (row -1: the name row; -2: the unit row).
struct ValueTable {
    std::vector<kurvimat::signals::QuantityColumn> columns;
    QString fault;
    int faultRow = 0, faultColumn = 0;
};

/// Rows without a value are left out; every other cell must be a number (ReadTableNumber, the
/// ambiguous "1,100" read by decimalMark), the first two columns must hold one in each row
/// taken. Names are needed and distinct; a colon, which a header would read as a definition,
/// and control characters are refused in names and units.
ValueTable ReadValueCells(const ValueCells& cells, QChar decimalMark);

class ValuesDialog : public QDialog {
    Q_OBJECT
public:
    /// columns: a table to edit (its headers and values); none: "x" and "y" without values.
    explicit ValuesDialog(const std::vector<kurvimat::signals::QuantityColumn>& columns,
                          QChar decimalMark, QWidget* parent = nullptr);

    /// What accept took; empty before.
    const std::vector<kurvimat::signals::QuantityColumn>& columns() const { return taken_; }
    /// A block of TAB and line separated cells, from the current cell on; rows and columns are
    /// added as far as the limits allow.
    void paste(const QString& text);
    /// "Übernehmen": taken only when every cell reads; else the first bad one is said, tinted
    /// and made current.
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTableWidget* grid_;
    QLabel* fault_;
    QPushButton *addColumn_, *removeColumn_, *removeRow_;
    QChar decimalMark_;
    std::vector<kurvimat::signals::QuantityColumn> taken_;

    ValueCells cells() const;
    void setColumnCount(int count);
    void ensureRows(int valueRows);
    void labelRows();
    void clearTints();
};
