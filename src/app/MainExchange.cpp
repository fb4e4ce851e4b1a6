// Data exchange: the stored points and the snapshot as measurement text, through the hidden
// buffer MemoExchange, the clipboard and text files.
#include "Codec1252.h"
#include "Dialogs.h"
#include "MeasurementText.h"
#include "Numbers.h"
#include "RunPolicy.h"
#include "SignalDefinition.h"
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

using namespace kurvimat::acquisition;
using namespace kurvimat::display;
using namespace kurvimat::exchange;
using namespace kurvimat::signals;

namespace {

const char* const OpenFilter = QT_TRANSLATE_NOOP(
    "TFormMain", "Textdateien und CSV (*.txt *.csv);;Textdateien (*.txt);;CSV (*.csv);;"
                 "Alle Dateien (*.*)");
const char* const SaveFilter = QT_TRANSLATE_NOOP(
    "TFormMain", "Textdateien (*.txt);;CSV für Tabellenkalkulation (*.csv);;Alle Dateien (*.*)");

QString NativePath(const QString& fileName) {
    return QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath());
}

// Ranges are only widened to take in the loaded extremes, never narrowed.
void Widen(Tscale& scale, float min, float max) {
    if (scale.RangeStart > min) scale.RangeStart = min;
    if (scale.RangeEnd < max) scale.RangeEnd = max;
}

} // namespace

QString TFormMain::WriteText(bool snapshot, TableLayout layout) {
    const StoredPoints& p = snapshot ? Store.Snap : Store.Data;
    const int n = p.Count;
    const QString& defA = p.DefA;
    const QString& defB = p.DefB;
    MeasurementTextFormat format;
    format.asRead = p.Loaded;
    format.hasB = p.HasB;
    format.layout = layout;
    if (!format.asRead) {
        format.digitsA = ResolutionDigits(defA, SignalChannel::A, session_->calibration());
        format.digitsB = ResolutionDigits(defB, SignalChannel::B, session_->calibration());
    }
    const auto points = [n](const float* values) { return std::span<const float>(values, n); };
    // Loaded points go back with the digits they were read with.
    const QString text =
        p.Exact() ? formatMeasurementText(defA, defB, p.ExactT, p.ExactA, p.ExactB, format)
                  : formatMeasurementText(defA, defB, points(p.T), points(p.A), points(p.B),
                                          format);
    if (layout == TableLayout::Tab) {
        MemoExchange->setPlainText(text);
        MemoExchange->selectAll();
        ExchangeText = text;
    }
    return text;
}

bool TFormMain::MayReplace(const QString& fileName) {
    if (!QFileInfo::exists(fileName)) return true;
    return Dlg().AskYesNo(this, tr("Die Datei %1 ist schon vorhanden. "
                                               "Soll sie ersetzt werden?")
                                    .arg(NativePath(fileName)));
}

bool TFormMain::SaveOrCopy(bool toFile, const std::function<QString(TableLayout)>& write) {
    if (!toFile) {
        QGuiApplication::clipboard()->setText(write(TableLayout::Tab));
        return true;
    }
    const QString fileName = Dlg().SaveFileName(this, tr(SaveFilter), QStringLiteral("txt"));
    if (fileName.isEmpty() || !MayReplace(fileName)) return false;
    // The name says the layout: a spreadsheet opens ".csv" by its separator and decimal mark.
    const TableLayout layout = fileName.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)
                                   ? TableLayout::Csv
                                   : TableLayout::Tab;
    const QString text = write(layout);
    // Written atomically: a failed save leaves an existing file as it was.
    QSaveFile file(fileName);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
        // The TAB text is UTF-8 only where the code page loses; CSV always, behind a BOM.
        const QByteArray bytes = measurementFileBytes(text, layout);
        ok = file.write(bytes) == bytes.size() && file.commit();
    }
    if (!ok)
        Dlg().ShowError(this, tr("Datei \"%1\" kann nicht erstellt werden. %2")
                                  .arg(NativePath(fileName), file.errorString()));
    return ok;
}

void TFormMain::ButtonDatenKopierenClick(QObject* Sender) {
    if (SaveOrCopy(Sender == ButtonDatenSpeichern,
                   [this](TableLayout layout) { return WriteText(false, layout); }))
        NoteDataSaved();
}

void TFormMain::ButtonSSspeichernClick(QObject* Sender) {
    SaveOrCopy(Sender == ButtonSSspeichern,
               [this](TableLayout layout) { return WriteText(true, layout); });
}

// Fills the buffer from a file or the clipboard; false when nothing could be read, which has
// then been said.
bool TFormMain::ReadIntoBuffer(bool fromFile, const QString& path) {
    MemoExchange->clear();
    ExchangeText.clear();
    ExchangeSource = tr("Die Zwischenablage");
    ExchangeFrom = fromFile ? kurvimat::session::LoadSource::File
                            : kurvimat::session::LoadSource::Clipboard;
    if (!fromFile) {
        ExchangeText = recodeMisreadUtf8(QGuiApplication::clipboard()->text());
        if (ExchangeText.isEmpty()) {
            Dlg().ShowError(this, tr("Die Zwischenablage enthält keinen Text. "
                                                 "Daten und Definitionen bleiben unverändert."));
            return false;
        }
    } else {
        const QString fileName = path.isEmpty() ? Dlg().OpenFileName(this, tr(OpenFilter)) : path;
        if (fileName.isEmpty()) return false;
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly)) {
            Dlg().ShowError(this, tr("Datei %1 kann nicht geöffnet werden. %2")
                                      .arg(NativePath(fileName), file.errorString()));
            return false;
        }
        // 10000 points of three columns are well under a megabyte; a file named on the command
        // line or dropped on the window may be anything.
        constexpr qint64 maxTextBytes = 16 * 1024 * 1024;
        if (file.size() > maxTextBytes) {
            Dlg().ShowError(this, tr("Die Datei %1 ist mit %2 MB zu groß für einen Messwerttext "
                                     "(höchstens %3 MB). Daten und Definitionen bleiben "
                                     "unverändert.")
                                      .arg(NativePath(fileName))
                                      .arg((file.size() + 1024 * 1024 - 1) / (1024 * 1024))
                                      .arg(maxTextBytes / (1024 * 1024)));
            return false;
        }
        const QByteArray bytes = file.read(maxTextBytes);
        ExchangeSource = tr("Die Datei ") + NativePath(fileName);
        if (bytes.isEmpty()) {
            Dlg().ShowError(this, ExchangeSource + tr(" ist leer. Daten und "
                                                                  "Definitionen bleiben "
                                                                  "unverändert."));
            return false;
        }
        ExchangeText = decodeText(bytes);
    }
    MemoExchange->setPlainText(ExchangeText);
    return true;
}

void TFormMain::ButtonDatenLadenClick(QObject* Sender) {
    if (ReadIntoBuffer(Sender == ButtonDatenLaden)) ReadBuffer(false);
}

void TFormMain::ButtonSSladenClick(QObject* Sender) {
    if (ReadIntoBuffer(Sender == ButtonSSladen)) ReadBuffer(true);
}

void TFormMain::ReadBuffer(bool snapshot) {
    Handle([&] { ReadBufferSteps(snapshot); });
}

namespace {

QString SeparatorName(QChar separator) {
    return separator == u';' ? TFormMain::tr("Semikolon")
           : separator == u',' ? TFormMain::tr("Komma")
                               : TFormMain::tr("Tabulator");
}

// What a load left out or decided, in one message; empty when it read a TAB text plainly.
QString ReadReport(const MeasurementText& m, double timeBase = 0) {
    QStringList lines;
    if (m.separator != u'\t')
        lines << TFormMain::tr("Trennzeichen: %1.").arg(SeparatorName(m.separator));
    if (!m.ambiguousField.isEmpty()) {
        const QString read = TFormMain::tr("„%1“ wurde als %2 gelesen")
                                 .arg(m.ambiguousField, FormatValue(m.ambiguousValue, 9));
        lines << (m.decidingField.isEmpty()
                      ? read + TFormMain::tr(": keine andere Zahl zeigt das Dezimaltrennzeichen, "
                                             "es gilt das der Sprache des Fensters oder des "
                                             "Trennzeichens.")
                      : read + TFormMain::tr(", wie „%1“ das Dezimaltrennzeichen zeigt.")
                                   .arg(m.decidingField));
    }
    if (m.skippedLines > 0) {
        QString first = m.firstSkipped;
        first.replace(u'\t', u' ');
        if (first.size() > 60) first = first.first(60) + QStringLiteral(" …");
        lines << (m.skippedLines == 1
                      ? TFormMain::tr("1 Zeile enthält keine lesbaren Messwerte und wurde "
                                       "übersprungen")
                      : TFormMain::tr("%1 Zeilen enthalten keine lesbaren Messwerte und "
                                       "wurden übersprungen")
                            .arg(m.skippedLines)) +
                     TFormMain::tr(", als erste Zeile %1: „%2“.")
                         .arg(m.firstSkippedLine)
                         .arg(first.trimmed());
    }
    if (m.columns == 4)
        lines << TFormMain::tr("Die Spalte 4 wurde nicht geladen: geladen werden Zeit, A und B.");
    else if (m.columns > 4)
        lines << TFormMain::tr("Die Spalten 4 bis %1 wurden nicht geladen: geladen werden "
                                "Zeit, A und B.")
                     .arg(m.columns);
    if (m.clockTimes)
        lines << TFormMain::tr("Die Zeiten sind Uhrzeiten; geladen wurden die Sekunden seit "
                                "dem ersten Messpunkt.");
    if (timeBase != 0)
        lines << TFormMain::tr("Die Zeiten beginnen bei %1 s; gezeigt werden die Sekunden seit "
                                "dem ersten Messpunkt, kopiert und gespeichert die gelesenen.")
                     .arg(FormatAsRead(timeBase));
    if (m.droppedLines > 0)
        lines << TFormMain::tr("Es wurden nur die ersten %1 Datenpunkte geladen; %2 weitere "
                                "Zeilen wurden nicht geladen.")
                     .arg(PointCapacity)
                     .arg(m.droppedLines);
    return lines.join(u'\n');
}

} // namespace

void TFormMain::ReadBufferSteps(bool snapshot) {
    const std::optional<MeasurementText> read = readMeasurementText(ExchangeText);
    const QString unchanged = tr(" Daten und Definitionen bleiben unverändert.");
    if (read && read->notText) {
        Dlg().ShowError(this, ExchangeSource + tr(" enthält keine Messwerttabelle."));
        return;
    }
    if (!read || read->count == 0) {
        QString text = ExchangeSource + tr(" enthält keine Messwerte.");
        if (read && (read->skippedLines > 0 || read->separator != u'\t'))
            text += u'\n' + ReadReport(*read);
        Dlg().ShowError(this, text + unchanged);
        return;
    }
    const MeasurementText& m = *read;
    if (!snapshot) KeepBeforeReplacing(kurvimat::session::Replacement::Load);
    const kurvimat::session::LoadedNames names = session_->takeLoaded(
        ExchangeFrom, snapshot, m.header, {m.t, m.a, m.b, m.hasB, m.defA, m.defB});
    if (!snapshot) {
        if (names.applyA) {
            ComboBoxA->SetText(names.definitionA);
            ApplySignalA(false);
        }
        if (names.applyB) {
            ComboBoxB->SetText(names.definitionB);
            ApplySignalB(false);
        }
        TitleLoadedAxes();
    }
    // The extremes as stored: times far from 0 count from the first point there.
    const StoredPoints& stored = snapshot ? Store.Snap : Store.Data;
    Widen(ScaleA, stored.MinA, stored.MaxA);
    if (m.hasB) Widen(ScaleB, stored.MinB, stored.MaxB);
    Widen(ScaleT, stored.MinT, stored.MaxT);

    const QString report = ReadReport(m, stored.TimeBase);
    if (!report.isEmpty()) Dlg().ShowInfo(this, report);
}

// Loaded points keep what they are: their axes name the definition or label they came with,
// and take in their extremes, whatever definition is applied over them.
void TFormMain::TitleLoadedAxes() {
    if (!Store.Data.Loaded || Store.Data.Count <= 0) return;
    const DefinitionParts a = PointSetParts(Store.Data.DefA);
    ScaleA.Title = SignalTitle(a.name, a.unit);
    Widen(ScaleA, Store.Data.MinA, Store.Data.MaxA);
    if (Store.Data.HasB) {
        const DefinitionParts b = PointSetParts(Store.Data.DefB);
        ScaleB.Title = SignalTitle(b.name, b.unit);
        Widen(ScaleB, Store.Data.MinB, Store.Data.MaxB);
    }
    AxesNameLoadedPoints = true;
    Display.Changes.AxesChanged = true;
}

void TFormMain::ButtonDatenLoeschenClick() {
    KeepBeforeReplacing(kurvimat::session::Replacement::DeleteData);
    session_->deleteData();
}
