// A curve fit of the stored points of one channel as the plot shows it: over a time span in
// the normal mode, as a line of one channel against the other in the XY modes.
#pragma once

#include "FitReadout.h"
#include "DisplayState.h"
#include "FitOverlay.h"
#include "SignalDefinition.h"

#include <cstddef>
#include <cstdint>

namespace kurvimat::acquisition {
struct MeasurementStore;
}

namespace kurvimat::display {

struct PlotFit {
    analysis::FitResult Result;
    bool ChannelB = false; ///< the fitted channel (in XY modes the one on the vertical axis)
    analysis::PlotMode Mode = analysis::PlotMode::Normal;
    // What the fit was made of: once the stored points (also re-evaluated ones) or the fitted
    // channel's name or unit change, it no longer belongs to the plot.
    QString NameAndUnit;
    std::size_t PointsHash = 0;
    // Made while a sweep was running: of the points recorded so far, which stay its points
    // while the sweep adds more (the readout says so).
    int PointCount = 0;
    bool WhileRecording = false;
    // Of a shown run's points rather than the current data's: the run's id (0 for the current
    // data), name and colour (a PaletteMask::Run), the fitted channel's name and unit.
    qint64 RunId = 0;
    QString RunName;
    std::uint8_t RunColour = 0;
    QString ChannelName, ChannelUnit;
    // Of a further column of the data over time: its index, header and unit (-1: a channel).
    int Column = -1;
    QString ColumnHeader, ColumnUnit;
    // Of quantities over a quantity (Mode Quantities): the quantity on x, which the formula
    // and the parameters' units name instead of the time.
    QString XName, XUnit;
};

/// One channel of a kept run, as a fit reads it.
struct RunChannelPoints {
    const float* T = nullptr;
    const float* Y = nullptr;
    int Count = 0;
    bool ChannelB = false;
    QString Name, Unit;
    qint64 RunId = 0;
    QString RunName;
    std::uint8_t RunColour = 0;
};

/// Name and unit of the stored points of a channel: a loaded set's own label, else the
/// definition in force that recorded points are evaluated under.
signals::DefinitionParts StoredPointsParts(const acquisition::MeasurementStore& store,
                                           bool channelB);

/// Fits the stored points. Normal mode: channel A or B over the times [from, to] with a time
/// model. XY modes: the channel on the vertical axis over the one below, for the points whose
/// x lies in [from, to], with an XY model or the user's (a time model is taken as
/// FitModel::XYLinear; channelB is then ignored). `user`: FitModel::User's formula.
PlotFit FitStoredPoints(const acquisition::MeasurementStore& store, analysis::PlotMode mode,
                        bool channelB, analysis::FitModel model, double from, double to,
                        const analysis::UserFitModel* user = nullptr);

/// Fits the data's further column `column` over the times [from, to] with a time model, in
/// the precision the column holds; points without a value are left out.
PlotFit FitStoredColumn(const acquisition::MeasurementStore& store, int column,
                        analysis::FitModel model, double from, double to,
                        const analysis::UserFitModel* user = nullptr);

/// Fits a run's channel over the times [from, to] with a time model (the normal mode's fit).
PlotFit FitRunPoints(const RunChannelPoints& run, analysis::FitModel model, double from, double to,
                     const analysis::UserFitModel* user = nullptr);

/// True while the run's channel still holds the points the fit was made of.
bool RunFitStillMatches(const PlotFit& fit, const RunChannelPoints& run);

/// True while the store still holds the points, name and unit the fit was made of, in the same
/// plot mode; points a running sweep added after them do not count. Never for a run's fit.
bool FitStillMatches(const PlotFit& fit, const acquisition::MeasurementStore& store,
                     analysis::PlotMode mode);

/// The readout: a heading with the channel's name, then the fit's lines in its units (times in
/// minutes with "Zeit in min").
QStringList PlotFitReadout(const PlotFit& fit, const acquisition::MeasurementStore& store,
                           bool minutes = false);

/// The fit's rows for the copied text ("Ausgleichskurve B τ").
analysis::ReadoutTable PlotFitTable(const PlotFit& fit, const acquisition::MeasurementStore& store,
                                    bool minutes);

/// What the plot draws for the fit, with the scales of x and of the fitted channel (a
/// column's: the axis DataCurves puts it on, showB as there; none when it is not drawn); the
/// readout in minutes when the time axis shows them.
FitDrawing PlotFitDrawing(const PlotFit& fit, const acquisition::MeasurementStore& store,
                          const ScaleSet& scales, bool showB = true);

} // namespace kurvimat::display
