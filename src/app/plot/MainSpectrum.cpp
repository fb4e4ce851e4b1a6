#include "plot/MainSpectrum.h"

#include "MeasurementStore.h"
#include "PlotInteraction.h"
#include "Session.h"
#include "SignalDefinition.h"
#include "plot/MainCursors.h"
#include "plot/PlotView.h"

#include <QActionGroup>
#include <QMenu>

#include <algorithm>
#include <array>
#include <functional>
#include <string_view>

using namespace kurvimat::acquisition;
using namespace kurvimat::analysis;
using namespace kurvimat::display;
using namespace kurvimat::signals;

namespace {

// While a sweep streams, the spectra follow its new points at most once a second, and no more
// often than their cost allows: the time a computation and its drawing took, this many times
// over, passes before the next (some 0.2 % of a core with the screen's painting).
constexpr qint64 FirstRefreshMs = 1000;
constexpr qint64 LastRefreshMs = 5000;
constexpr qint64 CostFactor = 500;

const QColor TitleBlue(0, 0, 248);
const QColor TitleRed(248, 0, 0);

std::size_t mix(std::size_t key, std::size_t value) {
    return (key ^ value) * 1099511628211ULL;
}

std::size_t bytesKey(const float* values, int count) {
    const std::string_view bytes(reinterpret_cast<const char*>(values),
                                 static_cast<std::size_t>(std::max(count, 0)) * sizeof(float));
    return std::hash<std::string_view>()(bytes);
}

QString unitOf(const QString& definition) {
    return PointSetParts(definition).unit;
}

// The amplitude axis names the quantity of the stored points (loaded ones keep theirs), or the
// applied signal before there are any.
QString amplitudeTitle(const QString& definition, const QString& name, const QString& unit) {
    const DefinitionParts parts = PointSetParts(definition);
    const bool known = !parts.name.isEmpty() || !parts.unit.isEmpty();
    return SignalTitle((known ? parts.name : name) + MainSpectrum::tr(", Amplitude"),
                       known ? parts.unit : unit);
}

} // namespace

// Owned by the window, as the cursors are.
MainSpectrum::MainSpectrum(PlotView& plot, kurvimat::session::Session& session)
    : QObject(plot.window()), plot_(plot), session_(session) {
    for (Tscale* s : {&ScaleA, &ScaleB, &ScaleF})
        s->Visible = true;
    ScaleA.TitleColor = TitleBlue;
    ScaleB.TitleColor = TitleRed;
    ScaleF.Title = MainSpectrum::tr("Frequenz in <vf>Hz");
    for (Tscale* s : {&ScaleA, &ScaleB, &ScaleF}) {
        s->RangeStart = 0;
        s->RangeEnd = 1;
    }
}

MainSpectrum::~MainSpectrum() = default;

bool MainSpectrum::Shown() const {
    return session_.view().mode == PlotMode::Spectrum;
}

MeasurementStore& MainSpectrum::Points() {
    if (!points_) {
        points_ = std::make_unique<MeasurementStore>();
    }
    return *points_;
}

ScaleSet MainSpectrum::Scales() {
    return {ScaleA, ScaleB, ScaleF, ScaleX, ScaleLeft, ScaleRight, ScaleBottom};
}

void MainSpectrum::UpdateTitles() {
    const MeasurementStore& s = session_.store();
    ScaleA.Title = amplitudeTitle(s.Data.Count > 0 ? s.Data.DefA : QString(), s.NameA, s.UnitA);
    ScaleB.Title = amplitudeTitle(s.Data.Count > 0 ? s.Data.DefB : QString(), s.NameB, s.UnitB);
}

void MainSpectrum::Switched(bool on) {
    Points(); // made on the first switch
    if (on) {
        PlaceStrips(plot_.State(), Scales());
        UpdateTitles();
        changes_.AxesChanged = changes_.PlotDirty = true;
        Update(true);
    } else {
        DisplayChanges& changes = plot_.State().Changes;
        changes.AxesChanged = changes.PlotDirty = true;
    }
}

void MainSpectrum::Place() {
    PlaceStrips(plot_.State(), Scales());
    if (points_) changes_.AxesChanged = changes_.PlotDirty = true;
}

std::size_t MainSpectrum::KeyOf(bool snapshot) const {
    const MeasurementStore& s = session_.store();
    const int count = snapshot ? s.Snap.Count : s.Data.Count;
    std::size_t key = 14695981039346656037ULL;
    key = mix(key, static_cast<std::size_t>(count));
    key = mix(key, snapshot ? s.Snap.HasB : s.Data.HasB);
    const std::array<const float*, 3> values =
        snapshot ? std::array<const float*, 3>{s.Snap.T, s.Snap.A, s.Snap.B}
                 : std::array<const float*, 3>{s.Data.T, s.Data.A, s.Data.B};
    for (const float* v : values)
        key = mix(key, bytesKey(v, count));
    if (!snapshot)
        for (const kurvimat::signals::QuantityColumn& c : s.Data.Further()) {
            key = mix(key, qHash(c.header));
            const std::string_view bytes(reinterpret_cast<const char*>(c.values.data()),
                                         c.values.size() * sizeof(double));
            key = mix(key, std::hash<std::string_view>()(bytes));
        }
    for (const QString& text : snapshot ? QStringList{s.Snap.DefA, s.Snap.DefB}
                                        : QStringList{s.Data.DefA, s.Data.DefB, s.UnitA, s.UnitB})
        key = mix(key, qHash(text));
    const SpectrumOptions o = Input().Options;
    key = mix(key, std::hash<double>()(o.T1));
    key = mix(key, std::hash<double>()(o.T2));
    return mix(key, static_cast<std::size_t>(o.Window));
}

SpectrumInput MainSpectrum::Input() const {
    const MeasurementStore& s = session_.store();
    const kurvimat::session::ViewSettings& view = session_.view();
    SpectrumInput in;
    // Each point set in the unit of what it holds; one without B has no B values.
    in.DataA = {{s.Data.T, s.Data.A, s.Data.Count}, unitOf(s.Data.DefA)};
    in.DataB = {{s.Data.T, s.Data.B, s.Data.HasB ? s.Data.Count : 0}, unitOf(s.Data.DefB)};
    in.SnapA = {{s.Snap.T, s.Snap.A, s.Snap.Count}, unitOf(s.Snap.DefA)};
    in.SnapB = {{s.Snap.T, s.Snap.B, s.Snap.HasB ? s.Snap.Count : 0}, unitOf(s.Snap.DefB)};
    in.Options.Window = window_;
    const TimeSpan span = plot_.Cursors().timeSpan();
    if (span.Enabled) {
        in.Options.T1 = span.T1;
        in.Options.T2 = span.T2;
    }
    in.ShowA = view.showA;
    in.ShowB = view.showB;
    in.Minutes = view.minutes;
    return in;
}

bool MainSpectrum::Update(bool now) {
    if (!Shown()) return false;
    MeasurementStore& p = Points();
    MeasurementStore& s = session_.store();
    DisplayChanges& recorded = plot_.State().Changes;
    // The stored points' flags are this mode's to take: the time plot is not drawn meanwhile
    // and is drawn in full on the way back.
    if (recorded.AxesChanged) {
        UpdateTitles();
        changes_.AxesChanged = true;
        recorded.AxesChanged = false;
        pending_ = true;
    }
    if (recorded.PlotDirty) { // new points: the spectra follow when due
        recorded.PlotDirty = false;
        pending_ = true;
    }
    if (!now && (!pending_ || (age_.isValid() && age_.elapsed() < wait_))) return false;
    pending_ = false;
    age_.restart();
    const std::size_t data = KeyOf(false), snap = KeyOf(true);
    if (data == dataKey_ && snap == snapKey_) return false;
    const SpectrumInput in = Input();
    const SpectrumOptions& o = in.Options;
    if (data != dataKey_) {
        spectra_.A = ComputeSpectrum(in.DataA.Points, o);
        spectra_.B = ComputeSpectrum(in.DataB.Points, o);
    }
    if (snap != snapKey_) {
        spectra_.SnapA = in.SnapA.Points.Count > 0 ? ComputeSpectrum(in.SnapA.Points, o)
                                                  : SpectrumResult{};
        spectra_.SnapB = in.SnapB.Points.Count > 0 ? ComputeSpectrum(in.SnapB.Points, o)
                                                  : SpectrumResult{};
    }
    dataKey_ = data;
    snapKey_ = snap;
    FillSpectrumPoints(spectra_, p);
    // The further columns' spectra on the same frequencies, drawn as the time plot draws them.
    FillSpectrumColumns(s.Data, o, p);
    p.Data.DefA = s.Data.DefA;
    p.Data.DefB = s.Data.DefB;
    p.Snap.DefA = s.Snap.DefA;
    p.Snap.DefB = s.Snap.DefB;
    p.Data.HasB = s.Data.HasB;
    p.Snap.HasB = s.Snap.HasB;
    // The axes start fitted to the first spectrum and autoscale widens the amplitudes' from
    // there; a new sampling rate fits the frequency axis anew, up to half of it.
    const ScaleSet scales = Scales();
    if (!fitted_ && (p.Data.Count > 0 || p.Snap.Count > 0)) {
        FitLeft(p, scales, PlotMode::Normal);
        FitRight(p, scales, PlotMode::Normal);
        FitBottom(p, scales, PlotMode::Normal);
        fitted_ = true;
        changes_.AxesChanged = true;
    } else if (p.TimeRangeMax != fittedNyquist_) {
        FitBottom(p, scales, PlotMode::Normal);
    }
    fittedNyquist_ = p.TimeRangeMax;
    changes_.PlotDirty = true;
    if (MainCursors* measuring = plot_.Measuring()) measuring->Changed();
    return true;
}

void MainSpectrum::Spent(qint64 nanoseconds) {
    wait_ = std::clamp(nanoseconds * CostFactor / 1000000, FirstRefreshMs, LastRefreshMs);
}

void MainSpectrum::SetWindow(SpectrumWindow choice) {
    if (choice == window_) return;
    window_ = choice;
    Update(true);
}

ReadoutTable MainSpectrum::Table() const {
    return SpectrumReadout(spectra_, Input());
}

CursorMarks MainSpectrum::Marks() const {
    const kurvimat::session::ViewSettings& view = session_.view();
    return SpectrumMarks(spectra_, view.showA, view.showB);
}

ReadoutInput MainSpectrum::CornerInput() const {
    ReadoutInput in;
    if (!points_) return in;
    const kurvimat::session::ViewSettings& view = session_.view();
    in.ShowA = view.showA;
    in.ShowB = view.showB;
    in.DataA = {{points_->Data.T, points_->Data.A, points_->Data.Count}, {}};
    in.DataB = {{points_->Data.T, points_->Data.B, points_->Data.Count}, {}};
    return in;
}

QString MainSpectrum::PointerText(int index) const {
    if (!points_) return {};
    const kurvimat::session::ViewSettings& view = session_.view();
    const MeasurementStore& s = session_.store();
    return SpectrumPointerText(*points_, index, unitOf(s.Data.DefA), unitOf(s.Data.DefB),
                               view.showA, view.showB && points_->Data.HasB);
}

void MainSpectrum::AddMenuActions(QMenu& menu) {
    auto* group = new QActionGroup(&menu);
    const std::pair<SpectrumWindow, QString> windows[] = {
        {SpectrumWindow::Hann, MainSpectrum::tr("Hann-Fenster")},
        {SpectrumWindow::Rectangular, MainSpectrum::tr("Rechteckfenster")}};
    for (const auto& [choice, caption] : windows) {
        QAction* a = menu.addAction(caption);
        a->setCheckable(true);
        a->setChecked(window_ == choice);
        group->addAction(a);
        const SpectrumWindow c = choice;
        connect(a, &QAction::triggered, this, [this, c] { SetWindow(c); });
    }
}
