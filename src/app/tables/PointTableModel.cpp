#include "tables/PointTableModel.h"

#include "SignalDefinition.h"

#include <QBrush>
#include <QColor>

#include <algorithm>

using namespace kurvimat::exchange;
using namespace kurvimat::signals;

namespace {

// Pale amber, as a marker pen: the rows between the time cursors.
const QColor HighlightColour(255, 236, 160);
// B of a set without B, as the readouts show it; copied, the field stays empty.
const QString Missing = QStringLiteral("\u2013");

} // namespace

PointTableModel::PointTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void PointTableModel::setSource(std::shared_ptr<const PointTableSource> source) {
    source_ = std::move(source);
    pointsReplaced();
}

void PointTableModel::readFormat() {
    fields_ = MeasurementFields(source_ ? source_->textFormat() : MeasurementTextFormat{});
    if (source_) {
        if (const auto exact = source_->exactTimes(); !exact.empty())
            fields_.addTimes(exact);
        else
            fields_.addTimes(source_->times());
    }
    definitionA_ = source_ ? source_->definitionA() : QString();
    definitionB_ = source_ ? source_->definitionB() : QString();
}

void PointTableModel::pointsReplaced() {
    beginResetModel();
    readFormat();
    rows_ = source_ ? source_->count() : 0;
    further_ = int(furtherColumns().size());
    endResetModel();
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount + further_ - 1);
}

std::span<const QuantityColumn> PointTableModel::furtherColumns() const {
    if (!source_) return {};
    const auto columns = source_->columns();
    return ColumnsFit(columns, source_->times().size()) ? columns
                                                        : std::span<const QuantityColumn>();
}

void PointTableModel::pointsAppended() {
    const int n = source_ ? source_->count() : 0;
    if (n < rows_) {
        pointsReplaced();
        return;
    }
    if (n == rows_) return;
    const int before = rows_;
    const double step = fields_.smallestTimeStep();
    beginInsertRows({}, before, n - 1);
    fields_.addTimes(source_->times().subspan(std::size_t(before)));
    rows_ = n;
    endInsertRows();
    // A smaller step between the new times gives every time more digits.
    if (before > 0 && fields_.smallestTimeStep() != step)
        emit dataChanged(index(0, ColumnTime), index(before - 1, ColumnTime), {Qt::DisplayRole});
}

void PointTableModel::valuesChanged() {
    if (int(furtherColumns().size()) != further_) {
        pointsReplaced();
        return;
    }
    readFormat();
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
}

void PointTableModel::setHighlight(double t1, double t2) {
    highlight_ = std::minmax(t1, t2);
    if (rows_ > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1), {Qt::BackgroundRole});
}

void PointTableModel::clearHighlight() {
    if (!highlight_) return;
    highlight_.reset();
    if (rows_ > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1), {Qt::BackgroundRole});
}

bool PointTableModel::highlighted(int row) const {
    if (!highlight_ || row < 0 || row >= rows_) return false;
    const auto times = source_->times();
    if (std::size_t(row) >= times.size()) return false;
    const double t = times[std::size_t(row)];
    return t >= highlight_->first && t <= highlight_->second;
}

QString PointTableModel::measurementText(const std::vector<int>& rows) const {
    const auto further = furtherColumns();
    QString text = formatMeasurementText(definitionA_, definitionB_, std::span<const float>(), {},
                                         {}, {}, further);
    if (!source_) return text;
    const auto t = source_->times(), a = source_->valuesA(), b = source_->valuesB();
    // The digits of the whole set: the times of a few rows would resolve only their own spacing.
    const int n = int(std::min({t.size(), a.size(), b.size()}));
    const auto et = exactColumn(ColumnTime), ea = exactColumn(ColumnA), eb = exactColumn(ColumnB);
    const bool exact = std::min({et.size(), ea.size(), eb.size()}) >= std::size_t(n);
    for (const int row : rows) {
        if (row < 0 || row >= std::min(rows_, n)) continue;
        const auto k = std::size_t(row);
        if (exact)
            fields_.appendLine(text, et[k], ea[k], eb[k], further, k);
        else
            fields_.appendLine(text, t[k], a[k], b[k], further, k);
    }
    return text;
}

// The numbers as read of a column, where the set keeps them for every point.
std::span<const double> PointTableModel::exactColumn(int column) const {
    const auto exact = column == ColumnTime ? source_->exactTimes()
                       : column == ColumnA  ? source_->exactValuesA()
                                            : source_->exactValuesB();
    return exact.size() == source_->times().size() ? exact : std::span<const double>();
}

int PointTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int PointTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount + further_;
}

QVariant PointTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_ || !source_) return {};
    const auto k = std::size_t(index.row());
    switch (role) {
    case Qt::DisplayRole: {
        if (index.column() >= ColumnCount) {
            const auto further = furtherColumns();
            const auto c = std::size_t(index.column() - ColumnCount);
            return c < further.size() ? fields_.further(further[c], k) : QString();
        }
        // Until the table is told, a set that was emptied has fewer points than rows.
        const auto column = index.column() == ColumnTime ? source_->times()
                            : index.column() == ColumnA  ? source_->valuesA()
                                                         : source_->valuesB();
        if (k >= column.size()) return {};
        if (const auto exact = exactColumn(index.column()); k < exact.size()) {
            if (index.column() == ColumnTime) return fields_.time(exact[k]);
            if (index.column() == ColumnA) return fields_.valueA(exact[k]);
            return fields_.format().hasB ? fields_.valueB(exact[k]) : Missing;
        }
        if (index.column() == ColumnTime) return fields_.time(column[k]);
        if (index.column() == ColumnA) return fields_.valueA(column[k]);
        return fields_.format().hasB ? fields_.valueB(column[k]) : Missing;
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        return highlighted(index.row()) ? QVariant(QBrush(HighlightColour)) : QVariant();
    default:
        return {};
    }
}

// Two lines: the quantity's unit as the text's first header says "Zeit in s", then the
// definition the values were computed with (or the label they were loaded with).
QVariant PointTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole) return section + 1;
        return {};
    }
    if (section >= ColumnCount) { // a further quantity: named and with its unit as A and B
        const auto further = furtherColumns();
        const auto c = std::size_t(section - ColumnCount);
        if (c >= further.size()) return {};
        const QuantityColumn& q = further[c];
        if (role == Qt::ToolTipRole) return q.header.isEmpty() ? QVariant() : shownName(q.header);
        if (role != Qt::DisplayRole) return {};
        const QString name = q.name.isEmpty() ? tr("Spalte %1").arg(section + 1) : q.name;
        return shownName(q.unit.isEmpty() ? name : name + QStringLiteral(" in ") + q.unit) + u'\n' +
               shownName(q.header);
    }
    if (section < 0) return {};
    const QString definition = section == ColumnA   ? definitionA_
                               : section == ColumnB ? definitionB_
                                                    : QString();
    if (role == Qt::ToolTipRole) return definition.isEmpty() ? QVariant() : definition;
    if (role != Qt::DisplayRole) return {};
    if (section == ColumnTime) return tr("Zeit in s\n");
    const QString channel = section == ColumnA ? QStringLiteral("A") : QStringLiteral("B");
    const QString unit = PointSetParts(definition).unit;
    const QString title = unit.isEmpty() ? channel : channel + QStringLiteral(" in ") + unit;
    return title + u'\n' + definition;
}
