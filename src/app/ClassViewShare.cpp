#include "ClassViewShare.h"

#include "ClassViewServer.h"
#include "Dialogs.h"
#include "Journal.h"
#include "MainRuns.h"
#include "Palette.h"
#include "QrCode.h"
#include "TFormMain.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>

using kurvimat::classview::ClassViewServer;
using kurvimat::classview::ShownRun;
using kurvimat::display::Palette;

namespace {

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

ClassViewShare::ClassViewShare(TFormMain& window)
    : QObject(&window), w(window),
      server(std::make_unique<ClassViewServer>(window.session())) {
    share = new QAction(TFormMain::tr("&Klassenansicht freigeben …"), &w);
    stop = new QAction(TFormMain::tr("&Freigabe beenden"), &w);
    connect(share, &QAction::triggered, this, [this] { Share(); });
    connect(stop, &QAction::triggered, this, &ClassViewShare::Stop);
    watching = new QLabel(&w);
    watching->setObjectName(QStringLiteral("LabelKlassenansicht"));
    watching->setContentsMargins(0, 0, 8, 0);
    if (auto* bar = qobject_cast<QMenuBar*>(w.menuWidget()))
        bar->setCornerWidget(watching, Qt::TopRightCorner);
    connect(server.get(), &ClassViewServer::watchersChanged, this, &ClassViewShare::UpdateState);
    if (w.Runs) server->setRuns(&w.Runs->Journal().runs());
    UpdateState();
}

ClassViewShare::~ClassViewShare() = default;

bool ClassViewShare::Share(bool showDialog) {
    if (!server->running() && !server->start()) {
        w.Dlg().ShowError(&w, server->errorText());
        UpdateState();
        return false;
    }
    UpdateState();
    if (showDialog) ShowDialog();
    return true;
}

void ClassViewShare::Stop() {
    server->stop();
    if (dialog) dialog->close();
    UpdateState();
}

void ClassViewShare::Tick() {
    if (!server->running()) return;
    std::vector<ShownRun> shown;
    if (w.Runs) {
        for (const kurvimat::session::Run& run : w.Runs->Journal().runs().runs()) {
            if (!w.Runs->IsShown(run.id)) continue;
            const int c = MainRuns::Colour(run.id);
            shown.push_back({run.id, quint32(Palette::red(c) << 16 | Palette::green(c) << 8 |
                                             Palette::blue(c))});
        }
    }
    server->tick(shown);
}

void ClassViewShare::UpdateState() {
    const bool on = server->running();
    share->setEnabled(true);
    stop->setEnabled(on);
    const QString count = TFormMain::tr("Klassenansicht: %1 verbunden").arg(server->watchers());
    watching->setText(on ? count : QString());
    watching->setVisible(on);
    if (dialogCount) dialogCount->setText(count);
}

void ClassViewShare::ShowDialog() {
    if (!dialog) {
        dialog = new QDialog(&w);
        dialog->setObjectName(QStringLiteral("DialogKlassenansicht"));
        dialog->setWindowTitle(TFormMain::tr("Klassenansicht"));
        auto* layout = new QVBoxLayout(dialog);
        auto* intro = new QLabel(TFormMain::tr(
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
        dialogCount = new QLabel;
        auto* buttons = new QDialogButtonBox;
        QPushButton* end = buttons->addButton(TFormMain::tr("Freigabe beenden"),
                                              QDialogButtonBox::DestructiveRole);
        QPushButton* close = buttons->addButton(TFormMain::tr("Schließen"),
                                                QDialogButtonBox::RejectRole);
        end->setAutoDefault(false);
        close->setDefault(true);
        connect(end, &QPushButton::clicked, this, &ClassViewShare::Stop);
        connect(close, &QPushButton::clicked, dialog, &QDialog::close);
        layout->addWidget(intro);
        layout->addWidget(address);
        layout->addWidget(code);
        layout->addWidget(dialogCount);
        layout->addWidget(buttons);
    }
    const QString url = server->address().toString();
    dialog->findChild<QLabel*>(QStringLiteral("LabelAdresse"))->setText(url);
    dialog->findChild<QLabel*>(QStringLiteral("LabelQrCode"))->setPixmap(QrPixmap(url, 6));
    UpdateState();
    dialog->show();
    dialog->raise();
}

void ShareFromCommandLine(TFormMain& window) {
    if (!window.ClassView || !window.ClassView->Share(false)) return;
    const QByteArray line = window.ClassView->Server().address().toString().toUtf8() + '\n';
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stdout);
    std::fflush(stdout);
}
