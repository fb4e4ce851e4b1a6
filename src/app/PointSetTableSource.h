// The table's points read from a session point set: the current data or a run.
#pragma once

#include "PointTableSource.h"
#include "SignalDefinition.h"

namespace kurvimat::session {
class PointSet;
}

class PointSetTableSource : public PointTableSource {
public:
    /// The set must outlive the source; a recorded set's digits follow cal.
    explicit PointSetTableSource(const kurvimat::session::PointSet& points,
                                 const Calibration& cal = {});

    std::span<const float> times() const override;
    std::span<const float> valuesA() const override;
    std::span<const float> valuesB() const override;
    bool hasB() const override;
    QString definitionA() const override;
    QString definitionB() const override;
    MeasurementTextFormat textFormat() const override;

private:
    const kurvimat::session::PointSet& points_;
    Calibration cal_;
};
