#include "plot/PlotReport.h"

#include "FitOverlay.h"
#include "Plot.h"
#include "QuantityAxes.h"
#include "Session.h"
#include "dialogs/Dialogs.h"
#include "plot/MainCursors.h"
#include "plot/ReadoutBox.h"
#include "runs/MainRuns.h"
#include "widgets/MainControls.h"
#include "widgets/TComboBox.h"
#include "widgets/TPaintBox.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

using namespace kurvimat::analysis;
using namespace kurvimat::display;
using kurvimat::acquisition::MeasurementStore;
using kurvimat::acquisition::PointCapacity;

namespace {

const char* const PngFilter =
    QT_TRANSLATE_NOOP("TFormMain", "PNG-Bilder (*.png);;Alle Dateien (*.*)");

// Points exist, but none of their x values lies between the ends of the span.
bool NoneBetween(const float* x, int count, double from, double to) {
    if (!x || count <= 0) return false;
    const auto [lo, hi] = std::minmax(from, to);
    for (int i = 0; i < count; ++i)
        if (x[i] >= lo && x[i] <= hi) return false;
    return true;
}

} // namespace

PlotReport::PlotReport(QWidget& window, kurvimat::session::Session& session, PlotView& plot,
                       PlotViewData& data, const MainControls& controls, ReportHost& host,
                       MainRuns* runs)
    : window_(window), session_(session), plot_(plot), data_(data), controls_(controls),
      host_(host), runs_(runs), notes_(new PlotNotesLayer(session, *controls.PaintBoxData)) {}

PictureSource PlotReport::PlotPictureSource(QSize size) {
    MeasurementStore& shown = plot_.PlotStore();
    return {shown,
            plot_.PlotScales(),
            host_.ReadDisplayControls(),
            size.isEmpty() ? controls_.PaintBoxData->size() : size,
            data_.Display.Cursors,
            runs_ && &shown == &session_.store() ? &runs_->Layer() : nullptr};
}

QImage PlotReport::PlotPictureImage(int scale, QSize size, bool withTitle) {
    QImage image = RenderPlotPicture(PlotPictureSource(size), scale, ReportOverlay());
    if (image.isNull()) return image;
    if (!session_.notes().empty()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        PaintNotes(painter, session_.notes(), image.size(), scale, withTitle);
    }
    // The cursor readout is a box over the plot, not part of its image: drawn in at the
    // picture's scale where the window shows it.
    QWidget* readout = plot_.Measuring() ? plot_.Measuring()->LabelMesswerte : nullptr;
    TPaintBox* box = controls_.PaintBoxData;
    if (!readout || !readout->isVisible()) return image;
    image.setDevicePixelRatio(scale);
    {
        QPainter painter(&image);
        readout->render(&painter, box->mapFromGlobal(readout->mapToGlobal(QPoint())), QRegion(),
                        QWidget::DrawChildren);
    }
    image.setDevicePixelRatio(1);
    return image;
}

void PlotReport::CopyPicture() {
    QApplication::clipboard()->setImage(PlotPictureImage(1));
}

void PlotReport::SavePicture(int scale) {
    Dialogs& dialogs = AppDialogs();
    QString fileName = dialogs.SaveFileName(&window_, tr(PngFilter), QStringLiteral("png"));
    if (fileName.isEmpty()) return;
    if (!fileName.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive))
        fileName += QStringLiteral(".png");
    if (!MayReplace(window_, fileName)) return;
    const QImage image = PlotPictureImage(scale);
    // Written atomically: a failed save leaves an existing file as it was.
    QSaveFile file(fileName);
    const bool ok = !image.isNull() && file.open(QIODevice::WriteOnly) &&
                    image.save(&file, "PNG") && file.commit();
    if (!ok)
        dialogs.ShowError(&window_,
                          tr("Datei \"%1\" kann nicht erstellt werden. %2")
                              .arg(QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath()),
                                   file.errorString()));
}

std::vector<std::pair<QString, QString>> PlotReport::DrawnDefinitions() {
    const DisplayControls controls = host_.ReadDisplayControls();
    const MeasurementStore& store = plot_.PlotStore();
    const bool hasB = store.Data.Count > 0 ? store.Data.HasB : store.Snap.HasB;
    // The definitions as applied: the stored points are re-evaluated when one changes.
    std::vector<std::pair<QString, QString>> out;
    if (controls.KanalA || controls.Mode == PlotMode::AAsX)
        out.emplace_back(QStringLiteral("A"), controls_.ComboBoxA->Text());
    if (hasB && (plot_.ShowsB() || ChannelAsX(controls.Mode)))
        out.emplace_back(QStringLiteral("B"), controls_.ComboBoxB->Text());
    if (controls.Mode == PlotMode::Normal)
        for (const auto& q : session_.quantities().definitions())
            out.emplace_back(q.unit.isEmpty() ? q.name : q.name + QStringLiteral(" in ") + q.unit,
                             q.formula);
    return out;
}

// In the time plot: B is drawn, or a further column, or a shown run may be.
bool PlotReport::RightAxisUsed() {
    const MeasurementStore& store = plot_.PlotStore();
    const bool hasB = store.Data.Count > 0 ? store.Data.HasB : store.Snap.HasB;
    if ((hasB && plot_.ShowsB()) || (runs_ && !runs_->Layer().runs().empty())) return true;
    const PlotCurves curves = DataCurves(store, plot_.ShowsB());
    return std::any_of(curves.begin(), curves.end(), [](const PlotCurve& c) {
        return c.Source == CurveSource::Column && c.Axis == CurveAxis::Right;
    });
}

bool PlotReport::PrintPlot(QPrinter& printer) {
    printer.setPageOrientation(QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRect page = painter.viewport();
    QFont footerFont(QStringLiteral("Arial"));
    footerFont.setPointSize(9);
    painter.setFont(footerFont);
    const int line = painter.fontMetrics().height();
    const QString footer = PictureFooter(DrawnDefinitions(), QDateTime::currentDateTime());
    const QRect footerBox = painter.boundingRect(QRect(0, 0, page.width(), page.height() / 4),
                                                 Qt::AlignLeft | Qt::TextWordWrap, footer);
    const int footerHeight = footerBox.height() + line;
    painter.drawText(QRect(0, page.height() - footerBox.height(), page.width(), footerBox.height()),
                     Qt::AlignLeft | Qt::AlignBottom | Qt::TextWordWrap, footer);

    int top = 0;
    if (const kurvimat::session::PlotNote* title = kurvimat::session::titleOf(session_.notes())) {
        QFont titleFont(QStringLiteral("Arial"));
        titleFont.setPointSize(16);
        titleFont.setBold(true);
        painter.setFont(titleFont);
        const QRect titleBox =
            painter.boundingRect(QRect(0, 0, page.width(), page.height() / 4),
                                 Qt::AlignHCenter | Qt::TextWordWrap, title->text);
        painter.drawText(QRect(0, 0, page.width(), titleBox.height()),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, title->text);
        top = titleBox.height() + painter.fontMetrics().height() / 2;
    }

    const QSize box = controls_.PaintBoxData->size();
    const QRectF room(0, top, page.width(), page.height() - footerHeight - top);
    if (box.isEmpty() || room.height() < line) return painter.end();
    // An axis strip that shows nothing is left out, all but room for the bottom labels' ends.
    const PlotMode mode = host_.ReadDisplayControls().Mode;
    const bool rightUnused =
        mode == PlotMode::BAsX || (mode == PlotMode::Normal && !RightAxisUsed());
    const bool leftUnused = mode == PlotMode::AAsX;
    const int cut = PlotLeftMargin - 24;
    const int cuts = (rightUnused ? cut : 0) + (leftUnused ? cut : 0);
    // The plot drawn anew in the page's shape, not scaled with a band of the page left empty.
    const int width = box.width();
    const int height =
        std::max(100, static_cast<int>(std::lround((width - cuts) * room.height() / room.width())));
    const double fit = room.width() / (width - cuts);
    // Drawn at up to four times the window's raster, then scaled onto the page: sharp on paper
    // without a picture of the printer's full resolution.
    const int scale = std::clamp(static_cast<int>(std::ceil(fit)), 1, 4);
    QImage image = PlotPictureImage(scale, QSize(width, height), false);
    {
        // The unused strip's ticks and title go; its labels' overhang below the plot with them,
        // the bottom axis's labels stay.
        QPainter strip(&image);
        const QColor background = image.pixelColor(image.width() - 1, 0);
        const int bottom = (height - 3 * PlotTopMargin + 8) * scale;
        if (rightUnused)
            strip.fillRect(
                QRect((width - PlotLeftMargin + 1) * scale, 0, PlotLeftMargin * scale, bottom),
                background);
        if (leftUnused)
            strip.fillRect(QRect(0, 0, (PlotLeftMargin - 1) * scale, bottom), background);
    }
    const QRectF source((leftUnused ? cut : 0) * scale, 0, (width - cuts) * scale, image.height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(room, image, source);
    return painter.end();
}

void PlotReport::Print() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(QStringLiteral("Kurvimat"));
    QPrintDialog dialog(&printer, &window_);
    dialog.setWindowTitle(tr("Drucken"));
    if (dialog.exec() != QDialog::Accepted) return;
    if (!PrintPlot(printer))
        AppDialogs().ShowError(&window_, tr("Der Drucker kann nicht benutzt werden."));
}

void PlotReport::FitOnPlot(bool channelB, FitModel model, double from, double to,
                           const kurvimat::analysis::UserFitModel* user) {
    if (host_.ReadDisplayControls().Mode == PlotMode::Quantities)
        return FitQuantityOnPlot(channelB, model, from, to, user);
    PlotFit fit = FitStoredPoints(session_.store(), plot_.TimeMode(), channelB,
                                  model, from, to, user);
    // A fit the points do not determine is not drawn; one shown before stays.
    if (!fit.Result.Converged) {
        const MeasurementStore& s = session_.store();
        const PlotMode mode = plot_.TimeMode();
        const float* x = mode == PlotMode::BAsX   ? s.Data.B
                         : mode == PlotMode::AAsX ? s.Data.A
                                                  : s.Data.T;
        ShowFitFailure(fit, NoneBetween(x, std::clamp(s.Data.Count, 0, PointCapacity), from, to));
        return;
    }
    Show(std::move(fit));
}

void PlotReport::FitQuantityOnPlot(bool right, FitModel model, double from, double to,
                                   const kurvimat::analysis::UserFitModel* user, int column) {
    // The plot's own points: x as the time, the left quantity as A, the right one as B, more
    // as further columns.
    const MeasurementStore& shown = plot_.PlotStore();
    PlotFit fit = column >= 0 ? FitStoredColumn(shown, column, model, from, to, user)
                              : FitStoredPoints(shown, PlotMode::Normal, right, model, from, to, user);
    fit.Mode = PlotMode::Quantities;
    const kurvimat::session::ViewSettings& v = session_.view();
    for (const QuantityRef& r : QuantityRefs(session_.store().Data))
        if (r.Key == v.axisX) fit.XName = r.Name, fit.XUnit = r.Unit;
    if (!fit.Result.Converged) {
        AppDialogs().ShowError(&window_, NoneBetween(shown.Data.T, shown.Data.Count, from, to)
                                             ? tr("Im gezeigten Bereich liegen keine Messpunkte.")
                                             : fit.Result.Error);
        return;
    }
    Show(std::move(fit));
}

void PlotReport::FitRunOnPlot(qint64 run, bool channelB, FitModel model, double from, double to,
                              const kurvimat::analysis::UserFitModel* user) {
    const std::optional<RunChannelPoints> points =
        runs_ ? runs_->FitPoints(run, channelB) : std::nullopt;
    if (!points) return;
    PlotFit fit = FitRunPoints(*points, model, from, to, user);
    if (!fit.Result.Converged) {
        ShowFitFailure(fit, NoneBetween(points->T, points->Count, from, to));
        return;
    }
    Show(std::move(fit));
}

void PlotReport::FitColumnOnPlot(int column, FitModel model, double from, double to,
                                 const kurvimat::analysis::UserFitModel* user) {
    const MeasurementStore& s = session_.store();
    PlotFit fit = FitStoredColumn(s, column, model, from, to, user);
    if (!fit.Result.Converged) {
        ShowFitFailure(fit, NoneBetween(s.Data.T, std::clamp(s.Data.Count, 0, PointCapacity), from, to));
        return;
    }
    Show(std::move(fit));
}

void PlotReport::ShowFitFailure(const PlotFit& fit, bool noneBetween) {
    // Between the cursors is the span the user chose: that it holds no point is what to mend.
    const CursorState& c = data_.Cursors;
    const bool cursors = c.VerticalOn && c.Mode == plot_.TimeMode();
    AppDialogs().ShowError(&window_, cursors && noneBetween
                                         ? tr("Die Cursor liegen außerhalb der Messpunkte.")
                                         : fit.Result.Error);
}

namespace {

// Fits of one curve replace each other; those of different curves are shown together.
bool SameCurve(const PlotFit& a, const PlotFit& b) {
    return a.RunId == b.RunId && a.Column == b.Column && a.Mode == b.Mode &&
           (a.Column >= 0 || a.ChannelB == b.ChannelB);
}

// More would hide the plot under their boxes.
constexpr std::size_t MaxKeptFits = 7;

} // namespace

void PlotReport::Show(PlotFit fit) {
    std::vector<PlotFit>& kept = data_.KeptFits;
    std::erase_if(kept, [&fit](const PlotFit& k) { return SameCurve(k, fit); });
    if (data_.ShownFit && !SameCurve(*data_.ShownFit, fit)) kept.push_back(std::move(*data_.ShownFit));
    if (kept.size() > MaxKeptFits) kept.erase(kept.begin());
    data_.ShownFit = std::move(fit);
    data_.Display.Changes.PlotDirty = true;
}

void PlotReport::RemoveFit() {
    data_.ShownFit.reset();
    data_.KeptFits.clear();
    data_.Display.Changes.PlotDirty = true;
}

// Between the vertical cursors when they are shown (t1, t2; x1, x2 in the XY modes), else the
// visible span of the bottom axis: time, or the channel serving as x.
std::pair<double, double> PlotReport::FitSpan() const {
    if (host_.ReadDisplayControls().Mode == PlotMode::Quantities) {
        const Tscale& x = *plot_.PlotScales().Bottom;
        return {std::min(x.RangeStart, x.RangeEnd), std::max(x.RangeStart, x.RangeEnd)};
    }
    const CursorState& c = data_.Cursors;
    const bool between = c.VerticalOn && c.Mode == plot_.TimeMode();
    if (between) return {std::min(c.X[0], c.X[1]), std::max(c.X[0], c.X[1])};
    return {data_.ScaleBottom->RangeStart, data_.ScaleBottom->RangeEnd};
}

bool PlotReport::StillShown(const PlotFit& fit, PlotMode mode) const {
    if (fit.Mode == PlotMode::Quantities) return FitStillMatches(fit, plot_.PlotStore(), mode);
    return fit.RunId != 0 ? mode == PlotMode::Normal && runs_ && runs_->FitStillShown(fit)
                          : FitStillMatches(fit, session_.store(), mode);
}

namespace {

// The fits of quantities over a quantity and those of the time plot wait for each other.
bool OfPlot(const PlotFit& fit, PlotMode mode) {
    return (fit.Mode == PlotMode::Quantities) == (mode == PlotMode::Quantities);
}

} // namespace

PlotOverlay PlotReport::ReportOverlay() {
    std::optional<PlotFit>& shown = data_.ShownFit;
    const PlotMode mode = host_.ReadDisplayControls().Mode;
    if (mode == PlotMode::Spectrum) return {}; // kept for the time plot
    std::erase_if(data_.KeptFits,
                  [&](const PlotFit& f) { return OfPlot(f, mode) && !StillShown(f, mode); });
    if (shown && OfPlot(*shown, mode) && !StillShown(*shown, mode)) shown.reset();
    const auto drawn = [mode](const PlotFit& f) { return OfPlot(f, mode); };
    if (!(shown && drawn(*shown)) && std::none_of(data_.KeptFits.begin(), data_.KeptFits.end(), drawn))
        return {};
    return [drawings = FitDrawings()](IndexedImage& image, const PaintGeometry& g) mutable {
        StackFitBoxes(drawings, image.size(), PlotFont(g.Scale), g);
        for (const FitDrawing& d : drawings)
            DrawFitOverlay(image, d, PlotFont(g.Scale), g);
    };
}

std::vector<FitDrawing> PlotReport::FitDrawings() {
    std::vector<FitDrawing> drawings;
    const PlotMode mode = host_.ReadDisplayControls().Mode;
    const auto add = [&](const PlotFit& fit) {
        if (!OfPlot(fit, mode)) return;
        const bool own = fit.Mode == PlotMode::Quantities;
        FitDrawing d = PlotFitDrawing(fit, own ? plot_.PlotStore() : session_.store(),
                                      own ? plot_.PlotScales() : data_.Scales(), plot_.ShowsB());
        if (runs_) d.LegendLines = int(runs_->Layer().runs().size());
        drawings.push_back(std::move(d));
    };
    for (const PlotFit& fit : data_.KeptFits)
        add(fit);
    if (data_.ShownFit) add(*data_.ShownFit);
    return drawings;
}

std::vector<QRect> PlotReport::FitBoxes(QSize image, const PaintGeometry& g) {
    std::vector<FitDrawing> drawings = FitDrawings();
    return StackFitBoxes(drawings, image, PlotFont(g.Scale), g);
}

void PlotReport::AddReportActions(QMenu& menu) {
    // The actions of the menu bar (MainMenus.cpp), brought up to the plot's state.
    host_.UpdateMenuActions();
    menu.addAction(controls_.ActionBildKopieren);
    menu.addMenu(controls_.MenuBildSpeichern);
    menu.addAction(controls_.ActionDrucken);
    menu.addAction(controls_.ActionTitel);
    // A note begins where the menu was asked for.
    TPaintBox* box = controls_.PaintBoxData;
    const QPoint at = box->mapFromGlobal(QCursor::pos());
    QAction* note = menu.addAction(PlotNotesLayer::tr("Notiz hier …"));
    note->setObjectName(QStringLiteral("ActionNotizHier"));
    QObject::connect(note, &QAction::triggered, box, [this, at, box] {
        notes_->AddNote(box->rect().contains(at) ? std::optional(at) : std::nullopt);
    });
    const PlotMode mode = host_.ReadDisplayControls().Mode;
    if (mode == PlotMode::Spectrum) return; // fits are of the stored points
    menu.addSeparator();
    if (mode == PlotMode::Quantities)
        host_.AddRunFitMenus(menu);
    else if (mode == PlotMode::Normal) {
        menu.addActions({controls_.MenuFitA->menuAction(), controls_.MenuFitB->menuAction()});
        host_.AddRunFitMenus(menu);
    } else
        menu.addActions(
            {controls_.ActionFitGerade, controls_.ActionFitParabel, controls_.ActionFitEigene});
    if (data_.ShownFit || !data_.KeptFits.empty()) menu.addAction(controls_.ActionFitEntfernen);
}
