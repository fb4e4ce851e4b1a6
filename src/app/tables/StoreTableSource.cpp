#include "tables/StoreTableSource.h"

#include "MeasurementStore.h"
#include "SignalDefinition.h"

#include <algorithm>

using namespace kurvimat::acquisition;
using namespace kurvimat::exchange;
using namespace kurvimat::signals;

StoreTableSource::StoreTableSource(const MeasurementStore& store, Set set)
    : store_(store), set_(set) {}

const kurvimat::acquisition::StoredPoints& StoreTableSource::stored() const {
    return set_ == Set::Snapshot ? store_.Snap : store_.Data;
}

std::span<const float> StoreTableSource::points(const float* values) const {
    return {values, std::size_t(std::clamp(stored().Count, 0, PointCapacity))};
}

std::span<const float> StoreTableSource::times() const {
    return points(stored().T);
}

std::span<const float> StoreTableSource::valuesA() const {
    return points(stored().A);
}

std::span<const float> StoreTableSource::valuesB() const {
    return points(stored().B);
}

std::span<const double> StoreTableSource::exactTimes() const {
    return stored().Exact() ? std::span<const double>(stored().ExactT) : std::span<const double>();
}

std::span<const double> StoreTableSource::exactValuesA() const {
    return stored().Exact() ? std::span<const double>(stored().ExactA) : std::span<const double>();
}

std::span<const double> StoreTableSource::exactValuesB() const {
    return stored().Exact() ? std::span<const double>(stored().ExactB) : std::span<const double>();
}

bool StoreTableSource::hasB() const {
    return stored().HasB;
}

std::span<const QuantityColumn> StoreTableSource::columns() const {
    return stored().Further();
}

QString StoreTableSource::definitionA() const {
    return stored().DefA;
}

QString StoreTableSource::definitionB() const {
    return stored().DefB;
}

MeasurementTextFormat StoreTableSource::textFormat() const {
    const Calibration cal{store_.UminA, store_.UmaxA, store_.UminB, store_.UmaxB};
    return PointSetTextFormat(stored().Loaded, hasB(), definitionA(), definitionB(), cal);
}
