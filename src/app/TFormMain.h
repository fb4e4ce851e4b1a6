// The main window: owns the measurement store, the parsers, the scales and every control,
// and forwards its events to the acquisition, signal and exchange code.
#pragma once

#include "Analysis.h"
#include "AxisPictures.h"
#include "CursorState.h"
#include "DisplayRefresh.h"
#include "FormulaParser.h"
#include "IndexedImage.h"
#include "MeasurementStore.h"
#include "Palette.h"
#include "Plot.h"
#include "PlotFit.h"
#include "PlotInteraction.h"
#include "PlotPicture.h"
#include "PlotZoom.h"
#include "RawStrips.h"
#include "SamplePipeline.h"
#include "StoredData.h"
#include "skala.h"

#include <QMainWindow>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kurvimat::hid {
class THidDevice;
}
namespace kurvimat::signals {
struct Calibration;
}
using kurvimat::acquisition::MeasurementStore;
using kurvimat::acquisition::PipelineEvents;
using kurvimat::acquisition::Readouts;
using kurvimat::acquisition::SamplePipeline;
using kurvimat::acquisition::StoredData;
using kurvimat::acquisition::TriggerSettings;
using kurvimat::analysis::CursorState;
using kurvimat::analysis::FitModel;
using kurvimat::analysis::PlotFit;
using kurvimat::analysis::ZoomHistory;
using kurvimat::display::AnalysisReadout;
using kurvimat::display::DisplayContext;
using kurvimat::display::DisplayControls;
using kurvimat::display::DisplayState;
using kurvimat::display::FitDrawing;
using kurvimat::display::IndexedImage;
using kurvimat::display::Palette;
using kurvimat::display::PictureSource;
using kurvimat::display::PlotOverlay;
using kurvimat::display::ScaleSet;
using kurvimat::display::Tscale;
using kurvimat::hid::THidDevice;
using kurvimat::signals::Calibration;
using kurvimat::signals::TParser;

class BigDisplay;
class Dialogs;
namespace kurvimat::session {
class Journal;
struct Experiment;
} // namespace kurvimat::session
class HelpWindow;
class QAction;
class TableWindow;
class MainCursors;
class MainSpectrum;
class MainRuns;
namespace kurvimat::session {
class Journal;
enum class Replacement;
} // namespace kurvimat::session
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPrinter;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class TComboBox;
class TFormHardware;
class TFormSignale;
class TImage;
class TPaintBox;
class TShape;

class TFormMain : public QMainWindow {
    Q_OBJECT
    // The store is large (the raw rings alone are over a megabyte): it lives on the heap.
    // Declared first, so that every member initialised after it may use it.
    std::unique_ptr<MeasurementStore> storeOwner_ = std::make_unique<MeasurementStore>();

public:
    MeasurementStore& Store = *storeOwner_;

    // Runs the start-up sequence. Dialogs default to the application's.
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    void SetFormSignale(TFormSignale* form) { FormSignale = form; }
    Dialogs& Dlg() const;

    // --- start-up, show, close, timer ---
    void FormShow();
    bool FormCloseQuery();
    void Timer1Timer();

    // --- display entry points, filled by the display code ---
    void FormResize();
    void RefreshDisplay();
    void DrawRawStrip();
    void DrawMeanStrip();
    void DrawPlot();
    ScaleSet Scales() {
        return {ScaleA, ScaleB, ScaleT, ScaleX, ScaleLeft, ScaleRight, ScaleBottom};
    }
    // What the plot shows: the stored points on the scales above, or in the spectrum mode the
    // spectrum's point set on its own scales.
    MeasurementStore& PlotStore();
    ScaleSet PlotScales();
    DisplayControls ReadDisplayControls() const;
    DisplayContext Context();
    // Shows of each axis button pair the one the display state names.
    void ApplyAxisImages();
    // The plot image's size in logical pixels, as mouse positions are given.
    QSize PlotSize() const { return Display.Geometry.logical(PlotBitmap.size()); }
    // The smallest window in which every control is whole (at least 770 x 570).
    QSize MinimumClientSize() const;

    // --- pictures, printing and curve fits (MainReport.cpp) ---
    // Adds the plot's report actions to a menu (the plot's context menu, after the cursors').
    void AddReportActions(QMenu& menu);
    // The picture with the fit and, when shown, the cursors and their readout.
    QImage PlotPictureImage(int scale);
    void ButtonBildKopierenClick();
    // Asks for a file name and writes the picture at the given scale as PNG.
    void ButtonBildSpeichernClick(int scale);
    void ButtonDruckenClick();
    // One landscape page: the picture as large as it fits, a footer with both definitions and
    // the date and time.
    bool PrintPlot(QPrinter& printer);
    // Fits a channel over [from, to] (of time: between the time cursors when they are shown,
    // else the visible span; of the bottom channel in an XY mode) and
    // shows the curve with its readout on the plot; a fit that cannot be made is reported.
    void FitOnPlot(bool channelB, FitModel model, double from, double to);
    // The same of a shown run's channel, in the normal mode; it goes when the run is hidden.
    void FitRunOnPlot(qint64 run, bool channelB, FitModel model, double from, double to);
    void RemoveFit();
    // Draws the shown fit into the plot image; nothing once the data it was made of changed.
    PlotOverlay ReportOverlay();
    // What the plot draws for the shown fit, its box clear of the shown runs' names.
    FitDrawing ShownFitDrawing();
    std::optional<PlotFit> ShownFit;

    // --- instrument data ---
    // The data handler installed on Device: decodes reports of the held instrument only.
    void HidDeviceData(THidDevice* HidDev, std::uint8_t ReportID, const std::uint8_t* Data,
                       std::uint16_t Size);

    // --- signal groups ---
    void ComboBoxAChange();
    void ComboBoxBChange();
    void ComboBoxAKeyPress(QObject* Sender);
    void ComboBoxBKeyPress(QObject* Sender);
    void EditSignalAKeyPress(QObject* Sender);
    void EditSignalBKeyPress(QObject* Sender);
    void CheckBoxSkalaAautoClick();
    void CheckBoxSkalaBautoClick();
    void ApplySignalA(bool reevaluate);
    void ApplySignalB(bool reevaluate);
    void ButtonBearbeitenClick();
    // Rebuilds both definition lists: built-in lines, then the user's lines.
    void FillSignalLists();

    // --- trigger and timing ---
    void ButtonTriggerClick();
    void ButtonResetClick();
    void ButtonTriggerChannelClick();
    void ButtonTriggerRichtungClick();
    void RadioButtonDauerClick();
    void ButtonSchnappschussClick();
    void ButtonSSLoeschenClick();
    void ComboBoxSamplingRateChange();
    void ComboBoxSamplesChange();
    // Re-applies both signals under the calibration and updates the range labels; with a held
    // instrument ConfigureDevice first builds and sends its configuration report.
    void SendConfiguration();
    std::function<void()> ConfigureDevice;

    // --- data exchange ---
    void ButtonDatenKopierenClick(QObject* Sender);
    void ButtonSSspeichernClick(QObject* Sender);
    void ButtonDataenLadenClick(QObject* Sender);
    void ButtonSSladenClick(QObject* Sender);
    void ButtonDatenLoeschenClick();

    // Window position that centres a window of size w on a screen of size s (never negative).
    static QPoint CentredPosition(QSize screen, QSize window);

    // --- journal and experiment file (MainJournal.cpp; the journal itself: SessionJournal) ---
    // "Versuch speichern …" / "Versuch öffnen …": a file dialog, then the two below.
    void SaveExperimentAsk();
    void OpenExperimentAsk();
    // Runs, data, snapshot, definitions and settings into a .kurvimat file; false (said) when
    // it could not be written.
    bool SaveExperiment(const QString& path);
    // Takes a .kurvimat file over; a refused file is said and changes nothing.
    bool OpenExperiment(const QString& path);
    // True while what the journal holds has been saved in an experiment file since it changed.
    bool ExperimentSaved() const;
    // At start, once the window is shown: offers what an earlier program left unsaved.
    void OfferRecovery();
    // The program's start after the window is shown: the recovery question, then the
    // experiment file named first on the command line (arguments as QCoreApplication's).
    void StartSession(const QStringList& arguments);
    // Hooks: what each pipeline call did (noted only: a report allocates nothing), the timer
    // tick (the new stored points handed to the journal), the window closed.
    void JournalAfterPipeline(const PipelineEvents& events);
    void JournalTick();
    void JournalClosed();
    void JournalHandOver();
    kurvimat::session::Experiment CurrentExperiment();
    void ApplyExperiment(const kurvimat::session::Experiment& experiment);
    int JournalSeen = -1;         // stored points handed to the journal; -1: none recorded
    bool JournalTriggered = false;  // a sweep began since the last hand-off
    bool JournalSweepEnded = false; // a sweep ended since the last hand-off
    qint64 JournalChanges = 0;    // counts what reached the journal
    qint64 JournalSavedAt = -1;   // JournalChanges when the experiment was last saved
    bool JournalProgress = false; // KURVIMAT_JOURNAL_PROGRESS: the points fed on stdout
    int JournalProgressFed = 0;

    // Non-owning: the HID layer owns the device.
    THidDevice* Device = nullptr;
    // Non-owning: the instrument link's settings window, when there is a link.
    TFormHardware* FormHardware = nullptr;

    TParser ParserA, ParserB;
    SamplePipeline Pipeline;
    ::Palette Palette;
    IndexedImage RawStripBitmap;
    IndexedImage MeanStripBitmap, PlotBitmap;
    DisplayState Display;
    AnalysisReadout Analysis;
    // Measuring cursors (their time span feeds measurements over a span), the earlier axis
    // ranges, and the window code that routes mouse, wheel and keys to them.
    CursorState Cursors;
    ZoomHistory RangeHistory;
    MainCursors* Measuring = nullptr;
    MainSpectrum* Spectrum = nullptr;
    // Runs ("Messreihen") and the session's journal (MainRuns.cpp).
    MainRuns* Runs = nullptr;
    kurvimat::session::Journal& SessionJournal();
    const kurvimat::session::Journal& SessionJournal() const;
    // "Messreihe behalten": the current points become a run now.
    void KeepCurrentAsRun();
    // Opens the list of the runs.
    void ShowRunsList();
    // Before `what` replaces the current points: keeps them as a run when they are worth it.
    void KeepBeforeReplacing(kurvimat::session::Replacement what);
    // While on, nothing is kept (an opened experiment's settings replacing the points).
    void HoldRunKeeping(bool on);
    friend class MainRuns;
    Tscale ScaleA, ScaleB, ScaleT, ScaleX;
    Tscale* ScaleLeft = &ScaleA;
    Tscale* ScaleRight = &ScaleB;
    Tscale* ScaleBottom = &ScaleT;
    QTimer Timer1;

    // Panels
    QWidget* Paneloben = nullptr;
    QWidget* Panellinks = nullptr;
    QWidget* Panelmitte = nullptr;
    QWidget* Panelunten = nullptr;
    QWidget* PanellinksPuffer = nullptr;
    QWidget* PanelSignale = nullptr;
    QScrollBar* ScrollBarSignale = nullptr;

    // Paneloben
    QLabel* LabelUeberschr = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    TPaintBox* PaintBoxRoh = nullptr;
    QPushButton* ButtonTrigger = nullptr;
    QPushButton* ButtonTriggerChannel = nullptr;
    QPushButton* ButtonTriggerRichtung = nullptr;
    QRadioButton* RadioButtonDauer = nullptr;
    QRadioButton* RadioButtonAuto = nullptr;
    QRadioButton* RadioButtonNormal = nullptr;
    QRadioButton* RadioButtonEinzel = nullptr;
    QPushButton* ButtonReset = nullptr;
    TPaintBox* PaintBoxMittel = nullptr;
    QLabel* LabelSamplingrate = nullptr;
    TComboBox* ComboBoxSamplingRate = nullptr;
    QLabel* LabelSamples = nullptr;
    TComboBox* ComboBoxSamples = nullptr;
    QLabel* LabelHardware = nullptr;
    QPushButton* ButtonHardware = nullptr;
    QLabel* LabelUAmax = nullptr;
    QLabel* LabelUBmax = nullptr;
    QLabel* LabelUBmin = nullptr;
    QLabel* LabelUAmin = nullptr;
    TShape* ShapeUmax = nullptr;
    TShape* ShapeUmin = nullptr;
    QPlainTextEdit* MemoDaten = nullptr;

    // Signal groups
    QLabel* LabelAroh = nullptr;
    QLabel* LabelAx = nullptr;
    QLabel* LabelUA = nullptr;
    QLabel* LabelAkal = nullptr;
    TComboBox* ComboBoxA = nullptr;
    QLineEdit* EditSignalA = nullptr;
    QLineEdit* EditEinheitA = nullptr;
    QLineEdit* EditFormelA = nullptr;
    QLineEdit* EditSkalaAmin = nullptr;
    QLineEdit* EditSkalaAmax = nullptr;
    QCheckBox* CheckBoxKanalA = nullptr;
    QCheckBox* CheckBoxSkalaAauto = nullptr;
    QLabel* LabelBroh = nullptr;
    QLabel* LabelBx = nullptr;
    QLabel* LabelUB = nullptr;
    QLabel* LabelBkal = nullptr;
    TComboBox* ComboBoxB = nullptr;
    QLineEdit* EditSignalB = nullptr;
    QLineEdit* EditEinheitB = nullptr;
    QLineEdit* EditFormelB = nullptr;
    QLineEdit* EditSkalaBmin = nullptr;
    QLineEdit* EditSkalaBmax = nullptr;
    QCheckBox* CheckBoxKanalB = nullptr;
    QCheckBox* CheckBoxSkalaBauto = nullptr;

    // Panelmitte
    TPaintBox* PaintBoxData = nullptr;
    TImage* ImageLinksAuto = nullptr;
    TImage* ImageLinksAutoOff = nullptr;
    TImage* ImageLinksFull = nullptr;
    TImage* ImagelinksFullon = nullptr;
    TImage* ImageRechtsauto = nullptr;
    TImage* ImageRechtsAutoOff = nullptr;
    TImage* ImageRechtsFull = nullptr;
    TImage* ImageRechtsFullon = nullptr;
    TImage* ImageUntenAuto = nullptr;
    TImage* ImageUntenAutoOff = nullptr;
    TImage* ImageUntenFull = nullptr;
    TImage* ImageUntenFullOn = nullptr;
    QPlainTextEdit* Memo1 = nullptr;

    // Panelunten
    QPushButton* ButtonBearbeiten = nullptr;
    QCheckBox* CheckBoxAXY = nullptr;
    QCheckBox* CheckBoxBXY = nullptr;
    QCheckBox* CheckBoxSpektrum = nullptr;
    QCheckBox* CheckBoxMinuten = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QPushButton* ButtonDatenKopieren = nullptr;
    QPushButton* ButtonDatenSpeichern = nullptr;
    QPushButton* ButtonDataenLaden = nullptr;
    QPushButton* ButtonDatenEinfuegen = nullptr;
    QPushButton* ButtonDatenLoeschen = nullptr;
    QPushButton* ButtonSSkopieren = nullptr;
    QPushButton* ButtonSSspeichern = nullptr;
    QPushButton* ButtonSSladen = nullptr;
    QPushButton* ButtonSSEinfuegen = nullptr;
    QPushButton* ButtonSSLoeschen = nullptr;
    TImage* Image1 = nullptr;
    QPushButton* ButtonSchnappschuss = nullptr;
    QCheckBox* CheckBoxSchnappschuss = nullptr;
    TShape* Shape3 = nullptr;
    QPushButton* Button2 = nullptr;

    // --- menus, shortcuts, tooltips (MainMenus.cpp, MainTooltips.cpp) ---
    // One action per command: the menu bar, the buttons and the plot's menu run the same one.
    // Connected by the experiment code, not here.
    QAction* ActionVersuchOeffnen = nullptr;
    QAction* ActionVersuchSpeichern = nullptr;
    QAction* ActionMessreiheBehalten = nullptr;
    // Datei
    QAction* ActionDatenLaden = nullptr;
    QAction* ActionDatenSpeichern = nullptr;
    QAction* ActionSSLaden = nullptr;
    QAction* ActionSSSpeichern = nullptr;
    QMenu* MenuBildSpeichern = nullptr; // in window size, twice, three times as large
    QAction* ActionDrucken = nullptr;
    QAction* ActionBeenden = nullptr;
    // Bearbeiten
    QAction* ActionRueckgaengig = nullptr;
    QAction* ActionDatenKopieren = nullptr;
    QAction* ActionDatenEinfuegen = nullptr;
    QAction* ActionBildKopieren = nullptr;
    QAction* ActionMesswerteKopieren = nullptr;
    QAction* ActionDatenLoeschen = nullptr;
    // Messen
    QAction* ActionDauer = nullptr;
    QAction* ActionAuto = nullptr;
    QAction* ActionNormal = nullptr;
    QAction* ActionEinzel = nullptr;
    QAction* ActionTrigger = nullptr;
    QAction* ActionReset = nullptr;
    QAction* ActionStoppWeiter = nullptr;
    QAction* ActionSchnappschuss = nullptr;
    QAction* ActionZeitcursor = nullptr;
    QAction* ActionWertcursor = nullptr;
    QMenu* MenuAusgleichskurve = nullptr;
    QMenu* MenuFitA = nullptr;
    QMenu* MenuFitB = nullptr;
    QAction* ActionFitGerade = nullptr;
    QAction* ActionFitEntfernen = nullptr;
    QAction* ActionSpektrum = nullptr;
    // Ansicht
    QAction* ActionKanalBx = nullptr;
    QAction* ActionKanalAx = nullptr;
    QAction* ActionMinuten = nullptr;
    QAction* ActionTabelle = nullptr;
    QAction* ActionGrossanzeige = nullptr;
    QAction* ActionVollbild = nullptr;
    // Hilfe
    QAction* ActionAnleitung = nullptr;
    QAction* ActionFormelvariablen = nullptr;
    QAction* ActionUeber = nullptr;
    // Opened on demand, then kept.
    TableWindow* Tabelle = nullptr;
    BigDisplay* Grossanzeige = nullptr;
    HelpWindow* Anleitung = nullptr;

    // Stopped: the pipeline stores no sweep and the plot holds (TriggerSettings::hold).
    bool Held = false;
    // Channel, edge, mode, automatic snapshot and the armed "einzel": set by their controls'
    // handlers, which the controls only show.
    TriggerSettings Trigger;
    void ShowTriggerCaptions();
    QLabel* LabelAngehalten = nullptr; // in place of the subtitle while stopped
    void StoppWeiter();
    // Rückgängig: the stored points a deletion or load replaced, else the last zoom.
    void KeepDataForUndo(const QString& what);
    void Undo();
    // The current data holds points neither saved nor copied since they were recorded.
    bool HasUnsavedWork() const;
    void NoteDataSaved();
    // The height the menu bar adds to the client area (none for a native menu bar).
    int MenuBarHeight() const;
    // Brings the actions' captions, checks and enabled states up to the window's state.
    void UpdateMenuActions();

private:
    void CreateMenus();
    // The actions keys reach (Ctrl+Z, Reset, F11) as the window's state is now.
    void UpdateKeyActions();
    bool CanZoomBack();
    void CreateActions();
    void CreateFitActions();
    // A menu of the time models for each channel of each shown run.
    void AddRunFitMenus(QMenu& menu);
    void ShareWithButtons();
    void AfterReadoutTick(const Readouts& readouts);
    void FollowData();
    // False when the user cancels closing.
    bool AskUnsavedWork();
    bool HasRuns() const;
    void ShowTable();
    void ShowBigDisplay();
    void ShowGuide(const QString& anchor);
    void NameControls();
    void ApplyTooltips();
    void ShowPendingInput();
    std::pair<double, double> FitSpan() const;
    std::unique_ptr<StoredData> UndoData;
    QString UndoWhat;
    std::size_t SavedSignature = 0;
    // "Verwerfen" on closing: the journal goes to the Papierkorb instead of being offered again.
    bool SessionDiscarded = false;
    QAction* ActionMessreihen = nullptr;
    // What the table last heard of the current data.
    int TableCount = 0;
    std::size_t TableTimes = 0, TableValues = 0;
    // The table reads the store: it goes with the members, before the store, not with the
    // children after it.
    std::unique_ptr<QWidget> TableOwner;
    std::optional<std::pair<double, double>> TableHighlight;

public:

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // A control that keeps its distance to its panel's right and/or bottom edge.
    struct Anchor {
        QWidget* widget;
        bool right, bottom, stretchWidth, stretchHeight;
        int rightGap = 0, bottomGap = 0;
    };

    void CreatePanels();
    void CreateTopPanel();
    void CreateSignalPanel();
    void CreateSignalGroup(char channel, int top);
    void CreatePlotPanel();
    void CreateBottomPanel();
    void ConnectHandlers();
    // Mouse and check box connections of the display, and its hidden analysis controls.
    void ConnectDisplay();
    void ConnectAnalysis();
    void ConnectStripMouse();
    void ConnectPlotMouse();
    void ConnectAxisButtons();
    void ConnectModeBoxes();
    void ShowAnalysis();
    PictureSource PlotPictureSource();
    void LayoutPanels();
    void FitPlotToPanel();
    void CaptureAnchors();
    void ApplyAnchors();
    void PlaceSignalPanel();

    // Errors: Qt does not let an exception leave a slot. Each handler runs its steps to the end
    // inside a HandlerScope; errors met meanwhile are collected and shown once, when the
    // outermost handler has finished.
    template <class Steps> void Handle(Steps&& steps) {
        ++HandlerDepth;
        try {
            steps();
        } catch (const std::exception& e) {
            NoteError(QString::fromUtf8(e.what()));
        }
        if (--HandlerDepth == 0) ShowPendingErrors();
    }
    void NoteError(const QString& text);
    void ShowPendingErrors();
    // Shown at the end of the running handler, or after it when none runs (data, timer).
    void ReportError(const QString& text);
    int HandlerDepth = 0;
    QStringList PendingErrors;

    // The nested apply of the two signal groups is one routine with the channel's controls.
    struct SignalGroup;
    SignalGroup Group(char channel);
    // False when the formula was rejected: the channel then keeps its applied definition.
    bool ApplySignal(char channel, bool reevaluate);
    void EditSignalKeyPress(char channel, QObject* Sender);
    void ComboBoxKeyPress(char channel, QObject* Sender);
    void ComboBoxChange(char channel);
    void CheckBoxSkalaAutoClick(char channel);

    Calibration CurrentCalibration() const;

    // Exchange helpers.
    QString WriteText(bool snapshot);
    // True when fileName does not exist yet or the user agrees to replace it.
    bool MayReplace(const QString& fileName);
    void TitleLoadedAxes();
    // False when nothing was written (cancelled, or the file could not be written).
    bool SaveOrCopy(bool toFile, const QString& text);
    bool ReadIntoBuffer(bool fromFile);
    void ReadBuffer(bool snapshot);
    void ReadBufferSteps(bool snapshot);

    // Trigger helpers: the controls' state for the pipeline, and what it changed.
    TriggerSettings TriggerControls() const;
    void AfterPipeline(const TriggerSettings& controls, const PipelineEvents& events);
    void ReportDivByZero(const PipelineEvents& events);
    static QString DivByZeroText(char channel, const QString& formula);
    static QString FormulaErrorText(char channel, const QString& formula, const std::exception& e);
    void UpdateTimeScale();
    void UpdateRangeLabels();
    void ReleaseDevice();

    QString ExchangeText; // the exact text of the last exchange (MemoDaten shows it)
    QString ExchangeSource; // "Die Datei <path>" or "Die Zwischenablage", for messages
    bool AxesNameLoadedPoints = false; // ScaleA/B titles name loaded points (TitleLoadedAxes)

    TFormSignale* FormSignale = nullptr;
    std::vector<Anchor> Anchors;
    bool Shown = false;
    bool Closing = false;
};

// Wires the signal list editor to the main window (lists, taking lines over, errors).
void ConnectSignalEditor(TFormMain& main, TFormSignale& editor);
