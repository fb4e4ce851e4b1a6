#include "PointSet.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace kurvimat::session {

PointSet::PointSet(Origin origin, bool hasA, bool hasB, QString definitionA, QString definitionB)
    : origin_(origin), hasA_(hasA), hasB_(hasB), definitionA_(std::move(definitionA)),
      definitionB_(std::move(definitionB)) {}

double LoadedTimeBase(std::span<const double> t) {
    bool merged = false;
    for (std::size_t i = 1; i < t.size(); ++i) {
        merged = merged || (t[i] != t[i - 1] && float(t[i]) == float(t[i - 1]));
        // Counted from the first, a time must still be a float.
        if (!(std::fabs(t[i] - t[0]) < double(std::numeric_limits<float>::max()))) return 0;
    }
    return merged ? t[0] : 0;
}

PointSet PointSet::loaded(bool hasB, QString definitionA, QString definitionB,
                          std::span<const double> t, std::span<const double> a,
                          std::span<const double> b,
                          std::span<const signals::QuantityColumn> columns) {
    PointSet set(Origin::Loaded, true, hasB, std::move(definitionA), std::move(definitionB));
    const std::size_t n = std::min({t.size(), a.size(), b.size()});
    set.timeBase_ = LoadedTimeBase(t.first(n));
    set.reserve(int(n));
    for (std::size_t i = 0; i < n; ++i)
        set.append({float(t[i] - set.timeBase_), float(a[i]), float(b[i])});
    set.exactT_.assign(t.begin(), t.begin() + std::ptrdiff_t(n));
    set.exactA_.assign(a.begin(), a.begin() + std::ptrdiff_t(n));
    set.exactB_.assign(b.begin(), b.begin() + std::ptrdiff_t(n));
    set.exact_ = true;
    for (const signals::QuantityColumn& c : columns) {
        if (set.columns_.size() == std::size_t(signals::MaxQuantityColumns)) break;
        if (c.values.size() < n) continue;
        signals::QuantityColumn& kept = set.columns_.emplace_back(c);
        kept.values.resize(n);
    }
    return set;
}

bool PointSet::setColumns(std::vector<signals::QuantityColumn> columns) {
    if (!signals::ColumnsFit(columns, t_.size())) return false;
    columns_ = std::move(columns);
    return true;
}

void PointSet::setDefinitions(const QString& a, const QString& b) {
    definitionA_ = a;
    definitionB_ = b;
}

void PointSet::reserve(int points) {
    const auto n = std::size_t(std::max(points, 0));
    for (auto* v : {&t_, &a_, &b_})
        v->reserve(n);
    if (recorded())
        for (auto* v : {&rawA_, &rawB_, &voltsA_, &voltsB_})
            v->reserve(n);
}

void PointSet::append(const SamplePoint& p) {
    // A point without its number as read makes the whole set one of floats, and one without
    // its further values one without them.
    columns_.clear();
    if (exact_) {
        exactT_.clear(), exactA_.clear(), exactB_.clear();
        exact_ = false;
        timeBase_ = 0;
    }
    if (t_.empty()) {
        extents_ = {p.t, p.t, p.a, p.a, p.b, p.b};
    } else {
        extents_.minT = std::min(extents_.minT, p.t);
        extents_.maxT = std::max(extents_.maxT, p.t);
        extents_.minA = std::min(extents_.minA, p.a);
        extents_.maxA = std::max(extents_.maxA, p.a);
        extents_.minB = std::min(extents_.minB, p.b);
        extents_.maxB = std::max(extents_.maxB, p.b);
    }
    t_.push_back(p.t);
    a_.push_back(p.a);
    b_.push_back(p.b);
    if (recorded()) {
        rawA_.push_back(p.rawA);
        rawB_.push_back(p.rawB);
        voltsA_.push_back(p.voltsA);
        voltsB_.push_back(p.voltsB);
    }
}

SamplePoint PointSet::point(int i) const {
    const auto k = std::size_t(i);
    SamplePoint p{t_[k], a_[k], b_[k]};
    if (recorded()) {
        p.rawA = rawA_[k];
        p.rawB = rawB_[k];
        p.voltsA = voltsA_[k];
        p.voltsB = voltsB_[k];
    }
    return p;
}

void PointSet::clear() {
    for (auto* v : {&t_, &a_, &b_, &rawA_, &rawB_, &voltsA_, &voltsB_})
        v->clear();
    for (auto* v : {&exactT_, &exactA_, &exactB_})
        v->clear();
    columns_.clear();
    exact_ = false;
    timeBase_ = 0;
    extents_ = {};
}

double PointSet::spanSeconds() const {
    return t_.size() < 2 ? 0.0 : double(extents_.maxT) - double(extents_.minT);
}

bool PointSet::operator==(const PointSet& o) const {
    return origin_ == o.origin_ && hasA_ == o.hasA_ && hasB_ == o.hasB_ &&
           definitionA_ == o.definitionA_ && definitionB_ == o.definitionB_ && t_ == o.t_ &&
           a_ == o.a_ && b_ == o.b_ && rawA_ == o.rawA_ && rawB_ == o.rawB_ &&
           voltsA_ == o.voltsA_ && voltsB_ == o.voltsB_ && exact_ == o.exact_ &&
           exactT_ == o.exactT_ && exactA_ == o.exactA_ && exactB_ == o.exactB_ &&
           timeBase_ == o.timeBase_ && columns_ == o.columns_;
}

} // namespace kurvimat::session
