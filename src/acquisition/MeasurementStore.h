// The acquisition state of a session: raw rings, block-mean history, the running sweep,
// the stored points, the snapshot and the applied signal definitions. The session owns one on
// the heap; every operation on it runs on the GUI thread and needs no locks. What the display
// must draw again is the display's own (DisplayChanges), told by what changed.
#pragma once

#include "QuantityColumn.h"

#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kurvimat::acquisition {

/// Entries of the raw rings RawA/RawB: one per millisecond, so the last 150 s.
inline constexpr int RawCapacity = 150000;
/// Entries of the block-mean history and of every point array (sweep, data, snapshot).
inline constexpr int PointCapacity = 10000;

/// Timer ticks between two readout refreshes (20 x 50 ms).
inline constexpr int ReadoutTicks = 20;

// Start-up values that live in the store alone.
inline constexpr int DefaultIntervalMs = 5;
inline constexpr int DefaultPointCount = 200;
inline constexpr int DefaultPreTrigger = 20;
inline constexpr int DefaultTriggerLevel = 512;
inline constexpr float DefaultStepTime = 0.001f;
inline constexpr float DefaultTimeOrigin =
    -DefaultPreTrigger * (DefaultIntervalMs * DefaultStepTime);

/// One set of stored points with its channels, extents and the definitions its values were
/// computed with: the current data or the snapshot.
struct StoredPoints {
    float T[PointCapacity] = {};
    float A[PointCapacity] = {};
    float B[PointCapacity] = {};
    std::int32_t Count = 0;
    float MinA = 0, MaxA = 0, MinB = 0, MaxB = 0, MinT = 0, MaxT = 0;
    QString DefA, DefB; // the definitions the stored values were computed with
    // The points were loaded or pasted: no raw values stand behind them, so they are never
    // evaluated again, keep their times and are written back as they were read.
    bool Loaded = false;
    // The points hold values of B; loaded from a text without a B column they do not, and B
    // is then neither drawn, shown nor written.
    bool HasB = true;
    // Every evaluation of the channel's formula failed for these points: they hold no values
    // of it, and are neither drawn nor read.
    bool NoValueA = false, NoValueB = false;
    // Loaded points as read, in double precision, where they were loaded with them: T, A and B
    // draw them (T counted from TimeBase), these are written back and kept.
    std::vector<double> ExactT, ExactA, ExactB;
    double TimeBase = 0;
    // The further quantities of the points, one value a point each (those of a loaded text, or
    // of any points a further column was added to); a new sweep starts without them.
    std::vector<signals::QuantityColumn> Columns;
    // Of each further column, how many of its first values no point added later will change
    // (a calculated column's last ones wait for the points its window reaches); all of them
    // where this holds no count for it. The display draws only these while a sweep grows.
    std::vector<std::size_t> Settled;

    /// The points are loaded ones kept as read, one exact number for each.
    bool Exact() const {
        const auto n = std::size_t(Count > 0 ? Count : 0);
        return Loaded && ExactT.size() == n && ExactA.size() == n && ExactB.size() == n;
    }
    /// Forgets the numbers as read and the further columns: the points are no longer the
    /// loaded ones.
    void DropExact() {
        ExactT.clear(), ExactA.clear(), ExactB.clear();
        TimeBase = 0;
        Columns.clear();
        Settled.clear();
    }
    /// The further columns, where they belong to these points: one value for each.
    /// How many of further column i's values are drawn: its settled ones, at most Count.
    std::size_t SettledCount(std::size_t i) const {
        const auto n = std::size_t(Count > 0 ? Count : 0);
        return i < Settled.size() ? std::min(Settled[i], n) : n;
    }
    std::span<const signals::QuantityColumn> Further() const {
        if (Columns.empty() || !signals::ColumnsFit(Columns, std::size_t(Count > 0 ? Count : 0)))
            return {};
        return Columns;
    }

    StoredPoints() = default;
    StoredPoints(float minT, float maxT) : MinT(minT), MaxT(maxT) {}
};

struct MeasurementStore {
    // Instrument configuration (the held device itself is the window's: HeldInstrument()).
    std::int32_t InputCodeA = 0;
    std::int32_t InputCodeB = 0; // equal to InputCodeA: channel B off, A sampled at double rate
    std::int32_t DeviceMode = DefaultIntervalMs; // report layout, min(IntervalMs, 5)
    std::int32_t PullUpBits = 0;
    float StepTime = DefaultStepTime; // seconds per pipeline step
    float UmaxA = 5, UminA = 0;       // volts at raw 1023 and raw 0
    float UmaxB = 5, UminB = 0;

    // Timing and sweep settings.
    std::int32_t IntervalMs = DefaultIntervalMs; // steps averaged into one point
    std::int32_t PointCount = DefaultPointCount;
    std::int32_t PreTrigger = DefaultPreTrigger; // 0 ... PointCount
    float PointTime = DefaultIntervalMs * DefaultStepTime;
    float TimeOrigin = -DefaultPreTrigger * (DefaultIntervalMs * DefaultStepTime);
    float TimeRangeMin = 0, TimeRangeMax = 0;

    // Raw rings, written at the same position RawIndex.
    std::int32_t RawA[RawCapacity] = {};
    std::int32_t RawB[RawCapacity] = {}; // 0 while channel B is off
    std::int32_t RawIndex = 0;
    std::int32_t RawFilled = 0; // entries written since start, held at RawCapacity
    // The calibrations the raw entries were measured under: each from entry `Since` (counted
    // in RawWritten) on, newest last, the oldest dropped beyond RawCalibrationCapacity.
    struct RawCalibration {
        std::int64_t Since = 0;
        float UminA = 0, UmaxA = 5, UminB = 0, UmaxB = 5;
    };
    static constexpr int RawCalibrationCapacity = 16;
    RawCalibration RawCalibrations[RawCalibrationCapacity] = {};
    std::int32_t RawCalibrationCount = 0;
    std::int64_t RawWritten = 0; // entries written since start

    // Averaging. With channel B off, BlockSumB sums the squares of the channel A values.
    // Double: in 32-bit floats the sum of squares of a long block cancels against the squared
    // sum, and the deviation of a noisy signal comes out as 0 at 60000 steps.
    double BlockSumA = 0, BlockSumB = 0;
    std::int32_t BlockCount = 0;
    float LabelSumA = 0, LabelSumB = 0;
    std::int32_t LabelCount = 0;
    std::int32_t TickCount = 0;
    float LabelValueA = 0, LabelValueB = 0;

    // Block-mean history ring. With channel B off MeanB holds the standard deviation of A.
    float MeanA[PointCapacity] = {};
    float MeanB[PointCapacity] = {};
    // The channel voltages each block was measured as: pre-trigger points keep the input range
    // they were measured in, also when it changed before the trigger.
    float MeanVoltsA[PointCapacity] = {};
    float MeanVoltsB[PointCapacity] = {};
    std::int32_t MeanIndex = 0;
    // Blocks of the ring that were measured (or rebuilt from measured raw entries), held at
    // PointCapacity; a trigger takes no pre-trigger points from beyond them.
    std::int32_t MeanFilled = 0;
    float PrevMeanA = 0, PrevMeanB = 0;

    // Trigger: TriggerPos is -1 while waiting, else MeanIndex at the moment of the trigger.
    std::int32_t TriggerPos = -1;
    std::int32_t TriggerLevel = DefaultTriggerLevel; // raw units
    std::int32_t SinceArmed = 0;                     // closed blocks since arming, held at 10000

    // Current sweep, index = point number: the block values and the channel voltages they
    // were measured as, kept so that the points can be evaluated again under the calibration
    // they were recorded with.
    float SweepRawA[PointCapacity] = {};
    float SweepRawB[PointCapacity] = {};
    float SweepVoltsA[PointCapacity] = {};
    float SweepVoltsB[PointCapacity] = {};
    std::int32_t SweepIndex = 0;
    // Point number of stored point 0: above 0 when the history held fewer than PreTrigger
    // measured blocks at the trigger.
    std::int32_t SweepFirst = 0;
    // The stored points of the last sweep (or the loaded ones) and the snapshot; the time
    // extents of the empty store are those of the start-up sweep.
    StoredPoints Data =
        StoredPoints(DefaultTimeOrigin, DefaultTimeOrigin + DefaultIntervalMs * DefaultStepTime);
    StoredPoints Snap;

    // Applied signal definitions.
    float DefMinA = 0, DefMaxA = 0, DefMinB = 0, DefMaxB = 0;
    QString NameA, NameB;
    QString UnitA, UnitB;
    QString FormulaA, FormulaB;
    bool DefAppliedA = false, DefAppliedB = false;
    // The definition lines compiled into the parsers; a rejected line in a combo box is not.
    QString AppliedDefA, AppliedDefB;
    /// The further column (by its header) the user chose for the right axis while B is not
    /// shown; empty: the first of a unit other than A's. The session's view sets it.
    QString RightAxisChoice;

    /// Channel B is off when both input codes are equal; the decoder and the pipeline then
    /// treat both value slots as channel A.
    bool ChannelBOff() const { return InputCodeA == InputCodeB; }
};

} // namespace kurvimat::acquisition
