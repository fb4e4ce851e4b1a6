// A curve fit of the stored points of one channel as the plot shows it: over a time span in
// the normal mode, as a line of one channel against the other in the XY modes.
#pragma once

#include "CurveFit.h"
#include "DisplayState.h"
#include "FitOverlay.h"

struct MeasurementStore;

struct PlotFit {
    FitResult Result;
    bool ChannelB = false; ///< the fitted channel (in XY modes the one on the vertical axis)
    PlotMode Mode = PlotMode::Normal;
    // What the fit was made of: once the points or the definition change it no longer fits.
    QString Definition;
    int DataCount = 0;
    float FirstT = 0, LastT = 0;
};

/// Fits the stored points. Normal mode: channel A or B over the times [from, to] with a time
/// model. XY modes: the channel on the vertical axis over the one below, for the points whose
/// x lies in [from, to], always as FitModel::XYLinear (channelB and model are then ignored).
PlotFit FitStoredPoints(const MeasurementStore& store, PlotMode mode, bool channelB,
                        FitModel model, double from, double to);

/// True while the store still holds the points and definition the fit was made of, in the
/// same plot mode.
bool FitStillMatches(const PlotFit& fit, const MeasurementStore& store, PlotMode mode);

/// The readout: a heading with the channel's name, then the fit's lines in its units.
QStringList PlotFitReadout(const PlotFit& fit, const MeasurementStore& store);

/// What the plot draws for the fit, with the scales of x and of the fitted channel.
FitDrawing PlotFitDrawing(const PlotFit& fit, const MeasurementStore& store,
                          const ScaleSet& scales);
