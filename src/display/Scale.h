#pragma once

#include "Numbers.h"

#include <QChar>
#include <QColor>
#include <QFont>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class QPainter;

namespace kurvimat::display {

/// A rectangle by its edges, as the axis strips are given.
struct TRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
};

/// Major and minor tick spacing of an axis and where the ticks start.
struct TickSteps {
    double Major = 0;
    double Minor = 0;
    double FirstMajor = 0; ///< first multiple of Major at or above the start of the range
    double FirstMinor = 0;
    int MajorCount = 0; ///< never negative
    int MinorCount = 0;
};

/// Tick steps from the 1-2-5 series for about n major intervals over shownStart .. shownEnd
/// (shownStart < shownEnd, n > 0). A step ratio of exactly 1.5, 3 or 7.5 takes the smaller step.
TickSteps ChooseTickSteps(double shownStart, double shownEnd, double n);

/// A tick label with at most `digits` significant digits, trailing zeros dropped:
/// 2.5 -> "2,5", 0.00015 -> "1,5·10^-4", 5000 -> "5·10^+3" (separator ',', marker "·10^").
QString FormatTickLabel(double value, int digits, QChar separator, const QString& marker);

/// The title as drawn: the first "<vf>" (any case) becomes the prefix and the exponent text is
/// appended; without "<vf>" a non-zero exponent is appended as " x10^" + exponent.
QString ComposeTitle(const QString& title, const QString& prefix, const QString& exponentText,
                     int exponent);

struct ScaleTick {
    int Position = 0; ///< pixels from the start of the axis
    QString Label;    ///< empty for minor ticks
};

/// Everything a scale draws, worked out without a canvas.
struct ScalePlan {
    double ShownStart = 0; ///< divided by 10^Exponent
    double ShownEnd = 0;
    int Exponent = 0;
    QString Prefix;
    QString ExponentText;
    QString TitleText;
    TickSteps Steps;
    double PixelsPerUnit = 0;
    std::vector<ScaleTick> Major;
    std::vector<ScaleTick> Minor;
};

/// Plans an axis of length axisLength pixels drawn with a pen of penWidth pixels. Returns
/// nothing for a range that cannot be drawn: equal ends, a relative span of 1e-8 or less,
/// non-finite ends, or an axis shorter than one pixel.
std::optional<ScalePlan> PlanScale(double shownStart, double shownEnd, const QString& title,
                                   int axisLength, int penWidth);

/// Where an axis strip sits beside the plot.
enum class ScaleKind : std::uint8_t { Above, Below, Right, Left };

/// One axis of the main plot: ticks, labels and title beside the plot, and the positions of
/// its major ticks for the plot's grid.
class Tscale {
public:
    double RangeStart = 0;
    double RangeEnd = 0;
    double DisplayFactor = 0; ///< 0 = none; else labels show the range times this factor
    QString Title;            ///< may contain "<vf>" (prefix goes there) and one "^"
    std::int32_t TitleMargin = 0;
    QPainter* Canvas = nullptr; ///< borrowed
    TRect Bounds;
    ScaleKind Kind = ScaleKind::Above;
    bool Visible = false;
    QColor TitleColor = Qt::black;

    // Outputs of the last drawing
    double GridFirstPx = 0;
    double GridStepPx = 0;
    std::int32_t GridLastIndex = 0;
    QString Prefix;
    QString ExponentText;
    std::int32_t Exponent = 0;
    // Working values of the last drawing
    double ShownStart = 0;
    double ShownEnd = 0;

    /// Paints the scale onto Canvas with its current font (labels) and pen (ticks) and updates
    /// the outputs. A degenerate range draws nothing and keeps the previous outputs. Leaves the
    /// canvas's brush transparent. The title keeps at least TitleMargin from the tick edge and
    /// moves out further where labels are wider, as far as the strip allows.
    void Draw();

    /// Length of the axis in pixels and depth of its strip, from Bounds and Kind.
    int AxisLength() const;
    int Depth() const;

private:
    struct TitleFonts {
        QFont Main, Super;
    };
    /// The title's fonts: bold, larger than the labels' base font, `smaller` points less.
    TitleFonts makeTitleFonts(const QFont& base, int smaller) const;
    int titleHeight(const TitleFonts& fonts) const;
    static QFont scaledFont(const QFont& font, double factor);
    void drawTitle(const QString& title, const TitleFonts& fonts, int length, int depth, int pen,
                   int labelExtent);
};

} // namespace kurvimat::display
