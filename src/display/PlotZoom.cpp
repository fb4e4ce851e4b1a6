#include "PlotZoom.h"

#include <cmath>

namespace kurvimat::display {

std::pair<double, double> ZoomAround(double start, double end, double anchor, double factor) {
    if (!(factor > 0) || !std::isfinite(factor)) return {start, end};
    const double s = anchor - (anchor - start) * factor;
    const double e = anchor + (end - anchor) * factor;
    if (!std::isfinite(s) || !std::isfinite(e) || !(s < e)) return {start, end};
    if (factor < 1 && (e - s) <= 1e-6 * (std::fabs(s) + std::fabs(e))) return {start, end};
    return {s, e};
}

double WheelFactor(int angleDelta) {
    return std::pow(0.8, angleDelta / 120.0);
}

bool WheelZoom(const ScaleSet& scales, double x, double y, QSize plot, double factor, bool values) {
    const int w = plot.width(), h = plot.height();
    if (w < 4 || h < 4) return false;
    bool changed = false;
    const auto zoom = [&](Tscale& scale, double fraction) {
        const double anchor = scale.RangeStart + fraction * (scale.RangeEnd - scale.RangeStart);
        const auto [s, e] = ZoomAround(scale.RangeStart, scale.RangeEnd, anchor, factor);
        if (s == scale.RangeStart && e == scale.RangeEnd) return;
        scale.RangeStart = s;
        scale.RangeEnd = e;
        changed = true;
    };
    if (values) {
        const double fraction = ((h - 2) - y) / (h - 3);
        // The invisible scale of an XY mode is no axis the user sees.
        if (scales.Left->Visible) zoom(*scales.Left, fraction);
        if (scales.Right->Visible) zoom(*scales.Right, fraction);
    } else {
        zoom(*scales.Bottom, (x - 1) / (w - 3));
    }
    return changed;
}

ScaleRanges CaptureRanges(const ScaleSet& scales) {
    ScaleRanges r;
    const Tscale* all[] = {&scales.A, &scales.B, &scales.T, &scales.X};
    for (int i = 0; i < 4; ++i)
        r.R[static_cast<std::size_t>(i)] = {all[i]->RangeStart, all[i]->RangeEnd};
    return r;
}

void RestoreRanges(const ScaleRanges& ranges, const ScaleSet& scales) {
    Tscale* all[] = {&scales.A, &scales.B, &scales.T, &scales.X};
    for (int i = 0; i < 4; ++i) {
        all[i]->RangeStart = ranges.R[static_cast<std::size_t>(i)].first;
        all[i]->RangeEnd = ranges.R[static_cast<std::size_t>(i)].second;
    }
}

void ZoomHistory::push(const ScaleRanges& ranges) {
    if (!entries_.empty() && entries_.back() == ranges) return;
    if (size() >= Capacity) entries_.erase(entries_.begin());
    entries_.push_back(ranges);
}

bool ZoomHistory::back(const ScaleRanges& current, ScaleRanges& out) {
    while (!entries_.empty()) {
        out = entries_.back();
        entries_.pop_back();
        if (!(out == current)) return true;
    }
    return false;
}

bool ZoomHistory::hasEarlier(const ScaleRanges& current) const {
    for (const ScaleRanges& r : entries_)
        if (!(r == current)) return true;
    return false;
}

} // namespace kurvimat::display
