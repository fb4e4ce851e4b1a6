// The cursor readout over the plot: a small table in a framed box. The
// plot repaints under it many times a second while a sweep streams, and the values change with
// the new points: the box keeps itself as a picture, lays the table out only when its rows or a
// column's width change, and otherwise writes just the cells whose text changed. A picture of
// the plot at another scale (copied, saved, printed) gets it drawn afresh, sharp at that scale.
#pragma once

#include "Readout.h"

#include <QPixmap>
#include <QWidget>

#include <vector>

class ReadoutBox : public QWidget {
public:
    explicit ReadoutBox(QWidget* parent = nullptr);

    /// A row as the box shows it: its cells as text (rows only for the copied text left out).
    struct ShownRow {
        QString Label;
        QStringList Cells;
        bool Header = false;
    };

    /// Shows the table and takes the size it needs.
    void setTable(const kurvimat::analysis::ReadoutTable& table);
    const std::vector<ShownRow>& rows() const { return table_; }
    QSize sizeHint() const override;

    /// The same rows with the same labels, kinds and number of cells.
    static bool sameRows(const kurvimat::analysis::ReadoutTable& a,
                         const kurvimat::analysis::ReadoutTable& b);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void layOut();
    // Where a cell lies; column 0 is the label.
    QRect cellRect(int row, int column) const;
    void paintCell(QPainter& painter, int row, int column) const;
    void paintBox(QPainter& painter) const;

    std::vector<ShownRow> table_;
    std::vector<int> columnLeft_, columnWidth_;
    int rowHeight_ = 0, gap_ = 0;
    QSize size_;
    QPixmap picture_; ///< the box at the screen's pixel ratio; null when it must be drawn anew
};
