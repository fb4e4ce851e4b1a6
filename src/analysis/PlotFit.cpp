#include "PlotFit.h"

#include "MeasurementStore.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QHash>

#include <algorithm>

namespace {

// Of the first `count` stored points.
std::size_t pointsHash(const MeasurementStore& s, int count) {
    count = std::clamp(count, 0, PointCapacity);
    const auto bytes = static_cast<qsizetype>(count) * static_cast<qsizetype>(sizeof(float));
    const auto view = [&](const float* p) {
        return QByteArrayView(reinterpret_cast<const char*>(p), bytes);
    };
    std::size_t h = qHash(view(s.DataT), count);
    h = qHash(view(s.DataA), h);
    return qHash(view(s.DataB), h);
}

QString nameAndUnit(const MeasurementStore& s, bool channelB) {
    return channelB ? s.NameB + QLatin1Char('\n') + s.UnitB : s.NameA + QLatin1Char('\n') + s.UnitA;
}

} // namespace

PlotFit FitStoredPoints(const MeasurementStore& store, PlotMode mode, bool channelB,
                        FitModel model, double from, double to) {
    PlotFit fit;
    fit.Mode = mode;
    FitSpan span{store.DataT, store.DataT, nullptr, store.DataCount, from, to};
    if (mode == PlotMode::Normal) {
        fit.ChannelB = channelB;
        span.Y = channelB ? store.DataB : store.DataA;
    } else {
        // The points are chosen by their x, the quantity of the bottom axis.
        fit.ChannelB = mode == PlotMode::AAsX;
        span.T = span.X = fit.ChannelB ? store.DataA : store.DataB;
        span.Y = fit.ChannelB ? store.DataB : store.DataA;
        model = FitModel::XYLinear;
    }
    fit.Result = FitCurve(model, span);
    fit.NameAndUnit = nameAndUnit(store, fit.ChannelB);
    fit.PointCount = std::clamp(store.DataCount, 0, PointCapacity);
    fit.PointsHash = pointsHash(store, fit.PointCount);
    fit.WhileRecording = store.TriggerPos >= 0;
    return fit;
}

bool FitStillMatches(const PlotFit& fit, const MeasurementStore& store, PlotMode mode) {
    const int count = std::clamp(store.DataCount, 0, PointCapacity);
    const bool points = fit.WhileRecording ? count >= fit.PointCount : count == fit.PointCount;
    return mode == fit.Mode && nameAndUnit(store, fit.ChannelB) == fit.NameAndUnit && points &&
           pointsHash(store, fit.PointCount) == fit.PointsHash;
}

namespace {

QString channelOf(const PlotFit& fit) {
    return fit.ChannelB ? QStringLiteral("B") : QStringLiteral("A");
}

FitUnits unitsOf(const PlotFit& fit, const MeasurementStore& store, bool minutes) {
    const QString& y = fit.ChannelB ? store.UnitB : store.UnitA;
    if (fit.Mode == PlotMode::Normal) return TimeFitUnits(y, minutes);
    return {y, fit.ChannelB ? store.UnitA : store.UnitB};
}

} // namespace

QStringList PlotFitReadout(const PlotFit& fit, const MeasurementStore& store, bool minutes) {
    const QString& name = fit.ChannelB ? store.NameB : store.NameA;
    QStringList lines{
        QCoreApplication::translate("PlotFit", "Ausgleichskurve %1: %2").arg(channelOf(fit), name)};
    lines << FitReadout(fit.Result, unitsOf(fit, store, minutes));
    if (fit.WhileRecording)
        lines << QCoreApplication::translate("PlotFit",
                                             "während der Messung: spätere Punkte nicht angepasst");
    return lines;
}

ReadoutTable PlotFitTable(const PlotFit& fit, const MeasurementStore& store, bool minutes) {
    return FitTable(fit.Result, unitsOf(fit, store, minutes),
                    QCoreApplication::translate("PlotFit", "Ausgleichskurve ") + channelOf(fit));
}

FitDrawing PlotFitDrawing(const PlotFit& fit, const MeasurementStore& store,
                          const ScaleSet& scales) {
    FitDrawing d;
    const FitResult result = fit.Result;
    if (result.Converged) d.Value = [result](double x) { return FitValue(result, x); };
    d.XFrom = result.XMin;
    d.XTo = result.XMax;
    d.XScale = fit.Mode == PlotMode::Normal ? &scales.T : fit.ChannelB ? &scales.A : &scales.B;
    d.YScale = fit.ChannelB ? &scales.B : &scales.A;
    d.ChannelB = fit.ChannelB;
    d.Readout = PlotFitReadout(fit, store, scales.T.DisplayFactor != 0);
    return d;
}
