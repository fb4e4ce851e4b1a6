// The lab report's side of the main window: the plot as a picture (clipboard, PNG file,
// printer) and curve fits on the plot, offered in the plot's context menu.
#include "TFormMain.h"

#include "Dialogs.h"
#include "FitOverlay.h"
#include "MainCursors.h"
#include "MainRuns.h"
#include "ReadoutBox.h"
#include "TComboBox.h"
#include "TPaintBox.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

using namespace kurvimat::analysis;
using namespace kurvimat::display;

namespace {

const char* const PngFilter =
    QT_TRANSLATE_NOOP("TFormMain", "PNG-Bilder (*.png);;Alle Dateien (*.*)");

} // namespace

PictureSource TFormMain::PlotPictureSource() {
    return {PlotStore(), PlotScales(), ReadDisplayControls(), PaintBoxData->size(),
            Display.Cursors, Runs && &PlotStore() == &Store ? &Runs->Layer() : nullptr};
}

QImage TFormMain::PlotPictureImage(int scale) {
    QImage image = RenderPlotPicture(PlotPictureSource(), scale, ReportOverlay());
    // The cursor readout is a box over the plot, not part of its image: drawn in at the
    // picture's scale where the window shows it.
    QWidget* readout = Measuring ? Measuring->LabelMesswerte : nullptr;
    if (image.isNull() || !readout || !readout->isVisible()) return image;
    image.setDevicePixelRatio(image.width() / static_cast<double>(PaintBoxData->width()));
    {
        QPainter painter(&image);
        readout->render(&painter, PaintBoxData->mapFromGlobal(readout->mapToGlobal(QPoint())),
                        QRegion(), QWidget::DrawChildren);
    }
    image.setDevicePixelRatio(1);
    return image;
}

void TFormMain::ButtonBildKopierenClick() {
    QApplication::clipboard()->setImage(PlotPictureImage(1));
}

void TFormMain::ButtonBildSpeichernClick(int scale) {
    QString fileName = Dlg().SaveFileName(this, tr(PngFilter), QStringLiteral("png"));
    if (fileName.isEmpty()) return;
    if (!fileName.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive))
        fileName += QStringLiteral(".png");
    if (!MayReplace(fileName)) return;
    const QImage image = PlotPictureImage(scale);
    // Written atomically: a failed save leaves an existing file as it was.
    QSaveFile file(fileName);
    const bool ok = !image.isNull() && file.open(QIODevice::WriteOnly) &&
                    image.save(&file, "PNG") && file.commit();
    if (!ok)
        Dlg().ShowError(this, tr("Datei \"%1\" kann nicht erstellt werden. %2")
                                  .arg(QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath()),
                                       file.errorString()));
}

bool TFormMain::PrintPlot(QPrinter& printer) {
    printer.setPageOrientation(QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRect page = painter.viewport();
    QFont footerFont(QStringLiteral("Arial"));
    footerFont.setPointSize(9);
    painter.setFont(footerFont);
    const int footerHeight = painter.fontMetrics().height() * 2;
    // The definitions as applied: the stored points are re-evaluated when one changes.
    const QString footer =
        PictureFooter(ComboBoxA->Text(), ComboBoxB->Text(), QDateTime::currentDateTime());
    painter.drawText(QRect(0, page.height() - footerHeight, page.width(), footerHeight),
                     Qt::AlignLeft | Qt::AlignBottom, footer);

    const QSize box = PaintBoxData->size();
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

void TFormMain::ButtonDruckenClick() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(QStringLiteral("Kurvimat"));
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(tr("Drucken"));
    if (dialog.exec() != QDialog::Accepted) return;
    if (!PrintPlot(printer))
        Dlg().ShowError(this, tr("Der Drucker kann nicht benutzt werden."));
}

void TFormMain::FitOnPlot(bool channelB, FitModel model, double from, double to) {
    PlotFit fit = FitStoredPoints(Store, ReadDisplayControls().Mode(), channelB, model, from, to);
    // A fit the points do not determine is not drawn; one shown before stays.
    if (!fit.Result.Converged) {
        Dlg().ShowError(this, fit.Result.Error);
        return;
    }
    ShownFit = std::move(fit);
    Display.Changes.PlotDirty = true;
}

void TFormMain::FitRunOnPlot(qint64 run, bool channelB, FitModel model, double from, double to) {
    const std::optional<RunChannelPoints> points =
        Runs ? Runs->FitPoints(run, channelB) : std::nullopt;
    if (!points) return;
    PlotFit fit = FitRunPoints(*points, model, from, to);
    if (!fit.Result.Converged) {
        Dlg().ShowError(this, fit.Result.Error);
        return;
    }
    ShownFit = std::move(fit);
    Display.Changes.PlotDirty = true;
}

void TFormMain::RemoveFit() {
    ShownFit.reset();
    Display.Changes.PlotDirty = true;
}

PlotOverlay TFormMain::ReportOverlay() {
    if (!ShownFit || ReadDisplayControls().Spektrum) return {}; // kept for the time plot
    const PlotMode mode = ReadDisplayControls().Mode();
    const bool matches = ShownFit->RunId != 0
                             ? mode == PlotMode::Normal && Runs && Runs->FitStillShown(*ShownFit)
                             : FitStillMatches(*ShownFit, Store, mode);
    if (!matches) {
        ShownFit.reset();
        return {};
    }
    const FitDrawing drawing = ShownFitDrawing();
    return [drawing](IndexedImage& image, const PaintGeometry& g) {
        DrawFitOverlay(image, drawing, PlotFont(g.Scale), g);
    };
}

FitDrawing TFormMain::ShownFitDrawing() {
    FitDrawing drawing = PlotFitDrawing(*ShownFit, Store, Scales());
    if (Runs) drawing.LegendLines = int(Runs->Layer().runs().size());
    return drawing;
}

void TFormMain::AddReportActions(QMenu& menu) {
    // The actions of the menu bar (MainMenus.cpp), brought up to the plot's state.
    UpdateMenuActions();
    menu.addAction(ActionBildKopieren);
    menu.addMenu(MenuBildSpeichern);
    menu.addAction(ActionDrucken);
    if (ReadDisplayControls().Spektrum) return; // fits are of time
    menu.addSeparator();
    if (ReadDisplayControls().Mode() == PlotMode::Normal) {
        menu.addActions({MenuFitA->menuAction(), MenuFitB->menuAction()});
        AddRunFitMenus(menu);
    } else
        menu.addAction(ActionFitGerade);
    if (ShownFit) menu.addAction(ActionFitEntfernen);
}
