#include "PlotPicture.h"

#include "Plot.h"

#include <QDateTime>
#include <QPainter>

#include <algorithm>

void PaintPlotPicture(QPainter& painter, const PictureSource& source, const PlotOverlay& overlay) {
    const int w = source.PaintBox.width(), h = source.PaintBox.height();
    painter.save();
    painter.fillRect(0, 0, w, h, Qt::white);
    // The scales first: the plot's grid uses the tick positions of their drawing.
    painter.setFont(PlotFont());
    for (Tscale* scale : {source.Scales.Left, source.Scales.Right, source.Scales.Bottom}) {
        painter.setPen(Qt::black);
        painter.setBrush(Qt::NoBrush);
        scale->Canvas = &painter;
        scale->Draw();
        scale->Canvas = nullptr;
    }
    IndexedImage plot(w - 2 * PlotLeftMargin, h - 60);
    const DisplayState noZoomBox;
    PaintPlot(plot, source.Store, source.Scales, source.Controls, noZoomBox, PlotFont());
    if (overlay) overlay(plot);
    painter.drawImage(PlotLeftMargin, PlotTopMargin, plot.toRgb32());
    painter.restore();
}

QImage RenderPlotPicture(const PictureSource& source, int scale, const PlotOverlay& overlay) {
    scale = std::clamp(scale, 1, 8);
    QImage image(source.PaintBox * scale, QImage::Format_RGB32);
    if (image.isNull()) return image;
    // Painting at a device pixel ratio keeps the layout in paint-box pixels while the texts and
    // lines get the finer raster.
    image.setDevicePixelRatio(scale);
    {
        QPainter painter(&image);
        PaintPlotPicture(painter, source, overlay);
    }
    image.setDevicePixelRatio(1);
    return image;
}

QString PictureFooter(const QString& definitionA, const QString& definitionB,
                      const QDateTime& when) {
    const auto shown = [](const QString& d) {
        return d.trimmed().isEmpty() ? QStringLiteral("–") : d.trimmed();
    };
    return QStringLiteral("A: %1     B: %2     %3")
        .arg(shown(definitionA), shown(definitionB),
             when.toString(QStringLiteral("dd.MM.yyyy, HH:mm 'Uhr'")));
}
