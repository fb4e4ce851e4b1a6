#include "dialogs/TFormSignale.h"

#include "Codec1252.h"
#include "FilePlatform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QVBoxLayout>

using namespace kurvimat::exchange;

namespace {
const QString FileName = QStringLiteral("Signale.ini");
} // namespace

QString TFormSignale::DefaultFilePath() {
    // Never beside the program: as root that is /usr/bin, which no package manager cleans up.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
        .filePath(FileName);
}

QString TFormSignale::StartingListPath() {
    const QString exeDir = QCoreApplication::applicationDirPath();
    return exeDir.isEmpty() ? QString() : QDir(exeDir).filePath(FileName);
}

TFormSignale::TFormSignale(const QString& filePath, QWidget* parent, const QString& startingList)
    : QWidget(parent, Qt::Window), FFilePath(filePath) {
    setWindowTitle(tr("Signale bearbeiten"));
    // The program ends with the main window, whether or not the editor is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    setFont(font);
    resize(583, 516);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* panel = new QWidget(this);
    panel->setFixedHeight(26);
    auto* top = new QHBoxLayout(panel);
    top->setContentsMargins(4, 2, 4, 2);
    LabelKal = new QLabel(tr("Größe (Einheit): Umrechnungsformel [Intervall]"), panel);
    ButtonA = new QPushButton(tr("Signal A übernehmen"), panel);
    ButtonB = new QPushButton(tr("Signal B übernehmen"), panel);
    ButtonOK = new QPushButton(tr("OK"), panel);
    ButtonOK->setFixedWidth(33);
    top->addWidget(LabelKal);
    top->addStretch();
    top->addWidget(ButtonA);
    top->addWidget(ButtonB);
    top->addWidget(ButtonOK);
    layout->addWidget(panel);

    MemoSignaleFix = new QPlainTextEdit(this);
    MemoSignaleFix->setReadOnly(true);
    MemoSignaleFix->setFixedHeight(127);
    MemoSignaleFix->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoSignaleFix->setFrameShape(QFrame::NoFrame);
    QPalette grey = MemoSignaleFix->palette();
    grey.setColor(QPalette::Text, QColor(128, 128, 128));
    MemoSignaleFix->setPalette(grey);
    layout->addWidget(MemoSignaleFix);

    MemoSignale = new QPlainTextEdit(this);
    MemoSignale->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoSignale->setFrameShape(QFrame::NoFrame);
    MemoSignale->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoSignale->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(MemoSignale, 1);

    connect(ButtonA, &QPushButton::clicked, this, &TFormSignale::ButtonAClick);
    connect(ButtonB, &QPushButton::clicked, this, &TFormSignale::ButtonBClick);
    connect(ButtonOK, &QPushButton::clicked, this, &TFormSignale::ButtonOKClick);

    // One empty line until a file says otherwise; a missing file is not an error.
    QStringList lines{QString()};
    const kurvimat::session::FileRead read = kurvimat::session::readFileBounded(
        QFileInfo::exists(FFilePath) || startingList.isEmpty() ? FFilePath : startingList,
        kurvimat::session::MaxTextFileBytes);
    if (read.ok()) lines = readLines1252(read.bytes);
    SetLines(lines);
}

// Every line in the editor ends with a line break, so that an empty last line is kept apart
// from no line at all.
void TFormSignale::SetLines(const QStringList& lines) {
    QString text;
    for (const QString& line : lines)
        text += line + QLatin1Char('\n');
    MemoSignale->setPlainText(text);
}

QStringList TFormSignale::Lines() const {
    // A final line break starts no further line.
    return splitTextLines(MemoSignale->toPlainText());
}

void TFormSignale::ShowBuiltIn(const QStringList& lines) {
    MemoSignaleFix->setPlainText(lines.join(QLatin1Char('\n')));
}

void TFormSignale::TakeOver(char channel) {
    if (!TypedLine) return;
    if (const std::optional<QString> line = TypedLine(channel)) SetLines(Lines() << *line);
}

void TFormSignale::ButtonAClick() {
    TakeOver('A');
}
void TFormSignale::ButtonBClick() {
    TakeOver('B');
}
void TFormSignale::ButtonOKClick() {
    close();
}

bool TFormSignale::FormClose() {
    QDir().mkpath(QFileInfo(FFilePath).absolutePath());
    QSaveFile file(FFilePath);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
        const QByteArray bytes = writeLines1252(Lines());
        ok = file.write(bytes) == bytes.size() && file.commit();
    }
    if (!ok) {
        if (OnError)
            OnError(tr("Datei \"%1\" kann nicht erstellt werden. %2")
                        .arg(QDir::toNativeSeparators(QFileInfo(FFilePath).absoluteFilePath()),
                             file.errorString()));
        return false;
    }
    if (OnListsChanged) OnListsChanged();
    return true;
}

void TFormSignale::closeEvent(QCloseEvent* event) {
    if (FormClose() || FEnding)
        event->accept();
    else
        event->ignore();
}

void TFormSignale::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Centred on the main window.
    if (QWidget* main = QApplication::activeWindow(); main && main != this) {
        const QRect r = main->frameGeometry();
        move(r.center() - QPoint(width() / 2, height() / 2));
    }
}
