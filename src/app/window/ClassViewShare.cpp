#include "window/ClassViewShare.h"

#include "ClassViewServer.h"
#include "Journal.h"
#include "Palette.h"
#include "Plot.h"
#include "QrCode.h"
#include "Session.h"
#include "dialogs/Dialogs.h"
#include "runs/MainRuns.h"
#include "window/TFormMain.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>
#include <optional>

using kurvimat::classview::ClassViewServer;
using kurvimat::classview::DrawnColumn;
using kurvimat::classview::DrawnColumns;
using kurvimat::classview::ShownRun;
using kurvimat::display::Palette;
namespace display = kurvimat::display;

namespace {

quint32 Rgb(int index) {
    return quint32(Palette::red(index) << 16 | Palette::green(index) << 8 | Palette::blue(index));
}

// The code with a quiet zone of four cells, each cell `cell` pixels, black on white.
QPixmap QrPixmap(const QString& text, int cell) {
    const kurvimat::classview::QrModules qr = kurvimat::classview::encodeQr(text);
    const int side = (qr.size + 8) * cell;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    for (int y = 0; y < qr.size; ++y)
        for (int x = 0; x < qr.size; ++x)
            if (qr.at(x, y)) p.fillRect((x + 4) * cell, (y + 4) * cell, cell, cell, Qt::black);
    p.end();
    return QPixmap::fromImage(image);
}

} // namespace

ClassViewShare::ClassViewShare(QMainWindow& window, kurvimat::session::Session& session,
                               MainRuns* runs)
    : QObject(&window), w_(window), session_(session), runs_(runs),
      server_(std::make_unique<ClassViewServer>(session)) {
    share_ = new QAction(ClassViewShare::tr("&Klassenansicht freigeben …"), &w_);
    stop_ = new QAction(ClassViewShare::tr("&Freigabe beenden"), &w_);
    connect(share_, &QAction::triggered, this, [this] { Share(); });
    connect(stop_, &QAction::triggered, this, &ClassViewShare::Stop);
    watching_ = new QLabel(&w_);
    watching_->setObjectName(QStringLiteral("LabelKlassenansicht"));
    watching_->setContentsMargins(0, 0, 8, 0);
    if (auto* bar = qobject_cast<QMenuBar*>(w_.menuWidget()))
        bar->setCornerWidget(watching_, Qt::TopRightCorner);
    connect(server_.get(), &ClassViewServer::watchersChanged, this, &ClassViewShare::UpdateState);
    if (runs_) server_->setRuns(&runs_->Journal().runs());
    UpdateState();
}

ClassViewShare::~ClassViewShare() = default;

bool ClassViewShare::Share(bool showDialog) {
    if (!server_->running() && !server_->start()) {
        AppDialogs().ShowError(&w_, server_->errorText());
        UpdateState();
        return false;
    }
    UpdateState();
    if (showDialog) ShowDialog();
    return true;
}

void ClassViewShare::Stop() {
    server_->stop();
    if (dialog_) dialog_->close();
    UpdateState();
}

void ClassViewShare::Tick() {
    if (!server_->running()) return;
    const kurvimat::acquisition::MeasurementStore& store = session_.store();
    const bool showB = session_.view().showB;
    // The further columns as the time plot draws them (DataCurves, RunLayer): each against the
    // axis that shows its unit, the data's in their own colours, a run's in the run's. The page
    // has no extra axes: a column of a third unit stays in its table.
    std::optional<display::AxisUnits> units; // only where a set has further columns
    const auto drawn = [&](std::span<const kurvimat::signals::QuantityColumn> columns,
                           bool ownColours) {
        std::vector<DrawnColumn> list;
        if (columns.empty()) return list;
        if (!units) units = display::DataAxisUnits(store, showB);
        for (const display::PlotCurve& c : display::CurvesOf(
                 columns, units->Left, units->Right.has_value(), units->Right.value_or(QString())))
            if (c.Source == display::CurveSource::Column)
                list.push_back({std::uint8_t(c.Column), c.Axis == display::CurveAxis::Right,
                                ownColours ? Rgb(c.Masks.Core) : 0});
        return list;
    };
    DrawnColumns columns;
    columns.data = drawn(store.Data.Further(), true);
    columns.snapshot = drawn(store.Snap.Further(), false);
    if (const auto right = display::RightAxisColumn(store, showB)) columns.rightAxis = int(*right);
    std::vector<ShownRun> shown;
    if (runs_) {
        for (const kurvimat::session::Run& run : runs_->Journal().runs().runs()) {
            if (!runs_->IsShown(run.id)) continue;
            const auto& further = run.points.columns();
            shown.push_back({run.id, Rgb(MainRuns::Colour(run.id)),
                             kurvimat::signals::ColumnsFit(further, std::size_t(run.points.size()))
                                 ? drawn(further, false)
                                 : std::vector<DrawnColumn>()});
        }
    }
    server_->tick(shown, columns);
}

void ClassViewShare::UpdateState() {
    const bool on = server_->running();
    share_->setEnabled(true);
    stop_->setEnabled(on);
    const QString count = ClassViewShare::tr("Klassenansicht: %1 verbunden").arg(server_->watchers());
    watching_->setText(on ? count : QString());
    watching_->setVisible(on);
    if (dialogCount_) dialogCount_->setText(count);
}

void ClassViewShare::ShowDialog() {
    if (!dialog_) {
        dialog_ = new QDialog(&w_);
        dialog_->setObjectName(QStringLiteral("DialogKlassenansicht"));
        dialog_->setWindowTitle(ClassViewShare::tr("Klassenansicht"));
        auto* layout = new QVBoxLayout(dialog_);
        auto* intro = new QLabel(ClassViewShare::tr(
            "Die Schülerinnen und Schüler öffnen diese Adresse im Browser (im selben Netz) oder "
            "scannen den Code. Sie sehen die Messung live und können nichts verändern."));
        intro->setWordWrap(true);
        auto* address = new QLabel;
        address->setObjectName(QStringLiteral("LabelAdresse"));
        address->setTextInteractionFlags(Qt::TextSelectableByMouse);
        QFont big = address->font();
        big.setPixelSize(18);
        address->setFont(big);
        auto* code = new QLabel;
        code->setObjectName(QStringLiteral("LabelQrCode"));
        code->setAlignment(Qt::AlignCenter);
        dialogCount_ = new QLabel;
        auto* buttons = new QDialogButtonBox;
        QPushButton* end = buttons->addButton(ClassViewShare::tr("Freigabe beenden"),
                                              QDialogButtonBox::DestructiveRole);
        QPushButton* close = buttons->addButton(ClassViewShare::tr("Schließen"),
                                                QDialogButtonBox::RejectRole);
        end->setAutoDefault(false);
        close->setDefault(true);
        connect(end, &QPushButton::clicked, this, &ClassViewShare::Stop);
        connect(close, &QPushButton::clicked, dialog_, &QDialog::close);
        layout->addWidget(intro);
        layout->addWidget(address);
        layout->addWidget(code);
        layout->addWidget(dialogCount_);
        layout->addWidget(buttons);
    }
    const QString url = server_->address().toString();
    dialog_->findChild<QLabel*>(QStringLiteral("LabelAdresse"))->setText(url);
    dialog_->findChild<QLabel*>(QStringLiteral("LabelQrCode"))->setPixmap(QrPixmap(url, 6));
    UpdateState();
    dialog_->show();
    dialog_->raise();
}

void TFormMain::ShareOnStart() {
    if (!ClassView || !ClassView->Share(false)) return;
    const QByteArray line = ClassView->Server().address().toString().toUtf8() + '\n';
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stdout);
    std::fflush(stdout);
}
