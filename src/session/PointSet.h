// One set of stored points: the current data, the snapshot and every run are this type.
#pragma once

#include "QuantityColumn.h"

#include <QString>

#include <cstddef>
#include <span>
#include <vector>

namespace kurvimat::session {

/// One stored point with what it was measured as. rawA/rawB are the averaged raw values,
/// voltsA/voltsB the channel voltages under the calibration of that moment; both are zero
/// where no raw values stand behind the point (loaded or pasted points).
struct SamplePoint {
    float t = 0, a = 0, b = 0;
    float rawA = 0, rawB = 0, voltsA = 0, voltsB = 0;

    bool operator==(const SamplePoint&) const = default;
};

/// Smallest and largest time and value of each channel; meaningful only for a non-empty set.
struct Extents {
    float minT = 0, maxT = 0, minA = 0, maxA = 0, minB = 0, maxB = 0;

    bool operator==(const Extents&) const = default;
};

/// Where the float times of loaded points count from: 0, or the first time where floats would
/// make one time of two different consecutive ones (epoch seconds a second apart).
double LoadedTimeBase(std::span<const double> t);

class PointSet {
public:
    /// Whether raw values stand behind the points: only recorded points can be evaluated
    /// again under a changed definition; loaded ones keep their values and times.
    enum class Origin { Recorded, Loaded };

    PointSet() = default;
    PointSet(Origin origin, bool hasA, bool hasB, QString definitionA, QString definitionB);
    /// A loaded set that keeps the numbers as read; its floats (times from LoadedTimeBase) draw
    /// it. Takes min(t.size(), a.size(), b.size()) points, and the further columns that hold
    /// one value for each of them (at most MaxQuantityColumns).
    static PointSet loaded(bool hasB, QString definitionA, QString definitionB,
                           std::span<const double> t, std::span<const double> a,
                           std::span<const double> b,
                           std::span<const signals::QuantityColumn> columns = {});

    Origin origin() const { return origin_; }
    bool recorded() const { return origin_ == Origin::Recorded; }
    bool hasA() const { return hasA_; }
    bool hasB() const { return hasB_; }
    const QString& definitionA() const { return definitionA_; }
    const QString& definitionB() const { return definitionB_; }
    void setDefinitions(const QString& a, const QString& b);

    int size() const { return int(t_.size()); }
    bool empty() const { return t_.empty(); }
    void reserve(int points);
    void append(const SamplePoint& point);
    SamplePoint point(int index) const;
    void clear();

    const std::vector<float>& times() const { return t_; }
    const std::vector<float>& valuesA() const { return a_; }
    const std::vector<float>& valuesB() const { return b_; }
    /// Empty for a loaded set.
    const std::vector<float>& rawA() const { return rawA_; }
    const std::vector<float>& rawB() const { return rawB_; }
    const std::vector<float>& voltsA() const { return voltsA_; }
    const std::vector<float>& voltsB() const { return voltsB_; }

    /// The set keeps its numbers as read (loaded with them); else only the floats stand.
    bool exact() const { return exact_; }
    /// As read; empty unless exact().
    const std::vector<double>& exactTimes() const { return exactT_; }
    const std::vector<double>& exactValuesA() const { return exactA_; }
    const std::vector<double>& exactValuesB() const { return exactB_; }
    /// The quantities beside time, A and B, one value a point each.
    const std::vector<signals::QuantityColumn>& columns() const { return columns_; }
    /// Gives the set these further columns; refused (false, nothing changes) unless each holds
    /// one value a point and there are at most MaxQuantityColumns. A point appended later takes
    /// them away again.
    bool setColumns(std::vector<signals::QuantityColumn> columns);
    /// What the float times count from: the float time is the time as read minus this.
    double timeBase() const { return timeBase_; }

    const Extents& extents() const { return extents_; }
    /// Time from the first to the last point in seconds; 0 for fewer than two points.
    double spanSeconds() const;

    bool operator==(const PointSet& other) const;

private:
    Origin origin_ = Origin::Recorded;
    bool hasA_ = true, hasB_ = true;
    QString definitionA_, definitionB_;
    std::vector<float> t_, a_, b_;
    std::vector<float> rawA_, rawB_, voltsA_, voltsB_;
    std::vector<double> exactT_, exactA_, exactB_;
    std::vector<signals::QuantityColumn> columns_;
    double timeBase_ = 0;
    bool exact_ = false;
    Extents extents_;
};

} // namespace kurvimat::session
