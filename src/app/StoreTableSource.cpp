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
    const int n = std::clamp(snap ? store_.Snap.Count : store_.Data.Count, 0, PointCapacity);
    return {snap ? snapshot : data, std::size_t(n)};
}

std::span<const float> StoreTableSource::times() const {
    return points(store_.Data.T, store_.Snap.T);
}

std::span<const float> StoreTableSource::valuesA() const {
    return points(store_.Data.A, store_.Snap.A);
}

std::span<const float> StoreTableSource::valuesB() const {
    return points(store_.Data.B, store_.Snap.B);
}

bool StoreTableSource::hasB() const {
    return set_ == Set::Snapshot ? store_.Snap.HasB : store_.Data.HasB;
}

QString StoreTableSource::definitionA() const {
    return set_ == Set::Snapshot ? store_.Snap.DefA : store_.Data.DefA;
}

QString StoreTableSource::definitionB() const {
    return set_ == Set::Snapshot ? store_.Snap.DefB : store_.Data.DefB;
}

MeasurementTextFormat StoreTableSource::textFormat() const {
    const bool loaded = set_ == Set::Snapshot ? store_.Snap.Loaded : store_.Data.Loaded;
    const Calibration cal{store_.UminA, store_.UmaxA, store_.UminB, store_.UmaxB};
    return PointSetTextFormat(loaded, hasB(), definitionA(), definitionB(), cal);
}
