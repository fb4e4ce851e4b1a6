#include "PlotFit.h"

#include "Measure.h"
#include "MeasurementStore.h"
#include "Palette.h"
#include "Plot.h"
#include "SignalDefinition.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>

using kurvimat::acquisition::MeasurementStore;
using kurvimat::acquisition::PointCapacity;
using kurvimat::analysis::FitCurve;
using kurvimat::analysis::FitModel;
using kurvimat::analysis::FitReadout;
using kurvimat::analysis::FitResult;
using kurvimat::analysis::FitSpan;
using kurvimat::analysis::FitTable;
using kurvimat::analysis::FitUnits;
using kurvimat::analysis::FitValue;
using kurvimat::analysis::PlotMode;
using kurvimat::analysis::ReadoutTable;
using kurvimat::analysis::TimeFitUnits;

namespace kurvimat::display {

namespace {

// Of the first `count` stored points.
std::size_t pointsHash(const MeasurementStore& s, int count) {
    count = std::clamp(count, 0, PointCapacity);
    const auto bytes = static_cast<qsizetype>(count) * static_cast<qsizetype>(sizeof(float));
    const auto view = [&](const float* p) {
        return QByteArrayView(reinterpret_cast<const char*>(p), bytes);
    };
    std::size_t h = qHash(view(s.Data.T), count);
    h = qHash(view(s.Data.A), h);
    return qHash(view(s.Data.B), h);
}

std::size_t runHash(const RunChannelPoints& run) {
    const auto bytes = static_cast<qsizetype>(std::max(run.Count, 0)) * qsizetype(sizeof(float));
    const std::size_t h =
        qHash(QByteArrayView(reinterpret_cast<const char*>(run.T), bytes), run.Count);
    return qHash(QByteArrayView(reinterpret_cast<const char*>(run.Y), bytes), h);
}

// The times and the column's values of the first `count` stored points.
std::size_t columnHash(const MeasurementStore& s, int column, int count) {
    count = std::clamp(count, 0, PointCapacity);
    const auto further = s.Data.Further();
    if (column < 0 || std::size_t(column) >= further.size()) return 0;
    const std::vector<double>& values = further[std::size_t(column)].values;
    const auto n = std::min<qsizetype>(count, qsizetype(values.size()));
    std::size_t h = qHash(QByteArrayView(reinterpret_cast<const char*>(s.Data.T),
                                         qsizetype(count) * qsizetype(sizeof(float))),
                          count);
    return qHash(QByteArrayView(reinterpret_cast<const char*>(values.data()),
                                n * qsizetype(sizeof(double))),
                 h);
}

const signals::QuantityColumn* columnOf(const MeasurementStore& s, int column) {
    const auto further = s.Data.Further();
    return column >= 0 && std::size_t(column) < further.size() ? &further[std::size_t(column)]
                                                                : nullptr;
}

QString nameAndUnit(const MeasurementStore& s, bool channelB) {
    const signals::DefinitionParts parts = StoredPointsParts(s, channelB);
    return signals::shownName(parts.name) + QLatin1Char('\n') + signals::shownName(parts.unit);
}

} // namespace

signals::DefinitionParts StoredPointsParts(const MeasurementStore& s, bool channelB) {
    // Loaded points keep the label they came with, whatever definition is applied over them.
    if (s.Data.Count > 0 && s.Data.Loaded)
        return signals::PointSetParts(channelB ? s.Data.DefB : s.Data.DefA);
    signals::DefinitionParts parts;
    parts.name = channelB ? s.NameB : s.NameA;
    parts.unit = channelB ? s.UnitB : s.UnitA;
    return parts;
}

PlotFit FitStoredPoints(const MeasurementStore& store, PlotMode mode, bool channelB,
                        FitModel model, double from, double to,
                        const analysis::UserFitModel* user) {
    PlotFit fit;
    fit.Mode = mode;
    FitSpan span{store.Data.T, store.Data.T, nullptr, store.Data.Count, from, to};
    if (mode == PlotMode::Normal) {
        fit.ChannelB = channelB;
        span.Y = channelB ? store.Data.B : store.Data.A;
    } else {
        // The points are chosen by their x, the quantity of the bottom axis.
        fit.ChannelB = mode == PlotMode::AAsX;
        span.T = span.X = fit.ChannelB ? store.Data.A : store.Data.B;
        span.Y = fit.ChannelB ? store.Data.B : store.Data.A;
        const analysis::FitModelSpec* entry = analysis::FindFitModel(model);
        if (!entry || (entry->OverTime && model != FitModel::User)) model = FitModel::XYLinear;
    }
    fit.Result = FitCurve(model, span, user);
    fit.NameAndUnit = nameAndUnit(store, fit.ChannelB);
    fit.PointCount = std::clamp(store.Data.Count, 0, PointCapacity);
    fit.PointsHash = pointsHash(store, fit.PointCount);
    fit.WhileRecording = store.TriggerPos >= 0;
    return fit;
}

PlotFit FitStoredColumn(const MeasurementStore& store, int column, FitModel model, double from,
                        double to, const analysis::UserFitModel* user) {
    PlotFit fit;
    const signals::QuantityColumn* c = columnOf(store, column);
    if (!c) {
        fit.Result.Error = QCoreApplication::translate("PlotFit", "Diese Größe gibt es nicht mehr.");
        return fit;
    }
    const int count = std::min(std::clamp(store.Data.Count, 0, PointCapacity), int(c->values.size()));
    const analysis::TimeBounds bounds = analysis::BoundsOf(from, to);
    std::vector<double> x, y;
    for (int i = 0; i < count; ++i)
        if (bounds.contains(store.Data.T[i])) {
            x.push_back(store.Data.T[i]);
            y.push_back(c->values[std::size_t(i)]);
        }
    fit.Result = analysis::FitPointsCurve(model, x, y, user);
    fit.Column = column;
    fit.ColumnHeader = c->header;
    fit.ColumnUnit = c->unit;
    fit.ChannelName = c->name;
    fit.ChannelUnit = c->unit;
    fit.PointCount = count;
    fit.PointsHash = columnHash(store, column, count);
    fit.WhileRecording = store.TriggerPos >= 0;
    return fit;
}

PlotFit FitRunPoints(const RunChannelPoints& run, FitModel model, double from, double to,
                     const analysis::UserFitModel* user) {
    PlotFit fit;
    fit.ChannelB = run.ChannelB;
    fit.Result = FitCurve(model, {run.T, run.T, run.Y, run.Count, from, to}, user);
    fit.NameAndUnit = run.Name + QLatin1Char('\n') + run.Unit;
    fit.PointCount = run.Count;
    fit.PointsHash = runHash(run);
    fit.RunId = run.RunId;
    fit.RunName = run.RunName;
    fit.RunColour = run.RunColour;
    fit.ChannelName = run.Name;
    fit.ChannelUnit = run.Unit;
    return fit;
}

bool RunFitStillMatches(const PlotFit& fit, const RunChannelPoints& run) {
    return fit.RunId != 0 && fit.RunId == run.RunId && fit.ChannelB == run.ChannelB &&
           fit.PointCount == run.Count && fit.PointsHash == runHash(run);
}

bool FitStillMatches(const PlotFit& fit, const MeasurementStore& store, PlotMode mode) {
    if (fit.RunId != 0) return false;
    const int count = std::clamp(store.Data.Count, 0, PointCapacity);
    const bool points = fit.WhileRecording ? count >= fit.PointCount : count == fit.PointCount;
    if (fit.Column >= 0) {
        const signals::QuantityColumn* c = columnOf(store, fit.Column);
        return mode == fit.Mode && c && c->header == fit.ColumnHeader &&
               c->unit == fit.ColumnUnit && points && int(c->values.size()) >= fit.PointCount &&
               columnHash(store, fit.Column, fit.PointCount) == fit.PointsHash;
    }
    return mode == fit.Mode && nameAndUnit(store, fit.ChannelB) == fit.NameAndUnit && points &&
           pointsHash(store, fit.PointCount) == fit.PointsHash;
}

namespace {

QString channelOf(const PlotFit& fit) {
    if (fit.Column >= 0) return fit.ChannelName;
    return fit.ChannelB ? QStringLiteral("B") : QStringLiteral("A");
}

FitUnits unitsOf(const PlotFit& fit, const MeasurementStore& store, bool minutes) {
    const QString y =
        fit.RunId != 0 || fit.Column >= 0 ? fit.ChannelUnit : StoredPointsParts(store, fit.ChannelB).unit;
    if (fit.Mode == PlotMode::Quantities) return {signals::shownName(y), signals::shownName(fit.XUnit)};
    if (fit.RunId != 0 || fit.Column >= 0 || fit.Mode == PlotMode::Normal)
        return TimeFitUnits(y, minutes);
    return {y, StoredPointsParts(store, !fit.ChannelB).unit};
}

} // namespace

QStringList PlotFitReadout(const PlotFit& fit, const MeasurementStore& store, bool minutes) {
    const QString name = fit.RunId != 0 || fit.Column >= 0
                             ? fit.ChannelName
                             : StoredPointsParts(store, fit.ChannelB).name;
    QStringList lines;
    if (fit.RunId != 0) lines << fit.RunName;
    const bool overX = fit.Mode == PlotMode::Quantities;
    if (fit.Column >= 0 || overX)
        lines << QCoreApplication::translate("PlotFit", "Ausgleichskurve %1").arg(name);
    else
        lines << QCoreApplication::translate("PlotFit", "Ausgleichskurve %1: %2")
                     .arg(channelOf(fit), name);
    QStringList readout = FitReadout(fit.Result, unitsOf(fit, store, overX ? false : minutes));
    // A model of the time over another quantity: its formula names that one's x.
    if (overX && fit.Result.Converged && !fit.Result.User && !readout.isEmpty())
        readout[0].replace(QRegularExpression(QStringLiteral("\\bt\\b")), QStringLiteral("x"));
    lines << readout;
    if (fit.WhileRecording)
        lines << QCoreApplication::translate("PlotFit",
                                             "während der Messung: spätere Punkte nicht angepasst");
    return lines;
}

ReadoutTable PlotFitTable(const PlotFit& fit, const MeasurementStore& store, bool minutes) {
    const QString title =
        fit.RunId != 0
            ? QCoreApplication::translate("PlotFit", "Ausgleichskurve %1 %2")
                  .arg(QCoreApplication::translate("PlotFit", "Reihe %1").arg(fit.RunId),
                       channelOf(fit))
            : QCoreApplication::translate("PlotFit", "Ausgleichskurve ") + channelOf(fit);
    return FitTable(fit.Result, unitsOf(fit, store, minutes), title);
}

FitDrawing PlotFitDrawing(const PlotFit& fit, const MeasurementStore& store,
                          const ScaleSet& scales, bool showB) {
    FitDrawing d;
    const FitResult result = fit.Result;
    bool drawn = result.Converged;
    d.XFrom = result.XMin;
    d.XTo = result.XMax;
    d.XScale = fit.Mode == PlotMode::Normal || fit.Mode == PlotMode::Quantities ? &scales.T
               : fit.ChannelB                                                   ? &scales.A
                                                                                : &scales.B;
    d.YScale = fit.ChannelB ? &scales.B : &scales.A;
    d.ChannelB = fit.ChannelB;
    if (fit.RunId != 0) d.Mask = PaletteMask::RunFit(fit.RunColour);
    if (fit.Column >= 0) {
        // On the axis the column is drawn against, in its dark shade; not without its curve.
        const PlotCurves curves = DataCurves(store, showB);
        const auto curve = std::find_if(curves.begin(), curves.end(), [&fit](const PlotCurve& c) {
            return c.Source == CurveSource::Column && c.Column == fit.Column;
        });
        drawn = drawn && curve != curves.end();
        if (curve != curves.end()) {
            // An extra axis stands right of the right one: the box goes to that side too.
            d.ChannelB = curve->Axis != CurveAxis::Left;
            d.YScale = d.ChannelB ? &scales.B : &scales.A;
            if (curve->Axis == CurveAxis::Extra) d.YRange = std::pair(curve->Low, curve->High);
            d.Mask = curve->Fit;
        }
    }
    if (drawn) d.Value = [result](double x) { return FitValue(result, x); };
    d.Readout = PlotFitReadout(fit, store, scales.T.DisplayFactor != 0);
    return d;
}

} // namespace kurvimat::display
