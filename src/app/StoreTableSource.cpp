#include "StoreTableSource.h"

#include "MeasurementStore.h"
#include "SignalDefinition.h"

#include <algorithm>

using namespace kurvimat::acquisition;
using namespace kurvimat::exchange;
using namespace kurvimat::signals;

StoreTableSource::StoreTableSource(const MeasurementStore& store, Set set)
    : store_(store), set_(set) {}

std::span<const float> StoreTableSource::points(const float* data, const float* snapshot) const {
    const bool snap = set_ == Set::Snapshot;
    const int n = std::clamp(snap ? store_.SnapCount : store_.DataCount, 0, PointCapacity);
    return {snap ? snapshot : data, std::size_t(n)};
}

std::span<const float> StoreTableSource::times() const {
    return points(store_.DataT, store_.SnapT);
}

std::span<const float> StoreTableSource::valuesA() const {
    return points(store_.DataA, store_.SnapA);
}

std::span<const float> StoreTableSource::valuesB() const {
    return points(store_.DataB, store_.SnapB);
}

bool StoreTableSource::hasB() const {
    return set_ == Set::Snapshot ? store_.SnapHasB : store_.DataHasB;
}

QString StoreTableSource::definitionA() const {
    return set_ == Set::Snapshot ? store_.SnapDefA : store_.DataDefA;
}

QString StoreTableSource::definitionB() const {
    return set_ == Set::Snapshot ? store_.SnapDefB : store_.DataDefB;
}

MeasurementTextFormat StoreTableSource::textFormat() const {
    const bool loaded = set_ == Set::Snapshot ? store_.SnapLoaded : store_.DataLoaded;
    const Calibration cal{store_.UminA, store_.UmaxA, store_.UminB, store_.UmaxB};
    return PointSetTextFormat(loaded, hasB(), definitionA(), definitionB(), cal);
}
