// What the table of points reads: the points of one set, where they are kept, without a copy.
// The store's arrays and a session point set (the current data or a run) both stand behind it.
#pragma once

#include "MeasurementText.h"

#include <QString>

#include <span>

namespace kurvimat::signals {
struct Calibration;
}

class PointTableSource {
public:
    virtual ~PointTableSource() = default;

    /// Times, values of A and of B, index for index; read afresh on every call, as a growing set
    /// may have moved its points. B holds numbers even without B (hasB false).
    virtual std::span<const float> times() const = 0;
    virtual std::span<const float> valuesA() const = 0;
    virtual std::span<const float> valuesB() const = 0;
    virtual bool hasB() const = 0;
    /// Loaded points as read, in double precision, index for index with the floats; empty where
    /// the set keeps floats alone. The table shows and copies these where there are.
    virtual std::span<const double> exactTimes() const { return {}; }
    virtual std::span<const double> exactValuesA() const { return {}; }
    virtual std::span<const double> exactValuesB() const { return {}; }
    /// The quantities beside time, A and B, one value a point each; empty where the set has
    /// none.
    virtual std::span<const kurvimat::signals::QuantityColumn> columns() const { return {}; }
    /// The definitions the values were computed with, or the column labels they were loaded with
    /// ("Temperatur (°C)"); they name the columns and carry the units.
    virtual QString definitionA() const = 0;
    virtual QString definitionB() const = 0;
    /// How the measurement text writes these points: as read, or with the digits of recorded
    /// values. Asked when the set or its definitions change, not for every cell.
    virtual kurvimat::exchange::MeasurementTextFormat textFormat() const = 0;

    int count() const { return int(times().size()); }
};
