#include "plot/PlotReport.h"

#include "FitOverlay.h"
#include "Plot.h"
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
      host_(host), runs_(runs) {}

PictureSource PlotReport::PlotPictureSource() {
    MeasurementStore& shown = plot_.PlotStore();
    return {shown,
            plot_.PlotScales(),
            host_.ReadDisplayControls(),
            controls_.PaintBoxData->size(),
            data_.Display.Cursors,
            runs_ && &shown == &session_.store() ? &runs_->Layer() : nullptr};
}

QImage PlotReport::PlotPictureImage(int scale) {
    QImage image = RenderPlotPicture(PlotPictureSource(), scale, ReportOverlay());
    // The cursor readout is a box over the plot, not part of its image: drawn in at the
    // picture's scale where the window shows it.
    QWidget* readout = plot_.Measuring() ? plot_.Measuring()->LabelMesswerte : nullptr;
    TPaintBox* box = controls_.PaintBoxData;
    if (image.isNull() || !readout || !readout->isVisible()) return image;
    image.setDevicePixelRatio(image.width() / static_cast<double>(box->width()));
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

bool PlotReport::PrintPlot(QPrinter& printer) {
    printer.setPageOrientation(QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRect page = painter.viewport();
    QFont footerFont(QStringLiteral("Arial"));
    footerFont.setPointSize(9);
    painter.setFont(footerFont);
    const int footerHeight = painter.fontMetrics().height() * 2;
    // The definitions as applied: the stored points are re-evaluated when one changes.
    const QString footer = PictureFooter(controls_.ComboBoxA->Text(), controls_.ComboBoxB->Text(),
                                         QDateTime::currentDateTime());
    painter.drawText(QRect(0, page.height() - footerHeight, page.width(), footerHeight),
                     Qt::AlignLeft | Qt::AlignBottom, footer);

    const QSize box = controls_.PaintBoxData->size();
    if (box.isEmpty()) return painter.end();
    const QRectF room(0, 0, page.width(), page.height() - footerHeight);
    const double fit = std::min(room.width() / box.width(), room.height() / box.height());
    // Drawn at up to four times the window's raster, then scaled onto the page: sharp on paper
    // without a picture of the printer's full resolution.
    const QImage image = PlotPictureImage(std::clamp(static_cast<int>(std::ceil(fit)), 1, 4));
    const QSizeF size(box.width() * fit, box.height() * fit);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(QPointF((room.width() - size.width()) / 2, 0), size), image);
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
    data_.ShownFit = std::move(fit);
    data_.Display.Changes.PlotDirty = true;
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
    data_.ShownFit = std::move(fit);
    data_.Display.Changes.PlotDirty = true;
}

void PlotReport::ShowFitFailure(const PlotFit& fit, bool noneBetween) {
    // Between the cursors is the span the user chose: that it holds no point is what to mend.
    const CursorState& c = data_.Cursors;
    const bool cursors = c.VerticalOn && c.Mode == plot_.TimeMode();
    AppDialogs().ShowError(&window_, cursors && noneBetween
                                         ? tr("Die Cursor liegen außerhalb der Messpunkte.")
                                         : fit.Result.Error);
}

void PlotReport::RemoveFit() {
    data_.ShownFit.reset();
    data_.Display.Changes.PlotDirty = true;
}

// Between the vertical cursors when they are shown (t1, t2; x1, x2 in the XY modes), else the
// visible span of the bottom axis: time, or the channel serving as x.
std::pair<double, double> PlotReport::FitSpan() const {
    const CursorState& c = data_.Cursors;
    const bool between = c.VerticalOn && c.Mode == plot_.TimeMode();
    if (between) return {std::min(c.X[0], c.X[1]), std::max(c.X[0], c.X[1])};
    return {data_.ScaleBottom->RangeStart, data_.ScaleBottom->RangeEnd};
}

PlotOverlay PlotReport::ReportOverlay() {
    std::optional<PlotFit>& shown = data_.ShownFit;
    const PlotMode mode = host_.ReadDisplayControls().Mode;
    if (!shown || OwnPoints(mode)) return {}; // kept for the time plot
    const bool matches = shown->RunId != 0
                             ? mode == PlotMode::Normal && runs_ && runs_->FitStillShown(*shown)
                             : FitStillMatches(*shown, session_.store(), mode);
    if (!matches) {
        shown.reset();
        return {};
    }
    const FitDrawing drawing = ShownFitDrawing();
    return [drawing](IndexedImage& image, const PaintGeometry& g) {
        DrawFitOverlay(image, drawing, PlotFont(g.Scale), g);
    };
}

FitDrawing PlotReport::ShownFitDrawing() {
    FitDrawing drawing = PlotFitDrawing(*data_.ShownFit, session_.store(), data_.Scales());
    if (runs_) drawing.LegendLines = int(runs_->Layer().runs().size());
    return drawing;
}

void PlotReport::AddReportActions(QMenu& menu) {
    // The actions of the menu bar (MainMenus.cpp), brought up to the plot's state.
    host_.UpdateMenuActions();
    menu.addAction(controls_.ActionBildKopieren);
    menu.addMenu(controls_.MenuBildSpeichern);
    menu.addAction(controls_.ActionDrucken);
    const PlotMode mode = host_.ReadDisplayControls().Mode;
    if (OwnPoints(mode)) return; // fits are of the stored points
    menu.addSeparator();
    if (mode == PlotMode::Normal) {
        menu.addActions({controls_.MenuFitA->menuAction(), controls_.MenuFitB->menuAction()});
        host_.AddRunFitMenus(menu);
    } else
        menu.addActions(
            {controls_.ActionFitGerade, controls_.ActionFitParabel, controls_.ActionFitEigene});
    if (data_.ShownFit) menu.addAction(controls_.ActionFitEntfernen);
}
