// What the user does to the plot's axes: fitting, the axis buttons, zoom box and pan with the
// mouse, double-click fitting, the XY modes, channel visibility and the time unit. Each
// operation changes the scales, the display state and the store's change flags; the window
// then shows the axis buttons as DisplayState::ImageVisible says.
#pragma once

#include "DisplayState.h"

#include <QCoreApplication>
#include <QSize>

#include <utility>

namespace kurvimat::acquisition {
struct MeasurementStore;
}

namespace kurvimat::display {

class RunLayer;

/// (min, max) that the strip's quantity reaches in the data and the snapshot, or nothing when
/// neither holds points.
struct Extremes {
    bool Any = false;
    double Min = 0, Max = 0;
};
Extremes ExtremesA(const acquisition::MeasurementStore& store);
Extremes ExtremesB(const acquisition::MeasurementStore& store);
Extremes ExtremesT(const acquisition::MeasurementStore& store);
/// Extremes of the bottom strip's quantity: time, B or A by mode.
Extremes ExtremesBottom(const acquisition::MeasurementStore& store, analysis::PlotMode mode);

/// The full defined range of a strip.
std::pair<double, double> ReferenceLeft(const acquisition::MeasurementStore& store);
std::pair<double, double> ReferenceRight(const acquisition::MeasurementStore& store);
std::pair<double, double> ReferenceBottom(const acquisition::MeasurementStore& store,
                                          analysis::PlotMode mode);

/// Decimal exponent of the resolution to which zoom and pan round a range's ends: four
/// significant digits of its span (0 for an empty or non-finite span).
int RangeResolution(double start, double end);
/// The ends rounded to multiples of 10^resolution; a range that this would empty stays as it is.
std::pair<double, double> RoundRange(double start, double end, int resolution);
/// Whether a range shows the reference range: equal ends at the reference's resolution.
bool SameRange(std::pair<double, double> range, std::pair<double, double> reference);

/// Sets a scale to the data and snapshot extremes (kept when there are none), ordered. showB:
/// channel B is shown (else the right axis may show a further column, RightAxisColumn). The
/// further columns of the data and of the shown runs count for the axis they are drawn against.
void FitLeft(const acquisition::MeasurementStore& store, const ScaleSet& scales,
             analysis::PlotMode mode, bool showB = true, const RunLayer* runs = nullptr);
void FitRight(const acquisition::MeasurementStore& store, const ScaleSet& scales,
              analysis::PlotMode mode, bool showB = true, const RunLayer* runs = nullptr);
void FitBottom(const acquisition::MeasurementStore& store, const ScaleSet& scales,
               analysis::PlotMode mode);

/// Autoscale: widens the strips whose autoscale is on to include all data and snapshot
/// values. Never narrows.
void WidenAutoScales(const acquisition::MeasurementStore& store, const DisplayChanges& changes,
                     const ScaleSet& scales, analysis::PlotMode mode, bool showB = true,
                     const RunLayer* runs = nullptr);

/// A click on one of the axis buttons.
void AxisImageMouseDown(AxisImage image, const acquisition::MeasurementStore& store,
                        DisplayChanges& changes, DisplayState& state, const ScaleSet& scales,
                        analysis::PlotMode mode, bool showB = true);

/// Mouse on the plot's paint box; x, y in paint-box pixels, plotSize = size of the plot image.
void PlotMouseDown(DisplayChanges& changes, DisplayState& state, analysis::PlotMode mode, int x,
                   int y, bool rightButton, QSize plotSize);
void PlotMouseMove(DisplayChanges& changes, DisplayState& state, const ScaleSet& scales, int x,
                   int y, QSize plotSize);
void PlotMouseUp(DisplayChanges& changes, DisplayState& state, const ScaleSet& scales, int x, int y,
                 QSize plotSize);
void PlotDblClick(const acquisition::MeasurementStore& store, DisplayChanges& changes,
                  const DisplayState& state, const ScaleSet& scales, analysis::PlotMode mode,
                  QSize plotSize, bool showB = true);

/// The mode boxes as one choice: checking a box chooses its mode, unchecking the chosen one
/// goes back to the time plot, and unchecking another changes nothing.
analysis::PlotMode ModeAfterToggle(analysis::PlotMode chosen, analysis::PlotMode box, bool checked);
/// Puts the scales of the mode into the three strips with their rectangles, kinds and margins.
void AssignStrips(DisplayChanges& changes, const DisplayState& state, const ScaleSet& scales,
                  analysis::PlotMode mode);
/// Gives the scales in the three strips the strips' rectangles, kinds and title margins.
void PlaceStrips(const DisplayState& state, const ScaleSet& scales);

/// At least one channel stays shown: unchecking the last one re-checks the other.
/// Returns (KanalA, KanalB).
std::pair<bool, bool> ChannelBoxesAfterClick(bool senderIsA, bool kanalA, bool kanalB);

inline QString TimeTitleSeconds() {
    return QCoreApplication::translate("Plot", "Zeit in <vf>s");
}
// Minutes take no SI prefix ("mmin", "kmin"): without the placeholder the scale writes a
// power of ten instead.
inline QString TimeTitleMinutes() {
    return QCoreApplication::translate("Plot", "Zeit in min");
}
/// "Zeit in min": only the labels change; times and ranges stay in seconds.
void SetTimeInMinutes(DisplayChanges& changes, Tscale& scaleT, bool minutes);

} // namespace kurvimat::display
