// A copy of the stored points with everything that stands behind them, so that a deletion or a
// load that replaced them can be taken back.
#pragma once

#include "QuantityColumn.h"

#include <QString>

#include <optional>
#include <vector>

namespace kurvimat::acquisition {

struct MeasurementStore;

struct StoredData {
    std::vector<float> T, A, B;
    // Loaded points as read (StoredPoints::ExactT...), empty where there are none.
    std::vector<double> ExactT, ExactA, ExactB;
    double TimeBase = 0;
    std::vector<signals::QuantityColumn> Columns; // StoredPoints::Columns
    // The block values and voltages of recorded points, by point number (from 0).
    std::vector<float> SweepRawA, SweepRawB, SweepVoltsA, SweepVoltsB;
    int SweepFirst = 0;
    float MinA = 0, MaxA = 0, MinB = 0, MaxB = 0, MinT = 0, MaxT = 0;
    QString DefA, DefB;
    // Of points a load replaced: the definitions in force before it, which undo puts back.
    std::optional<QString> InForceA, InForceB;
    bool Loaded = false;
    bool HasB = true;
};

StoredData CopyStoredData(const MeasurementStore& store);
/// Puts the copy back in place of the stored points; a running sweep is abandoned, so that it
/// does not write over them.
void RestoreStoredData(MeasurementStore& store, const StoredData& data);

} // namespace kurvimat::acquisition
