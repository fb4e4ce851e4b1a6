#include "PointSetTableSource.h"

#include "PointSet.h"

PointSetTableSource::PointSetTableSource(const kurvimat::session::PointSet& points,
                                         const Calibration& cal)
    : points_(points), cal_(cal) {}

std::span<const float> PointSetTableSource::times() const {
    return points_.times();
}

std::span<const float> PointSetTableSource::valuesA() const {
    return points_.valuesA();
}

std::span<const float> PointSetTableSource::valuesB() const {
    return points_.valuesB();
}

bool PointSetTableSource::hasB() const {
    return points_.hasB();
}

QString PointSetTableSource::definitionA() const {
    return points_.definitionA();
}

QString PointSetTableSource::definitionB() const {
    return points_.definitionB();
}

MeasurementTextFormat PointSetTableSource::textFormat() const {
    return PointSetTextFormat(!points_.recorded(), points_.hasB(), points_.definitionA(),
                              points_.definitionB(), cal_);
}
