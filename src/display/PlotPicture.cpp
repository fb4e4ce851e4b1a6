#include "PlotPicture.h"

#include "DisplayRefresh.h"
#include "Plot.h"
#include "RunLayer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPainter>
#include <QStringList>

#include <algorithm>
#include <optional>
#include <vector>

namespace kurvimat::display {

QImage RenderPlotPicture(const PictureSource& source, int scale, const PlotOverlay& overlay) {
    DisplayState state;
    state.Geometry.Scale = std::clamp(scale, 1, 8);
    state.Cursors = source.Cursors;
    const PaintGeometry& g = state.Geometry;
    QImage canvas(g.px(source.PaintBox.width()), g.px(source.PaintBox.height()),
                  QImage::Format_RGB32);
    if (canvas.isNull()) return canvas;
    canvas.fill(Qt::white);

    // The scales are the window's: placed for the picture here, given back afterwards.
    const ScaleSet& s = source.Scales;
    std::vector<std::pair<Tscale*, Tscale>> saved;
    for (Tscale* t : {s.Left, s.Right, s.Bottom})
        if (std::none_of(saved.begin(), saved.end(), [t](const auto& e) { return e.first == t; }))
            saved.emplace_back(t, *t);

    IndexedImage plot;
    state.ExtraAxes = ExtraAxesOf(source.Store, source.Controls);
    PlacePlotArea(canvas.size(), state, s, plot);
    if (state.ExtraAxes > 0)
        SetExtraScales(state, source.Store, DataCurves(source.Store, source.Controls.KanalB));
    {
        // The scales first: the plot's grid uses the tick positions of their drawing.
        QPainter painter(&canvas);
        painter.setFont(DataFont(g.Scale));
        for (Tscale* t : {s.Left, s.Right, s.Bottom})
            DrawScale(painter, *t, g);
        for (int k = 0; k < state.ExtraAxes; ++k)
            DrawScale(painter, state.ExtraScales[std::size_t(k)], g);
    }
    // A layer of its own at the picture's size: the window's stays as its plot needs it.
    std::optional<RunLayer> runs;
    if (source.Runs && !source.Runs->empty()) runs.emplace(*source.Runs);
    PaintPlot(plot, source.Store, s, source.Controls, state, PlotFont(g.Scale),
              runs ? &*runs : nullptr);
    if (overlay) overlay(plot, g);
    plot.expandInto(canvas, g.px(PlotLeftMargin), g.px(PlotTopMargin));

    for (auto& [t, copy] : saved)
        *t = copy;
    return canvas;
}

QString PictureFooter(std::span<const std::pair<QString, QString>> definitions,
                      const QDateTime& when) {
    QStringList parts;
    for (const auto& [name, definition] : definitions)
        parts << name + QStringLiteral(": ") +
                     (definition.trimmed().isEmpty() ? QStringLiteral("–") : definition.trimmed());
    parts << when.toString(QCoreApplication::translate("PlotPicture", "dd.MM.yyyy, HH:mm 'Uhr'"));
    return parts.join(QStringLiteral("     "));
}

} // namespace kurvimat::display
