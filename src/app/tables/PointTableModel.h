// The points of one set as a table of time, A and B, read from its source without a copy. It
// follows a growing recording by inserting rows, so a view keeps its place and selection.
#pragma once

#include "MeasurementFields.h"
#include "tables/PointTableSource.h"

#include <QAbstractTableModel>

#include <memory>
#include <optional>
#include <vector>

class PointTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    /// The columns every set has; its further quantities follow them.
    enum Column { ColumnTime, ColumnA, ColumnB, ColumnCount };

    explicit PointTableModel(QObject* parent = nullptr);

    /// Shows another set (nullptr: none); the views start over.
    void setSource(std::shared_ptr<const PointTableSource> source);
    const PointTableSource* source() const { return source_.get(); }

    /// Points were added at the end of the set: their rows are inserted. A set that now holds
    /// fewer points than the rows shown was replaced, and starts over.
    void pointsAppended();
    /// The set was emptied or replaced by other points (a new sweep, loaded data).
    void pointsReplaced();
    /// The values or definitions changed with the same points (evaluated again).
    void valuesChanged();

    /// Rows whose time lies between t1 and t2 (in either order) are highlighted.
    void setHighlight(double t1, double t2);
    void clearHighlight();
    bool highlighted(int row) const;

    /// The rows as the measurement text writes them (header line, then one line per row, in the
    /// order given), for the clipboard.
    QString measurementText(const std::vector<int>& rows) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void readFormat();
    std::span<const double> exactColumn(int column) const;
    /// The source's further columns, where they hold a value for every row shown.
    std::span<const kurvimat::signals::QuantityColumn> furtherColumns() const;

    std::shared_ptr<const PointTableSource> source_;
    int rows_ = 0;
    kurvimat::exchange::MeasurementFields fields_;
    QString definitionA_, definitionB_;
    int further_ = 0; // further columns shown
    std::optional<std::pair<double, double>> highlight_;
};
