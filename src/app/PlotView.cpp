#include "PlotView.h"

#include "MeasurementStore.h"
#include "PlotInteraction.h"
#include "RawStrips.h"
#include "TPaintBox.h"

#include <QMouseEvent>

using namespace kurvimat::display;

namespace {
QPoint eventPoint(QMouseEvent* e) {
    return e->position().toPoint();
}
} // namespace

void PlotView::ConnectMouse(TPaintBox* strip) {
    DisplayState& display = data_.Display;
    // The overview strip: a click or a drag sets the trigger level and the pre-trigger.
    connect(strip, &TPaintBox::MouseDown, this, [this, strip, &display](QMouseEvent* e) {
        const QPoint p = eventPoint(e);
        MeanStripMouseDown(host_.RecordedStore(), display, p.x(), p.y(), strip->width(),
                           strip->height());
    });
    connect(strip, &TPaintBox::MouseMove, this, [this, strip, &display](QMouseEvent* e) {
        const QPoint p = eventPoint(e);
        MeanStripMouseMove(host_.RecordedStore(), display, p.x(), p.y(), strip->width(),
                           strip->height());
    });
    connect(strip, &TPaintBox::MouseUp, this,
            [&display](QMouseEvent*) { MeanStripMouseUp(display); });

    connect(PaintBoxData, &TPaintBox::MouseDown, this, [this, &display](QMouseEvent* e) {
        const QPoint p = eventPoint(e);
        PlotMouseDown(host_.PlotChanges(), display, host_.Mode(), p.x(), p.y(),
                      e->button() == Qt::RightButton, PlotSize());
    });
    connect(PaintBoxData, &TPaintBox::MouseMove, this, [this, &display](QMouseEvent* e) {
        const QPoint p = eventPoint(e);
        PlotMouseMove(host_.PlotChanges(), display, host_.PlotScales(), p.x(), p.y(), PlotSize());
    });
    connect(PaintBoxData, &TPaintBox::MouseUp, this, [this, &display](QMouseEvent* e) {
        const QPoint p = eventPoint(e);
        PlotMouseUp(host_.PlotChanges(), display, host_.PlotScales(), p.x(), p.y(), PlotSize());
    });
    // Qt delivers the double click in place of a second press: it fits, it starts no zoom.
    connect(PaintBoxData, &TPaintBox::DblClick, this, [this, &display](QMouseEvent*) {
        PlotDblClick(host_.PlotStore(), host_.PlotChanges(), display, host_.PlotScales(),
                     host_.Mode(), PlotSize());
    });

    // The full-range buttons' lit pictures take no clicks.
    for (const AxisImage which :
         {AxisImage::LinksAuto, AxisImage::LinksAutoOff, AxisImage::LinksFull,
          AxisImage::RechtsAuto, AxisImage::RechtsAutoOff, AxisImage::RechtsFull,
          AxisImage::UntenAuto, AxisImage::UntenAutoOff, AxisImage::UntenFull}) {
        TImage* image = AxisImages[static_cast<std::size_t>(which)];
        connect(image, &TImage::MouseDown, this, [this, which, &display](QMouseEvent*) {
            AxisImageMouseDown(which, host_.PlotStore(), host_.PlotChanges(), display,
                               host_.PlotScales(), host_.Mode());
            ApplyAxisImages();
        });
    }
}

void PlotView::ApplyAxisImages() {
    for (int i = 0; i < AxisImageCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        AxisImages[k]->setVisible(data_.Display.ImageVisible[k]);
    }
}

void PlotView::UpdateTimeScale(const MeasurementStore& store) {
    Tscale& t = data_.ScaleT;
    t.RangeStart = store.TimeRangeMin;
    t.RangeEnd = store.TimeRangeMax;
    t.Title = t.DisplayFactor != 0 ? TimeTitleMinutes() : TimeTitleSeconds();
}
