#include "CursorState.h"

#include "Plot.h"

#include <algorithm>
#include <cmath>
#include <vector>

using kurvimat::analysis::PlotMode;
using kurvimat::analysis::PointSeries;

namespace kurvimat::display {

namespace {

std::array<double, 2> thirds(double start, double end) {
    return {start + (end - start) / 3, start + 2 * (end - start) / 3};
}

// Inverse of PlotColumn / PlotRow.
double valueAtColumn(double x, double start, double end, int w) {
    return start + (x - 1) * (end - start) / (w - 3);
}
double valueAtRow(double y, double start, double end, int h) {
    return start + ((h - 2) - y) * (end - start) / (h - 3);
}

} // namespace

TimeSpan CursorState::timeSpan() const {
    if (!VerticalOn || Mode != PlotMode::Normal) return {};
    return {true, std::min(X[0], X[1]), std::max(X[0], X[1])};
}

bool CursorState::valueOnB(PlotMode mode) const {
    switch (mode) {
    case PlotMode::BAsX:
        return false; // A against B: A runs up the left axis
    case PlotMode::AAsX:
        return true;
    default:
        return ValueAxisB;
    }
}

void CursorState::setVerticalOn(bool on, double start, double end) {
    if (on && !VerticalOn) {
        X = thirds(start, end);
        Active = CursorId::X1;
    }
    VerticalOn = on;
}

void CursorState::setHorizontalOn(bool on, double start, double end) {
    if (on && !HorizontalOn) {
        Y = thirds(start, end);
        Active = CursorId::Y1;
    }
    HorizontalOn = on;
}

void CursorState::setValueAxisB(bool b, double start, double end) {
    if (b == ValueAxisB) return;
    ValueAxisB = b;
    Y = thirds(start, end);
}

void CursorState::followMode(PlotMode mode, std::pair<double, double> bottom,
                             std::pair<double, double> vertical) {
    if (mode == Mode) return;
    const bool vertAxis = valueOnB(Mode);
    Mode = mode;
    X = thirds(bottom.first, bottom.second);
    if (valueOnB(mode) != vertAxis) Y = thirds(vertical.first, vertical.second);
}

double& CursorState::position(CursorId id) {
    switch (id) {
    case CursorId::X1:
        return X[0];
    case CursorId::X2:
        return X[1];
    case CursorId::Y1:
        return Y[0];
    default:
        return Y[1];
    }
}

double CursorState::position(CursorId id) const {
    const bool x = id == CursorId::X1 || id == CursorId::X2;
    const int i = (id == CursorId::X1 || id == CursorId::Y1) ? 0 : 1;
    return x ? X[static_cast<std::size_t>(i)] : Y[static_cast<std::size_t>(i)];
}

CursorAxes AxesOf(const CursorState& state, const ScaleSet& scales, PlotMode mode) {
    const Tscale& y = state.valueOnB(mode) ? scales.B : scales.A;
    return {scales.Bottom->RangeStart, scales.Bottom->RangeEnd, y.RangeStart, y.RangeEnd};
}

CursorMarks MarksOf(const CursorState& state, PlotMode mode) {
    CursorMarks m;
    m.Vertical = state.VerticalOn;
    m.Horizontal = state.HorizontalOn;
    m.X = state.X;
    m.Y = state.Y;
    m.OnB = state.valueOnB(mode);
    m.XNames = mode == PlotMode::Normal ? CursorMarks::Names::Time : CursorMarks::Names::Xy;
    m.Active = static_cast<int>(state.Active);
    return m;
}

std::optional<CursorId> CursorAt(const CursorState& state, const CursorAxes& axes, QSize plot,
                                 double x, double y, double tolerance) {
    const int w = plot.width(), h = plot.height();
    if (w < 4 || h < 4) return std::nullopt;
    std::optional<CursorId> best;
    double bestDistance = tolerance;
    const auto consider = [&](CursorId id, double distance) {
        if (distance <= bestDistance) {
            best = id;
            bestDistance = distance;
        }
    };
    if (state.VerticalOn) {
        consider(CursorId::X1, std::fabs(PlotColumn(state.X[0], axes.XStart, axes.XEnd, w) - x));
        consider(CursorId::X2, std::fabs(PlotColumn(state.X[1], axes.XStart, axes.XEnd, w) - x));
    }
    if (state.HorizontalOn) {
        consider(CursorId::Y1, std::fabs(PlotRow(state.Y[0], axes.YStart, axes.YEnd, h) - y));
        consider(CursorId::Y2, std::fabs(PlotRow(state.Y[1], axes.YStart, axes.YEnd, h) - y));
    }
    return best;
}

void DragCursor(CursorState& state, CursorId id, const CursorAxes& axes, QSize plot, double x,
                double y) {
    const int w = plot.width(), h = plot.height();
    if (w < 4 || h < 4) return;
    // A cursor dragged off the plot stays at its edge, where it can be caught again.
    if (id == CursorId::X1 || id == CursorId::X2)
        state.position(id) = valueAtColumn(std::clamp(x, 1.0, w - 2.0), axes.XStart, axes.XEnd, w);
    else
        state.position(id) = valueAtRow(std::clamp(y, 1.0, h - 2.0), axes.YStart, axes.YEnd, h);
    state.Active = id;
}

double SteppedPosition(double current, int steps, const PointSeries& times, double pixelValue) {
    if (steps == 0) return current;
    if (times.Count <= 0) return current + steps * pixelValue;
    const float* begin = times.T;
    const float* end = times.T + times.Count;
    // Loaded points may be stored in any order: the steps go from time to time.
    if (!std::is_sorted(begin, end)) {
        std::vector<float> sorted(begin, end);
        std::sort(sorted.begin(), sorted.end());
        return SteppedPosition(current, steps, {sorted.data(), nullptr, times.Count}, pixelValue);
    }
    if (steps > 0) {
        const int j = static_cast<int>(
            std::upper_bound(begin, end, current, [](double a, float b) { return a < b; }) - begin);
        if (j >= times.Count) return current;
        return times.T[std::min(j + steps - 1, times.Count - 1)];
    }
    const int j = static_cast<int>(
        std::lower_bound(begin, end, current, [](float a, double b) { return a < b; }) - begin);
    if (j <= 0) return current;
    return times.T[std::max(j + steps, 0)];
}

int NearestOnPlot(const float* xs, const float* ys, int count, const CursorAxes& axes, QSize plot,
                  double x, double y, double tolerance) {
    const int w = plot.width(), h = plot.height();
    if (w < 4 || h < 4) return -1;
    int best = -1;
    double bestSquare = tolerance * tolerance;
    for (int i = 0; i < count; ++i) {
        const double dx = PlotColumn(xs[i], axes.XStart, axes.XEnd, w) - x;
        const double dy = PlotRow(ys[i], axes.YStart, axes.YEnd, h) - y;
        const double square = dx * dx + dy * dy;
        if (square <= bestSquare) {
            best = i;
            bestSquare = square;
        }
    }
    return best;
}

} // namespace kurvimat::display
