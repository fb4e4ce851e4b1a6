// The two strips above the plot: the newest raw samples, and the averaged sweep with the
// trigger marker and the waiting pre-trigger history. Both are drawn into 8-bit images by
// clearing bits, so A (blue) and B (red) overlap to black.
#pragma once

#include "DisplayState.h"
#include "IndexedImage.h"

#include <QCoreApplication>
#include <QFont>
#include <QString>

namespace kurvimat::acquisition {
struct MeasurementStore;
}

namespace kurvimat::signals {
class TParser;
}

namespace kurvimat::display {

inline constexpr int RawStripSamples = 500;

inline QString RawStripCaption() {
    return QCoreApplication::translate("RawStrips", "Rohdaten vom Kurvimat");
}
inline QString MeanStripCaption() {
    return QCoreApplication::translate("RawStrips", "Rohdaten nach Mittelung und Trigger");
}

/// The font of the strips' captions and level text (the window's Arial, 11 pixels, times the
/// drawing's scale).
QFont StripFont(double scale = 1);

/// Row of a raw value 0..1023 in a strip of the given height: 0 on row h-2, 1023 on row 1.
int StripRow(double raw, int height);

/// Repaints the raw strip with the 500 newest raw pairs, oldest at the left.
/// The image has the strip's size in device pixels; g is the drawing's scale.
/// With base, the strip's frame and caption come from there (drawn into it first when it does
/// not fit); the pixels are the same.
void PaintRawStrip(IndexedImage& image, const acquisition::MeasurementStore& store, bool adiff,
                   const QFont& font, const PaintGeometry& g = {}, StripBase* base = nullptr);

/// Text beside the trigger marker: the trigger level in the trigger channel's signal units.
QString TriggerLevelText(const acquisition::MeasurementStore& store,
                         signals::TParser& triggerParser, bool triggerChannelA);

/// Repaints the mean strip: trigger marker with levelText, current sweep, and while the
/// trigger waits the newest PreTrigger block means where the coming sweep will start.
void PaintMeanStrip(IndexedImage& image, const acquisition::MeasurementStore& store,
                    const DisplayControls& controls, const QString& levelText, const QFont& font,
                    const PaintGeometry& g = {}, StripBase* base = nullptr);

/// Sweep points from .. to-1 of the mean strip, ANDed in as PaintMeanStrip draws them;
/// touched, if given, grows to hold every pixel they may have changed.
void PaintSweepPoints(IndexedImage& image, const acquisition::MeasurementStore& store, int from,
                      int to, const PaintGeometry& g, QRect* touched = nullptr);

/// Trigger point and level from a mouse position on the mean strip's paint box.
struct TriggerPoint {
    int PreTrigger;
    int TriggerLevel;
};
TriggerPoint TriggerFromMouse(int x, int y, int boxWidth, int boxHeight, int pointCount);

/// Mouse handlers of the mean strip's paint box: a press starts dragging and sets the trigger
/// point at once, a move sets it while dragging, a release ends the drag. A change marks the
/// strip for the next refresh, so the marker follows the mouse without waiting for data.
void MeanStripMouseDown(acquisition::MeasurementStore& store, DisplayState& state, int x, int y, int boxWidth,
                        int boxHeight);
void MeanStripMouseMove(acquisition::MeasurementStore& store, DisplayState& state, int x, int y, int boxWidth,
                        int boxHeight);
void MeanStripMouseUp(DisplayState& state);

} // namespace kurvimat::display
