#include "Scale.h"

#include <QLocale>

#include "Numbers.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

using kurvimat::signals::FormatNumber;
using kurvimat::signals::NumberStyle;
using kurvimat::signals::SiPrefix;

namespace kurvimat::display {

namespace {

// Powers of ten up to 10^22 are exact doubles; scaling by them costs one rounding, where
// pow(10, log10(x) - e) would add the errors of log and pow.
double power10(int k) {
    static constexpr std::array<double, 23> exact = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                     1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                     1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (k >= 0 && k < static_cast<int>(exact.size())) return exact[static_cast<std::size_t>(k)];
    return std::pow(10.0, k);
}

// x * 10^k, dividing for negative k so that e.g. 0.3 * 10^-1 is 0.3 / 10, not 0.3 * 0.1.
double scalePow10(double x, int k) {
    if (k > 300) return scalePow10(x * 1e300, k - 300);
    if (k < -300) return scalePow10(x / 1e300, k + 300);
    return k >= 0 ? x * power10(k) : x / power10(-k);
}

int floorLog10(double x) {
    return static_cast<int>(std::floor(std::log10(x)));
}

// The text a canvas draws at (x, y) has its cell's top left there; QPainter wants a baseline.
void drawTextAt(QPainter& painter, int x, int y, const QString& text) {
    painter.drawText(x, y + painter.fontMetrics().ascent(), text);
}

} // namespace

TickSteps ChooseTickSteps(double shownStart, double shownEnd, double n) {
    const double r = (shownEnd - shownStart) / n;
    int k = floorLog10(r);
    const double m = scalePow10(r, -k);
    double major = 1, minor = 0.2;
    if (m <= 1.5) {
        major = 1;
        minor = 0.2;
    } else if (m <= 3) {
        major = 2;
        minor = 0.5;
    } else if (m <= 7.5) {
        major = 5;
        minor = 1;
    } else {
        ++k;
    }
    TickSteps steps;
    steps.Major = scalePow10(major, k);
    steps.Minor = scalePow10(minor, k);
    auto first = [&](double step) {
        double s0 = std::trunc(shownStart / step) * step;
        if (s0 < shownStart) s0 += step;
        return s0;
    };
    // The 1e-6 lets a tick that lands just beyond the end through rounding still count.
    auto count = [&](double s0, double step) {
        return std::max(0, static_cast<int>(std::trunc((shownEnd - s0) / step + 1.000001)));
    };
    steps.FirstMajor = first(steps.Major);
    steps.FirstMinor = first(steps.Minor);
    steps.MajorCount = count(steps.FirstMajor, steps.Major);
    steps.MinorCount = count(steps.FirstMinor, steps.Minor);
    return steps;
}

QString FormatTickLabel(double value, int digits, QChar separator, const QString& marker) {
    if (!std::isfinite(value)) return {};
    NumberStyle style;
    // More digits than a double holds would only show noise.
    style.Digits = std::clamp(digits, 1, 15);
    style.Point = separator;
    style.Exponent = marker;
    style.ExponentDigits = 1;
    style.KeepZeros = false;
    style.SmallForm = NumberStyle::Small::MoreDecimalsThanDigits;
    return FormatNumber(value, style);
}

QString ComposeTitle(const QString& title, const QString& prefix, const QString& exponentText,
                     int exponent) {
    QString text = title;
    const QString placeholder = QStringLiteral("<vf>");
    const auto at = text.indexOf(placeholder, 0, Qt::CaseInsensitive);
    if (at >= 0) {
        text.replace(at, placeholder.size(), prefix);
        text += exponentText;
    } else if (exponent != 0) {
        text += QStringLiteral(" x10^") + QString::number(exponent);
    }
    return text;
}

std::optional<ScalePlan> PlanScale(double shownStart, double shownEnd, const QString& title,
                                   int axisLength, int penWidth) {
    if (!std::isfinite(shownStart) || !std::isfinite(shownEnd) || axisLength < 1)
        return std::nullopt;
    if (shownStart == shownEnd) return std::nullopt;
    if (std::fabs(shownEnd - shownStart) / (std::fabs(shownStart) + std::fabs(shownEnd)) <= 1e-8)
        return std::nullopt;
    const int pen = std::max(penWidth, 1);
    const double n = std::sqrt(static_cast<double>(axisLength) / pen) / 2;

    ScalePlan plan;
    int e = floorLog10(std::max(std::fabs(shownStart), std::fabs(shownEnd)));
    e = 3 * static_cast<int>(std::floor(e / 3.0));
    plan.Exponent = e;
    plan.ShownStart = scalePow10(shownStart, -e);
    plan.ShownEnd = scalePow10(shownEnd, -e);
    if (const auto prefix = SiPrefix(e))
        plan.Prefix = *prefix;
    else
        plan.ExponentText = QStringLiteral(" x10^") + QString::number(e);
    plan.TitleText = ComposeTitle(title, plan.Prefix, plan.ExponentText, e);

    const TickSteps steps = ChooseTickSteps(plan.ShownStart, plan.ShownEnd, n);
    plan.Steps = steps;
    const double f = axisLength / (plan.ShownEnd - plan.ShownStart);
    plan.PixelsPerUnit = f;
    const int digits =
        std::max(3, floorLog10(std::max(std::fabs(plan.ShownStart), std::fabs(plan.ShownEnd))) -
                        floorLog10(std::fabs(steps.Major)) + 1);
    auto position = [&](double v) {
        return static_cast<int>(std::nearbyint((v - plan.ShownStart) * f));
    };
    plan.Major.reserve(static_cast<std::size_t>(steps.MajorCount));
    // The window's language (the default locale) decides: "4,5" in German, "4.5" in English.
    const QChar separator = QLocale().decimalPoint() == u',' ? u',' : u'.';
    for (int i = 0; i < steps.MajorCount; ++i) {
        const double v = steps.FirstMajor + i * steps.Major;
        // Snapping to a multiple of the step drops the error accumulated in v.
        const double label = std::nearbyint(v / steps.Major) * steps.Major;
        plan.Major.push_back(
            {position(v), FormatTickLabel(label, digits, separator,
                                          QString(QChar(0x00B7)) + QStringLiteral("10^"))});
    }
    plan.Minor.reserve(static_cast<std::size_t>(steps.MinorCount));
    for (int i = 0; i < steps.MinorCount; ++i)
        plan.Minor.push_back({position(steps.FirstMinor + i * steps.Minor), QString()});
    return plan;
}

int Tscale::AxisLength() const {
    const bool vertical = Kind == ScaleKind::Right || Kind == ScaleKind::Left;
    return (vertical ? Bounds.Bottom - Bounds.Top : Bounds.Right - Bounds.Left) - 1;
}

int Tscale::Depth() const {
    const bool vertical = Kind == ScaleKind::Right || Kind == ScaleKind::Left;
    return vertical ? Bounds.Right - Bounds.Left : Bounds.Bottom - Bounds.Top;
}

void Tscale::Draw() {
    if (DisplayFactor != 0) {
        ShownStart = RangeStart * DisplayFactor;
        ShownEnd = RangeEnd * DisplayFactor;
    } else {
        ShownStart = RangeStart;
        ShownEnd = RangeEnd;
    }
    if (!Visible || Canvas == nullptr) return;
    QPainter& canvas = *Canvas;
    const int p = std::max(canvas.pen().width(), 1);
    const int length = AxisLength();
    const int depth = Depth();
    const std::optional<ScalePlan> plan = PlanScale(ShownStart, ShownEnd, Title, length, p);
    if (!plan) return;

    ShownStart = plan->ShownStart;
    ShownEnd = plan->ShownEnd;
    Exponent = plan->Exponent;
    Prefix = plan->Prefix;
    ExponentText = plan->ExponentText;
    const bool side = Kind == ScaleKind::Right || Kind == ScaleKind::Left;
    const QFont canvasFont = canvas.font();
    // How far the labels reach from their 12p offset: the widest one beside a side axis, the
    // text height below the bottom axis. The title keeps clear of them.
    const auto extentIn = [&](const QFont& font) {
        const QFontMetrics m(font, canvas.device());
        int extent = 0;
        for (const ScaleTick& tick : plan->Major)
            extent = std::max(extent, side ? m.horizontalAdvance(tick.Label) : m.height());
        return extent;
    };
    int labelExtent = extentIn(canvasFont);
    TitleFonts fonts = makeTitleFonts(canvasFont, 0);
    QFont labelFont = canvasFont;
    // Beside a side axis the labels, the gap and the title share the strip's depth: long labels
    // ("2,996295") first make the title smaller, down to the labels' size, then the labels.
    if (side) {
        const auto room = [&](int extent) { return depth - (12 * p + extent + p); };
        const int floorHeight = QFontMetrics(canvasFont, canvas.device()).height();
        for (int smaller = 1; titleHeight(fonts) > room(labelExtent) &&
                              titleHeight(fonts) > floorHeight && smaller < 40;
             ++smaller)
            fonts = makeTitleFonts(canvasFont, smaller);
        for (double factor = 0.95; titleHeight(fonts) > room(labelExtent) && factor > 0.45;
             factor -= 0.05) {
            labelFont = scaledFont(canvasFont, factor);
            labelExtent = extentIn(labelFont);
        }
    }
    drawTitle(plan->TitleText, fonts, length, depth, p, labelExtent);
    canvas.setFont(labelFont);
    const QFontMetrics metrics = canvas.fontMetrics();

    const int left = Bounds.Left, top = Bounds.Top;
    // Ticks sit on the edge that touches the plot; labels follow at 12p from it.
    auto drawTick = [&](const ScaleTick& tick, int a) {
        const int q = tick.Position;
        const int w = metrics.horizontalAdvance(tick.Label), h = metrics.height();
        const bool label = !tick.Label.isEmpty();
        switch (Kind) {
        case ScaleKind::Below:
            canvas.drawLine(left + q, top, left + q, top + a);
            if (label) drawTextAt(canvas, left + q - w / 2, top + 12 * p, tick.Label);
            break;
        case ScaleKind::Right:
            canvas.drawLine(left, top + length - q, left + a, top + length - q);
            if (label) drawTextAt(canvas, left + 12 * p, top + length - q - h / 2, tick.Label);
            break;
        case ScaleKind::Left:
            canvas.drawLine(left + depth - 1 - a, top + length - q, left + depth - 1,
                            top + length - q);
            if (label)
                drawTextAt(canvas, left + depth - 12 * p + 1 - w, top + length - q - h / 2,
                           tick.Label);
            break;
        case ScaleKind::Above: // below mirrored
            canvas.drawLine(left + q, top + depth - 1 - a, left + q, top + depth - 1);
            if (label)
                drawTextAt(canvas, left + q - w / 2, top + depth - 12 * p + 1 - h, tick.Label);
            break;
        }
    };
    for (const ScaleTick& tick : plan->Major)
        drawTick(tick, 8 * p);
    for (const ScaleTick& tick : plan->Minor)
        drawTick(tick, 4 * p);

    canvas.setFont(canvasFont);
    GridFirstPx = (plan->Steps.FirstMajor - plan->ShownStart) * plan->PixelsPerUnit;
    GridStepPx = plan->Steps.Major * plan->PixelsPerUnit;
    GridLastIndex = plan->Steps.MajorCount - 1;
}

QFont Tscale::scaledFont(const QFont& font, double factor) {
    QFont f = font;
    if (font.pixelSize() > 0)
        f.setPixelSize(std::max(1, static_cast<int>(std::nearbyint(font.pixelSize() * factor))));
    else
        f.setPointSizeF(std::max(1.0, font.pointSizeF() * factor));
    return f;
}

Tscale::TitleFonts Tscale::makeTitleFonts(const QFont& base, int smaller) const {
    int size = base.pointSize();
    if (size <= 0 && Canvas != nullptr && Canvas->device() != nullptr) // font given in pixels
        size = static_cast<int>(
            std::nearbyint(base.pixelSize() * 72.0 / Canvas->device()->logicalDpiY()));
    const int enlarged = size * 6 / 5;
    const int main = std::max(1, static_cast<int>(std::nearbyint(1.25 * enlarged)) - smaller);
    TitleFonts fonts{base, base};
    fonts.Main.setBold(true);
    fonts.Main.setPointSize(main);
    fonts.Super = fonts.Main;
    fonts.Super.setPointSize(std::max(
        1, smaller == 0 ? static_cast<int>(std::nearbyint(1.25 * enlarged * 2 / 3))
                        : static_cast<int>(std::nearbyint(main * 2 / 3.0))));
    return fonts;
}

int Tscale::titleHeight(const TitleFonts& fonts) const {
    return QFontMetrics(fonts.Main, Canvas ? Canvas->device() : nullptr).height();
}

void Tscale::drawTitle(const QString& title, const TitleFonts& fonts, int length, int depth,
                       int pen, int labelExtent) {
    QPainter& canvas = *Canvas;
    canvas.save();
    const QFont& mainFont = fonts.Main;
    const QFont& superFont = fonts.Super;

    const auto caret = title.indexOf(QLatin1Char('^'));
    const QString main = caret >= 0 ? title.left(caret) : title;
    const QString super = caret >= 0 ? title.mid(caret + 1) : QString();

    canvas.setFont(mainFont);
    const QFontMetrics mainMetrics = canvas.fontMetrics();
    const int mainWidth = mainMetrics.horizontalAdvance(main);
    const int w = mainWidth + 2 * mainMetrics.horizontalAdvance(super) / 3;
    const int t = mainMetrics.height();
    // Beyond the labels (12p from the tick edge, then a gap of p) but inside the strip, where
    // the strip is deep enough for both.
    const int clear = 12 * pen + labelExtent + pen;
    const int g = std::max(std::min(std::max(2 * pen + TitleMargin, clear), depth - t), 0);

    canvas.setPen(TitleColor);
    canvas.setBrush(Qt::NoBrush);
    // Both parts share the top of their text cells, which raises the smaller one.
    auto drawParts = [&](int x, int y) {
        canvas.setFont(mainFont);
        drawTextAt(canvas, x, y, main);
        if (!super.isEmpty()) {
            canvas.setFont(superFont);
            drawTextAt(canvas, x + mainWidth, y, super);
        }
    };
    auto drawRotated = [&](int x, int y) { // reading upwards, cell top towards -x
        canvas.translate(x, y);
        canvas.rotate(-90);
        drawParts(0, 0);
    };
    const int left = Bounds.Left, top = Bounds.Top;
    switch (Kind) {
    case ScaleKind::Below:
        drawParts(left + (length - w) / 2, top + g);
        break;
    case ScaleKind::Right:
        drawRotated(left + g, top + (length + w) / 2);
        break;
    case ScaleKind::Left:
        drawRotated(left + depth - g - t, top + (length + w) / 2);
        break;
    case ScaleKind::Above:
        drawParts(left + (length - w) / 2, top + depth - g - t);
        break;
    }
    canvas.restore();
    canvas.setBrush(Qt::NoBrush);
}

} // namespace kurvimat::display
