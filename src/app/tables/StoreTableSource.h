// The table's points read from the measurement store's arrays: the stored points or the
// snapshot.
#pragma once

#include "tables/PointTableSource.h"

namespace kurvimat::acquisition {
struct MeasurementStore;
struct StoredPoints;
} // namespace kurvimat::acquisition

class StoreTableSource : public PointTableSource {
public:
    enum class Set { Data, Snapshot };

    /// The store must outlive the source.
    explicit StoreTableSource(const kurvimat::acquisition::MeasurementStore& store,
                              Set set = Set::Data);

    std::span<const float> times() const override;
    std::span<const float> valuesA() const override;
    std::span<const float> valuesB() const override;
    std::span<const double> exactTimes() const override;
    std::span<const double> exactValuesA() const override;
    std::span<const double> exactValuesB() const override;
    bool hasB() const override;
    std::span<const kurvimat::signals::QuantityColumn> columns() const override;
    QString definitionA() const override;
    QString definitionB() const override;
    kurvimat::exchange::MeasurementTextFormat textFormat() const override;

private:
    const kurvimat::acquisition::StoredPoints& stored() const; // the set this table shows
    std::span<const float> points(const float* values) const;

    const kurvimat::acquisition::MeasurementStore& store_;
    Set set_;
};
