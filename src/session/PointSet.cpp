#include "PointSet.h"

#include <algorithm>
#include <utility>

namespace kurvimat::session {

PointSet::PointSet(Origin origin, bool hasA, bool hasB, QString definitionA, QString definitionB)
    : origin_(origin), hasA_(hasA), hasB_(hasB), definitionA_(std::move(definitionA)),
      definitionB_(std::move(definitionB)) {}

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
    extents_ = {};
}

double PointSet::spanSeconds() const {
    return t_.size() < 2 ? 0.0 : double(extents_.maxT) - double(extents_.minT);
}

bool PointSet::operator==(const PointSet& o) const {
    return origin_ == o.origin_ && hasA_ == o.hasA_ && hasB_ == o.hasB_ &&
           definitionA_ == o.definitionA_ && definitionB_ == o.definitionB_ && t_ == o.t_ &&
           a_ == o.a_ && b_ == o.b_ && rawA_ == o.rawA_ && rawB_ == o.rawB_ &&
           voltsA_ == o.voltsA_ && voltsB_ == o.voltsB_;
}

} // namespace kurvimat::session
