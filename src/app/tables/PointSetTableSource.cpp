#include "tables/PointSetTableSource.h"

#include "PointSet.h"

using namespace kurvimat::exchange;
using namespace kurvimat::signals;

using kurvimat::session::PointSet;

namespace {

const PointSet NoPoints;

const PointSet& found(const PointSetTableSource::Lookup& lookup) {
    const PointSet* set = lookup ? lookup() : nullptr;
    return set ? *set : NoPoints;
}

} // namespace

PointSetTableSource::PointSetTableSource(Lookup lookup, const Calibration& cal)
    : lookup_(std::move(lookup)), cal_(cal) {}

PointSetTableSource::PointSetTableSource(const PointSet& points, const Calibration& cal)
    : PointSetTableSource([&points] { return &points; }, cal) {}

std::span<const float> PointSetTableSource::times() const {
    return found(lookup_).times();
}

std::span<const float> PointSetTableSource::valuesA() const {
    return found(lookup_).valuesA();
}

std::span<const float> PointSetTableSource::valuesB() const {
    return found(lookup_).valuesB();
}

std::span<const double> PointSetTableSource::exactTimes() const {
    return found(lookup_).exactTimes();
}

std::span<const double> PointSetTableSource::exactValuesA() const {
    return found(lookup_).exactValuesA();
}

std::span<const double> PointSetTableSource::exactValuesB() const {
    return found(lookup_).exactValuesB();
}

bool PointSetTableSource::hasB() const {
    return found(lookup_).hasB();
}

std::span<const QuantityColumn> PointSetTableSource::columns() const {
    return found(lookup_).columns();
}

QString PointSetTableSource::definitionA() const {
    return found(lookup_).definitionA();
}

QString PointSetTableSource::definitionB() const {
    return found(lookup_).definitionB();
}

MeasurementTextFormat PointSetTableSource::textFormat() const {
    const PointSet& set = found(lookup_);
    return PointSetTextFormat(!set.recorded(), set.hasB(), set.definitionA(), set.definitionB(),
                              cal_);
}
