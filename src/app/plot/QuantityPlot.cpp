#include "plot/QuantityPlot.h"

#include "CursorOverlay.h"
#include "FitModels.h"
#include "Measure.h"
#include "MeasurementStore.h"
#include "PlotInteraction.h"
#include "Quantity.h"
#include "Session.h"
#include "plot/MainCursors.h"
#include "plot/PlotView.h"

#include <QMenu>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string_view>

using namespace kurvimat::acquisition;
using namespace kurvimat::analysis;
using namespace kurvimat::display;

namespace {

const QColor TitleBlue(0, 0, 248);
const QColor TitleRed(248, 0, 0);

std::size_t mix(std::size_t key, std::size_t value) {
    return (key ^ value) * 1099511628211ULL;
}

std::size_t bytesKey(const void* values, std::size_t bytes) {
    return std::hash<std::string_view>()(
        std::string_view(static_cast<const char*>(values), bytes));
}

const QuantityRef* refOf(const std::vector<QuantityRef>& refs, const QString& key) {
    const auto it = std::find_if(refs.begin(), refs.end(),
                                 [&key](const QuantityRef& r) { return r.Key == key; });
    return it == refs.end() ? nullptr : &*it;
}

} // namespace

// Owned by the window, as the spectrum is.
QuantityPlot::QuantityPlot(PlotView& plot, kurvimat::session::Session& session)
    : QObject(plot.window()), plot_(plot), session_(session) {
    for (Tscale* s : {&ScaleA, &ScaleB, &ScaleQ}) {
        s->Visible = true;
        s->RangeStart = 0;
        s->RangeEnd = 1;
    }
    ScaleA.TitleColor = TitleBlue;
    ScaleB.TitleColor = TitleRed;
}

QuantityPlot::~QuantityPlot() = default;

QuantityAxes QuantityPlot::Axes() const {
    const kurvimat::session::ViewSettings& v = session_.view();
    return {v.axisX, v.axisLeft, v.axisRight, v.axisMore};
}

MeasurementStore& QuantityPlot::Points() {
    if (!points_) points_ = std::make_unique<MeasurementStore>();
    return *points_;
}

ScaleSet QuantityPlot::Scales() {
    return {ScaleA, ScaleB, ScaleQ, ScaleX, ScaleLeft, ScaleRight, ScaleBottom};
}

void QuantityPlot::Switched(bool on) {
    Points();
    if (on) {
        PlaceStrips(plot_.State(), Scales());
        changes_.AxesChanged = changes_.PlotDirty = true;
        fitted_ = false;
        key_ = 0;
        Update(true);
    } else {
        DisplayChanges& changes = plot_.State().Changes;
        changes.AxesChanged = changes.PlotDirty = true;
    }
}

void QuantityPlot::Place() {
    PlaceStrips(plot_.State(), Scales());
    if (points_) changes_.AxesChanged = changes_.PlotDirty = true;
}

std::size_t QuantityPlot::KeyOf() const {
    const StoredPoints& d = session_.store().Data;
    const auto n = std::size_t(std::clamp(d.Count, 0, PointCapacity));
    std::size_t key = mix(14695981039346656037ULL, n);
    for (const float* v : {d.T, d.A, d.B})
        key = mix(key, bytesKey(v, n * sizeof(float)));
    for (const auto& c : d.Further()) {
        key = mix(key, qHash(c.header));
        key = mix(key, bytesKey(c.values.data(), c.values.size() * sizeof(double)));
    }
    const QuantityAxes a = Axes();
    for (const QString& text : {d.DefA, d.DefB, a.X, a.Left, a.Right, a.More.join(u'\t')})
        key = mix(key, qHash(text));
    return mix(key, std::size_t(d.HasB) | std::size_t(d.NoValueA) << 1 | std::size_t(d.NoValueB) << 2);
}

bool QuantityPlot::Update(bool now) {
    if (session_.view().mode != PlotMode::Quantities) return false;
    MeasurementStore& p = Points();
    DisplayChanges& recorded = plot_.State().Changes;
    // The stored points' flags are this mode's to take while it is shown, as the spectrum's.
    const bool pending = now || recorded.AxesChanged || recorded.PlotDirty;
    recorded.AxesChanged = recorded.PlotDirty = false;
    if (!pending) return false;
    const std::size_t key = KeyOf();
    if (key == key_) {
        // The same points: what lies over them (a fit, its box) changed.
        changes_.PlotDirty = true;
        return false;
    }
    const QuantityAxes axes = Axes();
    key_ = key;
    ProjectQuantities(session_.store().Data, axes, p.Data);
    p.Snap.Count = 0;
    const std::vector<QuantityRef> refs = QuantityRefs(session_.store().Data);
    const QuantityRef* x = refOf(refs, axes.X);
    const QuantityRef* left = refOf(refs, axes.Left);
    const QuantityRef* right = refOf(refs, axes.Right);
    ScaleQ.Title = x ? x->Title() : QString();
    ScaleA.Title = left ? left->Title() : QString();
    ScaleB.Title = right ? right->Title() : QString();
    ScaleB.Visible = right != nullptr;
    p.TimeRangeMin = p.Data.Count > 0 ? p.Data.MinT : 0;
    p.TimeRangeMax = p.Data.Count > 0 ? p.Data.MaxT : 1;
    // Fitted to the points when shown; new points widen the axes from there.
    const ScaleSet scales = Scales();
    if (p.Data.Count > 0 && (!fitted_ || !(axes == fittedAxes_))) {
        FitLeft(p, scales, PlotMode::Normal);
        if (right) FitRight(p, scales, PlotMode::Normal);
        FitBottom(p, scales, PlotMode::Normal);
        fitted_ = true;
        // Cursors of other quantities mean nothing here: placed afresh in the new ranges.
        if (!(axes == fittedAxes_)) {
            if (cursors_.VerticalOn) cursors_.setVerticalOn(true, ScaleQ.RangeStart, ScaleQ.RangeEnd);
            if (cursors_.HorizontalOn) {
                const Tscale& y = cursors_.ValueAxisB ? ScaleB : ScaleA;
                cursors_.setHorizontalOn(true, y.RangeStart, y.RangeEnd);
            }
        }
        fittedAxes_ = axes;
    }
    changes_.AxesChanged = changes_.PlotDirty = true;
    if (MainCursors* measuring = plot_.Measuring()) measuring->Changed();
    return true;
}

ReadoutTable QuantityPlot::Table() const {
    ReadoutTable table;
    if (!points_) return table;
    const StoredPoints& d = points_->Data;
    const std::vector<QuantityRef> refs = QuantityRefs(session_.store().Data);
    const QuantityAxes axes = Axes();
    const QuantityRef* x = refOf(refs, axes.X);
    const QString xUnit = x ? x->Unit : QString();
    const auto cell = [](std::optional<double> v, const QString& unit) {
        return ReadoutCell{v, unit, std::nullopt, {}};
    };
    const auto row = [&table](const QString& label, QList<ReadoutCell> cells, bool columns = false) {
        table.push_back({label, std::move(cells), false, columns, false});
    };
    const CursorState& c = cursors_;
    if (c.HorizontalOn) {
        const QuantityRef* y = refOf(refs, c.ValueAxisB && d.HasB ? axes.Right : axes.Left);
        const QString unit = y ? y->Unit : QString();
        row(QStringLiteral("y1"), {cell(c.Y[0], unit)});
        row(QStringLiteral("y2"), {cell(c.Y[1], unit)});
        row(QStringLiteral("\u0394y"), {cell(c.Y[1] - c.Y[0], unit)});
    }
    if (!c.VerticalOn) return table;
    row(QStringLiteral("x1"), {cell(c.X[0], xUnit)});
    row(QStringLiteral("x2"), {cell(c.X[1], xUnit)});
    row(QStringLiteral("\u0394x"), {cell(c.X[1] - c.X[0], xUnit)});
    // Each quantity shown: its values at x1 and x2, their difference, the mean between and the
    // slope of the secant.
    struct Curve {
        QString title, unit;
        PointSeries points;
    };
    std::vector<Curve> curves;
    const auto add = [&](const QString& key, PointSeries points) {
        if (const QuantityRef* r = refOf(refs, key))
            curves.push_back({kurvimat::signals::shownName(r->Name), r->Unit, points});
    };
    add(axes.Left, {d.T, d.A, d.Count});
    if (d.HasB) add(axes.Right, {d.T, d.B, d.Count});
    // Further columns hold NaN where a point has none: their series skip those.
    const FurtherSeries more = FurtherSeriesOf(d);
    const auto further = d.Further();
    for (std::size_t i = 0; i < more.Columns.size() && i < further.size(); ++i)
        add(further[i].header, more.Columns[i].Series.Points);
    QList<ReadoutCell> titles, at1, at2, diff, mean, slope;
    for (const Curve& curve : curves) {
        const SpanStatistics st = StatisticsOver(curve.points, c.X[0], c.X[1]);
        titles << ReadoutCell{std::nullopt, {}, std::nullopt, curve.title};
        at1 << cell(st.At1, curve.unit);
        at2 << cell(st.At2, curve.unit);
        diff << cell(st.At1 && st.At2 ? std::optional<double>(*st.At2 - *st.At1) : std::nullopt,
                     curve.unit);
        mean << cell(st.Count > 0 ? std::optional<double>(st.Mean) : std::nullopt, curve.unit);
        // The secant's: defined wherever both values are, unlike a fit between few points.
        const double dx = c.X[1] - c.X[0];
        slope << cell(st.At1 && st.At2 && dx != 0 ? std::optional<double>((*st.At2 - *st.At1) / dx)
                                                   : std::nullopt,
                      RatioUnit(curve.unit, xUnit));
    }
    table.push_back({QString(), titles, true, false, false});
    row(QuantityPlot::tr("bei x1"), at1, true);
    row(QuantityPlot::tr("bei x2"), at2, true);
    row(QuantityPlot::tr("Differenz"), diff, true);
    row(QuantityPlot::tr("Mittelwert"), mean, true);
    row(QuantityPlot::tr("Steigung \u0394y/\u0394x"), slope, true);
    return table;
}

CursorMarks QuantityPlot::Marks() const {
    CursorMarks marks = MarksOf(cursors_, PlotMode::Normal);
    marks.XNames = CursorMarks::Names::Xy;
    return marks;
}

ReadoutInput QuantityPlot::CornerInput() const {
    ReadoutInput in;
    if (!points_) return in;
    in.DataA = {{points_->Data.T, points_->Data.A, points_->Data.Count}, {}};
    in.DataB = {{points_->Data.T, points_->Data.B, points_->Data.HasB ? points_->Data.Count : 0}, {}};
    return in;
}

QString QuantityPlot::PointerText(int index) const {
    if (!points_ || index < 0 || index >= points_->Data.Count) return {};
    const std::vector<QuantityRef> refs = QuantityRefs(session_.store().Data);
    const QuantityAxes axes = Axes();
    const StoredPoints& d = points_->Data;
    QString text;
    const auto add = [&](const QString& key, double value) {
        const QuantityRef* r = refOf(refs, key);
        if (!r || !std::isfinite(value)) return;
        if (!text.isEmpty()) text += QStringLiteral("   ");
        text += kurvimat::signals::shownName(r->Name) + QStringLiteral(" = ") +
                FormatQuantity(value, r->Unit);
    };
    add(axes.X, d.T[index]);
    add(axes.Left, d.A[index]);
    if (d.HasB) add(axes.Right, d.B[index]);
    for (const auto& c : d.Further())
        add(c.header, c.values[std::size_t(index)]);
    return text;
}

void QuantityPlot::AddMenuActions(QMenu& menu) {
    if (QAction* choose = plot_.window()->findChild<QAction*>(QStringLiteral("ActionAchsen")))
        menu.addAction(choose);
}
