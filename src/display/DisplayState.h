// State of the display that lives beside the measurement store: which scale sits in which strip,
// the control states the drawing reads, and the window's display fields (validity, zoom box,
// pan, press position, ranges last drawn, the axis buttons shown).
#pragma once

#include "CursorOverlay.h"
#include "Curves.h"
#include "IndexedImage.h"
#include "PlotMode.h"
#include "Scale.h"

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace kurvimat::display {

/// The states of the controls the display reads, gathered by the window before each call.
struct DisplayControls {
    bool KanalA = true;          ///< CheckBoxKanalA
    bool KanalB = true;          ///< CheckBoxKanalB
    analysis::PlotMode Mode =
        analysis::PlotMode::Normal; ///< CheckBoxBXY, CheckBoxAXY, CheckBoxSpektrum: at most one
    bool TriggerChannelA = true; ///< ButtonTriggerChannel shows "A"
    bool TriggerRising = true;   ///< ButtonTriggerRichtung shows "+"
    bool Adiff = false;          ///< CheckBoxAdiff of the hardware window

    bool operator==(const DisplayControls&) const = default;
};

/// The four scale objects and the three strip roles pointing at them (all borrowed).
struct ScaleSet {
    Tscale& A;
    Tscale& B;
    Tscale& T;
    Tscale& X;
    Tscale*& Left;
    Tscale*& Right;
    Tscale*& Bottom;
};

/// The twelve axis buttons beside the plot; of each pair one is shown at a time.
enum class AxisImage {
    LinksAuto,
    LinksAutoOff,
    LinksFull,
    LinksFullon,
    RechtsAuto,
    RechtsAutoOff,
    RechtsFull,
    RechtsFullon,
    UntenAuto,
    UntenAutoOff,
    UntenFull,
    UntenFullOn,
};
inline constexpr int AxisImageCount = 12;

/// Axis strips beside the plot image, in logical paint-box pixels.
inline constexpr int PlotLeftMargin = 70;
inline constexpr int PlotTopMargin = 15;
/// Gap between the tick edge and the title of the side and bottom axes (logical pixels).
inline constexpr int SideTitleMargin = 35;
/// Width of each extra axis's strip right of the right axis (logical pixels).
inline constexpr int ExtraAxisWidth = 70;
inline constexpr int BottomTitleMargin = 25;

/// The scale of a drawing: device pixels per logical pixel (the screen's pixel ratio, or the
/// size factor of a picture). Images, offsets, fonts, point sizes and tick pens follow it;
/// hairlines (frames, grid and zero lines) stay one device pixel, so they stay sharp.
struct PaintGeometry {
    double Scale = 1;

    /// A logical length in device pixels.
    int px(double logical) const { return static_cast<int>(std::nearbyint(logical * Scale)); }
    /// Thickness of points, segments and pens that grow with the scale: 1 at ratio 1 and 1.25,
    /// 2 at 1.5 and 2, 3 at 3.
    int weight() const { return std::max(1, static_cast<int>(std::nearbyint(Scale))); }
    /// A device size in logical pixels (mouse positions are logical).
    QSize logical(QSize device) const {
        return {static_cast<int>(std::nearbyint(device.width() / Scale)),
                static_cast<int>(std::nearbyint(device.height() / Scale))};
    }
};

/// Everything besides the points that the plot image's pixels depend on.
struct PlotKey {
    int Width = 0, Height = 0;
    QSize Canvas; ///< a canvas of another size starts white
    double Scale = 0;
    DisplayControls Controls;
    const Tscale* Left = nullptr;
    const Tscale* Right = nullptr;
    const Tscale* Bottom = nullptr;
    std::array<double, 12> Ranges{}; ///< A, B, T, left, right, bottom
    std::array<double, 6> Grids{};   ///< first and step of the grids of left, right, bottom
    std::array<int, 3> GridLast{};
    std::array<bool, 3> Visible{};
    QString PrefixA, PrefixB;
    int ExponentA = 0, ExponentB = 0;
    bool ZoomBox = false;
    std::array<int, 4> Zoom{};
    QString DataDefA, DataDefB, SnapDefA, SnapDefB;
    bool DataHasB = true, SnapHasB = true;
    std::array<bool, 4> NoValues{}; ///< data A, B, snapshot A, B
    PlotCurves Curves;              ///< of the data

    CursorMarks Cursors;
    std::size_t Overlay = 0;
    std::size_t Runs = 0; ///< RunLayer::key() of the shown runs
    bool operator==(const PlotKey&) const = default;
};

/// Everything besides the sweep that the mean strip's pixels depend on.
struct MeanKey {
    int Width = 0, Height = 0;
    QSize Canvas;
    double Scale = 0;
    DisplayControls Controls;
    int PointCount = 0, PreTrigger = 0, TriggerLevel = 0;
    QString LevelText;
    bool operator==(const MeanKey&) const = default;
};

/// A strip's frame, background and caption as last drawn, with what they were drawn for:
/// copying them each tick costs less than drawing the caption's text again.
struct StripBase {
    IndexedImage Image;
    bool Adiff = false;
    double Scale = 0; ///< places the caption; two scales may round to one font size
    QFont Font;
};

/// The mean strip's trigger level text and what it was worked out from.
struct LevelTextMemo {
    struct Inputs {
        bool ChannelA = true;
        std::string Formula;
        bool FormulaFailed = false;
        int TriggerLevel = 0;
        std::array<float, 4> Calibration{}; ///< UminA, UmaxA, UminB, UmaxB
        QString Unit;
        bool operator==(const Inputs&) const = default;
    };
    bool Known = false;
    Inputs From;
    QString Text;
};

/// What the plot image and the mean strip were last drawn from, so that a refresh bringing
/// only new points draws just those onto them.
struct DrawnContent {
    bool PlotKnown = false;
    PlotKey Plot;
    std::vector<float> DataT, DataA, DataB; ///< the data points in the image
    std::vector<float> SnapT, SnapA, SnapB;
    std::vector<std::vector<double>> Columns; ///< the data's further columns in the image
    bool MeanKnown = false;
    bool MeanHistory = false; ///< the waiting history is in the strip
    MeanKey Mean;
    std::vector<float> SweepA, SweepB; ///< the sweep points in the strip
    StripBase RawBase, MeanBase;
    LevelTextMemo LevelText;
};

/// What the display draws again for one point set (the session's, the spectrum's): set from
/// what changed, cleared by the refresh that drew it. The Auto flags are the axis buttons'
/// choice that the axis follows the points.
struct DisplayChanges {
    bool RawDirty = false;
    bool MeanDirty = false;
    bool PlotDirty = false;
    bool AxesChanged = false;
    bool AutoLeft = false, AutoRight = false, AutoBottom = false;
};

struct DisplayState {
    PaintGeometry Geometry; ///< of the images and the data canvas, set by the layout
    /// Of the session's points; the strips always show them.
    DisplayChanges Changes;
    bool RawStripValid = false;
    bool MeanStripValid = false;
    bool PlotValid = false;
    bool TriggerDragging = false;

    TRect LeftAxisRect, RightAxisRect, BottomAxisRect;
    /// The extra axes the layout gives room right of the right axis (ExtraAxesOf), their strips
    /// and scales; the plot is narrower by their width only while there are any.
    int ExtraAxes = 0;
    std::array<TRect, MaxExtraAxes> ExtraAxisRects{};
    std::array<Tscale, MaxExtraAxes> ExtraScales{};

    /// (start, end) of the left, right and bottom scale as last drawn.
    std::array<std::pair<double, double>, 3> DrawnRanges{};

    bool PanActive = false;
    bool ZoomBoxActive = false;
    int ZoomX1 = 0, ZoomY1 = 0, ZoomX2 = 0, ZoomY2 = 0; ///< plot-image coordinates
    bool PressOnLeftStrip = false;
    bool PressOnRightStrip = false;
    bool PressBelowPlot = false;
    int LastMouseX = 0, LastMouseY = 0; ///< paint-box coordinates

    /// Measuring cursors, drawn over the curves.
    CursorMarks Cursors;

    /// Off: every refresh redraws and copies whole images (the comparison path).
    bool IncrementalFrames = true;
    DrawnContent Drawn;

    /// At start only the three "Auto" buttons show.
    std::array<bool, AxisImageCount> ImageVisible{true,  false, false, false, true,  false,
                                                  false, false, true,  false, false, false};
    bool& Visible(AxisImage image) { return ImageVisible[static_cast<std::size_t>(image)]; }
    bool Visible(AxisImage image) const { return ImageVisible[static_cast<std::size_t>(image)]; }
};

} // namespace kurvimat::display
