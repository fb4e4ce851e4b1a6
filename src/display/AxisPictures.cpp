#include "AxisPictures.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

namespace {

enum class Side { Left, Right, Bottom };

Side sideOf(AxisImage image) {
    const int i = static_cast<int>(image);
    return i < 4 ? Side::Left : i < 8 ? Side::Right : Side::Bottom;
}

bool isAuto(AxisImage image) {
    return static_cast<int>(image) % 4 < 2;
}
bool inEffect(AxisImage image) {
    return static_cast<int>(image) % 2 == 1;
}

const QColor grey(128, 128, 128);
const QColor blue(0, 0, 247);
const QColor red(247, 0, 0);

void arrowHead(QPainter& p, QPointF tip, double direction) {
    // direction +1: pointing right, -1: pointing left
    QPainterPath path;
    path.moveTo(tip);
    path.lineTo(tip.x() - 3 * direction, tip.y() - 3);
    path.lineTo(tip.x() - 3 * direction, tip.y() + 3);
    path.closeSubpath();
    p.fillPath(path, p.pen().color());
}

// The picture as it sits below the plot (32 x 16): the range runs left (min) to right (max).
// The side pictures are the same turned to read upwards, so max ends up at the top.
QImage horizontalPicture(bool autoPicture, bool effect, Side side) {
    QImage image(32, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor ink = effect ? QColor(Qt::black) : grey;
    p.setPen(QPen(ink, 1));
    // limit bars
    p.drawLine(2, 1, 2, 9);
    p.drawLine(29, 1, 29, 9);
    if (autoPicture) {
        // arrows from the middle pushing the limits outwards
        p.drawLine(9, 5, 4, 5);
        arrowHead(p, {4, 5}, -1);
        p.drawLine(22, 5, 27, 5);
        arrowHead(p, {27, 5}, 1);
        QColor first = ink, second = ink;
        if (effect) {
            first = side == Side::Right ? red : blue;
            second = side == Side::Bottom ? red : first;
        }
        // Aliased like a 16-colour picture: whole pixels in the axis colours.
        QPainterPath wave;
        wave.moveTo(10, 5);
        wave.cubicTo(12, 0, 14, 0, 15.5, 5);
        p.strokePath(wave, QPen(first, 1.2));
        QPainterPath wave2;
        wave2.moveTo(15.5, 5);
        wave2.cubicTo(17, 10, 19, 10, 21, 5);
        p.strokePath(wave2, QPen(second, 1.2));
    } else {
        // arrows from outside pointing at the limits
        p.drawLine(9, 5, 5, 5);
        arrowHead(p, {4, 5}, -1);
        p.drawLine(22, 5, 26, 5);
        arrowHead(p, {27, 5}, 1);
    }
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(7);
    p.setFont(font);
    p.setPen(ink);
    if (autoPicture) {
        p.drawText(QRect(0, 9, 32, 7), Qt::AlignCenter, QStringLiteral("auto"));
    } else {
        p.drawText(QRect(0, 9, 14, 7), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("min"));
        p.drawText(QRect(17, 9, 15, 7), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("max"));
    }
    return image;
}

} // namespace

QSize AxisPictureSize(AxisImage image) {
    return sideOf(image) == Side::Bottom ? QSize(32, 16) : QSize(16, 32);
}

QImage AxisPicture(AxisImage image) {
    const Side side = sideOf(image);
    QImage picture = horizontalPicture(isAuto(image), inEffect(image), side);
    if (side != Side::Bottom) picture = picture.transformed(QTransform().rotate(-90));
    return picture;
}

QImage SnapshotArrowPicture() {
    QImage image(20, 44, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPen pen(grey, 2);
    QPainterPath path;
    path.moveTo(2, 10);
    path.cubicTo(14, 10, 14, 34, 4, 34);
    p.strokePath(path, pen);
    p.setPen(Qt::NoPen);
    p.setBrush(grey);
    p.drawPolygon(QPolygonF({QPointF(1, 34), QPointF(7, 29), QPointF(7, 39)}));
    return image;
}
