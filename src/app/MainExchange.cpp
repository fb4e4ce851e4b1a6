// Data exchange: the stored points and the snapshot as measurement text, through the hidden
// buffer MemoDaten, the clipboard and text files.
#include "Codec1252.h"
#include "Dialogs.h"
#include "MeasurementText.h"
#include "TComboBox.h"
#include "TFormMain.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>

#include <algorithm>
#include <span>

namespace {

const QString FileFilter = QStringLiteral("Textdateien (*.txt);;Alle Dateien (*.*)");

QString NativePath(const QString& fileName) {
    return QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath());
}

// Ranges are only widened to take in the loaded extremes, never narrowed.
void Widen(Tscale& scale, float min, float max) {
    if (scale.RangeStart > min) scale.RangeStart = min;
    if (scale.RangeEnd < max) scale.RangeEnd = max;
}

} // namespace

QString TFormMain::WriteText(bool snapshot) {
    const int n = snapshot ? Store.SnapCount : Store.DataCount;
    const QString text = snapshot ? formatMeasurementText(Store.SnapDefA, Store.SnapDefB,
                                                          std::span<const float>(Store.SnapT, n),
                                                          std::span<const float>(Store.SnapA, n),
                                                          std::span<const float>(Store.SnapB, n))
                                  : formatMeasurementText(Store.DataDefA, Store.DataDefB,
                                                          std::span<const float>(Store.DataT, n),
                                                          std::span<const float>(Store.DataA, n),
                                                          std::span<const float>(Store.DataB, n));
    MemoDaten->setPlainText(text);
    MemoDaten->selectAll();
    ExchangeText = text;
    return text;
}

void TFormMain::SaveOrCopy(bool toFile, const QString& text) {
    if (!toFile) {
        QGuiApplication::clipboard()->setText(text);
        return;
    }
    const QString fileName = Dlg().SaveFileName(this, FileFilter, QStringLiteral("txt"));
    if (fileName.isEmpty()) return;
    // Written atomically: a failed save leaves an existing file as it was.
    QSaveFile file(fileName);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
        const QByteArray bytes = encodeText(text); // UTF-8 only where the code page loses
        ok = file.write(bytes) == bytes.size() && file.commit();
    }
    if (!ok)
        Dlg().ShowError(this, QStringLiteral("Datei \"%1\" kann nicht erstellt werden. %2")
                                  .arg(NativePath(fileName), file.errorString()));
}

void TFormMain::ButtonDatenKopierenClick(QObject* Sender) {
    SaveOrCopy(Sender == ButtonDatenSpeichern, WriteText(false));
}

void TFormMain::ButtonSSspeichernClick(QObject* Sender) {
    SaveOrCopy(Sender == ButtonSSspeichern, WriteText(true));
}

// Fills the buffer from a file or the clipboard; false when nothing could be read.
bool TFormMain::ReadIntoBuffer(bool fromFile) {
    MemoDaten->clear();
    ExchangeText.clear();
    if (!fromFile) {
        ExchangeText = recodeMisreadUtf8(QGuiApplication::clipboard()->text());
    } else {
        const QString fileName = Dlg().OpenFileName(this, FileFilter);
        if (fileName.isEmpty()) return false;
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly)) {
            Dlg().ShowError(this, QStringLiteral("Datei %1 kann nicht geöffnet werden. %2")
                                      .arg(NativePath(fileName), file.errorString()));
            return false;
        }
        ExchangeText = decodeText(file.readAll());
    }
    MemoDaten->setPlainText(ExchangeText);
    return true;
}

void TFormMain::ButtonDataenLadenClick(QObject* Sender) {
    if (ReadIntoBuffer(Sender == ButtonDataenLaden)) ReadBuffer(false);
}

void TFormMain::ButtonSSladenClick(QObject* Sender) {
    if (ReadIntoBuffer(Sender == ButtonSSladen)) ReadBuffer(true);
}

void TFormMain::ReadBuffer(bool snapshot) {
    Handle([&] { ReadBufferSteps(snapshot); });
}

void TFormMain::ReadBufferSteps(bool snapshot) {
    const std::optional<MeasurementText> read = readMeasurementText(ExchangeText);
    if (!read) return; // fewer than two lines: nothing changes
    if (read->withoutNumbers) {
        Dlg().ShowError(this, QStringLiteral("Der Text enthält keine Messwerte: keine Zeile nach "
                                             "der Kopfzeile beginnt mit einer Zahl. Daten und "
                                             "Definitionen bleiben unverändert."));
        return;
    }
    const MeasurementText& m = *read;
    if (snapshot) {
        Store.SnapDefA = m.defA;
        Store.SnapDefB = m.defB;
    } else {
        Store.DataDefA = m.defA;
        ComboBoxA->SetText(Store.DataDefA);
        Store.DataDefB = m.defB;
        ComboBoxB->SetText(Store.DataDefB);
        // A definition that does not compile must not cost the points: they are stored all
        // the same and the error is shown afterwards.
        ApplySignal('A', false);
        ApplySignal('B', false);
    }

    const int n = std::min(m.count, PointCapacity);
    float* t = snapshot ? Store.SnapT : Store.DataT;
    float* a = snapshot ? Store.SnapA : Store.DataA;
    float* b = snapshot ? Store.SnapB : Store.DataB;
    std::copy_n(m.t.begin(), n, t);
    std::copy_n(m.a.begin(), n, a);
    std::copy_n(m.b.begin(), n, b);
    if (snapshot) {
        Store.SnapCount = n;
        Store.SnapMinA = m.minA, Store.SnapMaxA = m.maxA, Store.SnapMinB = m.minB,
        Store.SnapMaxB = m.maxB;
        Store.SnapMinT = m.minT, Store.SnapMaxT = m.maxT;
    } else {
        Store.DataCount = n;
        Store.DataLoaded = true;
        Store.SweepFirst = 0;
        Store.DataMinA = m.minA, Store.DataMaxA = m.maxA, Store.DataMinB = m.minB, Store.DataMaxB = m.maxB;
        Store.DataMinT = m.minT, Store.DataMaxT = m.maxT;
    }
    Store.TriggerPos = -1;
    Store.SinceArmed = 0;
    // Without a point the extremes mean nothing and must not move the axes.
    if (n > 0) {
        Widen(ScaleA, m.minA, m.maxA);
        Widen(ScaleB, m.minB, m.maxB);
        Widen(ScaleT, m.minT, m.maxT);
    }
    Store.PlotDirty = true;
    if (!snapshot) Store.AxesChanged = true;

    if (m.droppedLines > 0)
        Dlg().ShowInfo(this, QStringLiteral("Es wurden nur die ersten %1 Datenpunkte geladen; "
                                            "%2 weitere Zeilen wurden nicht geladen.")
                                 .arg(PointCapacity)
                                 .arg(m.droppedLines));
}

void TFormMain::ButtonDatenLoeschenClick() {
    Store.DataCount = 0;
    Store.TriggerPos = -1;
    Store.PlotDirty = true;
}
