#include "plot/PlotView.h"

#include "MeasurementStore.h"
#include "PlotInteraction.h"
#include "RawStrips.h"
#include "plot/PointSetMode.h"
#include "widgets/TPaintBox.h"

#include <QMouseEvent>

using namespace kurvimat::display;
using kurvimat::acquisition::MeasurementStore;

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
        PlotMouseDown(PlotChanges(), display, host_.Mode(), p.x(), p.y(),
                      e->button() == Qt::RightButton, PlotSize());
    });
    connect(PaintBoxData, &TPaintBox::MouseMove, this, [this, &display](QMouseEvent* e) {
        const QPoint p = eventPoint(e);
        PlotMouseMove(PlotChanges(), display, PlotScales(), p.x(), p.y(), PlotSize());
    });
    connect(PaintBoxData, &TPaintBox::MouseUp, this, [this, &display](QMouseEvent* e) {
        const QPoint p = eventPoint(e);
        PlotMouseUp(PlotChanges(), display, PlotScales(), p.x(), p.y(), PlotSize());
    });
    // Qt delivers the double click in place of a second press: it fits, it starts no zoom.
    connect(PaintBoxData, &TPaintBox::DblClick, this, [this, &display](QMouseEvent*) {
        PlotDblClick(PlotStore(), PlotChanges(), display, PlotScales(),
                     host_.Mode(), PlotSize(), host_.ShowsB());
    });

    // The full-range buttons' lit pictures take no clicks.
    for (const AxisImage which :
         {AxisImage::LinksAuto, AxisImage::LinksAutoOff, AxisImage::LinksFull,
          AxisImage::RechtsAuto, AxisImage::RechtsAutoOff, AxisImage::RechtsFull,
          AxisImage::UntenAuto, AxisImage::UntenAutoOff, AxisImage::UntenFull}) {
        TImage* image = AxisImages[static_cast<std::size_t>(which)];
        connect(image, &TImage::MouseDown, this, [this, which, &display](QMouseEvent*) {
            AxisImageMouseDown(which, PlotStore(), PlotChanges(), display,
                               PlotScales(), host_.Mode(), host_.ShowsB());
            ApplyAxisImages();
        });
    }
}

MeasurementStore& PlotView::PlotStore() {
    PointSetMode* own = host_.ShownPointSet();
    return own ? own->Points() : host_.RecordedStore();
}

DisplayChanges& PlotView::PlotChanges() {
    PointSetMode* own = host_.ShownPointSet();
    return own ? own->Changes() : data_.Display.Changes;
}

ScaleSet PlotView::PlotScales() {
    PointSetMode* own = host_.ShownPointSet();
    return own ? own->Scales() : data_.Scales();
}

CursorState& PlotView::PlotCursors() {
    PointSetMode* own = host_.ShownPointSet();
    CursorState* cursors = own ? own->OwnCursors() : nullptr;
    return cursors ? *cursors : data_.Cursors;
}

ZoomHistory& PlotView::PlotHistory() {
    PointSetMode* own = host_.ShownPointSet();
    return own ? own->History() : data_.RangeHistory;
}

void PlotView::ApplyAxisImages() {
    for (int i = 0; i < AxisImageCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        AxisImages[k]->setVisible(data_.Display.ImageVisible[k]);
    }
}

void PlotView::PlaceRightAxisImages() {
    // As the layout anchors them to the panel's right edge: 16 pixels from it.
    constexpr int inset = 16;
    const int x =
        PaintBoxData->geometry().right() + 1 - inset - data_.Display.ExtraAxes * ExtraAxisWidth;
    for (const AxisImage which : {AxisImage::RechtsAuto, AxisImage::RechtsAutoOff,
                                  AxisImage::RechtsFull, AxisImage::RechtsFullon}) {
        TImage* image = AxisImages[static_cast<std::size_t>(which)];
        if (image->x() != x) image->move(x, image->y());
    }
}

void PlotView::UpdateTimeScale(const MeasurementStore& store) {
    Tscale& t = data_.ScaleT;
    t.RangeStart = store.TimeRangeMin;
    t.RangeEnd = store.TimeRangeMax;
    t.Title = t.DisplayFactor != 0 ? TimeTitleMinutes() : TimeTitleSeconds();
}
