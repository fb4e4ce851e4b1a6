#include "plot/MainCursors.h"

#include "FitOverlay.h"
#include "Plot.h"
#include "Session.h"
#include "SignalDefinition.h"
#include "plot/PlotReport.h"
#include "plot/PlotView.h"
#include "plot/PointSetMode.h"
#include "plot/ReadoutBox.h"
#include "runs/MainRuns.h"
#include "widgets/TPaintBox.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QWheelEvent>

#include <algorithm>

using namespace kurvimat::acquisition;
using namespace kurvimat::analysis;
using namespace kurvimat::display;
using namespace kurvimat::signals;

namespace {

// Pixels within which a press catches a cursor line, or the pointer a stored point.
constexpr double CatchPixels = 4;
constexpr double PointerPixels = 8;
// Wheel turns closer together than this are one step back in the zoom history.
constexpr int WheelBurstMs = 700;
constexpr int ReadoutRefreshMs = 250;
constexpr int CornerRefreshMs = 1000;
// The readout's font sizes, tried in turn until the box fits in a third of the plot.
constexpr int ReadoutFontPixels[] = {11, 10, 9};

QFont ReadoutFont(int pixels) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    return font;
}

// Half the plot's width and two thirds of its height: a third of it.
bool FitsInAThird(QSize box, QSize plot) {
    return 2 * box.width() <= plot.width() && 3 * box.height() <= 2 * plot.height();
}

// The cursor positions without the table of the channels (it starts at the first header row),
// and how to see all of it. The value cursors' rows follow the table.
ReadoutTable Collapsed(const ReadoutTable& table) {
    ReadoutTable out;
    bool inTable = false;
    for (const ReadoutRow& row : table) {
        inTable = inTable || row.Header;
        const bool valueCursor = row.Label.startsWith(u'y') ||
                                 row.Label.startsWith(QStringLiteral("\u0394y"));
        if (!inTable || valueCursor) out.push_back(row);
    }
    out.push_back({MainCursors::tr("▸ Doppelklick: alle Werte"), {}, false});
    return out;
}

QString unitOf(const QString& definition) {
    return PointSetParts(definition).unit;
}

} // namespace

// Owned by the window, as its shortcut is the window's.
MainCursors::MainCursors(PlotView& plot, kurvimat::session::Session& session, CursorHost& host)
    : QObject(plot.window()), plot_(plot), session_(session), host_(host) {
    QWidget* panel = &plot_;
    LabelMesswerte = new ReadoutBox(panel);
    LabelZeiger = new QLabel(panel);
    LabelZeiger->setStyleSheet(
        QStringLiteral("QLabel { background: rgba(255, 255, 255, 225); border: 1px solid #b0b0b0;"
                       " padding: 2px; }"));
    for (QWidget* label : std::initializer_list<QWidget*>{LabelMesswerte, LabelZeiger}) {
        label->setFont(ReadoutFont(ReadoutFontPixels[0]));
        label->hide();
    }
    LabelMesswerte->setToolTip(MainCursors::tr("Doppelklick: Messwerte ein- oder ausklappen"));
    // The readout can be dragged aside; from then on it stays where it was put.
    LabelMesswerte->setCursor(Qt::SizeAllCursor);
    LabelMesswerte->installEventFilter(this);
    LabelZeiger->setAttribute(Qt::WA_TransparentForMouseEvents);
    LabelZeiger->setTextFormat(Qt::PlainText);

    TPaintBox* box = plot_.PaintBoxData;
    box->setMouseTracking(true); // the value under the pointer, without a button
    box->setFocusPolicy(Qt::ClickFocus);
    box->installEventFilter(this);
    // The axis buttons change ranges too: the way back includes them.
    for (const AxisImage which : {AxisImage::LinksAuto, AxisImage::LinksFull, AxisImage::RechtsAuto,
                                  AxisImage::RechtsFull, AxisImage::UntenAuto, AxisImage::UntenFull})
        plot_.AxisImages[static_cast<std::size_t>(which)]->installEventFilter(this);

    // Ctrl+C copies the readout wherever the focus is, unless a text field takes it for its
    // own selection (line edits accept the standard copy key before any shortcut).
    auto* copy = new QShortcut(QKeySequence::Copy, plot_.window());
    copy->setContext(Qt::WindowShortcut);
    connect(copy, &QShortcut::activated, this, [this] { CopyReadout(); });

    // Live sweeps change under the cursors; the readout follows a few times a second.
    refresh_.setInterval(ReadoutRefreshMs);
    connect(&refresh_, &QTimer::timeout, this, [this] {
        if (plot_.PlotCursors().VerticalOn || plot_.PlotCursors().HorizontalOn || Waiting())
            Changed();
    });
    refresh_.start();
}

void MainCursors::UseMenus(const MenuActions& actions, MainRuns* runs, PlotReport* report) {
    actions_ = actions;
    runs_ = runs;
    report_ = report;
}

CursorAxes MainCursors::Axes() const {
    return AxesOf(plot_.PlotCursors(), CursorScales(), plot_.TimeMode());
}

bool MainCursors::Waiting() const {
    PointSetMode* own = Own();
    return own && !own->OwnCursors();
}

ScaleSet MainCursors::CursorScales() const {
    return Own() && !Waiting() ? plot_.PlotScales() : plot_.Scales();
}

ReadoutInput MainCursors::Input() const {
    const kurvimat::session::ViewSettings& view = session_.view();
    ReadoutInput in;
    in.Cursors = plot_.Cursors();
    in.Mode = plot_.TimeMode();
    in.Minutes = view.minutes;
    in.ShowA = view.showA;
    in.ShowB = view.showB;
    // Each point set in the unit of what it holds; one without B has no B values to show.
    const MeasurementStore& s = session_.store();
    in.DataA = {{s.Data.T, s.Data.A, s.Data.NoValueA ? 0 : s.Data.Count}, unitOf(s.Data.DefA)};
    in.DataB = {{s.Data.T, s.Data.B, s.Data.HasB && !s.Data.NoValueB ? s.Data.Count : 0},
                unitOf(s.Data.DefB)};
    in.SnapA = {{s.Snap.T, s.Snap.A, s.Snap.NoValueA ? 0 : s.Snap.Count}, unitOf(s.Snap.DefA)};
    in.SnapB = {{s.Snap.T, s.Snap.B, s.Snap.HasB && !s.Snap.NoValueB ? s.Snap.Count : 0},
                unitOf(s.Snap.DefB)};
    in.Further = FurtherSeriesOf(s.Data);
    // A right axis that shows a further column reads in its unit.
    if (const auto right = in.Mode == PlotMode::Normal ? RightAxisColumn(s, view.showB) : std::nullopt)
        in.DataB.Unit = s.Data.Columns[*right].unit;
    if (runs_) runs_->AddReadoutSeries(in);
    // A fit's readout box is drawn into the plot, the range readout lies over it: the cursor
    // readout keeps off both. In logical pixels of the plot, where the box is placed.
    const PaintGeometry& g = plot_.State().Geometry;
    if (report_) {
        QRect boxes;
        for (const QRect& box : report_->FitBoxes(plot_.Image().size(), g))
            boxes |= box;
        if (!boxes.isEmpty())
            in.Occupied = QRectF(boxes.x() / g.Scale, boxes.y() / g.Scale, boxes.width() / g.Scale,
                                 boxes.height() / g.Scale)
                              .toAlignedRect();
    }
    if (const std::optional<PlotFit>& shown = plot_.ShownFit(); shown && report_)
        in.Fit = PlotFitTable(*shown, session_.store(), in.Minutes);
    if (plot_.MemoAnalysis->isVisible())
        in.Occupied |= plot_.MemoAnalysis->geometry().translated(-PlotOrigin());
    return in;
}

ReadoutTable MainCursors::Table() const {
    const PointSetMode* own = Own();
    return own ? own->Table() : ComposeReadout(Input());
}

PointSetMode* MainCursors::Own() const {
    return plot_.ShownPointSet();
}

ReadoutInput MainCursors::CornerInput() const {
    const PointSetMode* own = Own();
    if (!own) return Input();
    ReadoutInput in = own->CornerInput();
    if (plot_.MemoAnalysis->isVisible())
        in.Occupied = plot_.MemoAnalysis->geometry().translated(-PlotOrigin());
    return in;
}

void MainCursors::Changed() {
    const PlotMode mode = plot_.TimeMode();
    const ScaleSet s = CursorScales();
    CursorState& cursors = plot_.PlotCursors();
    const Tscale& vertical = cursors.valueOnB(mode) ? s.B : s.A;
    cursors.followMode(mode, {s.Bottom->RangeStart, s.Bottom->RangeEnd},
                       {vertical.RangeStart, vertical.RangeEnd});
    // A mode of its own points shows its marks (the spectrum's peaks) instead; the time
    // cursors keep their places meanwhile.
    const PointSetMode* own = Own();
    const CursorMarks marks = own                 ? own->Marks()
                              : cursors.TangentOn ? MarksOf(Input())
                                                  : MarksOf(cursors, mode);
    DisplayState& display = plot_.State();
    if (!(marks == display.Cursors)) {
        display.Cursors = marks;
        plot_.PlotChanges().PlotDirty = true;
    }
    ShowReadout();
}

void MainCursors::ShowReadout() {
    if (!plot_.PlotCursors().VerticalOn && !plot_.PlotCursors().HorizontalOn && !Waiting()) {
        LabelMesswerte->hide();
        shownTable_.clear();
        return;
    }
    // Logical pixels, as widgets are placed.
    const QSize plot = plot_.PlotSize();
    const ReadoutTable table = Table();
    // New values in the same rows only rewrite their cells, while the box still fits.
    if (plot == shownFor_ && ReadoutBox::sameRows(table, shownTable_)) {
        const QSize before = LabelMesswerte->size();
        LabelMesswerte->setTable(shownCollapsed_ ? Collapsed(table) : table);
        if (LabelMesswerte->size() != before && !shownCollapsed_ && fold_ == Fold::Auto &&
            !FitsInAThird(LabelMesswerte->size(), plot))
            shownTable_.clear();
    }
    if (plot != shownFor_ || !ReadoutBox::sameRows(table, shownTable_)) {
        shownFor_ = plot;
        // The whole table in the first font in which it fits a third of the plot; where none
        // does, the cursor positions alone, unless the user opened it.
        shownCollapsed_ = fold_ == Fold::Closed;
        bool fits = false;
        if (!shownCollapsed_) {
            LabelMesswerte->setTable(table);
            for (const int pixels : ReadoutFontPixels) {
                LabelMesswerte->setFont(ReadoutFont(pixels));
                fits = FitsInAThird(LabelMesswerte->size(), plot);
                if (fits) break;
            }
            shownCollapsed_ = !fits && fold_ == Fold::Auto;
        }
        if (shownCollapsed_) {
            LabelMesswerte->setFont(ReadoutFont(ReadoutFontPixels[0]));
            LabelMesswerte->setTable(Collapsed(table));
        }
    }
    shownTable_ = table;
    // In the corner of the plot where it hides least, unless the user put it somewhere: looked
    // for again when the box, the cursors or the plot changed, and while the curves change
    // under it once a second.
    const QSize box = LabelMesswerte->size();
    if (!placedByUser_ && (box != cornerBox_ || plot != cornerPlot_ ||
                          !(plot_.State().Cursors == cornerMarks_) || !cornerAge_.isValid() ||
                          cornerAge_.elapsed() >= CornerRefreshMs)) {
        corner_ = QuietCorner(CornerInput(), plot_.PlotScales(), plot, box, 6, corner_);
        LabelMesswerte->move(PlotOrigin() + CornerPosition(corner_, plot, box, 6));
        cornerBox_ = box;
        cornerPlot_ = plot;
        cornerMarks_ = plot_.State().Cursors;
        cornerAge_.restart();
    }
    LabelMesswerte->show();
}

void MainCursors::ToggleFold() {
    fold_ = shownCollapsed_ ? Fold::Open : Fold::Closed;
    shownTable_.clear();
    ShowReadout();
}

// Finds the point in device pixels of the plot image, where the curves are drawn, and places
// the label in logical pixels of the panel.
void MainCursors::ShowPointer(QPointF at) {
    const QSize plot = plot_.Image().size();
    const QPointF p = ImagePoint(at);
    const double reach = DevicePixels(PointerPixels);
    int index = -1;
    QString text;
    if (p.x() >= 0 && p.y() >= 0 && p.x() < plot.width() && p.y() < plot.height() &&
        plot.width() > 3) {
        const ScaleSet s = plot_.PlotScales();
        const Tscale& bottom = *s.Bottom;
        const double perPixel = (bottom.RangeEnd - bottom.RangeStart) / (plot.width() - 3);
        const double under = bottom.RangeStart + (p.x() - 1) * perPixel;
        if (PointSetMode* own = Own()) {
            const MeasurementStore& points = own->Points();
            index = NearestInTime({points.Data.T, points.Data.A, points.Data.Count}, under,
                                  reach * perPixel);
            text = own->PointerText(index);
        } else {
            const ReadoutInput in = Input();
            if (in.Mode == PlotMode::Normal) {
                index = NearestInTime(in.DataA.Points, under, reach * perPixel);
            } else {
                const bool bAsX = in.Mode == PlotMode::BAsX;
                const CursorAxes axes{bottom.RangeStart, bottom.RangeEnd,
                                      (bAsX ? s.A : s.B).RangeStart, (bAsX ? s.A : s.B).RangeEnd};
                const StoredPoints& data = session_.store().Data;
                index = NearestOnPlot(bAsX ? data.B : data.A, bAsX ? data.A : data.B, data.Count,
                                      axes, plot, p.x(), p.y(), reach);
            }
            text = PointerText(in, index);
        }
    }
    if (index < 0) {
        LabelZeiger->hide();
        return;
    }
    LabelZeiger->setText(text);
    LabelZeiger->adjustSize();
    // Below right of the pointer, turned inwards at the plot's right and bottom edges.
    const QRect box = plot_.PaintBoxData->geometry();
    const QSize shown = plot_.PlotSize();
    const QPoint pointer = at.toPoint();
    QPoint label = box.topLeft() + pointer + QPoint(14, 16);
    const int maxX = box.left() + PlotLeftMargin + shown.width() - LabelZeiger->width() - 2;
    const int maxY = box.top() + PlotTopMargin + shown.height() - LabelZeiger->height() - 2;
    if (label.x() > maxX) label.rx() = box.left() + pointer.x() - LabelZeiger->width() - 10;
    if (label.y() > maxY) label.ry() = box.top() + pointer.y() - LabelZeiger->height() - 10;
    LabelZeiger->move(label);
    LabelZeiger->show();
    LabelZeiger->raise();
}

QPointF MainCursors::ImagePoint(QPointF logical) const {
    const PaintGeometry& g = plot_.State().Geometry;
    return {logical.x() * g.Scale - g.px(PlotLeftMargin),
            logical.y() * g.Scale - g.px(PlotTopMargin)};
}

double MainCursors::DevicePixels(double logical) const {
    return logical * plot_.State().Geometry.Scale;
}

QPoint MainCursors::PlotOrigin() const {
    return plot_.PaintBoxData->geometry().topLeft() + QPoint(PlotLeftMargin, PlotTopMargin);
}

void MainCursors::OpenMenu(QPoint global) {
    // After the pan has ended: the release still goes to the plot first.
    QMetaObject::invokeMethod(
        this,
        [this, global] {
            QMenu* menu = CreateMenu();
            menu->exec(global);
            delete menu;
        },
        Qt::QueuedConnection);
}

// Each mode has its own way back: its scales are its own.
ZoomHistory& MainCursors::History() {
    return plot_.PlotHistory();
}

void MainCursors::RememberRanges() {
    History().push(CaptureRanges(plot_.PlotScales()));
}

void MainCursors::ZoomBack() {
    const ScaleSet s = plot_.PlotScales();
    ScaleRanges earlier;
    if (!History().back(CaptureRanges(s), earlier)) return;
    RestoreRanges(earlier, s);
    DisplayChanges& changes = plot_.PlotChanges();
    changes.AxesChanged = changes.PlotDirty = true;
}

void MainCursors::CopyReadout() {
    if (!plot_.PlotCursors().VerticalOn && !plot_.PlotCursors().HorizontalOn && !Waiting()) return;
    QGuiApplication::clipboard()->setText(ReadoutText(Table()));
}

void MainCursors::Step(bool vertical, int steps) {
    CursorState& c = plot_.PlotCursors();
    if (vertical ? !c.VerticalOn : !c.HorizontalOn) return;
    const bool activeIsX = c.Active == CursorId::X1 || c.Active == CursorId::X2;
    const CursorId id = vertical == activeIsX ? c.Active : vertical ? CursorId::X1 : CursorId::Y1;
    const CursorAxes axes = Axes();
    const QSize plot = plot_.Image().size();
    PointSeries times;
    if (vertical && plot_.TimeMode() == PlotMode::Normal) {
        const MeasurementStore& s = Own() ? Own()->Points() : session_.store();
        times = s.Data.Count > 0 ? PointSeries{s.Data.T, s.Data.A, s.Data.Count}
                                 : PointSeries{s.Snap.T, s.Snap.A, s.Snap.Count};
    }
    const double pixel = vertical ? (axes.XEnd - axes.XStart) / std::max(1, plot.width() - 3)
                                  : (axes.YEnd - axes.YStart) / std::max(1, plot.height() - 3);
    c.position(id) = SteppedPosition(c.position(id), steps, times, pixel);
    c.Active = id;
    Changed();
}

bool MainCursors::Key(int key, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_Backspace) {
        ZoomBack();
        return true;
    }
    if (Waiting()) return false; // the cursors wait in the time plot
    const int n = (modifiers & Qt::ShiftModifier) ? 10 : 1;
    switch (key) {
    case Qt::Key_Left:
        Step(true, -n);
        return true;
    case Qt::Key_Right:
        Step(true, n);
        return true;
    case Qt::Key_Down:
        Step(false, -n);
        return true;
    case Qt::Key_Up:
        Step(false, n);
        return true;
    default:
        return false;
    }
}

QMenu* MainCursors::CreateMenu() {
    const PlotMode mode = plot_.TimeMode();
    const bool normal = mode == PlotMode::Normal && !Own();
    const ScaleSet s = CursorScales();
    auto* menu = new QMenu(plot_.PaintBoxData);
    CursorState& c = plot_.PlotCursors();
    if (PointSetMode* own = Own()) {
        own->AddMenuActions(*menu);
        menu->addSeparator();
        if (Waiting()) {
            AddReadoutActions(*menu);
            return menu;
        }
    }

    // The cursors' actions are the menu bar's (MainMenus.cpp), captioned for the mode.
    host_.UpdateMenuActions();
    menu->addActions({actions_.TimeCursors, actions_.ValueCursors});
    if (normal && actions_.Tangent) menu->addAction(actions_.Tangent);
    if (normal) {
        auto* axes = new QActionGroup(menu);
        for (const bool b : {false, true}) {
            QAction* a = menu->addAction(b ? MainCursors::tr("Wertcursor an Achse B")
                                           : MainCursors::tr("Wertcursor an Achse A"));
            a->setCheckable(true);
            a->setChecked(c.ValueAxisB == b);
            axes->addAction(a);
            connect(a, &QAction::triggered, this, [this, s, b] {
                const Tscale& axis = b ? s.B : s.A;
                plot_.PlotCursors().setValueAxisB(b, axis.RangeStart, axis.RangeEnd);
                Changed();
            });
        }
    }
    menu->addSeparator();
    AddReadoutActions(*menu);
    return menu;
}

// The readout, the way back and the lab report's entries, in every mode.
void MainCursors::AddReadoutActions(QMenu& menu) {
    const bool shown = plot_.PlotCursors().VerticalOn || plot_.PlotCursors().HorizontalOn || Waiting();
    if (shown) {
        QAction* fold = menu.addAction(MainCursors::tr("Messwerte eingeklappt"));
        fold->setCheckable(true);
        fold->setChecked(shownCollapsed_);
        connect(fold, &QAction::triggered, this, [this] { ToggleFold(); });
    }
    // The keys are handled on the plot and the window; the menu only names them (in German,
    // which Qt's own key names are not without a translation).
    host_.UpdateMenuActions();
    menu.addAction(actions_.CopyReadout);
    QAction* back = menu.addAction(MainCursors::tr("Zoom zurück\tRücktaste"));
    back->setEnabled(History().hasEarlier(CaptureRanges(plot_.PlotScales())));
    connect(back, &QAction::triggered, this, [this] { ZoomBack(); });
    menu.addSeparator();
    if (runs_) runs_->AddMenuActions(menu);
    if (report_) report_->AddReportActions(menu);
}

bool MainCursors::eventFilter(QObject* watched, QEvent* event) {
    if (windowClosing_) return false;
    if (watched == LabelMesswerte) {
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
            type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
            return false;
        const auto* e = static_cast<QMouseEvent*>(event);
        if (type == QEvent::MouseButtonDblClick && e->button() == Qt::LeftButton) {
            ToggleFold();
            return true;
        }
        if (type == QEvent::MouseButtonPress && e->button() == Qt::LeftButton) {
            boxGrip_ = e->position().toPoint();
            return true;
        }
        if (type == QEvent::MouseMove && (e->buttons() & Qt::LeftButton)) {
            LabelMesswerte->move(LabelMesswerte->mapToParent(e->position().toPoint()) - boxGrip_);
            placedByUser_ = true;
            return true;
        }
        // The box lies over the plot: a right click on it opens the plot's menu.
        if (type == QEvent::MouseButtonPress && e->button() == Qt::RightButton) {
            boxRightPress_ = e->position().toPoint();
            return true;
        }
        if (type == QEvent::MouseButtonRelease && e->button() == Qt::RightButton) {
            if ((e->position().toPoint() - boxRightPress_).manhattanLength() <= 2)
                OpenMenu(e->globalPosition().toPoint());
            return true;
        }
        return false;
    }
    if (watched != plot_.PaintBoxData) {
        if (event->type() == QEvent::MouseButtonPress) RememberRanges();
        return false;
    }
    // Hit tests, drags and the wheel's anchor in device pixels of the plot image.
    const QSize plot = plot_.Image().size();
    const double catchPixels = DevicePixels(CatchPixels);
    const auto plotPoint = [this](QMouseEvent* e) { return ImagePoint(e->position()); };
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::LeftButton && !Waiting()) {
            const QPointF p = plotPoint(e);
            if (const auto id = CursorAt(plot_.PlotCursors(), Axes(), plot, p.x(), p.y(), catchPixels)) {
                dragging_ = id;
                plot_.PlotCursors().Active = *id;
                Changed();
                return true;
            }
        }
        if (e->button() == Qt::RightButton) rightPress_ = e->position().toPoint();
        RememberRanges(); // a zoom box, a pan or a fit may follow
        return false;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (dragging_) {
            const QPointF p = plotPoint(e);
            DragCursor(plot_.PlotCursors(), *dragging_, Axes(), plot, p.x(), p.y());
            Changed();
        }
        ShowPointer(e->position());
        if (!dragging_ && e->buttons() == Qt::NoButton && !Waiting()) {
            const QPointF p = plotPoint(e);
            const auto id = CursorAt(plot_.PlotCursors(), Axes(), plot, p.x(), p.y(), catchPixels);
            const bool x = id == CursorId::X1 || id == CursorId::X2;
            plot_.PaintBoxData->setCursor(!id ? Qt::ArrowCursor
                                      : x ? Qt::SizeHorCursor
                                          : Qt::SizeVerCursor);
        }
        return dragging_.has_value();
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (dragging_) {
            dragging_.reset();
            return true;
        }
        if (e->button() == Qt::RightButton &&
            (e->position().toPoint() - rightPress_).manhattanLength() <= 2) {
            OpenMenu(e->globalPosition().toPoint());
        }
        rightPress_ = {-1, -1};
        return false;
    }
    case QEvent::Wheel: {
        auto* e = static_cast<QWheelEvent*>(event);
        const int delta = e->angleDelta().y();
        if (delta == 0) return true;
        if (!lastWheel_.isValid() || lastWheel_.elapsed() > WheelBurstMs) RememberRanges();
        lastWheel_.restart();
        const QPointF p = ImagePoint(e->position());
        if (WheelZoom(plot_.PlotScales(), p.x(), p.y(), plot, WheelFactor(delta),
                      e->modifiers() & Qt::ControlModifier)) {
            DisplayChanges& changes = plot_.PlotChanges();
            changes.AxesChanged = changes.PlotDirty = true;
        }
        return true;
    }
    case QEvent::KeyPress: {
        auto* e = static_cast<QKeyEvent*>(event);
        return Key(e->key(), e->modifiers());
    }
    case QEvent::Leave:
        LabelZeiger->hide();
        return false;
    default:
        return false;
    }
}
