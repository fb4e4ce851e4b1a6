#include "AxisPictures.h"

#include <QCoreApplication>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <cmath>

namespace kurvimat::display {

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
// Captions are small: a darker grey keeps them legible.
const QColor captionGrey(80, 80, 80);
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

// A transparent picture of a logical size drawn at a pixel ratio: it keeps the ratio and shows
// sharp at its logical size on a scaled screen.
QImage scaledCanvas(QSize logical, double scale) {
    QImage image(PictureDeviceSize(logical, scale), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(scale);
    return image;
}

// The picture as it sits below the plot (32 x 16): the range runs left (min) to right (max).
// The side pictures are the same turned to read upwards, so max ends up at the top.
QImage horizontalPicture(bool autoPicture, bool effect, Side side, double scale) {
    QImage image = scaledCanvas({32, 16}, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor ink = effect ? QColor(Qt::black) : grey;
    p.setPen(QPen(ink, 1));
    // limit bars over the caption's row
    p.drawLine(2, 0, 2, 7);
    p.drawLine(29, 0, 29, 7);
    if (autoPicture) {
        // arrows from the middle pushing the limits outwards
        p.drawLine(9, 4, 4, 4);
        arrowHead(p, {4, 4}, -1);
        p.drawLine(22, 4, 27, 4);
        arrowHead(p, {27, 4}, 1);
        QColor first = ink, second = ink;
        if (effect) {
            first = side == Side::Right ? red : blue;
            second = side == Side::Bottom ? red : first;
        }
        // Aliased like a 16-colour picture: whole pixels in the axis colours.
        QPainterPath wave;
        wave.moveTo(10, 4);
        wave.cubicTo(12, -1, 14, -1, 15.5, 4);
        p.strokePath(wave, QPen(first, 1.2));
        QPainterPath wave2;
        wave2.moveTo(15.5, 4);
        wave2.cubicTo(17, 9, 19, 9, 21, 4);
        p.strokePath(wave2, QPen(second, 1.2));
    } else {
        // arrows from outside pointing at the limits
        p.drawLine(9, 4, 5, 4);
        arrowHead(p, {4, 4}, -1);
        p.drawLine(22, 4, 26, 4);
        arrowHead(p, {27, 4}, 1);
    }
    QFont font(QStringLiteral("Arial"));
    p.setPen(effect ? ink : captionGrey);
    if (autoPicture) {
        font.setPixelSize(9);
        p.setFont(font);
        p.drawText(QRect(0, 7, 32, 9), Qt::AlignCenter,
                   QCoreApplication::translate("AxisPictures", "auto"));
    } else {
        font.setPixelSize(8);
        p.setFont(font);
        p.drawText(QRect(0, 7, 16, 9), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("min"));
        p.drawText(QRect(15, 7, 17, 9), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("max"));
    }
    return image;
}

} // namespace

QSize PictureDeviceSize(QSize logical, double scale) {
    return {static_cast<int>(std::ceil(logical.width() * scale - 1e-9)),
            static_cast<int>(std::ceil(logical.height() * scale - 1e-9))};
}

QSize AxisPictureSize(AxisImage image) {
    return sideOf(image) == Side::Bottom ? QSize(32, 16) : QSize(16, 32);
}

QImage AxisPicture(AxisImage image, double scale) {
    const Side side = sideOf(image);
    QImage picture = horizontalPicture(isAuto(image), inEffect(image), side, scale);
    if (side != Side::Bottom) {
        picture = picture.transformed(QTransform().rotate(-90));
        picture.setDevicePixelRatio(scale);
    }
    return picture;
}

QImage SnapshotArrowPicture(double scale) {
    QImage image = scaledCanvas({20, 44}, scale);
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

} // namespace kurvimat::display
