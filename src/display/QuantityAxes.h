// One quantity over another: the plot's x and its left and right axes chosen among the time,
// the channels and the further columns of the stored points (T² over l, v over s). The plot
// shows such a choice as a point set of its own, whose time is the chosen x.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace kurvimat::acquisition {
struct StoredPoints;
}

namespace kurvimat::display {

/// What an axis may show, by the key a choice keeps: "t", "A", "B" or a further column's
/// header.
struct QuantityRef {
    QString Key;
    QString Name, Unit;
    /// "Zeit t in s", "T² in s²": as the axis and the menus title it.
    QString Title() const;
};

inline const QString TimeKey = QStringLiteral("t");

/// The quantities of the points that hold values: the time, A (unless it has none), B (where
/// the points hold it) and each further column.
std::vector<QuantityRef> QuantityRefs(const acquisition::StoredPoints& data);

/// The chosen quantities: x, one on the left, another on the right (none: empty), and more
/// that share the left or the right axis with them.
struct QuantityAxes {
    QString X, Left, Right;
    QStringList More;
    bool operator==(const QuantityAxes&) const = default;
};

/// Fills `out` with the points of `data` in which each chosen quantity has a value: x as the
/// time, the left one as A, the right one as B (HasB only when one is chosen), sorted by x with
/// equal x in their order, their definitions "name in unit"; the set counts as loaded. Each of
/// `More` whose unit is the left or the right one's becomes a further column (NaN where it has
/// no value), headed by its key; the others are left out. A key of x, left or right the points
/// do not hold leaves `out` empty. Returns the number of points.
int ProjectQuantities(const acquisition::StoredPoints& data, const QuantityAxes& axes,
                      acquisition::StoredPoints& out);

} // namespace kurvimat::display
