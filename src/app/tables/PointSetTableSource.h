// The table's points read from a session point set: the current data or a run.
#pragma once

#include "SignalDefinition.h"
#include "tables/PointTableSource.h"

#include <functional>

namespace kurvimat::session {
class PointSet;
}

class PointSetTableSource : public PointTableSource {
public:
    /// Finds the set; nullptr when it is gone.
    using Lookup = std::function<const kurvimat::session::PointSet*()>;

    /// The set is looked up afresh for every read, so that a run that moved (its list grew) is
    /// read where it is now, and one that was deleted reads as no points. A recorded set's
    /// digits follow cal.
    explicit PointSetTableSource(Lookup lookup, const kurvimat::signals::Calibration& cal = {});
    /// A set that outlives the source where it is.
    explicit PointSetTableSource(const kurvimat::session::PointSet& points,
                                 const kurvimat::signals::Calibration& cal = {});

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
    Lookup lookup_;
    kurvimat::signals::Calibration cal_;
};
