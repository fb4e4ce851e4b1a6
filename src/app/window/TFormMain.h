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
#include "MeasurementStore.h"
#include "MeasurementText.h"
#include "Palette.h"
#include "Plot.h"
#include "PlotFit.h"
#include "PlotInteraction.h"
#include "PlotPicture.h"
#include "PlotZoom.h"
#include "QuantityAxes.h"
#include "RawStrips.h"
#include "SamplePipeline.h"
#include "Scale.h"
#include "Session.h"
#include "StoredData.h"
#include "dialogs/Dialogs.h"
#include "files/DataExchange.h"
#include "files/ExperimentFiles.h"
#include "plot/MainCursors.h"
#include "plot/PlotReport.h"
#include "plot/PlotView.h"
#include "runs/MainRuns.h"
#include "widgets/MainControls.h"
#include "window/MainActions.h"
#include "window/MainDisplay.h"
#include "window/MainInstrument.h"
#include "window/MainLayout.h"
#include "window/MainTooltips.h"
#include "window/SignalGroups.h"

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

class Dialogs;
namespace kurvimat::session {
class Journal;
struct Experiment;
} // namespace kurvimat::session
class MainCursors;
class QuantityPlot;
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
                  private SignalGroupsHost,
                  private ReportHost,
                  private ExchangeHost,
                  private ExperimentHost,
                  private RunsHost {
    Q_OBJECT
    // The session holds the state the window shows. Declared first, so that every member
    // initialised after it may use it; the handlers reach its parts by these names.
    std::unique_ptr<kurvimat::session::Session> session_ =
        std::make_unique<kurvimat::session::Session>();
    kurvimat::acquisition::MeasurementStore& Store = session_->store();
    kurvimat::signals::TParser& ParserA = session_->parser(kurvimat::signals::SignalChannel::A);
    kurvimat::signals::TParser& ParserB = session_->parser(kurvimat::signals::SignalChannel::B);
    kurvimat::acquisition::SamplePipeline& Pipeline = session_->pipeline();

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
    void HidDeviceData(kurvimat::hid::THidDevice* HidDev, std::uint8_t ReportID,
                       const std::uint8_t* Data, std::uint16_t Size) override;
    void RefreshDisplay();
    // Re-applies both signals under the calibration and updates the range labels; with a held
    // instrument ConfigureDevice first builds and sends its configuration report.
    void SendConfiguration() override;
    // Brings the actions' captions, checks and enabled states up to the window's state.
    void UpdateMenuActions() override;
    // The height the menu bar adds to the client area (none for a native menu bar).
    int MenuBarHeight() const;

    // --- pictures and curve fits (PlotReport.cpp) ---
    PlotReport& report() { return *Report; }
    // Quantities over a quantity (x: "t" shows the time plot again, its right axis the chosen
    // one), as "Größen als Achsen …" takes them.
    void ShowQuantities(const kurvimat::display::QuantityAxes& axes);

    // --- the experiment files: the session's start, save, open, the title (ExperimentFiles) ---
    ExperimentFiles& experiments() { return *Experiments; }
    // The title: the experiment's file name with "*" while it holds unsaved changes, then the
    // held instrument's product and serial, or "Kurvimat" ("Pendel.kurvimat* – Kurvimat").
    void ShowTitle() { Experiments->ShowTitle(InstrumentCaption); }

    // The instrument whose reports the window takes (non-owning: the HID layer owns it) and
    // what sends it the configuration; nullptr and nothing while none is held.
    void HoldInstrument(kurvimat::hid::THidDevice* device,
                        std::function<void()> configure = {}) override;
    kurvimat::hid::THidDevice* HeldInstrument() const override { return Device; }

private:
    kurvimat::hid::THidDevice* Device = nullptr;
    std::function<void()> ConfigureDevice;
    // What the window shows of the instrument link (MainDevice.cpp).
    void ShowInstrument(const QString& caption, bool settings) override;
    void ShowDataLoss() override;
    void UseHardwareWindow(TFormHardware* hardware) override;
    void ButtonHardwareClick();


    // --- start-up, show, close ---
    void FormShow();
    bool FormCloseQuery();
    // The cycle's 50 ms tick.
    QTimer TimerTakt;

    // --- display (MainDisplay.cpp) ---
    void FormResize();
    // What the display code draws with, the strips drawn, the analysis readout.
    std::unique_ptr<MainDisplay> Drawing;
    // The mode boxes, each with the mode it chooses and, for a mode of its own points, the
    // part that computes them; at most one box is checked.
    struct ModeChoice {
        QCheckBox* Box;
        kurvimat::analysis::PlotMode Mode;
        PointSetMode* Points;
    };
    std::vector<ModeChoice> ModeChoices;
    QuantityPlot* Quantities = nullptr; // the mode of quantities over a quantity
    kurvimat::analysis::PlotMode ShownMode = kurvimat::analysis::PlotMode::Normal;
    // Shows the session's mode: its box checked, the others not, the strips and the cursors
    // placed for it.
    void ShowPlotMode();
    // What the plot shows: the stored points on the scales above, or the chosen mode's.
    PointSetMode* ShownPointSet() override;
    kurvimat::acquisition::MeasurementStore& RecordedStore() override { return Store; }
    kurvimat::analysis::PlotMode Mode() const override { return ReadDisplayControls().Mode; }
    bool ShowsB() const override { return ReadDisplayControls().KanalB; }
    kurvimat::display::DisplayControls ReadDisplayControls() const override;

    // --- pictures, printing and curve fits (MainReport.cpp; PlotReport) ---
    std::unique_ptr<PlotReport> Report;
    void ButtonBildKopierenClick();
    // Asks for a file name and writes the picture at the given scale as PNG.
    void ButtonBildSpeichernClick(int scale);
    void ButtonDruckenClick();

    // --- signal groups ---
    void ComboBoxAChange();
    void ComboBoxBChange();
    void ComboBoxAKeyPress(QObject* Sender);
    void ComboBoxBKeyPress(QObject* Sender);
    void EditSignalAKeyPress(QObject* Sender);
    void EditSignalBKeyPress(QObject* Sender);
    void CheckBoxSkalaAautoClick();
    void CheckBoxSkalaBautoClick();
    void ApplySignalA(bool reevaluate) override;
    void ApplySignalB(bool reevaluate) override;
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
    void ButtonSSLadenClick(QObject* Sender);
    void ButtonDatenLoeschenClick();
    // Loaded points (taken) stay on the plot: the measurement is held.
    void HoldLoaded(bool taken);

    // --- the experiment files' side of the window (MainJournal.cpp) ---
    ExperimentFiles* Experiments = nullptr;
    // What the title shows beside the file: the held instrument's caption, or "Kurvimat".
    QString InstrumentCaption = QStringLiteral("Kurvimat");
    void Handled(const std::function<void()>& steps) override { Handle(steps); }
    void AddDisplaySettings(kurvimat::session::Settings& settings) override;
    kurvimat::session::Settings DisplaySettings() override;
    void ShowExperiment(const kurvimat::session::Experiment& experiment,
                        const kurvimat::session::AppliedExperiment& applied) override;
    void OpenMeasurementText(const QString& path) override;
    void SaveDataText() override;

    // Non-owning: the instrument link's settings window, when there is a link.
    TFormHardware* FormHardware = nullptr;
    // The plot panel; the window code that routes mouse, wheel and keys on the plot to the
    // measuring cursors, builds its menu and shows the readout.
    PlotView* Plot = nullptr;
    MainCursors* Measuring = nullptr;

    // --- runs ("Messreihen") and the session's journal (MainRuns.cpp) ---
    MainRuns* Runs = nullptr;
    // --- the class view: freigabe, its dialog and watchers (ClassViewShare.cpp) ---
    ClassViewShare* ClassView = nullptr;
    void ShowRunAsCurrent(const kurvimat::session::Run& run,
                          const kurvimat::session::AppliedDefinitions& applied) override;
    // Shows the definitions the session applied (Signals->Show) and what probing them met.
    void ShowAppliedDefinitions(const kurvimat::session::AppliedDefinitions& applied);

    // --- menus, Stopp/Weiter, Rückgängig, the windows opened from the menus (MainMenus.cpp) ---
    void ShowTriggerCaptions();
    void StoppWeiter() override;
    // Rückgängig: the stored points a deletion or load replaced (the session keeps them), else
    // the last zoom.
    void Undo();
public:
    /// "Größen": the session's quantities in the dialog, with a new one (prefilled) when add;
    /// what it gives is put in force as one step undo takes back.
    void EditQuantities(bool add, const kurvimat::session::QuantityDefinition& prefill = {});
private:

    // The menus and actions (MainActions.h), connected to the handlers.
    void CreateMenus();
    // The state of the actions keys reach (Ctrl+Z, Reset, F11) as the window's state is now.
    KeyActionState KeyActions();
    // A menu of the time models for each channel of each shown run.
    void AddRunFitMenus(QMenu& menu) override;
    // Ansicht ▸ Rechte Achse: B or one of the further columns, the one shown checked.
    void FillRightAxisMenu();
    // "Größen als Achsen …"
    void ChooseQuantityAxes();
    // "Eigene Funktion …": asks for the user's model (the one shown or last fitted filled in),
    // then fits it through `then`.
    void AskUserFit(std::function<void(const kurvimat::analysis::UserFitModel&)> then);
    std::optional<kurvimat::analysis::UserFitModel> LastUserFit;
    void AfterReadoutTick(const kurvimat::acquisition::Readouts& readouts);
    void FollowData();
    // False when the user cancels closing (or what follows asks instead: opening a file).
    void ShowTable();
    // "Neue Wertetabelle" or, with edit, the data as such a table edited.
    void EnterValues(bool edit);
    void ShowBigDisplay();
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
    void ConnectHandlers();
    // Mouse and check box connections of the display, and its hidden analysis controls.
    void ConnectDisplay();

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

    // The stored points and the snapshot as text: clipboard, files, the buffer.
    std::unique_ptr<DataExchange> Exchange;
    bool MayReplace(const QString& fileName) override { return ::MayReplace(*this, fileName); }
    void TitleLoadedAxes() override { ::TitleLoadedAxes(Store, *this); }
    // Recorded points: the axes name the definitions in force, B's in its colour.
    void TitleAxesByDefinitions();
    void OfferAsQuantity(char channel, const QString& name, const QString& unit,
                         const QString& formula) override;
    bool SaveOrCopy(bool toFile,
                    const std::function<QString(kurvimat::exchange::TableLayout)>& write) override {
        return Exchange->SaveOrCopy(toFile, write);
    }

    // Trigger helpers: the controls' state for the pipeline, and what it changed.
    void AfterPipeline(const kurvimat::acquisition::PipelineEvents& events);

    // The panels and controls at their places, and their anchoring on resize.
    MainLayout Layout{*this};
    bool Shown = false;
    bool Closing = false;
};

// Window position that centres a window of size w on a screen of size s (never negative).
QPoint CentredPosition(QSize screen, QSize window);

// Wires the signal list editor to the main window (lists, taking lines over, errors).
void ConnectSignalEditor(TFormMain& main, TFormSignale& editor);
