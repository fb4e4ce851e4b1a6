#include "Readout.h"

#include "MeasurementStore.h"
#include "Numbers.h"
#include "Plot.h"
#include "Scale.h"
#include "SignalDefinition.h"

#include <QCoreApplication>
#include <QRect>
#include <algorithm>

#include <cmath>
#include <vector>

using kurvimat::acquisition::PointCapacity;
using kurvimat::analysis::ChannelAsX;
using kurvimat::analysis::FormatMeasurement;
using kurvimat::analysis::FormatQuantity;
using kurvimat::analysis::PlotMode;
using kurvimat::analysis::PointSeries;
using kurvimat::analysis::ReadoutCell;
using kurvimat::analysis::ReadoutRow;
using kurvimat::analysis::ReadoutTable;
using kurvimat::analysis::ShowMeasurement;
using kurvimat::analysis::ShownMeasurement;
using kurvimat::analysis::ShownQuantity;
using kurvimat::analysis::ShowQuantity;
using kurvimat::analysis::SpanStatistics;
using kurvimat::analysis::StatisticsOver;
using kurvimat::analysis::Tangent;
using kurvimat::analysis::TangentAt;

namespace kurvimat::display {

namespace {

const QString None = QStringLiteral("\u2013"); // en dash: no value here
const QString Delta = QStringLiteral("\u0394");

QString timeUnit(const ReadoutInput& in) {
    return in.Minutes ? QStringLiteral("min") : QStringLiteral("s");
}
double shownTime(const ReadoutInput& in, double seconds) {
    return in.Minutes ? seconds / 60 : seconds;
}

ReadoutCell value(const std::optional<double>& v, const QString& unit) {
    return {v, unit, std::nullopt, {}};
}

// A rate: the unit per second or per minute; a unit-less signal gives "1/s".
ReadoutCell rate(const std::optional<double>& perSecond, const QString& unit,
                 const ReadoutInput& in) {
    const QString per = (unit.isEmpty() ? QStringLiteral("1") : unit) + QLatin1Char('/') +
                        timeUnit(in);
    if (!perSecond) return value(std::nullopt, per);
    return value(in.Minutes ? *perSecond * 60 : *perSecond, per);
}

// An area under the curve: the unit times second or minute ("V·s", "°C·min").
ReadoutCell area(const std::optional<double>& inSeconds, const QString& unit,
                 const ReadoutInput& in) {
    const QString times =
        unit.isEmpty() ? timeUnit(in) : unit + QStringLiteral("\u00B7") + timeUnit(in);
    if (!inSeconds) return value(std::nullopt, times);
    return value(in.Minutes ? *inSeconds / 60 : *inSeconds, times);
}

struct Column {
    QString Title;
    const SeriesInfo* Series;
};

void addRow(ReadoutTable& table, const QString& label, QList<ReadoutCell> cells) {
    table.push_back({label, std::move(cells), false, false, false});
}

void addPositions(ReadoutTable& table, const QString& name, const std::array<double, 2>& at,
                  const QString& unit, double factor) {
    addRow(table, name + QLatin1Char('1'), {value(at[0] * factor, unit)});
    addRow(table, name + QLatin1Char('2'), {value(at[1] * factor, unit)});
    addRow(table, Delta + name, {value((at[1] - at[0]) * factor, unit)});
}

void addTimeSection(ReadoutTable& table, const ReadoutInput& in) {
    const double t1 = in.Cursors.X[0], t2 = in.Cursors.X[1];
    addPositions(table, QStringLiteral("t"), in.Cursors.X, timeUnit(in), in.Minutes ? 1.0 / 60 : 1);
    const double dt = std::fabs(t2 - t1);
    addRow(table, QStringLiteral("1/") + Delta + QLatin1Char('t'),
           {value(dt > 0 ? std::optional<double>(1 / dt) : std::nullopt, QStringLiteral("Hz"))});

    std::vector<Column> columns;
    if (in.ShowA) columns.push_back({QStringLiteral("A"), &in.DataA});
    // A point set without B has no B column, as a spreadsheet should not get one of dashes.
    if (in.ShowB && (in.DataB.Points.Count > 0 || in.DataA.Points.Count <= 0 || !in.ShowA))
        columns.push_back({QStringLiteral("B"), &in.DataB});
    for (const NamedSeries& f : in.Further.Columns)
        if (f.Series.Points.Count > 0) columns.push_back({f.Title, &f.Series});
    std::vector<SpanStatistics> stats;
    for (const Column& c : columns)
        stats.push_back(StatisticsOver(c.Series->Points, t1, t2));
    // The snapshot gets columns of its own where the cursors reach it.
    const auto addSnapshot = [&](const QString& title, const SeriesInfo& s) {
        if (s.Points.Count <= 0) return;
        SpanStatistics st = StatisticsOver(s.Points, t1, t2);
        if (!st.At1 && !st.At2 && st.Count == 0) return;
        columns.push_back({title, &s});
        stats.push_back(std::move(st));
    };
    if (in.ShowA) addSnapshot(QCoreApplication::translate("Readout", "Schnappschuss A"), in.SnapA);
    if (in.ShowB) addSnapshot(QCoreApplication::translate("Readout", "Schnappschuss B"), in.SnapB);
    if (columns.empty()) return;
    for (const NamedSeries& run : in.Runs) // of the shown channels only, as the window gives them
        addSnapshot(run.Title, run.Series);

    QList<ReadoutCell> titles, at1, at2, diff, lo, hi, pp, mean, sd, rms, slope, tangent, freq,
        period, integral;
    for (std::size_t k = 0; k < columns.size(); ++k) {
        const QString& u = columns[k].Series->Unit;
        const SpanStatistics& st = stats[k];
        titles << ReadoutCell{std::nullopt, {}, std::nullopt, columns[k].Title};
        at1 << value(st.At1, u);
        at2 << value(st.At2, u);
        diff << value(st.At1 && st.At2 ? std::optional<double>(*st.At2 - *st.At1) : std::nullopt,
                      u);
        const auto ifAny = [&](double v) {
            return value(st.Count > 0 ? std::optional<double>(v) : std::nullopt, u);
        };
        lo << ifAny(st.Min);
        hi << ifAny(st.Max);
        pp << ifAny(st.PeakPeak());
        mean << ifAny(st.Mean);
        sd << value(st.StdDev, u);
        rms << ifAny(st.Rms);
        slope << rate(st.Slope, u, in);
        if (in.Cursors.TangentOn) {
            const std::optional<Tangent> at = TangentAt(columns[k].Series->Points, t1);
            ReadoutCell cell = rate(at ? std::optional<double>(at->Slope) : std::nullopt, u, in);
            if (at) cell.Uncertainty = in.Minutes ? at->Uncertainty * 60 : at->Uncertainty;
            tangent << cell;
        }
        freq << value(st.Frequency, QStringLiteral("Hz"));
        period << value(st.Frequency ? std::optional<double>(shownTime(in, 1 / *st.Frequency))
                                     : std::nullopt,
                        timeUnit(in));
        integral << area(st.Integral, u, in);
    }
    table.push_back({QString(), titles, true, false, false});
    const std::pair<const char*, QList<ReadoutCell>*> rows[] = {
        {QT_TRANSLATE_NOOP("Readout", "bei t1"), &at1},
        {QT_TRANSLATE_NOOP("Readout", "bei t2"), &at2},
        {QT_TRANSLATE_NOOP("Readout", "Differenz"), &diff},
        {QT_TRANSLATE_NOOP("Readout", "Minimum"), &lo},
        {QT_TRANSLATE_NOOP("Readout", "Maximum"), &hi},
        {QT_TRANSLATE_NOOP("Readout", "Spitze-Spitze"), &pp},
        {QT_TRANSLATE_NOOP("Readout", "Mittelwert"), &mean},
        {QT_TRANSLATE_NOOP("Readout", "Standardabweichung"), &sd},
        {QT_TRANSLATE_NOOP("Readout", "Effektivwert"), &rms},
        {QT_TRANSLATE_NOOP("Readout", "Steigung"), &slope},
        {QT_TRANSLATE_NOOP("Readout", "Steigung bei t1"), &tangent},
        {QT_TRANSLATE_NOOP("Readout", "Frequenz"), &freq},
        {QT_TRANSLATE_NOOP("Readout", "Periode"), &period},
        {QT_TRANSLATE_NOOP("Readout", "Integral"), &integral},
    };
    for (const auto& [label, cells] : rows)
        if (!cells->isEmpty()) // the tangent's row only while it is on
            table.push_back({QCoreApplication::translate("Readout", label), std::move(*cells),
                             false, true, false});
}

// A header for the copied text: the quantity, and its unit in parentheses.
QString header(const QString& name, const QString& unit) {
    const QString n = name.trimmed();
    return unit.isEmpty() ? n : n + QStringLiteral(" (") + unit + QLatin1Char(')');
}

} // namespace

QString CellText(const ReadoutCell& cell) {
    if (!cell.Value) return cell.Text.isEmpty() ? None : cell.Text;
    if (cell.Uncertainty) return FormatMeasurement(*cell.Value, *cell.Uncertainty, cell.Unit);
    return FormatQuantity(*cell.Value, cell.Unit);
}

FurtherSeries FurtherSeriesOf(const acquisition::StoredPoints& data) {
    FurtherSeries out;
    const std::span<const signals::QuantityColumn> further = data.Further();
    if (further.empty()) return out;
    auto values = std::make_shared<std::vector<std::vector<float>>>(2 * further.size());
    for (std::size_t i = 0; i < further.size(); ++i) {
        std::vector<float>& t = (*values)[2 * i];
        std::vector<float>& v = (*values)[2 * i + 1];
        const std::vector<double>& column = further[i].values;
        for (std::size_t k = 0; k < column.size() && k < std::size_t(PointCapacity); ++k)
            if (std::isfinite(column[k]) && std::isfinite(data.T[k])) {
                t.push_back(data.T[k]);
                v.push_back(static_cast<float>(column[k]));
            }
    }
    for (std::size_t i = 0; i < further.size(); ++i) {
        const signals::QuantityColumn& c = further[i];
        const std::vector<float>& t = (*values)[2 * i];
        out.Columns.push_back({signals::shownName(c.name.trimmed().isEmpty() ? c.header : c.name),
                               {{t.data(), (*values)[2 * i + 1].data(), int(t.size())}, c.unit}});
    }
    out.Values = std::move(values);
    return out;
}

ReadoutTable ComposeReadout(const ReadoutInput& in) {
    ReadoutTable table;
    const CursorState& c = in.Cursors;
    const bool normal = !ChannelAsX(in.Mode);
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
        addRow(table, QStringLiteral("y1") + axis, {value(c.Y[0], u)});
        addRow(table, QStringLiteral("y2") + axis, {value(c.Y[1], u)});
        addRow(table, Delta + QStringLiteral("y") + axis, {value(c.Y[1] - c.Y[0], u)});
    }
    for (ReadoutRow row : in.Fit) {
        row.CopyOnly = true;
        table.push_back(std::move(row));
    }
    return table;
}

CursorMarks MarksOf(const ReadoutInput& in) {
    CursorMarks marks = MarksOf(in.Cursors, in.Mode);
    const CursorState& c = in.Cursors;
    if (!c.TangentOn || !c.VerticalOn || in.Mode != PlotMode::Normal) return marks;
    const bool shown[] = {in.ShowA, in.ShowB};
    const SeriesInfo* data[] = {&in.DataA, &in.DataB};
    for (int i = 0; i < 2; ++i)
        if (shown[i])
            if (const std::optional<Tangent> at = TangentAt(data[i]->Points, c.X[0]))
                marks.Tangents[i] = CursorMarks::Tangent{c.X[0], at->Value, at->Slope};
    return marks;
}

QString ReadoutText(const ReadoutTable& table) {
    QStringList headers, numbers;
    QStringList titles; // of the columns, from the last header row
    for (const ReadoutRow& row : table) {
        if (row.Header) {
            titles.clear();
            for (const ReadoutCell& c : row.Cells)
                titles << c.Text;
            continue;
        }
        for (qsizetype k = 0; k < row.Cells.size(); ++k) {
            const ReadoutCell& c = row.Cells[k];
            const QString name =
                row.Columns ? titles.value(k) + QLatin1Char(' ') + row.Label : row.Label;
            if (!c.Value) {
                headers << header(name, c.Unit);
                numbers << c.Text;
                continue;
            }
            if (c.Uncertainty) {
                const ShownMeasurement m = ShowMeasurement(*c.Value, *c.Uncertainty, c.Unit, 1);
                headers << header(name, m.Unit);
                numbers << m.Value;
                if (!m.Uncertainty.isEmpty()) {
                    // The standard uncertainty of the quantity: "A u(Steigung bei t1)" in a
                    // column, "Ausgleichskurve B u(τ)" of a fit's parameter, its last word.
                    const qsizetype space =
                        row.Columns ? titles.value(k).size() : name.lastIndexOf(u' ');
                    headers << header(name.left(space + 1) + QStringLiteral("u(") +
                                          name.mid(space + 1) + QLatin1Char(')'),
                                      m.Unit);
                    numbers << m.Uncertainty;
                }
                continue;
            }
            const ShownQuantity q = ShowQuantity(*c.Value, c.Unit, 5);
            headers << header(name, q.Unit);
            numbers << q.Number;
        }
    }
    const QString crlf = QStringLiteral("\r\n");
    return headers.join(QLatin1Char('\t')) + crlf + numbers.join(QLatin1Char('\t')) + crlf;
}

QString ReadoutHtml(const ReadoutTable& table) {
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"1\">");
    for (const ReadoutRow& row : table) {
        if (row.CopyOnly) continue;
        html += QStringLiteral("<tr><td>") + row.Label.toHtmlEscaped() + QStringLiteral("</td>");
        for (const ReadoutCell& c : row.Cells) {
            const QString cell = CellText(c);
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
    constexpr double cursorWeight = 1000;
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
            if (c.VerticalOn && x >= r.left() && x <= r.right()) cost[k] += cursorWeight;
            if (c.HorizontalOn && y >= r.top() && y <= r.bottom()) cost[k] += cursorWeight;
        }
    }
    for (int k = 0; k < 4; ++k)
        if (rects[k].intersects(in.Occupied)) cost[k] += cursorWeight;
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
    case PlotMode::BAsX:
        addCurve(b.V, a.V, std::min(a.Count, b.Count), scales.A);
        break;
    case PlotMode::AAsX:
        addCurve(a.V, b.V, std::min(a.Count, b.Count), scales.B);
        break;
    default: // over the points' own x: the time, the spectrum's frequency
        if (in.ShowA) addCurve(a.T, a.V, a.Count, scales.A);
        if (in.ShowB) addCurve(b.T, b.V, b.Count, scales.B);
        break;
    }
    int best = static_cast<int>(current);
    for (int k = 0; k < 4; ++k)
        if (cost[k] < 0.8 * cost[best] - 1) best = k;
    return corners[best];
}

} // namespace kurvimat::display
