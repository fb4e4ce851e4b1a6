#include "widgets/TPaintBox.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include <cmath>

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize TPaintBox::DeviceSize(QSize logical, qreal ratio) {
    return QSize(static_cast<int>(std::ceil(logical.width() * ratio - 1e-9)),
                 static_cast<int>(std::ceil(logical.height() * ratio - 1e-9)))
        .expandedTo(QSize(1, 1));
}

void TPaintBox::FitCanvas() {
    const QSize size = DeviceSize(this->size(), devicePixelRatioF());
    if (FCanvas.size() == size) return;
    // Old content at its old place would show frames and titles that no paint covers.
    FCanvas = QImage(size, QImage::Format_RGB32);
    FCanvas.fill(Qt::white);
}

void TPaintBox::UpdateCanvas(const std::vector<QRect>& changed) {
    // Logical pixels covering the device rectangles, rounded outwards.
    const qreal r = devicePixelRatioF();
    QRegion logical;
    for (const QRect& c : changed)
        if (!c.isEmpty())
            logical += QRectF(c.x() / r, c.y() / r, c.width() / r, c.height() / r).toAlignedRect();
    if (!logical.isEmpty()) update(logical);
}

void TPaintBox::paintEvent(QPaintEvent* event) {
    // The canvas holds device pixels: drawn into the widget's logical size it lands 1:1. Only
    // the parts asked for, so that a few new points do not copy the whole canvas.
    FitCanvas();
    QPainter p(this);
    const qreal r = devicePixelRatioF();
    const QRectF canvas(0, 0, FCanvas.width() / r, FCanvas.height() / r);
    for (const QRect& part : event->region()) {
        const QRectF target = QRectF(part) & canvas;
        p.drawImage(
            target, FCanvas,
            QRectF(target.x() * r, target.y() * r, target.width() * r, target.height() * r));
    }
}

void TPaintBox::resizeEvent(QResizeEvent*) {
    // The canvas follows when it is drawn or shown: the sizes a window passes through while
    // it is built need no canvas of their own.
    emit Resized();
}

void TPaintBox::mousePressEvent(QMouseEvent* event) {
    emit MouseDown(event);
}
void TPaintBox::mouseMoveEvent(QMouseEvent* event) {
    emit MouseMove(event);
}
void TPaintBox::mouseReleaseEvent(QMouseEvent* event) {
    emit MouseUp(event);
}
void TPaintBox::mouseDoubleClickEvent(QMouseEvent* event) {
    emit DblClick(event);
}

TImage::TImage(QWidget* parent) : QWidget(parent) {}

void TImage::SetPicture(const QImage& picture) {
    FPicture = picture;
    update();
}

void TImage::paintEvent(QPaintEvent*) {
    // A picture made at the screen's ratio carries it and is drawn at its logical size.
    QPainter p(this);
    p.drawImage(QPointF(0, 0), FPicture);
}

void TImage::mousePressEvent(QMouseEvent* event) {
    emit MouseDown(event);
}

TShape::TShape(QWidget* parent, QColor color) : QWidget(parent), FColor(color) {}

void TShape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), FColor);
}

void TShape::mousePressEvent(QMouseEvent* event) {
    emit MouseDown(event);
}
void TShape::mouseReleaseEvent(QMouseEvent* event) {
    emit MouseUp(event);
}
