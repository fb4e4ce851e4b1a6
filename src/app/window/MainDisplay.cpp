// The main window's side of the display: the drawing entry points, the mouse on the strips,
// the plot and the axis buttons, the plot-mode check boxes; the drawing itself and the hidden
// analysis readout (MainDisplay).
#include "window/MainDisplay.h"
#include "window/TFormMain.h"

#include "dialogs/TFormHardware.h"
#include "plot/MainCursors.h"
#include "plot/MainSpectrum.h"
#include "plot/QuantityPlot.h"
#include "plot/ReadoutBox.h"
#include "runs/MainRuns.h"
#include "widgets/TPaintBox.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

using namespace kurvimat::acquisition;
using namespace kurvimat::analysis;
using namespace kurvimat::display;
using kurvimat::signals::SignalChannel;

DisplayControls TFormMain::ReadDisplayControls() const {
    DisplayControls c;
    const kurvimat::session::ViewSettings& v = session_->view();
    c.KanalA = v.showA;
    c.KanalB = v.showB;
    c.Mode = v.mode;
    c.TriggerChannelA = session_->trigger().channelA;
    c.TriggerRising = session_->trigger().rising;
    c.Adiff = FormHardware && session_->hardware().ADiff;
    return c;
}

namespace {
// The part behind a mode of its own points, none for the others.
template <class Choices> PointSetMode* pointSetOf(const Choices& choices, PlotMode mode) {
    for (const auto& choice : choices)
        if (choice.Mode == mode) return choice.Points;
    return nullptr;
}
} // namespace

PointSetMode* TFormMain::ShownPointSet() {
    return pointSetOf(ModeChoices, session_->view().mode);
}

// The panels themselves are laid out by the window; this sizes the images and axis strips
// to the paint boxes' canvases, in the screen's device pixels, and holds the window at the
// size at which every control is whole.
void TFormMain::FormResize() {
    if (!PaintBoxData) return;
    LayoutInput in;
    // The client area below the menu bar.
    const QSize menu(0, MenuBarHeight());
    in.Window = size() - menu;
    in.Minimum = Layout.MinimumClientSize();
    in.Scale = PaintBoxData->devicePixelRatioF();
    in.PaintBoxMittel = PaintBoxMittel->Canvas().size();
    in.PaintBoxData = PaintBoxData->Canvas().size();
    in.PanelSignaleHeight = PanelSignale->height();
    in.PanellinksPufferHeight = PanellinksPuffer->height();
    in.PanellinksHeight = Panellinks->height();
    in.ScrollBarHeight = ScrollBarSignale->height();
    in.ScrollPosition = ScrollBarSignale->value();
    const ScaleSet s = Scales();
    const LayoutResult out = ::FormResize(in, Display, s, MeanStripBitmap, PlotBitmap);
    // The other modes' scales wait in the same strips.
    for (const ModeChoice& choice : ModeChoices)
        if (choice.Points) choice.Points->Place();
    Plot->PlaceRightAxisImages();
    MeanStripBitmap.setPalette(Palette);
    PlotBitmap.setPalette(Palette);
    const QSize raw = PaintBoxRoh->Canvas().size();
    if (RawStripBitmap.size() != raw) {
        RawStripBitmap.resize(raw.width(), raw.height());
        RawStripBitmap.setPalette(Palette);
        Display.RawStripValid = false;
        Display.Changes.RawDirty = true;
    }
    // Without a window manager nothing else keeps the window from shrinking below it.
    const QSize minimum = in.Minimum.expandedTo(QSize(MinWindowWidth, MinWindowHeight)) + menu;
    if (minimumSize() != minimum) setMinimumSize(minimum);
    if (out.Window != in.Window)
        QMetaObject::invokeMethod(
            this, [this] { resize(size().expandedTo(minimumSize())); }, Qt::QueuedConnection);
}

void TFormMain::RefreshDisplay() {
    // Moved to a screen of another pixel ratio: the images follow the canvases.
    if (PaintBoxData->devicePixelRatioF() != Display.Geometry.Scale) FormResize();
    // KURVIMAT_FULL_REDRAW=1: whole images every tick, to compare against.
    static const bool fullOnly = qEnvironmentVariableIntValue("KURVIMAT_FULL_REDRAW") == 1;
    Display.IncrementalFrames = !fullOnly;
    QElapsedTimer spent;
    spent.start();
    PointSetMode* own = ShownPointSet();
    const bool computed = own && own->Update();
    DisplayContext c = Drawing->Context();
    const RefreshResult r = ::RefreshDisplay(c);
    if (r.Layout) {
        // Extra axes came or went: the scales not drawn now wait in the new strips.
        PlaceStrips(Display, Scales());
        for (const ModeChoice& choice : ModeChoices)
            if (choice.Points && choice.Points != own) choice.Points->Place();
        Plot->PlaceRightAxisImages();
    }
    if (computed) own->Spent(spent.nsecsElapsed());
    if (r.Raw) PaintBoxRoh->update();
    if (r.Mean) PaintBoxMittel->UpdateCanvas(r.MeanAreas);
    if (r.AxisButtonsChanged())
        PaintBoxData->update();
    else if (r.Plot)
        PaintBoxData->UpdateCanvas(r.PlotAreas);
    if (r.AxisButtonsChanged()) Plot->ApplyAxisImages();
}

void TFormMain::ConnectDisplay() {
    // The one place the display hears what the session changed.
    connect(session_.get(), &kurvimat::session::Session::pointsChanged, this,
            [this] { Display.Changes.PlotDirty = true; });
    connect(session_.get(), &kurvimat::session::Session::axesChanged, this,
            [this] { Display.Changes.AxesChanged = true; });
    connect(session_.get(), &kurvimat::session::Session::meansChanged, this,
            [this] { Display.Changes.MeanDirty = true; });
    Plot->ConnectMouse(PaintBoxMittel);

    // What a box says the user chose goes to the session first: the handlers below read it.
    using View = kurvimat::session::ViewSettings;
    const std::pair<QCheckBox*, bool View::*> choices[] = {{CheckBoxKanalA, &View::showA},
                                                           {CheckBoxKanalB, &View::showB},
                                                           {CheckBoxMinuten, &View::minutes}};
    for (const auto& [box, field] : choices)
        connect(box, &QCheckBox::toggled, this, [this, field = field](bool checked) {
            View v = session_->view();
            v.*field = checked;
            session_->setView(v);
        });

    // The plot modes: one box each, at most one checked. A mode of its own points brings the
    // part that computes them; the time plot's strips and cursors wait meanwhile.
    ModeChoices = {{CheckBoxBXY, PlotMode::BAsX, nullptr},
                   {CheckBoxAXY, PlotMode::AAsX, nullptr},
                   {CheckBoxSpektrum, PlotMode::Spectrum, new MainSpectrum(*Plot, *session_)},
                   {nullptr, PlotMode::Quantities, Quantities = new QuantityPlot(*Plot, *session_)}};
    for (const ModeChoice& choice : ModeChoices)
        if (choice.Box) connect(choice.Box, &QCheckBox::toggled, this,
                [this, mode = choice.Mode](bool checked) {
                    View v = session_->view();
                    v.mode = ModeAfterToggle(v.mode, mode, checked);
                    session_->setView(v);
                    ShowPlotMode();
                });

    // A user may not switch both channels off; the signal code may (no signal chosen).
    const auto channelClicked = [this](bool senderIsA) {
        const auto [a, b] =
            ChannelBoxesAfterClick(senderIsA, session_->view().showA, session_->view().showB);
        CheckBoxKanalA->setChecked(a);
        CheckBoxKanalB->setChecked(b);
    };
    connect(CheckBoxKanalA, &QCheckBox::clicked, this, [channelClicked] { channelClicked(true); });
    connect(CheckBoxKanalB, &QCheckBox::clicked, this, [channelClicked] { channelClicked(false); });
    for (QCheckBox* box : {CheckBoxKanalA, CheckBoxKanalB})
        connect(box, &QCheckBox::toggled, this, [this] {
            Plot->PlotChanges().PlotDirty = true;
            if (Measuring) Measuring->Changed(); // the readout's columns, the spectrum's lines
        });

    connect(CheckBoxMinuten, &QCheckBox::toggled, this,
            [this](bool checked) { SetTimeInMinutes(Display.Changes, ScaleT, checked); });

    Measuring = new MainCursors(*Plot, *session_, *this);
    Measuring->setObjectName(QStringLiteral("Measuring"));
    Plot->SetMeasuring(Measuring);
    Runs = new MainRuns(*session_, *this, Display.Changes, *this);
    Runs->setObjectName(QStringLiteral("Runs"));
    // The window's parts below get of it what they need, named.
    PlotViewData& view = *this;
    const MainControls& controls = *this;
    ReportHost& reportHost = *this;
    ExchangeHost& exchangeHost = *this;
    Report =
        std::make_unique<PlotReport>(*this, *session_, *Plot, view, controls, reportHost, Runs);
    Exchange = std::make_unique<DataExchange>(*this, *session_, view, controls, exchangeHost);
    Drawing = std::make_unique<MainDisplay>(*this, *session_, *Plot, view, controls, reportHost,
                                            *Report, Runs);
    Drawing->ConnectAnalysis();
}

void TFormMain::ShowPlotMode() {
    const PlotMode before = ShownMode, mode = session_->view().mode;
    for (const ModeChoice& c : ModeChoices) {
        if (!c.Box) continue; // chosen through its dialog
        const QSignalBlocker block(c.Box);
        c.Box->setChecked(c.Mode == mode);
    }
    if (mode == before) return;
    ShownMode = mode;
    if (TimePlotMode(mode) != TimePlotMode(before))
        AssignStrips(Display.Changes, Display, Scales(), TimePlotMode(mode));
    if (PointSetMode* left = pointSetOf(ModeChoices, before)) left->Switched(false);
    if (PointSetMode* shown = pointSetOf(ModeChoices, mode)) shown->Switched(true);
    if (Measuring) Measuring->Changed();
}

// --- the drawing (MainDisplay) ---

MainDisplay::MainDisplay(QWidget& window, kurvimat::session::Session& session, PlotView& plot,
                         PlotViewData& data, const MainControls& controls, ReportHost& host,
                         PlotReport& report, MainRuns* runs)
    : window_(window), session_(session), plot_(plot), data_(data), controls_(controls),
      host_(host), report_(report), runs_(runs) {}

DisplayContext MainDisplay::Context() {
    MeasurementStore& store = session_.store();
    DisplayContext c{store,
                     plot_.PlotScales(),
                     data_.Display,
                     host_.ReadDisplayControls(),
                     session_.parser(SignalChannel::A),
                     session_.parser(SignalChannel::B),
                     data_.RawStripBitmap,
                     data_.MeanStripBitmap,
                     data_.PlotBitmap,
                     controls_.PaintBoxRoh->Canvas(),
                     controls_.PaintBoxMittel->Canvas(),
                     controls_.PaintBoxData->Canvas(),
                     report_.ReportOverlay()};
    // The fit's curve follows from its result (and the ranges, which the plot compares anyway),
    // its box from the readout's lines.
    if (c.Overlay) {
        std::size_t key = 0x9e3779b97f4a7c15ULL;
        const auto mix = [&key](double v) {
            key = (key ^ std::hash<double>()(v)) * 1099511628211ULL;
        };
        // The box's text as drawn: "Zeit in min" changes its units without a new fit.
        const bool minutes = plot_.PlotScales().T.DisplayFactor != 0;
        const auto mixFit = [&](const PlotFit& fit) {
            const FitResult& f = fit.Result;
            mix(static_cast<double>(fit.PointsHash));
            mix(static_cast<double>(f.Model));
            mix(fit.ChannelB);
            mix(static_cast<double>(fit.RunId));
            mix(fit.Column);
            for (const double p : f.P)
                mix(p);
            for (const double v : {f.Origin, f.XMin, f.XMax, f.RSquared})
                mix(v);
            mix(static_cast<double>(qHash(PlotFitReadout(fit, store, minutes).join(QLatin1Char('\n')))));
        };
        for (const PlotFit& fit : data_.KeptFits)
            mixFit(fit);
        if (data_.ShownFit) mixFit(*data_.ShownFit);
        if (data_.ShownFit || !data_.KeptFits.empty()) c.OverlayKey = key | 1; // never 0: none
    }
    // A mode of its own points (the spectrum): its points and flags while it is chosen.
    if (&plot_.PlotStore() != &store) {
        c.PlotPoints = &plot_.PlotStore();
        c.PlotChanges = &plot_.PlotChanges();
    }
    if (runs_) c.Runs = &runs_->Layer();
    return c;
}

void MainDisplay::DrawRawStrip() {
    DisplayContext c = Context();
    ::DrawRawStrip(c);
    controls_.PaintBoxRoh->update();
}

void MainDisplay::ShowAnalysis() {
    controls_.MemoAnalysis->setPlainText(analysis_.Lines.join(QLatin1Char('\n')));
    // All lines in view without a scroll bar: the box grows to them, never below its design.
    const QFontMetrics metrics(controls_.MemoAnalysis->font());
    int widest = 0;
    for (const QString& line : analysis_.Lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    const int margins =
        2 * static_cast<int>(std::ceil(controls_.MemoAnalysis->document()->documentMargin())) +
        metrics.lineSpacing() / 2;
    const QSize size(
        std::max(241, widest + margins),
        std::max(154, static_cast<int>(analysis_.Lines.size()) * metrics.lineSpacing() + margins));
    // At its place over the plot unless the cursor readout is there: then mirrored to the
    // plot's other side, lower down, or beside the readout (over an axis if need be), wherever
    // it covers least of it.
    const QRect plot(controls_.PaintBoxData->geometry().topLeft() +
                         QPoint(PlotLeftMargin, PlotTopMargin),
                     data_.PlotSize());
    const QPoint design(144, 103);
    const int right = plot.right() + 1 - (design.x() - plot.left()) - size.width();
    const int low = plot.bottom() + 1 - (design.y() - plot.top()) - size.height();
    const MainCursors* measuring = plot_.Measuring();
    const QRect avoid = measuring && measuring->LabelMesswerte->isVisible()
                            ? measuring->LabelMesswerte->geometry()
                            : QRect();
    const QPoint candidates[] = {design,
                                 {right, design.y()},
                                 {design.x(), low},
                                 {right, low},
                                 {avoid.right() + 7, design.y()},
                                 {avoid.left() - 6 - size.width(), design.y()},
                                 {design.x(), avoid.bottom() + 7},
                                 {right, avoid.bottom() + 7},
                                 {design.x(), avoid.top() - 6 - size.height()}};
    QRect place(design, size);
    long long least = -1;
    for (const QPoint at : candidates) {
        const QRect r(at, size);
        if (at != design && !controls_.Panelmitte->rect().contains(r)) continue;
        const QRect overlap = r & avoid;
        const long long covered = static_cast<long long>(overlap.width()) * overlap.height();
        if (least < 0 || covered < least) {
            place = r;
            least = covered;
        }
        if (covered == 0) break;
    }
    controls_.MemoAnalysis->setGeometry(place);
    controls_.MemoAnalysis->setVisible(analysis_.Visible);
    controls_.MemoAnalysis->raise();
}

void MainDisplay::ConnectAnalysis() {
    QObject::connect(controls_.ShapeAnalysis, &TShape::MouseDown, &window_, [this] {
        const ScaleSet shown = plot_.PlotScales();
        analysis_.Toggle(shown.A, shown.B);
        ShowAnalysis();
    });
    QObject::connect(controls_.ShapeAnalysis, &TShape::MouseUp, &window_, [this] {
        analysis_.Hide();
        controls_.MemoAnalysis->hide();
    });
    QObject::connect(controls_.ButtonAnalyse, &QPushButton::clicked, &window_, [this] {
        const ScaleSet shown = plot_.PlotScales();
        analysis_.Toggle(shown.A, shown.B);
        ShowAnalysis();
    });
}
