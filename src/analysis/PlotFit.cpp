#include "PlotFit.h"

#include "MeasurementStore.h"

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
    fit.Definition = fit.ChannelB ? store.DataDefB : store.DataDefA;
    fit.DataCount = store.DataCount;
    if (store.DataCount > 0) {
        fit.FirstT = store.DataT[0];
        fit.LastT = store.DataT[store.DataCount - 1];
    }
    return fit;
}

bool FitStillMatches(const PlotFit& fit, const MeasurementStore& store, PlotMode mode) {
    if (mode != fit.Mode || store.DataCount != fit.DataCount) return false;
    if ((fit.ChannelB ? store.DataDefB : store.DataDefA) != fit.Definition) return false;
    return store.DataCount == 0 ||
           (store.DataT[0] == fit.FirstT && store.DataT[store.DataCount - 1] == fit.LastT);
}

QStringList PlotFitReadout(const PlotFit& fit, const MeasurementStore& store) {
    const QString& name = fit.ChannelB ? store.NameB : store.NameA;
    FitUnits units{fit.ChannelB ? store.UnitB : store.UnitA};
    if (fit.Mode != PlotMode::Normal) units.X = fit.ChannelB ? store.UnitA : store.UnitB;
    QStringList lines{QStringLiteral("Ausgleichskurve %1: %2")
                          .arg(fit.ChannelB ? QStringLiteral("B") : QStringLiteral("A"), name)};
    lines << FitReadout(fit.Result, units);
    return lines;
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
    d.Readout = PlotFitReadout(fit, store);
    return d;
}
