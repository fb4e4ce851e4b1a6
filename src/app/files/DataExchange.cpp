#include "files/DataExchange.h"

#include "Codec1252.h"
#include "FilePlatform.h"
#include "Numbers.h"
#include "Plot.h"
#include "PlotInteraction.h"
#include "PlotZoom.h"
#include "SignalDefinition.h"
#include "StorePoints.h"
#include "dialogs/Dialogs.h"
#include "plot/PlotView.h"
#include "widgets/MainControls.h"
#include "widgets/TComboBox.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <span>

using namespace kurvimat::acquisition;
using kurvimat::analysis::PlotMode;
using namespace kurvimat::display;
using namespace kurvimat::exchange;
using namespace kurvimat::signals;
using kurvimat::session::FileRead;
using kurvimat::session::fileReadReason;
using kurvimat::session::FileReadStatus;
using kurvimat::session::LoadOutcome;
using kurvimat::session::LoadRefusal;
using kurvimat::session::LoadSource;
using kurvimat::session::MaxTextFileBytes;
using kurvimat::session::readFileBounded;
using kurvimat::session::ReadPoints;
using kurvimat::session::Replacement;

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

// A typed table is looked at whole: its axes fit its values, a twentieth to spare on each side
// (undo brings back the ones shown before).
void FitTo(Tscale& scale, float min, float max) {
    const float spare = max > min ? (max - min) / 20 : std::max(std::fabs(max) / 10, 1.0f);
    scale.RangeStart = min - spare;
    scale.RangeEnd = max + spare;
}

QString SeparatorName(QChar separator) {
    return separator == u';'   ? DataExchange::tr("Semikolon")
           : separator == u',' ? DataExchange::tr("Komma")
                               : DataExchange::tr("Tabulator");
}

// What a load left out or decided, in one message; empty when it read a TAB text plainly.
QString ReadReport(const MeasurementText& m, double timeBase = 0) {
    QStringList lines;
    if (m.separator != u'\t')
        lines << DataExchange::tr("Trennzeichen: %1.").arg(SeparatorName(m.separator));
    if (!m.ambiguousField.isEmpty()) {
        const QString read = DataExchange::tr("„%1“ wurde als %2 gelesen")
                                 .arg(m.ambiguousField, FormatValue(m.ambiguousValue, 9));
        lines << (m.decidingField.isEmpty()
                      ? read +
                            DataExchange::tr(": keine andere Zahl zeigt das Dezimaltrennzeichen, "
                                             "es gilt das der Sprache des Fensters oder des "
                                             "Trennzeichens.")
                      : read + DataExchange::tr(", wie „%1“ das Dezimaltrennzeichen zeigt.")
                                   .arg(m.decidingField));
    }
    if (m.skippedLines > 0) {
        QString first = m.firstSkipped;
        first.replace(u'\t', u' ');
        if (first.size() > 60) first = first.first(60) + QStringLiteral(" …");
        lines << (m.skippedLines == 1
                      ? DataExchange::tr("1 Zeile enthält keine lesbaren Messwerte und wurde "
                                         "übersprungen")
                      : DataExchange::tr("%1 Zeilen enthalten keine lesbaren Messwerte und "
                                         "wurden übersprungen")
                            .arg(m.skippedLines)) +
                     DataExchange::tr(", als erste Zeile %1: „%2“.")
                         .arg(m.firstSkippedLine)
                         .arg(first.trimmed());
    }
    if (m.unreadColumns > 0)
        lines << DataExchange::tr("Geladen werden höchstens %1 Spalten (Zeit, A, B und %2 "
                                  "weitere); die Spalten %3 bis %4 wurden nicht geladen.")
                     .arg(3 + MaxQuantityColumns)
                     .arg(MaxQuantityColumns)
                     .arg(4 + MaxQuantityColumns)
                     .arg(m.columns);
    if (m.leftColumns == 1)
        lines << DataExchange::tr("1 Spalte ohne Zahlen wurde nicht geladen.");
    else if (m.leftColumns > 1)
        lines
            << DataExchange::tr("%1 Spalten ohne Zahlen wurden nicht geladen.").arg(m.leftColumns);
    if (m.clockTimes)
        lines << DataExchange::tr("Die Zeiten sind Uhrzeiten; geladen wurden die Sekunden seit "
                                  "dem ersten Messpunkt.");
    if (timeBase != 0)
        lines << DataExchange::tr("Die Zeiten beginnen bei %1 s; gezeigt werden die Sekunden seit "
                                  "dem ersten Messpunkt, kopiert und gespeichert die gelesenen.")
                     .arg(FormatAsRead(timeBase));
    if (m.droppedLines > 0)
        lines << DataExchange::tr("Es wurden nur die ersten %1 Datenpunkte geladen; %2 weitere "
                                  "Zeilen wurden nicht geladen.")
                     .arg(PointCapacity)
                     .arg(m.droppedLines);
    return lines.join(u'\n');
}

} // namespace

void TitleLoadedAxes(const MeasurementStore& store, PlotViewData& view) {
    if (!store.Data.Loaded || store.Data.Count <= 0) return;
    const DefinitionParts a = PointSetParts(store.Data.DefA);
    view.ScaleA.Title = SignalTitle(a.name, a.unit);
    Widen(view.ScaleA, store.Data.MinA, store.Data.MaxA);
    if (store.Data.HasB) {
        const DefinitionParts b = PointSetParts(store.Data.DefB);
        view.ScaleB.Title = SignalTitle(b.name, b.unit);
        view.ScaleB.TitleColor = ScaleTitleRed;
        Widen(view.ScaleB, store.Data.MinB, store.Data.MaxB);
    }
    view.AxesNameLoadedPoints = true;
    view.Display.Changes.AxesChanged = true;
}

bool TitleRightAxis(const MeasurementStore& store, PlotViewData& view, const DisplayControls& controls) {
    const std::optional<std::size_t> right =
        controls.Mode == PlotMode::Normal ? RightAxisColumn(store, controls.KanalB) : std::nullopt;
    if (right) {
        // No B shown: the right axis shows a further column, named in its colour.
        const QuantityColumn& c = store.Data.Columns[*right];
        const QString title = SignalTitle(c.name, c.unit);
        const std::uint8_t core = PaletteMask::FurtherColumn(*right).Core;
        const QColor colour(view.Palette.rgb(core));
        if (view.ScaleB.Title == title && view.ScaleB.TitleColor == colour) return false;
        view.ScaleB.Title = title;
        view.ScaleB.TitleColor = colour;
        // Another quantity's range means nothing in this one's unit: an automatic axis starts
        // over from the values drawn against it.
        if (view.Display.Changes.AutoRight) {
            FitRight(store, view.Scales(), PlotMode::Normal, controls.KanalB);
            return true;
        }
        double low = INFINITY, high = -INFINITY;
        for (const double v : c.values)
            if (std::isfinite(v)) low = std::min(low, v), high = std::max(high, v);
        if (low <= high) Widen(view.ScaleB, float(low), float(high));
        return true;
    }
    if (view.ScaleB.TitleColor == ScaleTitleRed) return false;
    // A column named it: B's title again, of the loaded points or of the definition in force.
    const DefinitionParts b = PointSetParts(store.Data.DefB);
    view.ScaleB.Title = store.Data.Loaded && store.Data.HasB ? SignalTitle(b.name, b.unit)
                                                              : SignalTitle(store.NameB, store.UnitB);
    view.ScaleB.TitleColor = ScaleTitleRed;
    return true;
}

DataExchange::DataExchange(QWidget& window, kurvimat::session::Session& session, PlotViewData& view,
                           const MainControls& controls, ExchangeHost& host)
    : window_(window), session_(session), view_(view), controls_(controls), host_(host) {}

QString DataExchange::WriteText(bool snapshot, TableLayout layout) {
    const StoredPoints& p = snapshot ? session_.store().Snap : session_.store().Data;
    const QString text =
        formatPoints(kurvimat::session::pointColumns(p), session_.calibration(), layout);
    if (layout == TableLayout::Tab) {
        controls_.MemoExchange->setPlainText(text);
        controls_.MemoExchange->selectAll();
        text_ = text;
    }
    return text;
}

bool DataExchange::SaveOrCopy(bool toFile, const std::function<QString(TableLayout)>& write) {
    if (!toFile) {
        QGuiApplication::clipboard()->setText(write(TableLayout::Tab));
        return true;
    }
    Dialogs& dialogs = AppDialogs();
    const QString fileName = dialogs.SaveFileName(&window_, tr(SaveFilter), QStringLiteral("txt"));
    if (fileName.isEmpty() || !MayReplace(window_, fileName)) return false;
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
        dialogs.ShowError(&window_, tr("Datei \"%1\" kann nicht erstellt werden. %2")
                                        .arg(NativePath(fileName), file.errorString()));
    return ok;
}

QString DataExchange::SourceName() const {
    return from_ == LoadSource::Clipboard ? tr("Die Zwischenablage")
                                          : tr("Die Datei ") + NativePath(fileName_);
}

bool DataExchange::ReadIntoBuffer(bool fromFile, const QString& path) {
    Dialogs& dialogs = AppDialogs();
    controls_.MemoExchange->clear();
    text_.clear();
    from_ = fromFile ? LoadSource::File : LoadSource::Clipboard;
    fileName_.clear();
    if (!fromFile) {
        text_ = recodeMisreadUtf8(QGuiApplication::clipboard()->text());
        if (text_.isEmpty()) {
            dialogs.ShowError(&window_, tr("Die Zwischenablage enthält keinen Text. "
                                           "Daten und Definitionen bleiben unverändert."));
            return false;
        }
    } else {
        const QString fileName =
            path.isEmpty() ? dialogs.OpenFileName(&window_, tr(OpenFilter)) : path;
        if (fileName.isEmpty()) return false;
        // A file named on the command line or dropped on the window may be anything.
        const FileRead read = readFileBounded(fileName, MaxTextFileBytes);
        if (read.status == FileReadStatus::TooLarge) {
            dialogs.ShowError(&window_, tr("Die Datei %1 ist zu groß für einen Messwerttext "
                                           "(höchstens %2 MB). Daten und Definitionen bleiben "
                                           "unverändert.")
                                            .arg(NativePath(fileName))
                                            .arg(MaxTextFileBytes / (1024 * 1024)));
            return false;
        }
        if (!read.ok()) {
            dialogs.ShowError(&window_,
                              tr("Datei %1 kann nicht geöffnet werden. %2")
                                  .arg(NativePath(fileName), fileReadReason(read.status)));
            return false;
        }
        const QByteArray& bytes = read.bytes;
        fileName_ = fileName;
        if (bytes.isEmpty()) {
            dialogs.ShowError(&window_, SourceName() + tr(" ist leer. Daten und "
                                                          "Definitionen bleiben "
                                                          "unverändert."));
            return false;
        }
        text_ = decodeText(bytes);
    }
    controls_.MemoExchange->setPlainText(text_);
    return true;
}

bool DataExchange::TakeEntered(const std::vector<kurvimat::signals::QuantityColumn>& columns,
                               bool edit) {
    const LoadOutcome taken = session_.takeEntered(
        columns, edit,
        kurvimat::session::ShownRanges{kurvimat::display::CaptureRanges(view_.Scales()).R});
    if (taken.refused) {
        AppDialogs().ShowError(&window_, tr("Die Tabelle enthält keine vollständige Zeile. "
                                            "Daten und Definitionen bleiben unverändert."));
        return false;
    }
    TitleLoadedAxes(session_.store(), view_);
    const StoredPoints& stored = session_.store().Data;
    FitTo(view_.ScaleA, stored.MinA, stored.MaxA);
    if (stored.HasB) FitTo(view_.ScaleB, stored.MinB, stored.MaxB);
    FitTo(view_.ScaleT, stored.MinT, stored.MaxT);
    return true;
}

void DataExchange::ShowReport() {
    if (!report_.isEmpty()) AppDialogs().ShowInfo(&window_, std::exchange(report_, QString()));
}

bool DataExchange::TakeBuffer(bool snapshot) {
    const std::optional<MeasurementText> read = readMeasurementText(text_);
    ReadPoints points; // nothing read: no points
    if (read)
        points = {!read->notText,
                  read->header,
                  {read->t, read->a, read->b, read->hasB, read->defA, read->defB, read->further}};
    const LoadOutcome taken = session_.takeLoaded(
        from_, snapshot, points,
        kurvimat::session::ShownRanges{kurvimat::display::CaptureRanges(view_.Scales()).R});
    Dialogs& dialogs = AppDialogs();
    if (taken.refused == LoadRefusal::NoTable) {
        dialogs.ShowError(&window_, SourceName() + tr(" enthält keine Messwerttabelle."));
        return false;
    }
    if (taken.refused == LoadRefusal::NoPoints) {
        QString text = SourceName() + tr(" enthält keine Messwerte.");
        if (read && (read->skippedLines > 0 || read->separator != u'\t'))
            text += u'\n' + ReadReport(*read);
        dialogs.ShowError(&window_, text + tr(" Daten und Definitionen bleiben unverändert."));
        return false;
    }
    const MeasurementText& m = *read;
    if (!snapshot) {
        const kurvimat::session::LoadedNames& names = taken.names;
        if (names.applyA) {
            controls_.ComboBoxA->SetText(names.definitionA);
            host_.ApplySignalA(false);
        }
        if (names.applyB) {
            controls_.ComboBoxB->SetText(names.definitionB);
            host_.ApplySignalB(false);
        }
        TitleLoadedAxes(session_.store(), view_);
    }
    // The extremes as stored: times far from 0 count from the first point there.
    const StoredPoints& stored = snapshot ? session_.store().Snap : session_.store().Data;
    Widen(view_.ScaleA, stored.MinA, stored.MaxA);
    if (m.hasB) Widen(view_.ScaleB, stored.MinB, stored.MaxB);
    Widen(view_.ScaleT, stored.MinT, stored.MaxT);

    report_ = ReadReport(m, stored.TimeBase);
    return true;
}
