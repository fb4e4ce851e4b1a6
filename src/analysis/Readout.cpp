#include "Readout.h"

#include "Numbers.h"
#include "Plot.h"
#include "skala.h"

#include <QRect>
#include <algorithm>

#include <cmath>
#include <vector>

namespace {

const QString None = QStringLiteral("\u2013"); // en dash: no value here
const QString Delta = QStringLiteral("\u0394");

QString timeUnit(const ReadoutInput& in) {
    return in.Minutes ? QStringLiteral("min") : QStringLiteral("s");
}
double shownTime(const ReadoutInput& in, double seconds) {
    return in.Minutes ? seconds / 60 : seconds;
}

QString quantity(const std::optional<double>& v, const QString& unit) {
    return v ? FormatQuantity(*v, unit) : None;
}

// A rate: the unit per second or per minute; a unit-less signal gives "1/s".
QString rate(const std::optional<double>& perSecond, const QString& unit, const ReadoutInput& in) {
    if (!perSecond) return None;
    const double v = in.Minutes ? *perSecond * 60 : *perSecond;
    if (unit.isEmpty()) return FormatValue(v) + QStringLiteral(" 1/") + timeUnit(in);
    return FormatQuantity(v, unit + QLatin1Char('/') + timeUnit(in));
}

struct Column {
    QString Title;
    const SeriesInfo* Series;
};

void addRow(ReadoutTable& table, const QString& label, QStringList cells, bool header = false) {
    table.push_back({label, std::move(cells), header});
}

void addPositions(ReadoutTable& table, const QString& name, const std::array<double, 2>& at,
                  const QString& unit, double factor) {
    addRow(table, name + QLatin1Char('1'), {FormatQuantity(at[0] * factor, unit)});
    addRow(table, name + QLatin1Char('2'), {FormatQuantity(at[1] * factor, unit)});
    addRow(table, Delta + name, {FormatQuantity((at[1] - at[0]) * factor, unit)});
}

void addTimeSection(ReadoutTable& table, const ReadoutInput& in) {
    const TimeSpan span = in.Cursors.timeSpan();
    const double t1 = in.Cursors.X[0], t2 = in.Cursors.X[1];
    addPositions(table, QStringLiteral("t"), in.Cursors.X, timeUnit(in), in.Minutes ? 1.0 / 60 : 1);
    const double dt = std::fabs(t2 - t1);
    addRow(table, QStringLiteral("1/") + Delta + QLatin1Char('t'),
           {dt > 0 ? FormatQuantity(1 / dt, QStringLiteral("Hz")) : None});

    std::vector<Column> columns;
    if (in.ShowA) columns.push_back({QStringLiteral("A"), &in.DataA});
    if (in.ShowB) columns.push_back({QStringLiteral("B"), &in.DataB});
    // The snapshot gets columns of its own where the cursors reach it.
    const auto reached = [&](const SeriesInfo& s) {
        return s.Points.Count > 0 && (InterpolateAt(s.Points, t1) || InterpolateAt(s.Points, t2) ||
                                      PointsBetween(s.Points, t1, t2).Count() > 0);
    };
    if (in.ShowA && reached(in.SnapA))
        columns.push_back({QStringLiteral("Schnappschuss A"), &in.SnapA});
    if (in.ShowB && reached(in.SnapB))
        columns.push_back({QStringLiteral("Schnappschuss B"), &in.SnapB});

    QStringList titles, at1, at2, diff, lo, hi, pp, mean, rms, slope, freq;
    for (const Column& c : columns) {
        const SeriesInfo& s = *c.Series;
        const QString& u = s.Unit;
        titles << c.Title;
        const auto v1 = InterpolateAt(s.Points, t1), v2 = InterpolateAt(s.Points, t2);
        at1 << quantity(v1, u);
        at2 << quantity(v2, u);
        diff << ((v1 && v2) ? FormatQuantity(*v2 - *v1, u) : None);
        const SpanStatistics st = StatisticsOver(s.Points, span.T1, span.T2);
        const auto ifAny = [&](double v) { return st.Count > 0 ? FormatQuantity(v, u) : None; };
        lo << ifAny(st.Min);
        hi << ifAny(st.Max);
        pp << ifAny(st.PeakPeak());
        mean << ifAny(st.Mean);
        rms << ifAny(st.Rms);
        slope << rate(st.Slope, u, in);
        freq << quantity(st.Frequency, QStringLiteral("Hz"));
    }
    if (columns.empty()) return;
    addRow(table, QString(), titles, true);
    addRow(table, QStringLiteral("bei t1"), at1);
    addRow(table, QStringLiteral("bei t2"), at2);
    addRow(table, QStringLiteral("Differenz"), diff);
    addRow(table, QStringLiteral("Minimum"), lo);
    addRow(table, QStringLiteral("Maximum"), hi);
    addRow(table, QStringLiteral("Spitze-Spitze"), pp);
    addRow(table, QStringLiteral("Mittelwert"), mean);
    addRow(table, QStringLiteral("Effektivwert"), rms);
    addRow(table, QStringLiteral("Steigung"), slope);
    addRow(table, QStringLiteral("Frequenz"), freq);
}

} // namespace

bool UnitTakesPrefix(const QString& unit) {
    if (unit.isEmpty()) return false;
    const QChar u = unit.front();
    if (u == QChar(0x00B0) || u == u'%') return false;
    static const QString prefixes = QStringLiteral("pn\u00B5umkMGT");
    return !(prefixes.contains(u) && unit.size() >= 2);
}

QString FormatQuantity(double value, const QString& unit) {
    if (!std::isfinite(value)) return None;
    if (unit.isEmpty()) return FormatValue(value);
    if (!UnitTakesPrefix(unit) || value == 0) return FormatValue(value) + QLatin1Char(' ') + unit;
    int e = 3 * static_cast<int>(std::floor(std::log10(std::fabs(value)) / 3));
    e = std::clamp(e, -12, 12);
    double m = value / std::pow(10.0, e);
    // log10 may land a hair beside a power of ten, and 999,96 shows as 1000 in four digits.
    if (std::fabs(m) < 1 && e > -12) {
        e -= 3;
        m *= 1000;
    } else if (std::fabs(m) >= 999.95 && e < 12) {
        e += 3;
        m /= 1000;
    }
    return FormatValue(m) + QLatin1Char(' ') + SiPrefix(e).value_or(QString()) + unit;
}

ReadoutTable ComposeReadout(const ReadoutInput& in) {
    ReadoutTable table;
    const CursorState& c = in.Cursors;
    const bool normal = in.Mode == PlotMode::Normal;
    if (c.VerticalOn) {
        if (normal) {
            addTimeSection(table, in);
        } else {
            // x is B when B serves as x, else A.
            const QString& u = in.Mode == PlotMode::BAsX ? in.DataB.Unit : in.DataA.Unit;
            addPositions(table, QStringLiteral("x"), c.X, u, 1);
        }
    }
    if (c.HorizontalOn) {
        const bool b = c.valueOnB(in.Mode);
        const QString& u = b ? in.DataB.Unit : in.DataA.Unit;
        const QString axis = b ? QStringLiteral(" (B)") : QStringLiteral(" (A)");
        addRow(table, QStringLiteral("y1") + axis, {FormatQuantity(c.Y[0], u)});
        addRow(table, QStringLiteral("y2") + axis, {FormatQuantity(c.Y[1], u)});
        addRow(table, Delta + QStringLiteral("y") + axis, {FormatQuantity(c.Y[1] - c.Y[0], u)});
    }
    return table;
}

QString ReadoutText(const ReadoutTable& table) {
    QString text;
    for (const ReadoutRow& row : table)
        text += row.Label + QLatin1Char('\t') + row.Cells.join(QLatin1Char('\t')) +
                QStringLiteral("\r\n");
    return text;
}

QString ReadoutHtml(const ReadoutTable& table) {
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"1\">");
    for (const ReadoutRow& row : table) {
        html += QStringLiteral("<tr><td>") + row.Label.toHtmlEscaped() + QStringLiteral("</td>");
        for (const QString& cell : row.Cells) {
            if (row.Header) {
                const bool b = cell.endsWith(u'B');
                const bool snap = cell.size() > 1;
                const char* colour =
                    b ? (snap ? "#f7a5a5" : "#f70000") : (snap ? "#a5a5f7" : "#0000f7");
                html += QStringLiteral("<td align=\"right\" style=\"color:%1\"><b>%2</b></td>")
                            .arg(QLatin1String(colour), cell.toHtmlEscaped());
            } else {
                html += QStringLiteral("<td align=\"right\">&nbsp;") + cell.toHtmlEscaped() +
                        QStringLiteral("</td>");
            }
        }
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QString PointerText(const ReadoutInput& in, int index) {
    const PointSeries& t = in.DataA.Points;
    if (index < 0 || index >= t.Count) return {};
    const QString gap = QStringLiteral("   ");
    QString text = QStringLiteral("t = ") + FormatQuantity(shownTime(in, t.T[index]), timeUnit(in));
    if (in.ShowA)
        text +=
            gap + QStringLiteral("A = ") + FormatQuantity(in.DataA.Points.V[index], in.DataA.Unit);
    if (in.ShowB) // a point set without B values shows none
        text += gap + QStringLiteral("B = ") +
                (index < in.DataB.Points.Count
                     ? FormatQuantity(in.DataB.Points.V[index], in.DataB.Unit)
                     : None);
    return text;
}

QPoint CornerPosition(Corner corner, QSize plot, QSize box, int margin) {
    const bool left = corner == Corner::TopLeft || corner == Corner::BottomLeft;
    const bool top = corner == Corner::TopLeft || corner == Corner::TopRight;
    return {left ? margin : std::max(margin, plot.width() - margin - box.width()),
            top ? margin : std::max(margin, plot.height() - margin - box.height())};
}

Corner QuietCorner(const ReadoutInput& in, const ScaleSet& scales, QSize plot, QSize box,
                   int margin, Corner current) {
    constexpr double CursorWeight = 1000;
    const int w = plot.width(), h = plot.height();
    if (w < 4 || h < 4) return current;
    const Corner corners[] = {Corner::TopRight, Corner::TopLeft, Corner::BottomRight,
                              Corner::BottomLeft};
    double cost[4] = {};
    QRect rects[4];
    for (int k = 0; k < 4; ++k)
        rects[k] = QRect(CornerPosition(corners[k], plot, box, margin), box);

    const CursorState& c = in.Cursors;
    const CursorAxes axes = AxesOf(c, scales, in.Mode);
    for (int k = 0; k < 4; ++k) {
        const QRect& r = rects[k];
        for (int i = 0; i < 2; ++i) {
            const double x = PlotColumn(c.X[i], axes.XStart, axes.XEnd, w);
            const double y = PlotRow(c.Y[i], axes.YStart, axes.YEnd, h);
            if (c.VerticalOn && x >= r.left() && x <= r.right()) cost[k] += CursorWeight;
            if (c.HorizontalOn && y >= r.top() && y <= r.bottom()) cost[k] += CursorWeight;
        }
    }
    for (int k = 0; k < 4; ++k)
        if (rects[k].intersects(in.Occupied)) cost[k] += CursorWeight;
    // The curves as the plot draws them: time or the x channel across, values up.
    const Tscale& bottom = *scales.Bottom;
    const auto addCurve = [&](const float* xs, const float* ys, int count, const Tscale& scaleY) {
        for (int i = 0; i < count; ++i) {
            const double x = PlotColumn(xs[i], bottom.RangeStart, bottom.RangeEnd, w);
            const double y = PlotRow(ys[i], scaleY.RangeStart, scaleY.RangeEnd, h);
            for (int k = 0; k < 4; ++k)
                if (rects[k].contains(static_cast<int>(x), static_cast<int>(y))) cost[k] += 1;
        }
    };
    const PointSeries& a = in.DataA.Points;
    const PointSeries& b = in.DataB.Points;
    switch (in.Mode) {
    case PlotMode::Normal:
        if (in.ShowA) addCurve(a.T, a.V, a.Count, scales.A);
        if (in.ShowB) addCurve(b.T, b.V, b.Count, scales.B);
        break;
    case PlotMode::BAsX:
        addCurve(b.V, a.V, std::min(a.Count, b.Count), scales.A);
        break;
    case PlotMode::AAsX:
        addCurve(a.V, b.V, std::min(a.Count, b.Count), scales.B);
        break;
    }
    int best = static_cast<int>(current);
    for (int k = 0; k < 4; ++k)
        if (cost[k] < 0.8 * cost[best] - 1) best = k;
    return corners[best];
}
