// The main window: shows the session model below it (store, pipeline, parsers, settings), owns
// the scales and every control, and routes its events to the model and the display code.
// Its controls are a private base (MainControls.h); those who drive it as a user does find
// them by objectName.
#pragma once

#include "Analysis.h"
#include "AxisPictures.h"
#include "CursorState.h"
#include "DisplayRefresh.h"
#include "FormulaParser.h"
#include "IndexedImage.h"
#include "MainControls.h"
#include "MainCursors.h"
#include "MainInstrument.h"
#include "MeasurementStore.h"
#include "MeasurementText.h"
#include "Palette.h"
#include "Plot.h"
#include "PlotFit.h"
#include "PlotInteraction.h"
#include "PlotPicture.h"
#include "PlotView.h"
#include "PlotZoom.h"
#include "RawStrips.h"
#include "SamplePipeline.h"
#include "Session.h"
#include "SignalGroups.h"
#include "StoredData.h"
#include "Scale.h"

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
using kurvimat::analysis::FitModel;
using kurvimat::display::AnalysisReadout;
using kurvimat::display::DisplayChanges;
using kurvimat::display::DisplayContext;
using kurvimat::display::DisplayControls;
using kurvimat::display::FitDrawing;
using kurvimat::display::PictureSource;
using kurvimat::display::PlotMode;
using kurvimat::display::PlotOverlay;
using kurvimat::display::ScaleSet;
using kurvimat::hid::THidDevice;
using kurvimat::signals::Calibration;
using kurvimat::signals::SignalChannel;
using kurvimat::signals::TParser;

class Dialogs;
namespace kurvimat::session {
class Journal;
struct Experiment;
} // namespace kurvimat::session
class MainCursors;
class MainSpectrum;
class MainRuns;
class ClassViewShare;
namespace kurvimat::session {
class Journal;
enum class Replacement;
} // namespace kurvimat::session
class QMenu;
class QPrinter;
class TFormHardware;
class TFormSignale;

class TFormMain : public QMainWindow,
                  public InstrumentWindow,
                  private MainControls,
                  private PlotViewData,
                  private PlotHost,
                  private CursorHost,
                  private SignalGroupsHost {
    Q_OBJECT
    // The session holds the state the window shows. Declared first, so that every member
    // initialised after it may use it; the handlers reach its parts by these names.
    std::unique_ptr<kurvimat::session::Session> session_ =
        std::make_unique<kurvimat::session::Session>();
    MeasurementStore& Store = session_->store();
    TParser& ParserA = session_->parser(SignalChannel::A);
    TParser& ParserB = session_->parser(SignalChannel::B);
    SamplePipeline& Pipeline = session_->pipeline();

public:
    kurvimat::session::Session& session() override { return *session_; }
    const kurvimat::session::Session& session() const { return *session_; }

    // Runs the start-up sequence. Dialogs default to the application's.
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // The signal list editor: its lists, the lines it takes over and its errors go through
    // the window (MainSignals.cpp).
    void UseSignalEditor(TFormSignale& editor);
    // --share: the class view shared at start, its address on stdout (ClassViewShare.cpp).
    void ShareOnStart();

    // The cycle: the timer's tick (50 ms) and the data handler installed on Device, which
    // decodes reports of the held instrument only.
    void Timer1Timer();
    void HidDeviceData(THidDevice* HidDev, std::uint8_t ReportID, const std::uint8_t* Data,
                       std::uint16_t Size) override;
    void RefreshDisplay();
    // Re-applies both signals under the calibration and updates the range labels; with a held
    // instrument ConfigureDevice first builds and sends its configuration report.
    void SendConfiguration() override;
    // Brings the actions' captions, checks and enabled states up to the window's state.
    void UpdateMenuActions() override;
    // The height the menu bar adds to the client area (none for a native menu bar).
    int MenuBarHeight() const;

    // --- pictures and curve fits (MainReport.cpp) ---
    // The picture with the fit and, when shown, the cursors and their readout.
    QImage PlotPictureImage(int scale);
    // One landscape page: the picture as large as it fits, a footer with both definitions and
    // the date and time.
    bool PrintPlot(QPrinter& printer);
    // Fits a channel over [from, to] (of time: between the time cursors when they are shown,
    // else the visible span; of the bottom channel in an XY mode) and
    // shows the curve with its readout on the plot; a fit that cannot be made is reported.
    void FitOnPlot(bool channelB, FitModel model, double from, double to);
    // The same of a shown run's channel, in the normal mode; it goes when the run is hidden.
    void FitRunOnPlot(qint64 run, bool channelB, FitModel model, double from, double to);

    // --- journal and experiment (MainJournal.cpp, MainRuns.cpp) ---
    // The program's start after the window is shown: the recovery question, then the file
    // named on the command line, if any (OpenFile).
    void StartSession(const QString& file = {});
    // An experiment (*.kurvimat, or any SQLite file) through OpenExperiment, anything else as
    // a measurement text: the command line's file and a file dropped on the window.
    void OpenFile(const QString& path);
    // The title: the experiment's file name with "*" while it holds unsaved changes, then the
    // held instrument's product and serial, or "Kurvimat" ("Pendel.kurvimat* – Kurvimat").
    void ShowTitle();
    // The experiments last opened or saved, newest first, as Datei ▸ Zuletzt geöffnet lists them.
    const QStringList& RecentExperiments() const { return Recent; }
    kurvimat::session::Journal& SessionJournal();
    const kurvimat::session::Journal& SessionJournal() const;
    // The journal's hooks: what each pipeline call did (noted only: a report allocates
    // nothing), the timer tick (the new stored points handed to the journal).
    void JournalAfterPipeline(const PipelineEvents& events);
    void JournalTick();
    kurvimat::session::Experiment CurrentExperiment();
    // True while what the journal holds has been saved in an experiment file since it changed.
    bool ExperimentSaved() const;
    // The current data holds points neither saved nor copied since they were recorded.
    bool HasUnsavedWork() const;

    // The instrument whose reports the window takes (non-owning: the HID layer owns it) and
    // what sends it the configuration; nullptr and nothing while none is held.
    void HoldInstrument(THidDevice* device, std::function<void()> configure = {}) override;
    THidDevice* HeldInstrument() const override { return Device; }

private:
    THidDevice* Device = nullptr;
    std::function<void()> ConfigureDevice;
    // What the window shows of the instrument link (MainDevice.cpp).
    void ShowInstrument(const QString& caption, bool settings) override;
    void ShowDataLoss() override;
    void UseHardwareWindow(TFormHardware* hardware) override;
    void ButtonHardwareClick();
    // At start, once the window is shown: offers what an earlier program left unsaved.
    void OfferRecovery();
    // The journal's hand-off (MainJournal.cpp).
    int JournalSeen = -1;         // stored points handed to the journal; -1: none recorded
    bool JournalTriggered = false;  // a sweep began since the last hand-off
    bool JournalSweepEnded = false; // a sweep ended since the last hand-off
    qint64 JournalChanges = 0;    // counts what reached the journal
    qint64 JournalSavedAt = -1;   // JournalChanges when the experiment was last saved
    bool JournalProgress = false; // KURVIMAT_JOURNAL_PROGRESS: the points fed on stdout
    int JournalProgressFed = 0;

    // The window's parts in their own files reach it as its own code does.
    friend class MainRuns;

    Dialogs& Dlg() const;

    // --- start-up, show, close ---
    void FormShow();
    bool FormCloseQuery();
    // The cycle's 50 ms tick.
    QTimer Timer1;

    // --- display (MainDisplay.cpp) ---
    void FormResize();
    void DrawRawStrip();
    void DrawMeanStrip();
    void DrawPlot();
    // What the plot shows: the stored points on the scales above, or in the spectrum mode the
    // spectrum's point set on its own scales.
    MeasurementStore& PlotStore() override;
    DisplayChanges& PlotChanges() override;
    ScaleSet PlotScales() override;
    MeasurementStore& RecordedStore() override { return Store; }
    PlotMode Mode() const override { return ReadDisplayControls().Mode(); }
    DisplayControls ReadDisplayControls() const;
    DisplayContext Context();
    // The smallest window in which every control is whole (at least 770 x 570).
    QSize MinimumClientSize() const;

    // --- pictures, printing and curve fits (MainReport.cpp) ---
    // Adds the plot's report actions to a menu (the plot's context menu, after the cursors').
    void AddReportActions(QMenu& menu) override;
    void ButtonBildKopierenClick();
    // Asks for a file name and writes the picture at the given scale as PNG.
    void ButtonBildSpeichernClick(int scale);
    void ButtonDruckenClick();
    void RemoveFit();
    // Draws the shown fit into the plot image; nothing once the data it was made of changed.
    PlotOverlay ReportOverlay();
    // What the plot draws for the shown fit, its box clear of the shown runs' names.
    FitDrawing ShownFitDrawing() override;

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
    // The groups' controls at work (SignalGroups.h); made with the panels.
    std::unique_ptr<SignalGroups> Signals;

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

    // --- data exchange ---
    void ButtonDatenKopierenClick(QObject* Sender);
    void ButtonSSspeichernClick(QObject* Sender);
    void ButtonDatenLadenClick(QObject* Sender);
    void ButtonSSladenClick(QObject* Sender);
    void ButtonDatenLoeschenClick();

    // --- journal and experiment file ---
    // "Versuch speichern": to the experiment's file without asking, else as below.
    void SaveExperimentAsk();
    // "Versuch speichern unter …" / "Versuch öffnen …": a file dialog, then the two below.
    void SaveExperimentAs();
    void OpenExperimentAsk();
    // The experiment file the session was last opened from or saved to; empty: none.
    QString ExperimentPath;
    // What the title shows beside the file: the held instrument's caption, or "Kurvimat".
    QString InstrumentCaption = QStringLiteral("Kurvimat");
    QStringList Recent;
    // The data as the experiment file holds them: points loaded since differ from the file,
    // though not from what they were loaded from.
    std::size_t ExperimentSignature = 0;
    std::size_t CurrentDataSignature() const;
    // The session is the file's now: the title names it and the recent list has it first.
    void NoteExperimentFile(const QString& path);
    void FillRecentMenu();
    // Runs, data, snapshot, definitions and settings into a .kurvimat file; false (said) when
    // it could not be written.
    bool SaveExperiment(const QString& path);
    // Takes a .kurvimat file over; a refused file is said and changes nothing. Every way of
    // opening comes here: unsaved work is asked about first, and the session the file
    // replaces goes to the Papierkorb.
    bool OpenExperiment(const QString& path);
    // "Verworfene Sitzungen …": the Papierkorb's sessions back into this one.
    void RestoreDiscarded();
    // The journal's hooks: the window closed, the points handed over.
    void JournalClosed();
    void JournalHandOver();
    void ApplyExperiment(const kurvimat::session::Experiment& experiment);

    // Non-owning: the instrument link's settings window, when there is a link.
    TFormHardware* FormHardware = nullptr;
    // The plot panel; the window code that routes mouse, wheel and keys on the plot to the
    // measuring cursors, builds its menu and shows the readout; the spectrum mode.
    PlotView* Plot = nullptr;
    MainCursors* Measuring = nullptr;
    MainSpectrum* Spectrum = nullptr;
    AnalysisReadout Analysis;

    // --- runs ("Messreihen") and the session's journal (MainRuns.cpp) ---
    MainRuns* Runs = nullptr;
    // --- the class view: freigabe, its dialog and watchers (ClassViewShare.cpp) ---
    ClassViewShare* ClassView = nullptr;
    // "Messreihe behalten": the current points become a run now.
    void KeepCurrentAsRun();
    // Opens the list of the runs.
    void ShowRunsList();
    // Before `what` replaces the current points: keeps them as a run when they are worth it.
    void KeepBeforeReplacing(kurvimat::session::Replacement what);
    // While on, nothing is kept (an opened experiment's settings replacing the points).
    void HoldRunKeeping(bool on);

    // --- menus, Stopp/Weiter, Rückgängig, the windows opened from the menus (MainMenus.cpp) ---
    void ShowTriggerCaptions();
    void StoppWeiter();
    // Rückgängig: the stored points a deletion or load replaced (the session keeps them), else
    // the last zoom.
    void Undo();
    void NoteDataSaved();

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
    // False when the user cancels closing (or what follows asks instead: opening a file).
    bool AskUnsavedWork(const QString& followUp = QString());
    bool HasRuns() const;
    void ShowTable();
    void ShowBigDisplay();
    void ShowGuide(const QString& anchor);
    void NameControls();
    void ApplyTooltips();
    void ShowPendingInput();
    std::pair<double, double> FitSpan() const;
    std::size_t SavedSignature = 0;
    // "Verwerfen" on closing: the journal goes to the Papierkorb instead of being offered again.
    bool SessionDiscarded = false;
    // What the table last heard of the current data.
    int TableCount = 0;
    std::size_t TableTimes = 0, TableValues = 0;
    // The table reads the store: it goes with the members, before the store, not with the
    // children after it.
    std::unique_ptr<QWidget> TableOwner;
    std::optional<std::pair<double, double>> TableHighlight;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
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
    void CreatePlotPanel();
    void CreateBottomPanel();
    void ConnectHandlers();
    // Mouse and check box connections of the display, and its hidden analysis controls.
    void ConnectDisplay();
    void ConnectAnalysis();
    void ConnectModeBoxes();
    void ShowAnalysis();
    void ApplyAxisImages() { Plot->ApplyAxisImages(); }
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
    // details: the technical words behind the message, shown folded away.
    void NoteError(const QString& text, const QString& details = {}) override;
    void ShowPendingErrors();
    // Shown at the end of the running handler, or after it when none runs (data, timer); an
    // empty text is nothing to show.
    void ReportError(const QString& text) override;
    int HandlerDepth = 0;
    QStringList PendingErrors, PendingDetails;

    // Exchange helpers.
    QString WriteText(bool snapshot,
                      kurvimat::exchange::TableLayout layout = kurvimat::exchange::TableLayout::Tab);
    // True when fileName does not exist yet or the user agrees to replace it.
    bool MayReplace(const QString& fileName);
    void TitleLoadedAxes() override;
    // False when nothing was written (cancelled, or the file could not be written).
    // The text in the layout asked for: TAB text to copy, TAB or CSV by the file's name.
    bool SaveOrCopy(bool toFile,
                    const std::function<QString(kurvimat::exchange::TableLayout)>& write);
    // From the file `path`, or one asked for when it is empty.
    bool ReadIntoBuffer(bool fromFile, const QString& path = {});
    void ReadBuffer(bool snapshot);
    void ReadBufferSteps(bool snapshot);

    // Trigger helpers: the controls' state for the pipeline, and what it changed.
    void AfterPipeline(const PipelineEvents& events);

    QString ExchangeText; // the exact text of the last exchange (MemoExchange shows it)
    QString ExchangeSource; // "Die Datei <path>" or "Die Zwischenablage", for messages
    kurvimat::session::LoadSource ExchangeFrom = kurvimat::session::LoadSource::File;
    bool AxesNameLoadedPoints = false; // ScaleA/B titles name loaded points (TitleLoadedAxes)

    std::vector<Anchor> Anchors;
    bool Shown = false;
    bool Closing = false;
};

// Window position that centres a window of size w on a screen of size s (never negative).
QPoint CentredPosition(QSize screen, QSize window);

// Wires the signal list editor to the main window (lists, taking lines over, errors).
void ConnectSignalEditor(TFormMain& main, TFormSignale& editor);
