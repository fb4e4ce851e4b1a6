#include "RawStrips.h"

#include "MeasurementStore.h"
#include "Numbers.h"
#include "Plot.h"
#include "SignalDefinition.h"

#include <algorithm>
#include <cmath>

using kurvimat::acquisition::MeasurementStore;
using kurvimat::acquisition::PointCapacity;
using kurvimat::acquisition::RawCapacity;
using kurvimat::signals::ChannelVoltage;
using kurvimat::signals::EvaluateSample;
using kurvimat::signals::FormatValue;
using kurvimat::signals::RoundSignificant;
using kurvimat::signals::SampleResult;
using kurvimat::signals::TParser;

namespace kurvimat::display {

namespace {

int roundEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

// Frame, background, caption and (differential mode) the mid-range line under the points.
void paintStripBase(IndexedImage& image, const QString& caption, bool adiff, const QFont& font,
                    const PaintGeometry& g) {
    const int w = image.width(), h = image.height();
    image.drawRectangle(0, 0, w, h, PaletteIndex::Black, PaletteIndex::Background);
    image.drawText(g.px(6), g.px(4), caption, font, PaletteIndex::Caption);
    if (adiff)
        image.horizontalLine(h / 2, 1, w - 2, PaletteIndex::DifferentialZeroLine, PixelOp::Set);
}

void putStripBase(IndexedImage& image, const QString& caption, bool adiff, const QFont& font,
                  const PaintGeometry& g, StripBase* base) {
    if (!base) {
        paintStripBase(image, caption, adiff, font, g);
        return;
    }
    if (base->Image.size() != image.size() || base->Adiff != adiff || base->Scale != g.Scale ||
        !(base->Font == font)) {
        paintStripBase(base->Image = IndexedImage(image.width(), image.height()), caption, adiff,
                       font, g);
        base->Adiff = adiff;
        base->Scale = g.Scale;
        base->Font = font;
    }
    image.copyArea(base->Image, image.rect());
}

int positiveMod(int value, int modulus) {
    const int m = value % modulus;
    return m < 0 ? m + modulus : m;
}

// Column of sweep point i of pointCount across a strip of width w.
int sweepColumn(int i, int pointCount, int w) {
    if (pointCount <= 1) return 1;
    return roundEven(static_cast<double>(w - 3) * i / (pointCount - 1) + 1);
}

} // namespace

QFont StripFont(double scale) {
    return PlotFont(scale); // the window's Arial 11 as well
}

int StripRow(double raw, int height) {
    return roundEven((height - 2) - raw * (height - 3) / 1023.0);
}

void PaintRawStrip(IndexedImage& image, const MeasurementStore& store, bool adiff,
                   const QFont& font, const PaintGeometry& g, StripBase* base) {
    putStripBase(image, RawStripCaption(), adiff, font, g, base);
    const int w = image.width(), h = image.height(), k = g.weight();
    const QRect all = image.rect();
    for (int i = 0; i < RawStripSamples; ++i) {
        const int j = positiveMod(store.RawIndex - RawStripSamples + i, RawCapacity);
        const int x = roundEven(static_cast<double>(w - 3) * i / (RawStripSamples - 1) + 1);
        image.andPoint(x, StripRow(store.RawB[j], h), PaletteMask::StripB, k, all);
        image.andPoint(x, StripRow(store.RawA[j], h), PaletteMask::StripA, k, all);
    }
}

QString TriggerLevelText(const MeasurementStore& store, TParser& triggerParser,
                         bool triggerChannelA) {
    const float level = static_cast<float>(store.TriggerLevel);
    float own, other;
    if (triggerChannelA) {
        own = ChannelVoltage(store.UminA, store.UmaxA, level);
        other = (store.UmaxB + store.UminB) / 2;
    } else {
        own = ChannelVoltage(store.UminB, store.UmaxB, level);
        other = (store.UmaxA + store.UminA) / 2;
    }
    const float voltageA = triggerChannelA ? own : other;
    const float voltageB = triggerChannelA ? other : own;
    const SampleResult r = EvaluateSample(triggerParser, 0.0f, level, own, voltageA, voltageB);
    return FormatValue(RoundSignificant(r.value)) + QLatin1Char(' ') +
           (triggerChannelA ? store.UnitA : store.UnitB);
}

void PaintMeanStrip(IndexedImage& image, const MeasurementStore& store,
                    const DisplayControls& controls, const QString& levelText, const QFont& font,
                    const PaintGeometry& g, StripBase* base) {
    putStripBase(image, MeanStripCaption(), controls.Adiff, font, g, base);
    const int w = image.width(), h = image.height(), weight = g.weight();
    const QRect all = image.rect();
    const int pointCount = std::clamp(store.PointCount, 1, PointCapacity);
    const int preTrigger = std::clamp(store.PreTrigger, 0, pointCount);

    // Trigger marker: level line and an arrow through it pointing the trigger's way.
    const std::uint8_t colour =
        controls.TriggerChannelA ? PaletteIndex::ChannelA : PaletteIndex::ChannelB;
    const int xT = roundEven(static_cast<double>(preTrigger) * w / pointCount);
    const int yT = roundEven((h - 2) - (h - 3) * static_cast<double>(store.TriggerLevel) / 1023);
    const int s = controls.TriggerRising ? 1 : -1;
    const int l20 = g.px(20), l10 = g.px(10), l3 = g.px(3);
    const int arrow[][2] = {{xT, yT + l20 * s}, {xT, yT - l10 * s},      {xT + l3, yT - l10 * s},
                            {xT, yT - l20 * s}, {xT - l3, yT - l10 * s}, {xT, yT - l10 * s}};
    // Thicker at a larger scale: the lines drawn again one pixel right and down.
    for (int o = 0; o < weight; ++o) {
        image.drawLine(xT - l20, yT + o, xT + l20, yT + o, colour, PixelOp::Set);
        for (std::size_t i = 1; i < std::size(arrow); ++i)
            image.drawLine(arrow[i - 1][0] + o, arrow[i - 1][1], arrow[i][0] + o, arrow[i][1],
                           colour, PixelOp::Set);
    }

    const int textWidth = IndexedImage::textSize(levelText, font).width();
    int tx = xT, ty = yT;
    if (xT > w - textWidth - g.px(10)) tx = xT - textWidth - g.px(12);
    if (yT > h - g.px(24)) ty = yT - g.px(24);
    image.drawText(tx + g.px(7), ty + g.px(5), levelText, font, colour);

    PaintSweepPoints(image, store, 0, store.SweepIndex, g);

    // |<- newest PreTrigger block means ->| where the coming sweep's pre-trigger part will lie
    if (store.TriggerPos == -1) {
        const int b = positiveMod(store.MeanIndex - preTrigger, PointCapacity);
        for (int i = 0; i < preTrigger; ++i) {
            const int k = (b + i) % PointCapacity;
            const int x = sweepColumn(i, pointCount, w);
            image.andPoint(x, StripRow(store.MeanB[k], h), PaletteMask::HistoryB, weight, all);
            image.andPoint(x, StripRow(store.MeanA[k], h), PaletteMask::HistoryA, weight, all);
        }
    }
}

void PaintSweepPoints(IndexedImage& image, const MeasurementStore& store, int from, int to,
                      const PaintGeometry& g, QRect* touched) {
    const int w = image.width(), h = image.height(), weight = g.weight();
    const QRect all = image.rect();
    const int pointCount = std::clamp(store.PointCount, 1, PointCapacity);
    from = std::max(from, 0);
    to = std::clamp(to, 0, pointCount);
    int top = h, bottom = -1;
    for (int i = from; i < to; ++i) {
        const int x = sweepColumn(i, pointCount, w);
        const int yA = StripRow(store.SweepRawA[i], h), yB = StripRow(store.SweepRawB[i], h);
        image.andPoint(x, yB, PaletteMask::StripB, weight, all);
        image.andPoint(x, yA, PaletteMask::StripA, weight, all);
        top = std::min({top, yA, yB});
        bottom = std::max({bottom, yA, yB});
    }
    if (touched && from < to) {
        const int m = 2 * weight + 1;
        *touched |= QRect(QPoint(sweepColumn(from, pointCount, w) - m, top - m),
                          QPoint(sweepColumn(to - 1, pointCount, w) + m, bottom + m)) &
                    all;
    }
}

TriggerPoint TriggerFromMouse(int x, int y, int boxWidth, int boxHeight, int pointCount) {
    const int stripWidth = std::max(boxWidth - 70, 1);
    const int pre = roundEven(static_cast<double>(pointCount) * x / stripWidth);
    const int level = 1023 - roundEven(static_cast<double>(y) / std::max(boxHeight, 1) * 1023);
    return {std::clamp(pre, 0, std::max(pointCount - 1, 0)), std::clamp(level, 1, 1022)};
}

void MeanStripMouseDown(MeasurementStore& store, DisplayState& state, int x, int y, int boxWidth,
                        int boxHeight) {
    state.TriggerDragging = true;
    MeanStripMouseMove(store, state, x, y, boxWidth, boxHeight);
}

void MeanStripMouseMove(MeasurementStore& store, DisplayState& state, int x, int y, int boxWidth,
                        int boxHeight) {
    if (!state.TriggerDragging) return;
    const TriggerPoint p = TriggerFromMouse(x, y, boxWidth, boxHeight, store.PointCount);
    // At long intervals the next block may be a minute away: the marker follows at once.
    if (p.PreTrigger != store.PreTrigger || p.TriggerLevel != store.TriggerLevel)
        state.Changes.MeanDirty = true;
    store.PreTrigger = p.PreTrigger;
    store.TriggerLevel = p.TriggerLevel;
}

void MeanStripMouseUp(DisplayState& state) {
    state.TriggerDragging = false;
}

} // namespace kurvimat::display
