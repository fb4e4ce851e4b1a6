#include "TPaintBox.h"

#include <QMouseEvent>
#include <QPainter>

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    FitCanvas();
}

void TPaintBox::FitCanvas() {
    const QSize size = this->size().expandedTo(QSize(1, 1));
    if (FCanvas.size() == size) return;
    QImage canvas(size, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    if (!FCanvas.isNull()) {
        QPainter p(&canvas);
        p.drawImage(0, 0, FCanvas);
    }
    FCanvas = std::move(canvas);
}

void TPaintBox::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.drawImage(event->rect().topLeft(), FCanvas, event->rect());
}

void TPaintBox::resizeEvent(QResizeEvent*) {
    FitCanvas();
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
    QPainter p(this);
    p.drawImage(0, 0, FPicture);
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
