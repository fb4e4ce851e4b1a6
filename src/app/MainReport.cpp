// The lab report's side of the main window: the plot as a picture (clipboard, PNG file,
// printer) and curve fits on the plot, offered in the plot's context menu.
#include "TFormMain.h"

#include "Dialogs.h"
#include "FitOverlay.h"
#include "TComboBox.h"
#include "TPaintBox.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>

#include <algorithm>

namespace {

const QString PngFilter = QStringLiteral("PNG-Bilder (*.png);;Alle Dateien (*.*)");

struct ModelEntry {
    FitModel Model;
    const char* Caption;
};
const ModelEntry TimeModels[] = {
    {FitModel::Linear, "Gerade  y = a·t + b"},
    {FitModel::Proportional, "Ursprungsgerade  y = a·t"},
    {FitModel::Exponential, "Exponentielle Annäherung  y = a + b·e^(−t/τ)"},
    {FitModel::DampedSine, "Gedämpfte Schwingung  y = A·e^(−t/τ)·sin(2π·f·t + φ) + c"},
};

} // namespace

PictureSource TFormMain::PlotPictureSource() {
    return {*this, Scales(), ReadDisplayControls(), PaintBoxData->size()};
}

QImage TFormMain::PlotPictureImage(int scale) {
    return RenderPlotPicture(PlotPictureSource(), scale, ReportOverlay());
}

void TFormMain::ButtonBildKopierenClick() {
    QApplication::clipboard()->setImage(PlotPictureImage(1));
}

void TFormMain::ButtonBildSpeichernClick(int scale) {
    QString fileName = Dlg().SaveFileName(this, PngFilter, QStringLiteral("png"));
    if (fileName.isEmpty()) return;
    if (!fileName.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive))
        fileName += QStringLiteral(".png");
    const QImage image = PlotPictureImage(scale);
    // Written atomically: a failed save leaves an existing file as it was.
    QSaveFile file(fileName);
    const bool ok = !image.isNull() && file.open(QIODevice::WriteOnly) &&
                    image.save(&file, "PNG") && file.commit();
    if (!ok)
        Dlg().ShowError(this, QStringLiteral("Datei \"%1\" kann nicht erstellt werden. %2")
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

    const PictureSource source = PlotPictureSource();
    const QSize box = source.PaintBox;
    if (box.isEmpty()) return painter.end();
    const double scale = std::min(static_cast<double>(page.width()) / box.width(),
                                  static_cast<double>(page.height() - footerHeight) / box.height());
    painter.translate((page.width() - box.width() * scale) / 2, 0);
    painter.scale(scale, scale);
    PaintPlotPicture(painter, source, ReportOverlay());
    return painter.end();
}

void TFormMain::ButtonDruckenClick() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(QStringLiteral("Kurvimat"));
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Drucken"));
    if (dialog.exec() != QDialog::Accepted) return;
    if (!PrintPlot(printer))
        Dlg().ShowError(this, QStringLiteral("Der Drucker kann nicht benutzt werden."));
}

void TFormMain::FitOnPlot(bool channelB, FitModel model, double from, double to) {
    ShownFit = FitStoredPoints(*this, ReadDisplayControls().Mode(), channelB, model, from, to);
    if (!ShownFit->Result.Converged) {
        const QString error = ShownFit->Result.Error;
        ShownFit.reset();
        Dlg().ShowError(this, error);
    }
    PlotDirty = true;
}

void TFormMain::RemoveFit() {
    ShownFit.reset();
    PlotDirty = true;
}

PlotOverlay TFormMain::ReportOverlay() {
    if (!ShownFit) return {};
    if (!FitStillMatches(*ShownFit, *this, ReadDisplayControls().Mode())) {
        ShownFit.reset();
        return {};
    }
    const FitDrawing drawing = PlotFitDrawing(*ShownFit, *this, Scales());
    return [drawing](IndexedImage& image) { DrawFitOverlay(image, drawing, PlotFont()); };
}

void TFormMain::AddReportActions(QMenu& menu) {
    menu.addAction(QStringLiteral("Bild kopieren"), this, [this] { ButtonBildKopierenClick(); });
    QMenu* save = menu.addMenu(QStringLiteral("Bild speichern"));
    const std::pair<int, QString> sizes[] = {{1, QStringLiteral("in Fenstergröße …")},
                                             {2, QStringLiteral("doppelt so groß …")},
                                             {3, QStringLiteral("dreimal so groß …")}};
    for (const auto& [scale, caption] : sizes)
        save->addAction(caption, this, [this, scale] { ButtonBildSpeichernClick(scale); });
    menu.addAction(QStringLiteral("Drucken …"), this, [this] { ButtonDruckenClick(); });
    menu.addSeparator();

    // The visible span of the bottom axis: time, or the channel serving as x.
    const double from = ScaleBottom->RangeStart, to = ScaleBottom->RangeEnd;
    const bool haveData = DataCount > 0;
    if (ReadDisplayControls().Mode() == PlotMode::Normal) {
        for (const bool channelB : {false, true}) {
            const QString name = channelB ? NameB : NameA;
            QMenu* fits = menu.addMenu(QStringLiteral("Ausgleichskurve %1 (%2)")
                                           .arg(channelB ? QStringLiteral("B") : QStringLiteral("A"),
                                                name));
            fits->setEnabled(haveData);
            for (const ModelEntry& m : TimeModels) {
                const FitModel model = m.Model;
                fits->addAction(QString::fromUtf8(m.Caption), this, [=, this] {
                    FitOnPlot(channelB, model, from, to);
                });
            }
        }
    } else {
        QAction* line = menu.addAction(QStringLiteral("Ausgleichsgerade  y = m·x + b"), this,
                                       [=, this] { FitOnPlot(false, FitModel::XYLinear, from, to); });
        line->setEnabled(haveData);
    }
    if (ShownFit)
        menu.addAction(QStringLiteral("Ausgleichskurve entfernen"), this, [this] { RemoveFit(); });
}

void TFormMain::ConnectReport() {
    // Only a right click that did not move opens the menu: a right drag pans the plot.
    connect(PaintBoxData, &TPaintBox::MouseDown, this, [this](QMouseEvent* e) {
        ReportRightClick = e->button() == Qt::RightButton;
        ReportPressAt = e->position().toPoint();
    });
    connect(PaintBoxData, &TPaintBox::MouseMove, this, [this](QMouseEvent* e) {
        if ((e->position().toPoint() - ReportPressAt).manhattanLength() > 2)
            ReportRightClick = false;
    });
    connect(PaintBoxData, &TPaintBox::MouseUp, this, [this](QMouseEvent* e) {
        if (e->button() != Qt::RightButton || !ReportRightClick) return;
        ReportRightClick = false;
        QMenu menu(this);
        AddReportActions(menu);
        menu.exec(e->globalPosition().toPoint());
    });
}
